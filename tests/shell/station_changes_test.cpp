// The record arithmetic of workstation notification and the three passes that apply pending
// changes to a list.

#include "shell/station_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/support/fake_change_target.h"

namespace {

using shelltest::FakeChangeTarget;
using shelltest::FakeRow;

constexpr std::uint16_t kAdded = StationRecord::kAdded;
constexpr std::uint16_t kRemoved = StationRecord::kRemoved;
constexpr std::uint16_t kChanged = StationRecord::kChanged;

std::uint16_t kindFor(std::uint32_t id) { return static_cast<std::uint16_t>(id % 3 + 1); }

TEST(AppendChange, FirstChangeTakesThePlaceZero) {
  StationRecord station;
  appendChange(station, 42, kChanged);
  EXPECT_EQ(station.pendingCount(), 1);
  EXPECT_EQ(station.pendingId(0), 42u);
  EXPECT_EQ(station.pendingKind(0), kChanged);
}

TEST(AppendChange, SixteenthChangeDropsTheOldestAndKeepsIdsAndKindsTogether) {
  StationRecord station;
  for (std::uint32_t id = 1; id <= 16; ++id) appendChange(station, id, kindFor(id));
  ASSERT_EQ(station.pendingCount(), 15);
  for (std::size_t i = 0; i < 15; ++i) {
    const std::uint32_t id = static_cast<std::uint32_t>(i + 2);
    EXPECT_EQ(station.pendingId(i), id) << i;
    EXPECT_EQ(station.pendingKind(i), kindFor(id)) << i;
  }
}

TEST(AppendChange, DamagedCountIsTakenAsFullNotWrittenPastTheArrays) {
  StationRecord station;
  for (std::uint32_t id = 1; id <= 15; ++id) appendChange(station, id, kAdded);
  station.setPendingCount(200);
  appendChange(station, 99, kRemoved);
  EXPECT_EQ(station.pendingCount(), 15);
  EXPECT_EQ(station.pendingId(0), 2u);
  EXPECT_EQ(station.pendingId(14), 99u);
  EXPECT_EQ(station.pendingKind(14), kRemoved);
  EXPECT_EQ(pendingChanges(station).size(), 15u);
}

TEST(ResourceCode, ComparedAsFourBlankPaddedCharacters) {
  EXPECT_TRUE(sameResourceCode("OP1", "OP1 "));
  EXPECT_TRUE(sameResourceCode("OP1", std::string_view("OP1\0\0", 5)));
  EXPECT_TRUE(sameResourceCode("", "    "));
  EXPECT_TRUE(sameResourceCode("DR12", "DR12X"));  // only four characters count
  EXPECT_FALSE(sameResourceCode("OP1", "op1"));
  EXPECT_FALSE(sameResourceCode("OP1", "OP12"));
  EXPECT_FALSE(sameResourceCode("OP1", " OP1"));
}

struct ViewCase {
  const char* name;
  std::uint16_t mode;
  const char* viewOperatory;
  const char* viewProvider;
  const char* operatory;
  const char* provider;
  bool matches;
};

class ViewMatchTable : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewMatchTable, TakesInOnlyChangesItsViewShows) {
  const ViewCase& c = GetParam();
  StationRecord station;
  station.setViewMode(c.mode);
  station.setViewOperatory(c.viewOperatory);
  station.setViewProvider(c.viewProvider);
  EXPECT_EQ(stationViewMatches(station, c.operatory, c.provider), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ViewMatchTable,
    ::testing::Values(
        ViewCase{"AllTakesAnything", 0, "", "", "OP9", "DR9", true},
        ViewCase{"OperatoryViewTakesItsOperatory", 1, "OP1", "DR9", "OP1 ", "DR1", true},
        ViewCase{"OperatoryViewRefusesOtherOperatory", 1, "OP1", "DR1", "OP2", "DR1", false},
        ViewCase{"OperatoryViewIgnoresMatchingProvider", 1, "OP1", "DR1", "OP2", "DR1", false},
        ViewCase{"ProviderViewTakesItsProvider", 2, "OP9", "DR1", "OP1", "DR1", true},
        ViewCase{"ProviderViewRefusesOtherProvider", 2, "OP1", "DR1", "OP1", "DR2", false},
        ViewCase{"CaseCounts", 2, "", "DR1", "OP1", "dr1", false},
        ViewCase{"UnknownModeNeverMatches", 3, "OP1", "DR1", "OP1", "DR1", false}),
    [](const ::testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

FakeChangeTarget listOf(std::initializer_list<FakeRow> rows) {
  FakeChangeTarget target;
  target.rows = rows;
  return target;
}

TEST(ApplyChanges, RemovedAppointmentLosesItsRow) {
  FakeChangeTarget list = listOf({{1, false}, {2, false}, {3, false}});
  const std::vector<PendingChange> changes{{2, kRemoved}};
  const ApplyOutcome out = applyChanges(changes, list);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{1, false}, {3, false}}));
  EXPECT_EQ(out.used, 1);
  EXPECT_EQ(list.begins, 1);
  EXPECT_EQ(list.ends, 1);
  EXPECT_FALSE(list.lastErase);  // one row only
}

TEST(ApplyChanges, AddedAppointmentComesInUnselected) {
  FakeChangeTarget list = listOf({{1, true}});
  const std::vector<PendingChange> changes{{7, kAdded}};
  applyChanges(changes, list);
  EXPECT_EQ(list.log, (std::vector<std::string>{"add 7"}));
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{1, true}, {7, false}}));
}

TEST(ApplyChanges, ChangedAppointmentIsReplacedKeepingItsSelection) {
  FakeChangeTarget list = listOf({{1, false}, {2, true}, {3, false}});
  const std::vector<PendingChange> changes{{2, kChanged}, {3, kChanged}};
  applyChanges(changes, list);
  EXPECT_EQ(list.log,
            (std::vector<std::string>{"remove 2", "add 2 selected", "remove 3", "add 3"}));
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{1, false}, {2, true}, {3, false}}));
  EXPECT_TRUE(list.lastErase);  // two rows were removed
}

TEST(ApplyChanges, StopsOnceAsManyEntriesAsPendingWereUsed) {
  // The same appointment shown twice (as the ASAP list may): one entry removes one row only.
  FakeChangeTarget list = listOf({{4, false}, {4, false}, {5, false}});
  const std::vector<PendingChange> changes{{4, kRemoved}};
  const ApplyOutcome out = applyChanges(changes, list);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{4, false}, {5, false}}));
  EXPECT_EQ(out.used, 1);
  EXPECT_EQ(out.removed, 1);
}

TEST(ApplyChanges, SecondChangeOfOneAppointmentRereadsItAgain) {
  FakeChangeTarget list = listOf({{6, false}});
  const std::vector<PendingChange> changes{{6, kChanged}, {6, kChanged}};
  const ApplyOutcome out = applyChanges(changes, list);
  EXPECT_EQ(out.used, 2);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{6, false}}));
}

TEST(ApplyChanges, MoveWithinTheDayLeavesOneRow) {
  // A move notifies "removed" at the old place, then "added" at the new one.
  FakeChangeTarget list = listOf({{8, true}, {9, false}});
  const std::vector<PendingChange> changes{{8, kRemoved}, {8, kAdded}};
  applyChanges(changes, list);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{9, false}, {8, false}}));
}

TEST(ApplyChanges, AppointmentAddedAndDeletedBeforeTheTickLeavesNoRow) {
  FakeChangeTarget list = listOf({{1, false}});
  const std::vector<PendingChange> changes{{9, kAdded}, {9, kRemoved}};
  const ApplyOutcome out = applyChanges(changes, list);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{1, false}}));
  EXPECT_EQ(out.used, 2);
}

TEST(ApplyChanges, EntriesWithoutARowOrOfUnknownKindChangeNothing) {
  FakeChangeTarget list = listOf({{0, false}, {1, false}, {2, true}});
  const std::vector<PendingChange> changes{{5, kRemoved}, {6, kChanged}, {1, 0},
                                           {2, 9},        {0, kRemoved}, {0, kAdded}};
  const ApplyOutcome out = applyChanges(changes, list);
  EXPECT_EQ(list.rows, (std::vector<FakeRow>{{0, false}, {1, false}, {2, true}}));
  EXPECT_TRUE(list.log.empty());
  EXPECT_EQ(out.used, 0);
  EXPECT_EQ(list.ends, 1);
}

TEST(ApplyChanges, AppointmentThatCannotBeReadLeavesItsRowRemoved) {
  FakeChangeTarget list = listOf({{3, true}});
  list.accepts = [](std::uint32_t) { return false; };
  const std::vector<PendingChange> changes{{3, kChanged}};
  applyChanges(changes, list);
  EXPECT_TRUE(list.rows.empty());
}

}  // namespace
