#include "rtl/program_dir.h"

#include <unistd.h>

#include <mutex>
#include <vector>

namespace rtl {
namespace {

std::mutex g_mutex;
std::string g_override;  // guarded by g_mutex

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return ".";
  std::string path(buffer.data(), static_cast<size_t>(length));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string WithoutTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace

std::string ProgramDirectory() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_override.empty()) return g_override;
  }
  // The executable does not move while the process runs, so it is read once.
  static const std::string executable_dir = ExecutableDirectory();
  return executable_dir;
}

void SetProgramDirectory(const std::string& dir) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_override = WithoutTrailingSlash(dir);
}

}  // namespace rtl
