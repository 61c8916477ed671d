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

}  // namespace
