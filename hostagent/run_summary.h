#pragma once
// What a run of the host did, read from the store database and the activity log.

#include <cstdint>
#include <iosfwd>
#include <string>

namespace hostagent {

// A point in the run: the store's order counts and the end of today's log.
struct RunSnapshot {
  int pending = -1;  // bills waiting for automatic closing (IDIMPCUPEXP '2'); -1 unknown
  int closed = -1;   // bills this register recorded as sales (VENDA, not cancelled); -1 unknown
  std::string log_path;
  std::uintmax_t log_size = 0;
  std::string error;  // why the counts are unknown
};

// Reads the counts of one branch and store, and the sales of one of its registers, through the
// program directory's connection string.
// Waits at most about one second for a store locked by another program: the counts are not
// worth holding up the start or the stop of a run. Never throws; a failure (a lock that
// outlasts that second included) leaves the counts unknown with the reason in `error`.
RunSnapshot TakeSnapshot(const std::string& cdfilial, const std::string& cdloja,
                         const std::string& cdcaixa);

// Prints orders seen (start lines of bill closings written during the run), closed (bills this
// register recorded during the run: on a store shared by registers each counts its own), failed
// (errors logged during the run), pending now, and the log file's path. A log file that does not
// exist is said so, with `log_cause` (the error that kept it from being written, when known).
void PrintSummary(std::ostream& out, const RunSnapshot& start, const RunSnapshot& end,
                  const std::string& log_cause);

// Today's activity log file of the program directory: the one file, or with `sufixo` the file of
// one register (worker/log_file_name.h).
std::string TodaysLogPath(const std::string& sufixo = "");

}  // namespace hostagent
