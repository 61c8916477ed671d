// The receipt copies kept in day folders: finding one for a reprint, and removing the old ones
// while every XML file stays.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "hostagent/receipt_copies.h"
#include "support/temp_dir.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

// Days folders before the limit lose their copies (and go once empty), the day at the limit
// stays; copies of the flat folder of older stores go by their file's age; other files and the
// XML files stay. A copy is found in its newest day folder, then in the flat folder.
TEST(ReceiptCopies, OldCopiesGoAndXmlFilesStay) {
  vyrtest::TempDir dir;
  const std::string dados = dir.Path() + "/Dados/";
  const auto write = [&](const std::string& file, int days_old) {
    fs::create_directories(fs::path(dados + file).parent_path());
    std::ofstream(dados + file) << "x";
    fs::last_write_time(dados + file,
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * days_old));
  };
  for (const char* file :
       {"Impressao/2026-02-28/NFCe1.txt", "Impressao/2026-02-28/NFCe1.png",
        "Impressao/2026-02-28/leia-me.txt", "Impressao/2026-03-02/CFe3.txt",
        "Impressao/2026-03-03/NFCe7.txt", "Impressao/2026-03-05/NFCe7.txt",
        "XML_NFCe_Sat/0001-001-2026-02-01/35260211222333000181650010000000011000000019.xml"}) {
    write(file, 0);
  }
  write("Impressao/NFCe4.txt", 10);
  write("Impressao/NFCe5.txt", 1);
  std::string state;
  for (const char* name : {"NFCe7.txt", "NFCe5.txt", "NFCe9.txt"}) {
    const std::string copy = hostagent::FindReceiptCopy(dir.Path(), name);
    state += (copy.empty() ? "-" : fs::relative(copy, dados).string()) + " ";
  }
  const int removed = hostagent::RemoveOldCopies(
      dir.Path(), 7, rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(0, 30, 0, 0));
  state += "\nremoved " + std::to_string(removed) + ":";
  std::set<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(dados)) {
    left.insert(fs::relative(entry.path(), dados).string());
  }
  for (const std::string& name : left) state += " " + name;
  EXPECT_EQ(
      "Impressao/2026-03-05/NFCe7.txt Impressao/NFCe5.txt - \n"
      "removed 4: Impressao Impressao/2026-02-28 Impressao/2026-02-28/leia-me.txt "
      "Impressao/2026-03-03 Impressao/2026-03-03/NFCe7.txt Impressao/2026-03-05 "
      "Impressao/2026-03-05/NFCe7.txt Impressao/NFCe5.txt XML_NFCe_Sat "
      "XML_NFCe_Sat/0001-001-2026-02-01 "
      "XML_NFCe_Sat/0001-001-2026-02-01/35260211222333000181650010000000011000000019.xml",
      state);
}

}  // namespace
}  // namespace hosttest
