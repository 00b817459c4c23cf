#pragma once
// "apptbook-admin block add|change|delete": a provider's time blocks kept from the command line,
// through the same storage rules and the same locked write of the provider's default schedule
// record that the program uses.
//
//   block add    --prov CODE --name NAME [--op CODE] [--type N] [--colour RRGGBB]
//                [--day DAY=HH:MM-HH:MM]...
//   block change --prov CODE --name NAME [--new-name NAME] [--op CODE|none] [--type N]
//                [--colour RRGGBB] [--day DAY=HH:MM-HH:MM|DAY=off]...
//   block delete --prov CODE --name NAME
//
// - DAY is Sun, Mon, Tue, Wed, Thu, Fri or Sat (any case, full names too); each at most once.
//   Times are 24-hour HH:MM on the 5-minute grid, 24:00 being midnight at the end of the day.
//   "off" takes the day out of a changed block. A new block applies only on the days given; a
//   changed block keeps the days, operatory, type, colour and name it is not given.
// - --type N is the position in the practice's appointment type list, 0 (the default) for
//   every type. --colour is red, green and blue in hex (default C0C0C0 for a new block).
// - Names are found regardless of case. The command itself is the confirmation of a delete:
//   no question is asked.
//
// Exit codes: 0 stored (one line on `out`); 1 refused or failed, nothing written: a storage rule
// broken (its message on `err`, with the weekday and the block run into), a provider,
// operatory, appointment type or block that does not exist, six blocks in use already, the
// record in use at another workstation, a database error; 2 bad arguments (usage on `err`).

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the words after "block"; the database of the data directory is already open
// (QDB_InitDataBase).
int runBlockCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Its lines in the tool's usage text.
const char* blockCommandUsage();
