#pragma once
// The program's command line. Other modules of the suite start this one with a patient, as
// "/OAID<identifier>"; the main window then opens that patient's other appointments.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CommandLine {
  // True when at least one OAID switch was given (even one without digits).
  bool hasOaid = false;
  // The patient of the last OAID switch; 0 when none was given or it carried no digits.
  std::uint32_t oaidPatient = 0;
};

// Reads the switches of `argv` (argv[0], the program's own name, is skipped). A switch begins
// at every "/" or "-" and runs to the next one or to the end of the argument, so "/OAID12/X"
// holds two switches and "-oaid12" is one. A switch whose first four characters are "OAID" in
// any case carries a patient (see readOaidNumber); the last one wins. Every other switch and
// any text before the first "/" or "-" of an argument is ignored.
CommandLine parseCommandLine(const std::vector<std::string>& argv);

// The patient of an OAID switch from the text after "OAID": of its first 19 characters, the
// leading decimal digits; 0 when there are none. A number beyond the 32-bit range is clamped
// to 4294967295: an identifier no patient is ever given, so an overlong number opens nobody's
// appointments instead of a wrong patient's, as cutting off digits could.
std::uint32_t readOaidNumber(std::string_view afterOaid);
