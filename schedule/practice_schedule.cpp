#include "schedule/practice_schedule.h"

#include <array>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/record_bytes.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "schedule/schedule_keys.h"

namespace {

constexpr const char* kStartCaption = "Vantrel";

void stop(Prompter& prompter, const char* text, PromptIcon icon) {
  Prompt p;
  p.caption = kStartCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = icon;
  prompter.ask(p);
}

// The practice record, through a short session; false when it cannot be had for any reason.
bool readPracticeRecord(PracticeRecord* out) {
  ShortSession s(kResourceFile);
  if (s.handle() == 0) return false;
  const auto key = resourceKey(rec::kKindPractice, rec::kPracticeCode);
  PracticeRecord r;
  if (QDB_FindRec(s.handle(), kResourceByKindCode, key.data(), key.size(), r.data(), r.size()) ==
      0) {
    return false;
  }
  *out = r;
  return true;
}

}  // namespace

bool isTimeBlockCode(int code) {
  return code == 1 || code == 2 || code == 3 || code == 4 || code == 6;
}

bool PracticeSchedule::setTimeBlockCode(int code) {
  if (!isTimeBlockCode(code)) return false;
  timeBlockCode = static_cast<std::uint16_t>(code);
  blockMinutes = code * kMinutesPerUnit;
  return true;
}

bool PracticeSchedule::worksOn(std::size_t day) const {
  return day < kWeekDays && hours[day].works();
}

int PracticeSchedule::yearlyHolidayKind(int month, int day) const {
  for (const HolidayEntry& h : holidays) {
    if (h.isYearly() && h.month == month && h.day == day) return h.kind;
  }
  return 0;
}

bool loadPracticeSchedule(Prompter& prompter, PracticeSchedule* out) {
  if (out == nullptr) return false;

  PracticeRecord practice;
  if (!readPracticeRecord(&practice)) {
    stop(prompter, "No Practice information. Practice must be setup.", PromptIcon::kStop);
    return false;
  }

  ShortSession file(kRscUseFile);
  if (file.handle() == 0) {
    stop(prompter, "Check RscUse File!", PromptIcon::kNone);
    return false;
  }
  RscUseRecord defaults;
  const auto key = rscUseKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  // The library answers 0 for a failed read and leaves the reason as the session's last error.
  const int found = QDB_FindRec(file.handle(), kRscUseByKey, key.data(), key.size(),
                                defaults.data(), defaults.size()) != 0
                        ? kQdbOk
                        : QDB_GetLastErrorNum(file.session());
  if (found != kQdbOk && found != kQdbNotFound) {
    stop(prompter, "Check RscUse File!", PromptIcon::kNone);
    return false;
  }

  PracticeSchedule read;  // the built-in defaults
  if (found == kQdbOk) {
    read.hours = defaultHoursOf(defaults);
    // A code that is no block size is refused and leaves the built-in code 2 in place.
    read.setTimeBlockCode(defaults.timeBlockCode());
    for (std::size_t slot = 0; slot < kHolidaySlots; ++slot) {
      read.holidays[slot] = defaults.holiday(slot);
    }
    read.storedDefaults = true;
  }
  read.practiceInformation = practice.information();
  *out = read;
  return true;
}
