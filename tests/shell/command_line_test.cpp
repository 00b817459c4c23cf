// The command line other modules start this one with: which patient the OAID switch carries.

#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CommandLine, ReadsThePatientOfTheLastOaidSwitch) {
  const struct {
    std::vector<std::string> args;  // after the program's own name
    bool hasOaid;
    std::uint32_t patient;
  } cases[] = {
      {{}, false, 0},
      {{"/OAID123"}, true, 123},
      {{"-oaid123"}, true, 123},
      {{"/OAID"}, true, 0},
      {{"/OAID42x7"}, true, 42},        // digits then junk: stops at the junk
      {{"/OAID 42"}, true, 0},          // a number after a blank is not read
      {{"/OAID5", "-oaid9"}, true, 9},  // the last switch wins
      {{"/OAID5", "/OAID"}, true, 0},   // ... even without digits
      {{"/OAID12/OAID34"}, true, 34},   // switches glued in one argument
      {{"/OAID12-X"}, true, 12},        // a switch ends at the next one
      {{"/ID55", "-S", "/OAI5", "/XOAID6"}, false, 0},
      {{"OAID5"}, false, 0},                     // no switch character
      {{"/OAID4294967295"}, true, 4294967295u},  // the largest identifier
      {{"/OAID4294967296"}, true, 4294967295u},  // one past it is clamped
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{"/usr/bin/vantrel-appt"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const CommandLine line = parseCommandLine(argv);
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(line.hasOaid, c.hasOaid);
    EXPECT_EQ(line.oaidPatient, c.patient);
  }
  // The program's name is never read as a switch.
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
