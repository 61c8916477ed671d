// Cost of running a statement again: prepared once and rebound, against prepared every time,
// on SQLite directly and through the SQLite3 ODBC driver.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "db/command.h"
#include "db/connection.h"
#include "db/query.h"

namespace {

constexpr int kRows = 1000;

class Store {
 public:
  explicit Store(bool odbc) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vyr-db-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    const std::string path = folder_ + "/store.db";
    std::ofstream(path).close();
    connection.ConnectionString =
        odbc ? std::string("odbc:DRIVER=") + VYR_SQLITE_ODBC_DRIVER + ";Database=" + path
             : "sqlite:" + path;
    connection.ExecuteDirect("CREATE TABLE T (K INTEGER PRIMARY KEY, A VARCHAR(20))");
    connection.BeginTrans();
    ado::TADOCommand insert;
    insert.Setup(connection, "INSERT INTO T (K, A) VALUES (:P_K, :P_A)",
                 {{"P_K", ado::ParamType::Integer}, {"P_A"}});
    for (int k = 0; k < kRows; ++k) {
      insert.ParamByName("P_K").SetValue(k);
      insert.ParamByName("P_A").SetAsString("row " + std::to_string(k));
      insert.Execute();
    }
    connection.CommitTrans();
  }
  ~Store() {
    connection.Close();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  ado::TADOConnection connection;

 private:
  std::string folder_;
};

const char* const kLookup = "SELECT A FROM T WHERE K = :P_K";

void Lookup(benchmark::State& state, bool odbc, bool prepare_each_time) {
  Store store(odbc);
  ado::TADOQuery query;
  query.Setup(store.connection, kLookup, {{"P_K", ado::ParamType::Integer}});
  int k = 0;
  for (auto _ : state) {
    // Setting the statement up again drops the prepared statement, as a naive layer would.
    if (prepare_each_time)
      query.Setup(store.connection, kLookup, {{"P_K", ado::ParamType::Integer}});
    query.Close();
    query.ParamByName("P_K").SetValue(k++ % kRows);
    query.Open();
    benchmark::DoNotOptimize(query.FieldByName("A").AsString());
  }
}

BENCHMARK_CAPTURE(Lookup, SqlitePreparedOnce, false, false);
BENCHMARK_CAPTURE(Lookup, SqlitePreparedEachTime, false, true);
BENCHMARK_CAPTURE(Lookup, OdbcPreparedOnce, true, false);
BENCHMARK_CAPTURE(Lookup, OdbcPreparedEachTime, true, true);

}  // namespace

BENCHMARK_MAIN();
