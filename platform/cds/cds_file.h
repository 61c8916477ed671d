#pragma once
// Client-dataset table files (.cds): the binary data packet and the XML data packet.
//
// Readers return the current view of the stored table: a change log saved with the file is
// applied (superseded and deleted rows dropped, unchanged fields of modified rows taken from
// their originals). Texts come out as UTF-8; binary files and XML files without an encoding
// declaration hold Windows-1252 text. Every reader raises ECdsError (an rtl::EDatabaseError)
// naming the file and what is wrong for damaged, truncated or hostile input; memory use is
// bounded by a small multiple of the input size. Writers produce files without a change log.
// All functions are thread-safe (they share no state).

#include <string>

#include "cds/cds_metadata.h"
#include "rtl/data_packet.h"

namespace cds {

enum class CdsFormat { Binary, Xml };

// Reads a file of either form, picked by content. A file that cannot be opened raises
// rtl::EInOutError. With `metadata`, the file's metadata goes there (cds_metadata.h).
rtl::DataPacket ReadCdsFile(const std::string& path, CdsMetadata* metadata = nullptr);
// Reads the bytes of a file of either form; `name_for_errors` prefixes every error message.
rtl::DataPacket ReadCdsData(const std::string& bytes, const std::string& name_for_errors,
                            CdsMetadata* metadata = nullptr);
rtl::DataPacket ReadCdsBinary(const std::string& bytes, const std::string& name_for_errors,
                              CdsMetadata* metadata = nullptr);
rtl::DataPacket ReadCdsXml(const std::string& bytes, const std::string& name_for_errors,
                           CdsMetadata* metadata = nullptr);

// Writers raise ECdsError, prefixed with `name_for_errors`, for a value the file cannot hold
// (a date outside years 1-9999, a BCD value of more than 32 digits, a text of more than 65535
// bytes in a String field, a number out of its field's range, a text that is not a number in a
// numeric field). String, WideString and Bytes fields are widened to their longest value.
// Texts of String fields and memos go through Windows-1252: other characters become "?".
// With `metadata` (as a reader filled it, for the same fields), the packet's and the fields'
// properties and attributes are stored too; a property name of more than 255 bytes is cut.
std::string WriteCdsBinary(const rtl::DataPacket& packet,
                           const std::string& name_for_errors = "data packet",
                           const CdsMetadata* metadata = nullptr);
// An XML data packet declared as UTF-8. Field names must be XML names (no blanks), and so must
// the names of kept properties.
std::string WriteCdsXml(const rtl::DataPacket& packet,
                        const std::string& name_for_errors = "data packet",
                        const CdsMetadata* metadata = nullptr);
// Writes the whole file (replacing it); errors name `path`; an I/O failure raises
// rtl::EInOutError.
void WriteCdsFile(const std::string& path, const rtl::DataPacket& packet, CdsFormat format,
                  const CdsMetadata* metadata = nullptr);

}  // namespace cds
