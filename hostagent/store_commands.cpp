#include "hostagent/store_commands.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <stdexcept>

#include "db/statement_kit.h"
#include "fiscal/nfce/official_schemas.h"
#include "fiscal/taxes/ibpt_import.h"
#include "hostagent/exit_codes.h"
#include "hostagent/host_records.h"
#include "hostagent/register_lock.h"
#include "hostagent/run_summary.h"
#include "rtl/datetime.h"
#include "rtl/program_dir.h"
#include "schema/store_schema.h"
#include "schema/store_upgrade.h"
#include "vyrutil/connection_setup.h"

namespace hostagent {

namespace fs = std::filesystem;

namespace {

const char* const kSelTabIbpt =
    R"mssql(SELECT MIN(NRVERSAOIBPT) AS NRVERSAOIBPT, MIN(DTINIVIGIBPT) AS DTINIVIGIBPT, MAX(DTFIMVIGIBPT) AS DTFIMVIGIBPT FROM TABIBPT WHERE SGESTADO = :P_SGESTADO)mssql";

const std::string kSqlite = "sqlite:";

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : ", ") + line;
  return text;
}

// Appends `message` to today's log as the worker writes it; a log that cannot be written is
// left to the worker, which reports it.
void AppendToTodaysLog(const std::string& message) {
  const std::string path = TodaysLogPath();
  std::error_code ignored;
  fs::create_directories(fs::path(path).parent_path(), ignored);
  std::ofstream(path, std::ios::binary | std::ios::app)
      << rtl::DateTimeToStr(rtl::Now()) << " - " << message << "\r\n";
}

// The official NF-e schemas the register's notes are checked against: public files of fixed
// content, built into the program, so no installation waits for someone to copy them.
int InstallSchemas(const std::string& dir) {
  return VyrFiscal::Nfce::InstalaEsquemasOficiais(dir + "/Dados/Schemas/nfe-4.00");
}

}  // namespace

void InitStore(const std::string& dir, bool force) {
  if (dir.empty()) throw std::invalid_argument("--dir vazio: informe a pasta do programa");
  const fs::path db = fs::path(dir) / "Dados" / "Loja.db";
  if (fs::exists(db)) {
    if (!force) {
      throw std::runtime_error("o banco " + db.string() + " ja existe (use --force)");
    }
    RefuseIfAnyRegisterLocked(dir);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(db.string() + suffix);
  }
  VyrSchema::CreateSqliteStore(db.string());
  InstallSchemas(dir);
}

IbptImport ImportIbpt(const std::string& dir, const std::string& file) {
  // SQLite would make an empty database where the store is missing.
  const std::string conexao = StoreConnection(dir);
  ado::TADOConnection connection;
  connection.ConnectionString = conexao;
  connection.AfterConnect = [](ado::TADOConnection& sender) { VyrUtil::SetADODBSession(sender); };
  IbptImport loaded;
  loaded.uf = VyrFiscal::UfDoArquivoIbpt(file);
  loaded.linhas = VyrFiscal::ImportaTabelaIbpt(connection, file, loaded.uf);
  ado::ReadFirstRow(
      connection, "adqTabIbpt", kSelTabIbpt, {ado::TextParam("P_SGESTADO", 2)},
      {{"P_SGESTADO", loaded.uf}}, [&loaded](ado::TADOQuery& query) {
        loaded.versao = query.FieldByName("NRVERSAOIBPT").AsString();
        loaded.inicio = rtl::DateTimeToStr(query.FieldByName("DTINIVIGIBPT").AsDateTime());
        loaded.fim = rtl::DateTimeToStr(query.FieldByName("DTFIMVIGIBPT").AsDateTime());
      });
  return loaded;
}

int UpgradeStore(const std::string& dir, std::ostream& out) {
  const std::string conexao = StoreConnection(dir);
  if (conexao.compare(0, kSqlite.size(), kSqlite) != 0) {
    throw std::runtime_error(
        "upgrade-store atualiza o banco SQLite; para SQL Server execute o script que "
        "'hostagent upgrade-store --sqlserver-script' escreve");
  }
  const std::string db = conexao.substr(kSqlite.size());
  const VyrSchema::StoreSchemaState state = VyrSchema::UpgradeSqliteStore(db);
  const int schemas = InstallSchemas(dir);
  if (schemas > 0) out << "Esquemas XML da NF-e instalados: " << schemas << "\n";
  for (const std::string& line : state.added) out << "Adicionado: " << line << "\n";
  for (const std::string& line : state.recreated) {
    out << "Recriado: " << line << " (a definicao era outra)\n";
  }
  for (const std::string& line : state.left_as_is) {
    out << "Mantido como esta: " << line
        << " NOT NULL (o esquema atual aceita NULL; no SQLite so reconstruindo a tabela)\n";
  }
  for (const VyrSchema::DuplicatedBill& bill : state.duplicates) {
    out << "Comanda com mais de uma venda ativa: filial " << bill.cdfilial << ", NRVENDAREST "
        << bill.nrvendarest << ", NRCOMANDAVND " << bill.nrcomandavnd
        << "; vendas (NRSEQVENDA/CDCAIXA): " << Joined(bill.vendas) << "\n";
  }
  if (!state.duplicates.empty()) {
    out << "Indice " << VyrSchema::kBillSaleIndex
        << " nao criado: ate o suporte resolver as comandas acima, nada impede uma segunda venda "
           "para a mesma comanda. Cancele todas as vendas de cada comanda menos uma, pelo "
           "procedimento normal da retaguarda, e execute upgrade-store de novo.\n"
        << "Banco " << db << (state.Current() ? " ja esta no esquema atual" : " atualizado")
        << ", exceto o indice " << VyrSchema::kBillSaleIndex << "\n";
    return kExitOldSchema;
  }
  out << "Banco " << db << (state.Current() ? " ja esta no esquema atual\n" : " atualizado\n");
  return kExitOk;
}

int CheckStoreSchema(const std::string& dir, std::ostream& out, std::ostream& err) {
  const std::string conexao = VyrUtil::GetStringConexVyr("");
  if (conexao.compare(0, kSqlite.size(), kSqlite) != 0) return kExitOk;  // run upgrade's script
  const std::string db = conexao.substr(kSqlite.size());
  VyrSchema::StoreSchemaState state;
  try {
    state = VyrSchema::CheckSqliteStore(db);
  } catch (const std::runtime_error& e) {
    out << "Esquema do banco nao verificado: " << e.what() << "\n";
    return kExitOk;
  }
  if (!state.Current()) {
    err << "hostagent: o banco " << db << " nao esta no esquema atual;";
    if (!state.added.empty()) err << " falta: " << Joined(state.added) << ";";
    if (!state.recreated.empty()) err << " com outra definicao: " << Joined(state.recreated) << ";";
    err << " atualize-o com 'hostagent upgrade-store --dir " << dir
        << "' (os dados sao mantidos) e inicie de novo\n";
    return kExitOldSchema;
  }
  if (!state.duplicates.empty()) {
    const std::string warning =
        std::string("AVISO: indice ") + VyrSchema::kBillSaleIndex + " ausente no banco " + db +
        ": " + std::to_string(state.duplicates.size()) +
        " comanda(s) com mais de uma venda ativa; nada impede uma segunda venda para a mesma "
        "comanda ate o suporte resolve-las ('hostagent upgrade-store --dir " +
        dir + "' lista as vendas)";
    AppendToTodaysLog(warning);
    out << warning << "\n";
  }
  return kExitOk;
}

}  // namespace hostagent
