// apptbook-admin: makes a practice database, fills it with a demo practice and keeps its users.
// Everything is in runAdminCommand, which the tests call the same way.

#include <iostream>
#include <string>
#include <vector>

#include "tools/admin_command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return runAdminCommand(args, std::cout, std::cerr);
}
