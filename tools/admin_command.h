#pragma once
// "apptbook-admin": the administration command of a practice database.
//
//   apptbook-admin [--data DIR] <subcommand> [options]     (--data may also follow the subcommand)
//
// Without --data the data directory is the one of the suite profile (QRX_GetDataPath). Each
// subcommand is one row of a table in admin_command.cpp: its name, its usage lines, whether it
// makes the database or needs one that exists, and the function that runs it.

#include <iosfwd>
#include <string>
#include <vector>

// Runs the command for `args` (the words after the program name). Normal output goes to `out`;
// usage after bad arguments, refusals and failures go to `err`. Returns the exit code: 0 done,
// 1 refused or failed (a sentence on `err` says why), 2 bad arguments (the usage on `err`).
// The database is closed again (QDB_CloseDataBase) before it returns, so REQUIRES: no session
// of this process is live when it is called.
int runAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text of every subcommand.
std::string adminUsage();

// A short sentence for a database error number ("" when there is none to add).
std::string databaseErrorText(int error);
