#include "editing/scheduling_rules.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "contracts/qdb.h"
#include "data/record_bytes.h"
#include "data/record_readers.h"
#include "data/schema.h"
#include "editing/time_blocks.h"

namespace {

bool ask(const SchedulingContext& ctx, const char* text) {
  Prompt p;
  p.caption = kSchedulingCaption;
  p.text = text;
  p.buttons = PromptButtons::kYesNo;
  p.icon = PromptIcon::kExclamation;
  return ctx.prompter.ask(p) == kIdYes;
}

void stop(const SchedulingContext& ctx, const char* text) {
  Prompt p;
  p.caption = kSchedulingCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = PromptIcon::kExclamation;
  ctx.prompter.ask(p);
}

RulesResult done() { return {}; }
RulesResult refused() { return {RulesOutcome::kRefused, 0, 0}; }
RulesResult invalid() { return {RulesOutcome::kInvalid, 0, 0}; }
RulesResult changedElsewhere() { return {RulesOutcome::kChangedElsewhere, 0, 0}; }

// Whether the stored appointment still holds every byte the caller read (unlocked read).
bool stillAsRead(const AppointmentRecord& read) {
  AppointmentRecord stored;
  return readAppointmentById(read.identifier(), &stored) && stored.sameBytes(read);
}
RulesResult databaseError(int error) { return {RulesOutcome::kDatabaseError, error, 0}; }

void pauseFor(const LockRetry& retry) {
  if (retry.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(retry.pauseMs));
}

// One appointment where the rules see it.
struct Placement {
  const AppointmentRecord* appt = nullptr;
  ApptSpan span;
  std::vector<int> providerUnits;  // provider time only
  std::vector<int> units;          // every unit: the operatory's
  WeekKey providerKey;
  WeekKey operatoryKey;

  std::size_t day() const { return static_cast<std::size_t>(span.day); }
};

Placement placementOf(const AppointmentRecord& appt, const ApptSpan& span) {
  Placement p;
  p.appt = &appt;
  p.span = span;
  p.providerUnits = providerTimeUnits(appt, span);
  p.units = operatoryUnits(span);
  p.providerKey = weekKey(RscUseRecord::kProvider, appt.providerCode(), span.week);
  p.operatoryKey = weekKey(RscUseRecord::kOperatory, appt.operatoryCode(), span.week);
  return p;
}

RscUseRecord newWeekRecord(std::uint8_t kind, const AppointmentRecord& appt, PackedDate week) {
  const std::string code =
      kind == RscUseRecord::kProvider ? appt.providerCode() : appt.operatoryCode();
  return RscUseRecord::withKey(kind, code, week);
}

// Whether a placement can be stored at all. Shows the stop when `showStops`.
RulesResult checkPlaceable(const SchedulingContext& ctx, const AppointmentRecord& appt,
                           ApptSpan* span, bool showStops) {
  const SpanProblem problem = spanOf(appt, span);
  if (problem == SpanProblem::kNoDate) return invalid();
  if (problem != SpanProblem::kNone) {
    if (showStops) stop(ctx, spanProblemText(problem));
    return invalid();
  }
  if (appt.operatoryCode().empty()) {
    if (showStops) stop(ctx, kNoOperatoryStop);
    return invalid();
  }
  return done();
}

// ---------------------------------------------------------------------------------------------
// Reservation

RulesResult reserveProvider(const SchedulingContext& ctx, WeekRecordSet& set, const Placement& p,
                            bool restore) {
  WeekRecordSet::Entry* e = set.entry(p.providerKey);
  if (e == nullptr) return databaseError(kQdbBadHandle);
  const AppointmentRecord& appt = *p.appt;
  if (!e->present) e->record = newWeekRecord(RscUseRecord::kProvider, appt, p.span.week);
  RscUseRecord& week = e->record;
  const std::size_t d = p.day();

  // A day off asks first; after a Yes neither time blocks nor hours are looked at.
  bool checkTimes = true;
  if (week.dayState(d) >= 2 && !restore) {
    if (!ask(ctx, kProviderDayOffQuestion)) return refused();
    checkTimes = false;
  }
  if (checkTimes) {
    // Time blocks of this provider and of the others.
    if (!restore) {
      std::map<std::string, std::optional<RscUseRecord>> overrides;
      int overrideError = kQdbOk;
      const OverrideLookup lookup = [&](std::string_view code) -> const RscUseRecord* {
        const std::string name(code);
        auto found = overrides.find(name);
        if (found == overrides.end()) {
          RscUseRecord r;
          const int error = set.peek(weekKey(RscUseRecord::kBlockOverride, code, p.span.week), &r);
          if (error != kQdbOk && error != kQdbNotFound && overrideError == kQdbOk) {
            overrideError = error;
          }
          found = overrides.emplace(name, error == kQdbOk ? std::optional(r) : std::nullopt).first;
        }
        return found->second ? &*found->second : nullptr;
      };
      const bool goOn = timeBlockCheck(ctx.providers, appt, p.span, lookup,
                                       [&](const char* text) { return ask(ctx, text); });
      if (overrideError != kQdbOk) return databaseError(overrideError);
      if (!goOn) return refused();
    }
    // Working hours: the week's own when the record holds some, else the default ones. Asked
    // when restoring too: the hours may have changed since the placement was made.
    bool fits = false;
    if (holdsWeekHours(week, p.span.day)) {
      fits = rangeFits(p.span.start, p.span.units, weekHoursOf(week, p.span.day));
    } else {
      const int index = findProvider(ctx.providers, appt.providerCode());
      fits = index >= 0 &&
             rangeFits(p.span.start, p.span.units,
                       ctx.providers.providers[static_cast<std::size_t>(index)].hours[d]);
    }
    if (!fits && !ask(ctx, kProviderHoursQuestion)) return refused();
  }

  // How booked the provider already is in the appointment's provider time.
  if (!restore) {
    switch (bookingLevel(week, p.span.day, p.providerUnits)) {
      case 1:
        if (!ask(ctx, kDoubleBookQuestion)) return refused();
        break;
      case 2:
        stop(ctx, kDoubleBookedStop);
        return refused();
      case 3:
        stop(ctx, kProviderBlockedStop);
        return refused();
      default:
        break;
    }
  }

  // The provider's aliases, read without locking; one question at the first booked one.
  if (!restore) {
    const int index = findProvider(ctx.providers, appt.providerCode());
    if (index >= 0) {
      const ProviderEntry& provider = ctx.providers.providers[static_cast<std::size_t>(index)];
      std::size_t seen = 0;
      for (const std::string& alias : provider.aliases) {
        if (alias.empty() || seen == kMaxAliases) break;
        ++seen;
        RscUseRecord aliasWeek;
        const int error =
            set.peek(weekKey(RscUseRecord::kProvider, alias, p.span.week), &aliasWeek);
        if (error == kQdbNotFound) continue;
        if (error != kQdbOk) return databaseError(error);
        if (anyUnitTaken(aliasWeek, p.span.day, p.providerUnits)) {
          if (!ask(ctx, kAliasBookedQuestion)) return refused();
          break;
        }
      }
    }
  }

  // Book every provider-time unit; a full unit stays as it is when restoring.
  for (const int unit : p.providerUnits) {
    const auto u = static_cast<std::size_t>(unit);
    const std::uint8_t count = week.occupancy(d, u);
    if (count < 2) {
      week.setOccupancy(d, u, static_cast<std::uint8_t>(count + 1));
    } else if (!restore) {
      return refused();
    }
  }
  // The day's amount and its booked mark (a day off keeps its state).
  week.setDayAmount(d, addAmount(week.dayAmount(d), appt.amount()));
  if (week.dayState(d) == 0) week.setDayState(d, RscUseRecord::kDayBooked);
  e->present = true;
  return done();
}

RulesResult reserveOperatory(const SchedulingContext& ctx, WeekRecordSet& set, const Placement& p,
                             bool restore) {
  WeekRecordSet::Entry* e = set.entry(p.operatoryKey);
  if (e == nullptr) return databaseError(kQdbBadHandle);
  const bool isNew = !e->present;
  if (isNew) e->record = newWeekRecord(RscUseRecord::kOperatory, *p.appt, p.span.week);
  RscUseRecord& week = e->record;
  const std::size_t d = p.day();

  // A record made just now cannot be taken; a stored one is checked on every unit.
  if (!isNew && !restore && anyUnitTaken(week, p.span.day, p.units)) {
    stop(ctx, kOperatoryTakenStop);
    return refused();
  }
  for (const int unit : p.units) {
    const auto u = static_cast<std::size_t>(unit);
    if (week.occupancy(d, u) == 0) {
      week.setOccupancy(d, u, 1);
    } else if (!restore) {
      return refused();
    }
  }
  if (week.dayState(d) == 0) week.setDayState(d, RscUseRecord::kDayBooked);
  week.setDayAmount(d, addAmount(week.dayAmount(d), p.appt->amount()));
  e->present = true;
  return done();
}

RulesResult reserveInto(const SchedulingContext& ctx, WeekRecordSet& set, const Placement& p,
                        bool restore) {
  RulesResult r = reserveProvider(ctx, set, p, restore);
  if (!r) return r;
  return reserveOperatory(ctx, set, p, restore);
}

// ---------------------------------------------------------------------------------------------
// Release

RulesResult releaseOperatory(WeekRecordSet& set, const Placement& p) {
  WeekRecordSet::Entry* e = set.entry(p.operatoryKey);
  if (e == nullptr || !e->present) return databaseError(kQdbNotFound);
  RscUseRecord& week = e->record;
  const std::size_t d = p.day();
  for (const int unit : p.units) week.setOccupancy(d, static_cast<std::size_t>(unit), 0);
  if (week.dayMapEmpty(d)) {
    week.setDayState(d, static_cast<std::uint8_t>(week.dayState(d) & ~RscUseRecord::kDayBooked));
    bool anyState = false;
    for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
      if (week.dayState(day) != 0) anyState = true;
    }
    if (!anyState) {
      e->present = false;  // deleted
      return done();
    }
  }
  week.setDayAmount(d, subtractAmount(week.dayAmount(d), p.appt->amount()));
  return done();
}

// Whether a provider week record holds nothing worth keeping: no day state, no amount and no
// range start of its own.
bool providerWeekEmpty(const RscUseRecord& week) {
  for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
    if (week.dayState(day) != 0 || week.dayAmount(day) != 0) return false;
    for (std::size_t period = 0; period < RscUseRecord::kPeriods; ++period) {
      if (week.weekStart(day, period) != 0) return false;
    }
  }
  return true;
}

void releaseProvider(WeekRecordSet& set, const Placement& p) {
  WeekRecordSet::Entry* e = set.entry(p.providerKey);
  if (e == nullptr || !e->present) return;  // nothing booked: nothing to release
  RscUseRecord& week = e->record;
  const std::size_t d = p.day();
  for (const int unit : p.providerUnits) {
    const auto u = static_cast<std::size_t>(unit);
    const std::uint8_t count = week.occupancy(d, u);
    if (count != 0) week.setOccupancy(d, u, static_cast<std::uint8_t>(count - 1));
  }
  week.setDayAmount(d, subtractAmount(week.dayAmount(d), p.appt->amount()));
  if (week.dayMapEmpty(d)) {
    week.setDayState(d, static_cast<std::uint8_t>(week.dayState(d) & ~RscUseRecord::kDayBooked));
    if (providerWeekEmpty(week)) e->present = false;  // deleted
  }
}

RulesResult releaseInto(WeekRecordSet& set, const Placement& p) {
  RulesResult r = releaseOperatory(set, p);
  if (!r) return r;  // the provider record stays as it was
  releaseProvider(set, p);
  return done();
}

// Locks the records in key order: providers before operatories, and the same order in every
// process.
int lockAll(WeekRecordSet& set, std::vector<std::pair<WeekKey, bool>> wanted) {
  std::sort(wanted.begin(), wanted.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    bool forReservation = wanted[i].second;
    while (i + 1 < wanted.size() && wanted[i + 1].first == wanted[i].first) {
      forReservation = forReservation || wanted[i + 1].second;
      ++i;
    }
    if (const int error = set.lock(wanted[i].first, forReservation); error != kQdbOk) {
      return error;
    }
  }
  return kQdbOk;
}

// The stored appointment held for update: the record as stored now, or why not.
QdbHandle holdAppointment(QdbHandle file, QdbSession session, std::uint32_t id,
                          const LockRetry& retry, AppointmentRecord* held, int* error) {
  std::array<std::uint8_t, 4> key{};
  rec::storeU32(key.data(), id);
  const int tries = retry.tries < 1 ? 1 : retry.tries;
  for (int attempt = 0; attempt < tries; ++attempt) {
    const QdbHandle update =
        QDB_StartUpdate(file, 2, kApptById, key.data(), key.size(), held->data(), held->size());
    if (update != 0) return update;
    *error = QDB_GetLastErrorNum(session);
    if (*error != kQdbLocked) return 0;
    pauseFor(retry);
  }
  *error = kQdbLocked;
  return 0;
}

// Locks the provider's and the operatory's week records of `p` (made when missing and `create`),
// runs `change` on them, and writes them only when it succeeded; otherwise nothing is written.
template <typename Change>
RulesResult onWeekRecords(const SchedulingContext& ctx, const Placement& p, bool create,
                          Change change) {
  WeekRecordSet set(ctx.lockRetry);
  if (const int error = set.open(); error != kQdbOk) return databaseError(error);
  if (const int error = lockAll(set, {{p.providerKey, create}, {p.operatoryKey, create}});
      error != kQdbOk) {
    return databaseError(error);
  }
  if (RulesResult r = change(set); !r) return r;
  if (const int error = set.flush(); error != kQdbOk) return databaseError(error);
  set.finish();
  return done();
}

}  // namespace

RulesResult ReserveApptTime(const SchedulingContext& ctx, const AppointmentRecord& appt,
                            bool restore) {
  ApptSpan span;
  if (restore) {
    // Put back what was stored; only a placement without a week cannot be.
    const SpanProblem problem = spanOf(appt, &span);
    if (problem == SpanProblem::kNoDate || problem == SpanProblem::kBadDate) return invalid();
    if (appt.operatoryCode().empty()) return invalid();
  } else if (RulesResult r = checkPlaceable(ctx, appt, &span, true); !r) {
    return r;
  }
  const Placement p = placementOf(appt, span);
  return onWeekRecords(ctx, p, true,
                       [&](WeekRecordSet& set) { return reserveInto(ctx, set, p, restore); });
}

RulesResult ReleaseApptTime(const SchedulingContext& ctx, const AppointmentRecord& appt) {
  ApptSpan span;
  const SpanProblem problem = spanOf(appt, &span);
  if (problem == SpanProblem::kNoDate || problem == SpanProblem::kBadDate) return invalid();
  const Placement p = placementOf(appt, span);
  return onWeekRecords(ctx, p, false, [&](WeekRecordSet& set) { return releaseInto(set, p); });
}

RulesResult SaveApptWithRules(const SchedulingContext& ctx, bool isNew,
                              const AppointmentRecord& oldAppt, AppointmentRecord& newAppt) {
  const bool newDated = newAppt.date() != kNoDate;
  ApptSpan newSpan;
  if (newDated) {
    if (RulesResult r = checkPlaceable(ctx, newAppt, &newSpan, true); !r) return r;
  }
  if (!isNew && newAppt.identifier() != oldAppt.identifier()) return invalid();
  const bool oldDated = !isNew && oldAppt.date() != kNoDate;
  ApptSpan oldSpan;
  if (oldDated && spanOf(oldAppt, &oldSpan) == SpanProblem::kBadDate) return invalid();

  WeekRecordSet set(ctx.lockRetry);
  if (const int error = set.open(); error != kQdbOk) return databaseError(error);

  // The practice must be open then, or the user must want it anyway.
  if (newDated) {
    RscUseRecord practiceWeek;
    const int error =
        set.peek(weekKey(RscUseRecord::kPractice, rec::kPracticeCode, newSpan.week), &practiceWeek);
    if (error != kQdbOk && error != kQdbNotFound) return databaseError(error);
    const RscUseRecord* week = error == kQdbOk ? &practiceWeek : nullptr;
    const std::optional<LoadedDay> loaded =
        ctx.loadedDay ? ctx.loadedDay(newSpan.date) : std::nullopt;
    const int closed = closedValue(ctx.practice, week, newSpan.date, newSpan.day, loaded);
    const bool fits =
        practiceOpenFits(ctx.practice, week, newSpan.day, newSpan.start, newSpan.units);
    if ((!fits || closed >= 1) && !ask(ctx, kPracticeClosedQuestion)) return refused();
  }

  // Release the old placement and reserve the new one, on locked copies.
  std::vector<std::pair<WeekKey, bool>> wanted;
  std::optional<Placement> oldPlace;
  std::optional<Placement> newPlace;
  if (oldDated) {
    oldPlace = placementOf(oldAppt, oldSpan);
    wanted.emplace_back(oldPlace->providerKey, false);
    wanted.emplace_back(oldPlace->operatoryKey, false);
  }
  if (newDated) {
    newPlace = placementOf(newAppt, newSpan);
    wanted.emplace_back(newPlace->providerKey, true);
    wanted.emplace_back(newPlace->operatoryKey, true);
  }
  if (const int error = lockAll(set, wanted); error != kQdbOk) return databaseError(error);
  if (oldPlace) {
    if (RulesResult r = releaseInto(set, *oldPlace); !r) {
      // An old placement missing from the week records was most likely moved or taken out at
      // another workstation after the caller read it: a change made there, not a fault here.
      if (r.outcome == RulesOutcome::kDatabaseError && r.error == kQdbNotFound &&
          !stillAsRead(oldAppt)) {
        return changedElsewhere();
      }
      return r;
    }
  }
  if (newPlace) {
    // A refusal here leaves the old placement where it was: nothing has been written.
    if (RulesResult r = reserveInto(ctx, set, *newPlace, false); !r) return r;
  }

  // The appointment must still be as the caller read it; then the week records are written and
  // the appointment after them. A failure puts everything back.
  const QdbHandle appointments = QDB_OpenFile(set.session(), kAppointmentFile);
  if (appointments == 0) return databaseError(QDB_GetLastErrorNum(set.session()));
  std::uint32_t id = 0;
  if (!isNew) {
    AppointmentRecord held;  // the update writes from this buffer
    int error = kQdbOk;
    const QdbHandle update = holdAppointment(appointments, set.session(), oldAppt.identifier(),
                                             ctx.lockRetry, &held, &error);
    if (update == 0) {
      // Deleted at another workstation counts as changed there.
      return error == kQdbNotFound ? changedElsewhere() : databaseError(error);
    }
    if (!held.sameBytes(oldAppt)) {
      QDB_AbortUpdate(update);
      return changedElsewhere();
    }
    if (const int flushError = set.flush(); flushError != kQdbOk) {
      QDB_AbortUpdate(update);
      return databaseError(flushError);
    }
    held.load(newAppt.bytes());
    if (QDB_CommitUpdate(update) == 0) {
      const int commitError = QDB_GetLastErrorNum(set.session());
      set.undo();
      return databaseError(commitError);
    }
    id = newAppt.identifier();
  } else {
    if (const int flushError = set.flush(); flushError != kQdbOk) {
      return databaseError(flushError);
    }
    if (QDB_AddRec(appointments, newAppt.data(), newAppt.size()) == 0) {
      const int addError = QDB_GetLastErrorNum(set.session());
      set.undo();
      return databaseError(addError);
    }
    id = newAppt.identifier();
  }
  set.finish();

  if (ctx.shownAppointment && ctx.refreshShownAppointment && ctx.shownAppointment() == id) {
    ctx.refreshShownAppointment();
  }
  RulesResult result;
  result.appointmentId = id;
  return result;
}
