#pragma once
// "apptbook-admin day YYYY-MM-DD [--op CODE | --prov CODE]": the day list of one date, as the
// program's main window shows it, printed as text. It loads the rows with the very code the window
// uses, so what it prints is what a workstation would show for that date and view.

#include <iosfwd>
#include <string>
#include <vector>

#include "contracts/qrx.h"

// `args` are the words after "day"; the database of the data directory is already open
// (QDB_InitDataBase). Prints the list's header line and then each row's text, one per line, to
// `out`. Returns the exit code: 0 done (also for a day without appointments: the header alone),
// 1 the database could not be read (the reason on `err`), 2 bad arguments (usage on `err`).
int runDayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of the day subcommand, for the tool's own usage text.
const char* dayCommandUsage();

// Reads "YYYY-MM-DD" (exactly that form: four, two and two digits) as a date; 0 when the text
// has another form or names no calendar day.
PackedDate parseIsoDate(const std::string& text);
