#pragma once
// "apptbook-admin users ...": list, add and change users and their rights.

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the words after "users"; the database of the data directory is already open.
// Returns the exit code: 0 done, 1 refused (the reason on `err`), 2 bad arguments (usage on
// `err`).
int runUsersCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The usage lines of the users subcommand, for the tool's own usage text.
const char* usersCommandUsage();
