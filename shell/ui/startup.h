#pragma once
// The program from start to exit: one instance per user and display, the database, signing on,
// the main window, the event loop and the shutdown.

#include <string>
#include <vector>

// Runs the program; returns the process exit code: 0 after a normal exit and after handing the
// command line to the instance that already runs; 1 when the program could not start (no
// database, nobody signed on, no right to run it, a practice that is not set up).
//
// Options beside the suite's switches (see shell/command_line.h):
//   --screenshot FILE   start as usual, save a picture of the main window to FILE (PNG), exit.
// Environment: VANTREL_USER and VANTREL_PASSWORD, when VANTREL_USER is set, sign on without the
// dialog (a refusal ends the program with 1 and a line on standard error).
int runApptBook(int argc, char** argv);

// The outcome of signing on from the environment.
enum class EnvironmentSignOn { kNotAsked, kSignedOn, kRefused };
// Signs on with VANTREL_USER and VANTREL_PASSWORD when VANTREL_USER is set and not empty.
// REQUIRES: the database is open.
EnvironmentSignOn signOnFromEnvironment();

// The program's own options taken out of the arguments (argv[0] stays first): the rest is what
// the suite's switch parser reads. `screenshot` gets the file of --screenshot ("" for none).
// False when --screenshot lacks its file.
bool takeProgramOptions(std::vector<std::string>* args, std::string* screenshot);
