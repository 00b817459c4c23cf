// Settings through the profile names: the suite profile, the data directory and its profile.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace {

using namespace vantrel::test;
namespace fs = std::filesystem;

// HOME is a temporary directory and VANTREL_PROFILE unset: the suite profile and the data
// directory are the test's own.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = dir_.file("home");
    fs::create_directories(home_);
    homeEnv_.set(home_);
    profileEnv_.unset();
  }
  std::string suiteProfile() const { return home_ + "/.config/vantrel/VANTREL.INI"; }
  std::string defaultData() const { return home_ + "/.local/share/vantrel/data"; }

  // Destroyed in reverse order: the variables are restored, then the directory goes.
  TempDir dir_{"vantrel-settings"};
  ScopedEnv homeEnv_{"HOME"};
  ScopedEnv profileEnv_{"VANTREL_PROFILE"};
  std::string home_;
};

TEST_F(SettingsTest, ProfileNamesLeadToTheirFiles) {
  EXPECT_EQ(QRX_ProfilePath("vantrel"), suiteProfile());
  EXPECT_EQ(QRX_ProfilePath("QRXDATA.INF"), defaultData() + "/qrxdata.inf");
  EXPECT_EQ(QRX_ProfilePath("VANTREL.INI"), "VANTREL.INI");  // a path, not the suite profile
  EXPECT_EQ(QRX_ProfilePath(nullptr), "");
  profileEnv_.set("");  // set but empty counts as not set
  EXPECT_EQ(QRX_ProfilePath("VANTREL"), suiteProfile());

  // Written through the names: the data profile follows GENERAL/Path, and the same key in the
  // suite profile is a different setting.
  const std::string data = dir_.file("practice");
  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", (data + "/").c_str()), 1);
  ASSERT_EQ(QRX_WriteProfileInt("APPTBOOK", "AlwaysCalculate", 0, kDataProfile), 1);
  EXPECT_EQ(readFile(data + "/qrxdata.inf"), "[APPTBOOK]\nAlwaysCalculate=0\n");
  EXPECT_EQ(QRX_GetSuiteSetting("APPTBOOK", "AlwaysCalculate", 1), 1);
  ASSERT_EQ(QRX_DeleteProfileKey("GENERAL", "Path"), 1);
  EXPECT_EQ(QRX_ProfilePath(kDataProfile), defaultData() + "/qrxdata.inf");

  const std::string redirected = dir_.file("station2/VANTREL.INI");
  profileEnv_.set(redirected);
  ASSERT_EQ(QRX_WriteProfileInt("NETWORK", "STATION", 2), 1);
  EXPECT_EQ(readFile(redirected), "[NETWORK]\nSTATION=2\n");
  EXPECT_EQ(QRX_GetSuiteSetting("network", "station", 1), 2);
}

TEST_F(SettingsTest, DataPathFromGeneralPathOrDefault) {
  // The data directory with these lines in GENERAL, or with nullptr no suite profile at all.
  auto dataPath = [&](const char* lines) {
    std::error_code ignored;
    fs::remove(suiteProfile(), ignored);
    if (lines != nullptr) writeFile(suiteProfile(), std::string("[GENERAL]\n") + lines);
    char out[512];
    const int length = QRX_GetDataPath(out, sizeof out);
    EXPECT_EQ(length, static_cast<int>(std::strlen(out)));
    return std::string(out);
  };
  EXPECT_EQ(dataPath(nullptr), defaultData());
  EXPECT_EQ(dataPath("Path=\n"), defaultData());
  EXPECT_EQ(dataPath("Path=/srv/v//\n"), "/srv/v");
  EXPECT_EQ(dataPath("path = \"/srv/with blank/\"\n"), "/srv/with blank");
  EXPECT_EQ(dataPath("Path=~/practice/\n"), home_ + "/practice");
  EXPECT_EQ(dataPath("Path=/\n"), "/");
  EXPECT_EQ(dataPath("Path=/srv/~/x\n"), "/srv/~/x");
}

// A path cut short would point the program at another directory: it gives 0 and empty text.
TEST_F(SettingsTest, TextsAreCutToTheirBuffersAndADataPathThatDoesNotFitIsRefused) {
  writeFile(suiteProfile(), "[GENERAL]\nPath=/srv/data\n[S]\naccent=a\xc3\xa9z\n");
  for (std::size_t size : {9u, 10u}) {  // "/srv/data" and its terminator need 10
    Guarded<10> path;
    EXPECT_EQ(QRX_GetDataPath(path.data(), size), size == 10 ? 9 : 0);
    EXPECT_EQ(path.text(), size == 10 ? "/srv/data" : "");
    EXPECT_TRUE(path.guardIntact(size));
  }
  EXPECT_EQ(QRX_GetDataPath(nullptr, 100), 0);
  // The text copied into `size` bytes; what was written past them shows as "overrun".
  auto value = [](const char* key, const char* def, std::size_t size) {
    Guarded<64> out;
    const int length = QRX_GetProfileString("S", key, def, out.data(), size);
    EXPECT_EQ(length, static_cast<int>(out.text().size()));
    return out.guardIntact(size) ? out.text() : "overrun";
  };
  EXPECT_EQ(value("accent", "", 5), "a\xc3\xa9z");
  EXPECT_EQ(value("accent", "", 3), "a");  // no half of the accented letter
  EXPECT_EQ(value("absent", "default", 4), "def");
  EXPECT_EQ(value("absent", nullptr, 64), "");
  Guarded<1> none;
  EXPECT_EQ(QRX_GetProfileString("S", "accent", "", none.data(), 0), 0);
  EXPECT_TRUE(none.guardIntact(0));
}

TEST_F(SettingsTest, BadArgumentsAndUnwritableProfileGiveClearResultsAndWriteNothing) {
  char out[16] = "junk";
  EXPECT_EQ(QRX_GetProfileString("S", nullptr, nullptr, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(QRX_GetProfileString("S", "k", "def", nullptr, 16), 0);
  EXPECT_EQ(QRX_GetProfileInt(nullptr, "k", 8), 8);
  EXPECT_EQ(QRX_WriteProfileString(nullptr, "k", "v"), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", "k", nullptr), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", "k", "two\nlines"), 0);
  EXPECT_EQ(QRX_WriteProfileString("S", "k", "v", ""), 0);
  EXPECT_FALSE(fs::exists(suiteProfile()));

  writeFile(dir_.file("plain"), "a file where a directory should be");
  profileEnv_.set(dir_.file("plain/VANTREL.INI"));
  EXPECT_EQ(QRX_WriteProfileInt("NETWORK", "STATION", 2), 0);
  EXPECT_EQ(QRX_GetSuiteSetting("NETWORK", "STATION", 1), 1);
  EXPECT_EQ(readFile(dir_.file("plain")), "a file where a directory should be");
}

}  // namespace
