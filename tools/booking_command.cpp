// Book, move and unschedule from the command line. The words are read whole into a request and
// checked first; only then is anything read from the database, and only SaveApptWithRules
// writes.

#include "tools/booking_command.h"

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

#include "contracts/qrx.h"
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "data/record_readers.h"
#include "editing/appointment_edit.h"
#include "editing/scheduling_rules.h"
#include "platform/qrx/scripted_prompter.h"
#include "tools/admin_command.h"
#include "tools/command_words.h"
#include "tools/day_command.h"
#include "tools/scheduling_setup.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

constexpr int kMinutesPerUnit = 5;
constexpr int kMinutesPerDay = 24 * 60;
// The patient's name as the appointment dialog writes it into the appointment.
constexpr int kNameLength = 30;
constexpr std::size_t kPatternDigits = 2 * 6;

enum class Verb { kBook, kMove, kUnschedule };

const char* verbName(Verb verb) {
  switch (verb) {
    case Verb::kBook:
      return "book";
    case Verb::kMove:
      return "move";
    case Verb::kUnschedule:
      return "unschedule";
  }
  return "";
}

const char* verbDone(Verb verb) {
  switch (verb) {
    case Verb::kBook:
      return "booked";
    case Verb::kMove:
      return "moved";
    case Verb::kUnschedule:
      return "unscheduled";
  }
  return "";
}

// ---------------------------------------------------------------------------------------------
// The request

using Pattern = std::array<std::uint8_t, 6>;

struct Request {
  std::optional<std::uint32_t> patient;
  std::optional<std::uint32_t> appointment;
  std::optional<bool> answerYes;
  // What goes into the appointment.
  std::optional<PackedDate> date;
  std::optional<int> start;   // minutes from midnight
  std::optional<int> length;  // minutes
  std::optional<std::string> provider;
  std::optional<std::string> operatory;
  std::optional<Pattern> pattern;
  std::optional<std::uint32_t> amount;
  std::optional<std::uint8_t> kind;
  std::optional<std::string> description;

  bool changesAppointment() const {
    return date || start || length || provider || operatory || pattern || amount || kind ||
           description;
  }
};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Each reader stores its value or returns the problem.
using Reader = std::string (*)(std::string_view value, Request& r);

std::string readIdentifier(std::string_view value, std::optional<std::uint32_t>* out,
                           const char* what) {
  const auto n = wholeNumber(value, 0xFFFFFFFFu);
  if (!n || *n == 0) {
    return std::string(what) + " must be an identifier from 1 to 4294967295, not " + quoted(value) +
           ".";
  }
  *out = static_cast<std::uint32_t>(*n);
  return "";
}

std::string readPatient(std::string_view value, Request& r) {
  return readIdentifier(value, &r.patient, "--patient");
}

std::string readAppointment(std::string_view value, Request& r) {
  return readIdentifier(value, &r.appointment, "--appt");
}

std::string readAnswer(std::string_view value, Request& r) {
  if (value == "yes" || value == "no") {
    r.answerYes = value == "yes";
    return "";
  }
  return "--answer must be yes or no, not " + quoted(value) + ".";
}

std::string readDate(std::string_view value, Request& r) {
  const PackedDate date = parseIsoDate(std::string(value));
  if (date == kNoDate) {
    return quoted(value) + " is not a date of the form YYYY-MM-DD that the calendar has.";
  }
  r.date = date;
  return "";
}

// H:MM or HH:MM, 00:00 to 23:55, on the 5-minute grid.
std::string readTime(std::string_view value, Request& r) {
  const std::string problem =
      "--time must be HH:MM from 00:00 to 23:55 in steps of 5 minutes, not " + quoted(value) + ".";
  const std::size_t colon = value.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || value.size() != colon + 3) {
    return problem;
  }
  const auto hour = wholeNumber(value.substr(0, colon), 23);
  const auto minute = wholeNumber(value.substr(colon + 1), 59);
  if (!hour || !minute || *minute % kMinutesPerUnit != 0) return problem;
  r.start = static_cast<int>(*hour * 60 + *minute);
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

// 1 to 4 printable characters without blanks: what a record's code field holds.
std::optional<std::string> code(std::string_view value) {
  if (value.empty() || value.size() > static_cast<std::size_t>(kCodeLimit)) return std::nullopt;
  for (const char c : value) {
    if (c <= ' ' || c > '~') return std::nullopt;
  }
  return std::string(value);
}

std::string readProvider(std::string_view value, Request& r) {
  r.provider = code(value);
  if (!r.provider) return "--prov needs a code of 1 to 4 characters, not " + quoted(value) + ".";
  return "";
}

std::string readOperatory(std::string_view value, Request& r) {
  r.operatory = code(value);
  if (!r.operatory) return "--op needs a code of 1 to 4 characters, not " + quoted(value) + ".";
  return "";
}

std::string readPattern(std::string_view value, Request& r) {
  Pattern bytes{};
  bool ok = value.size() == kPatternDigits;
  for (std::size_t i = 0; ok && i < bytes.size(); ++i) {
    const int high = hexDigit(value[2 * i]);
    const int low = hexDigit(value[2 * i + 1]);
    ok = high >= 0 && low >= 0;
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  if (!ok)
    return "--pattern must be 12 hex digits (the 6 pattern bytes), not " + quoted(value) + ".";
  r.pattern = bytes;
  return "";
}

std::string readAmount(std::string_view value, Request& r) {
  const auto n = wholeNumber(value, 0xFFFFFFFFu);
  if (!n) return "--amount must be whole cents from 0 to 4294967295, not " + quoted(value) + ".";
  r.amount = static_cast<std::uint32_t>(*n);
  return "";
}

std::string readKind(std::string_view value, Request& r) {
  if (value == "fixed") {
    r.kind = AppointmentRecord::kFixed;
  } else if (value == "open") {
    r.kind = AppointmentRecord::kOpen;
  } else if (value == "asap") {
    r.kind = AppointmentRecord::kAsap;
  } else {
    return "--kind must be fixed, open or asap, not " + quoted(value) + ".";
  }
  return "";
}

std::string readDescription(std::string_view value, Request& r) {
  if (value.size() > static_cast<std::size_t>(kDescriptionLimit)) {
    return "--desc holds at most 60 characters; this one has " + std::to_string(value.size()) +
           " bytes.";
  }
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F)
      return "--desc must not hold line breaks or control characters.";
  }
  r.description = std::string(value);
  return "";
}

constexpr unsigned kBook = 1u << static_cast<unsigned>(Verb::kBook);
constexpr unsigned kMove = 1u << static_cast<unsigned>(Verb::kMove);
constexpr unsigned kUnschedule = 1u << static_cast<unsigned>(Verb::kUnschedule);

struct Option {
  std::string_view name;
  unsigned verbs;
  Reader read;
};

constexpr std::array<Option, 12> kOptions = {{
    {"--patient", kBook, readPatient},
    {"--appt", kMove | kUnschedule, readAppointment},
    {"--answer", kBook | kMove | kUnschedule, readAnswer},
    {"--date", kBook | kMove, readDate},
    {"--time", kBook | kMove, readTime},
    {"--length", kBook | kMove, readLength},
    {"--prov", kBook | kMove, readProvider},
    {"--op", kBook | kMove, readOperatory},
    {"--pattern", kBook | kMove, readPattern},
    {"--amount", kBook | kMove, readAmount},
    {"--kind", kBook | kMove, readKind},
    {"--desc", kBook | kMove, readDescription},
}};

// Reads the words into *r; returns the problem, "" when they are all good and complete.
std::string parse(Verb verb, const std::vector<std::string>& args, Request* r) {
  const unsigned bit = 1u << static_cast<unsigned>(verb);
  std::vector<std::string_view> seen;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view word = args[i];
    const std::size_t eq = word.find('=');
    const std::string_view name = word.starts_with("--") ? word.substr(0, eq) : word;
    const Option* option = nullptr;
    for (const Option& o : kOptions) {
      if (o.name == name && (o.verbs & bit) != 0) option = &o;
    }
    if (option == nullptr) {
      return std::string(verbName(verb)) + " does not know " + quoted(word) + ".";
    }
    std::string_view value;
    if (eq != std::string_view::npos) {
      value = word.substr(eq + 1);
    } else {
      if (i + 1 == args.size()) return std::string(name) + " needs a value.";
      value = args[++i];
    }
    for (const std::string_view before : seen) {
      if (before == option->name) return std::string(name) + " is given twice.";
    }
    seen.push_back(option->name);
    if (std::string problem = option->read(value, *r); !problem.empty()) return problem;
  }

  if (!r->answerYes && verb != Verb::kUnschedule) {
    return "say how its questions are answered: --answer yes or --answer no.";
  }
  switch (verb) {
    case Verb::kBook:
      if (!r->patient || !r->date || !r->start || !r->length || !r->provider || !r->operatory) {
        return "book needs --patient, --date, --time, --length, --prov and --op.";
      }
      break;
    case Verb::kMove:
      if (!r->appointment) return "move needs --appt.";
      if (!r->changesAppointment()) return "move needs at least one thing to change.";
      break;
    case Verb::kUnschedule:
      if (!r->appointment) return "unschedule needs --appt.";
      break;
  }
  if (r->start && r->length && *r->start + *r->length > kMinutesPerDay) {
    return "the appointment would run past midnight.";
  }
  return "";
}

// ---------------------------------------------------------------------------------------------
// Questions on the command line

// One line per prompt: line breaks inside a text become one blank.
std::string oneLine(std::string_view text) {
  std::string line;
  bool inBreak = false;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      if (!inBreak) line += ' ';
      inBreak = true;
    } else {
      line += c;
      inBreak = false;
    }
  }
  return line;
}

// Answers every question as --answer says (OK-only prompts with OK, a Retry with Cancel) and
// prints each prompt on its own line.
class AnsweringPrompter final : public Prompter {
 public:
  AnsweringPrompter(bool yes, std::ostream& out)
      : answers_(yes ? ScriptedPrompter::Fallback::kAffirmative
                     : ScriptedPrompter::Fallback::kNegative),
        out_(out) {}

  int ask(const Prompt& prompt) override {
    const int answer = answers_.ask(prompt);
    if (prompt.buttons == PromptButtons::kOk) {
      out_ << "message: " << oneLine(prompt.text) << '\n';
    } else {
      out_ << "question: " << oneLine(prompt.text) << " -> " << promptAnswerName(answer) << '\n';
    }
    return answer;
  }

 private:
  ScriptedPrompter answers_;
  std::ostream& out_;
};

// ---------------------------------------------------------------------------------------------
// Running

class Run {
 public:
  Run(Verb verb, const Request& request, std::ostream& out, std::ostream& err)
      : verb_(verb),
        request_(request),
        out_(out),
        err_(err),
        prompter_(request.answerYes.value_or(false), out),
        setup_(prompter_) {}

  int execute() {
    std::string why;
    if (const int error = setup_.load(&why); error != 0) {
      return failed("failed while " + why, error == kNoPracticeSchedule ? 0 : error);
    }
    switch (verb_) {
      case Verb::kBook:
        return book();
      case Verb::kMove:
        return move();
      case Verb::kUnschedule:
        return unschedule();
    }
    return kFailed;
  }

 private:
  int failed(const std::string& what, int error = 0) {
    err_ << "apptbook-admin: " << verbName(verb_) << ": " << what;
    const std::string more = databaseErrorText(error);
    if (!more.empty()) err_ << " (" << more << ")";
    err_ << ".\n";
    return kFailed;
  }

  std::uint8_t unitSize() const {
    return static_cast<std::uint8_t>(setup_.practice().timeBlockCode);
  }

  // "" when the provider and (for a dated appointment) the operatory are in the tables.
  std::string missingResource(const AppointmentRecord& a) const {
    if (findProvider(setup_.providers(), a.providerCode()) < 0) {
      return "there is no provider " + quoted(a.providerCode()) + "; nothing written";
    }
    if (a.date() != kNoDate && findOperatory(setup_.operatories(), a.operatoryCode()) < 0) {
      return "there is no operatory " + quoted(a.operatoryCode()) + "; nothing written";
    }
    return "";
  }

  bool ask(const char* text) {
    Prompt p;
    p.caption = kApptListCaption;
    p.text = text;
    p.buttons = PromptButtons::kYesNo;
    p.icon = PromptIcon::kExclamation;
    return prompter_.ask(p) == kIdYes;
  }

  // The details a booking and a move take from the request alike.
  void applyDetails(AppointmentRecord& a) const {
    if (request_.length) a.setLength(static_cast<std::int16_t>(*request_.length));
    if (request_.pattern) a.setPattern(*request_.pattern);
    if (request_.amount) {
      a.setAmount(*request_.amount);
      a.setAmountSetByHand(true);
    }
    if (request_.kind) a.setScheduleKind(*request_.kind);
    if (request_.description) a.setDescription(*request_.description);
  }

  int book() {
    PatientRecord patient;
    if (!readPatientById(*request_.patient, &patient)) {
      return failed("there is no patient " + std::to_string(*request_.patient) +
                    "; nothing written");
    }
    AppointmentRecord a;
    a.setUnitSize(unitSize());
    a.setProvider(*request_.provider);
    a.schedule(*request_.date, *request_.operatory, static_cast<std::uint8_t>(*request_.start / 60),
               static_cast<std::uint8_t>(*request_.start % 60));
    if (const std::string missing = missingResource(a); !missing.empty()) return failed(missing);

    a.setPatientId(*request_.patient);
    char name[AppointmentRecord::kName.width];
    QRX_PackName(name, sizeof name, patient.lastName(), patient.firstName(),
                 patient.middleInitial(), kNameLength);
    a.setName(name);
    AddressRecord household;
    if (readAddressById(patient.addressId(), &household)) a.setPhone(household.phone());
    // Provider time over the whole length unless a pattern is given.
    const int units = *request_.length / kMinutesPerUnit;
    const int perSlot = patternUnitSize(a);
    for (int k = 0; k < static_cast<int>(AppointmentRecord::kPatternSlots) && k * perSlot < units;
         ++k) {
      a.setPatternSlot(static_cast<std::size_t>(k), AppointmentRecord::kProviderTime);
    }
    a.setReasonUpdatesCare(true);
    applyDetails(a);

    if (a.date() < QRX_SysDate() && QRX_Message(prompter_, kMsgPastDate) != 1) return refused();
    if (a.length() > kLongLength && !ask(kLongLengthQuestion)) return refused();
    const AppointmentRecord none;
    return report(SaveApptWithRules(setup_.context(), true, none, a));
  }

  // Reads the appointment to change; false (with the message given) when there is none.
  bool readOld(AppointmentRecord* old, int* code) {
    if (readAppointmentById(*request_.appointment, old)) return true;
    *code = failed("there is no appointment " + std::to_string(*request_.appointment));
    return false;
  }

  int move() {
    AppointmentRecord old;
    int code = kFailed;
    if (!readOld(&old, &code)) return code;
    const bool placed = old.date() != kNoDate;
    if (!placed && !(request_.date && request_.start && request_.operatory)) {
      return failed("appointment " + std::to_string(old.identifier()) +
                    " is on the Unscheduled list; give --date, --time and --op to place it");
    }
    AppointmentRecord edited = old;
    edited.setUnitSize(unitSize());
    if (request_.provider) edited.setProvider(*request_.provider);
    const int start = request_.start.value_or(old.startHour() * 60 + old.startMinute());
    edited.schedule(request_.date.value_or(old.date()),
                    request_.operatory.value_or(old.operatoryCode()),
                    static_cast<std::uint8_t>(start / 60), static_cast<std::uint8_t>(start % 60));
    applyDetails(edited);
    // As the dialog's Status list: a practice status and "complete" stay, broken (100) and will
    // call (101 and up) become "<none>".
    if (edited.status() > kLastPracticeStatus &&
        edited.status() != AppointmentRecord::kStatusComplete) {
      edited.setStatus(0);
    }
    if (const std::string missing = missingResource(edited); !missing.empty()) {
      return failed(missing);
    }
    if (!edited.sameBytes(old)) edited.setLastChange(QRX_SysDate());

    if (edited.length() > kLongLength && !ask(kLongLengthQuestion)) return refused();
    return report(SaveApptWithRules(setup_.context(), false, old, edited));
  }

  int unschedule() {
    AppointmentRecord old;
    int code = kFailed;
    if (!readOld(&old, &code)) return code;
    if (old.date() == kNoDate) {
      return failed("appointment " + std::to_string(old.identifier()) +
                    " is already on the Unscheduled list; nothing written");
    }
    AppointmentRecord edited = old;
    edited.setUnitSize(unitSize());
    edited.unschedule();
    const PackedDate today = QRX_SysDate();
    if (old.status() != AppointmentRecord::kStatusWillCall) edited.setLastChange(today);
    edited.setStatus(AppointmentRecord::kStatusWillCall);
    if (edited.listDate() == kNoDate) edited.setListDate(today);
    return report(SaveApptWithRules(setup_.context(), false, old, edited));
  }

  int refused() { return failed("refused; nothing written"); }

  int report(const RulesResult& r) {
    switch (r.outcome) {
      case RulesOutcome::kDone:
        out_ << verbDone(verb_) << " appointment " << r.appointmentId << '\n';
        return kDone;
      case RulesOutcome::kRefused:
        return refused();
      case RulesOutcome::kInvalid:
        return failed("the appointment cannot be placed there; nothing written");
      case RulesOutcome::kChangedElsewhere: {
        Prompt p;
        p.caption = kApptListCaption;
        p.text = kChangedElsewhereText;
        p.buttons = PromptButtons::kOk;
        p.icon = PromptIcon::kExclamation;
        prompter_.ask(p);
        return failed("the appointment was changed by another process meanwhile; nothing written");
      }
      case RulesOutcome::kDatabaseError:
        break;
    }
    return failed("the save failed; nothing written", r.error);
  }

  static constexpr std::uint8_t kLastPracticeStatus = 15;

  Verb verb_;
  const Request& request_;
  std::ostream& out_;
  std::ostream& err_;
  AnsweringPrompter prompter_;
  SchedulingSetup setup_;
};

int runVerb(Verb verb, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Request request;
  if (const std::string problem = parse(verb, args, &request); !problem.empty()) {
    err << "apptbook-admin: " << verbName(verb) << ": " << problem << "\n\n" << adminUsage();
    return kBadArguments;
  }
  return Run(verb, request, out, err).execute();
}

}  // namespace

int runBookCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return runVerb(Verb::kBook, args, out, err);
}

int runMoveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return runVerb(Verb::kMove, args, out, err);
}

int runUnscheduleCommand(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
  return runVerb(Verb::kUnschedule, args, out, err);
}

const char* bookCommandUsage() {
  return "  book --patient ID --date YYYY-MM-DD --time HH:MM --length MINUTES --prov CODE\n"
         "       --op CODE --answer yes|no [--pattern HEX12] [--amount CENTS]\n"
         "       [--kind fixed|open|asap] [--desc TEXT]\n"
         "                       place a new appointment through the scheduling rules and\n"
         "                       print \"booked appointment ID\". Every question is answered as\n"
         "                       --answer says and printed as \"question: TEXT -> Yes\" (or No),\n"
         "                       every stop as \"message: TEXT\". Times on the 5-minute grid;\n"
         "                       lengths 5 to 1440 minutes in steps of 5; HEX12 = the 6 pattern\n"
         "                       bytes in order, 2 bits a slot, 2 = provider time (default:\n"
         "                       provider time throughout); amounts in cents (sets \"Set\n"
         "                       Amount\"); descriptions of at most 60 characters\n";
}

const char* moveCommandUsage() {
  return "  move --appt ID --answer yes|no [--date D] [--time T] [--length M] [--prov CODE]\n"
         "       [--op CODE] [--pattern HEX12] [--amount CENTS] [--kind K] [--desc TEXT]\n"
         "                       change an appointment (at least one option) through the same\n"
         "                       save, printed as for book; one on the Unscheduled list needs\n"
         "                       --date, --time and --op\n";
}

const char* unscheduleCommandUsage() {
  return "  unschedule --appt ID [--answer yes|no]\n"
         "                       take an appointment out of the schedule onto the Unscheduled\n"
         "                       list (status will call)\n";
}
