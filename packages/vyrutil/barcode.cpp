#include "vyrutil/barcode.h"

#include <zint.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "rtl/errors.h"

namespace fs = std::filesystem;

namespace VyrUtil {

namespace {

using Symbol = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

std::atomic<unsigned> staging_counter{0};

fs::path StagingPath(const fs::path& path) {
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  return dir / ("vyr_codbarra_" + std::to_string(getpid()) + "_" +
                std::to_string(staging_counter++) + path.extension().string());
}

// The key names the file, so it must not leave the folder.
bool UsableAsFileName(const std::string& chave) {
  return !chave.empty() && chave != "." && chave != ".." &&
         chave.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

Symbol NewCode128() {
  Symbol symbol(ZBarcode_Create(), &ZBarcode_Delete);
  if (!symbol) throw rtl::EInOutError("Bar code: out of memory");
  symbol->symbology = BARCODE_CODE128;
  symbol->scale = 2.0f;
  symbol->height = 40.0f;
  return symbol;
}

// Encodes `chave` and has zint write it to `path` in the format of its extension. Returns
// zint's error text, empty on success. zint's file name field is fixed-size, so a longer
// path is written under the temporary folder first and then copied into place.
std::string Print(const std::string& chave, const fs::path& path) {
  Symbol symbol = NewCode128();
  const std::string target = path.string();
  const bool fits = target.size() < sizeof(symbol->outfile);
  const fs::path staging = fits ? path : StagingPath(path);
  std::strncpy(symbol->outfile, staging.c_str(), sizeof(symbol->outfile) - 1);
  const int rc =
      ZBarcode_Encode_and_Print(symbol.get(), reinterpret_cast<const unsigned char*>(chave.data()),
                                static_cast<int>(chave.size()), 0);
  if (rc >= ZINT_ERROR) return symbol->errtxt[0] ? symbol->errtxt : "zint error";
  if (!fits) {
    std::error_code ec;
    fs::copy_file(staging, path, fs::copy_options::overwrite_existing, ec);
    fs::remove(staging);
    if (ec) return ec.message();
  }
  return "";
}

}  // namespace

std::string CriaCodBarra(const std::string& chave, const std::string& folder) {
  if (!UsableAsFileName(chave)) {
    throw rtl::EInOutError("Bar code: '" + chave + "' cannot name a file");
  }
  std::error_code ec;
  fs::create_directories(folder, ec);  // a failure shows as the failure to write below
  const fs::path base = fs::path(folder) / chave;
  // zint may be built without PNG support; SVG needs no library.
  std::string error = Print(chave, base.string() + ".png");
  if (error.empty()) return base.string() + ".png";
  error = Print(chave, base.string() + ".svg");
  if (error.empty()) return base.string() + ".svg";
  throw rtl::EInOutError("Bar code of '" + chave + "' could not be written to '" + folder +
                         "': " + error);
}

}  // namespace VyrUtil
