#include "hostagent/store_commands.h"

#include <filesystem>
#include <stdexcept>

#include "db/statement_kit.h"
#include "fiscal/taxes/ibpt_import.h"
#include "hostagent/host_records.h"
#include "hostagent/register_lock.h"
#include "rtl/datetime.h"
#include "rtl/program_dir.h"
#include "schema/store_schema.h"
#include "vyrutil/connection_setup.h"

namespace hostagent {

namespace fs = std::filesystem;

namespace {

const char* const kSelTabIbpt =
    R"mssql(SELECT MIN(NRVERSAOIBPT) AS NRVERSAOIBPT, MIN(DTINIVIGIBPT) AS DTINIVIGIBPT, MAX(DTFIMVIGIBPT) AS DTFIMVIGIBPT FROM TABIBPT WHERE SGESTADO = :P_SGESTADO)mssql";

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

}  // namespace hostagent
