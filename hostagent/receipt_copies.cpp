#include "hostagent/receipt_copies.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <regex>
#include <vector>

namespace hostagent {

namespace {

namespace fs = std::filesystem;

const std::regex kDayFolder(R"((\d{4})-(\d{2})-(\d{2}))");
const std::regex kCopy(R"((NFCe|CFe)[0-9A-Za-z]+\.(txt|png))");

std::string Folder(const std::string& dir) {
  return dir + "/Dados/Impressao";
}

// The day folders, newest first (their names sort as their dates).
std::vector<fs::path> DayFolders(const std::string& dir) {
  std::vector<fs::path> days;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(Folder(dir), error)) {
    std::error_code ignored;
    if (entry.is_directory(ignored) &&
        std::regex_match(entry.path().filename().string(), kDayFolder)) {
      days.push_back(entry.path());
    }
  }
  std::sort(days.rbegin(), days.rend());
  return days;
}

int RemoveCopiesIn(const fs::path& folder, const std::function<bool(const fs::path&)>& old) {
  int removed = 0;
  std::error_code error;
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    std::error_code ignored;
    if (entry.is_regular_file(ignored) &&
        std::regex_match(entry.path().filename().string(), kCopy) && old(entry.path())) {
      files.push_back(entry.path());
    }
  }
  for (const fs::path& file : files) {
    std::error_code ignored;
    if (fs::remove(file, ignored)) ++removed;
  }
  return removed;
}

}  // namespace

std::string FindReceiptCopy(const std::string& dir, const std::string& name) {
  std::error_code ignored;
  for (const fs::path& day : DayFolders(dir)) {
    if (fs::exists(day / name, ignored)) return (day / name).string();
  }
  const std::string flat = Folder(dir) + "/" + name;
  return fs::exists(flat, ignored) ? flat : "";
}

int RemoveOldCopies(const std::string& dir, int days, rtl::TDateTime now) {
  const std::string oldest_kept = rtl::FormatDateIso(std::floor(now) - days);
  int removed = 0;
  for (const fs::path& day : DayFolders(dir)) {
    if (day.filename().string() >= oldest_kept) continue;
    removed += RemoveCopiesIn(day, [](const fs::path&) { return true; });
    std::error_code ignored;
    if (fs::is_empty(day, ignored)) fs::remove(day, ignored);
  }
  // Copies of older stores: their date is the file's. The file clock is this host's.
  const auto limit =
      fs::file_time_type::clock::now() -
      std::chrono::duration_cast<fs::file_time_type::duration>(
          std::chrono::duration<double, std::ratio<86400>>(now - (std::floor(now) - days)));
  removed += RemoveCopiesIn(Folder(dir), [&limit](const fs::path& file) {
    std::error_code error;
    const auto written = fs::last_write_time(file, error);
    return !error && written < limit;
  });
  return removed;
}

}  // namespace hostagent
