#pragma once
// "apptbook-admin check" and "apptbook-admin rebuild": the weekly occupancy records measured
// against the dated appointments, and rewritten from them when they have drifted (a crash
// between writes, a record edited by hand, a program that added appointments without the rules).

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the words after the subcommand; the database of the data directory is already open
// (QDB_InitDataBase).
//
// check: prints each difference on its own line, then a summary line. Returns 0 when the records
// match the appointments, 1 when they differ or the database could not be read (the reason on
// `err`), 2 for bad arguments (usage on `err`).
int runCheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// rebuild: rewrites the week records from the appointments and prints a one-line summary.
// Returns 0 done, 1 the database failed part-way (the reason on `err`), 2 bad arguments.
int runRebuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Their lines in the tool's usage text.
const char* checkCommandUsage();
const char* rebuildCommandUsage();
