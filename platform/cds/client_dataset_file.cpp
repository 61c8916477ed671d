// The in-memory table's table-file operations, which live with the table-file library.
#include "cds/cds_file.h"
#include "rtl/client_dataset.h"

namespace rtl {

void TClientDataSet::LoadFromFile(const std::string& path) {
  SetData(Variant(cds::ReadCdsFile(path)));
}

void TClientDataSet::SaveToFile(const std::string& path, FileFormat format) const {
  cds::WriteCdsFile(path, Packet(),
                    format == FileFormat::Xml ? cds::CdsFormat::Xml : cds::CdsFormat::Binary);
}

}  // namespace rtl
