#include "hostagent/hostagent_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hosttest {

HostProcess::HostProcess(const std::vector<std::string>& args, const std::string& work_dir)
    : err_path_(work_dir + "/hostagent.err") {
  const std::string exe = std::string(VYR_BIN_DIR) + "/hostagent";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int err = open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    close(out[0]);
    dup2(out[1], STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  out_fd_ = out[0];
}

HostProcess::~HostProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
}

void HostProcess::Signal(int signal) const {
  kill(pid_, signal);
}

bool HostProcess::ReadMore() {
  char buffer[4096];
  const ssize_t n = read(out_fd_, buffer, sizeof buffer);
  if (n <= 0) return false;
  out_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool HostProcess::WaitForOutput(const std::string& text) {
  while (out_.find(text) == std::string::npos) {
    if (!ReadMore()) return false;
  }
  return true;
}

Result HostProcess::Wait() {
  while (ReadMore()) {
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  Result result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = out_;
  result.err = ReadFile(err_path_);
  return result;
}

Result RunHost(const std::vector<std::string>& args, const std::string& work_dir) {
  return HostProcess(args, work_dir).Wait();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace hosttest
