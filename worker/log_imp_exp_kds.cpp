#include "worker/log_imp_exp_kds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "worker/log_file_name.h"

namespace Cli_Qam00417 {

namespace {

// Constant-initialised and, with glibc, trivially destructible: the module's unload guard may
// still log while static objects are torn down at process exit. A heap-allocated lock would
// instead be lost (and reported as leaked) when the host unloads the module.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

// "" or "_<branch>_<register>_<store>"; guarded by LogMutex().
std::string& Sufixo() {
  static std::string sufixo;
  return sufixo;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string FolderFor(const rtl::DateTimeParts& today) {
  return rtl::ProgramDirectory() + "/Dados/LogImpExpKDS/LogImpExpKDS" + std::to_string(today.year);
}

std::string FileFor(const std::string& folder, const rtl::DateTimeParts& today) {
  return folder + "/LogImpExpKDS" + TwoDigits(today.day) + TwoDigits(today.month) + Sufixo() +
         ".txt";
}

[[noreturn]] void RaiseIoError(const std::string& what, const std::string& path, int error) {
  throw rtl::EInOutError("Log file '" + path + "': " + what + ": " + std::strerror(error));
}

// `folder_error`: why the file's folder could not be made, if it could not. A file that cannot
// be opened in a folder that could not be made is reported by the folder's own cause
// ("Permission denied"), not by the open's ("No such file or directory").
void AppendLine(const std::string& path, const std::string& line, const std::string& folder,
                const std::error_code& folder_error) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file && folder_error) {
    throw rtl::EInOutError("Log folder '" + folder + "': cannot create: " + folder_error.message());
  }
  if (!file) RaiseIoError("cannot open", path, errno);
  const size_t written = std::fwrite(line.data(), 1, line.size(), file);
  const int write_error = written == line.size() ? 0 : (errno ? errno : EIO);
  // fclose flushes; a full disk shows up here rather than in fwrite.
  const int close_error = std::fclose(file) == 0 ? 0 : (errno ? errno : EIO);
  if (write_error) RaiseIoError("cannot write", path, write_error);
  if (close_error) RaiseIoError("cannot close", path, close_error);
}

}  // namespace

void LogImpExpKDS(const std::string& message) {
  // One reading of the clock names the file and stamps the line, so a line written at
  // midnight never lands in the previous day's file.
  const rtl::TDateTime now = rtl::Now();
  const rtl::DateTimeParts today = rtl::DecodeDateTime(now);
  const std::string folder = FolderFor(today);
  const std::string line = rtl::DateTimeToStr(now) + " - " + message + "\r\n";

  std::lock_guard<std::mutex> lock(LogMutex());
  std::error_code folder_error;
  std::filesystem::create_directories(folder, folder_error);
  AppendLine(FileFor(folder, today), line, folder, folder_error);
}

std::string LogImpExpKDSPath() {
  const rtl::DateTimeParts today = rtl::DecodeDateTime(rtl::Now());
  std::lock_guard<std::mutex> lock(LogMutex());
  return FileFor(FolderFor(today), today);
}

void DefineCaixaDoLog(const std::string& CDFILIAL, const std::string& CDCAIXA,
                      const std::string& CDLOJA) {
  const std::string dir = rtl::ProgramDirectory();
  std::error_code erro;
  std::filesystem::create_directories(PastaCaixasDoLog(dir), erro);
  std::FILE* marca = std::fopen(
      (PastaCaixasDoLog(dir) + "/" + NomeCaixaDoLog(CDFILIAL, CDCAIXA, CDLOJA)).c_str(), "ab");
  if (marca != nullptr) std::fclose(marca);
  const std::string sufixo = SufixoLogDoCaixa(dir, CDFILIAL, CDCAIXA, CDLOJA);
  std::lock_guard<std::mutex> lock(LogMutex());
  Sufixo() = sufixo;
}

}  // namespace Cli_Qam00417
