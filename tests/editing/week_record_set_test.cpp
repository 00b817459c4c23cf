#include "editing/week_record_set.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/editing/editing_database.h"

namespace {

using namespace editing_test;

class WeekRecords : public EditingDatabase {
 protected:
  // The file's records sorted by their bytes: a record deleted and added again moves to the end
  // of the file's own order, but it is the same record.
  std::vector<std::vector<std::uint8_t>> sortedWeeks() {
    auto all = weekSnapshot();
    std::sort(all.begin(), all.end());
    return all;
  }
  const WeekKey kDr1 = weekKey(RscUseRecord::kProvider, "DR1", week());
  const WeekKey kOp1 = weekKey(RscUseRecord::kOperatory, "OP1", week());
  const WeekKey kOp2 = weekKey(RscUseRecord::kOperatory, "OP2", week());
};

// The undo that runs when the appointment cannot be written after the week records were.
TEST_F(WeekRecords, UndoAfterFlushPutsBackRewrittenDeletedAndAddedRecords) {
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR1", 1, 100, 110, 1, 50));
  putWeek(bookedWeek(RscUseRecord::kOperatory, "OP1", 1, 100, 110, 1, 50));
  const auto before = sortedWeeks();
  WeekRecordSet set(LockRetry{5, 1});
  ASSERT_EQ(set.open(), 0);
  ASSERT_EQ(set.lock(kDr1, false), 0);
  ASSERT_EQ(set.lock(kOp1, false), 0);
  ASSERT_EQ(set.lock(kOp2, true), 0);
  ASSERT_EQ(weekSnapshot().size(), 3u) << "OP2's placeholder holds its key";

  set.entry(kDr1)->record.setDayAmount(1, 999);
  set.entry(kOp1)->present = false;
  EXPECT_FALSE(set.entry(kOp2)->present) << "a placeholder does not exist for the rules";
  set.entry(kOp2)->record.setOccupancy(2, 5, 1);
  set.entry(kOp2)->present = true;
  ASSERT_EQ(set.flush(), 0);
  EXPECT_EQ(providerWeek("DR1")->dayAmount(1), 999u);
  EXPECT_FALSE(operatoryWeek("OP1").has_value());
  EXPECT_EQ(operatoryWeek("OP2")->occupancy(2, 5), 1);
  ASSERT_EQ(set.undo(), 0);
  EXPECT_EQ(sortedWeeks(), before);
}

TEST_F(WeekRecords, EndingWithoutFinishWritesNothingAndFinishKeepsTheFlush) {
  for (const bool finish : {false, true}) {
    {
      WeekRecordSet set(LockRetry{5, 1});
      ASSERT_EQ(set.open(), 0);
      ASSERT_EQ(set.lock(kOp1, true), 0);
      set.entry(kOp1)->present = true;
      ASSERT_EQ(set.flush(), 0);
      if (finish) set.finish();
    }
    EXPECT_EQ(weekSnapshot().size(), finish ? 1u : 0u) << "a flush never finished is taken back";
  }
}

TEST_F(WeekRecords, HeldRecordsAndPlaceholdersKeepOtherSetsOut) {
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR1", 1, 100, 110, 1));
  WeekRecordSet first(LockRetry{5, 1});
  ASSERT_EQ(first.open(), 0);
  ASSERT_EQ(first.lock(kDr1, false), 0);
  ASSERT_EQ(first.lock(kOp1, true), 0);

  WeekRecordSet second(LockRetry{3, 1});
  ASSERT_EQ(second.open(), 0);
  EXPECT_EQ(second.lock(kDr1, false), kQdbLocked);
  EXPECT_EQ(second.lock(kOp1, true), kQdbLocked) << "the placeholder is held like a stored record";
  // Reading without a lock sees the stored record; the holder sees its placeholder as absent.
  RscUseRecord seen;
  EXPECT_EQ(second.peek(kDr1, &seen), 0);
  EXPECT_EQ(seen.occupancy(1, 100), 1);
  EXPECT_EQ(first.peek(kOp1, &seen), kQdbNotFound);
  first.finish();
  EXPECT_EQ(second.lock(kDr1, false), 0);
}

}  // namespace
