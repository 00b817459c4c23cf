#pragma once
// The arithmetic of the scheduling rules, free of any database: where an appointment falls in
// its week, which of its units are provider time, whether a span fits a day's hours, how busy
// a provider's units are, and whether the practice is closed or open at a time.
//
// Time is counted in 5-minute units from midnight, 288 to a day. An appointment starting at
// hour h, minute m occupies units s .. s+n-1 with s = h*12 + m/5 and n = length/5. The rules use
// the start hour and minute, never the one-byte start slot at offset 20 (with 5-minute units a
// start after 21:15 wraps that byte).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/rsc_use_record.h"
#include "schedule/practice_schedule.h"
#include "schedule/schedule_time.h"

// ---------------------------------------------------------------------------------------------
// Weeks

// 0 (Sunday) .. 6 (Saturday); -1 for no date or a date outside the calendar.
int weekDayIndex(PackedDate date);
// The day number of the Sunday that starts the date's week; 0 for no date or a date outside the
// calendar.
PackedDate weekStartOf(PackedDate date);

// ---------------------------------------------------------------------------------------------
// Where an appointment falls

struct ApptSpan {
  PackedDate date = 0;
  PackedDate week = 0;  // the Sunday of its week
  int day = -1;         // 0 .. 6
  int start = 0;        // s
  int units = 0;        // n; may be 0 for an appointment shorter than 5 minutes
  int end() const { return start + units; }
};

enum class SpanProblem {
  kNone,
  kNoDate,        // date 0: the appointment is not in the schedule
  kBadDate,       // a date the calendar does not have
  kBadStart,      // hour above 23 or minute above 59
  kBadLength,     // a negative length
  kPastMidnight,  // s + n > 288: the day's maps have no room for it
};

// Computes the span of `appt` into *out (as far as it can be computed) and says what, if
// anything, keeps it from being placed.
SpanProblem spanOf(const AppointmentRecord& appt, ApptSpan* out);

// The stop message for a span problem ("" for kNone and kNoDate).
const char* spanProblemText(SpanProblem problem);

// ---------------------------------------------------------------------------------------------
// The time pattern

// Time units per pattern slot: the pattern unit size, or 2 when that field is 0.
int patternUnitSize(const AppointmentRecord& appt);
// Whether unit i (0-based from the appointment's start) is provider time: its slot holds 2.
// Units past the 24 slots of the pattern are not.
bool isProviderTime(const AppointmentRecord& appt, int i);
// The units of the day (s + i) that are provider time, in order. Units past the end of the day
// are left out, so an appointment stored before the midnight limit still releases cleanly.
std::vector<int> providerTimeUnits(const AppointmentRecord& appt, const ApptSpan& span);
// Every unit of the day the appointment takes in its operatory, past-midnight units left out.
std::vector<int> operatoryUnits(const ApptSpan& span);

// ---------------------------------------------------------------------------------------------
// Hours

// The range fit test: the span [s, s+n] fits one of the three ranges (in ascending order) when
// s >= start and s+n <= end; a range that starts after s+n ends the search. Empty ranges (-1)
// never fit.
bool rangeFits(int start, int units, const DayHours& hours);

// A week record's own hours for day d, as working values (0xFFFF becomes -1).
DayHours weekHoursOf(const RscUseRecord& week, int day);
// Whether a week record holds hours of its own for day d: its first start or first end is not 0.
bool holdsWeekHours(const RscUseRecord& week, int day);

// ---------------------------------------------------------------------------------------------
// Occupancy maps

// The highest count (0-3) of the given units of day d.
int bookingLevel(const RscUseRecord& week, int day, const std::vector<int>& units);
// Whether any of the units has a count other than 0.
bool anyUnitTaken(const RscUseRecord& week, int day, const std::vector<int>& units);
// Adds to a day amount without wrapping (the sum stops at the largest amount).
std::uint32_t addAmount(std::uint32_t sum, std::uint32_t amount);
// Subtracts from a day amount; a result below 0 becomes 0.
std::uint32_t subtractAmount(std::uint32_t sum, std::uint32_t amount);

// ---------------------------------------------------------------------------------------------
// Practice closed and open

// A day whose week part the process holds in memory: its first opening start (-1 = none) and
// its day state. No such day is kept today; the hook exists for a day view that keeps them.
struct LoadedDay {
  std::int32_t firstOpening = kNoWorkingTime;
  std::uint8_t state = 0;
};

// The closed value of a date (0 = open). `practiceWeek` is the practice's kind-0 week record
// of the date's week, or null when there is none; `loaded` the in-memory day when there is one.
//
// - A loaded day without a first opening range counts as open; otherwise its state, and when
//   that is below 2 the yearly holiday kind of the date.
// - Otherwise the state comes from the week record (0 without one) and the hours from the week
//   record when any of its three starts for the day is not 0, else from the practice's default
//   hours. No first range: 1. Else the state, and when that is below 2 the holiday kind.
int closedValue(const PracticeSchedule& practice, const RscUseRecord* practiceWeek, PackedDate date,
                int day, const std::optional<LoadedDay>& loaded);
// The open test: the span must fit the week record's hours for the day when it holds some,
// else the practice's default hours of that week day.
bool practiceOpenFits(const PracticeSchedule& practice, const RscUseRecord* practiceWeek, int day,
                      int start, int units);
