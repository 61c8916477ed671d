#include "datamodule/error_boundary.h"

#include "rtl/errors.h"
#include "vyrutil/connection_setup.h"

namespace Cli_Qam00417 {

const char* const kErroDesconhecido = "Erro desconhecido";

std::string OwnMessage(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return kErroDesconhecido;
  }
}

std::string FailureText(std::exception_ptr error, ado::TADOConnection& connection) {
  try {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      return VyrUtil::ADOExceptionMessage(e, connection, "");
    } catch (...) {
      return VyrUtil::ADOExceptionMessage(rtl::Exception(kErroDesconhecido), connection, "");
    }
  } catch (...) {
    return OwnMessage(error);
  }
}

}  // namespace Cli_Qam00417
