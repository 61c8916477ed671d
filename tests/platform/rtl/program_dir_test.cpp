#include "rtl/program_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace rtl {
namespace {

class ProgramDirectoryTest : public ::testing::Test {
 protected:
  void TearDown() override { SetProgramDirectory(""); }
};

TEST_F(ProgramDirectoryTest, DefaultsToTheExecutablesFolder) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE('/', dir.back());
  EXPECT_EQ(0, access((dir + "/test_rtl").c_str(), X_OK)) << dir;
}

TEST_F(ProgramDirectoryTest, OverrideAppliesUntilCleared) {
  const vyrtest::TempDir folder("vyr_rtl");
  const std::string original = ProgramDirectory();
  SetProgramDirectory(folder.Path() + "/");
  EXPECT_EQ(folder.Path(), ProgramDirectory());
  SetProgramDirectory("");
  EXPECT_EQ(original, ProgramDirectory());
}

}  // namespace
}  // namespace rtl
