#include "db/provider.h"

#include "db/db_error.h"

namespace ado {

rtl::Variant TDataSetProvider::Data() {
  if (query_ == nullptr) throw EADOError("The provider has no query");
  if (query_->Active()) return rtl::Variant(query_->Packet());
  query_->Open();
  rtl::DataPacket packet = query_->Packet();
  query_->Close();
  return rtl::Variant(packet);
}

}  // namespace ado
