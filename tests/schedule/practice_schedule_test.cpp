#include "schedule/practice_schedule.h"

#include <gtest/gtest.h>

#include <tuple>

#include "schedule/schedule_keys.h"
#include "tests/schedule/schedule_database.h"

namespace {

using PracticeScheduleLoad = ScheduleDatabase;

// A schedule that no load could produce, to see whether a failed load touched it.
PracticeSchedule sentinel() {
  PracticeSchedule s;
  s.hours[0].start[0] = 1;
  s.setTimeBlockCode(6);
  s.practiceInformation.fill(0xAB);
  return s;
}

bool untouched(const PracticeSchedule& s) {
  const PracticeSchedule b = sentinel();
  return s.hours == b.hours && s.blockMinutes == b.blockMinutes &&
         s.practiceInformation == b.practiceInformation && s.storedDefaults == b.storedDefaults;
}

const RscUseRecord kPracticeDefaults =
    RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);

TEST_F(PracticeScheduleLoad, RefusesToStartWithoutPracticeRecord) {
  // Only kind 0 with "-PR-" is the practice; other kinds with that code do not count.
  addProvider("-PR-");
  addOperatory("-PR-", 1);
  PracticeSchedule s = sentinel();
  EXPECT_FALSE(loadPracticeSchedule(prompter_, &s));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& p = prompter_.asked()[0].prompt;
  EXPECT_EQ(p.caption + ": " + p.text, "Vantrel: No Practice information. Practice must be setup.");
  EXPECT_EQ(std::tuple(p.icon, p.buttons), std::tuple(PromptIcon::kStop, PromptButtons::kOk));
  EXPECT_TRUE(untouched(s)) << "a failed load must leave the schedule alone";
}

TEST_F(PracticeScheduleLoad, WithoutDefaultRecordUsesBuiltInHoursAndWritesNothing) {
  addPractice();
  RscUseRecord other = RscUseRecord::withKey(RscUseRecord::kProvider, "DR1", 0);
  add(kRscUseFile, other);

  PracticeSchedule s = sentinel();
  ASSERT_TRUE(loadPracticeSchedule(prompter_, &s));
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(scheduleRecordCount(), 1) << "the defaults live in memory only";
  EXPECT_FALSE(s.storedDefaults);
  EXPECT_FALSE(s.worksOn(0) || s.worksOn(6)) << "the weekend is closed";
  for (std::size_t day = 1; day <= 5; ++day) {
    EXPECT_EQ(s.hours[day], (DayHours{{96, 156, -1}, {144, 204, -1}})) << day;
  }
  EXPECT_EQ(s.blockMinutes, 10);
  EXPECT_EQ(s.holidays, sentinel().holidays);
  // The practice information starts with the name at record offset 8; the state sits at 60.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.practiceInformation.data())),
            "Harbour Dental");
  EXPECT_EQ(s.practiceInformation[60 - 8], 'O');
}

TEST_F(PracticeScheduleLoad, StoredDefaultRecordGivesItsHoursHolidaysAndBlockSize) {
  addPractice();
  RscUseRecord r = kPracticeDefaults;
  for (std::size_t day = 0; day < 7; ++day) {
    for (std::size_t p = 0; p < 3; ++p) r.setDefaultPeriod(day, p, 0xFFFF, 0xFFFF);
  }
  r.setDefaultPeriod(1, 0, 90, 120);
  r.setDefaultPeriod(1, 1, 126, 144);
  r.setDefaultPeriod(1, 2, 156, 228);
  r.setDefaultPeriod(6, 0, 96, 144);  // Saturday morning
  r.setHoliday(0, {12, 25, 0, 2});
  r.setHoliday(6, {1, 1, 1, 2});     // third byte set: not a yearly holiday
  r.setHoliday(99, {11, 11, 0, 7});  // the last slot counts
  add(kRscUseFile, r);
  const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
  // Stored code and the minutes it gives; a damaged code falls back to 10 minutes.
  const int cases[][2] = {{1, 5}, {3, 15}, {4, 20}, {6, 30}, {0, 10}, {5, 10}, {0xFFFF, 10}};
  for (const auto& [code, minutes] : cases) {
    r.setTimeBlockCode(static_cast<std::uint16_t>(code));
    ASSERT_NE(QDB_UPDCURI(f, kRscUseByKey, r.data(), r.size()), 0);
    ASSERT_NE(QDB_WriteRec(f, r.data(), r.size()), 0);
    PracticeSchedule s;
    ASSERT_TRUE(loadPracticeSchedule(prompter_, &s)) << code;
    EXPECT_EQ(s.blockMinutes * 100 + s.timeBlockCode, minutes * 100 + minutes / 5) << code;
    EXPECT_TRUE(s.storedDefaults);
    EXPECT_EQ(s.hours[1], (DayHours{{90, 126, 156}, {120, 144, 228}})) << code;
    EXPECT_EQ(s.hours[6], (DayHours{{96, -1, -1}, {144, -1, -1}})) << code;
    EXPECT_FALSE(s.worksOn(2)) << "a weekday the record closes stays closed";
    EXPECT_FALSE(s.worksOn(7));
    EXPECT_EQ(std::tuple(s.yearlyHolidayKind(12, 25), s.yearlyHolidayKind(11, 11),
                         s.yearlyHolidayKind(1, 1)),
              std::tuple(2, 7, 0));
    RscUseRecord stored;
    const auto key = rscUseKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
    ASSERT_NE(QDB_FindRec(f, kRscUseByKey, key.data(), key.size(), stored.data(), stored.size()),
              0);
    EXPECT_EQ(stored.timeBlockCode(), code) << "loading repairs nothing on disk";
  }
  QDB_CloseFile(f);
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(PracticeScheduleLoad, DamagedDefaultRecordStopsTheStartInsteadOfUsingDefaults) {
  addPractice();
  RscUseRecord r = kPracticeDefaults;
  add(kRscUseFile, r);
  damage("UPDATE f94 SET rec = substr(rec, 1, 100)");  // the record cut short

  PracticeSchedule s = sentinel();
  EXPECT_FALSE(loadPracticeSchedule(prompter_, &s));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text, "Check RscUse File!");
  EXPECT_TRUE(untouched(s));
}

}  // namespace
