#pragma once
// Runs the built hostagent executable as a child process: its standard output comes through a
// pipe, so a test can wait for a line of it; its standard error goes to a file.

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
  // Starts VYR_BIN_DIR/hostagent with `args`; its standard error goes to a file under
  // `work_dir`.
  HostProcess(const std::vector<std::string>& args, const std::string& work_dir);
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  void Signal(int signal) const;
  pid_t Pid() const { return pid_; }
  // Reads the child's output until a line holds `text` (true) or the output ends (false).
  bool WaitForOutput(const std::string& text);
  // What the child wrote so far (as far as read).
  const std::string& Output() const { return out_; }
  // Waits for the child to end and reads its output.
  Result Wait();

 private:
  // Appends what the child wrote next to out_; false once its output has ended.
  bool ReadMore();

  pid_t pid_ = -1;
  int out_fd_ = -1;  // the read end of the child's standard output
  std::string out_;  // read so far
  std::string err_path_;
};

// Starts and waits.
Result RunHost(const std::vector<std::string>& args, const std::string& work_dir);

std::string ReadFile(const std::string& path);

}  // namespace hosttest
