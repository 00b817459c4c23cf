#include "shell/station_notify.h"

#include <array>
#include <thread>
#include <vector>

#include "data/record_bytes.h"
#include "data/schema.h"
#include "data/short_session.h"

namespace {

int gLastError = 0;

int remember(int result) {
  gLastError = result;
  return result;
}

// The database calls give 1 for success and 0 for failure, the reason being the session's last
// error; this turns such a call into 0 or the error number.
int statusOf(QdbSession session, int ok) {
  if (ok == 1) return kQdbOk;
  const int error = QDB_GetLastErrorNum(session);
  return error != kQdbOk ? error : kQdbIoError;
}

// Why a short session has no file: the session's own error, or the process's when the session
// itself could not be started.
int sessionError(const ShortSession& s) {
  const int error = QDB_GetLastErrorNum(s.session());
  return error != 0 ? error : kQdbIoError;
}

// Runs a read that may meet another session's lock, trying again a few times. `read` gives
// 0 or the error number.
template <typename Read>
int readWithRetry(Read read) {
  int rc = read();
  for (int tries = 1; rc == kQdbLocked && tries < kStationLockTries; ++tries) {
    std::this_thread::sleep_for(kStationLockPause);
    rc = read();
  }
  return rc;
}

// Finds (and, with locking on, locks) the record of workstation `code`.
int findOwn(QdbSession session, QdbHandle file, std::uint8_t code, StationRecord& record) {
  return readWithRetry([&] {
    return statusOf(session, QDB_FindRec(file, kStationByCode, &code, sizeof code, record.data(),
                                         record.size()));
  });
}

// Turns record locks on in the short session `s` and finds, and so locks, the record of
// workstation `code`. Gives 0, the error of the session or of the lock mode, or that of the find
// (101 when the workstation has no record: only the find gives that).
int lockOwn(const ShortSession& s, std::uint8_t code, StationRecord& record) {
  if (s.handle() == 0) return sessionError(s);
  const int rc = statusOf(s.session(), QDB_StartLocking(s.session()));
  if (rc != kQdbOk) return rc;
  return findOwn(s.session(), s.handle(), code, record);
}

// Whether a change of `date` reaches this record: another workstation (or any, for caller 0)
// that shows the date in a view that takes the change in.
bool concerns(const StationRecord& station, std::uint8_t callerCode, PackedDate date,
              std::string_view operatory, std::string_view provider) {
  return station.date() == date && (callerCode == 0 || station.station() != callerCode) &&
         stationViewMatches(station, operatory, provider);
}

}  // namespace

int lastNotificationError() { return gLastError; }

int registerView(std::uint8_t stationCode, PackedDate date, int mode, std::string_view operatory,
                 std::string_view provider) {
  if (stationCode == 0) return 0;
  if (mode < 0 || mode > 2) return remember(kQdbBadArgument);
  ShortSession s(kStationFile);
  StationRecord station;
  int rc = lockOwn(s, stationCode, station);
  const bool exists = rc == kQdbOk;
  if (rc == kQdbNotFound) {
    station = StationRecord();
    station.setStation(stationCode);
  } else if (rc != kQdbOk) {
    return remember(rc);
  }
  station.setDate(date);
  station.setViewMode(static_cast<std::uint16_t>(mode));
  station.setViewOperatory(operatory);
  station.setViewProvider(provider);
  station.setPendingCount(0);
  rc = statusOf(s.session(), exists ? QDB_WriteRec(s.handle(), station.data(), station.size())
                                    : QDB_AddRec(s.handle(), station.data(), station.size()));
  return remember(rc);
}

int notifyChange(std::uint8_t callerCode, PackedDate date, std::string_view operatory,
                 std::string_view provider, std::uint32_t appointmentId, std::uint16_t kind) {
  if (appointmentId == 0 || (kind != StationRecord::kAdded && kind != StationRecord::kRemoved &&
                             kind != StationRecord::kChanged)) {
    return remember(kQdbBadArgument);
  }
  ShortSession s(kStationFile);
  if (s.handle() == 0) return remember(sessionError(s));
  const QdbHandle file = s.handle();

  // The walk itself takes no locks, so a record another workstation holds cannot stop it; the
  // records it finds are then locked and read again one by one, and tested again as they are
  // once locked, since their workstation may have moved to another date or view meanwhile.
  std::vector<QdbPosition> candidates;
  StationRecord station;
  std::array<std::uint8_t, 4> key{};
  rec::storeU32(key.data(), date);
  int walkEnd = kQdbNotFound;
  const QdbHandle set = QDB_StartSet(file, kStationByDate, 0, key.data(), key.size(),
                                     station.data(), station.size(), key.size());
  if (set == 0) {
    walkEnd = statusOf(s.session(), 0);
  } else {
    for (;;) {
      if (concerns(station, callerCode, date, operatory, provider)) {
        const QdbPosition position = QDB_GetFilePos(file);
        if (position != 0) candidates.push_back(position);
      }
      const int rc = statusOf(s.session(), QDB_NextRecInSet(set, station.data(), station.size()));
      if (rc != kQdbOk) {
        walkEnd = rc;
        break;
      }
    }
    QDB_EndSet(set);
  }

  int firstWriteError = kQdbOk;
  if (!candidates.empty()) {
    int rc = statusOf(s.session(), QDB_StartLocking(s.session()));
    if (rc != kQdbOk) return remember(rc);
    for (QdbPosition position : candidates) {
      rc = readWithRetry([&] {
        return statusOf(s.session(), QDB_ReadRec(file, position, station.data(), station.size()));
      });
      if (rc == kQdbOk) {
        if (concerns(station, callerCode, date, operatory, provider)) {
          appendChange(station, appointmentId, kind);
          rc = statusOf(s.session(), QDB_WriteRec(file, station.data(), station.size()));
        }
        QDB_UnlockCurRecord(file);
      }
      // A workstation that closed meanwhile has nothing left to tell.
      if (rc == kQdbNotFound) rc = kQdbOk;
      if (rc != kQdbOk && firstWriteError == kQdbOk) firstWriteError = rc;
    }
  }
  if (walkEnd != kQdbNotFound) return remember(walkEnd);
  return remember(firstWriteError);
}

int applyPendingChanges(std::uint8_t stationCode, ChangeTarget& target) {
  if (stationCode == 0) return 0;
  std::vector<PendingChange> changes;
  {
    ShortSession s(kStationFile);
    StationRecord station;
    int rc = lockOwn(s, stationCode, station);
    if (rc != kQdbOk) return remember(rc);
    changes = pendingChanges(station);
    if (changes.empty()) return remember(kQdbOk);
    station.setPendingCount(0);
    rc = statusOf(s.session(), QDB_WriteRec(s.handle(), station.data(), station.size()));
    if (rc != kQdbOk) return remember(rc);
    QDB_StopLocking(s.session());
  }
  applyChanges(changes, target);
  return remember(kQdbOk);
}

int removeOwnRecord(std::uint8_t stationCode) {
  if (stationCode == 0) return 0;
  ShortSession s(kStationFile);
  StationRecord station;
  const int rc = lockOwn(s, stationCode, station);
  if (rc == kQdbNotFound) return remember(kQdbOk);
  if (rc != kQdbOk) return remember(rc);
  return remember(statusOf(s.session(), QDB_DeleteCurRec(s.handle())));
}
