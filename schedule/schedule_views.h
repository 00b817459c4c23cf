#pragma once
// The numbered schedule views (1 to 20) that the suite keeps in section APPTBOOK of its profile,
// and the providers and operatories this program displays. The views belong to the suite's
// schedule displays: this program only reads them. Applying one replaces the displayed
// providers and operatories, which the search for free times uses to tell whether a found time
// can be shown.
//
// Keys of view N, each the base name followed by N in decimal ("ViewProv3"):
//   ViewInfoOrder  up to 9 numbers separated by commas (above 15 counts as 0); "1,2,...,9"
//   ViewAmount     first character '1' = show the amount; off
//   ViewInfo       characters 1 and 3: the two display options ('1' = on); both on
//   ViewBegTime    first time shown, in 5-minute units; 96 (8:00 am)
//   ViewEndTime    last time shown; 204 (5:00 pm)
//   ViewProv       a count, then from character 4 on a 4-character code every 5 characters;
//                  the active providers among the first 20 of the table
//   ViewOp         the same for operatories; the first 20 operatories
//   View           up to 7 numbers, each in a field of 3 characters; 1 to 7
// A missing or empty key takes its default; a code list shorter than 2 characters counts as
// missing, and its count is cut to the codes actually there.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct OperatoryTable;
struct ProviderScheduleTable;

inline constexpr int kScheduleViews = 20;
// Views the main window's keys apply; any other number applies view 1.
inline constexpr int kAppliedViews = 12;

struct ScheduleView {
  std::vector<int> infoOrder;
  bool showAmount = false;
  bool firstOption = true;
  bool secondOption = true;
  std::int32_t beginTime = 96;
  std::int32_t endTime = 204;
  // Codes as the profile holds them (defaults: as the tables hold them).
  std::vector<std::string> providers;
  std::vector<std::string> operatories;
  std::vector<int> columns;
};

// Reads view `number` from the suite profile. False (and *out untouched) for a number outside
// 1 to 20 or a null out.
bool readScheduleView(int number, const ProviderScheduleTable& providers,
                      const OperatoryTable& operatories, ScheduleView* out);

// The providers and operatories the program displays: codes as the tables hold them, at most
// 20 of each.
struct DisplayedResources {
  std::vector<std::string> providers;
  std::vector<std::string> operatories;
  int view = 0;  // the numbered view applied last; 0 = none yet
};

// The first 20 providers and the first 20 operatories of the tables.
DisplayedResources initialDisplayedResources(const ProviderScheduleTable& providers,
                                             const OperatoryTable& operatories);

// Replaces both lists with view `number`'s lists (an N outside 1 to 12 counts as 1), leaving out
// codes the tables do not have, and remembers the view applied.
void applyScheduleView(int number, const ProviderScheduleTable& providers,
                       const OperatoryTable& operatories, DisplayedResources* shown);
