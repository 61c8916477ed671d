#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "rtl/text_compare.h"
#include "vyrutil/connection_setup.h"

namespace VyrUtil {

namespace {

const char kEnvironmentVariable[] = "VYR_CONEXAO";
const char kIniKey[] = "stringconexao";

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string ReadWholeFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  const auto fail = [&path](int error) {
    return rtl::EInOutError("Cannot read connection file '" + path + "': " + std::strerror(error));
  };
  if (file == nullptr) throw fail(errno);
  std::string text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  const int error = std::ferror(file) ? (errno ? errno : EIO) : 0;
  std::fclose(file);
  if (error) throw fail(error);
  return text;
}

// The value of "StringConexao=" in the ini file; keys compare without regard to case, as
// the installation's ini files are edited by hand. A file that exists but cannot be read, or
// has no such line, or an empty value, is a set-up mistake: falling back to the default store
// would hide it, so it raises.
std::string FromIniFile(const std::string& path) {
  std::istringstream in(ReadWholeFile(path));
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (rtl::LowerCase(Trim(line.substr(0, equals))) != kIniKey) continue;
    const std::string value = Trim(line.substr(equals + 1));
    if (value.empty()) {
      throw rtl::EInOutError("Connection file '" + path + "': StringConexao is empty");
    }
    return value;
  }
  throw rtl::EInOutError("Connection file '" + path + "' has no StringConexao= line");
}

// Masks the value of one key ("pwd=") wherever it stands, keys compared without regard to
// case; a value in braces may hold ';' and ends at the closing brace.
void MaskKey(std::string& text, const std::string& key) {
  const std::string lower = rtl::LowerCase(text);
  for (size_t at = lower.find(key); at != std::string::npos;
       at = rtl::LowerCase(text).find(key, at + 1)) {
    const bool starts_key =
        at == 0 || text[at - 1] == ';' || text[at - 1] == ':' || text[at - 1] == ' ';
    if (!starts_key) continue;
    const size_t value = at + key.size();
    size_t end = text.find(';', value);
    if (value < text.size() && text[value] == '{') {
      const size_t close = text.find('}', value);
      end = close == std::string::npos ? std::string::npos : close + 1;
    }
    text.replace(value, (end == std::string::npos ? text.size() : end) - value, "***");
  }
}

}  // namespace

ConnectionSource GetStringConexVyrOrigem() {
  const char* env = std::getenv(kEnvironmentVariable);
  if (env && !Trim(env).empty())
    return {Trim(env), std::string("variavel de ambiente ") + kEnvironmentVariable};
  const std::string dados = rtl::ProgramDirectory() + "/Dados";
  const std::string ini = dados + "/Conexao.ini";
  // Only a file that is not there at all selects the default; one that cannot be looked at
  // or opened is reported by FromIniFile.
  std::error_code error;
  const bool exists = std::filesystem::exists(ini, error);
  if (exists || (error && error != std::errc::no_such_file_or_directory)) {
    return {FromIniFile(ini), ini};
  }
  return {"sqlite:" + dados + "/Loja.db", "padrao"};
}

std::string GetStringConexVyr(const std::string& /*unused*/) {
  return GetStringConexVyrOrigem().connection_string;
}

std::string MascaraSenha(const std::string& connection_string) {
  std::string text = connection_string;
  MaskKey(text, "pwd=");
  MaskKey(text, "password=");
  return text;
}

}  // namespace VyrUtil
