#include "hostagent/run_summary.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>

#include "db/connection.h"
#include "db/query.h"
#include "rtl/datetime.h"
#include "rtl/program_dir.h"
#include "vyrutil/connection_setup.h"
#include "worker/log_file_name.h"

namespace hostagent {

namespace {

// How long a count waits for a store locked by another program.
constexpr int kEsperaContagemSegundos = 1;

const char* const kSqlContaComandas =
    R"mssql(SELECT COUNT(*) AS QTCOMANDAS FROM COMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND CDLOJA = :P_CDLOJA AND IDIMPCUPEXP = :P_IDIMPCUPEXP)mssql";

// A register's closed bills are the sales it recorded for them; another register's sale of a
// bill this one only marked is that register's.
const char* const kSqlContaVendas =
    R"mssql(SELECT COUNT(*) AS QTVENDAS FROM VENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDSITUVENDA = 'A' AND NRCOMANDAVND IS NOT NULL)mssql";

int CountBills(ado::TADOQuery& query, const std::string& idimpcupexp) {
  query.Close();
  query.ParamByName("P_IDIMPCUPEXP").SetAsString(idimpcupexp);
  query.Open();
  return static_cast<int>(query.FieldByName("QTCOMANDAS").AsInteger());
}

struct LogCounts {
  std::set<std::string> seen;  // the orders a closing began for, each once however often retried
  int failed = 0;
};

// Counts the lines written after `offset`; a log that shrank or changed file counts whole.
LogCounts CountLogLines(const std::string& path, std::uintmax_t offset) {
  LogCounts counts;
  std::ifstream in(path, std::ios::binary);
  in.seekg(0, std::ios::end);
  if (static_cast<std::uintmax_t>(in.tellg()) < offset) offset = 0;
  in.seekg(static_cast<std::streamoff>(offset));
  std::string line;
  while (std::getline(in, line)) {
    const size_t ini = line.find(" - INI-FechaContaNormal(");
    if (ini != std::string::npos) {
      const size_t from = ini + sizeof(" - INI-FechaContaNormal(") - 1;
      counts.seen.insert(line.substr(from, line.find(')', from) - from));
    }
    if (line.find(" - Qam00417 - Funcao:") != std::string::npos ||
        line.find(" - Except FechaContaNormal") != std::string::npos) {
      ++counts.failed;
    }
  }
  return counts;
}

std::string Known(int value) {
  return value < 0 ? "?" : std::to_string(value);
}

}  // namespace

std::string TodaysLogPath(const std::string& sufixo) {
  const rtl::DateTimeParts today = rtl::DecodeDateTime(rtl::Now());
  char name[32];
  std::snprintf(name, sizeof name, "LogImpExpKDS%02d%02d", today.day, today.month);
  return rtl::ProgramDirectory() + "/Dados/LogImpExpKDS/LogImpExpKDS" + std::to_string(today.year) +
         "/" + name + sufixo + ".txt";
}

RunSnapshot TakeSnapshot(const std::string& cdfilial, const std::string& cdloja,
                         const std::string& cdcaixa) {
  RunSnapshot snapshot;
  snapshot.log_path = TodaysLogPath(
      Cli_Qam00417::SufixoLogDoCaixa(rtl::ProgramDirectory(), cdfilial, cdcaixa, cdloja));
  std::error_code ignored;
  const std::uintmax_t size = std::filesystem::file_size(snapshot.log_path, ignored);
  snapshot.log_size = ignored ? 0 : size;
  ado::TADOConnection connection;
  try {
    // Without the module's session set-up: two counts need neither its foreign keys nor its
    // journal mode, and switching the journal mode waits for a locked store without limit.
    connection.ConnectionString = VyrUtil::GetStringConexVyr("");
    ado::TADOQuery query;
    query.Setup(connection, kSqlContaComandas, {{"P_CDFILIAL"}, {"P_CDLOJA"}, {"P_IDIMPCUPEXP"}});
    query.CommandTimeout = kEsperaContagemSegundos;
    query.ParamByName("P_CDFILIAL").SetAsString(cdfilial);
    query.ParamByName("P_CDLOJA").SetAsString(cdloja);
    snapshot.pending = CountBills(query, "2");
    ado::TADOQuery sales;
    sales.Setup(connection, kSqlContaVendas, {{"P_CDFILIAL"}, {"P_CDCAIXA"}});
    sales.CommandTimeout = kEsperaContagemSegundos;
    sales.ParamByName("P_CDFILIAL").SetAsString(cdfilial);
    sales.ParamByName("P_CDCAIXA").SetAsString(cdcaixa);
    sales.Open();
    snapshot.closed = static_cast<int>(sales.FieldByName("QTVENDAS").AsInteger());
  } catch (const std::exception& e) {
    snapshot.error = VyrUtil::ADOExceptionMessage(e, connection, "");
  }
  return snapshot;
}

void PrintSummary(std::ostream& out, const RunSnapshot& start, const RunSnapshot& end,
                  const std::string& log_cause) {
  const LogCounts log =
      CountLogLines(end.log_path, end.log_path == start.log_path ? start.log_size : 0);
  const int closed = start.closed < 0 || end.closed < 0 ? -1 : end.closed - start.closed;
  out << "Pedidos vistos:     " << log.seen.size() << "\n"
      << "Pedidos fechados:   " << Known(closed) << "\n"
      << "Falhas registradas: " << log.failed << "\n"
      << "Pedidos pendentes:  " << Known(end.pending) << "\n";
  if (!end.error.empty()) out << "Banco de dados:     " << end.error << "\n";
  out << "Log:                " << end.log_path;
  if (!std::filesystem::exists(end.log_path)) {
    out << " (nao gravado" << (log_cause.empty() ? "" : ": " + log_cause) << ")";
  }
  out << "\n";
}

}  // namespace hostagent
