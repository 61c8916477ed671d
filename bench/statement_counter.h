#pragma once
// Counts every statement that reaches SQLite on the connections the process opens after
// Install(), and the virtual-machine steps each one took: the work of a statement, which no other
// load on the machine changes. The benchmark's own connection is left out (Ignore()).
//
// Install() before the module and the fiscal package connect (a trace is set on each connection
// as it opens). One thread at a time: the benchmarks run their passes on the main thread.

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Work {
  long long statements = 0;
  long long steps = 0;
};

class StatementCounter {
 public:
  static void Install() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(OnOpen)); }
  static void Ignore(sqlite3* db) { ignored_ = db; }

  // Forgets what was counted so far.
  static void Reset() {
    total_ = Work{};
    by_text_.clear();
  }
  static Work Total() { return total_; }

  // The statements counted since Reset(), the most steps first: "steps  runs  text" per line.
  static std::string Report() {
    std::vector<std::pair<std::string, Work>> lines(by_text_.begin(), by_text_.end());
    std::sort(lines.begin(), lines.end(),
              [](const auto& a, const auto& b) { return a.second.steps > b.second.steps; });
    std::string text;
    for (const auto& [sql, work] : lines) {
      text += "    " + std::to_string(work.steps) + "\t" + std::to_string(work.statements) + "\t" +
              sql.substr(0, 150) + "\n";
    }
    return text;
  }

 private:
  static int OnOpen(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, OnEvent, nullptr);
    return SQLITE_OK;
  }

  // A statement's steps are taken (and its counter cleared) when it ends, so a statement
  // prepared once and run many times counts each run's own.
  static int OnEvent(unsigned type, void*, void* p, void* x) {
    auto* stmt = static_cast<sqlite3_stmt*>(p);
    if (sqlite3_db_handle(stmt) == ignored_) return 0;
    if (type == SQLITE_TRACE_STMT) {
      const char* text = static_cast<const char*>(x);
      if (text != nullptr && text[0] == '-' && text[1] == '-') return 0;  // a trigger's program
      ++total_.statements;
      ++by_text_[sqlite3_sql(stmt)].statements;
    } else if (type == SQLITE_TRACE_PROFILE) {
      const int steps = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_VM_STEP, 1);
      total_.steps += steps;
      by_text_[sqlite3_sql(stmt)].steps += steps;
    }
    return 0;
  }

  static inline sqlite3* ignored_ = nullptr;
  static inline Work total_;
  static inline std::map<std::string, Work> by_text_;
};

}  // namespace bench
