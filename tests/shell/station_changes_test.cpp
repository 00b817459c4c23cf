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
        ViewCase{"ProviderViewTakesItsProvider", 2, "OP9", "DR1", "OP1", "DR1", true},
        ViewCase{"ProviderViewRefusesOtherProvider", 2, "OP1", "DR1", "OP1", "DR2", false},
        ViewCase{"UnknownModeNeverMatches", 3, "OP1", "DR1", "OP1", "DR1", false}),
    [](const ::testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

struct ApplyCase {
  const char* name;
  std::vector<FakeRow> rows;
  std::vector<PendingChange> changes;
  std::vector<FakeRow> expected;
  int used;
  bool erase;            // two or more rows were removed
  bool readable = true;  // false: no appointment can be read, so none adds a row
};

class ApplyTable : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyTable, LeavesTheRowsTheChangesCallForInOneBracket) {
  const ApplyCase& c = GetParam();
  FakeChangeTarget list;
  list.rows = c.rows;
  if (!c.readable) list.accepts = [](std::uint32_t) { return false; };
  const ApplyOutcome out = applyChanges(c.changes, list);
  EXPECT_EQ(list.rows, c.expected);
  EXPECT_EQ(out.used, c.used);
  EXPECT_EQ(list.lastErase, c.erase);
  EXPECT_EQ(list.begins, 1);
  EXPECT_EQ(list.ends, 1);
}

// A move notifies "removed" at the old place, then "added" at the new one. The ASAP list may
// show one appointment twice: one entry removes one row only.
INSTANTIATE_TEST_SUITE_P(
    Changes, ApplyTable,
    ::testing::Values(
        ApplyCase{"RemovedLosesItsRow",
                  {{1, false}, {2, false}},
                  {{2, kRemoved}},
                  {{1, false}},
                  1,
                  false},
        ApplyCase{"AddedComesInUnselected",
                  {{1, true}},
                  {{7, kAdded}},
                  {{1, true}, {7, false}},
                  1,
                  false},
        ApplyCase{"ChangedIsReplacedKeepingItsSelection",
                  {{1, false}, {2, true}, {3, false}},
                  {{2, kChanged}, {3, kChanged}},
                  {{1, false}, {2, true}, {3, false}},
                  2,
                  true},
        ApplyCase{"OneEntryRemovesOneRowOnly",
                  {{4, false}, {4, false}, {5, false}},
                  {{4, kRemoved}},
                  {{4, false}, {5, false}},
                  1,
                  false},
        ApplyCase{"SecondChangeRereadsAgain",
                  {{6, false}},
                  {{6, kChanged}, {6, kChanged}},
                  {{6, false}},
                  2,
                  true},
        ApplyCase{"MoveWithinTheDayLeavesOneRow",
                  {{8, true}, {9, false}},
                  {{8, kRemoved}, {8, kAdded}},
                  {{9, false}, {8, false}},
                  2,
                  false},
        ApplyCase{"AddedAndDeletedBeforeTheTickLeavesNoRow",
                  {{1, false}},
                  {{9, kAdded}, {9, kRemoved}},
                  {{1, false}},
                  2,
                  false},
        ApplyCase{"EntriesWithoutARowOrOfUnknownKindChangeNothing",
                  {{0, false}, {1, false}, {2, true}},
                  {{5, kRemoved}, {6, kChanged}, {1, 0}, {2, 9}, {0, kRemoved}, {0, kAdded}},
                  {{0, false}, {1, false}, {2, true}},
                  0,
                  false},
        ApplyCase{"UnreadableChangedAppointmentLeavesItsRowRemoved",
                  {{3, true}},
                  {{3, kChanged}},
                  {},
                  1,
                  false,
                  false}),
    [](const ::testing::TestParamInfo<ApplyCase>& info) { return std::string(info.param.name); });

}  // namespace
