#include "cds/cds_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cds/cds_error.h"
#include "rtl/errors.h"

namespace cds {

namespace {

bool LooksBinary(const std::string& bytes) {
  return bytes.size() >= 4 && bytes.compare(0, 4, "\x96\x19\xE0\xBD", 4) == 0;
}

// XML after an optional byte-order mark and blanks.
bool LooksXml(const std::string& bytes) {
  size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  start = bytes.find_first_not_of(" \t\r\n", start);
  return start != std::string::npos && bytes[start] == '<';
}

}  // namespace

rtl::DataPacket ReadCdsData(const std::string& bytes, const std::string& name_for_errors,
                            CdsMetadata* metadata) {
  if (LooksBinary(bytes)) return ReadCdsBinary(bytes, name_for_errors, metadata);
  if (LooksXml(bytes)) return ReadCdsXml(bytes, name_for_errors, metadata);
  if (bytes.empty())
    throw ECdsError(name_for_errors, "empty file, not a client-dataset table file");
  throw ECdsError(name_for_errors,
                  "wrong magic: neither a binary nor an XML client-dataset table file");
}

rtl::DataPacket ReadCdsFile(const std::string& path, CdsMetadata* metadata) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw rtl::EInOutError("Cannot open file '" + path + "': " + std::strerror(errno));
  }
  std::ostringstream contents;
  contents << file.rdbuf();
  if (file.bad()) throw rtl::EInOutError("Cannot read file '" + path + "'");
  return ReadCdsData(contents.str(), path, metadata);
}

void WriteCdsFile(const std::string& path, const rtl::DataPacket& packet, CdsFormat format,
                  const CdsMetadata* metadata) {
  const std::string bytes = format == CdsFormat::Xml ? WriteCdsXml(packet, path, metadata)
                                                     : WriteCdsBinary(packet, path, metadata);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    throw rtl::EInOutError("Cannot create file '" + path + "': " + std::strerror(errno));
  }
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw rtl::EInOutError("Cannot write file '" + path + "'");
}

}  // namespace cds
