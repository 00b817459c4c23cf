// "apptbook-admin users ...": the words are checked whole before anything is done, so a mistyped
// option never leaves a user half changed; the change itself is one record rewrite.

#include "tools/users_command.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"
#include "data/users.h"

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kBadArguments = 2;

// Longest number a right list may hold: anything longer is a typing error, not a right.
constexpr std::size_t kMaxNumberDigits = 5;

// A right list as typed: numbers and ranges separated by commas ("1-40,66,68"), or "all".
struct RightList {
  bool all = false;
  std::vector<int> rights;  // as typed, ranges expanded; range checks are the users file's
};

std::optional<int> parseNumber(std::string_view text) {
  if (text.empty() || text.size() > kMaxNumberDigits) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Nothing when the text is not a list; "5-3" is not a range.
std::optional<RightList> parseRightList(std::string_view text, bool allowAll) {
  RightList list;
  if (allowAll && text == "all") {
    list.all = true;
    return list;
  }
  if (text.empty()) return std::nullopt;
  std::size_t from = 0;
  while (true) {
    const std::size_t comma = text.find(',', from);
    const std::string_view item =
        text.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from);
    const std::size_t dash = item.find('-');
    if (dash == std::string_view::npos) {
      const std::optional<int> n = parseNumber(item);
      if (!n) return std::nullopt;
      list.rights.push_back(*n);
    } else {
      const std::optional<int> low = parseNumber(item.substr(0, dash));
      const std::optional<int> high = parseNumber(item.substr(dash + 1));
      if (!low || !high || *low > *high) return std::nullopt;
      for (int n = *low; n <= *high; ++n) list.rights.push_back(n);
    }
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  return list;
}

// Ascending rights as ranges: "1-40,66,68"; "none" for none.
std::string rightRanges(const std::vector<int>& rights) {
  if (rights.empty()) return "none";
  std::string out;
  std::size_t i = 0;
  while (i < rights.size()) {
    std::size_t j = i;
    while (j + 1 < rights.size() && rights[j + 1] == rights[j] + 1) ++j;
    if (!out.empty()) out += ',';
    out += std::to_string(rights[i]);
    if (j > i) out += '-' + std::to_string(rights[j]);
    i = j + 1;
  }
  return out;
}

int badArguments(std::ostream& err, const std::string& problem) {
  err << "users: " << problem << "\nUsage:\n" << usersCommandUsage();
  return kBadArguments;
}

int refused(std::ostream& err, int code, const std::string& why) {
  err << "users: " << (why.empty() ? "refused (error " + std::to_string(code) + ")." : why) << '\n';
  return kRefused;
}

// The "--option value" pairs after the sign-on name. Each option at most once.
struct Options {
  std::optional<std::string> name;
  std::optional<std::string> password;
  std::optional<std::string> rights;
  std::optional<std::string> active;
  std::optional<std::string> grant;
  std::optional<std::string> revoke;
};

// Fills `options` from args[first...]; `allowed` lists the options the form takes. Returns the
// problem, or "" when the words are well formed.
std::string readOptions(const std::vector<std::string>& args, std::size_t first,
                        const std::vector<std::string_view>& allowed, Options* options) {
  for (std::size_t i = first; i < args.size(); i += 2) {
    const std::string& option = args[i];
    bool known = false;
    for (std::string_view a : allowed) known = known || option == a;
    if (!known) return "unknown option \"" + option + "\".";
    if (i + 1 >= args.size()) return option + " needs a value.";
    std::optional<std::string>* slot = option == "--name"       ? &options->name
                                       : option == "--password" ? &options->password
                                       : option == "--rights"   ? &options->rights
                                       : option == "--active"   ? &options->active
                                       : option == "--grant"    ? &options->grant
                                                                : &options->revoke;
    if (slot->has_value()) return option + " is given twice.";
    *slot = args[i + 1];
  }
  return "";
}

int listCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return badArguments(err, "\"list\" takes no further words.");
  std::vector<UserInfo> users;
  std::string why;
  if (const int e = listUsers(&users, &why); e != 0) return refused(err, e, why);
  for (const UserInfo& u : users) {
    out << u.id << '\t' << u.login << '\t' << u.fullName << '\t'
        << (u.active ? "active" : "inactive") << '\t' << rightRanges(u.rights) << '\n';
  }
  return kDone;
}

int addCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args[1].starts_with("--")) {
    return badArguments(err, "\"add\" needs a sign-on name.");
  }
  Options options;
  if (const std::string problem =
          readOptions(args, 2, {"--name", "--password", "--rights"}, &options);
      !problem.empty()) {
    return badArguments(err, problem);
  }
  if (!options.name) return badArguments(err, "\"add\" needs --name.");
  if (!options.password) return badArguments(err, "\"add\" needs --password.");
  std::vector<int> rights;
  if (options.rights) {
    const std::optional<RightList> list = parseRightList(*options.rights, true);
    if (!list) return badArguments(err, "\"" + *options.rights + "\" is not a list of rights.");
    if (list->all) {
      for (int r = 1; r <= kHighestRight; ++r) rights.push_back(r);
    } else {
      rights = list->rights;
    }
  }
  std::uint32_t id = 0;
  std::string why;
  if (const int e = addUser(args[1], *options.name, *options.password, rights, &id, &why); e != 0) {
    return refused(err, e, why);
  }
  out << "Added user " << args[1] << " (id " << id << ").\n";
  return kDone;
}

int changeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args[1].starts_with("--")) {
    return badArguments(err, "\"change\" needs a sign-on name.");
  }
  Options options;
  if (const std::string problem = readOptions(
          args, 2, {"--name", "--password", "--active", "--grant", "--revoke"}, &options);
      !problem.empty()) {
    return badArguments(err, problem);
  }
  UserChange change;
  change.fullName = options.name;
  change.password = options.password;
  if (options.active) {
    if (*options.active == "yes") {
      change.active = true;
    } else if (*options.active == "no") {
      change.active = false;
    } else {
      return badArguments(err, "--active takes yes or no.");
    }
  }
  if (options.grant) {
    const std::optional<RightList> list = parseRightList(*options.grant, true);
    if (!list) return badArguments(err, "\"" + *options.grant + "\" is not a list of rights.");
    change.allRights = list->all;
    change.grant = list->rights;
  }
  if (options.revoke) {
    const std::optional<RightList> list = parseRightList(*options.revoke, false);
    if (!list) return badArguments(err, "\"" + *options.revoke + "\" is not a list of rights.");
    change.revoke = list->rights;
  }
  if (!options.name && !options.password && !options.active && !options.grant && !options.revoke) {
    return badArguments(err, "\"change\" needs at least one thing to change.");
  }
  std::string why;
  if (const int e = changeUser(args[1], change, &why); e != 0) return refused(err, e, why);
  out << "Changed user " << args[1] << ".\n";
  return kDone;
}

}  // namespace

const char* usersCommandUsage() {
  return "  users list           one line per user: id, sign-on name, full name, active or\n"
         "                       inactive, and the rights as ranges (1-40,66,68)\n"
         "  users add LOGIN --name \"FULL NAME\" --password PASSWORD [--rights LIST|all]\n"
         "                       add an active user; sign-on names ignore case\n"
         "  users change LOGIN [--name \"FULL NAME\"] [--password PASSWORD] [--active yes|no]\n"
         "                     [--grant LIST|all] [--revoke LIST]\n"
         "                       change what is given and keep the rest; --grant all first\n"
         "                       grants every right, then --revoke takes rights away\n"
         "                       LIST: rights 1-255 as numbers and ranges, e.g. 1-40,66,68\n";
}

int runUsersCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return badArguments(err, "say what to do with the users.");
  const std::string& verb = args[0];
  if (verb == "list") return listCommand(args, out, err);
  if (verb == "add") return addCommand(args, out, err);
  if (verb == "change") return changeCommand(args, out, err);
  return badArguments(err, "unknown users command \"" + verb + "\".");
}
