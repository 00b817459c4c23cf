// Workstation notification against a real practice database: registering a view, notifying
// changes to the workstations that show them, applying and clearing them, removing a record.

#include "shell/station_notify.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/schema.h"
#include "tests/data/practice_database.h"
#include "tests/shell/support/fake_change_target.h"
#include "tests/shell/support/station_reading.h"

namespace {

using shelltest::FakeChangeTarget;
using shelltest::FakeRow;
using shelltest::readStation;

constexpr PackedDate kDay = 145000;
constexpr std::uint16_t kAdded = StationRecord::kAdded;
constexpr std::uint16_t kRemoved = StationRecord::kRemoved;
constexpr std::uint16_t kChanged = StationRecord::kChanged;

std::size_t stationCount() { return storedRecords<StationRecord>(kStationFile).size(); }

int pending(std::uint8_t code) {
  auto station = readStation(code);
  return station ? station->pendingCount() : -1;
}

using StationNotify = PracticeDatabase;

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
  EXPECT_EQ(stationCount(), 2u);
}

TEST_F(StationNotify, WorkstationZeroOrWithoutARecordLeavesTheListAlone) {
  FakeChangeTarget list;
  list.rows = {{1}};
  EXPECT_EQ(registerView(0, kDay, 0, "", ""), 0);
  EXPECT_EQ(applyPendingChanges(0, list), 0);
  EXPECT_EQ(removeOwnRecord(0), 0);
  EXPECT_EQ(stationCount(), 0u);
  EXPECT_EQ(applyPendingChanges(101, list), kQdbNotFound);
  EXPECT_EQ(lastNotificationError(), kQdbNotFound);
  EXPECT_EQ(list.begins, 0);
}

TEST_F(StationNotify, RefusesBadArgumentsAndKeepsWhatWasThere) {
  ASSERT_EQ(registerView(101, kDay, 1, "OP1", ""), 0);
  EXPECT_EQ(registerView(101, kDay + 3, 3, "OP1", ""), kQdbBadArgument) << "no such view mode";
  EXPECT_EQ(lastNotificationError(), kQdbBadArgument);
  EXPECT_EQ(readStation(101)->date(), kDay);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 0, kAdded), kQdbBadArgument);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 4, 0), kQdbBadArgument);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 4, 4), kQdbBadArgument);
  EXPECT_EQ(pending(101), 0);
  // No workstation showing the date is no error.
  EXPECT_EQ(notifyChange(102, kDay + 9, "OP1", "DR1", 4, kAdded), 0);
  EXPECT_EQ(lastNotificationError(), 0);
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

TEST_F(StationNotify, ChangeReachesOnlyOtherWorkstationsThatShowItsDateAndPlace) {
  const struct {
    std::uint8_t code;
    PackedDate date;
    std::uint16_t mode;
    const char *operatory, *provider;
    int gets;
  } stations[] = {
      // What each view gets of 102's change of day kDay in OP1 with DR2 (102 itself: nothing).
      {101, kDay, 0, "", "", 1},        {103, kDay + 1, 0, "", "", 0}, {104, kDay, 1, "OP1", "", 1},
      {105, kDay, 2, "", "DR1", 0},     {106, kDay, 1, "OP2", "", 0},  {107, kDay, 2, "", "DR2", 1},
      {108, kDay - 1, 1, "OP1", "", 0}, {102, kDay, 0, "", "", 0},
  };
  for (const auto& s : stations) {
    ASSERT_EQ(registerView(s.code, s.date, s.mode, s.operatory, s.provider), 0);
  }
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR2", 31, kChanged), 0);
  for (const auto& s : stations) EXPECT_EQ(pending(s.code), s.gets) << int(s.code);
  EXPECT_EQ(readStation(104)->pendingId(0), 31u);
  EXPECT_EQ(readStation(107)->pendingKind(0), kChanged);
  // Caller 0 is no workstation: its change reaches 102's record too.
  ASSERT_EQ(notifyChange(0, kDay, "OP1", "DR1", 10, kAdded), 0);
  EXPECT_EQ(pending(101), 2);
  EXPECT_EQ(pending(102), 1);
}

TEST_F(StationNotify, ApplyUsesTheChangesOnceAndClearsTheRecord) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 1, kRemoved), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 7, kAdded), 0);
  ASSERT_EQ(notifyChange(102, kDay, "OP1", "DR1", 2, kChanged), 0);

  FakeChangeTarget list;
  list.rows = {{1}, {2, true}, {3}};
  ASSERT_EQ(applyPendingChanges(101, list), 0);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{3}, {7}, {2, true}}));
  EXPECT_TRUE(list.lastErase);
  EXPECT_EQ(pending(101), 0);

  // Nothing pending: the list is not even bracketed.
  const int begins = list.begins;
  ASSERT_EQ(applyPendingChanges(101, list), 0);
  EXPECT_EQ(list.begins, begins);
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
  EXPECT_EQ(stationCount(), 1u);
}

TEST_F(StationNotify, FailureIsKeptAsTheLastNotificationError) {
  ASSERT_EQ(registerView(101, kDay, 0, "", ""), 0);
  EXPECT_EQ(lastNotificationError(), 0);
  QDB_CloseDataBase();
  EXPECT_EQ(registerView(101, kDay, 0, "", ""), kQdbNotInitialised);
  EXPECT_EQ(lastNotificationError(), kQdbNotInitialised);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 3, kAdded), kQdbNotInitialised);
  ASSERT_EQ(QDB_InitDataBase(dataPath().c_str()), 1);
  EXPECT_EQ(notifyChange(102, kDay, "OP1", "DR1", 3, kAdded), 0);
  EXPECT_EQ(lastNotificationError(), 0);
}

}  // namespace
