#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace {

using namespace vantrel::test;  // the shared test pieces
namespace fs = std::filesystem;

// Every test runs with HOME in a temporary directory and no VANTREL_PROFILE, so the suite
// profile and the data directory are the test's own.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    root_ = dir_.path();
    home_ = root_ + "/home";
    fs::create_directories(home_);
    ::setenv("HOME", home_.c_str(), 1);
    ::unsetenv("VANTREL_PROFILE");
  }
  std::string suiteProfile() const { return home_ + "/.config/vantrel/VANTREL.INI"; }
  std::string defaultData() const { return home_ + "/.local/share/vantrel/data"; }

  // Destroyed in reverse order: the variables are restored, then the directory goes.
  TempDir dir_{"vantrel-settings"};
  ScopedEnv homeEnv_{"HOME"};
  ScopedEnv profileEnv_{"VANTREL_PROFILE"};
  std::string root_;
  std::string home_;
};

// ---------------------------------------------------------------------------------------------
// Profile names

TEST_F(SettingsTest, SuiteProfileComesFromEnvironmentThenHome) {
  EXPECT_EQ(QRX_ProfilePath("VANTREL"), suiteProfile());
  EXPECT_EQ(QRX_ProfilePath("vantrel"), suiteProfile());
  EXPECT_EQ(QRX_ProfilePath(kSuiteProfile), suiteProfile());

  ::setenv("VANTREL_PROFILE", (root_ + "/elsewhere/suite.ini").c_str(), 1);
  EXPECT_EQ(QRX_ProfilePath("Vantrel"), root_ + "/elsewhere/suite.ini");

  ::setenv("VANTREL_PROFILE", "", 1);  // set but empty counts as not set
  EXPECT_EQ(QRX_ProfilePath("VANTREL"), suiteProfile());

  ::setenv("HOME", (home_ + "/").c_str(), 1);
  EXPECT_EQ(QRX_ProfilePath("VANTREL"), suiteProfile());
}

TEST_F(SettingsTest, DataProfileLivesInTheDataDirectory) {
  EXPECT_EQ(QRX_ProfilePath("qrxdata.inf"), defaultData() + "/qrxdata.inf");
  EXPECT_EQ(QRX_ProfilePath("QRXDATA.INF"), defaultData() + "/qrxdata.inf");
  writeFile(suiteProfile(), "[GENERAL]\nPath=" + root_ + "/practice/\n");
  EXPECT_EQ(QRX_ProfilePath(kDataProfile), root_ + "/practice/qrxdata.inf");
}

TEST_F(SettingsTest, OtherProfileNamesAreTakenAsPaths) {
  EXPECT_EQ(QRX_ProfilePath("/etc/vantrel/other.ini"), "/etc/vantrel/other.ini");
  EXPECT_EQ(QRX_ProfilePath("relative/VANTREL.INI"), "relative/VANTREL.INI");
  EXPECT_EQ(QRX_ProfilePath("VANTREL.INI"), "VANTREL.INI");  // not the suite profile's name
  EXPECT_EQ(QRX_ProfilePath(nullptr), "");
}

// ---------------------------------------------------------------------------------------------
// Data directory

TEST_F(SettingsTest, DataPathFromGeneralPathOrDefault) {
  const struct {
    const char* lines;  // of the GENERAL section; nullptr: no profile at all
    std::string expected;
  } cases[] = {
      {nullptr, defaultData()},
      {"Other=1\n", defaultData()},
      {"Path=\n", defaultData()},
      {"Path=/srv/vantrel\n", "/srv/vantrel"},
      {"Path=/srv/vantrel/\n", "/srv/vantrel"},
      {"Path=/srv/vantrel//\n", "/srv/vantrel"},
      {"path = \"/srv/with blank/\"\n", "/srv/with blank"},
      {"Path=~/practice/\n", home_ + "/practice"},
      {"Path=~\n", home_},
      {"Path=/\n", "/"},
      {"Path=/srv/~/x\n", "/srv/~/x"},
  };
  for (const auto& c : cases) {
    std::error_code ignored;
    fs::remove(suiteProfile(), ignored);
    if (c.lines != nullptr) writeFile(suiteProfile(), std::string("[GENERAL]\n") + c.lines);
    char out[512];
    int length = QRX_GetDataPath(out, sizeof out);
    EXPECT_EQ(std::string(out), c.expected) << (c.lines ? c.lines : "no profile");
    EXPECT_EQ(length, static_cast<int>(c.expected.size()));
  }
}

TEST_F(SettingsTest, DataPathThatDoesNotFitGivesZeroAndEmptyText) {
  writeFile(suiteProfile(), "[GENERAL]\nPath=/srv/data\n");  // 9 characters
  Guarded<9> tooSmall;
  EXPECT_EQ(QRX_GetDataPath(tooSmall.data(), 9), 0);
  EXPECT_EQ(tooSmall.text(), "");
  EXPECT_TRUE(tooSmall.guardIntact(9));

  Guarded<10> exact;
  EXPECT_EQ(QRX_GetDataPath(exact.data(), 10), 9);
  EXPECT_EQ(exact.text(), "/srv/data");
  EXPECT_TRUE(exact.guardIntact(10));

  EXPECT_EQ(QRX_GetDataPath(nullptr, 100), 0);
}

// ---------------------------------------------------------------------------------------------
// Reading and writing through the profile names

TEST_F(SettingsTest, FirstWriteCreatesSuiteProfileUnderHome) {
  ASSERT_EQ(QRX_WriteProfileString("APPTBOOK", "Font1", "Helv,8,6,600"), 1);
  ASSERT_EQ(QRX_WriteProfileInt("NETWORK", "STATION", 3), 1);
  EXPECT_EQ(readFile(suiteProfile()), "[APPTBOOK]\nFont1=Helv,8,6,600\n[NETWORK]\nSTATION=3\n");

  char out[64];
  EXPECT_EQ(QRX_GetProfileString("apptbook", "FONT1", "", out, sizeof out), 12);
  EXPECT_STREQ(out, "Helv,8,6,600");
  EXPECT_EQ(QRX_GetProfileInt("network", "station", 1), 3);
  EXPECT_EQ(QRX_GetSuiteSetting("NETWORK", "STATION", 1), 3);
  EXPECT_EQ(QRX_GetSuiteSetting("NETWORK", "UpdateSpeed", 15), 15);

  EXPECT_EQ(QRX_DeleteProfileKey("NETWORK", "STATION"), 1);
  EXPECT_EQ(QRX_GetSuiteSetting("NETWORK", "STATION", 1), 1);
  EXPECT_EQ(QRX_DeleteProfileKey("NETWORK", "STATION"), 1);  // already gone
}

TEST_F(SettingsTest, ProfileEnvironmentVariableRedirectsReadsAndWrites) {
  std::string redirected = root_ + "/station2/VANTREL.INI";
  ::setenv("VANTREL_PROFILE", redirected.c_str(), 1);
  ASSERT_EQ(QRX_WriteProfileInt("NETWORK", "STATION", 2), 1);
  EXPECT_EQ(readFile(redirected), "[NETWORK]\nSTATION=2\n");
  EXPECT_FALSE(fs::exists(suiteProfile()));
  EXPECT_EQ(QRX_GetSuiteSetting("NETWORK", "STATION", 1), 2);
}

TEST_F(SettingsTest, DataProfileFollowsGeneralPath) {
  std::string data = root_ + "/practice";
  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", data.c_str()), 1);
  ASSERT_EQ(QRX_WriteProfileInt("APPTBOOK", "AlwaysCalculate", 0, kDataProfile), 1);
  EXPECT_EQ(readFile(data + "/qrxdata.inf"), "[APPTBOOK]\nAlwaysCalculate=0\n");
  EXPECT_EQ(QRX_GetProfileInt("APPTBOOK", "AlwaysCalculate", 1, "QRXDATA.INF"), 0);
  // The same key in the suite profile is a different setting.
  EXPECT_EQ(QRX_GetSuiteSetting("APPTBOOK", "AlwaysCalculate", 1), 1);
}

TEST_F(SettingsTest, ProfileStringIsCutToFitAndCountsWhatWasCopied) {
  writeFile(suiteProfile(), "[S]\nword=abcdef\naccent=a\xc3\xa9z\n");
  const struct {
    const char* key;
    const char* def;
    std::size_t size;
    const char* expected;
  } cases[] = {
      {"word", "", 7, "abcdef"},
      {"word", "", 4, "abc"},
      {"word", "", 1, ""},
      {"absent", "default", 64, "default"},
      {"absent", "default", 4, "def"},
      {"absent", nullptr, 64, ""},
      {"accent", "", 5, "a\xc3\xa9z"},
      {"accent", "", 3, "a"},  // the two bytes of the accented letter do not fit
      {"accent", "", 4, "a\xc3\xa9"},
  };
  for (const auto& c : cases) {
    Guarded<64> out;
    int length = QRX_GetProfileString("S", c.key, c.def, out.data(), c.size);
    EXPECT_EQ(out.text(), c.expected) << c.key << " in " << c.size;
    EXPECT_EQ(length, static_cast<int>(std::strlen(c.expected)));
    EXPECT_TRUE(out.guardIntact(c.size)) << c.key << " in " << c.size;
  }
  Guarded<4> untouched;
  EXPECT_EQ(QRX_GetProfileString("S", "word", "", untouched.data(), 0), 0);
  EXPECT_TRUE(untouched.guardIntact(0));
}

TEST_F(SettingsTest, BadArgumentsGiveClearResultsAndWriteNothing) {
  char out[16] = "junk";
  EXPECT_EQ(QRX_GetProfileString(nullptr, "k", "def", out, sizeof out), 3);
  EXPECT_STREQ(out, "def");
  EXPECT_EQ(QRX_GetProfileString("S", nullptr, nullptr, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(QRX_GetProfileString("S", "k", "def", nullptr, 16), 0);
  EXPECT_EQ(QRX_GetProfileInt(nullptr, "k", 8), 8);
  EXPECT_EQ(QRX_GetSuiteSetting("S", nullptr, 9), 9);

  EXPECT_EQ(QRX_WriteProfileString(nullptr, "k", "v"), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", nullptr, "v"), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", "k", nullptr), 0);
  EXPECT_EQ(QRX_WriteProfileInt(nullptr, "k", 1), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", "k", "two\nlines"), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", "k", "v", ""), 0);
  EXPECT_FALSE(fs::exists(suiteProfile()));
}

TEST_F(SettingsTest, UnwritableProfileGivesZeroAndKeepsOldValue) {
  writeFile(root_ + "/plain", "a file where a directory should be");
  std::string below = root_ + "/plain/VANTREL.INI";
  ::setenv("VANTREL_PROFILE", below.c_str(), 1);
  EXPECT_EQ(QRX_WriteProfileInt("NETWORK", "STATION", 2), 0);
  EXPECT_EQ(QRX_GetSuiteSetting("NETWORK", "STATION", 1), 1);
  EXPECT_EQ(readFile(root_ + "/plain"), "a file where a directory should be");
}

}  // namespace
