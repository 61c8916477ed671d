#include <cstdlib>
#include <fstream>

#include "rtl/program_dir.h"
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

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The value of "StringConexao=" in the ini file; keys compare without regard to case, as
// the installation's ini files are edited by hand. Empty when the file or the line is missing.
std::string FromIniFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (Lower(Trim(line.substr(0, equals))) == kIniKey) return Trim(line.substr(equals + 1));
  }
  return "";
}

}  // namespace

std::string GetStringConexVyr(const std::string& /*unused*/) {
  const char* env = std::getenv(kEnvironmentVariable);
  if (env && !Trim(env).empty()) return Trim(env);
  const std::string dados = rtl::ProgramDirectory() + "/Dados";
  const std::string from_ini = FromIniFile(dados + "/Conexao.ini");
  if (!from_ini.empty()) return from_ini;
  return "sqlite:" + dados + "/Loja.db";
}

}  // namespace VyrUtil
