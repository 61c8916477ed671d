#include "db/parameters.h"

#include "rtl/errors.h"
#include "rtl/text_compare.h"

namespace ado {

TParameters::TParameters(const std::vector<ParamDecl>& decls) {
  params_.reserve(decls.size());
  for (const ParamDecl& decl : decls) params_.emplace_back(decl);
}

const TParameter* TParameters::FindParam(const std::string& name) const {
  for (const TParameter& param : params_) {
    if (rtl::SameText(param.Name(), name)) return &param;
  }
  return nullptr;
}

TParameter& TParameters::ParamByName(const std::string& name) {
  const TParameter* found = FindParam(name);
  if (found == nullptr) throw rtl::EInvalidOperation("Parameter '" + name + "' not found");
  return const_cast<TParameter&>(*found);
}

}  // namespace ado
