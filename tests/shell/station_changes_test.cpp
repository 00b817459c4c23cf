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

TEST(ViewMatch, TakesInOnlyChangesItsViewShows) {
  const struct {
    std::uint16_t mode;
    const char *viewOperatory, *viewProvider, *operatory, *provider;
    bool matches;
  } cases[] = {
      {0, "", "", "OP9", "DR9", true},         // all
      {1, "OP1", "DR9", "OP1 ", "DR1", true},  // its operatory
      {1, "OP1", "DR1", "OP2", "DR1", false},  // another operatory
      {2, "OP9", "DR1", "OP1", "DR1", true},   // its provider
      {2, "OP1", "DR1", "OP1", "DR2", false},  // another provider
      {3, "OP1", "DR1", "OP1", "DR1", false},  // an unknown mode
  };
  for (const auto& c : cases) {
    StationRecord station;
    station.setViewMode(c.mode);
    station.setViewOperatory(c.viewOperatory);
    station.setViewProvider(c.viewProvider);
    EXPECT_EQ(stationViewMatches(station, c.operatory, c.provider), c.matches)
        << c.mode << " " << c.operatory << "/" << c.provider;
  }
}

// A move notifies "removed" at the old place, then "added" at the new one. The ASAP list may
// show one appointment twice: one entry removes one row only.
TEST(ApplyChanges, LeavesTheRowsTheChangesCallForInOneBracket) {
  const struct {
    const char* name;
    std::vector<FakeRow> rows;
    std::vector<PendingChange> changes;
    std::vector<FakeRow> expected;
    int used;
    bool erase;            // two or more rows were removed
    bool readable = true;  // false: no appointment can be read, so none adds a row
  } cases[] = {
      // clang-format off
      {"removed loses its row", {{1}, {2}}, {{2, kRemoved}}, {{1}}, 1, false},
      {"added comes in unselected", {{1, true}}, {{7, kAdded}}, {{1, true}, {7}}, 1, false},
      {"changed is replaced keeping its selection", {{1}, {2, true}, {3}},
       {{2, kChanged}, {3, kChanged}}, {{1}, {2, true}, {3}}, 2, true},
      {"one entry removes one row only", {{4}, {4}, {5}}, {{4, kRemoved}}, {{4}, {5}}, 1, false},
      {"a second change rereads again", {{6}}, {{6, kChanged}, {6, kChanged}}, {{6}}, 2, true},
      {"a move within the day leaves one row", {{8, true}, {9}}, {{8, kRemoved}, {8, kAdded}},
       {{9}, {8}}, 2, false},
      {"added and deleted before the tick leaves no row", {{1}}, {{9, kAdded}, {9, kRemoved}},
       {{1}}, 2, false},
      {"entries without a row or of unknown kind change nothing", {{0}, {1}, {2, true}},
       {{5, kRemoved}, {6, kChanged}, {1, 0}, {2, 9}, {0, kRemoved}, {0, kAdded}},
       {{0}, {1}, {2, true}}, 0, false},
      {"an unreadable changed appointment leaves its row removed", {{3, true}}, {{3, kChanged}},
       {}, 1, false, false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
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
}

}  // namespace
