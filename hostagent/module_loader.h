#pragma once
// The automatic closing module, loaded at run time as an installation's host loads it.
//
// Not thread-safe; one instance per process.

#include <string>

namespace hostagent {

class ModuleLoader {
 public:
  using DisparaFn = void (*)(const char*, const char*, const char*, double);
  using FinalizaFn = int (*)(int);
  using StatusFn = int (*)();
  using MotivoFimFn = int (*)(char*, int);
  using PassagensFn = long (*)();

  // Loads `path` and resolves the entry, the stop, the status and the end-reason functions. Throws
  // std::runtime_error with dlerror()'s text when the library or a function is missing.
  explicit ModuleLoader(const std::string& path);
  // Unloads the module unless Keep() was called.
  ~ModuleLoader();
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  // The module must stay loaded (its worker did not stop): unloading would pull its code from
  // under a running thread.
  void Keep() { keep_ = true; }

  DisparaFn Dispara = nullptr;
  FinalizaFn Finaliza = nullptr;
  StatusFn Status = nullptr;
  MotivoFimFn MotivoFim = nullptr;
  // Null for a module that does not count its passes (the last pass is then not recorded).
  PassagensFn Passagens = nullptr;

 private:
  void* handle_ = nullptr;
  bool keep_ = false;
};

// <directory of the running executable>/libPkg_Qam00417.so
std::string DefaultModulePath();

}  // namespace hostagent
