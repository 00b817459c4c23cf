#include "schedule/practice_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "contracts/qdb.h"
#include "data/schema.h"
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

bool sameSchedule(const PracticeSchedule& a, const PracticeSchedule& b) {
  return a.hours == b.hours && a.timeBlockCode == b.timeBlockCode &&
         a.blockMinutes == b.blockMinutes && a.practiceInformation == b.practiceInformation &&
         a.holidays == b.holidays && a.storedDefaults == b.storedDefaults;
}

RscUseRecord practiceDefaults() {
  return RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
}

TEST_F(PracticeScheduleLoad, RefusesToStartWithoutPracticeRecord) {
  PracticeSchedule s = sentinel();
  EXPECT_FALSE(loadPracticeSchedule(prompter_, &s));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& p = prompter_.asked()[0].prompt;
  EXPECT_EQ(p.text, "No Practice information. Practice must be setup.");
  EXPECT_EQ(p.caption, "Vantrel");
  EXPECT_EQ(p.icon, PromptIcon::kStop);
  EXPECT_EQ(p.buttons, PromptButtons::kOk);
  EXPECT_TRUE(sameSchedule(s, sentinel())) << "a failed load must leave the schedule alone";
}

TEST_F(PracticeScheduleLoad, ProviderRecordIsNotThePracticeRecord) {
  // Only kind 0 with "-PR-" is the practice; a resource file full of others is still "no
  // practice".
  addProvider("-PR-");
  addOperatory("-PR-", 1);
  PracticeSchedule s;
  EXPECT_FALSE(loadPracticeSchedule(prompter_, &s));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text, "No Practice information. Practice must be setup.");
}

TEST_F(PracticeScheduleLoad, WithoutDefaultRecordUsesBuiltInHoursAndWritesNothing) {
  const PracticeRecord practice = addPractice();
  RscUseRecord other = providerDefaults("DR1");
  add(kRscUseFile, other);
  const int before = scheduleRecordCount();
  ASSERT_EQ(before, 1);

  PracticeSchedule s = sentinel();
  ASSERT_TRUE(loadPracticeSchedule(prompter_, &s));
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(scheduleRecordCount(), before) << "the defaults live in memory only";

  EXPECT_FALSE(s.storedDefaults);
  EXPECT_FALSE(s.worksOn(0)) << "Sunday";
  EXPECT_FALSE(s.worksOn(6)) << "Saturday";
  const DayHours monday{{96, 156, -1}, {144, 204, -1}};
  for (std::size_t day = 1; day <= 5; ++day) EXPECT_EQ(s.hours[day], monday) << day;
  EXPECT_EQ(s.timeBlockCode, 2);
  EXPECT_EQ(s.blockMinutes, 10);
  EXPECT_TRUE(std::all_of(s.holidays.begin(), s.holidays.end(),
                          [](const HolidayEntry& h) { return h == HolidayEntry{}; }));
  // The practice information: bytes 8 to 67 of the practice record.
  EXPECT_EQ(s.practiceInformation, practice.information());
  const std::string name(reinterpret_cast<const char*>(s.practiceInformation.data()));
  EXPECT_EQ(name, "Harbour Dental");
  EXPECT_EQ(s.practiceInformation[60 - 8], 'O') << "the state code sits at record offset 60";
}

TEST_F(PracticeScheduleLoad, StoredDefaultRecordGivesItsHoursBlockSizeAndHolidays) {
  addPractice();
  RscUseRecord r = practiceDefaults();
  for (std::size_t day = 0; day < 7; ++day) {
    for (std::size_t p = 0; p < 3; ++p) r.setDefaultPeriod(day, p, 0xFFFF, 0xFFFF);
  }
  r.setDefaultPeriod(1, 0, 90, 120);  // Monday 7:30 to 10:00, 10:30 to 12:00, 13:00 to 19:00
  r.setDefaultPeriod(1, 1, 126, 144);
  r.setDefaultPeriod(1, 2, 156, 228);
  r.setDefaultPeriod(6, 0, 96, 144);  // Saturday morning
  r.setTimeBlockCode(3);
  r.setHoliday(0, {12, 25, 0, 2});
  r.setHoliday(5, {7, 4, 0, 2});  // after free slots
  r.setHoliday(6, {1, 1, 1, 2});  // third byte set: not a yearly holiday
  r.setHoliday(99, {11, 11, 0, 7});
  add(kRscUseFile, r);

  PracticeSchedule s;
  ASSERT_TRUE(loadPracticeSchedule(prompter_, &s));
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_TRUE(s.storedDefaults);
  EXPECT_EQ(s.hours[1], (DayHours{{90, 126, 156}, {120, 144, 228}}));
  EXPECT_EQ(s.hours[6], (DayHours{{96, -1, -1}, {144, -1, -1}}));
  EXPECT_FALSE(s.worksOn(0));
  EXPECT_FALSE(s.worksOn(2)) << "a weekday the record closes stays closed";
  EXPECT_TRUE(s.worksOn(6));
  EXPECT_FALSE(s.worksOn(7));
  EXPECT_EQ(s.timeBlockCode, 3);
  EXPECT_EQ(s.blockMinutes, 15);
  for (std::size_t slot = 0; slot < kHolidaySlots; ++slot) {
    EXPECT_EQ(s.holidays[slot], r.holiday(slot)) << slot;
  }
  EXPECT_EQ(s.yearlyHolidayKind(12, 25), 2);
  EXPECT_EQ(s.yearlyHolidayKind(7, 4), 2);
  EXPECT_EQ(s.yearlyHolidayKind(11, 11), 7) << "the last slot counts";
  EXPECT_EQ(s.yearlyHolidayKind(1, 1), 0);
  EXPECT_EQ(s.yearlyHolidayKind(12, 24), 0);
}

TEST_F(PracticeScheduleLoad, EveryValidBlockCodeGivesItsMinutes) {
  addPractice();
  RscUseRecord r = practiceDefaults();
  add(kRscUseFile, r);
  const struct {
    std::uint16_t code;
    int minutes;
  } cases[] = {{1, 5}, {2, 10}, {3, 15}, {4, 20}, {6, 30}};
  const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
  ASSERT_NE(f, 0u);
  for (const auto& c : cases) {
    r.setTimeBlockCode(c.code);
    ASSERT_NE(QDB_UPDCURI(f, kRscUseByKey, r.data(), r.size()), 0);
    ASSERT_NE(QDB_WriteRec(f, r.data(), r.size()), 0);
    PracticeSchedule s;
    ASSERT_TRUE(loadPracticeSchedule(prompter_, &s));
    EXPECT_EQ(s.timeBlockCode, c.code);
    EXPECT_EQ(s.blockMinutes, c.minutes) << c.code;
  }
  QDB_CloseFile(f);
}

TEST_F(PracticeScheduleLoad, DamagedBlockCodeFallsBackToTenMinutesAndStaysStored) {
  addPractice();
  RscUseRecord r = practiceDefaults();
  r.setDefaultPeriod(2, 0, 100, 200);
  add(kRscUseFile, r);
  const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
  ASSERT_NE(f, 0u);
  for (const std::uint16_t code : {0, 5, 7, 12, 0xFFFF}) {
    r.setTimeBlockCode(code);
    ASSERT_NE(QDB_UPDCURI(f, kRscUseByKey, r.data(), r.size()), 0);
    ASSERT_NE(QDB_WriteRec(f, r.data(), r.size()), 0);
    PracticeSchedule s;
    ASSERT_TRUE(loadPracticeSchedule(prompter_, &s)) << code;
    EXPECT_EQ(s.timeBlockCode, 2) << code;
    EXPECT_EQ(s.blockMinutes, 10) << code;
    EXPECT_EQ(s.hours[2].start[0], 100) << "the rest of the record still counts";

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
  RscUseRecord r = practiceDefaults();
  r.setTimeBlockCode(4);
  add(kRscUseFile, r);
  damage("UPDATE f94 SET rec = substr(rec, 1, 100)");  // the record cut short

  PracticeSchedule s = sentinel();
  EXPECT_FALSE(loadPracticeSchedule(prompter_, &s));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text, "Check RscUse File!");
  EXPECT_TRUE(sameSchedule(s, sentinel()));
}

// A database that has the resource file and nothing else.
class PracticeScheduleWithoutScheduleFile : public ::testing::Test {
 protected:
  void TearDown() override { QDB_CloseDataBase(); }
  vantrel::test::TempDir dir_{"vantrel-schedule-nofile"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
};

TEST_F(PracticeScheduleWithoutScheduleFile, MissingScheduleFileStopsTheStart) {
  profile_.set(dir_.file("VANTREL.INI"));
  const std::string path = dir_.file("data");
  ASSERT_EQ(QDB_CreateDataBase(path.c_str()), 1);
  ASSERT_EQ(QDB_InitDataBase(path.c_str()), 1);
  const QdbSession s = QDB_StartSession(1);
  ASSERT_NE(s, 0);
  ASSERT_NE(QDB_CREIFIL(s, *findFileDef(kResourceFile)), 0);  // the resource file only
  PracticeRecord practice = PracticeRecord::blank();
  const QdbHandle f = QDB_OpenFile(s, kResourceFile);
  ASSERT_NE(f, 0u);
  ASSERT_NE(QDB_AddRec(f, practice.data(), practice.size()), 0);
  QDB_CloseFile(f);

  ScriptedPrompter prompter;
  PracticeSchedule schedule = sentinel();
  EXPECT_FALSE(loadPracticeSchedule(prompter, &schedule));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].prompt.text, "Check RscUse File!");
  EXPECT_EQ(prompter.asked()[0].prompt.caption, "Vantrel");
  EXPECT_TRUE(sameSchedule(schedule, sentinel()));
}

TEST(PracticeScheduleBlockCode, AcceptsOnlyTheFiveSizes) {
  PracticeSchedule s;
  for (int code = -1; code <= 8; ++code) {
    const bool valid = code == 1 || code == 2 || code == 3 || code == 4 || code == 6;
    EXPECT_EQ(isTimeBlockCode(code), valid) << code;
    PracticeSchedule before = s;
    EXPECT_EQ(s.setTimeBlockCode(code), valid) << code;
    if (valid) {
      EXPECT_EQ(s.timeBlockCode, code);
      EXPECT_EQ(s.blockMinutes, code * 5);
    } else {
      EXPECT_EQ(s.timeBlockCode, before.timeBlockCode) << code;
      EXPECT_EQ(s.blockMinutes, before.blockMinutes) << code;
    }
  }
}

TEST(PracticeScheduleBlockCode, NullOutputIsRefusedWithoutMessage) {
  ScriptedPrompter prompter;
  EXPECT_FALSE(loadPracticeSchedule(prompter, nullptr));
  EXPECT_TRUE(prompter.asked().empty());
}

}  // namespace
