#include "hostagent/host_records.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <tuple>

#include "hostagent/register_lock.h"
#include "rtl/program_dir.h"
#include "vyrutil/connection_setup.h"

namespace hostagent {

namespace fs = std::filesystem;

namespace {

// False for a name that is no calendar date (31 February): such a file is not a daily log.
bool Before(int year, int month, int day, rtl::TDateTime limit) {
  try {
    return rtl::EncodeDate(year, month, day) < limit;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

void FillRegister(const std::string& dir, std::string& filial, std::string& caixa,
                  std::string& loja) {
  const std::string path = dir + "/Dados/Caixa.ini";
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t equals = line.find('=');
    const std::string name = line.substr(0, equals == std::string::npos ? 0 : equals);
    const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
    if (name == "CDFILIAL" && filial.empty()) filial = value;
    if (name == "CDCAIXA" && caixa.empty()) caixa = value;
    if (name == "CDLOJA" && loja.empty()) loja = value;
  }
  for (const auto& [value, option, key] :
       {std::tuple(&filial, "--filial", "CDFILIAL"), std::tuple(&caixa, "--caixa", "CDCAIXA"),
        std::tuple(&loja, "--loja", "CDLOJA")}) {
    if (value->empty()) {
      throw std::invalid_argument(std::string(option) + " nao informado e " + path +
                                  " nao tem a linha " + key + "=");
    }
  }
}

void WriteRegisterSettings(const std::string& dir, const std::string& filial,
                           const std::string& caixa, const std::string& loja) {
  const std::string path = dir + "/Dados/Caixa.ini";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "CDFILIAL=" << filial << "\nCDCAIXA=" << caixa << "\nCDLOJA=" << loja << "\n";
  if (!out) throw std::runtime_error("nao foi possivel gravar " + path);
}

std::string StoreConnection(const std::string& dir) {
  rtl::SetProgramDirectory(dir);
  const std::string conexao = VyrUtil::GetStringConexVyr("");
  const std::string sqlite = "sqlite:";
  if (conexao.compare(0, sqlite.size(), sqlite) == 0 &&
      !fs::exists(conexao.substr(sqlite.size()))) {
    throw std::runtime_error("o banco " + conexao.substr(sqlite.size()) +
                             " nao existe (use init-store)");
  }
  return conexao;
}

void RecordLastPass(const std::string& dir, const std::string& filial, const std::string& caixa,
                    const std::string& loja, rtl::TDateTime when, int status) {
  const std::string path = RegisterFilePath(dir, filial, caixa, loja, ".pass");
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << rtl::FormatSqlDateTime(when) << " " << status << " " << getpid() << "\n";
    if (!out) return;
  }
  std::error_code ignored;
  fs::rename(temporary, path, ignored);
}

LastPass ReadLastPass(const std::string& dir, const std::string& filial, const std::string& caixa,
                      const std::string& loja) {
  LastPass pass;
  std::ifstream in(RegisterFilePath(dir, filial, caixa, loja, ".pass"));
  std::string date, time;
  if (in >> date >> time >> pass.status >> pass.pid) pass.when = date + " " + time;
  return pass;
}

int RemoveOldLogs(const std::string& dir, int days, rtl::TDateTime now) {
  const rtl::TDateTime oldest_kept = std::floor(now) - days;
  const std::regex year_folder(R"(LogImpExpKDS(\d{4}))");
  // The one daily file, or one register's (worker/log_file_name.h).
  const std::regex day_file(R"(LogImpExpKDS(\d{2})(\d{2})(_[^/]*)?\.txt)");
  int removed = 0;
  std::error_code error;
  for (const fs::directory_entry& year :
       fs::directory_iterator(dir + "/Dados/LogImpExpKDS", error)) {
    std::smatch y;
    const std::string year_name = year.path().filename().string();
    if (!year.is_directory() || !std::regex_match(year_name, y, year_folder)) continue;
    for (const fs::directory_entry& day : fs::directory_iterator(year.path(), error)) {
      std::smatch d;
      const std::string day_name = day.path().filename().string();
      if (!std::regex_match(day_name, d, day_file) ||
          !Before(std::stoi(y[1]), std::stoi(d[2]), std::stoi(d[1]), oldest_kept)) {
        continue;
      }
      std::error_code ignored;
      if (fs::remove(day.path(), ignored)) ++removed;
    }
    std::error_code ignored;
    if (fs::is_empty(year.path(), ignored)) fs::remove(year.path(), ignored);
  }
  return removed;
}

}  // namespace hostagent
