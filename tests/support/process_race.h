#pragma once
// Races between processes, as two registers of a store race for the same rows: the work runs in
// `processes` forked children that all start at one signal, and each child's answer comes back
// to the test as text.

#include <functional>
#include <string>
#include <vector>

namespace vyrtest {

struct ChildResult {
  std::string exit;    // "0" for a clean exit, "2" when `work` raised, "signal" when killed
  std::string output;  // what `work` answered
};

// Forks the children, starts them together and waits for all of them. In a child, `work` runs
// once; an exception it raises is printed on stderr. Only call it from a single-threaded test.
std::vector<ChildResult> RunInProcesses(int processes, const std::function<std::string()>& work);

// The exits of the children, one after another ("00" when both exited cleanly).
std::string Exits(const std::vector<ChildResult>& results);

}  // namespace vyrtest
