#include "db/parameters.h"

#include <cctype>

#include "rtl/errors.h"

namespace ado {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

TParameters::TParameters(const std::vector<ParamDecl>& decls) {
  params_.reserve(decls.size());
  for (const ParamDecl& decl : decls) params_.emplace_back(decl);
}

const TParameter* TParameters::FindParam(const std::string& name) const {
  for (const TParameter& param : params_) {
    if (SameName(param.Name(), name)) return &param;
  }
  return nullptr;
}

TParameter& TParameters::ParamByName(const std::string& name) {
  const TParameter* found = FindParam(name);
  if (found == nullptr) throw rtl::EInvalidOperation("Parameter '" + name + "' not found");
  return const_cast<TParameter&>(*found);
}

}  // namespace ado
