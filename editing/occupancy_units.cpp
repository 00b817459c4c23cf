#include "editing/occupancy_units.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kUnitsPerHour = 12;

}  // namespace

int weekDayIndex(PackedDate date) {
  const int weekDay = QRX_WeekDayOf(date);
  return weekDay == 0 ? -1 : weekDay - 1;
}

PackedDate weekStartOf(PackedDate date) { return QRX_WeekStart(date); }

SpanProblem spanOf(const AppointmentRecord& appt, ApptSpan* out) {
  ApptSpan span;
  span.date = appt.date();
  span.day = weekDayIndex(span.date);
  span.week = weekStartOf(span.date);
  span.start = appt.startHour() * kUnitsPerHour + appt.startMinute() / kMinutesPerUnit;
  // Integer division of the signed length: -4 .. 4 minutes give 0 units.
  span.units = appt.length() / kMinutesPerUnit;
  if (out != nullptr) *out = span;

  if (span.date == kNoDate) return SpanProblem::kNoDate;
  if (span.day < 0) return SpanProblem::kBadDate;
  if (appt.startHour() > 23 || appt.startMinute() > 59) return SpanProblem::kBadStart;
  if (appt.length() < 0) return SpanProblem::kBadLength;
  if (span.end() > kUnitsPerDay) return SpanProblem::kPastMidnight;
  return SpanProblem::kNone;
}

const char* spanProblemText(SpanProblem problem) {
  switch (problem) {
    case SpanProblem::kNone:
    case SpanProblem::kNoDate:
      return "";
    case SpanProblem::kBadDate:
      return "The appointment date is not valid.";
    case SpanProblem::kBadStart:
      return "The appointment start time is not valid.";
    case SpanProblem::kBadLength:
      return "The appointment length is not valid.";
    case SpanProblem::kPastMidnight:
      return "The appointment would run past midnight. Shorten it or start it earlier.";
  }
  return "";
}

int patternUnitSize(const AppointmentRecord& appt) {
  return appt.unitSize() == 0 ? 2 : appt.unitSize();
}

bool isProviderTime(const AppointmentRecord& appt, int i) {
  if (i < 0) return false;
  const auto slot = static_cast<std::size_t>(i / patternUnitSize(appt));
  return appt.patternSlot(slot) == AppointmentRecord::kProviderTime;
}

std::vector<int> providerTimeUnits(const AppointmentRecord& appt, const ApptSpan& span) {
  std::vector<int> units;
  for (int i = 0; i < span.units; ++i) {
    const int unit = span.start + i;
    if (unit < 0 || unit >= kUnitsPerDay) continue;
    if (isProviderTime(appt, i)) units.push_back(unit);
  }
  return units;
}

std::vector<int> operatoryUnits(const ApptSpan& span) {
  std::vector<int> units;
  for (int i = 0; i < span.units; ++i) {
    const int unit = span.start + i;
    if (unit >= 0 && unit < kUnitsPerDay) units.push_back(unit);
  }
  return units;
}

bool rangeFits(int start, int units, const DayHours& hours) {
  const int end = start + units;
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    if (end < hours.start[p]) return false;  // later ranges start later still
    if (start >= hours.start[p] && end <= hours.end[p]) return true;
  }
  return false;
}

DayHours weekHoursOf(const RscUseRecord& week, int day) {
  DayHours hours;
  if (day < 0) return hours;
  const auto d = static_cast<std::size_t>(day);
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    hours.start[p] = workingTime(week.weekStart(d, p));
    hours.end[p] = workingTime(week.weekEnd(d, p));
  }
  return hours;
}

bool holdsWeekHours(const RscUseRecord& week, int day) {
  if (day < 0) return false;
  const auto d = static_cast<std::size_t>(day);
  return week.weekStart(d, 0) != 0 || week.weekEnd(d, 0) != 0;
}

int bookingLevel(const RscUseRecord& week, int day, const std::vector<int>& units) {
  int level = 0;
  if (day < 0) return level;
  for (const int unit : units) {
    level = std::max<int>(
        level, week.occupancy(static_cast<std::size_t>(day), static_cast<std::size_t>(unit)));
  }
  return level;
}

bool anyUnitTaken(const RscUseRecord& week, int day, const std::vector<int>& units) {
  return bookingLevel(week, day, units) != 0;
}

std::uint32_t addAmount(std::uint32_t sum, std::uint32_t amount) {
  const std::uint32_t room = std::numeric_limits<std::uint32_t>::max() - sum;
  return amount > room ? std::numeric_limits<std::uint32_t>::max() : sum + amount;
}

std::uint32_t subtractAmount(std::uint32_t sum, std::uint32_t amount) {
  return amount >= sum ? 0 : sum - amount;
}

namespace {

int holidayKindOf(const PracticeSchedule& practice, PackedDate date) {
  std::int16_t year = 0;
  std::int16_t month = 0;
  std::int16_t dayOfMonth = 0;
  if (QRX_DateOut(date, &year, &month, &dayOfMonth) == 0) return 0;
  return practice.yearlyHolidayKind(month, dayOfMonth);
}

int stateOrHoliday(const PracticeSchedule& practice, PackedDate date, int state) {
  return state < 2 ? holidayKindOf(practice, date) : state;
}

}  // namespace

int closedValue(const PracticeSchedule& practice, const RscUseRecord* practiceWeek, PackedDate date,
                int day, const std::optional<LoadedDay>& loaded) {
  if (day < 0 || day >= static_cast<int>(kWeekDays)) return 1;
  const auto d = static_cast<std::size_t>(day);
  if (loaded) {
    if (loaded->firstOpening == kNoWorkingTime) return 0;
    return stateOrHoliday(practice, date, loaded->state);
  }
  const int state = practiceWeek != nullptr ? practiceWeek->dayState(d) : 0;
  bool weekHasStarts = false;
  if (practiceWeek != nullptr) {
    for (std::size_t p = 0; p < kDayPeriods; ++p) {
      if (practiceWeek->weekStart(d, p) != 0) weekHasStarts = true;
    }
  }
  const std::int32_t firstStart =
      weekHasStarts ? workingTime(practiceWeek->weekStart(d, 0)) : practice.hours[d].start[0];
  if (firstStart == kNoWorkingTime) return 1;
  return stateOrHoliday(practice, date, state);
}

bool practiceOpenFits(const PracticeSchedule& practice, const RscUseRecord* practiceWeek, int day,
                      int start, int units) {
  if (day < 0 || day >= static_cast<int>(kWeekDays)) return false;
  if (practiceWeek != nullptr && holdsWeekHours(*practiceWeek, day)) {
    return rangeFits(start, units, weekHoursOf(*practiceWeek, day));
  }
  return rangeFits(start, units, practice.hours[static_cast<std::size_t>(day)]);
}
