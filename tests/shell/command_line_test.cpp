// The command line other modules start this one with: which patient the OAID switch carries.

#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct OaidCase {
  const char* name;
  std::vector<std::string> args;  // after the program's own name
  bool hasOaid;
  std::uint32_t patient;
};

class CommandLineTable : public ::testing::TestWithParam<OaidCase> {};

TEST_P(CommandLineTable, ReadsThePatientOfTheLastOaidSwitch) {
  const OaidCase& c = GetParam();
  std::vector<std::string> argv{"/usr/bin/vantrel-appt"};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  const CommandLine line = parseCommandLine(argv);
  EXPECT_EQ(line.hasOaid, c.hasOaid);
  EXPECT_EQ(line.oaidPatient, c.patient);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineTable,
    ::testing::Values(OaidCase{"NoArguments", {}, false, 0},  // the program's own name only
                      OaidCase{"SlashUpperCase", {"/OAID123"}, true, 123},
                      OaidCase{"DashLowerCase", {"-oaid123"}, true, 123},
                      OaidCase{"NoDigitsGivesZero", {"/OAID"}, true, 0},
                      OaidCase{"DigitsThenJunkStopAtJunk", {"/OAID42x7"}, true, 42},
                      OaidCase{"NumberAfterABlankIsNotRead", {"/OAID 42"}, true, 0},
                      OaidCase{"LastOaidWins", {"/OAID5", "-oaid9"}, true, 9},
                      OaidCase{"LastOaidWinsEvenWithoutDigits", {"/OAID5", "/OAID"}, true, 0},
                      OaidCase{"GluedSwitchesInOneArgument", {"/OAID12/OAID34"}, true, 34},
                      OaidCase{"SwitchEndsAtTheNextSwitch", {"/OAID12-X"}, true, 12},
                      OaidCase{
                          "OtherSwitchesIgnored", {"/ID55", "-S", "/OAI5", "/XOAID6"}, false, 0},
                      OaidCase{"TextWithoutSwitchCharacterIgnored", {"OAID5"}, false, 0},
                      OaidCase{"LargestIdentifier", {"/OAID4294967295"}, true, 4294967295u},
                      OaidCase{"OnePastTheRangeIsClamped", {"/OAID4294967296"}, true, 4294967295u}),
    [](const ::testing::TestParamInfo<OaidCase>& info) { return std::string(info.param.name); });

TEST(CommandLine, ProgramNameIsNeverReadAsASwitch) {
  EXPECT_FALSE(parseCommandLine({"/opt/x/OAID5"}).hasOaid);
  EXPECT_FALSE(parseCommandLine({}).hasOaid);
}

// Only 19 characters after "OAID" are read: digits further on do not count.
TEST(CommandLine, ReadsNoMoreThanNineteenCharacters) {
  const std::string zeros17(17, '0');
  EXPECT_EQ(readOaidNumber(zeros17 + "12345"), 12u);
  EXPECT_EQ(readOaidNumber(zeros17 + "09"), 9u);
  EXPECT_EQ(readOaidNumber(std::string(19, '0') + "7"), 0u);
  EXPECT_EQ(parseCommandLine({"prog", "/OAID" + zeros17 + "42"}).oaidPatient, 42u);
  EXPECT_EQ(readOaidNumber(""), 0u);
}

}  // namespace
