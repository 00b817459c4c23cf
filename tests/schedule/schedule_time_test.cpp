#include "schedule/schedule_time.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(ScheduleUnits, ConvertsUnitsToClockTimesAndText) {
  // Worked out from "unit v is hour v / 12, minute (v % 12) * 5".
  const struct {
    std::int32_t unit;
    int hour, minute;
    const char* text;
  } cases[] = {{0, 0, 0, "12:00a"},     {1, 0, 5, "12:05a"},    {97, 8, 5, "8:05a"},
               {143, 11, 55, "11:55a"}, {144, 12, 0, "12:00p"}, {156, 13, 0, "1:00p"},
               {287, 23, 55, "11:55p"}, {288, 24, 0, "12:00a"}};
  for (const auto& c : cases) {
    ASSERT_EQ(unitToClock(c.unit), (ClockTime{c.hour, c.minute})) << c.unit;
    EXPECT_EQ(unitText(c.unit), c.text) << c.unit;
  }
  for (std::int32_t unit = 0; unit <= kEndOfDay; ++unit) {
    const auto clock = unitToClock(unit);
    ASSERT_TRUE(clock.has_value()) << unit;
    ASSERT_EQ(clockToUnit(clock->hour, clock->minute), unit) << unit;
  }
  for (const std::int32_t unit : {-1, 289, 0xFFFF, 100000}) {
    EXPECT_FALSE(unitToClock(unit).has_value()) << unit;
    EXPECT_EQ(unitText(unit), "") << unit;
  }
}

TEST(ScheduleUnits, RoundsMinutesDownAndRefusesImpossibleClockTimes) {
  EXPECT_EQ(clockToUnit(8, 4), 96);
  EXPECT_EQ(clockToUnit(23, 59), 287);
  const int impossible[][2] = {{-1, 0}, {0, -1}, {8, 60}, {24, 5}, {25, 0}};
  for (const auto& c : impossible) {
    EXPECT_EQ(clockToUnit(c[0], c[1]), kNoWorkingTime) << c[0] << ":" << c[1];
  }
}

TEST(WorkingTimes, EveryStoredValueIsWrittenBackAsRead) {
  // A damaged hour must not change by being read into memory and stored again.
  for (std::uint32_t v = 0; v <= 0xFFFF; ++v) {
    ASSERT_EQ(storedTime(workingTime(static_cast<std::uint16_t>(v))), v);
  }
  EXPECT_EQ(workingTime(0xFFFF), -1);
  for (const std::int32_t unstorable : {-7, 0xFFFF, 70000}) {
    EXPECT_EQ(storedTime(unstorable), 0xFFFF) << unstorable;
  }
}

}  // namespace
