// The Qt-free pieces behind the main window: which buttons a selection allows and marks, what a
// patient has on file, the command lines of the suite's modules and where their programs are
// found, the colours of the list, and the program's own start-up options and sign-on.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "data/schema.h"
#include "data/users.h"
#include "lists/definitions.h"
#include "shell/ui/list_colours.h"
#include "shell/ui/modules.h"
#include "shell/ui/startup.h"
#include "shell/ui/toolbar_state.h"
#include "tests/shell/ui/support/practice.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

// ---------------------------------------------------------------------------------------------
// Toolbar states

TEST(ToolbarState, FollowsTheSelectedPatientAndHisMarks) {
  const PatientMarks all{true, true, true, true};
  const PatientMarks none{};
  struct Case {
    int command;
    bool patientSelected;
    PatientMarks marks;
    ButtonState expected;
  };
  const Case cases[] = {
      {381, false, all, {false, true}},
      {381, true, none, {false, false}},
      {393, false, none, {true, false}},
      {393, true, all, {false, true}},
      {12115, true, all, {true, false}},
      {12118, false, all, {true, false}},
      {12118, true, all, {false, false}},
      {12141, false, none, {true, false}},
      {12126, true, all, {false, true}},
      {12126, true, {true, true, false, true}, {}},
      {12126, false, all, {true, true}},
      {12124, false, all, {false, true}},
      {12124, true, {true, true, true, false}, {}},
      {12112, false, all, {}},
      {101, false, none, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.command) + (c.patientSelected ? " selected" : " none"));
    EXPECT_EQ(toolbarButtonState(c.command, c.patientSelected, c.marks), c.expected);
  }
}

class PatientMarksTest : public shellui::PracticeTest {};

TEST_F(PatientMarksTest, CountOnlyThePatientsOwnRecords) {
  // 256 and 512 have the same first byte: a prefix of fewer than 4 bytes would mix them up.
  const std::uint32_t withBoth = addPatient("Both", true);
  const std::uint32_t plain = addPatient("Plain");
  addPatientItem(kPrescriptionFile, withBoth);
  addPatientItem(kQuestionnaireFile, withBoth);
  addPatientItem(kPrescriptionFile, 256);
  addPatientItem(kQuestionnaireFile, 65536 + plain);

  EXPECT_EQ(readPatientMarks(withBoth), (PatientMarks{true, true, true, true}));
  EXPECT_EQ(readPatientMarks(plain), PatientMarks{});
  EXPECT_EQ(readPatientMarks(0), PatientMarks{});
  EXPECT_TRUE(patientHasRecords(kPrescriptionFile, kPrescriptionByPatient, 256));
  EXPECT_FALSE(patientHasRecords(kPrescriptionFile, kPrescriptionByPatient, 512));
  EXPECT_FALSE(patientHasRecords(kQuestionnaireFile, kQuestionnaireByPatient, plain));
}

// ---------------------------------------------------------------------------------------------
// Modules

TEST(Modules, CommandLinesCarryThePatientTheWindowOrTheUser) {
  ModuleContext c;
  c.patient = 4711;
  c.window = 123456789012ull;
  c.user = "frontdesk";
  struct Case {
    int command;
    const char* expected;
  };
  const Case cases[] = {
      {12112, "/ID4711"},
      {12113, "/ID4711"},
      {12114, "/ID4711"},
      {12116, "/ID4711 /CHND4711/DATE0"},
      {12117, ""},
      {12118, "/ID4711"},
      {12124, "/ID4711"},
      {12126, "/1 /h=123456789012 /p=4711"},
      {12128, "/k=QrxOJ /v=4711 /H=123456789012"},
      {12142, "/ID4711"},
      {389, "/s"},
      {404, "/s"},
      {999, ""},
  };
  for (const Case& x : cases) {
    SCOPED_TRACE(x.command);
    EXPECT_EQ(moduleArguments(x.command, c), x.expected);
  }
  c.patient = 0;
  EXPECT_EQ(moduleArguments(12128, c), "/k=QrxOJ /p=frontdesk /H=123456789012");
  c.user = "o'brien x";
  EXPECT_EQ(moduleArguments(12128, c), "/k=QrxOJ /p='o'\\''brien x' /H=123456789012");
  EXPECT_EQ(moduleArguments(12112, c), "/ID0");
}

TEST(Modules, EveryMenuModuleIsFoundAndNoneIsThisProgram) {
  ASSERT_FALSE(modules().empty());
  for (const ModuleInfo& m : modules()) {
    EXPECT_EQ(findModule(m.command), &m);
    EXPECT_NE(m.command, 12115) << "this module does not start itself";
    EXPECT_NE(std::string(m.defaultProgram), "");
  }
  EXPECT_EQ(findModule(12119), nullptr) << "continuing care is a window of this program";
  EXPECT_EQ(findModule(101), nullptr);
}

class ModulePrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    path_.set(dir_.file("bin") + ":/nonexistent");
    ASSERT_EQ(::mkdir(dir_.file("bin").c_str(), 0755), 0);
  }
  std::string makeFile(const std::string& name, mode_t mode) {
    const std::string path = dir_.file("bin/" + name);
    std::ofstream(path) << "#!/bin/sh\n";
    EXPECT_EQ(::chmod(path.c_str(), mode), 0);
    return path;
  }
  TempDir dir_{"vantrel-modules"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
  ScopedEnv path_{"PATH"};
};

TEST_F(ModulePrograms, ProfileNamesTheProgramElseTheDefault) {
  EXPECT_EQ(moduleProgram(12112), "vantrel-chart");
  ASSERT_EQ(QRX_WriteProfileString("MODULES", "12112", "/opt/chart --big"), 1);
  EXPECT_EQ(moduleProgram(12112), "/opt/chart --big");
  ASSERT_EQ(QRX_WriteProfileString("MODULES", "12112", ""), 1);
  EXPECT_EQ(moduleProgram(12112), "vantrel-chart") << "an empty value names no program";
  EXPECT_EQ(moduleProgram(4242), "");
}

TEST_F(ModulePrograms, PresentOnlyWhenAnExecutableFileIsFound) {
  const std::string runnable = makeFile("vantrel-test-runnable", 0755);
  makeFile("vantrel-test-plain", 0644);
  EXPECT_TRUE(programPresent("vantrel-test-runnable"));
  EXPECT_TRUE(programPresent("vantrel-test-runnable --with words"));
  EXPECT_TRUE(programPresent(runnable));
  EXPECT_TRUE(programPresent("'" + runnable + "' /x"));
  EXPECT_FALSE(programPresent("vantrel-test-plain")) << "not executable";
  EXPECT_FALSE(programPresent("vantrel-test-absent"));
  EXPECT_FALSE(programPresent(dir_.file("bin")));
  EXPECT_FALSE(programPresent(dir_.file("bin/vantrel-test-absent")));
  EXPECT_FALSE(programPresent(""));
  EXPECT_FALSE(programPresent("   "));
}

TEST_F(ModulePrograms, UnknownCommandStartsNothingAndSaysNothing) {
  ScriptedPrompter prompter;
  EXPECT_EQ(startModule(prompter, 4242, {}), 0);
  EXPECT_TRUE(prompter.asked().empty());
}

// ---------------------------------------------------------------------------------------------
// Colours

TEST(ListColours, ContrastIsMeasuredAsLegibilityGuidelinesDo) {
  EXPECT_NEAR(contrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 0.01);
  EXPECT_NEAR(contrastRatio({255, 255, 255}, {0, 0, 0}), 21.0, 0.01);
  EXPECT_NEAR(contrastRatio({119, 119, 119}, {255, 255, 255}), 4.48, 0.01);
  EXPECT_DOUBLE_EQ(contrastRatio({10, 200, 30}, {10, 200, 30}), 1.0);
}

TEST(ListColours, ReadableColoursStayAndOthersAreMovedJustEnough) {
  const RgbColour yellow{255, 255, 0};
  EXPECT_EQ(readableBackground(yellow), yellow);
  EXPECT_EQ(readableText({0, 0, 170}), (RgbColour{0, 0, 170}));
  for (const RgbColour c :
       {RgbColour{128, 0, 255}, RgbColour{255, 0, 0}, RgbColour{0, 0, 0}, RgbColour{0, 128, 255}}) {
    SCOPED_TRACE(std::to_string(c.red) + "," + std::to_string(c.green) + "," +
                 std::to_string(c.blue));
    const RgbColour bg = readableBackground(c);
    EXPECT_GE(contrastRatio(bg, kListText), kReadableBackgroundContrast);
    EXPECT_NE(bg, (RgbColour{255, 255, 255})) << "a tint of the colour, not white";
    // Lightened no further than about one 5 % step past what was needed.
    EXPECT_LT(contrastRatio(bg, kListText), kReadableBackgroundContrast + 1.5);
  }
  for (const RgbColour c : {RgbColour{255, 255, 0}, RgbColour{0, 255, 0}, RgbColour{0, 160, 0},
                            RgbColour{255, 255, 255}}) {
    EXPECT_GE(contrastRatio(readableText(c), kListBackground), kReadableTextContrast);
  }
}

TEST(ListColours, StatusesFillTheirSlotsAndHighlightsTheirs) {
  StatusTable statuses;
  statuses.define(0, "None", '1');
  statuses.define(2, "Seated", '2');
  statuses.define(9, "Emerg", '3');
  statuses.define(11, "Lab", 'x', "40960");  // (0, 160, 0): too light as text on white
  ShellSettings settings;
  settings.highlights[0] = {255, 0, 128};
  const ColourTable t = dayListColours(statuses, settings);
  EXPECT_EQ(t[0], kListText);
  EXPECT_EQ(t[1], (RgbColour{255, 255, 0}));
  EXPECT_FALSE(t[2].has_value()) << "status 1 is not defined";
  EXPECT_EQ(t[3], (RgbColour{0, 255, 0}));
  ASSERT_TRUE(t[10].has_value());
  EXPECT_EQ(t[10]->red, 255) << "red stays red, lightened";
  EXPECT_GE(contrastRatio(*t[10], kListText), kReadableBackgroundContrast);
  ASSERT_TRUE(t[12].has_value());
  EXPECT_EQ(t[12]->red, 0);
  EXPECT_EQ(t[12]->blue, 0);
  EXPECT_LT(t[12]->green, 160) << "darkened to read on white";
  EXPECT_GE(contrastRatio(*t[12], kListBackground), kReadableTextContrast);
  for (int slot : {13, 14, 15, 20}) EXPECT_FALSE(t[static_cast<std::size_t>(slot)].has_value());
  for (int slot = 16; slot <= 19; ++slot) {
    ASSERT_TRUE(t[static_cast<std::size_t>(slot)].has_value());
    EXPECT_GE(contrastRatio(*t[static_cast<std::size_t>(slot)], kListBackground),
              kReadableTextContrast);
  }
}

// ---------------------------------------------------------------------------------------------
// Start-up

TEST(StartOptions, ScreenshotIsTakenOutAndTheSuitesSwitchesStay) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    std::string screenshot;
    std::vector<std::string> rest;
  };
  const std::vector<Case> cases = {
      {{"apptbook"}, true, "", {"apptbook"}},
      {{"apptbook", "--screenshot", "/tmp/oaid12.png", "/OAID5"},
       true,
       "/tmp/oaid12.png",
       {"apptbook", "/OAID5"}},
      {{"apptbook", "-oaid7", "--screenshot=shot.png"}, true, "shot.png", {"apptbook", "-oaid7"}},
      {{"apptbook", "--screenshot"}, false, "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    std::string screenshot = "stale";
    EXPECT_EQ(takeProgramOptions(&args, &screenshot), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(screenshot, c.screenshot);
    EXPECT_EQ(args, c.rest);
  }
}

class EnvironmentSignOnTest : public shellui::PracticeTest {
 protected:
  void TearDown() override {
    QRX_SignOff();
    PracticeTest::TearDown();
  }
  ScopedEnv user_{"VANTREL_USER"};
  ScopedEnv password_{"VANTREL_PASSWORD"};
};

TEST_F(EnvironmentSignOnTest, SignsOnOnlyWithTheRightPasswordAndOnlyWhenAsked) {
  std::uint32_t id = 0;
  std::string why;
  ASSERT_EQ(addUser("desk", "Front Desk", "desk-pass", {kRightRunAppointmentList}, &id, &why), 0)
      << why;
  user_.unset();
  password_.unset();
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kNotAsked);
  user_.set("");
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kNotAsked);
  EXPECT_EQ(QRX_IsSignedOn(), 0);

  user_.set("desk");
  password_.set("wrong");
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kRefused);
  EXPECT_EQ(QRX_IsSignedOn(), 0);
  password_.unset();
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kRefused);

  password_.set("desk-pass");
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kSignedOn);
  EXPECT_EQ(QRX_GetLoggedInUserID(), id);
}

}  // namespace
