#pragma once
// One worker per store and register across processes: an exclusive flock(2) lock on a file
// <dir>/Dados/THREAD_<branch>_<register>_<store>.lock, held while the worker runs. The kernel
// releases it when the holder ends, even on a crash; the file itself stays and is reused. The
// file holds the holder's process id, for the message that refuses a second holder.

#include <stdexcept>
#include <string>
#include <vector>

namespace hostagent {

// Another process holds the lock: "a trava <path> esta com o processo <pid>".
class LockHeldError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegisterLock {
 public:
  // Takes the lock of one register of the program directory `dir`. Raises LockHeldError naming
  // the holder's process id and the file when another process holds it, std::runtime_error
  // when the file cannot be made.
  RegisterLock(const std::string& dir, const std::string& filial, const std::string& caixa,
               const std::string& loja);
  // Releases the lock.
  ~RegisterLock();
  RegisterLock(const RegisterLock&) = delete;
  RegisterLock& operator=(const RegisterLock&) = delete;

 private:
  int fd_ = -1;
};

// <dir>/Dados/THREAD_<branch>_<register>_<store><suffix>: the register's lock file (".lock") and
// the files kept beside it.
std::string RegisterFilePath(const std::string& dir, const std::string& filial,
                             const std::string& caixa, const std::string& loja,
                             const std::string& suffix);

// The process id of the worker holding the register's lock, read from the kernel's lock table
// (/proc/locks) without touching the lock, so that asking never keeps a worker from starting;
// empty when no process holds it.
std::string LockHolderPid(const std::string& dir, const std::string& filial,
                          const std::string& caixa, const std::string& loja);

// Raises LockHeldError when a worker of any register holds its lock in the program directory
// `dir` (its store must not be replaced under it).
void RefuseIfAnyRegisterLocked(const std::string& dir);

}  // namespace hostagent
