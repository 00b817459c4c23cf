#pragma once
// The practice schedule the program keeps in memory from start-up to exit: the office's default
// weekly hours, the time block size, the 60 bytes of practice information and the yearly
// holidays. It is read once at start-up; changes made at this workstation are applied to it as
// they are stored, changes made elsewhere are seen at the next start.

#include <array>
#include <cstddef>
#include <cstdint>

#include "data/rsc_use_record.h"
#include "schedule/schedule_time.h"

class Prompter;

// The time block size in 5-minute units: 1, 2, 3, 4 or 6 (5, 10, 15, 20 or 30 minutes). It is
// the grain of every time the user enters and of appointment placement.
inline constexpr std::uint16_t kDefaultTimeBlockCode = 2;
bool isTimeBlockCode(int code);

inline constexpr std::size_t kPracticeInformationBytes = 60;
inline constexpr std::size_t kHolidaySlots = RscUseRecord::kHolidayCount;

struct PracticeSchedule {
  // Default hours, Sunday first; -1 = none. A default-made schedule holds the built-in hours.
  WeekHours hours = builtInPracticeHours();
  // Always a valid code, and always blockMinutes == timeBlockCode * 5; change them together
  // through setTimeBlockCode.
  std::uint16_t timeBlockCode = kDefaultTimeBlockCode;
  int blockMinutes = kDefaultTimeBlockCode * kMinutesPerUnit;
  // The practice record's bytes 8 to 67, as read.
  std::array<std::uint8_t, kPracticeInformationBytes> practiceInformation{};
  // The 100 slots of the practice's default record, as read (free slots included).
  std::array<HolidayEntry, kHolidaySlots> holidays{};
  // Whether the practice's default record was read; false while the built-in defaults apply.
  bool storedDefaults = false;

  // Takes a valid code and its size in minutes. A code that is not 1, 2, 3, 4 or 6 changes
  // nothing and returns false.
  bool setTimeBlockCode(int code);
  // Whether the first period of weekday `day` (0 = Sunday) is in use; false for a day out of
  // range.
  bool worksOn(std::size_t day) const;
  // The kind of the yearly holiday set on this month and day, 0 when there is none.
  int yearlyHolidayKind(int month, int day) const;
};

// Builds the schedule at start-up. REQUIRES: the database is open for this process (it reads
// through short sessions of its own).
//
// - No practice record (resource file, kind 0, "-PR-"): "No Practice information. Practice must
//   be setup." (caption "Vantrel", stop icon) and false.
// - The resource schedule file cannot be opened, or the practice's default record cannot be
//   read for any reason but its absence: "Check RscUse File!" (caption "Vantrel") and false.
// - No default record: the built-in hours and block code 2; nothing is written.
// - A stored block code that is not 1, 2, 3, 4 or 6 (a damaged record) is taken as 2, so no
//   caller ever divides by a block size of 0; the record itself is left as it is until the
//   practice setup stores a code again. Stored hours are taken as they are.
//
// On success *out is replaced and true returned; on failure *out is unchanged. A null `out`
// returns false without a message.
bool loadPracticeSchedule(Prompter& prompter, PracticeSchedule* out);
