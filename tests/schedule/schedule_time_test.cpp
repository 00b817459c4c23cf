#include "schedule/schedule_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "data/rsc_use_record.h"

namespace {

struct UnitCase {
  std::int32_t unit;
  int hour;
  int minute;
  const char* text;
};

// Hours and minutes worked out from "unit v is hour v / 12, minute (v % 12) * 5".
const UnitCase kTimesOfDay[] = {
    {0, 0, 0, "12:00a"},      // midnight reads as 12 in the morning
    {1, 0, 5, "12:05a"},      //
    {96, 8, 0, "8:00a"},      //
    {97, 8, 5, "8:05a"},      //
    {143, 11, 55, "11:55a"},  //
    {144, 12, 0, "12:00p"},   // noon reads as 12 in the afternoon
    {156, 13, 0, "1:00p"},    //
    {204, 17, 0, "5:00p"},    //
    {287, 23, 55, "11:55p"},  // the last unit of the day
    {288, 24, 0, "12:00a"},   // a period that runs to midnight
};

TEST(ScheduleUnits, ConvertsUnitsToClockTimesAndText) {
  for (const UnitCase& c : kTimesOfDay) {
    const auto clock = unitToClock(c.unit);
    ASSERT_TRUE(clock.has_value()) << c.unit;
    EXPECT_EQ(*clock, (ClockTime{c.hour, c.minute})) << c.unit;
    EXPECT_EQ(unitText(c.unit), c.text) << c.unit;
    EXPECT_EQ(clockToUnit(c.hour, c.minute), c.unit) << c.unit;
  }
}

TEST(ScheduleUnits, NoTimeAndValuesOutsideTheDayHaveNoClockTimeOrText) {
  for (const std::int32_t unit : {-1, -2, 289, 0xFFFE, 0xFFFF, 100000}) {
    EXPECT_FALSE(unitToClock(unit).has_value()) << unit;
    EXPECT_EQ(unitText(unit), "") << unit;
  }
}

TEST(ScheduleUnits, EveryUnitOfTheDaySurvivesTheRoundTrip) {
  for (std::int32_t unit = 0; unit <= kEndOfDay; ++unit) {
    const auto clock = unitToClock(unit);
    ASSERT_TRUE(clock.has_value()) << unit;
    EXPECT_EQ(clockToUnit(clock->hour, clock->minute), unit) << unit;
  }
}

TEST(ScheduleUnits, MinutesRoundDownToTheFiveMinuteGrain) {
  EXPECT_EQ(clockToUnit(8, 7), 97);
  EXPECT_EQ(clockToUnit(8, 4), 96);
  EXPECT_EQ(clockToUnit(23, 59), 287);
}

TEST(ScheduleUnits, RefusesImpossibleClockTimes) {
  const struct {
    int hour;
    int minute;
  } cases[] = {{-1, 0}, {0, -1}, {8, 60}, {24, 5}, {25, 0}, {12, 99}};
  for (const auto& c : cases) {
    EXPECT_EQ(clockToUnit(c.hour, c.minute), kNoWorkingTime) << c.hour << ":" << c.minute;
  }
}

TEST(WorkingTimes, EveryStoredValueIsWrittenBackAsRead) {
  // A damaged hour must not be changed by being read into memory and stored again.
  for (std::uint32_t v = 0; v <= 0xFFFF; ++v) {
    const auto stored = static_cast<std::uint16_t>(v);
    ASSERT_EQ(storedTime(workingTime(stored)), stored) << v;
  }
}

TEST(WorkingTimes, NoTimeIsMinusOneInMemoryAndEveryUnstorableValueIsStoredAsNoTime) {
  EXPECT_EQ(workingTime(0xFFFF), -1);
  EXPECT_EQ(storedTime(-1), 0xFFFF);
  EXPECT_EQ(storedTime(-7), 0xFFFF);
  EXPECT_EQ(storedTime(0xFFFF), 0xFFFF);
  EXPECT_EQ(storedTime(70000), 0xFFFF);
}

TEST(DayHoursTest, WorksOnlyWhenTheFirstPeriodIsInUse) {
  DayHours d;
  EXPECT_FALSE(d.works());
  d.start[1] = 96;  // a later period alone does not open the day
  d.end[1] = 144;
  EXPECT_FALSE(d.works());
  d.start[0] = 0;  // midnight is a time, not "none"
  EXPECT_TRUE(d.works());
}

TEST(DayHoursTest, BuiltInHoursCloseTheWeekendAndSplitWeekdaysAtNoon) {
  const WeekHours week = builtInPracticeHours();
  EXPECT_FALSE(week[0].works()) << "Sunday";
  EXPECT_FALSE(week[6].works()) << "Saturday";
  EXPECT_EQ(week[0], DayHours{});
  EXPECT_EQ(week[6], DayHours{});
  for (std::size_t day = 1; day <= 5; ++day) {
    EXPECT_EQ(unitText(week[day].start[0]), "8:00a") << day;
    EXPECT_EQ(unitText(week[day].end[0]), "12:00p") << day;
    EXPECT_EQ(unitText(week[day].start[1]), "1:00p") << day;
    EXPECT_EQ(unitText(week[day].end[1]), "5:00p") << day;
    EXPECT_EQ(week[day].start[2], kNoWorkingTime) << day;
    EXPECT_EQ(week[day].end[2], kNoWorkingTime) << day;
  }
}

TEST(DayHoursTest, DefaultHoursOfARecordKeepEveryDayAndPeriodApart) {
  RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kPractice, "-PR-", 0);
  // A distinct value in every place, so a day or period read from the wrong place shows.
  for (std::size_t day = 0; day < 7; ++day) {
    for (std::size_t p = 0; p < 3; ++p) {
      const auto v = static_cast<std::uint16_t>(day * 10 + p);
      r.setDefaultPeriod(day, p, v, static_cast<std::uint16_t>(v + 200));
    }
  }
  r.setDefaultPeriod(3, 2, 0xFFFF, 0xFFFF);
  r.setDefaultPeriod(4, 1, 5000, 0xFFFF);  // damaged: kept for the writer to store back
  const WeekHours week = defaultHoursOf(r);
  for (std::size_t day = 0; day < 7; ++day) {
    for (std::size_t p = 0; p < 3; ++p) {
      if ((day == 3 && p == 2) || (day == 4 && p == 1)) continue;
      const auto v = static_cast<std::int32_t>(day * 10 + p);
      EXPECT_EQ(week[day].start[p], v) << day << "/" << p;
      EXPECT_EQ(week[day].end[p], v + 200) << day << "/" << p;
    }
  }
  EXPECT_EQ(week[3].start[2], -1);
  EXPECT_EQ(week[3].end[2], -1);
  EXPECT_EQ(week[4].start[1], 5000);
  EXPECT_EQ(week[4].end[1], -1);
}

}  // namespace
