#include "cds/change_log.h"

#include <algorithm>

#include "cds/cds_error.h"
#include "rtl/variant.h"

namespace cds {

namespace {

constexpr int64_t kNoOriginal = -1;

// original[i]: index of the row that row i replaces, or kNoOriginal.
std::vector<int64_t> OriginalsOf(size_t row_count, const std::vector<uint32_t>& change_log,
                                 const std::string& file_name) {
  if (change_log.size() % 3 != 0) {
    throw ECdsError(file_name, "change log of " + std::to_string(change_log.size()) +
                                   " numbers is not made of (row, original, kind) triples");
  }
  std::vector<int64_t> original(row_count, kNoOriginal);
  for (size_t i = 0; i < change_log.size(); i += 3) {
    const uint32_t row = change_log[i];
    const uint32_t from = change_log[i + 1];
    // An original must precede its row: that keeps every chain finite.
    if (row == 0 || row > row_count || from >= row) {
      throw ECdsError(file_name, "change log entry (" + std::to_string(row) + ", " +
                                     std::to_string(from) + ") does not fit the " +
                                     std::to_string(row_count) + " stored rows");
    }
    original[row - 1] = from == 0 ? kNoOriginal : static_cast<int64_t>(from) - 1;
  }
  return original;
}

bool IsCurrent(uint32_t status) {
  return (status & (kRowSuperseded | kRowDeleted | kRowUnused)) == 0;
}

}  // namespace

std::vector<rtl::Row> ApplyChangeLog(std::vector<StoredRow> rows,
                                     const std::vector<uint32_t>& change_log,
                                     const std::string& file_name) {
  const std::vector<int64_t> original = OriginalsOf(rows.size(), change_log, file_name);
  // Rows are resolved in stored order, so every original is complete before the rows that
  // copy from it.
  std::vector<size_t> first_version(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const int64_t from = original[i];
    first_version[i] = from == kNoOriginal ? i : first_version[from];
    StoredRow& row = rows[i];
    for (size_t f = 0; f < row.unchanged.size(); ++f) {
      if (!row.unchanged[f]) continue;
      const bool has_original = from != kNoOriginal && f < rows[from].values.size();
      row.values[f] = has_original ? rows[from].values[f] : rtl::Variant::Null();
    }
  }
  std::vector<size_t> current;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (IsCurrent(rows[i].status)) current.push_back(i);
  }
  std::stable_sort(current.begin(), current.end(),
                   [&](size_t a, size_t b) { return first_version[a] < first_version[b]; });
  std::vector<rtl::Row> result;
  result.reserve(current.size());
  for (size_t i : current) result.push_back(std::move(rows[i].values));
  return result;
}

}  // namespace cds
