#include <filesystem>
#include <fstream>

#include "datamodule/conf_tipo_rece_fields.h"
#include "db/connection.h"
#include "db/statement_kit.h"
#include "hostagent/demo_orders.h"
#include "hostagent/host_records.h"
#include "hostagent/module_loader.h"
#include "hostagent/store_commands.h"
#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "vyrutil/crypto.h"

// The rows and files of one demo register, written the way the installation's other
// programs leave them.

namespace hostagent {

namespace {

const char* const kSqlInsFilial =
    R"mssql(INSERT INTO FILIAL (CDFILIAL, CDEMPRESA, NMFILIAL) VALUES (:P_CDFILIAL, '0001', 'FILIAL DEMONSTRACAO'))mssql";
const char* const kSqlInsLoja =
    R"mssql(INSERT INTO LOJA (CDFILIAL, CDLOJA, NMLOJA, IDIMPCNPJCLIE) VALUES (:P_CDFILIAL, :P_CDLOJA, 'LOJA DEMONSTRACAO', 'N'))mssql";
const char* const kSqlInsParaVend =
    R"mssql(INSERT INTO PARAVEND (CDFILIAL, IDAMBTRABNFCE, IDEXTCONSONLINE, IDEXTCONSCENTRAL) VALUES (:P_CDFILIAL, '2', 'N', 'N'))mssql";
const char* const kSqlInsImpressora =
    R"mssql(INSERT INTO IMPRESSORA (CDIMPRESSORA, NMIMPRESSORA, IDMODEIMPRES) VALUES ('DEMO', 'IMPRESSORA DEMONSTRACAO', :P_IDMODEIMPRES))mssql";
const char* const kSqlInsImprLoja =
    R"mssql(INSERT INTO IMPRLOJA (CDFILIAL, CDLOJA, NRSEQIMPRLOJA, CDIMPRESSORA, CDPORTAIMPR) VALUES (:P_CDFILIAL, :P_CDLOJA, '1', 'DEMO', :P_CDPORTAIMPR))mssql";
const char* const kSqlInsCaixa =
    R"mssql(INSERT INTO CAIXA (CDFILIAL, CDCAIXA, CDLOJA, NMCAIXA, IDTPEMISSAOVYR, IDIMPAUTCUPEXP, NRSEQIMPRLOJA6) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_CDLOJA, 'CAIXA DEMONSTRACAO', :P_IDTPEMISSAOVYR, 'S', '1'))mssql";

// The demo's IBPT table of the branch's state, made by the project for the demo's products.
void LoadIbpt(const DemoStoreOptions& o) {
  const std::string file = o.dir + "/Dados/TabelaIBPTaxSP26.1.DEMO.csv";
  std::ofstream(file, std::ios::binary) << DemoIbptCsv();
  ImportIbpt(o.dir, file);
}

void InsertRegister(const DemoStoreOptions& o) {
  ado::TADOConnection connection;
  connection.ConnectionString = "sqlite:" + o.dir + "/Dados/Loja.db";
  const ado::Binding filial{"P_CDFILIAL", o.filial}, loja{"P_CDLOJA", o.loja};
  ado::RunCommand(connection, nullptr, kSqlInsFilial, {filial});
  ado::RunCommand(connection, nullptr, kSqlInsLoja, {filial, loja});
  ado::RunCommand(connection, nullptr, kSqlInsParaVend, {filial});
  ado::RunCommand(connection, nullptr, kSqlInsImpressora, {{"P_IDMODEIMPRES", o.modelo}});
  ado::RunCommand(connection, nullptr, kSqlInsImprLoja, {filial, loja, {"P_CDPORTAIMPR", o.porta}});
  ado::RunCommand(connection, nullptr, kSqlInsCaixa,
                  {filial, {"P_CDCAIXA", o.caixa}, loja, {"P_IDTPEMISSAOVYR", o.emissao}});
  InsertDemoFiscalData(connection, o);
  InsertDemoOrders(connection, o);
}

// Saves a one-row table with the given fields; `fill` sets the row's values.
template <typename Fill>
void SaveTable(const std::string& path, std::vector<rtl::FieldDef> fields, Fill fill) {
  rtl::TClientDataSet table;
  table.DeclareFields(std::move(fields));
  table.CreateDataSet();
  table.Append();
  fill(table);
  table.Post();
  table.SaveToFile(path);
}

void WriteLocalTables(const DemoStoreOptions& o) {
  const std::string folder = o.dir + "/Dados/Cadastros/";
  std::filesystem::create_directories(folder);
  SaveTable(folder + "ConfTipoRece.cds", Cli_Qam00417::ConfTipoReceFields(),
            [&](rtl::TClientDataSet& t) {
              t.FieldByName("CDFILIAL").SetAsString(o.filial);
              t.FieldByName("CDTIPORECE").SetAsString("001");
              t.FieldByName("NMTIPORECE").SetAsString("DINHEIRO");
              t.FieldByName("IDTIPORECE").SetAsString("1");
              t.FieldByName("CDFPIMPFIS").SetAsString("01");
              t.Post();
              t.Append();
              t.FieldByName("CDFILIAL").SetAsString(o.filial);
              t.FieldByName("CDTIPORECE").SetAsString("009");
              t.FieldByName("NMTIPORECE").SetAsString("CONTA CONSUMIDOR");
              t.FieldByName("IDTIPORECE").SetAsString("9");
              t.FieldByName("CDFPIMPFIS").SetAsString("05");
            });
  SaveTable(
      folder + "DataMovimento.cds", {{"DATAMOVIMENTO", rtl::FieldType::DateTime}},
      [](rtl::TClientDataSet& t) { t.FieldByName("DATAMOVIMENTO").SetAsDateTime(rtl::Date()); });
  SaveTable(folder + "AberturaCaixa.cds", {{"CDATIVACAOSAT", rtl::FieldType::String, 60}},
            [&](rtl::TClientDataSet& t) {
              t.FieldByName("CDATIVACAOSAT")
                  .SetAsString(VyrUtil::Cripto(o.cd_ativacao_sat, VyrUtil::kChaveAtivacaoSat));
            });
}

}  // namespace

void CreateDemoStore(const DemoStoreOptions& given) {
  DemoStoreOptions options = given;
  if (options.biblioteca_sat.empty()) {
    options.biblioteca_sat =
        (std::filesystem::path(DefaultModulePath()).parent_path() / "libVyrSatEmulador.so")
            .string();
  }
  InitStore(options.dir, options.force);
  InsertRegister(options);
  WriteLocalTables(options);
  LoadIbpt(options);
  if (!options.esquemas.empty()) {
    const std::string target = options.dir + "/Dados/Schemas/nfe-4.00";
    std::filesystem::create_directories(target);
    std::filesystem::copy(options.esquemas, target,
                          std::filesystem::copy_options::overwrite_existing |
                              std::filesystem::copy_options::recursive);
  }
  WriteRegisterSettings(options.dir, options.filial, options.caixa, options.loja);
}

}  // namespace hostagent
