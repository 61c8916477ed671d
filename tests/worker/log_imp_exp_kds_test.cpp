#include "worker/log_imp_exp_kds.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace fs = std::filesystem;
using Cli_Qam00417::LogImpExpKDS;
using Cli_Qam00417::LogImpExpKDSPath;

namespace {

class LogImpExpKDSTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "logkds_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    rtl::SetProgramDirectory(dir_);
    SetTime(2026, 12, 6, 14, 3, 7);
  }
  void TearDown() override {
    rtl::SetClock({});
    rtl::SetProgramDirectory("");
    fs::remove_all(dir_);
  }

  void SetTime(int year, int month, int day, int hour, int minute, int second, int msec = 0) {
    const rtl::TDateTime now = rtl::EncodeDateTime({year, month, day, hour, minute, second, msec});
    rtl::SetClock([now] { return now; });
  }

  std::string LogFile(const std::string& year, const std::string& ddmm) const {
    return dir_ + "/Dados/LogImpExpKDS/LogImpExpKDS" + year + "/LogImpExpKDS" + ddmm + ".txt";
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string dir_;
};

TEST_F(LogImpExpKDSTest, FirstLineOfTheDayCreatesFoldersAndFile) {
  LogImpExpKDS("Inicio");
  const std::string path = LogFile("2026", "0612");
  EXPECT_EQ("06/12/2026 14:03:07 - Inicio\r\n", Read(path));
  EXPECT_EQ(path, LogImpExpKDSPath());
}

TEST_F(LogImpExpKDSTest, LaterLinesOfTheDayAreAppended) {
  LogImpExpKDS("um");
  SetTime(2026, 12, 6, 14, 3, 8);
  LogImpExpKDS("dois");
  EXPECT_EQ("06/12/2026 14:03:07 - um\r\n06/12/2026 14:03:08 - dois\r\n",
            Read(LogFile("2026", "0612")));
}

TEST_F(LogImpExpKDSTest, EachDayAndYearHasItsOwnFile) {
  LogImpExpKDS("ano 2026");
  SetTime(2027, 12, 6, 9, 0, 1);
  LogImpExpKDS("ano 2027");
  SetTime(2027, 1, 2, 9, 0, 1);
  LogImpExpKDS("janeiro");
  EXPECT_EQ("06/12/2026 14:03:07 - ano 2026\r\n", Read(LogFile("2026", "0612")));
  EXPECT_EQ("06/12/2027 09:00:01 - ano 2027\r\n", Read(LogFile("2027", "0612")));
  EXPECT_EQ("02/01/2027 09:00:01 - janeiro\r\n", Read(LogFile("2027", "0201")));
  EXPECT_EQ(LogFile("2027", "0201"), LogImpExpKDSPath());
}

TEST_F(LogImpExpKDSTest, MidnightShowsTheDateAloneWhateverTheMilliseconds) {
  SetTime(2026, 12, 7, 0, 0, 0, 640);
  LogImpExpKDS("virada");
  SetTime(2026, 12, 7, 0, 0, 1);
  LogImpExpKDS("depois");
  EXPECT_EQ("07/12/2026 - virada\r\n07/12/2026 00:00:01 - depois\r\n",
            Read(LogFile("2026", "0712")));
}

TEST_F(LogImpExpKDSTest, MessagesAreWrittenUnchanged) {
  LogImpExpKDS("");
  LogImpExpKDS("linha\nquebrada\r\nduas vezes  ");
  LogImpExpKDS("Pedido não encontrado - Qam00417 - Funcao:getPedidos");
  EXPECT_EQ(
      "06/12/2026 14:03:07 - \r\n"
      "06/12/2026 14:03:07 - linha\nquebrada\r\nduas vezes  \r\n"
      "06/12/2026 14:03:07 - Pedido não encontrado - Qam00417 - Funcao:getPedidos\r\n",
      Read(LogFile("2026", "0612")));
}

TEST_F(LogImpExpKDSTest, LinesOfTwoThreadsNeverInterleave) {
  constexpr int kLines = 1000;
  const std::string a(5000, 'a');
  const std::string b(5000, 'b');
  auto writer = [](const std::string& text) {
    for (int i = 0; i < kLines; ++i) LogImpExpKDS(text);
  };
  std::thread first(writer, a);
  std::thread second(writer, b);
  first.join();
  second.join();

  const std::string prefix = "06/12/2026 14:03:07 - ";
  const std::set<std::string> allowed = {prefix + a, prefix + b};
  std::istringstream text(Read(LogFile("2026", "0612")));
  int lines = 0;
  for (std::string line; std::getline(text, line, '\n'); ++lines) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ('\r', line.back());
    line.pop_back();
    ASSERT_EQ(1u, allowed.count(line)) << "line " << lines << " is mixed";
  }
  EXPECT_EQ(2 * kLines, lines);
}

TEST_F(LogImpExpKDSTest, UnwritableLogRaisesInOutError) {
  // A file where the data folder should be: neither the folders nor the file can be made,
  // even for a privileged user.
  std::ofstream(dir_ + "/Dados") << "not a folder";
  try {
    LogImpExpKDS("perdido");
    FAIL() << "no error raised";
  } catch (const rtl::EInOutError& error) {
    // The folder's own cause, not the open's "No such file or directory".
    EXPECT_EQ("Log folder '" + dir_ +
                  "/Dados/LogImpExpKDS/LogImpExpKDS2026': cannot create: " + "Not a directory",
              error.what());
  }
}

TEST_F(LogImpExpKDSTest, LogFileThatIsAFolderRaisesInOutError) {
  fs::create_directories(LogFile("2026", "0612"));
  try {
    LogImpExpKDS("perdido");
    FAIL() << "no error raised";
  } catch (const rtl::EInOutError& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find("LogImpExpKDS0612.txt"));
  }
}

}  // namespace
