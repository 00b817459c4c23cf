// Workstation notification against a real practice database: registering a view, notifying
// changes to the workstations that show them, applying and clearing them, removing a record.

#include "shell/station_notify.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "data/database_setup.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "tests/shell/support/fake_change_target.h"
#include "tests/shell/support/station_reading.h"
#include "tests/support/temp_dir.h"

namespace {

using shelltest::FakeChangeTarget;
using shelltest::FakeRow;
using shelltest::readStation;
using vantrel::test::TempDir;

constexpr PackedDate kDay = 145000;
constexpr std::uint16_t kAdded = StationRecord::kAdded;
constexpr std::uint16_t kRemoved = StationRecord::kRemoved;
constexpr std::uint16_t kChanged = StationRecord::kChanged;

// The database calls give 1 for success.
int stationCount() {
  ShortSession s(kStationFile);
  if (s.handle() == 0) return -1;
  StationRecord station;
  int count = 0;
  for (int rc = QDB_FirstRec(s.handle(), kStationFile, station.data(), station.size()); rc == 1;
       rc = QDB_NextRec(s.handle(), kStationFile, station.data(), station.size())) {
    ++count;
  }
  return count;
}

int pending(std::uint8_t code) {
  auto station = readStation(code);
  return station ? station->pendingCount() : -1;
}

class StationNotify : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(createPracticeDatabase(dir_.path().c_str()), 0); }
  void TearDown() override { QDB_CloseDataBase(); }

  TempDir dir_{"vantrel-shell-notify"};
};

TEST_F(StationNotify, RegisterViewMakesTheRecordThenRewritesIt) {
  ASSERT_EQ(registerView(101, kDay, 1, "OP1", ""), 0);
  auto station = readStation(101);
  ASSERT_TRUE(station.has_value());
  EXPECT_EQ(station->date(), kDay);
  EXPECT_EQ(station->viewMode(), 1);
  EXPECT_EQ(station->viewOperatory(), "OP1 ");

  ASSERT_EQ(registerView(102, kDay, 0, "", ""), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 5, kAdded), 0);
  ASSERT_EQ(pending(101), 1);

  // A new date or view drops what was pending: the list is loaded afresh.
  ASSERT_EQ(registerView(101, kDay + 1, 2, "", "DR7"), 0);
  station = readStation(101);
  ASSERT_TRUE(station.has_value());
  EXPECT_EQ(station->date(), kDay + 1);
  EXPECT_EQ(station->viewMode(), 2);
  EXPECT_EQ(station->viewProvider(), "DR7 ");
  EXPECT_EQ(station->pendingCount(), 0);
  EXPECT_EQ(stationCount(), 2);
}

TEST_F(StationNotify, WorkstationCodeZeroTouchesNothing) {
  FakeChangeTarget list;
  list.rows = {{1, false}};
  EXPECT_EQ(registerView(0, kDay, 0, "", ""), 0);
  EXPECT_EQ(applyPendingChanges(0, list), 0);
  EXPECT_EQ(removeOwnRecord(0), 0);
  EXPECT_EQ(stationCount(), 0);
  EXPECT_EQ(list.begins, 0);
}

TEST_F(StationNotify, RefusesAnUnknownViewModeAndKeepsTheOldView) {
  ASSERT_EQ(registerView(101, kDay, 1, "OP1", ""), 0);
  EXPECT_EQ(registerView(101, kDay + 3, 3, "OP1", ""), kQdbBadArgument);
  EXPECT_EQ(lastNotificationError(), kQdbBadArgument);
  EXPECT_EQ(readStation(101)->date(), kDay);
}

TEST_F(StationNotify, SixteenChangesBeforeATickLeaveTheNewestFifteenInOrder) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  for (std::uint32_t id = 1; id <= 16; ++id) {
    const std::uint16_t kind = static_cast<std::uint16_t>(id % 3 + 1);
    ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", id, kind), 0) << id;
  }
  auto station = readStation(101);
  ASSERT_TRUE(station.has_value());
  ASSERT_EQ(station->pendingCount(), 15);
  for (std::size_t i = 0; i < 15; ++i) {
    const std::uint32_t id = static_cast<std::uint32_t>(i + 2);
    EXPECT_EQ(station->pendingId(i), id);
    EXPECT_EQ(station->pendingKind(i), id % 3 + 1);
  }
}

TEST_F(StationNotify, ChangeReachesOnlyWorkstationsThatShowItsDateAndPlace) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);         // all: yes
  ASSERT_EQ(registerView(103, kDay + 1, 0, "", ""), 0);     // another day: no
  ASSERT_EQ(registerView(104, kDay, 1, "OP1", ""), 0);      // its operatory: yes
  ASSERT_EQ(registerView(105, kDay, 2, "", "DR1"), 0);      // another provider: no
  ASSERT_EQ(registerView(106, kDay, 1, "OP2", ""), 0);      // another operatory: no
  ASSERT_EQ(registerView(107, kDay, 2, "", "DR2"), 0);      // its provider: yes
  ASSERT_EQ(registerView(108, kDay - 1, 1, "OP1", ""), 0);  // its operatory, another day: no
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR2", 31, kChanged), 0);
  EXPECT_EQ(pending(101), 1);
  EXPECT_EQ(pending(103), 0);
  EXPECT_EQ(pending(104), 1);
  EXPECT_EQ(pending(105), 0);
  EXPECT_EQ(pending(106), 0);
  EXPECT_EQ(pending(107), 1);
  EXPECT_EQ(pending(108), 0);
  EXPECT_EQ(readStation(104)->pendingId(0), 31u);
  EXPECT_EQ(readStation(107)->pendingKind(0), kChanged);
}

TEST_F(StationNotify, CallerOwnRecordIsSkippedUnlessTheCallerIsZero) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  ASSERT_EQ(registerView(102, kDay, 0, "", ""), 0);
  ASSERT_EQ(notifyChange(101, kDay, "OP1", "DR1", 9, kAdded), 0);
  EXPECT_EQ(pending(101), 0);
  EXPECT_EQ(pending(102), 1);
  ASSERT_EQ(notifyChange(0, kDay, "OP1", "DR1", 10, kAdded), 0);
  EXPECT_EQ(pending(101), 1);
  EXPECT_EQ(pending(102), 2);
}

TEST_F(StationNotify, RefusesChangesThatNameNoAppointmentOrNoKind) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 0, kAdded), kQdbBadArgument);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 4, 0), kQdbBadArgument);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 4, 4), kQdbBadArgument);
  EXPECT_EQ(pending(101), 0);
}

TEST_F(StationNotify, NoWorkstationShowsTheDateIsNoError) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  EXPECT_EQ(notifyChange(102, kDay + 9, "OP1", "DR1", 4, kAdded), 0);
  EXPECT_EQ(lastNotificationError(), 0);
}

TEST_F(StationNotify, ApplyUsesTheChangesOnceAndClearsTheRecord) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 1, kRemoved), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 7, kAdded), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 2, kChanged), 0);

  FakeChangeTarget list;
  list.rows = {{1, false}, {2, true}, {3, false}};
  ASSERT_EQ(applyPendingChanges(101, list), 0);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{3, false}, {7, false}, {2, true}}));
  EXPECT_TRUE(list.lastErase);
  EXPECT_EQ(pending(101), 0);

  // Nothing pending: the list is not even bracketed.
  const int begins = list.begins;
  ASSERT_EQ(applyPendingChanges(101, list), 0);
  EXPECT_EQ(list.begins, begins);
}

TEST_F(StationNotify, ApplyWithoutOwnRecordLeavesTheListAlone) {
  FakeChangeTarget list;
  list.rows = {{1, false}};
  EXPECT_EQ(applyPendingChanges(101, list), kQdbNotFound);
  EXPECT_EQ(lastNotificationError(), kQdbNotFound);
  EXPECT_EQ(list.begins, 0);
}

TEST_F(StationNotify, RemoveOwnRecordDeletesOnlyItsOwn) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  ASSERT_EQ(registerView(102, kDay, 0, "", ""), 0);
  ASSERT_EQ(removeOwnRecord(101), 0);
  EXPECT_FALSE(readStation(101).has_value());
  EXPECT_TRUE(readStation(102).has_value());
  EXPECT_EQ(removeOwnRecord(101), 0);
  // A removed workstation gets no more changes.
  ASSERT_EQ(notifyChange(0, kDay, "OP1", "DR1", 3, kAdded), 0);
  EXPECT_EQ(stationCount(), 1);
}

TEST_F(StationNotify, FailureIsKeptAsTheLastNotificationError) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  EXPECT_EQ(lastNotificationError(), 0);
  QDB_CloseDataBase();
  EXPECT_EQ(registerView(101, kDay, 0, "", ""), kQdbNotInitialised);
  EXPECT_EQ(lastNotificationError(), kQdbNotInitialised);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 3, kAdded), kQdbNotInitialised);
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 3, kAdded), 0);
  EXPECT_EQ(lastNotificationError(), 0);
}

}  // namespace
