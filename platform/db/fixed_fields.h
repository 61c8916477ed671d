#pragma once
// Fits a statement's result to a query's declared fields. Private to the database layer.

#include <vector>

#include "rtl/data_packet.h"
#include "rtl/field_def.h"

namespace ado {

// A packet with exactly `fields`, in their order, each taken from the result column of the
// same name (compared without regard to case) with its values converted to the field's type;
// a text longer than a String field's width is cut to the width in characters (UTF-8).
// Raises EADOError "Field 'X' not found" for a field the result lacks, and rtl::EConvertError
// for a value that does not convert.
rtl::DataPacket FitToFields(const rtl::DataPacket& result,
                            const std::vector<rtl::FieldDef>& fields);

}  // namespace ado
