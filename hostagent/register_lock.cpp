#include "hostagent/register_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace hostagent {

namespace fs = std::filesystem;

namespace {

const char kPrefix[] = "THREAD_";
const char kSuffix[] = ".lock";

// Codes go into a file name: anything but letters, digits, '-' and '.' is written as %XX, so
// two registers never share a file and no code can leave the folder.
std::string FileNamePart(const std::string& code) {
  std::string part;
  for (unsigned char c : code) {
    if (std::isalnum(c) || c == '-' || c == '.') {
      part += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      part += escaped;
    }
  }
  return part;
}

std::string HolderPid(int fd) {
  char text[32] = {};
  const ssize_t got = pread(fd, text, sizeof text - 1, 0);
  std::string pid(text, got > 0 ? static_cast<size_t>(got) : 0);
  while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
  return pid.empty() ? "?" : pid;
}

[[noreturn]] void RaiseHeld(const std::string& path, int fd) {
  const std::string pid = HolderPid(fd);
  close(fd);
  throw LockHeldError("a trava " + path + " esta com o processo " + pid);
}

// Opens (creating) the lock file and tries the lock without waiting; true when taken.
bool TryLock(const std::string& path, int* fd) {
  *fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (*fd < 0) {
    throw std::runtime_error("nao foi possivel criar a trava " + path + ": " +
                             std::strerror(errno));
  }
  if (flock(*fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  const int error = errno;
  close(*fd);
  throw std::runtime_error("trava " + path + ": " + std::strerror(error));
}

}  // namespace

std::string RegisterFilePath(const std::string& dir, const std::string& filial,
                             const std::string& caixa, const std::string& loja,
                             const std::string& suffix) {
  return dir + "/Dados/" + kPrefix + FileNamePart(filial) + "_" + FileNamePart(caixa) + "_" +
         FileNamePart(loja) + suffix;
}

// A line of /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10953238 0 EOF".
std::string LockHolderPid(const std::string& dir, const std::string& filial,
                          const std::string& caixa, const std::string& loja) {
  struct stat file {};
  if (stat(RegisterFilePath(dir, filial, caixa, loja, kSuffix).c_str(), &file) != 0) return "";
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, device;
    fields >> number >> kind >> mode >> access >> pid >> device;
    if (kind == "->") continue;  // a waiter, not a holder
    const size_t colon = device.rfind(':');
    if (kind == "FLOCK" && colon != std::string::npos &&
        device.substr(colon + 1) == std::to_string(file.st_ino)) {
      return pid;
    }
  }
  return "";
}

RegisterLock::RegisterLock(const std::string& dir, const std::string& filial,
                           const std::string& caixa, const std::string& loja) {
  const std::string path = RegisterFilePath(dir, filial, caixa, loja, kSuffix);
  std::error_code ignored;  // a folder that cannot be made shows as the file failing to open
  fs::create_directories(dir + "/Dados", ignored);
  if (!TryLock(path, &fd_)) RaiseHeld(path, fd_);
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd_, 0) != 0 || pwrite(fd_, pid.data(), pid.size(), 0) < 0) {
    // The lock holds without the id; a refused second run then names the holder "?".
  }
}

RegisterLock::~RegisterLock() {
  if (fd_ >= 0) close(fd_);
}

void RefuseIfAnyRegisterLocked(const std::string& dir) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir + "/Dados", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kPrefix, 0) != 0 || name.size() < sizeof kSuffix ||
        name.compare(name.size() - (sizeof kSuffix - 1), std::string::npos, kSuffix) != 0) {
      continue;
    }
    int fd = -1;
    if (!TryLock(entry.path().string(), &fd)) RaiseHeld(entry.path().string(), fd);
    close(fd);
  }
}

}  // namespace hostagent
