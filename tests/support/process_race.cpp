#include "support/process_race.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace vyrtest {

namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(fd);
  return text;
}

[[noreturn]] void RunChild(int start, int out, const std::function<std::string()>& work) {
  int status = 0;
  std::string answer;
  char go;
  if (read(start, &go, 1) != 1) status = 3;
  try {
    if (status == 0) answer = work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "child: %s\n", e.what());
    status = 2;
  }
  if (write(out, answer.data(), answer.size()) != static_cast<ssize_t>(answer.size())) status = 4;
  close(out);
  _exit(status);
}

}  // namespace

std::vector<ChildResult> RunInProcesses(int processes, const std::function<std::string()>& work) {
  int start[2];
  if (pipe(start) != 0) throw std::runtime_error("pipe failed");
  std::vector<pid_t> children;
  std::vector<int> outputs;
  for (int c = 0; c < processes; ++c) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
      close(start[1]);
      close(out[0]);
      RunChild(start[0], out[1], work);
    }
    close(out[1]);
    children.push_back(pid);
    outputs.push_back(out[0]);
  }
  close(start[0]);
  const std::string signal(static_cast<size_t>(processes), 'G');
  const bool started =
      write(start[1], signal.data(), signal.size()) == static_cast<ssize_t>(signal.size());
  close(start[1]);
  std::vector<ChildResult> results;
  for (size_t c = 0; c < children.size(); ++c) {
    ChildResult result;
    result.output = ReadAll(outputs[c]);
    int status = 0;
    waitpid(children[c], &status, 0);
    result.exit = WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "signal";
    results.push_back(result);
  }
  if (!started) throw std::runtime_error("the children could not be started");
  return results;
}

std::string Exits(const std::vector<ChildResult>& results) {
  std::string exits;
  for (const ChildResult& result : results) exits += result.exit;
  return exits;
}

}  // namespace vyrtest
