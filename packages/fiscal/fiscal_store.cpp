#include "fiscal/fiscal_store.h"

#include <memory>

#include "vyrutil/connection_setup.h"

namespace VyrFiscal {

ado::TADOConnection& ConexaoFiscal() {
  static const std::unique_ptr<ado::TADOConnection> connection = [] {
    auto made = std::make_unique<ado::TADOConnection>();
    made->BeforeConnect = [](ado::TADOConnection& sender) {
      sender.ConnectionString = VyrUtil::GetStringConexVyr("");
    };
    made->AfterConnect = [](ado::TADOConnection& sender) { VyrUtil::SetADODBSession(sender); };
    return made;
  }();
  return *connection;
}

}  // namespace VyrFiscal
