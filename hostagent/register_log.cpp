#include "hostagent/register_log.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "rtl/datetime.h"
#include "worker/log_file_name.h"

namespace hostagent {

std::string AppendToRegisterLog(const std::string& dir, const std::string& filial,
                                const std::string& caixa, const std::string& loja,
                                const std::string& message) {
  // One reading of the clock names the file and stamps the line, as the worker's log does.
  const rtl::TDateTime now = rtl::Now();
  const rtl::DateTimeParts today = rtl::DecodeDateTime(now);
  const std::string folder = dir + "/Dados/LogImpExpKDS/LogImpExpKDS" + std::to_string(today.year);
  char day[8];
  std::snprintf(day, sizeof day, "%02d%02d", today.day, today.month);
  const std::string path = folder + "/LogImpExpKDS" + day +
                           Cli_Qam00417::SufixoLogDoCaixa(dir, filial, caixa, loja) + ".txt";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  // One write in append mode: a worker appending to the same file never splits the line.
  const std::string line = rtl::DateTimeToStr(now) + " - " + message + "\r\n";
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return "o log " + path + " nao pode ser aberto: " + std::strerror(errno);
  const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  if (std::fclose(file) != 0 || !written) return "o log " + path + " nao pode ser gravado";
  return "";
}

}  // namespace hostagent
