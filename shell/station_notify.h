#pragma once
// The workstation notification file (file 78): every workstation that has the module open keeps
// one record there saying which date and view its day list shows. A workstation that adds,
// moves, changes or deletes an appointment appends the change to the record of every other
// workstation that shows that date and place; each workstation applies and clears its own
// record's changes on its timer.
//
// Each call works in a short session of its own with record locks, one record at a time, so
// the process-wide session is never touched. Errors are not shown to the user: the lists just
// miss the update until their next load. Every call that does something leaves its result as
// the last notification error (0 after success).
//
// REQUIRES: the database is open in this process (QDB_InitDataBase).

#include <chrono>
#include <cstdint>
#include <string_view>

#include "contracts/qrx.h"
#include "shell/station_changes.h"

// A record locked by another workstation is tried this many times, this far apart, and then
// left alone: a workstation that died holding a lock, or one that is slow, must never stall
// this one's user. A workstation's own lock is held only for one read and one write.
inline constexpr int kStationLockTries = 5;
inline constexpr std::chrono::milliseconds kStationLockPause{20};

// Records this workstation's date and view, and empties its pending changes (its list is about
// to be loaded from the database anyway). Makes the record when there is none. `mode` is 0 all,
// 1 one operatory, 2 one provider; another mode is refused with 405 and nothing is written.
// Codes are stored blank-padded, cut to 4 characters. Workstation code 0 does nothing and
// returns 0. Returns 0 or the database error.
int registerView(std::uint8_t stationCode, PackedDate date, int mode, std::string_view operatory,
                 std::string_view provider);

// Appends a change of appointment `appointmentId` on `date` at this operatory and provider to
// the record of every workstation that shows that date in a view that takes it in (see
// stationViewMatches), except the caller's own; a caller code of 0 reaches its own record too.
// `kind` is StationRecord::kAdded, kRemoved or kChanged; another kind, or identifier 0, is
// refused with 405 and nothing is written. A record that stays locked by another session
// through kStationLockTries tries is skipped and the others still get the change.
// Returns 0; else the error that ended the walk of the date's records, or the first error of a
// record that could not be written (42 for one that stayed locked).
int notifyChange(std::uint8_t callerCode, PackedDate date, std::string_view operatory,
                 std::string_view provider, std::uint32_t appointmentId, std::uint16_t kind);

// Takes this workstation's pending changes and applies them to `target` (applyChanges). The
// record is emptied under its lock before the list is touched, so a change another workstation
// writes meanwhile waits for the next call instead of being lost. When the record cannot be
// emptied the changes stay for the next call and the list is left alone. Workstation code 0
// does nothing. Returns 0 (also when nothing was pending), 101 when the workstation has no
// record, or the database error.
int applyPendingChanges(std::uint8_t stationCode, ChangeTarget& target);

// Deletes this workstation's record (at exit). Workstation code 0, or no record, returns 0.
int removeOwnRecord(std::uint8_t stationCode);

// The result of the last call above that did something.
int lastNotificationError();
