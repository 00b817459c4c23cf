// The day list on standard output: the same loader, row composers and status table as the main
// window, over the process's own access layer session.

#include "tools/day_command.h"

#include <cctype>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/access_layer.h"
#include "lists/definitions.h"
#include "lists/list_loaders.h"
#include "lists/list_state.h"
#include "lists/patient_lookup.h"
#include "lists/row_composers.h"
#include "lists/row_sink.h"
#include "platform/qrx/scripted_prompter.h"
#include "tools/admin_command.h"
#include "tools/command_words.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;
// Resource codes are four characters in every record.

int badArguments(std::ostream& err, const std::string& problem) {
  err << "apptbook-admin: day: " << problem << "\n\n" << adminUsage();
  return kBadArguments;
}

int failed(std::ostream& err, const std::string& what, int error) {
  err << "apptbook-admin: day: " << what;
  const std::string more = databaseErrorText(error);
  if (!more.empty()) err << " (" << more << ")";
  err << '\n';
  return kFailed;
}

bool allDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

}  // namespace

PackedDate parseIsoDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return kNoDate;
  const std::string_view t(text);
  const std::string_view year = t.substr(0, 4);
  const std::string_view month = t.substr(5, 2);
  const std::string_view day = t.substr(8, 2);
  if (!allDigits(year) || !allDigits(month) || !allDigits(day)) return kNoDate;
  return QRX_DateIn(std::stoi(std::string(year)), std::stoi(std::string(month)),
                    std::stoi(std::string(day)));
}

const char* dayCommandUsage() {
  return "  day YYYY-MM-DD [--op CODE | --prov CODE]\n"
         "                       print the day list of that date as the program shows it: the\n"
         "                       header line, then one line per appointment; --op shows one\n"
         "                       operatory, --prov one provider\n";
}

int runDayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ListState state;
  bool haveDate = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    std::string option;
    std::string value;
    if (word == "--op" || word == "--prov") {
      if (i + 1 == args.size()) return badArguments(err, word + " needs a code.");
      option = word;
      value = args[++i];
    } else if (word.starts_with("--op=") || word.starts_with("--prov=")) {
      const std::size_t eq = word.find('=');
      option = word.substr(0, eq);
      value = word.substr(eq + 1);
    } else if (word.starts_with("-")) {
      return badArguments(err, "day does not know \"" + word + "\".");
    } else {
      if (haveDate) return badArguments(err, "day takes one date, not also \"" + word + "\".");
      state.date = parseIsoDate(word);
      if (state.date == kNoDate) {
        return badArguments(err, "\"" + word + "\" is not a date of the form YYYY-MM-DD.");
      }
      haveDate = true;
      continue;
    }
    if (state.mode != kViewModeAll) {
      return badArguments(err, "give at most one of --op and --prov.");
    }
    if (!isResourceCode(value)) {
      return badArguments(err,
                          option + " needs a code of 1 to 4 characters, not \"" + value + "\".");
    }
    if (option == "--op") {
      state.mode = kViewModeOperatory;
      state.operatoryCode = value;
    } else {
      state.mode = kViewModeProvider;
      state.providerCode = value;
    }
  }
  if (!haveDate) return badArguments(err, "say which date, as YYYY-MM-DD.");

  AccessLayer db;
  if (db.startSession() != 0) {
    return failed(err, "cannot start a database session", db.status().error);
  }
  // The loaders tell database failures through a prompter; here they go to standard error.
  ScriptedPrompter prompter;
  prompter.setEcho(&err);
  StatusTable statuses;
  int error = statuses.load(db);
  if (error != 0) return failed(err, "cannot read the appointment statuses", error);

  VectorRowSink rows;
  {
    AccessLayerPatientLookup patients(db);
    error = loadDayList(db, prompter, state, statuses, patients, rows);
  }
  if (error != 0) return failed(err, "cannot read the appointments of that date", error);

  out << listHeader(ListKind::kDay) << '\n';
  for (const ListEntry& row : rows.rows()) out << row.text << '\n';
  return kDone;
}
