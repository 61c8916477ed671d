#include <filesystem>

#include "datamodule/conf_tipo_rece_fields.h"
#include "db/command.h"
#include "db/connection.h"
#include "hostagent/demo_orders.h"
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

// Runs one insert with the demo's values bound to whichever parameters it declares.
void Insert(ado::TADOConnection& connection, const char* sql, const DemoStoreOptions& o,
            std::vector<ado::ParamDecl> params) {
  ado::TADOCommand command;
  command.Setup(connection, sql, params);
  const std::pair<const char*, const std::string*> values[] = {
      {"P_CDFILIAL", &o.filial},     {"P_CDLOJA", &o.loja},       {"P_CDCAIXA", &o.caixa},
      {"P_IDMODEIMPRES", &o.modelo}, {"P_CDPORTAIMPR", &o.porta}, {"P_IDTPEMISSAOVYR", &o.emissao}};
  for (const auto& [name, value] : values) {
    if (command.Parameters().FindParam(name) != nullptr) {
      command.ParamByName(name).SetAsString(*value);
    }
  }
  command.Execute();
}

void InsertRegister(const DemoStoreOptions& o) {
  ado::TADOConnection connection;
  connection.ConnectionString = "sqlite:" + o.dir + "/Dados/Loja.db";
  Insert(connection, kSqlInsFilial, o, {{"P_CDFILIAL"}});
  Insert(connection, kSqlInsLoja, o, {{"P_CDFILIAL"}, {"P_CDLOJA"}});
  Insert(connection, kSqlInsParaVend, o, {{"P_CDFILIAL"}});
  Insert(connection, kSqlInsImpressora, o, {{"P_IDMODEIMPRES"}});
  Insert(connection, kSqlInsImprLoja, o, {{"P_CDFILIAL"}, {"P_CDLOJA"}, {"P_CDPORTAIMPR"}});
  Insert(connection, kSqlInsCaixa, o,
         {{"P_CDFILIAL"}, {"P_CDCAIXA"}, {"P_CDLOJA"}, {"P_IDTPEMISSAOVYR"}});
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

void CreateDemoStore(const DemoStoreOptions& options) {
  InitStore(options.dir, options.force);
  InsertRegister(options);
  WriteLocalTables(options);
}

}  // namespace hostagent
