#pragma once
// The search for free appointment times: walking forward day by day from a start date, it looks
// for runs of free 5-minute slots long enough for the appointment, first in the slot maps of a
// provider and of the provider's aliases, then in each chosen operatory inside the provider's
// run, and hands them out a batch at a time. Also what the "Find Appointment Time" dialog
// decides without its window: its first values for an appointment, the checks of Search, the
// date buttons, the text of a found time and how a chosen time goes into the appointment.
//
// A search is resumable: its parameters carry where the last batch stopped, so the next batch
// continues right after the last time found. Every batch reads the week records afresh (a
// booking made meanwhile elsewhere is seen), each record once per week searched.
//
// REQUIRES for searchFreeTimes: the database is open in this process. It reads in sessions of
// its own and takes no locks.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "schedule/schedule_time.h"

class AppointmentRecord;
class RscUseRecord;
struct OperatoryTable;
struct PracticeSchedule;
struct ProviderScheduleTable;

// ---------------------------------------------------------------------------------------------
// Limits and texts

inline constexpr std::size_t kMaxSearchCodes = 20;  // providers, and operatories, of one search
inline constexpr int kSearchDates = 356;            // dates one batch may try
inline constexpr int kSearchSpans = 366;            // too-short spans one batch may meet
inline constexpr int kFoundTimesPerBatch = 10;

inline constexpr const char* kFindTimeCaption = "Appointment List";
inline constexpr const char* kNoMatchText = "No match found.  Search terminated!";
inline constexpr const char* kNoPossibleMatchText = "No possible match.  Search terminated!";
inline constexpr const char* kNeedProviderText = "At least one provider must be selected";
inline constexpr const char* kNeedBothText = "At least one operatory and provider must be selected";
inline constexpr const char* kNeedOperatoryText = "At least one operatory must be selected";
inline constexpr const char* kInvalidTimeRangeText = "Invalid Time Range";
inline constexpr const char* kNeedDayText = "At least one day must be selected";
inline constexpr const char* kOperatoryNotShownText =
    "Requested operatory is not currently being displayed. View canceled.";
inline constexpr const char* kEndOfListText = "End of list!";

// ---------------------------------------------------------------------------------------------
// The search

// One free time: a run of free slots on a date, free for the provider (and every alias) and in
// the operatory.
struct FoundTime {
  PackedDate date = kNoDate;
  std::int32_t start = 0;   // first slot (5-minute units since midnight)
  std::int32_t length = 0;  // slots in the run: the appointment's length or more
  std::string operatory;    // the code as the tables hold it (4 characters, blank-padded)
  std::string provider;
  std::int32_t end() const { return start + length; }
  bool operator==(const FoundTime&) const = default;
};

// Where the next batch starts. All zero: at the start date, from the first provider.
struct SearchResume {
  PackedDate date = kNoDate;
  std::size_t provider = 0;      // index into SearchParams::providers
  std::int32_t dayPosition = 0;  // slot from which the provider's next run is looked for
  bool inRun = false;            // the batch stopped inside the provider's run at dayPosition:
  std::size_t operatory = 0;     //   the operatory it stopped in
  std::int32_t runPosition = 0;  //   and the slot after the last time found there
};

struct SearchParams {
  PackedDate startDate = kNoDate;
  std::int32_t length = 1;                // in slots; below 1 counts as 1
  std::array<bool, kWeekDays> skipDay{};  // Sunday first; true = weekday not selected
  // The time window: -1 = no limit. Practice periods are clipped to it.
  std::int32_t timeStart = kNoWorkingTime;
  std::int32_t timeEnd = kNoWorkingTime;
  // Codes as in the tables; only the first kMaxSearchCodes of each count. Providers are tried
  // in this order, and for each provider run the operatories in this order.
  std::vector<std::string> providers;
  std::vector<std::string> operatories;
  SearchResume resume;
};

// Finds up to `wanted` more free times, in date order, then by provider, then by operatory.
//
// Per date, beginning at the resume date (or the start date) and trying at most kSearchDates
// dates: a yearly holiday, a weekday not selected, a date whose practice hours (clipped to the
// window) have no first period and a date the practice has closed are skipped. For each
// provider the day's periods are walked as spans, each narrowed to the provider's hours of the
// date; a provider on vacation, or who does not work that day, gets nothing. A span too short
// for the appointment counts against kSearchSpans. In a span long enough, each run of slots
// free for the provider and all aliases (an alias on vacation leaves the provider no run) is
// offered to every operatory; each operatory run that holds the appointment is one found time,
// listed once with its full length.
//
// Ends of a batch:
// - `wanted` found: the resume state is kept so the next call continues after the last one;
// - the dates are used up: "No match found.  Search terminated!" when this call found nothing;
//   the next call starts at the first date not tried;
// - kSearchSpans too-short spans met, or a too-short span on the last date to try: "No possible
//   match.  Search terminated!" when this call found nothing; the next call goes on from there.
// Messages go through `prompter` (caption "Appointment List"). A week record that cannot be read
// counts as missing (every slot free) after the access layer has told the user, once per batch.
std::vector<FoundTime> searchFreeTimes(Prompter& prompter, const PracticeSchedule& practice,
                                       const ProviderScheduleTable& providers, SearchParams& params,
                                       int wanted);

// ---------------------------------------------------------------------------------------------
// Pieces of the search, exposed for their own tests.

// Bit n set = slot n is in use.
using SlotMap = std::bitset<static_cast<std::size_t>(kUnitsPerDay)>;
// The slots of `day` (0-6) that the week record shows in use (any count but 0).
SlotMap usedSlots(const RscUseRecord& week, std::size_t day);

struct SlotRun {
  std::int32_t start = 0;
  std::int32_t length = 0;
  std::int32_t end() const { return start + length; }
  bool operator==(const SlotRun&) const = default;
};
// The first run of at least `length` free slots in [from, to), extended over the free slots
// after it up to a used slot or `to`; nullopt when there is none.
std::optional<SlotRun> freeRunIn(const SlotMap& used, std::int32_t from, std::int32_t to,
                                 std::int32_t length);

// One day's practice hours as the search walks them: each period clipped to the window (with a
// start, periods ending at or before it go and earlier starts move up to it; with an end,
// periods starting at or after it go and later ends move down to it), then the periods left
// moved to the front in order, so the first period in use comes first.
DayHours windowedHours(const DayHours& hours, std::int32_t timeStart, std::int32_t timeEnd);

// ---------------------------------------------------------------------------------------------
// The "Find Appointment Time" dialog without its window

// What the dialog shows.
struct FindTimeChoices {
  std::vector<std::string> providers;    // selected codes, as the tables hold them
  std::vector<std::string> operatories;  // selected codes
  std::array<bool, kWeekDays> days{};    // checked weekdays, Sunday first
  PackedDate startDate = kNoDate;
  int lengthMinutes = 0;
};

// The first values for `appt`: its length, or the practice's block size when the length is
// below 1; the later of `today` + 1 and `startDate`; no time window. When the appointment's
// provider is in the table: that provider, the operatories assigned to it (or, with none
// assigned, the appointment's operatory when the table has it), and the weekdays on which the
// provider's first default period is in use. Otherwise nothing selected and the weekdays on
// which the practice's first default period is in use.
FindTimeChoices initialFindTimeChoices(const AppointmentRecord& appt, PackedDate startDate,
                                       PackedDate today, const PracticeSchedule& practice,
                                       const ProviderScheduleTable& providers,
                                       const OperatoryTable& operatories);

// The dialog's values as typed and chosen, when Search or Search/View is pressed.
struct FindTimeEntry {
  std::vector<std::string> providers;
  std::vector<std::string> operatories;
  std::array<bool, kWeekDays> days{};
  std::string startDate;  // "MM/DD/YYYY"
  std::string timeStart;  // a typed time; blank = no limit
  std::string timeEnd;
  int lengthMinutes = 0;
};

enum class FindTimeField {
  kNone,
  kProviders,
  kOperatories,
  kTimeStart,
  kTimeEnd,
  kDays,
  kStartDate
};

struct FindTimeCheck {
  std::optional<SearchParams> params;          // the search to run; nullopt = refused
  FindTimeField focus = FindTimeField::kNone;  // where the refusal sends the user
};

// The checks of Search, in this order: operatories but no provider, "At least one provider must
// be selected"; neither, "At least one operatory and provider must be selected"; providers but
// no operatory, "At least one operatory must be selected"; a time that does not parse (message
// 9090); an end before the start, "Invalid Time Range"; no weekday, "At least one day must be
// selected"; a start date that does not parse (message 9047). The texts are stops titled
// "Appointment List". Times are read as the schedule's time fields read them, minutes rounded
// down to `blockMinutes`. The length becomes whole slots (at least 1); more than
// kMaxSearchCodes codes keep the first ones.
FindTimeCheck checkFindTimeEntry(Prompter& prompter, const FindTimeEntry& entry, int blockMinutes);

enum class DateStep { kDays, kWeeks, kMonths };
// The date `count` days, weeks or months after `date`; a month step keeps the day of the month
// where the month has it, else takes the month's last day. kNoDate for no date or a result the
// calendar does not have.
PackedDate offsetDate(PackedDate date, int count, DateStep step);

// A found time as the results list shows it: the weekday's first three letters, a tab and a
// blank, the date ("MM/DD/YYYY"), a blank, the start time, " - ", the end time, a tab and a
// blank, the operatory code, " : ", the provider code and a blank. Times are the 12-hour clock
// of the utility library with "am" or "pm" (" 8:00am"); a run to the end of the day ends at
// "12:00am".
std::string foundTimeRow(const FoundTime& found);

// Writes the chosen time into the appointment: date, start hour and minute, operatory and
// provider (and what placing it in the schedule implies: the start slot at the appointment's
// unit size, the unscheduled marker and list date cleared).
void applyFoundTime(const FoundTime& found, AppointmentRecord* appt);
