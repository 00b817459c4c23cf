#pragma once
// Times of day as the schedule keeps them, and the working hours of one weekday and of a week.
//
// Stored schedule data counts time in 5-minute units since midnight: unit v is hour v / 12 and
// minute (v % 12) * 5, so 96 is 8:00 am and 204 is 5:00 pm; 0xFFFF is "no time". In memory the
// same values are 32-bit working values with -1 for "no time", so that arithmetic on them cannot
// wrap and "none" never compares as a late hour.
//
// Every conversion here is lossless for what a record can hold: storedTime(workingTime(v)) == v
// for every 16-bit v, including values no valid time has, so a damaged hour read from a record
// is written back as it was read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class RscUseRecord;

inline constexpr int kMinutesPerUnit = 5;
inline constexpr std::int32_t kUnitsPerDay = 288;
// A period may end at midnight; 288 is that end, not a time inside the day.
inline constexpr std::int32_t kEndOfDay = kUnitsPerDay;
inline constexpr std::uint16_t kNoStoredTime = 0xFFFF;
inline constexpr std::int32_t kNoWorkingTime = -1;

// Weekdays are indexed 0 (Sunday) to 6 (Saturday) in every array of this folder.
inline constexpr std::size_t kWeekDays = 7;
inline constexpr std::size_t kDayPeriods = 3;

// A stored 16-bit time as a working value: 0xFFFF becomes -1, every other value stays.
constexpr std::int32_t workingTime(std::uint16_t stored) {
  return stored == kNoStoredTime ? kNoWorkingTime : static_cast<std::int32_t>(stored);
}
// A working value as stored: any value a 16-bit time cannot hold (negative, or above 0xFFFE)
// becomes 0xFFFF, "no time".
constexpr std::uint16_t storedTime(std::int32_t working) {
  return working < 0 || working >= kNoStoredTime ? kNoStoredTime
                                                 : static_cast<std::uint16_t>(working);
}

struct ClockTime {
  int hour = 0;    // 0-24; 24 only as 24:00, the end of the day
  int minute = 0;  // 0-55 in steps of 5
  bool operator==(const ClockTime&) const = default;
};

// The clock time of unit 0-288; nullopt for "no time" (-1, 0xFFFF) and every other value
// outside the day.
std::optional<ClockTime> unitToClock(std::int32_t unit);
// The unit of a clock time, minutes rounded down to the 5-minute grain (8:07 gives 97).
// Hours 0-23 with minutes 0-59, and 24:00; -1 for anything else.
std::int32_t clockToUnit(int hour, int minute);
// A short 12-hour text: "8:00a", "12:00p" (noon), "12:00a" (midnight, also for 288),
// "11:55p". Empty for "no time" and for values outside the day.
std::string unitText(std::int32_t unit);

// One weekday's three working periods as working values. A period whose start is -1 is empty;
// the first period empty means no work that weekday.
struct DayHours {
  std::array<std::int32_t, kDayPeriods> start{kNoWorkingTime, kNoWorkingTime, kNoWorkingTime};
  std::array<std::int32_t, kDayPeriods> end{kNoWorkingTime, kNoWorkingTime, kNoWorkingTime};

  bool works() const { return start[0] != kNoWorkingTime; }
  bool operator==(const DayHours&) const = default;
};

// Sunday first.
using WeekHours = std::array<DayHours, kWeekDays>;

// The office's hours until the practice stores its own: Sunday and Saturday closed, Monday to
// Friday 8:00 am to noon and 1:00 pm to 5:00 pm.
WeekHours builtInPracticeHours();

// The default hours of a default record (week 0) of the practice or of a provider.
WeekHours defaultHoursOf(const RscUseRecord& record);
