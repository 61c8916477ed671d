#pragma once
// Runs the built hostagent executable as a child process, with its output in files.

#include <sys/types.h>

#include <string>
#include <vector>

namespace hosttest {

struct Result {
  int exit_code = -1;
  std::string out;
  std::string err;
};

class HostProcess {
 public:
  // Starts VYR_BIN_DIR/hostagent with `args`; output goes to files under `work_dir`.
  HostProcess(const std::vector<std::string>& args, const std::string& work_dir);
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  void Signal(int signal) const;
  pid_t Pid() const { return pid_; }
  // Waits for the child to end and reads its output.
  Result Wait();

 private:
  pid_t pid_ = -1;
  std::string out_path_;
  std::string err_path_;
};

// Starts and waits.
Result RunHost(const std::vector<std::string>& args, const std::string& work_dir);

std::string ReadFile(const std::string& path);

}  // namespace hosttest
