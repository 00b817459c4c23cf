// Find Time from the command line: the dialog's checks and search over the tables the program
// loads, with every message printed instead of shown.

#include "tools/findtime_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <ostream>
#include <string_view>
#include <system_error>

#include "contracts/qrx.h"
#include "data/record_bytes.h"
#include "platform/qrx/scripted_prompter.h"
#include "schedule/find_time.h"
#include "schedule/time_entry.h"
#include "tools/admin_command.h"
#include "tools/command_words.h"
#include "tools/day_command.h"
#include "tools/scheduling_setup.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kLargestCount = 9999;
constexpr std::string_view kDayLetters = "SMTWTFS";

struct Request {
  std::optional<std::vector<std::string>> providers;
  std::optional<std::vector<std::string>> operatories;
  std::optional<PackedDate> start;
  std::optional<int> length;  // minutes
  std::optional<std::array<bool, kWeekDays>> days;
  std::optional<std::string> from;  // "HH:MM", checked
  std::optional<std::string> to;
  std::optional<int> count;
};

std::string readCodes(std::string_view value, const char* option,
                      std::optional<std::vector<std::string>>* out) {
  std::vector<std::string> codes;
  for (std::size_t at = 0; at <= value.size();) {
    const std::size_t comma = std::min(value.find(',', at), value.size());
    const std::string_view code = value.substr(at, comma - at);
    const bool printable =
        std::all_of(code.begin(), code.end(), [](char c) { return c > ' ' && c <= '~'; });
    if (code.empty() || code.size() > rec::kCodeWidth || !printable) {
      return std::string(option) + " needs codes of 1 to 4 characters separated by commas, not " +
             quoted(value) + ".";
    }
    if (std::find(codes.begin(), codes.end(), code) != codes.end()) {
      return std::string(option) + " names " + quoted(code) + " twice.";
    }
    codes.emplace_back(code);
    at = comma + 1;
  }
  if (codes.size() > kMaxSearchCodes) {
    return std::string(option) + " takes at most 20 codes.";
  }
  *out = std::move(codes);
  return "";
}

std::string readProviders(std::string_view value, Request& r) {
  return readCodes(value, "--prov", &r.providers);
}

std::string readOperatories(std::string_view value, Request& r) {
  return readCodes(value, "--op", &r.operatories);
}

std::string readStart(std::string_view value, Request& r) {
  const PackedDate date = parseIsoDate(std::string(value));
  if (date == kNoDate) {
    return quoted(value) + " is not a date of the form YYYY-MM-DD that the calendar has.";
  }
  r.start = date;
  return "";
}

std::string readLength(std::string_view value, Request& r) {
  const auto n = wholeNumber(value, kMinutesPerDay);
  if (!n || *n < kMinutesPerUnit || *n % kMinutesPerUnit != 0) {
    return "--length must be 5 to 1440 minutes in steps of 5, not " + quoted(value) + ".";
  }
  r.length = static_cast<int>(*n);
  return "";
}

std::string readDays(std::string_view value, Request& r) {
  std::array<bool, kWeekDays> days{};
  bool ok = value.size() == kWeekDays;
  for (std::size_t d = 0; ok && d < kWeekDays; ++d) {
    const char c = value[d];
    days[d] = std::toupper(static_cast<unsigned char>(c)) == kDayLetters[d];
    ok = days[d] || c == '-';
  }
  if (!ok) {
    return "--days needs 7 characters, Sunday first, each the weekday's letter (SMTWTFS) or "
           "\"-\", not " +
           quoted(value) + ".";
  }
  r.days = days;
  return "";
}

// HH:MM (or H:MM) from 00:00 to 24:00 on the 5-minute grid.
std::string readClock(std::string_view value, const char* option, std::optional<std::string>* out) {
  if (!clockUnits(value)) {
    return std::string(option) + " must be HH:MM from 00:00 to 24:00 in steps of 5 minutes, not " +
           quoted(value) + ".";
  }
  *out = std::string(value);
  return "";
}

std::string readFrom(std::string_view value, Request& r) {
  return readClock(value, "--from", &r.from);
}
std::string readTo(std::string_view value, Request& r) { return readClock(value, "--to", &r.to); }

std::string readCount(std::string_view value, Request& r) {
  const auto n = wholeNumber(value, kLargestCount);
  if (!n || *n < 1)
    return "--count must be a whole number from 1 to 9999, not " + quoted(value) + ".";
  r.count = static_cast<int>(*n);
  return "";
}

using Reader = std::string (*)(std::string_view value, Request& r);
struct Option {
  std::string_view name;
  Reader read;
};
constexpr std::array<Option, 8> kOptions = {{
    {"--prov", readProviders},
    {"--op", readOperatories},
    {"--start", readStart},
    {"--length", readLength},
    {"--days", readDays},
    {"--from", readFrom},
    {"--to", readTo},
    {"--count", readCount},
}};

std::string parse(const std::vector<std::string>& args, Request* r) {
  std::vector<std::string_view> seen;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view word = args[i];
    const std::size_t eq = word.find('=');
    const std::string_view name = word.starts_with("--") ? word.substr(0, eq) : word;
    const auto option = std::find_if(kOptions.begin(), kOptions.end(),
                                     [&](const Option& o) { return o.name == name; });
    if (option == kOptions.end()) return "findtime does not know " + quoted(word) + ".";
    std::string_view value;
    if (eq != std::string_view::npos) {
      value = word.substr(eq + 1);
    } else {
      if (i + 1 == args.size()) return std::string(name) + " needs a value.";
      value = args[++i];
    }
    if (std::find(seen.begin(), seen.end(), option->name) != seen.end()) {
      return std::string(name) + " is given twice.";
    }
    seen.push_back(option->name);
    if (std::string problem = option->read(value, *r); !problem.empty()) return problem;
  }
  if (!r->start || !r->length) return "findtime needs --start and --length.";
  return "";
}

// Prints every message as "message: TEXT" and answers it with OK (the search only tells).
class PrintingPrompter final : public Prompter {
 public:
  explicit PrintingPrompter(std::ostream& out) : out_(out) {}
  int ask(const Prompt& prompt) override {
    std::string text = prompt.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    out_ << "message: " << text << '\n';
    return answers_.ask(prompt);
  }

 private:
  std::ostream& out_;
  ScriptedPrompter answers_{ScriptedPrompter::Fallback::kAffirmative};
};

int refused(std::ostream& err, const std::string& why) {
  err << "apptbook-admin: findtime: " << why << ".\n";
  return kFailed;
}

}  // namespace

int runFindTimeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Request request;
  if (const std::string problem = parse(args, &request); !problem.empty()) {
    err << "apptbook-admin: findtime: " << problem << "\n\n" << adminUsage();
    return kBadArguments;
  }

  PrintingPrompter prompter(out);
  SchedulingSetup setup(prompter);
  std::string why;
  if (const int error = setup.load(&why); error != 0) {
    const std::string more = error == kNoPracticeSchedule ? "" : databaseErrorText(error);
    return refused(err, "failed while " + why + (more.empty() ? "" : " (" + more + ")"));
  }

  FindTimeEntry entry;
  for (const std::string& code : request.providers.value_or(std::vector<std::string>{})) {
    const int at = findProvider(setup.providers(), code);
    if (at < 0) return refused(err, "there is no provider " + quoted(code));
    entry.providers.push_back(setup.providers().providers[static_cast<std::size_t>(at)].code);
  }
  for (const std::string& code : request.operatories.value_or(std::vector<std::string>{})) {
    const int at = findOperatory(setup.operatories(), code);
    if (at < 0) return refused(err, "there is no operatory " + quoted(code));
    entry.operatories.push_back(setup.operatories().operatories[static_cast<std::size_t>(at)].code);
  }
  entry.days =
      request.days.value_or(std::array<bool, kWeekDays>{true, true, true, true, true, true, true});
  char date[16] = {};
  QRX_FormatNDate2000(date, sizeof date, *request.start);
  entry.startDate = date;
  entry.timeStart = request.from.value_or("");
  entry.timeEnd = request.to.value_or("");
  entry.lengthMinutes = *request.length;

  FindTimeCheck check = checkFindTimeEntry(prompter, entry, setup.practice().blockMinutes);
  if (!check.params) return refused(err, "the search was refused");

  const int wanted = request.count.value_or(kFoundTimesPerBatch);
  for (int printed = 0; printed < wanted;) {
    const std::vector<FoundTime> batch =
        searchFreeTimes(prompter, setup.practice(), setup.providers(), *check.params,
                        std::min(kFoundTimesPerBatch, wanted - printed));
    if (batch.empty()) break;
    for (const FoundTime& found : batch) out << foundTimeRow(found) << '\n';
    printed += static_cast<int>(batch.size());
  }
  return kDone;
}

const char* findTimeCommandUsage() {
  return "  findtime --prov CODE[,CODE...] --op CODE[,CODE...] --start YYYY-MM-DD\n"
         "       --length MINUTES [--days SMTWTFS] [--from HH:MM] [--to HH:MM] [--count N]\n"
         "                       search free appointment times as Find Time does and print N\n"
         "                       of them (default 10) as its list shows them, fetched 10 at a\n"
         "                       time; --days marks each weekday to search with its letter and\n"
         "                       the others with \"-\" (e.g. -MTWTF-; default all); --from and\n"
         "                       --to limit the time of day; messages print as \"message: TEXT\"\n";
}
