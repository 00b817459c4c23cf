#pragma once
// The scheduling rules: the checks and questions a placement goes through, and the weekly
// occupancy records (resource schedule file, kinds 1 and 3) that reservations and releases keep.
//
// Every question and stop goes through the context's prompter with the caption
// "Appointment List": questions Yes/No with the exclamation icon, stops OK with the exclamation
// icon. Anything but Yes counts as No. A No, a stop or a database error ends the whole operation
// and writes nothing: the week records are changed on locked copies and written only once the
// whole operation has been accepted (see week_record_set.h for why).
//
// REQUIRES: the database is open in this process (QDB_InitDataBase). Each operation works in a
// private session of its own and ends it before returning; nothing is held between calls.

#include <cstdint>
#include <functional>
#include <optional>

#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "editing/occupancy_units.h"
#include "editing/time_blocks.h"  // the time-block questions
#include "editing/week_record_set.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"

inline constexpr const char* kSchedulingCaption = "Appointment List";

// The questions and stops of the rules, word for word.
inline constexpr const char* kPracticeClosedQuestion =
    "The Practice is not open at requested time! Schedule appointment?";
inline constexpr const char* kProviderDayOffQuestion =
    "Provider is unavailable on the requested day.  Schedule Appointment?";
inline constexpr const char* kProviderHoursQuestion =
    "Provider unavailable at requested time! Schedule appointment?";
inline constexpr const char* kDoubleBookQuestion =
    "Provider is already scheduled for requested time. Double schedule provider?";
inline constexpr const char* kDoubleBookedStop =
    "Provider is already doubled scheduled for requested time. Another scheduling is not "
    "permitted.";
inline constexpr const char* kProviderBlockedStop = "Provider is unavailable at requested time.";
inline constexpr const char* kAliasBookedQuestion =
    "Provider Alias is scheduled for requested time. Schedule provider?";
inline constexpr const char* kOperatoryTakenStop =
    "Operatory is already scheduled for requested time!";
inline constexpr const char* kNoOperatoryStop = "The appointment has no operatory.";
// Shown by the appointment dialog when a save reports kChangedElsewhere.
inline constexpr const char* kChangedElsewhereText =
    "Appointment has been changed at another workstation during edit. Edit canceled!";

// What the rules need from the program.
struct SchedulingContext {
  SchedulingContext(Prompter& who, const PracticeSchedule& office,
                    const ProviderScheduleTable& table)
      : prompter(who), practice(office), providers(table) {}

  Prompter& prompter;
  const PracticeSchedule& practice;
  const ProviderScheduleTable& providers;
  // The appointment the main window's detail area shows (0 for none); and the request to
  // refresh that area. After a save of the appointment it shows, the area is refreshed. Either
  // may be empty.
  std::function<std::uint32_t()> shownAppointment;
  std::function<void()> refreshShownAppointment;
  // The in-memory day data of a date when the day view keeps it; empty (or nullopt) sends the
  // closed test to the practice's week record.
  std::function<std::optional<LoadedDay>(PackedDate)> loadedDay;
  // How long a record locked at another workstation is waited for before the operation fails
  // with 42.
  LockRetry lockRetry;
};

enum class RulesOutcome {
  kDone,              // placed, released or saved
  kRefused,           // the user answered No, or a stop was shown
  kInvalid,           // the placement cannot be stored (stop shown where the rules ask)
  kChangedElsewhere,  // the stored appointment is no longer the caller's old copy
  kDatabaseError,     // `error` holds the database's number (42: locked elsewhere too long)
};

struct RulesResult {
  RulesOutcome outcome = RulesOutcome::kDone;
  int error = 0;
  // SaveApptWithRules: the identifier of the saved appointment (given by the database for a
  // new one).
  std::uint32_t appointmentId = 0;

  bool succeeded() const { return outcome == RulesOutcome::kDone; }
  explicit operator bool() const { return succeeded(); }
};

// Checks and reserves the appointment's units in its provider's and operatory's week records.
// `restore` puts back a placement that was stored before: no question or stop but the hours
// question, and full units are never refused (they stay as they are). REQUIRES a date.
RulesResult ReserveApptTime(const SchedulingContext& ctx, const AppointmentRecord& appt,
                            bool restore);

// Takes the appointment's units out of its operatory's and its provider's week records. Fails
// (101) when the operatory has no week record; a provider without one has nothing to release.
// Asks nothing.
RulesResult ReleaseApptTime(const SchedulingContext& ctx, const AppointmentRecord& appt);

// The save of the appointment dialog: the practice-open test, the release of the old placement,
// the reservation of the new one, and the write of the appointment record, all or nothing.
// Because the release is only written together with the new placement, a refused new placement
// leaves the old one where it was; it is never taken out and put back (so the restore-mode hours
// question does not come up here).
//
// Locks: the week records of both placements in key order (providers first), held until the
// end; the appointment record last, only for the comparison and the write.
//
// `oldAppt` is the appointment as the dialog read it (ignored when `isNew`); `newAppt` as edited,
// with the same identifier. For an existing appointment the stored record must still equal
// `oldAppt` in all its bytes when it is written; otherwise kChangedElsewhere and nothing is
// written. A new appointment is added and the database writes its identifier into `newAppt`.
// A date of 0 in `newAppt` takes the appointment out of the schedule.
RulesResult SaveApptWithRules(const SchedulingContext& ctx, bool isNew,
                              const AppointmentRecord& oldAppt, AppointmentRecord& newAppt);
