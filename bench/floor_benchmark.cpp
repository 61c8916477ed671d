// Closing 1,000 pending orders (3 items, 2 payments each) on an NFC-e register with the simulated
// authoriser, against its floor: in the same run, the same SQL statements replayed on a copy of
// the store as it was before the closing, each prepared once, and the same log, XML and receipt
// writes, with no module logic in between.
//
// Usage: floor_benchmark [ORDERS] [--per-connection]   (1000 orders without argument)
// The floor runs every statement on one connection; --per-connection runs each on a connection
// of its own for each connection of the closing (the module and the packages each keep theirs,
// and a commit on one makes the others read the changed pages again).
// The statements are recorded as the closing runs them (a trace on every SQLite connection of
// the process), each with its text as prepared and its bound values; the files are those the
// closing wrote or extended. Prints orders per second of both and their ratio.

#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench_store.h"
#include "fiscal/nfce/note_store.h"
#include "issuing_register.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace fs = std::filesystem;

namespace {

// One statement run as the closing ran it: its text as prepared and its expanded form.
struct Traced {
  std::string sql;
  std::string expanded;
  sqlite3* db;
};

bool g_recording = false;
sqlite3* g_bench_db = nullptr;
std::vector<Traced> g_traced;

int OnTrace(unsigned type, void*, void* p, void*) {
  if (type != SQLITE_TRACE_STMT || !g_recording) return 0;
  auto* stmt = static_cast<sqlite3_stmt*>(p);
  if (sqlite3_db_handle(stmt) == g_bench_db) return 0;
  char* expanded = sqlite3_expanded_sql(stmt);
  g_traced.push_back({sqlite3_sql(stmt), expanded ? expanded : "", sqlite3_db_handle(stmt)});
  sqlite3_free(expanded);
  return 0;
}

int TraceConnection(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, OnTrace, nullptr);
  return SQLITE_OK;
}

// A bound value as the expanded text shows it.
struct Value {
  enum Kind { kNull, kInteger, kReal, kText } kind = kNull;
  long long integer = 0;
  double real = 0;
  std::string text;
};

// Reads the literal at `at` of an expanded text: NULL, a number or a quoted text.
Value ReadLiteral(const std::string& s, size_t& at) {
  Value v;
  if (s.compare(at, 4, "NULL") == 0) {
    at += 4;
    return v;
  }
  if (s[at] == '\'') {
    v.kind = Value::kText;
    for (++at; at < s.size(); ++at) {
      if (s[at] == '\'') {
        if (at + 1 < s.size() && s[at + 1] == '\'') {
          v.text += '\'';
          ++at;
        } else {
          ++at;
          break;
        }
      } else {
        v.text += s[at];
      }
    }
    return v;
  }
  const size_t start = at;
  bool real = false;
  if (s[at] == '-') ++at;
  while (at < s.size() &&
         (std::isdigit(static_cast<unsigned char>(s[at])) || s[at] == '.' || s[at] == 'e' ||
          s[at] == 'E' ||
          ((s[at] == '+' || s[at] == '-') && (s[at - 1] == 'e' || s[at - 1] == 'E')))) {
    if (!std::isdigit(static_cast<unsigned char>(s[at]))) real = true;
    ++at;
  }
  const std::string number = s.substr(start, at - start);
  if (real) {
    v.kind = Value::kReal;
    v.real = std::strtod(number.c_str(), nullptr);
  } else {
    v.kind = Value::kInteger;
    v.integer = std::strtoll(number.c_str(), nullptr, 10);
  }
  return v;
}

bool NameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The values of the placeholders of `sql` (in order of appearance, with the name of each, "" for
// a bare '?'), read from the expanded text.
std::vector<std::pair<std::string, Value>> Values(const std::string& sql,
                                                  const std::string& expanded) {
  std::vector<std::pair<std::string, Value>> values;
  size_t i = 0, j = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'') {  // a literal of the text: copied alike in both
      size_t end = sql.find('\'', i + 1);
      while (end != std::string::npos && end + 1 < sql.size() && sql[end + 1] == '\'') {
        end = sql.find('\'', end + 2);
      }
      const size_t length = end - i + 1;
      i += length;
      j += length;
    } else if (c == '?' || ((c == ':' || c == '@' || c == '$') && i + 1 < sql.size() &&
                            NameChar(sql[i + 1]) && (i == 0 || sql[i - 1] != ':'))) {
      size_t end = i + 1;
      while (end < sql.size() && NameChar(sql[end])) ++end;
      const std::string name = c == '?' ? "" : sql.substr(i, end - i);
      i = end;
      values.emplace_back(name, ReadLiteral(expanded, j));
    } else {
      ++i;
      ++j;
    }
  }
  return values;
}

// The floor's statements: each distinct text prepared once per connection on the copy of the
// store.
class Replay {
 public:
  // `one_connection`: every statement on one connection; otherwise each on a connection of its
  // own matching the closing's connection that ran it.
  Replay(const std::string& path, bool one_connection)
      : path_(path), one_connection_(one_connection) {}
  ~Replay() {
    for (auto& [key, stmt] : prepared_) sqlite3_finalize(stmt);
    for (auto& [original, db] : connections_) sqlite3_close(db);
  }

  struct Step {
    sqlite3_stmt* stmt;
    std::vector<std::pair<int, Value>> values;
  };

  // Prepares (once per connection and text) and reads the values, outside the timed part.
  Step Prepare(const Traced& traced) {
    sqlite3* db = Connection(one_connection_ ? nullptr : traced.db);
    sqlite3_stmt*& stmt = prepared_[{db, traced.sql}];
    if (stmt == nullptr &&
        sqlite3_prepare_v2(db, traced.sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string(sqlite3_errmsg(db)) + ": " + traced.sql);
    }
    Step step{stmt, {}};
    int position = 0;
    for (auto& [name, value] : Values(traced.sql, traced.expanded)) {
      ++position;
      const int index = name.empty() ? position : sqlite3_bind_parameter_index(stmt, name.c_str());
      step.values.emplace_back(index, std::move(value));
    }
    return step;
  }

  size_t Connections() const { return connections_.size(); }

  static void Run(const Step& step) {
    sqlite3_stmt* stmt = step.stmt;
    Bind(step);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) sqlite3_column_text(stmt, c);
    }
    if (rc != SQLITE_DONE) {
      std::fprintf(stderr, "floor: %s: %s\n", sqlite3_errmsg(sqlite3_db_handle(stmt)),
                   sqlite3_sql(stmt));
    }
    sqlite3_reset(stmt);
  }

  // What recording the statement cost the closing: the trace's expansion and copy, without
  // running it.
  static Traced Record(const Step& step) {
    Bind(step);
    char* expanded = sqlite3_expanded_sql(step.stmt);
    Traced traced{sqlite3_sql(step.stmt), expanded ? expanded : "", sqlite3_db_handle(step.stmt)};
    sqlite3_free(expanded);
    sqlite3_clear_bindings(step.stmt);
    return traced;
  }

 private:
  static void Bind(const Step& step) {
    sqlite3_stmt* stmt = step.stmt;
    for (const auto& [index, v] : step.values) {
      switch (v.kind) {
        case Value::kNull:
          sqlite3_bind_null(stmt, index);
          break;
        case Value::kInteger:
          sqlite3_bind_int64(stmt, index, v.integer);
          break;
        case Value::kReal:
          sqlite3_bind_double(stmt, index, v.real);
          break;
        case Value::kText:
          sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()),
                            SQLITE_STATIC);
          break;
      }
    }
  }

  sqlite3* Connection(sqlite3* original) {
    sqlite3*& db = connections_[original];
    if (db == nullptr) {
      if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        throw std::runtime_error("cannot open " + path_);
      }
      // The session the module sets up on every connection (the journal mode is the file's):
      // the statements check their foreign keys there, so they do here too.
      sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    }
    return db;
  }

  const std::string path_;
  const bool one_connection_;
  std::map<sqlite3*, sqlite3*> connections_;
  std::map<std::pair<sqlite3*, std::string>, sqlite3_stmt*> prepared_;
};

// Sizes of the files under `dir` but the store's own.
std::map<std::string, uintmax_t> Files(const std::string& dir) {
  std::map<std::string, uintmax_t> sizes;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().string();
    if (path.find("Loja.db") != std::string::npos || path.find(".lock") != std::string::npos) {
      continue;
    }
    sizes[fs::relative(entry.path(), dir).string()] = entry.file_size();
  }
  return sizes;
}

std::string ReadFrom(const std::string& path, uintmax_t offset) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Write(const std::string& path, const char* mode, const std::string& data) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) throw std::runtime_error("cannot open " + path);
  std::fwrite(data.data(), 1, data.size(), file);
  std::fclose(file);
}

// The process's user and system CPU seconds so far.
struct CpuSplit {
  double user = 0;
  double system = 0;
};

CpuSplit CpuNow() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return {static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6,
          static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6};
}

// One write of the closing: a new file, or an append to a file (the log: one per line).
struct FileWrite {
  std::string path;
  bool append;
  std::string data;
};

}  // namespace

int main(int argc, char** argv) {
  int orders = 1000;
  bool one_connection = true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--per-connection") {
      one_connection = false;
    } else {
      orders = std::atoi(argv[i]);
    }
  }
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(TraceConnection));

  bench::Store store;
  g_bench_db = store.store.Handle();
  const std::string dir = store.store.Dir();
  vyrtest::TempDir certificate_dir("vyr_bench_cert");
  const vyrtest::TestCertificate certificate = vyrtest::MakeTestCertificate(certificate_dir.Path());
  bench::MakeIssuingRegister(store, certificate);

  // A first pass connects, prepares and loads the certificate.
  store.AddPendingOrders(1, 10);
  store.Pass();
  store.AddPendingOrders(11, orders);

  // The floor's store: the store as it is before the closing.
  const std::string floor_dir = dir + "/floor";
  fs::create_directories(floor_dir);
  {
    sqlite3* copy = nullptr;
    sqlite3_open((floor_dir + "/Loja.db").c_str(), &copy);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", g_bench_db, "main");
    sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    sqlite3_exec(copy, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_close(copy);
  }
  const std::map<std::string, uintmax_t> before = Files(dir);

  g_recording = true;
  const double start = bench::Seconds();
  const double cpu_start = bench::CpuSeconds();
  const CpuSplit split_start = CpuNow();
  store.Pass();
  const CpuSplit split_end = CpuNow();
  const double closing_cpu = bench::CpuSeconds() - cpu_start;
  const double closing = bench::Seconds() - start;
  g_recording = false;
  if (store.Pending() != 0) {
    std::printf("%d orders left pending\n", store.Pending());
    return 1;
  }
  const int authorised =
      std::atoi(store.store
                    .Scalar("SELECT COUNT(*) FROM NFCEVENDA WHERE IDSITUNFCE = ?",
                            {VyrFiscal::Nfce::kSituacaoAutorizada})
                    .c_str());

  // What the closing wrote, to be written again under the floor's folder.
  std::vector<FileWrite> writes;
  for (const auto& [name, size] : Files(dir)) {
    if (name.rfind("floor/", 0) == 0) continue;
    const auto old = before.find(name);
    const uintmax_t from = old == before.end() ? 0 : old->second;
    if (old != before.end() && size == from) continue;
    const std::string target = floor_dir + "/" + name;
    fs::create_directories(fs::path(target).parent_path());
    const std::string data = ReadFrom(dir + "/" + name, from);
    if (name.find("LogImpExpKDS") != std::string::npos) {
      for (size_t at = 0; at < data.size();) {
        const size_t end = data.find("\r\n", at);
        const size_t next = end == std::string::npos ? data.size() : end + 2;
        writes.push_back({target, true, data.substr(at, next - at)});
        at = next;
      }
    } else if (old != before.end()) {  // a file the closing extends: one append per order
      const size_t chunk = data.size() / orders + 1;
      for (size_t at = 0; at < data.size(); at += chunk) {
        writes.push_back({target, true, data.substr(at, chunk)});
      }
    } else {
      writes.push_back({target, false, data});
    }
  }

  Replay replay(floor_dir + "/Loja.db", one_connection);
  std::vector<Replay::Step> steps;
  steps.reserve(g_traced.size());
  for (const Traced& traced : g_traced) steps.push_back(replay.Prepare(traced));

  const double floor_start = bench::Seconds();
  const double floor_cpu_start = bench::CpuSeconds();
  const CpuSplit floor_split_start = CpuNow();
  for (const Replay::Step& step : steps) Replay::Run(step);
  for (const FileWrite& w : writes) Write(w.path, w.append ? "ab" : "wb", w.data);
  const CpuSplit floor_split_end = CpuNow();
  const double floor_cpu = bench::CpuSeconds() - floor_cpu_start;
  const double floor = bench::Seconds() - floor_start;

  // The trace ran inside the closing's time; its cost is measured apart and reported.
  const double recording_start = bench::CpuSeconds();
  size_t recorded_bytes = 0;
  for (const Replay::Step& step : steps) recorded_bytes += Replay::Record(step).expanded.size();
  const double recording = bench::CpuSeconds() - recording_start;

  std::printf(
      "NFC-e register, simulated authoriser: %d orders (3 items, 2 payments), %d notes "
      "authorised\n",
      orders, authorised - 10);
  std::printf("  closing: %.2f s, %.1f orders/s, %.2f ms per order\n", closing, orders / closing,
              closing * 1000 / orders);
  std::map<sqlite3_stmt*, int> distinct;
  for (const Replay::Step& step : steps) ++distinct[step.stmt];
  std::printf(
      "  floor:   %.2f s, %.1f orders/s (%zu statements, %zu prepared, on %zu connection(s); %zu "
      "file writes)\n",
      floor, orders / floor, steps.size(), distinct.size(), replay.Connections(), writes.size());
  {
    std::map<sqlite3*, int> per_connection;
    int switches = 0;
    for (size_t i = 0; i < g_traced.size(); ++i) {
      ++per_connection[g_traced[i].db];
      if (i > 0 && g_traced[i].db != g_traced[i - 1].db) ++switches;
    }
    std::printf("  the closing's connections: %zu, switches between them: %.1f per order\n",
                per_connection.size(), static_cast<double>(switches) / orders);
  }
  std::printf("  ratio closing/floor: %.2f (goal at most 1.5)\n", closing / floor);
  std::printf(
      "  the benchmark's statement recording, inside the closing: %.2f ms per order (%zu kB); "
      "without it the ratio is %.2f\n",
      recording * 1000 / orders, recorded_bytes / 1024, (closing - recording) / floor);
  // The elapsed times include waiting for the disk, which varies with what else the machine
  // does; the CPU times do not.
  std::printf("  CPU: closing %.2f ms per order, floor %.2f ms per order, ratio %.2f\n",
              closing_cpu * 1000 / orders, floor_cpu * 1000 / orders, closing_cpu / floor_cpu);
  std::printf("       user %.2f / %.2f ms, system %.2f / %.2f ms per order\n",
              (split_end.user - split_start.user) * 1000 / orders,
              (floor_split_end.user - floor_split_start.user) * 1000 / orders,
              (split_end.system - split_start.system) * 1000 / orders,
              (floor_split_end.system - floor_split_start.system) * 1000 / orders);
  return 0;
}
