#include "schedule/practice_setup.h"

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "schedule/practice_schedule.h"
#include "schedule/rsc_use_session.h"

namespace {

constexpr int kHighestStatusPosition = 14;
constexpr int kHighestSchedulePosition = 2;
constexpr int kHighestTypePosition = 20;

// A stored position, or 0 when the profile holds something no list has.
int position(const char* key, int highest) {
  const int v = QRX_GetProfileInt(kApptBookSection, key, 0);
  return v >= 0 && v <= highest ? v : 0;
}

bool confirmBlockChange(Prompter& prompter) {
  Prompt p;
  p.caption = kBlockChangeCaption;
  p.text = kBlockChangeText;
  p.buttons = PromptButtons::kOkCancel;
  p.icon = PromptIcon::kExclamation;
  return prompter.ask(p) == kIdOk;
}

}  // namespace

PracticeSetup::PracticeSetup(Prompter& prompter, PracticeSchedule& practice)
    : prompter_(prompter), practice_(practice) {}

PracticeSetup::~PracticeSetup() { cancel(); }

int PracticeSetup::begin() {
  if (open_) return kQdbOk;
  auto session = std::make_unique<RscUseSession>(prompter_);
  if (const int error = session->start(); error != kQdbOk) return error;

  RscUseRecord record = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  const int found = session->readLocked(&record);
  if (found == kQdbOk) {
    values_.hours = defaultHoursOf(record);
    const int stored = record.timeBlockCode();
    currentCode_ = isTimeBlockCode(stored) ? stored : practice_.timeBlockCode;
  } else if (found == kQdbNotFound) {
    values_.hours = practice_.hours;
    currentCode_ = practice_.timeBlockCode;
  } else {
    return found;
  }
  record_ = record;
  newRecord_ = found == kQdbNotFound;
  values_.timeBlockCode = currentCode_;
  values_.defaultStatus = position(kDefaultStatusKey, kHighestStatusPosition);
  values_.defaultSchedule = position(kDefaultScheduleKey, kHighestSchedulePosition);
  values_.defaultType = position(kDefaultTypeKey, kHighestTypePosition);
  values_.alwaysCalculate =
      QRX_GetProfileInt(kApptBookSection, kAlwaysCalculateKey, 1, kDataProfile) != 0;
  session_ = std::move(session);
  open_ = true;
  return kQdbOk;
}

int PracticeSetup::commit(const PracticeSetupValues& edited) {
  if (!open_) return kQdbBadHandle;
  int code = currentCode_;
  if (isTimeBlockCode(edited.timeBlockCode) && edited.timeBlockCode != currentCode_ &&
      confirmBlockChange(prompter_)) {
    code = edited.timeBlockCode;
  }

  RscUseRecord record = record_;
  for (std::size_t day = 0; day < kWeekDays; ++day) {
    for (std::size_t p = 0; p < kDayPeriods; ++p) {
      record.setDefaultPeriod(day, p, storedTime(edited.hours[day].start[p]),
                              storedTime(edited.hours[day].end[p]));
    }
  }
  record.setTimeBlockCode(static_cast<std::uint16_t>(code));
  const int written = session_->write(newRecord_, record);
  session_.reset();
  open_ = false;
  if (written != kQdbOk) return written;

  practice_.hours = defaultHoursOf(record);
  practice_.setTimeBlockCode(code);
  for (std::size_t slot = 0; slot < kHolidaySlots; ++slot) {
    practice_.holidays[slot] = record.holiday(slot);
  }
  practice_.storedDefaults = true;

  bool saved = true;
  saved &= QRX_WriteProfileInt(kApptBookSection, kDefaultStatusKey, edited.defaultStatus) == 1;
  saved &= QRX_WriteProfileInt(kApptBookSection, kDefaultScheduleKey, edited.defaultSchedule) == 1;
  saved &= QRX_WriteProfileInt(kApptBookSection, kDefaultTypeKey, edited.defaultType) == 1;
  saved &= QRX_WriteProfileInt(kApptBookSection, kBookOrientationKey, kStoredBookOrientation) == 1;
  saved &= QRX_WriteProfileString(kApptBookSection, kAlwaysCalculateKey,
                                  edited.alwaysCalculate ? "1" : "0", kDataProfile) == 1;
  return saved ? kQdbOk : kSetupSettingsNotSaved;
}

void PracticeSetup::cancel() {
  session_.reset();  // ending the session frees the lock
  open_ = false;
}
