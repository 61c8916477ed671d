#include "hostagent/module_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

namespace hostagent {

namespace {

template <typename Fn>
Fn Resolve(void* handle, const char* name) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) throw std::runtime_error(std::string("funcao ausente: ") + name);
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

ModuleLoader::ModuleLoader(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) throw std::runtime_error(dlerror());
  try {
    Dispara = Resolve<DisparaFn>(handle_, "DisparaImpPedExpKDS");
    Finaliza = Resolve<FinalizaFn>(handle_, "FinalizaImpPedExpKDS");
    Status = Resolve<StatusFn>(handle_, "StatusImpPedExpKDS");
    MotivoFim = Resolve<MotivoFimFn>(handle_, "MotivoFimImpPedExpKDS");
    Passagens = reinterpret_cast<PassagensFn>(dlsym(handle_, "PassagensImpPedExpKDS"));
  } catch (...) {
    dlclose(handle_);
    throw;
  }
}

ModuleLoader::~ModuleLoader() {
  if (!keep_) dlclose(handle_);
}

std::string DefaultModulePath() {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path() / "libPkg_Qam00417.so").string();
}

}  // namespace hostagent
