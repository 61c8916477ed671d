// Where a day's fiscal files go and how the store records their paths: relative to the program
// directory, with the paths older records hold read as they are.

#include "vyrutil/xml_folder.h"

#include <gtest/gtest.h>

#include "rtl/program_dir.h"

namespace {

TEST(XmlFolderTest, DayFoldersAndRecordedPaths) {
  rtl::SetProgramDirectory("/opt/loja");
  const std::string texto = VyrUtil::PastaXmlDoDia("0001", "001", "2026-03-31T23:59:58-03:00") +
                            "|" + VyrUtil::CaminhoGravado("/opt/loja/Dados/XML_NFCe_Sat/a.xml") +
                            "|" + VyrUtil::CaminhoGravado("/outra/a.xml") + "|" +
                            VyrUtil::CaminhoGravado("/opt/lojaantiga/a.xml") + "|" +
                            VyrUtil::CaminhoLido("Dados/XML_NFCe_Sat/a.xml") + "|" +
                            VyrUtil::CaminhoLido("/antiga/Dados/a.xml") + "|" +
                            VyrUtil::CaminhoLido("");
  rtl::SetProgramDirectory("");
  EXPECT_EQ(
      "/opt/loja/Dados/XML_NFCe_Sat/0001-001-2026-03-31/|Dados/XML_NFCe_Sat/a.xml|/outra/a.xml|"
      "/opt/lojaantiga/a.xml|/opt/loja/Dados/XML_NFCe_Sat/a.xml|/antiga/Dados/a.xml|",
      texto);
}

}  // namespace
