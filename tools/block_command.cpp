// The block subcommand: the words are read whole first, so bad arguments touch nothing; then the
// tables are loaded, the provider's default record is locked, the block is checked by the
// storage rules and the record written.

#include "tools/block_command.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "data/access_layer.h"
#include "lists/definitions.h"
#include "platform/qrx/scripted_prompter.h"
#include "schedule/provider_setup.h"
#include "schedule/time_block_rules.h"
#include "tools/admin_command.h"
#include "tools/command_words.h"
#include "tools/scheduling_setup.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;
constexpr std::uint32_t kNewBlockColour = 0xC0C0C0;  // light grey, the same in either byte order

enum class Action { kAdd, kChange, kDelete };

struct DaySpec {
  bool given = false;
  bool off = false;
  std::int32_t start = kNoWorkingTime;
  std::int32_t end = kNoWorkingTime;
};

struct BlockArgs {
  Action action = Action::kAdd;
  std::string provider;
  std::optional<std::string> name;
  std::optional<std::string> newName;
  std::optional<std::string> operatory;  // "" = none
  std::optional<int> type;
  std::optional<std::uint32_t> colour;
  std::array<DaySpec, kWeekDays> days{};
};

int badArguments(std::ostream& err, const std::string& problem) {
  err << "apptbook-admin: block: " << problem << "\n\n" << adminUsage();
  return kBadArguments;
}

int failed(std::ostream& err, const std::string& what, int error = 0) {
  err << "apptbook-admin: block: " << what;
  const std::string more = databaseErrorText(error);
  if (!more.empty()) err << " (" << more << ")";
  err << '\n';
  return kFailed;
}

bool printable(std::string_view text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Sunday = 0; -1 for a word that names no weekday.
int weekdayOf(std::string_view word) {
  const std::string w = lower(word);
  for (int d = 0; d < static_cast<int>(kWeekDays); ++d) {
    if (w == lower(QRX_getday_name(d + 1)) || w == lower(QRX_getday_name(d + 1, true))) return d;
  }
  return -1;
}

std::optional<int> number(std::string_view text, int base = 10) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return n;
}

// "DAY=HH:MM-HH:MM" or "DAY=off" into `args`; "" when taken, else the problem.
std::string takeDay(std::string_view value, BlockArgs* args) {
  const std::size_t eq = value.find('=');
  if (eq == std::string_view::npos) {
    return "--day takes DAY=HH:MM-HH:MM or DAY=off, not \"" + std::string(value) + "\".";
  }
  const int day = weekdayOf(value.substr(0, eq));
  if (day < 0) return "\"" + std::string(value.substr(0, eq)) + "\" is not a weekday.";
  DaySpec& spec = args->days[static_cast<std::size_t>(day)];
  if (spec.given) return std::string(QRX_getday_name(day + 1)) + " is given twice.";
  spec.given = true;
  const std::string_view times = value.substr(eq + 1);
  if (lower(times) == "off") {
    spec.off = true;
    return "";
  }
  const std::size_t dash = times.find('-');
  if (dash != std::string_view::npos) {
    spec.start = clockUnits(times.substr(0, dash)).value_or(kNoWorkingTime);
    spec.end = clockUnits(times.substr(dash + 1)).value_or(kNoWorkingTime);
  }
  if (spec.start == kNoWorkingTime || spec.end == kNoWorkingTime) {
    return "\"" + std::string(times) +
           "\" is not HH:MM-HH:MM with times from 00:00 to 24:00 in steps of 5 minutes.";
  }
  return "";
}

// Reads the words; "" when they make a command, else the problem.
std::string parse(const std::vector<std::string>& words, BlockArgs* a) {
  if (words.empty()) return "say add, change or delete.";
  if (words[0] == "add") {
    a->action = Action::kAdd;
  } else if (words[0] == "change") {
    a->action = Action::kChange;
  } else if (words[0] == "delete") {
    a->action = Action::kDelete;
  } else {
    return "block does not know \"" + words[0] + "\"; say add, change or delete.";
  }
  for (std::size_t i = 1; i < words.size(); ++i) {
    std::string option = words[i];
    std::string value;
    if (const std::size_t eq = option.find('=');
        option.starts_with("--") && eq != std::string::npos) {
      value = option.substr(eq + 1);
      option.resize(eq);
    } else if (option.starts_with("--")) {
      if (i + 1 == words.size()) return option + " needs a value.";
      value = words[++i];
    } else {
      return "block does not know \"" + option + "\".";
    }
    const auto once = [&](auto& slot) -> std::string {
      return slot.has_value() ? option + " is given twice." : "";
    };
    std::string problem;
    if (option == "--prov") {
      if (!a->provider.empty()) return "--prov is given twice.";
      if (!isResourceCode(value))
        return "--prov needs a code of 1 to 4 characters, not \"" + value + "\".";
      a->provider = value;
    } else if (option == "--name" || option == "--new-name") {
      auto& slot = option == "--name" ? a->name : a->newName;
      if (problem = once(slot); !problem.empty()) return problem;
      if (!printable(value)) return option + " must not hold control characters.";
      slot = value;
    } else if (option == "--op") {
      if (problem = once(a->operatory); !problem.empty()) return problem;
      if (lower(value) == "none") value.clear();
      if (!value.empty() && !isResourceCode(value)) {
        return "--op needs a code of 1 to 4 characters or none, not \"" + value + "\".";
      }
      a->operatory = value;
    } else if (option == "--type") {
      if (problem = once(a->type); !problem.empty()) return problem;
      const auto n = number(value);
      if (!n || *n < 0 || *n > 255) return "--type needs a number from 0 to 255.";
      a->type = *n;
    } else if (option == "--colour") {
      if (problem = once(a->colour); !problem.empty()) return problem;
      const auto n = value.size() == 6 && value.find_first_of("+-") == std::string::npos
                         ? number(value, 16)
                         : std::nullopt;
      if (!n) return "--colour needs six hex digits RRGGBB, not \"" + value + "\".";
      const auto rgb = static_cast<std::uint32_t>(*n);
      a->colour = rgbColour(static_cast<std::uint8_t>(rgb >> 16),
                            static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb));
    } else if (option == "--day") {
      if (problem = takeDay(value, a); !problem.empty()) return problem;
    } else {
      return "block does not know \"" + option + "\".";
    }
  }
  if (a->provider.empty()) return "say which provider, with --prov CODE.";
  if (!a->name) return "say which block, with --name NAME.";
  if (a->newName && a->action != Action::kChange) return "--new-name belongs to change only.";
  bool dayOff = false;
  bool anyDay = false;
  for (const DaySpec& d : a->days) {
    dayOff = dayOff || d.off;
    anyDay = anyDay || d.given;
  }
  if (a->action == Action::kAdd && dayOff) return "a new block has no days to take off.";
  if (a->action == Action::kDelete && (a->operatory || a->type || a->colour || anyDay)) {
    return "delete takes only --prov and --name.";
  }
  return "";
}

// The proposal for a block: the stored one (or an empty one) with what the words change.
BlockProposal proposalOf(const BlockArgs& a, const ProviderTimeBlock* stored) {
  BlockProposal p;
  if (stored != nullptr) {
    p.block = *stored;
    for (std::size_t d = 0; d < kWeekDays; ++d) p.days[d] = stored->appliesOn(d);
  } else {
    p.block.colour = kNewBlockColour;
  }
  p.block.name = a.newName.value_or(*a.name);
  if (a.operatory) p.block.operatory = *a.operatory;
  if (a.type) p.block.type[0] = static_cast<std::uint8_t>(*a.type);
  if (a.colour) p.block.colour = *a.colour;
  for (std::size_t d = 0; d < kWeekDays; ++d) {
    const DaySpec& spec = a.days[d];
    if (!spec.given) continue;
    p.days[d] = !spec.off;
    p.block.start[d] = spec.off ? kNoWorkingTime : spec.start;
    p.block.end[d] = spec.off ? kNoWorkingTime : spec.end;
  }
  return p;
}

std::string refusal(const BlockVerdict& v) {
  std::string text = blockRuleMessage(v.rule);
  std::vector<std::string> detail;
  if (v.weekday >= 0) detail.emplace_back(QRX_getday_name(v.weekday + 1));
  if (!v.otherBlock.empty()) {
    std::string block = "block \"" + v.otherBlock + "\"";
    if (!v.otherProvider.empty()) {
      std::string code = v.otherProvider;
      code.erase(code.find_last_not_of(' ') + 1);
      block += " of provider " + code;
    }
    detail.push_back(block);
  }
  for (std::size_t i = 0; i < detail.size(); ++i) text += (i == 0 ? " (" : ", ") + detail[i];
  if (!detail.empty()) text += ")";
  return text;
}

// The number of appointment types the practice defines, or -1 after a failure on `err`.
int typeCount(std::ostream& err) {
  AccessLayer db;
  TypeTable types;
  int error = db.startSession();
  if (error == 0) error = types.load(db);
  if (error != 0) {
    failed(err, "cannot read the appointment types", error);
    return -1;
  }
  return static_cast<int>(types.types().size());
}

}  // namespace

const char* blockCommandUsage() {
  return "  block add|change|delete --prov CODE --name NAME [--new-name NAME] [--op CODE|none]\n"
         "        [--type N] [--colour RRGGBB] [--day DAY=HH:MM-HH:MM|DAY=off]...\n"
         "                       add, change or delete a provider's time block under the storage\n"
         "                       rules; DAY is Sun..Sat, times 24-hour on the 5-minute grid;\n"
         "                       --type is the appointment type position (0 = all types);\n"
         "                       a change keeps what it is not given; delete asks nothing\n";
}

int runBlockCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  BlockArgs a;
  if (const std::string problem = parse(args, &a); !problem.empty()) {
    return badArguments(err, problem);
  }

  // The loaders and the locked read tell their troubles through a prompter; here they go to
  // standard error, and a record locked elsewhere is given up rather than waited for.
  ScriptedPrompter prompter;
  prompter.setEcho(&err);
  SchedulingSetup tables(prompter);
  std::string why;
  if (const int error = tables.load(&why); error != 0) {
    return failed(err, "cannot read the schedule tables: " + why, error);
  }
  ProviderScheduleTable table = tables.providers();
  const int index = findProvider(table, a.provider);
  if (index < 0) return failed(err, "there is no provider " + a.provider + ".");
  if (a.operatory && !a.operatory->empty() &&
      findOperatory(tables.operatories(), *a.operatory) < 0) {
    return failed(err, "there is no operatory " + *a.operatory + ".");
  }
  if (a.type && *a.type != 0) {
    const int types = typeCount(err);
    if (types < 0) return kFailed;
    if (*a.type > types) {
      return failed(err, "there is no appointment type " + std::to_string(*a.type) +
                             "; the practice has " + std::to_string(types) + ".");
    }
  }

  ProviderSetup setup(prompter, table);
  if (const int error = setup.begin(static_cast<std::size_t>(index)); error != 0) {
    return failed(err, "cannot lock the schedule record of provider " + a.provider, error);
  }
  ProviderEntry& working = setup.working();
  const char* done = "added";
  int slot = -1;
  if (a.action == Action::kAdd) {
    slot = freeBlockSlot(working);
    if (slot < 0) {
      return failed(err, "provider " + a.provider +
                             " has six time blocks already; delete one before adding another.");
    }
  } else {
    slot = findBlock(working, *a.name);
    if (slot < 0) {
      return failed(err, "provider " + a.provider + " has no time block \"" + *a.name + "\".");
    }
  }
  const auto at = static_cast<std::size_t>(slot);
  std::string stored = working.blocks[at].name;
  if (a.action == Action::kDelete) {
    deleteTimeBlock(&working, at);
    done = "deleted";
  } else {
    const BlockProposal proposal =
        proposalOf(a, a.action == Action::kChange ? &working.blocks[at] : nullptr);
    const BlockVerdict verdict = checkTimeBlock(table, working, at, proposal);
    if (!verdict.accepted()) return failed(err, refusal(verdict));
    storeTimeBlock(&working, at, proposal);
    stored = working.blocks[at].name;
    if (a.action == Action::kChange) done = "changed";
  }
  if (const int error = setup.commit(); error != 0) {
    return failed(err, "cannot write the schedule record of provider " + a.provider, error);
  }
  out << done << " time block \"" << stored << "\" of provider " << a.provider << '\n';
  return kDone;
}
