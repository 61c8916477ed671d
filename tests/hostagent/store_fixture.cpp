#include "hostagent/store_fixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "fiscal/nfce/note_store.h"
#include "packages/fiscal/nfce_test_support.h"
#include "vyrutil/crypto.h"

namespace hosttest {

namespace fs = std::filesystem;

namespace {

constexpr int kEsperaMs = 10000;

sqlite3* Open(const std::string& db, int flags) {
  sqlite3* handle = nullptr;
  if (sqlite3_open_v2(db.c_str(), &handle, flags, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(handle, kEsperaMs);
  }
  return handle;
}

}  // namespace

std::string StoreOf(const std::string& dir) {
  return dir + "/Dados/Loja.db";
}

std::string Scalar(const std::string& db, const std::string& sql, const vyrtest::SqlArgs& args) {
  sqlite3* handle = Open(db, SQLITE_OPEN_READONLY);
  sqlite3_stmt* stmt = nullptr;
  std::string value = "-";
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    for (size_t i = 0; i < args.size(); ++i) args[i].Bind(stmt, static_cast<int>(i + 1));
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      value = text != nullptr ? reinterpret_cast<const char*>(text) : "NULL";
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(handle);
  return value;
}

std::string Exec(const std::string& db, const std::string& sql, const vyrtest::SqlArgs& args) {
  sqlite3* handle = Open(db, SQLITE_OPEN_READWRITE);
  sqlite3_stmt* stmt = nullptr;
  bool done = false;
  if (args.empty()) {
    done = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  } else if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    for (size_t i = 0; i < args.size(); ++i) args[i].Bind(stmt, static_cast<int>(i + 1));
    done = sqlite3_step(stmt) == SQLITE_DONE;
  }
  const std::string changed = done ? std::to_string(sqlite3_changes(handle)) : "(erro)";
  if (!done) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(handle);
  sqlite3_finalize(stmt);
  sqlite3_close(handle);
  return changed;
}

Result MakeDemoStore(const std::string& dir, const std::vector<std::string>& options,
                     const std::string& work_dir) {
  std::vector<std::string> args{"demo-store", "--dir", dir};
  args.insert(args.end(), options.begin(), options.end());
  const Result made = RunHost(args, work_dir);
  EXPECT_EQ(0, made.exit_code) << made.err;
  return made;
}

Result RunUntilIdle(const std::string& dir, const std::string& work_dir,
                    const std::vector<std::string>& more) {
  std::vector<std::string> args{"run", "--dir", dir, "--until-idle", "--max-seconds", "60"};
  args.insert(args.end(), more.begin(), more.end());
  return RunHost(args, work_dir);
}

std::string LogOf(const std::string& dir) {
  std::string text;
  std::error_code ignored;
  for (const auto& year : fs::directory_iterator(dir + "/Dados/LogImpExpKDS", ignored)) {
    if (!year.is_directory() || year.path().filename() == "Caixas") continue;
    for (const auto& day : fs::directory_iterator(year.path())) text += ReadFile(day.path());
  }
  return text;
}

std::string LineOf(const std::string& text, const std::string& part) {
  const size_t at = text.find(part);
  if (at == std::string::npos) return "(nenhuma linha com " + part + ")";
  const size_t start = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
  std::string line = text.substr(start, text.find('\n', at) - start);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const size_t stamp = line.find(" - ");
  return stamp != std::string::npos && stamp < line.find(part) ? line.substr(stamp + 3) : line;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = what.empty() ? std::string::npos : text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

void PointAtAuthority(const std::string& dir, const vyrtest::TestCertificate& certificate,
                      const std::string& url, const std::string& ca_bundle, int seconds) {
  nfcetest::InstallSchemas(dir);
  Exec(StoreOf(dir),
       "UPDATE CAIXAFISCAL SET IDCSCNFCE = '1', CDCSCNFCE = 'CSC-DE-TESTE', DSARQCERTIF = ?, "
       "DSSENHACERTIF = ?, IDMODOAUTORIZ = NULL, DSURLWSNFCE = ?, DSARQCADEIAWS = ?, "
       "QTSEGWSNFCE = ?",
       {certificate.pfx_path, VyrUtil::Cripto("senha-a1", VyrFiscal::Nfce::kChaveSenhaCertificado),
        url, ca_bundle, seconds});
}

}  // namespace hosttest
