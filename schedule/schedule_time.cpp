#include "schedule/schedule_time.h"

#include "data/rsc_use_record.h"

namespace {

constexpr int kUnitsPerHour = 60 / kMinutesPerUnit;

}  // namespace

std::optional<ClockTime> unitToClock(std::int32_t unit) {
  if (unit < 0 || unit > kEndOfDay) return std::nullopt;
  return ClockTime{unit / kUnitsPerHour, (unit % kUnitsPerHour) * kMinutesPerUnit};
}

std::int32_t clockToUnit(int hour, int minute) {
  if (hour == 24 && minute == 0) return kEndOfDay;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return kNoWorkingTime;
  return hour * kUnitsPerHour + minute / kMinutesPerUnit;
}

std::string unitText(std::int32_t unit) {
  const std::optional<ClockTime> t = unitToClock(unit);
  if (!t) return {};
  const int hour24 = t->hour % 24;
  const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
  std::string out = std::to_string(hour12);
  out += ':';
  out += static_cast<char>('0' + t->minute / 10);
  out += static_cast<char>('0' + t->minute % 10);
  out += hour24 < 12 ? 'a' : 'p';
  return out;
}

WeekHours builtInPracticeHours() {
  WeekHours week{};
  // Monday (1) to Friday (5).
  for (std::size_t day = 1; day <= 5; ++day) {
    week[day].start = {96, 156, kNoWorkingTime};
    week[day].end = {144, 204, kNoWorkingTime};
  }
  return week;
}

WeekHours defaultHoursOf(const RscUseRecord& record) {
  WeekHours week{};
  for (std::size_t day = 0; day < kWeekDays; ++day) {
    for (std::size_t p = 0; p < kDayPeriods; ++p) {
      week[day].start[p] = workingTime(record.defaultStart(day, p));
      week[day].end[p] = workingTime(record.defaultEnd(day, p));
    }
  }
  return week;
}
