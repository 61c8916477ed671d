#pragma once
// The field descriptions a writer stores: String, WideString and Bytes fields widened to their
// longest value, so that no value is cut and every length fits its prefix.

#include <vector>

#include "rtl/data_packet.h"

namespace cds {

std::vector<rtl::FieldDef> FieldsToWrite(const rtl::DataPacket& packet);

}  // namespace cds
