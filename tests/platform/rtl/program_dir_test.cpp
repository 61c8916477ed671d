#include "rtl/program_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

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
  char pattern[] = "/tmp/vyr_rtl_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  const std::string original = ProgramDirectory();
  SetProgramDirectory(std::string(pattern) + "/");
  EXPECT_EQ(pattern, ProgramDirectory());
  SetProgramDirectory("");
  EXPECT_EQ(original, ProgramDirectory());
  rmdir(pattern);
}

}  // namespace
}  // namespace rtl
