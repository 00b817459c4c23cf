#pragma once
// The schedule of single dates: yearly holidays, closed dates, vacations and hours of their own,
// and the hours that hold on a date once all of these are taken into account. The schedule
// calendar and the search for free times call these; no window here.
//
// Week records (one per resource and week) also hold the occupancy maps that the scheduling
// rules keep at every workstation. A change made here is therefore always a read-modify-write
// of the whole record under its record lock: whatever a booking wrote before the lock is kept,
// and a booking that comes later waits for the lock and works on the record as written here.
//
// REQUIRES: the database is open in this process. Each change runs in a session of its own;
// failures are told to the user with the access layer's messages and leave the records as
// they were.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"
#include "schedule/schedule_time.h"

class Prompter;
class RscUseRecord;
struct PracticeSchedule;
struct ProviderEntry;

// ---------------------------------------------------------------------------------------------
// Yearly holidays (the practice's default record)

inline constexpr int kCalendarHolidayKind = 2;

enum class HolidayResult {
  kStored,            // the record and the in-memory table hold the change
  kUnchanged,         // set: that month and day already has a holiday; delete: it has none
  kPracticeNotSetUp,  // no default record: "Practice is NOT setup. ..." was shown
  kTableFull,         // all 100 slots in use: "Holiday buffer is full. ..." was shown
  kInvalid,           // no such month and day, or a kind that is no yearly holiday (1-99)
  kDatabaseError,     // told by the access layer; nothing changed
};

// Sets a yearly holiday of `kind` (1-99) on a month (1-12) and day (1-31; 29 February is a day).
// The in-memory holiday table is replaced by the record's as stored, so holidays set meanwhile
// at another workstation show as well.
HolidayResult setYearlyHoliday(Prompter& prompter, PracticeSchedule& practice, int month, int day,
                               int kind);
// Deletes the yearly holiday of that month and day (every entry of it, should a damaged table
// hold it twice).
HolidayResult deleteYearlyHoliday(Prompter& prompter, PracticeSchedule& practice, int month,
                                  int day);

// ---------------------------------------------------------------------------------------------
// Week records

// The flag value that closes a date (practice) or makes it a vacation day (provider).
inline constexpr int kClosedFlag = 2;

// Stores the three periods of one date in the week record of a resource (kind 0 practice with
// code "-PR-", 1 provider, 3 operatory), making the record when the week has none. A `flag` of
// 2 or more sets the value 2 in the date's day state, a lower one clears it; every other bit of
// the state (the booked mark above all), the occupancy maps and the other days stay as they
// are. Periods of -1 are stored as 0xFFFF.
// 0 stored; an error of the database (told); kQdbBadArgument (not told) for no date or a code
// of no or more than 4 characters.
int setDateHours(Prompter& prompter, std::uint8_t kind, std::string_view code, PackedDate date,
                 const DayHours& hours, int flag);

// Gives a provider the default hours again on each date: where the date's week record exists,
// the date's three periods become 0 (no hours of its own); a date without a week record is
// left alone (nothing is made). 0, or the first error (told; the dates before it are done).
int resetProviderHours(Prompter& prompter, std::string_view code,
                       std::span<const PackedDate> dates);

// The hours and the day state that hold on one date.
struct DateHours {
  DayHours hours;
  std::uint8_t flag = 0;  // the week record's day state; 0 when the default hours hold
  bool operator==(const DateHours&) const = default;
};

// The hours that hold on weekday `day` (0 = Sunday) of a week: the week record's three periods
// and day state when it has hours of its own that day (any of its three starts not 0), else
// `defaults` with state 0. A null `week` (no record for the week) gives the defaults.
DateHours effectiveHoursOf(const RscUseRecord* week, const DayHours& defaults, std::size_t day);

// For each date (in order), its effective hours: the week record's periods (0xFFFF read as -1)
// and day state when the record has hours for that day (any of its three starts not 0), else
// the default hours of the weekday with flag 0. A week record read is reused for every date of
// the same week. A date that is no calendar day gets no hours. *out gets one entry per date
// even on failure (dates whose record could not be read get the default hours); the result is
// 0 or the first read error. Reads take no locks.
int practiceHoursOfDates(const PracticeSchedule& practice, std::span<const PackedDate> dates,
                         std::vector<DateHours>* out);
// The same for a provider, whose default hours are those of its table entry.
int providerHoursOfDates(const ProviderEntry& provider, std::span<const PackedDate> dates,
                         std::vector<DateHours>* out);

// ---------------------------------------------------------------------------------------------
// Closed dates (from the in-memory schedule only)

// The kind of the yearly holiday on the date's month and day; 0 when there is none or the date
// is no calendar day.
int holidayKindOfDate(const PracticeSchedule& practice, PackedDate date);
// 0 open; 1 when the date's weekday has no first period in the default hours (also for a date
// that is no calendar day); otherwise the kind of a yearly holiday on the date.
int isPracticeClosed(const PracticeSchedule& practice, PackedDate date);
