// cdsdump: prints the current rows of a client-dataset table file (binary or XML) as
// tab-separated text, or converts the file to the other form.
//
//   cdsdump FILE                  header line of field names, then one line per row
//   cdsdump FILE --to-xml OUT     writes OUT as an XML data packet (UTF-8)
//   cdsdump FILE --to-binary OUT  writes OUT as a binary data packet
//
// A conversion keeps the file's metadata: the packet's properties (default order, primary key,
// locale, ...) and every field attribute. Floating-point values print as plain decimals.
//
// Exit status: 0 on success, 1 when the file cannot be read or written, 2 on bad arguments.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cds/cds_file.h"
#include "cds/tsv_dump.h"
#include "rtl/errors.h"

int main(int argc, char** argv) {
  CLI::App app{"Prints or converts a client-dataset table file (.cds, binary or XML)", "cdsdump"};
  std::string input;
  std::string xml_output;
  std::string binary_output;
  app.add_option("FILE", input, "Table file to read")->required();
  CLI::Option* to_xml = app.add_option("--to-xml", xml_output, "Write the table as XML to OUT");
  CLI::Option* to_binary =
      app.add_option("--to-binary", binary_output, "Write the table in binary form to OUT");
  to_xml->excludes(to_binary);
  const CLI::Validator not_empty(
      [](std::string& text) { return text.empty() ? std::string("empty file name") : ""; }, "OUT");
  to_xml->check(not_empty);
  to_binary->check(not_empty);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }
  try {
    cds::CdsMetadata metadata;
    const rtl::DataPacket packet = cds::ReadCdsFile(input, &metadata);
    if (*to_xml) {
      cds::WriteCdsFile(xml_output, packet, cds::CdsFormat::Xml, &metadata);
    } else if (*to_binary) {
      cds::WriteCdsFile(binary_output, packet, cds::CdsFormat::Binary, &metadata);
    } else {
      cds::WriteTsv(packet, std::cout);
    }
  } catch (const rtl::Exception& error) {
    std::cerr << "cdsdump: " << error.what() << '\n';
    return 1;
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}
