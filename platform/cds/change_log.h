#pragma once
// The change log a table file may be saved with: stored rows carry a status mask, and the
// CHANGE_LOG triples (row, original row, kind; 1-based, 0 = no original) link each changed row to
// the version it replaces. Applying the log yields the rows a table shows.

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/data_packet.h"

namespace cds {

enum RowStatus : uint32_t {
  kRowSuperseded = 0x01,  // an original that a later row replaces
  kRowDeleted = 0x02,
  kRowInserted = 0x04,
  kRowModified = 0x08,
  kRowUnused = 0x20,
};

// One row as stored in the file.
struct StoredRow {
  uint32_t status = 0;
  rtl::Row values;  // one per field; Null where the field is NULL or unchanged
  // Per field, true where the value is "not changed" and lives in the original. Empty when
  // no field is marked.
  std::vector<bool> unchanged;
};

// The current rows: superseded, deleted and unused rows are dropped; a modified row takes the
// place of the first version of its record, and its unchanged fields take their values from its
// original (following the chain back); unchanged fields without an original are NULL.
// `change_log` holds the flat triples. Raises ECdsError naming `file_name` for a log whose
// length is not a multiple of three or that refers to rows that do not precede the row.
// Runs in time linear in the number of stored values.
std::vector<rtl::Row> ApplyChangeLog(std::vector<StoredRow> rows,
                                     const std::vector<uint32_t>& change_log,
                                     const std::string& file_name);

}  // namespace cds
