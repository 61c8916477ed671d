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
    : out_path_(work_dir + "/hostagent.out"), err_path_(work_dir + "/hostagent.err") {
  const std::string exe = std::string(VYR_BIN_DIR) + "/hostagent";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int out = open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
}

HostProcess::~HostProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void HostProcess::Signal(int signal) const {
  kill(pid_, signal);
}

Result HostProcess::Wait() {
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  Result result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(out_path_);
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
