#pragma once
// "apptbook-admin findtime": the search of the "Find Appointment Time" dialog from the command
// line, printing the times found as the "Available Appointment Times" list shows them.
//
//   findtime --prov CODE[,CODE...] --op CODE[,CODE...] --start YYYY-MM-DD --length MINUTES
//            [--days SMTWTFS] [--from HH:MM] [--to HH:MM] [--count N]
//
// The words are read and checked first; then the practice's tables are loaded, the codes looked
// up, and the values go through the same checks as the dialog's Search (their messages are
// printed as "message: TEXT") and the same resumable search: N times (10 by default) are printed
// one row each, fetched in batches of at most 10 as " &More" fetches them. The search's own end
// messages ("No match found.  Search terminated!" and the like) are printed the same way.
//
// - Codes are 1 to 4 printable characters without blanks, at most 20 of each list, none twice;
//   each must be in the practice's tables. Without --prov or --op the dialog's check refuses.
// - --days has one character per weekday, Sunday first: its letter (S M T W T F S, either case)
//   to search that weekday, "-" to skip it ("-MTWTF-"). Without it every weekday is searched
//   (weekdays without office hours find nothing anyway).
// - Lengths are 5 to 1440 minutes in steps of 5; --from and --to are HH:MM from 00:00 to 24:00
//   on the 5-minute grid (the dialog rounds them down to the practice's block size); --count is
//   1 to 9999.
//
// Exit codes: 0 the search ran (whether or not it found anything); 1 refused (a message of the
// checks, a code the tables lack, or the practice's tables cannot be read); 2 bad arguments.

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the words after the subcommand; the database of the data directory is already open.
int runFindTimeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Its lines in the tool's usage text.
const char* findTimeCommandUsage();
