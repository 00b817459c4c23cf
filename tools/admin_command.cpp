// The dispatch of "apptbook-admin": the words are read whole (the data directory and the
// subcommand) before any file is touched, so bad arguments never leave anything half done.

#include "tools/admin_command.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/schema.h"
#include "tools/block_command.h"
#include "tools/booking_command.h"
#include "tools/day_command.h"
#include "tools/demo_practice.h"
#include "tools/findtime_command.h"
#include "tools/occupancy_command.h"
#include "tools/users_command.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

constexpr std::string_view kProgram = "apptbook-admin";

struct Context {
  std::string dataDir;
  std::ostream& out;
  std::ostream& err;
};

int badArguments(const Context& c, const std::string& problem) {
  c.err << kProgram << ": " << problem << "\n\n" << adminUsage();
  return kBadArguments;
}

int failed(const Context& c, const std::string& what, int error = 0) {
  c.err << kProgram << ": " << what;
  const std::string more = databaseErrorText(error);
  if (!more.empty()) c.err << " (" << more << ")";
  c.err << '\n';
  return kFailed;
}

bool isHelp(std::string_view word) { return word == "--help" || word == "-h" || word == "help"; }

// --- init

// How many files of the catalogue the open database lacks; -1 when it cannot be told.
int missingFiles() {
  const QdbSession session = QDB_StartSession(1);
  if (session == 0) return -1;
  int missing = 0;
  for (const QdbFileDef& f : schemaCatalogue()) {
    const QdbHandle h = QDB_OpenFile(session, f.fileNumber);
    if (h != 0) {
      QDB_CloseFile(h);
    } else if (QDB_GetLastErrorNum(session) == kQdbNotCreated) {
      ++missing;
    } else {
      missing = -1;
      break;
    }
  }
  QDB_EndSession(session);
  return missing;
}

int runInit(const Context& c, const std::vector<std::string>& args) {
  if (!args.empty()) return badArguments(c, "init takes no options, not \"" + args[0] + "\".");
  const int opened = QDB_InitDataBase(c.dataDir.c_str());
  if (opened == 0) {
    const int error = QDB_GetLastErrorNum(0);
    return failed(c, "cannot open the database in " + c.dataDir, error);
  }
  const bool existed = opened == 1;
  const int missing = existed ? missingFiles() : 0;
  const int error = createPracticeDatabase(c.dataDir.c_str());
  if (error != 0) {
    return failed(c, "cannot make the practice database in " + c.dataDir, error);
  }
  if (!existed) {
    c.out << "Made an empty practice database in " << c.dataDir << " (" << schemaCatalogue().size()
          << " files).\n";
  } else if (missing > 0) {
    c.out << "A practice database already exists in " << c.dataDir << "; added the " << missing
          << " files it lacked and left everything else as it was.\n";
  } else {
    c.out << "A practice database already exists in " << c.dataDir << "; left as it is.\n";
  }
  return kDone;
}

// --- demo

int runDemo(const Context& c, const std::vector<std::string>& args) {
  std::optional<std::uint64_t> seed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view word = args[i];
    std::string_view value;
    if (word.starts_with("--seed=")) {
      value = word.substr(7);
    } else if (word == "--seed") {
      if (i + 1 == args.size()) return badArguments(c, "--seed needs a number.");
      value = args[++i];
    } else {
      return badArguments(c, "demo does not know \"" + std::string(word) + "\".");
    }
    if (seed) return badArguments(c, "--seed is given twice.");
    std::uint64_t n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size()) {
      return badArguments(c,
                          "the seed must be a whole number from 0 to 18446744073709551615, not \"" +
                              std::string(value) + "\".");
    }
    seed = n;
  }

  const auto started = std::chrono::steady_clock::now();
  const int made = QDB_InitDataBase(c.dataDir.c_str());
  if (made == 0)
    return failed(c, "cannot open the database in " + c.dataDir, QDB_GetLastErrorNum(0));
  int error = createPracticeDatabase(c.dataDir.c_str());
  if (error != 0) return failed(c, "cannot make the practice database in " + c.dataDir, error);
  if (made == 2) c.out << "Made an empty practice database in " << c.dataDir << ".\n";

  DemoOptions options;
  options.seed = seed.value_or(1);
  options.today = QRX_SysDate();
  DemoSummary summary;
  std::string why;
  error = makeDemoPractice(options, &summary, &why);
  if (error == kDemoNotEmpty) {
    return failed(c, "demo refused: " + why + ". Give an empty data directory with --data DIR.");
  }
  if (error != 0) {
    return failed(c,
                  "the demo practice failed while " + why +
                      ".\nThe records written before the failure stay, so another demo will "
                      "refuse; remove " +
                      c.dataDir + " and run init and demo again.",
                  error);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  for (const std::string& note : summary.notes) c.out << "Note: " << note << ".\n";
  char took[32];
  std::snprintf(took, sizeof took, "%.1f s", seconds);
  c.out << "Demo practice (seed " << options.seed << "): " << summary.providers << " providers ("
        << summary.inactiveProviders << " inactive), " << summary.staff << " staff, "
        << summary.operatories << " operatories, " << summary.patients << " patients in "
        << summary.households << " households, " << summary.appointments << " appointments ("
        << summary.newPersonAppointments << " for people without a patient record), "
        << summary.undated << " undated, " << summary.users << " users; " << took << ".\n";
  return kDone;
}

// --- users

int runUsers(const Context& c, const std::vector<std::string>& args) {
  return runUsersCommand(args, c.out, c.err);
}

// --- day

int runDay(const Context& c, const std::vector<std::string>& args) {
  return runDayCommand(args, c.out, c.err);
}

// --- check, rebuild

int runCheck(const Context& c, const std::vector<std::string>& args) {
  return runCheckCommand(args, c.out, c.err);
}

int runRebuild(const Context& c, const std::vector<std::string>& args) {
  return runRebuildCommand(args, c.out, c.err);
}

// --- book, move, unschedule

int runBook(const Context& c, const std::vector<std::string>& args) {
  return runBookCommand(args, c.out, c.err);
}

int runMove(const Context& c, const std::vector<std::string>& args) {
  return runMoveCommand(args, c.out, c.err);
}

int runUnschedule(const Context& c, const std::vector<std::string>& args) {
  return runUnscheduleCommand(args, c.out, c.err);
}

// --- block

int runBlock(const Context& c, const std::vector<std::string>& args) {
  return runBlockCommand(args, c.out, c.err);
}

// --- findtime

int runFindTime(const Context& c, const std::vector<std::string>& args) {
  return runFindTimeCommand(args, c.out, c.err);
}

// --- the table

enum class Needs {
  kNothing,   // the subcommand opens or makes the database itself
  kDatabase,  // a database that exists, opened before the subcommand runs
};

struct Subcommand {
  const char* name;
  const char* usage;  // its lines in the usage text; the users lines come from users_command
  Needs needs;
  bool passesWordsOn;  // its words go to a parser of their own
  int (*run)(const Context&, const std::vector<std::string>&);
};

const std::array<Subcommand, 11> kSubcommands = {{
    {"init",
     "  init                 make an empty practice database with every file; an existing one\n"
     "                       is left as it is (files it lacks are added)\n",
     Needs::kNothing, false, runInit},
    {"demo",
     "  demo [--seed N]      fill an empty database (made now when there is none) with a demo\n"
     "                       practice around today (VANTREL_TODAY=YYYY-MM-DD fixes the day); the\n"
     "                       same seed and day give the same practice; the seed defaults to 1\n",
     Needs::kNothing, false, runDemo},
    {"users", nullptr, Needs::kDatabase, true, runUsers},
    {"day", dayCommandUsage(), Needs::kDatabase, false, runDay},
    {"check", checkCommandUsage(), Needs::kDatabase, false, runCheck},
    {"rebuild", rebuildCommandUsage(), Needs::kDatabase, false, runRebuild},
    // A description may be any word, "help" too: only the first word asks for help.
    {"book", bookCommandUsage(), Needs::kDatabase, true, runBook},
    {"move", moveCommandUsage(), Needs::kDatabase, true, runMove},
    {"unschedule", unscheduleCommandUsage(), Needs::kDatabase, true, runUnschedule},
    // A block name may be any word, "help" too: only the first word asks for help.
    {"block", blockCommandUsage(), Needs::kDatabase, true, runBlock},
    {"findtime", findTimeCommandUsage(), Needs::kDatabase, false, runFindTime},
}};

const Subcommand* findSubcommand(std::string_view name) {
  for (const Subcommand& s : kSubcommands) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

int dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Context c{"", out, err};
  std::optional<std::string> dataDir;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    std::optional<std::string> value;
    if (word.starts_with("--data=")) {
      value = word.substr(7);
    } else if (word == "--data") {
      if (i + 1 == args.size()) return badArguments(c, "--data needs a directory.");
      value = args[++i];
    } else {
      words.push_back(word);
      continue;
    }
    if (dataDir) return badArguments(c, "--data is given twice.");
    if (value->empty()) return badArguments(c, "--data needs a directory, not an empty word.");
    dataDir = *value;
  }

  if (words.empty()) return badArguments(c, "say which subcommand to run.");
  if (isHelp(words[0])) {
    out << adminUsage();
    return kDone;
  }
  const Subcommand* sub = findSubcommand(words[0]);
  if (sub == nullptr) {
    if (words[0].starts_with("-")) return badArguments(c, "unknown option \"" + words[0] + "\".");
    return badArguments(c, "unknown subcommand \"" + words[0] + "\".");
  }
  // Help is asked for by the first word after the subcommand, or by any word of a subcommand
  // whose words are all ours (the users subcommand reads passwords and names among its words).
  const std::vector<std::string> rest(words.begin() + 1, words.end());
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (isHelp(rest[i]) && (i == 0 || !sub->passesWordsOn)) {
      out << adminUsage();
      return kDone;
    }
  }

  if (dataDir) {
    c.dataDir = *dataDir;
  } else {
    char path[4096];
    if (QRX_GetDataPath(path, sizeof path) == 0) {
      return failed(c,
                    "no data directory: the suite profile names none that fits; give --data DIR.");
    }
    c.dataDir = path;
  }

  if (sub->needs == Needs::kDatabase) {
    const int opened = QDB_InitDataBase(c.dataDir.c_str());
    if (opened == 2) {
      return failed(c, "there is no practice database in " + c.dataDir + "; run \"" +
                           std::string(kProgram) + " --data " + c.dataDir + " init\" first.");
    }
    if (opened != 1) {
      return failed(c, "cannot open the database in " + c.dataDir, QDB_GetLastErrorNum(0));
    }
  }
  return sub->run(c, rest);
}

}  // namespace

int runAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const int code = dispatch(args, out, err);
  QDB_CloseDataBase();
  return code;
}

std::string adminUsage() {
  std::string text = "Usage: " + std::string(kProgram) +
                     " [--data DIR] <subcommand> [options]\n\n"
                     "Makes and keeps a practice database. The data directory is DIR, else the\n"
                     "one the suite profile names (GENERAL/Path, default\n"
                     "~/.local/share/vantrel/data). --data DIR may also follow the subcommand.\n\n"
                     "Subcommands:\n";
  for (const Subcommand& s : kSubcommands) {
    text += s.usage != nullptr ? s.usage : "";
    if (std::string_view(s.name) == "users") text += usersCommandUsage();
  }
  text +=
      "  --help               this text\n\n"
      "Exit status: 0 done, 1 refused or failed (the reason on standard error), 2 bad\n"
      "arguments.\n";
  return text;
}

std::string databaseErrorText(int error) {
  switch (error) {
    case 0:
      return "";
    case kQdbDuplicateKey:
      return "a record with that key exists already";
    case kQdbDamaged:
      return "the database is damaged or is not a practice database";
    case kQdbOtherVersion:
      return "the database was made by another version";
    case kQdbLocked:
      return "a record or file is in use at another workstation";
    case kQdbNotCreated:
      return "the database lacks a file; run init";
    case kQdbIoError:
      return "the database cannot be written: no permission, disk full or an I/O error";
    case kQdbBusy:
      return "the database stayed busy for over a minute";
    case kQdbInUse:
      return "another database is still open in this process";
    case kQdbNotInitialised:
      return "no database is open";
    default:
      return "database error " + std::to_string(error);
  }
}
