// libFuzzer target: table files of either form. Any input must either read or fail with
// ECdsError; what reads must also write back, with its metadata. Any other exception, crash, leak,
// hang or sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cds/cds_error.h"
#include "cds/cds_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  rtl::DataPacket packet;
  cds::CdsMetadata metadata;
  try {
    packet = cds::ReadCdsData(bytes, "fuzz.cds", &metadata);
  } catch (const cds::ECdsError&) {
    return 0;
  }
  try {
    cds::ReadCdsBinary(cds::WriteCdsBinary(packet, "again.cds", &metadata), "again.cds");
  } catch (const cds::ECdsError&) {
    // A value the binary form cannot hold (a text too long for its prefix) is refused cleanly.
  }
  return 0;
}
