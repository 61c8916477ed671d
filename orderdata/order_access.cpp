#include "orderdata/order_access.h"

#include "rtl/errors.h"
#include "vyrutil/connection_setup.h"

namespace Cli_Qam00417::orderdata {

void BindTexts(ado::TParameters& params, const Bindings& bindings) {
  for (const Binding& binding : bindings) {
    // ParamByName raises for an undeclared name, so a typo fails loudly instead of running with
    // a NULL parameter.
    params.ParamByName(binding.name);
    for (size_t i = 0; i < params.Count(); ++i) {
      if (params[i].Name() == binding.name) params[i].SetAsString(binding.value);
    }
  }
}

rtl::Variant OpenPacket(TADOQuery& query, TDataSetProvider& provider, const Bindings& bindings) {
  query.Close();
  BindTexts(query.Parameters(), bindings);
  query.Open();
  return provider.Data();
}

std::string OpenValue(TADOQuery& query, const Bindings& bindings, const std::string& column) {
  query.Close();
  BindTexts(query.Parameters(), bindings);
  query.Open();
  if (query.IsEmpty()) return "";
  return query.FieldByName(column).AsString();
}

int64_t ExecuteBound(TADOCommand& command, const Bindings& bindings) {
  BindTexts(command.Parameters(), bindings);
  return command.Execute();
}

std::string FailureText(std::exception_ptr error, TADOConnection& connection) {
  try {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      try {
        return VyrUtil::ADOExceptionMessage(e, connection, "");
      } catch (...) {
        return e.what();
      }
    }
  } catch (...) {
    // Not a std::exception: there is no text to report but that it failed.
    const rtl::Exception unknown("Unknown error");
    try {
      return VyrUtil::ADOExceptionMessage(unknown, connection, "");
    } catch (...) {
      return unknown.what();
    }
  }
}

void RollbackQuietly(TrdmImpExpKds& dm) {
  try {
    dm.RollbackTrans();
  } catch (...) {
    // The connection may be gone; its transaction went with it.
  }
}

}  // namespace Cli_Qam00417::orderdata
