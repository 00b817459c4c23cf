// The occupancy check and rebuild on standard output. The work is in the editing library; this
// file only reads the words and words the result.

#include "tools/occupancy_command.h"

#include <ostream>
#include <string>
#include <vector>

#include "editing/occupancy_check.h"
#include "tools/admin_command.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

int badArguments(std::ostream& err, const std::string& name, const std::string& word) {
  err << "apptbook-admin: " << name << ": " << name << " takes no options, not \"" << word
      << "\".\n\n"
      << adminUsage();
  return kBadArguments;
}

int failed(std::ostream& err, const std::string& name, const std::string& what, int error) {
  err << "apptbook-admin: " << name << ": " << what;
  const std::string more = databaseErrorText(error);
  if (!more.empty()) err << " (" << more << ")";
  err << '\n';
  return kFailed;
}

// "N dated appointments, M week records" and, when some could not be placed, how many.
std::string counted(const OccupancyReport& report) {
  std::string text = std::to_string(report.appointments) + " dated appointments and " +
                     std::to_string(report.records) + " week records";
  if (report.skipped > 0) {
    text += " (" + std::to_string(report.skipped) +
            " appointments left out: their date, start or length cannot be placed)";
  }
  return text;
}

}  // namespace

const char* checkCommandUsage() {
  return "  check                compare the weekly occupancy records with the appointments;\n"
         "                       prints each difference on a line; exit 1 when there is one\n";
}

const char* rebuildCommandUsage() {
  return "  rebuild              rewrite the weekly occupancy records from the appointments\n"
         "                       (run it while nobody schedules)\n";
}

int runCheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) return badArguments(err, "check", args[0]);
  const OccupancyReport report = checkOccupancy();
  if (report.error != 0) {
    return failed(err, "check", "cannot read the appointments and week records", report.error);
  }
  for (const OccupancyDifference& d : report.differences) out << describeDifference(d) << '\n';
  if (report.differences.empty()) {
    out << "The week records match the appointments: " << counted(report) << ".\n";
    return kDone;
  }
  out << report.differences.size() << " differences between " << counted(report)
      << "; \"rebuild\" rewrites the week records.\n";
  return kFailed;
}

int runRebuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) return badArguments(err, "rebuild", args[0]);
  const OccupancyReport report = rebuildOccupancy();
  if (report.error != 0) {
    return failed(err, "rebuild",
                  "the rebuild stopped after rewriting " + std::to_string(report.rewritten) +
                      ", adding " + std::to_string(report.added) + " and deleting " +
                      std::to_string(report.deleted) +
                      " week records; run it again once the database can be written",
                  report.error);
  }
  out << "Rebuilt the week records from " << counted(report) << ": " << report.differences.size()
      << " differences found, " << report.rewritten << " records rewritten, " << report.added
      << " added, " << report.deleted << " deleted.\n";
  return kDone;
}
