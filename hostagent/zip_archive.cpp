#include "hostagent/zip_archive.h"

#include <zip.h>

#include <stdexcept>

namespace hostagent {

namespace {

std::string ZipError(zip_t* zip) {
  return zip_strerror(zip);
}

// Adds one entry; the file is read when the archive is closed, the text is copied now.
void Add(zip_t* zip, const ZipEntry& entry) {
  zip_source_t* source = entry.file.empty()
                             ? zip_source_buffer(zip, entry.text.data(), entry.text.size(), 0)
                             : zip_source_file(zip, entry.file.c_str(), 0, -1);
  if (source == nullptr ||
      zip_file_add(zip, entry.name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
    const std::string why = ZipError(zip);
    if (source != nullptr) zip_source_free(source);
    throw std::runtime_error("o arquivo " + (entry.file.empty() ? entry.name : entry.file) +
                             " nao pode ser incluido no arquivo zip: " + why);
  }
}

}  // namespace

void WriteZip(const std::string& archive, const std::vector<ZipEntry>& entries) {
  int code = 0;
  zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (zip == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw std::runtime_error("o arquivo " + archive + " nao pode ser criado: " + why);
  }
  try {
    for (const ZipEntry& entry : entries) Add(zip, entry);
  } catch (...) {
    zip_discard(zip);
    throw;
  }
  if (zip_close(zip) != 0) {
    const std::string why = ZipError(zip);
    zip_discard(zip);
    throw std::runtime_error("o arquivo " + archive + " nao pode ser gravado: " + why);
  }
}

}  // namespace hostagent
