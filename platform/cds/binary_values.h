#pragma once
// Field values of binary data packets.

#include "cds/byte_reader.h"
#include "cds/cds_types.h"
#include "rtl/field_def.h"
#include "rtl/variant.h"

namespace cds {

// Reads the value of a field whose descriptor has `type` and was read as `def`. Texts come out
// as UTF-8, blobs as their bytes, empty dates as Null. Raises ECdsError through `in` for a value
// past the end of the file or outside its type's range.
rtl::Variant ReadBinaryValue(ByteReader& in, TypeWord type, const rtl::FieldDef& def);

}  // namespace cds
