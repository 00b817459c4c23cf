// Workstation notification between real processes on one data directory. A process must not
// carry an open database across fork(): the parent closes its database before every fork.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "data/appointment_record.h"
#include "data/record_readers.h"
#include "data/schema.h"
#include "shell/station_notify.h"
#include "tests/data/practice_database.h"
#include "tests/shell/support/fake_change_target.h"
#include "tests/shell/support/station_reading.h"
#include "tests/support/child_process.h"

namespace {

using shelltest::FakeChangeTarget;
using shelltest::FakeRow;
using shelltest::readStation;
using vantrel::test::ChildProcess;

constexpr PackedDate kDay = 146000;

class StationProcesses : public PracticeDatabase {
 protected:
  void reopen() { ASSERT_EQ(QDB_InitDataBase(dataPath().c_str()), 1); }
};

TEST_F(StationProcesses, ChangeAtAnotherWorkstationAddsTheRowHere) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  QDB_CloseDataBase();

  const std::string path = dataPath();
  ChildProcess child([&](ChildProcess& self) {
    if (QDB_InitDataBase(path.c_str()) != 1) return 2;
    if (registerView(102, kDay, 1, "OP1", "") != 0) return 3;
    AppointmentRecord appt;
    appt.setUnitSize(1);
    appt.schedule(kDay, "OP1", 9, 30);
    appt.setProvider("DR1");
    appt.setPatientId(4711);
    {
      ShortSession s(kAppointmentFile);
      if (s.handle() == 0 || QDB_AddRec(s.handle(), appt.data(), appt.size()) != 1) return 4;
    }
    if (notifyChange(102, kDay, "OP1", "DR1", appt.identifier(), StationRecord::kAdded) != 0) {
      return 5;
    }
    self.send(appt.identifier());
    QDB_CloseDataBase();
    return 0;
  });
  const std::optional<std::uint32_t> id = child.receive();
  ASSERT_EQ(child.wait(), 0);
  ASSERT_TRUE(id.has_value());
  reopen();

  // The list takes an appointment only when it can read it, as the day list does.
  FakeChangeTarget list;
  std::uint32_t patientSeen = 0;
  list.accepts = [&](std::uint32_t apptId) {
    AppointmentRecord appt;
    if (!readAppointmentById(apptId, &appt) || appt.date() != kDay) return false;
    patientSeen = appt.patientId();
    return true;
  };
  ASSERT_EQ(applyPendingChanges(101, list), 0);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{*id, false}}));
  EXPECT_EQ(patientSeen, 4711u);
  EXPECT_EQ(readStation(101)->pendingCount(), 0);
  // The notifier's own record got nothing.
  EXPECT_EQ(readStation(102)->pendingCount(), 0);
}

// The child locks workstation 101's record and keeps it until the parent answers, or for 15
// seconds. A notifier that waited for the lock would answer only after the child gave up, and
// the child would then exit with 7 instead of 0.
int holdStationLocked(const std::string& path, std::uint8_t code, ChildProcess& self) {
  if (QDB_InitDataBase(path.c_str()) != 1) return 2;
  ShortSession s(kStationFile);
  if (s.handle() == 0 || QDB_StartLocking(s.session()) != 1) return 3;
  StationRecord station;
  if (QDB_FindRec(s.handle(), kStationByCode, &code, 1, station.data(), station.size()) != 1) {
    return 4;
  }
  self.send(1);
  return self.receive(std::chrono::seconds(15)).has_value() ? 0 : 7;
}

TEST_F(StationProcesses, NotifyDoesNotWaitForARecordLockedElsewhere) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  ASSERT_EQ(registerView(103, kDay, 0, "", ""), 0);
  QDB_CloseDataBase();

  const std::string path = dataPath();
  ChildProcess child([&](ChildProcess& self) { return holdStationLocked(path, 101, self); });
  ASSERT_TRUE(child.receive().has_value());
  reopen();

  // Caller 0 reaches its own record 101 too, which the child holds.
  const int rc = notifyChange(0, kDay, "OP1", "DR1", 77, StationRecord::kAdded);
  EXPECT_TRUE(child.send(1));
  EXPECT_EQ(child.wait(), 0);  // the lock was still held when notify returned
  EXPECT_EQ(rc, kQdbLocked);
  EXPECT_EQ(lastNotificationError(), kQdbLocked);
  // The locked record was skipped, the other one still got the change.
  EXPECT_EQ(readStation(101)->pendingCount(), 0);
  ASSERT_EQ(readStation(103)->pendingCount(), 1);
  EXPECT_EQ(readStation(103)->pendingId(0), 77u);
}

TEST_F(StationProcesses, ChangesStayWhileTheOwnRecordIsLockedElsewhere) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 12, StationRecord::kAdded), 0);
  QDB_CloseDataBase();

  const std::string path = dataPath();
  ChildProcess child([&](ChildProcess& self) { return holdStationLocked(path, 101, self); });
  ASSERT_TRUE(child.receive().has_value());
  reopen();

  FakeChangeTarget list;
  EXPECT_EQ(applyPendingChanges(101, list), kQdbLocked);
  EXPECT_TRUE(child.send(1));
  EXPECT_EQ(child.wait(), 0);
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(list.begins, 0);

  // Once the lock is gone the next tick applies them.
  ASSERT_EQ(applyPendingChanges(101, list), 0);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{12, false}}));
}

}  // namespace
