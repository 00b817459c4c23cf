#include "schedule/practice_calendar.h"

#include <map>
#include <optional>

#include "contracts/qdb.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "schedule/rsc_use_session.h"
#include "schedule/schedule_keys.h"

namespace {

constexpr const char* kCaption = "Appointment List";
constexpr const char* kNotSetUpText = "Practice is NOT setup. Setup practice before continuing!";
constexpr const char* kTableFullText = "Holiday buffer is full. No more holidays may be added!";
// A week record made by another workstation between our read and our add is read again; more
// than a few such races in a row means something else is wrong.
constexpr int kAddRaces = 5;

void stop(Prompter& prompter, const char* text) {
  Prompt p;
  p.caption = kCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = PromptIcon::kStop;
  prompter.ask(p);
}

// 0-6 (Sunday first), or -1 for no calendar day.
int dayIndexOf(PackedDate date) { return QRX_WeekDayOf(date) - 1; }

bool isMonthDay(int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && QRX_DateIn(2000, month, day) != 0;  // leap
}

bool isCode(std::string_view code) { return !code.empty() && code.size() <= rec::kCodeWidth; }

// kind 0 deletes.
HolidayResult changeHoliday(Prompter& prompter, PracticeSchedule& practice, int month, int day,
                            int kind) {
  RscUseSession session(prompter);
  if (session.start() != kQdbOk) return HolidayResult::kDatabaseError;
  RscUseRecord record = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  const int found = session.readLocked(&record);
  if (found == kQdbNotFound) {
    stop(prompter, kNotSetUpText);
    return HolidayResult::kPracticeNotSetUp;
  }
  if (found != kQdbOk) return HolidayResult::kDatabaseError;

  const auto matches = [&](const HolidayEntry& h) {
    return h.isYearly() && h.month == month && h.day == day;
  };
  bool changed = false;
  if (kind == 0) {
    for (std::size_t slot = 0; slot < kHolidaySlots; ++slot) {
      if (matches(record.holiday(slot))) changed = record.setHoliday(slot, HolidayEntry{});
    }
  } else {
    bool present = false;
    std::optional<std::size_t> freeSlot;
    for (std::size_t slot = 0; slot < kHolidaySlots; ++slot) {
      const HolidayEntry h = record.holiday(slot);
      if (matches(h)) present = true;
      if (h.kind == 0 && !freeSlot) freeSlot = slot;
    }
    if (!present && !freeSlot) {
      session.release();
      stop(prompter, kTableFullText);
      return HolidayResult::kTableFull;
    }
    if (!present) {
      changed = record.setHoliday(
          *freeSlot, HolidayEntry{static_cast<std::uint8_t>(month), static_cast<std::uint8_t>(day),
                                  0, static_cast<std::uint8_t>(kind)});
    }
  }
  if (!changed) {
    session.release();
    return HolidayResult::kUnchanged;
  }
  if (session.write(false, record) != kQdbOk) return HolidayResult::kDatabaseError;
  for (std::size_t slot = 0; slot < kHolidaySlots; ++slot) {
    practice.holidays[slot] = record.holiday(slot);
  }
  return HolidayResult::kStored;
}

void putDateHours(RscUseRecord* record, std::size_t day, const DayHours& hours, int flag) {
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    record->setWeekPeriod(day, p, storedTime(hours.start[p]), storedTime(hours.end[p]));
  }
  const std::uint8_t state = record->dayState(day);
  record->setDayState(day, flag >= kClosedFlag
                               ? static_cast<std::uint8_t>(state | RscUseRecord::kDayClosed)
                               : static_cast<std::uint8_t>(state & ~RscUseRecord::kDayClosed));
}

int hoursOfDates(std::uint8_t kind, std::string_view code, const WeekHours& defaults,
                 std::span<const PackedDate> dates, std::vector<DateHours>* out) {
  if (out == nullptr) return kQdbBadArgument;
  out->clear();
  out->reserve(dates.size());
  ShortSession file(kRscUseFile);
  int firstError = kQdbOk;
  if (file.handle() == 0) {
    const int error = QDB_GetLastErrorNum(file.session());
    firstError = error != kQdbOk ? error : kQdbIoError;
  }
  std::map<PackedDate, std::optional<RscUseRecord>> weeks;  // nullopt: no record of its own
  for (const PackedDate date : dates) {
    const int day = dayIndexOf(date);
    if (day < 0) {
      out->push_back({});
      continue;
    }
    const PackedDate week = QRX_WeekStart(date);
    auto held = weeks.find(week);
    if (held == weeks.end()) {
      std::optional<RscUseRecord> read;
      if (file.handle() != 0) {
        const auto key = rscUseKey(kind, code, week);
        RscUseRecord r;
        if (QDB_FindRec(file.handle(), kRscUseByKey, key.data(), key.size(), r.data(), r.size()) !=
            0) {
          read = r;
        } else if (const int error = QDB_GetLastErrorNum(file.session());
                   error != kQdbNotFound && firstError == kQdbOk) {
          firstError = error != kQdbOk ? error : kQdbIoError;
        }
      }
      held = weeks.emplace(week, read).first;
    }
    const auto d = static_cast<std::size_t>(day);
    const std::optional<RscUseRecord>& r = held->second;
    out->push_back(effectiveHoursOf(r ? &*r : nullptr, defaults[d], d));
  }
  return firstError;
}

}  // namespace

DateHours effectiveHoursOf(const RscUseRecord* week, const DayHours& defaults, std::size_t day) {
  if (week == nullptr || day >= kWeekDays) return {defaults, 0};
  bool own = false;
  for (std::size_t p = 0; p < kDayPeriods; ++p) own = own || week->weekStart(day, p) != 0;
  if (!own) return {defaults, 0};
  DateHours h;
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    h.hours.start[p] = workingTime(week->weekStart(day, p));
    h.hours.end[p] = workingTime(week->weekEnd(day, p));
  }
  h.flag = week->dayState(day);
  return h;
}

HolidayResult setYearlyHoliday(Prompter& prompter, PracticeSchedule& practice, int month, int day,
                               int kind) {
  if (!isMonthDay(month, day) || kind < 1 || kind > 99) return HolidayResult::kInvalid;
  return changeHoliday(prompter, practice, month, day, kind);
}

HolidayResult deleteYearlyHoliday(Prompter& prompter, PracticeSchedule& practice, int month,
                                  int day) {
  if (!isMonthDay(month, day)) return HolidayResult::kInvalid;
  return changeHoliday(prompter, practice, month, day, 0);
}

int setDateHours(Prompter& prompter, std::uint8_t kind, std::string_view code, PackedDate date,
                 const DayHours& hours, int flag) {
  const int day = dayIndexOf(date);
  if (day < 0 || !isCode(code)) return kQdbBadArgument;
  RscUseSession session(prompter);
  if (const int error = session.start(); error != kQdbOk) return error;
  const PackedDate week = QRX_WeekStart(date);
  for (int race = 0; race < kAddRaces; ++race) {
    RscUseRecord record = RscUseRecord::withKey(kind, code, week);
    const int found = session.readLocked(&record);
    if (found != kQdbOk && found != kQdbNotFound) return found;
    putDateHours(&record, static_cast<std::size_t>(day), hours, flag);
    if (found == kQdbOk) return session.write(false, record);
    const int added = session.addOrRace(record);
    if (added != kQdbDuplicateKey) return added;
  }
  QRX_DatabaseErrorNotice(prompter, kRscUseFile, kQdbDuplicateKey, kRscUseByKey);
  return kQdbDuplicateKey;
}

int resetProviderHours(Prompter& prompter, std::string_view code,
                       std::span<const PackedDate> dates) {
  if (!isCode(code)) return kQdbBadArgument;
  RscUseSession session(prompter);
  if (const int error = session.start(); error != kQdbOk) return error;
  for (const PackedDate date : dates) {
    const int day = dayIndexOf(date);
    if (day < 0) continue;
    RscUseRecord record = RscUseRecord::withKey(RscUseRecord::kProvider, code, QRX_WeekStart(date));
    const int found = session.readLocked(&record);
    if (found == kQdbNotFound) continue;
    if (found != kQdbOk) return found;
    for (std::size_t p = 0; p < kDayPeriods; ++p) {
      record.setWeekPeriod(static_cast<std::size_t>(day), p, 0, 0);
    }
    if (const int error = session.write(false, record); error != kQdbOk) return error;
  }
  return kQdbOk;
}

int practiceHoursOfDates(const PracticeSchedule& practice, std::span<const PackedDate> dates,
                         std::vector<DateHours>* out) {
  return hoursOfDates(RscUseRecord::kPractice, rec::kPracticeCode, practice.hours, dates, out);
}

int providerHoursOfDates(const ProviderEntry& provider, std::span<const PackedDate> dates,
                         std::vector<DateHours>* out) {
  return hoursOfDates(RscUseRecord::kProvider, provider.code, provider.hours, dates, out);
}

int holidayKindOfDate(const PracticeSchedule& practice, PackedDate date) {
  std::int16_t year = 0;
  std::int16_t month = 0;
  std::int16_t dayOfMonth = 0;
  if (QRX_DateOut(date, &year, &month, &dayOfMonth) == 0) return 0;
  return practice.yearlyHolidayKind(month, dayOfMonth);
}

int isPracticeClosed(const PracticeSchedule& practice, PackedDate date) {
  const int day = dayIndexOf(date);
  if (day < 0 || !practice.worksOn(static_cast<std::size_t>(day))) return 1;
  return holidayKindOfDate(practice, date);
}
