// The settings read at start: workstation code, timer, colours, fonts, and what a damaged value
// falls back to.

#include "shell/shell_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;
using vantrel::test::writeFile;

TEST(StationCode, IsHundredPlusNumberAndNeverWrapsTheByte) {
  EXPECT_EQ(stationCodeFor(3), 103);
  EXPECT_EQ(stationCodeFor(kMaxStationNumber), 255);
  // 156 would wrap to 0, which turns notification off; 157 would pose as workstation 1's 101.
  for (const int bad : {0, 156, 257, -1, 2147483647}) EXPECT_EQ(stationCodeFor(bad), 101) << bad;
}

TEST(Timer, UpdateSpeedClampedToFiveToTwentyAndRunsOnlyForNetVersionOneWithSeveralStations) {
  const std::pair<int, int> speeds[] = {{2, 5}, {60, 20}, {-7, 5}, {5, 5}, {20, 20}, {12, 12}};
  for (const auto& [given, used] : speeds) EXPECT_EQ(clampUpdateSeconds(given), used) << given;
  EXPECT_TRUE(notificationTimerRunsFor(1, 2));
  EXPECT_FALSE(notificationTimerRunsFor(0, 2));
  EXPECT_FALSE(notificationTimerRunsFor(2, 2));
  EXPECT_FALSE(notificationTimerRunsFor(1, 1));
  EXPECT_FALSE(notificationTimerRunsFor(1, 0));
}

TEST(Colours, OnlyWellFormedValuesAreRead) {
  const struct {
    bool highlight;  // COLORn: number, character, number, ...; else BGCOLORn: fields at 0, 4, 8
    const char* value;
    std::optional<RgbColour> colour;
  } cases[] = {
      {false, "255,255,150", RgbColour{255, 255, 150}},
      {false, " 12, 0 ,150", RgbColour{12, 0, 150}},
      {false, "000;000;000", RgbColour{0, 0, 0}},
      {false, "255,255", {}},       // 7 characters
      {false, "255,255,1500", {}},  // 12 characters
      {false, "", {}},              // absent
      {false, "256,255,150", {}},   // over 255
      {false, "255,255,-15", {}},   // a sign is no digit
      {false, "25525515000", {}},   // digits run together
      {true, "255,000,128", RgbColour{255, 0, 128}},
      {true, "1,2,3      ", RgbColour{1, 2, 3}},  // the rest is ignored
      {true, "+12,+0,+255", RgbColour{12, 0, 255}},
      {true, "255,0,128", {}},  // 9 characters
      {true, "255,256,128", {}},
      {true, "-12,000,128", {}},
      {true, "255,,000128", {}},  // a number missing
      {true, "99999999999", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.highlight ? parseHighlightColour(c.value) : parseBackgroundColour(c.value),
              c.colour)
        << c.value;
  }
}

TEST(FontSpec, ReadsFaceHeightWidthWeightAndRefusesTheRest) {
  const std::pair<const char*, std::optional<FontSpec>> cases[] = {
      {"DejaVu Sans,12,0,400", FontSpec{"DejaVu Sans", 12, 0, 400}},
      {"Arial'10'5'700", FontSpec{"Arial", 10, 5, 700}},
      {"Arial,10, 5, 700 trailing", FontSpec{"Arial", 10, 5, 700}},
      {",8,6,600", {}},  // no face
      {"Helv,8,6", {}},  // weight missing
      {"Helv,8,x,600", {}},
      {"Helv,0,6,600", {}},
      {"Helv,8,6,1001", {}},
      {"Helv,256,6,600", {}},
      {"Helv,8,-1,600", {}},
      {"Helv,99999999999999999999,6,600", {}},
  };
  for (const auto& [value, font] : cases) EXPECT_EQ(parseFontSpec(value), font) << value;
  const std::string face(kMaxFontFace, 'F');
  EXPECT_EQ(parseFontSpec(face + ",8,6,600"), (FontSpec{face, 8, 6, 600}));
  EXPECT_FALSE(parseFontSpec(face + "F,8,6,600").has_value());
}

// Loading from a real profile file.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    home_.set(dir_.path());
  }
  void writeProfile(const std::string& body) {
    ASSERT_TRUE(
        writeFile(dir_.file("VANTREL.INI"), "[GENERAL]\nPath=" + dir_.file("data") + "\n" + body));
  }

  TempDir dir_{"vantrel-shell-settings"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
  ScopedEnv home_{"HOME"};
};

TEST_F(SettingsFile, EmptyProfileGivesTheDefaults) {
  writeProfile("");
  const ShellSettings s = loadShellSettings();
  EXPECT_EQ(s.dataPath, dir_.file("data"));
  EXPECT_TRUE(s.alwaysCalculate);
  EXPECT_EQ(s.stationCode, 101);
  EXPECT_EQ(s.timerPeriodMs(), 15000);
  EXPECT_FALSE(s.notificationTimerRuns());  // NetVersion 0
  EXPECT_EQ(s.backgrounds, kDefaultBackgrounds);
  EXPECT_EQ(s.highlights, kDefaultHighlights);
  EXPECT_EQ(s.headingFont, (FontSpec{"Helv", 8, 6, 600}));
  EXPECT_EQ(s.listFont, (FontSpec{"Helv", 8, 6, 400}));
  EXPECT_EQ(s.apptView, "0");
}

TEST_F(SettingsFile, ReadsEveryKeyFromItsSection) {
  writeProfile(
      "[NETWORK]\nSTATION=3\nNetVersion=1\nStationCount=4\nUpdateSpeed=7\n"
      "[APPTBOOK]\nBGCOLOR1=001,002,003\nBGCOLOR2=004,005,006\n"
      "COLOR1=\"10,20,30   \"\nCOLOR2=040,050,060\nCOLOR3=070,080,090\nCOLOR4=100,110,120\n"
      "Font1=Sans,12,7,700\nFont2=Serif,10,0,400\n"
      "[APPT]\nAPPTVIEW=1(OP2 )\n");
  ASSERT_TRUE(writeFile(dir_.file("data/qrxdata.inf"), "[APPTBOOK]\nAlwaysCalculate=0\n"));
  const ShellSettings s = loadShellSettings();
  EXPECT_FALSE(s.alwaysCalculate);
  EXPECT_EQ(s.stationNumber, 3);
  EXPECT_EQ(s.stationCode, 103);
  EXPECT_TRUE(s.notificationTimerRuns());
  EXPECT_EQ(s.timerPeriodMs(), 7000);
  EXPECT_EQ(s.backgrounds[0], (RgbColour{1, 2, 3}));
  EXPECT_EQ(s.backgrounds[1], (RgbColour{4, 5, 6}));
  EXPECT_EQ(s.highlights[0], (RgbColour{10, 20, 30}));  // quoted to keep its blanks
  EXPECT_EQ(s.highlights[3], (RgbColour{100, 110, 120}));
  EXPECT_EQ(s.headingFont, (FontSpec{"Sans", 12, 7, 700}));
  EXPECT_EQ(s.listFont, (FontSpec{"Serif", 10, 0, 400}));
  EXPECT_EQ(s.apptView, "1(OP2 )");
}

TEST_F(SettingsFile, DamagedValuesFallBackOneByOne) {
  writeProfile(
      "[NETWORK]\nSTATION=-4\nNetVersion=1\nStationCount=1\nUpdateSpeed=60\n"
      "[APPTBOOK]\nBGCOLOR1=255,255\nBGCOLOR2=004,005,006\n"
      "COLOR1=300,000,000\nCOLOR2=040,050,060\n"
      "Font1=Sans,0,7,700\nFont2=,10,0,400\n");
  const ShellSettings s = loadShellSettings();
  EXPECT_EQ(s.stationCode, 101);
  EXPECT_FALSE(s.notificationTimerRuns());  // one station only
  EXPECT_EQ(s.updateSeconds, 20);
  EXPECT_EQ(s.backgrounds[0], kDefaultBackgrounds[0]);
  EXPECT_EQ(s.backgrounds[1], (RgbColour{4, 5, 6}));
  EXPECT_EQ(s.highlights[0], kDefaultHighlights[0]);
  EXPECT_EQ(s.highlights[1], (RgbColour{40, 50, 60}));
  EXPECT_EQ(s.headingFont, (FontSpec{"Helv", 8, 6, 600}));
  EXPECT_EQ(s.listFont, (FontSpec{"Helv", 8, 6, 400}));
}

TEST_F(SettingsFile, SmallUpdateSpeedGivesFiveSeconds) {
  writeProfile("[NETWORK]\nNetVersion=1\nUpdateSpeed=2\n");
  const ShellSettings s = loadShellSettings();
  EXPECT_TRUE(s.notificationTimerRuns());  // StationCount defaults to 2
  EXPECT_EQ(s.timerPeriodMs(), 5000);
}

}  // namespace
