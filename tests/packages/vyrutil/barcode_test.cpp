#include "vyrutil/barcode.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rtl/errors.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using VyrUtil::CriaCodBarra;

namespace {

const std::string kChave = "35260612345678000190650010000001231000001234";

class CriaCodBarraTest : public ::testing::Test {
 protected:
  vyrtest::TempDir folder_{"codbarra"};
  const std::string dir_ = folder_.Path();

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // A PNG, or an SVG where zint lacks PNG support.
  static void ExpectImage(const std::string& path) {
    const std::string image = Read(path);
    ASSERT_GT(image.size(), 100u) << path;
    const bool png = image.compare(0, 4, "\x89PNG") == 0;
    const bool svg = image.find("<svg") != std::string::npos;
    EXPECT_TRUE(png || svg) << path;
  }
};

TEST_F(CriaCodBarraTest, WritesAnImageNamedAfterTheKeyCreatingTheFolder) {
  const std::string folder = dir_ + "/Dados/XML_NFCe_Sat/0001_001";
  const std::string path = CriaCodBarra(kChave, folder);
  EXPECT_EQ(0u, path.rfind(folder + "/" + kChave + ".", 0)) << path;
  ExpectImage(path);
}

TEST_F(CriaCodBarraTest, RewritesAnExistingImage) {
  const std::string first = CriaCodBarra(kChave, dir_);
  const std::string second = CriaCodBarra(kChave, dir_);
  EXPECT_EQ(first, second);
  ExpectImage(second);
}

TEST_F(CriaCodBarraTest, WorksInDeeplyNestedFolders) {
  std::string folder = dir_;
  while (folder.size() < 400) folder += "/pasta_muito_longa_de_xml";
  ExpectImage(CriaCodBarra(kChave, folder));
}

TEST_F(CriaCodBarraTest, KeysThatCannotNameAFileRaise) {
  EXPECT_THROW(CriaCodBarra("", dir_), rtl::EInOutError);
  EXPECT_THROW(CriaCodBarra("../fora", dir_), rtl::EInOutError);
  EXPECT_THROW(CriaCodBarra("..", dir_), rtl::EInOutError);
  EXPECT_FALSE(fs::exists(fs::path(dir_).parent_path() / "fora.png"));
}

TEST_F(CriaCodBarraTest, UnwritableFolderRaises) {
  std::ofstream(dir_ + "/arquivo") << "not a folder";
  EXPECT_THROW(CriaCodBarra(kChave, dir_ + "/arquivo/sub"), rtl::EInOutError);
}

}  // namespace
