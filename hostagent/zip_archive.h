#pragma once
// A zip archive written in one go: the entries are gathered, then the archive is written whole
// (libzip writes to a temporary file and renames it), so a failed export never leaves half an
// archive under the name asked for.

#include <string>
#include <vector>

namespace hostagent {

struct ZipEntry {
  std::string name;  // the path inside the archive
  std::string file;  // the file to store; empty: `text` is stored
  std::string text;
};

// Writes `entries` to `archive`, replacing it. Raises std::runtime_error naming the file that
// could not be read or the archive that could not be written.
void WriteZip(const std::string& archive, const std::vector<ZipEntry>& entries);

}  // namespace hostagent
