#pragma once
// The first row of a table a fake received, as a test compares it: "FIELD=value " for each
// field that is set.

#include <string>

#include "rtl/client_dataset.h"

namespace vyrtest {

inline std::string FirstRowText(const rtl::TClientDataSet& table) {
  std::string text;
  const rtl::DataPacket packet = table.Packet();
  for (size_t i = 0; i < packet.FieldCount(); ++i) {
    const rtl::Variant& value = packet.Value(0, i);
    if (!value.IsNull()) text += packet.Fields()[i].name + "=" + value.AsString() + " ";
  }
  return text;
}

}  // namespace vyrtest
