#pragma once
// The suite's other modules that the main window starts with the selected patient: their
// commands, menu texts, program names and command lines. Qt-free.
//
// The program of a module is the value of key <command> in section "MODULES" of the suite profile
// (e.g. "12112=vantrel-chart"), else the module's default name; it may carry words of its own
// ("/opt/vantrel/bin/chart --big"), which go before the module's arguments.

#include <cstdint>
#include <span>
#include <string>

class Prompter;

inline constexpr const char* kModulesSection = "MODULES";
// What the start of a module shows when its program cannot be started (the run result as value).
inline constexpr int kModuleNotStartedMessage = 3196;
// QRX_RunProgram's results from 32 up mean the program was started.
inline constexpr int kProgramStarted = 32;

struct ModuleInfo {
  int command = 0;
  const char* menuText = "";        // "&File" menu text
  const char* buttonText = "";      // short text under the toolbar button
  const char* defaultProgram = "";  // program name when the profile names none
  // The toolbar shows the button only when the module's program can be found.
  bool buttonNeedsProgram = false;
};

// The modules of the "&File" menu and the toolbar, in menu order.
std::span<const ModuleInfo> modules();
// nullptr for a command that starts no module.
const ModuleInfo* findModule(int command);

// The program words of a module: the profile's value, else the default; "" for an unknown command.
std::string moduleProgram(int command);

// What a module's command line is made of besides the program.
struct ModuleContext {
  std::uint32_t patient = 0;  // of the selected row; 0 for none
  std::uint64_t window = 0;   // the main window's handle, for modules that answer it
  std::string user;           // the acting user's sign-on name
};

// The arguments of a module's command line, without the program:
//   12112, 12113, 12114, 12118, 12142 "/ID<patient>"; 12116 "/ID<patient> /CHND<patient>/DATE0";
//   12117 none; 389 (treatment manager) and 404 (lab case manager) "/s"; 12124 "/ID<patient>"; 12126 "/1 /h=<window> /p=<patient>";
//   12128 "/k=QrxOJ /v=<patient> /H=<window>", without a patient
//         "/k=QrxOJ /p=<user> /H=<window>" (the user quoted when it holds a blank or a quote).
// "" for an unknown command.
std::string moduleArguments(int command, const ModuleContext& context);

// Whether the first word of `program` names a program that can be run: a path to an executable
// file, or a name found as one in a directory of $PATH.
bool programPresent(const std::string& program);

// Starts the module through QRX_RunProgram. When the program does not start, message 3196 is shown
// with the run result. Returns the run result (32 and up: started); 0 for an unknown command,
// with nothing shown.
int startModule(Prompter& prompter, int command, const ModuleContext& context);
