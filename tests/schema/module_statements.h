#pragma once
// The statements exactly as the module runs them on SQLite, taken from the data module's own
// components, so that the schema tests never check a copy that has drifted from the code.

#include <stdexcept>
#include <string>

#include "datamodule/rdm_imp_exp_kds.h"

namespace vyrtest {

// A data module that is never connected: its components only carry their statements.
inline const Cli_Qam00417::TrdmImpExpKds& ModuleForm() {
  static const Cli_Qam00417::TrdmImpExpKds form;
  return form;
}

// The SQLite text of the component `name` ("adqPedExpKDS").
inline std::string SqliteTextOf(const std::string& name) {
  for (const auto& [component, sql] : ModuleForm().Statements()) {
    if (component == name) return sql->For(ado::Dialect::SQLite);
  }
  throw std::invalid_argument("No statement component " + name);
}

}  // namespace vyrtest
