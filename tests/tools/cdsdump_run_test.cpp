// The built cdsdump program, run as installers run it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "cds/cds_file.h"
#include "platform/cds/cds_test_util.h"

namespace {

using cds_test::ReadBytes;

// Runs cdsdump with `arguments`; stdout and stderr land in the folder. Returns the exit status.
int RunCdsDump(const cds_test::TempDir& dir, const std::string& arguments) {
  const std::string command = std::string(VYR_BIN_DIR) + "/cdsdump " + arguments + " >" +
                              dir.File("out.txt") + " 2>" + dir.File("err.txt");
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CdsDumpProgram, PrintsConvertsAndReportsDamagedFiles) {
  cds_test::TempDir dir;
  const std::string country = cds_test::FixturePath("country.cds");
  ASSERT_EQ(0, RunCdsDump(dir, country));
  const std::string printed = ReadBytes(dir.File("out.txt"));
  EXPECT_EQ(0u, printed.find("Name\tCapital\tContinent\tArea\tPopulation\n"
                             "Argentina\tBuenos Aires\tSouth America\t2777815\t32300003\n"));
  EXPECT_EQ(19, std::count(printed.begin(), printed.end(), '\n'));

  ASSERT_EQ(0, RunCdsDump(dir, country + " --to-xml " + dir.File("c.xml")));
  ASSERT_EQ(0, RunCdsDump(dir, dir.File("c.xml") + " --to-binary " + dir.File("c.cds")));
  EXPECT_EQ(cds::ReadCdsFile(country), cds::ReadCdsFile(dir.File("c.cds")));

  cds_test::WriteBytes(dir.File("bad.cds"), "not a table");
  EXPECT_EQ(1, RunCdsDump(dir, dir.File("bad.cds")));
  EXPECT_NE(std::string::npos, ReadBytes(dir.File("err.txt")).find("bad.cds: wrong magic"));
  EXPECT_EQ(2, RunCdsDump(dir, ""));
}

// Binary to XML and back gives the very same bytes: the packet's properties (default order,
// primary key, locale) and every field attribute survive; the XML carries the same PARAMS as
// the fixture's XML twin.
TEST(CdsDumpProgram, ConversionKeepsTheFileMetadata) {
  cds_test::TempDir dir;
  std::string outcome;
  for (const char* table : {"country", "customer", "orders", "reservat"}) {
    const std::string original = cds_test::FixturePath(std::string(table) + ".cds");
    RunCdsDump(dir, original + " --to-xml " + dir.File("t.xml"));
    RunCdsDump(dir, dir.File("t.xml") + " --to-binary " + dir.File("t.cds"));
    const std::string xml = ReadBytes(dir.File("t.xml"));
    const std::string twin = ReadBytes(cds_test::FixturePath(std::string(table) + ".xml"));
    const auto params = [](const std::string& text) {
      const size_t at = text.find("<PARAMS");
      return text.substr(at, text.find("/>", at) - at);
    };
    outcome += std::string(table) +
               (ReadBytes(original) == ReadBytes(dir.File("t.cds")) ? " same" : " differs") +
               (params(xml) == params(twin) ? " params\n" : " " + params(xml) + "\n");
  }
  EXPECT_EQ("country same params\ncustomer same params\norders same params\nreservat same params\n",
            outcome);
  EXPECT_EQ(2, RunCdsDump(dir, cds_test::FixturePath("country.cds") + " --to-xml ''"));
}

}  // namespace
