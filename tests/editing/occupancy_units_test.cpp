#include "editing/occupancy_units.h"

#include <gtest/gtest.h>

#include "tests/editing/editing_database.h"

namespace {

using namespace editing_test;

TEST(Weeks, SaturdayBelongsToTheSundayBeforeIt) {
  EXPECT_EQ(weekDayIndex(sunday() + 6), 6);
  EXPECT_EQ(weekStartOf(sunday() + 6), sunday());
  EXPECT_EQ(weekStartOf(sunday() + 7), sunday() + 7);
  EXPECT_EQ(weekStartOf(QRX_DateIn(2024, 2, 29)), QRX_DateIn(2024, 2, 25));
  EXPECT_EQ(weekStartOf(kNoDate), kNoDate);
}

TEST(Spans, StartAndUnitsFromHourMinuteAndSignedLength) {
  struct Case {
    int hour, minute, length;
    int start, units;
    SpanProblem problem;
  };
  const std::vector<Case> cases = {
      {8, 7, 10, 97, 2, SpanProblem::kNone},     // minutes rounded down to the unit
      {9, 0, 4, 108, 0, SpanProblem::kNone},     // shorter than a unit takes none
      {9, 0, 7, 108, 1, SpanProblem::kNone},     // length divided down
      {21, 20, 30, 256, 6, SpanProblem::kNone},  // past what the one-byte start slot can hold
      {23, 55, 5, 287, 1, SpanProblem::kNone},   // the last unit of the day
      {23, 55, 10, 287, 2, SpanProblem::kPastMidnight},
      {9, 0, -5, 108, -1, SpanProblem::kBadLength},
      {24, 0, 10, 288, 2, SpanProblem::kBadStart},
      {9, 60, 10, 120, 2, SpanProblem::kBadStart},
  };
  for (const Case& c : cases) {
    const AppointmentRecord a = appointment(monday(), "DR1", "OP1", c.hour, c.minute, c.length);
    ApptSpan span;
    EXPECT_EQ(spanOf(a, &span), c.problem) << c.hour << ":" << c.minute << " +" << c.length;
    EXPECT_EQ(span.start, c.start) << c.hour << ":" << c.minute;
    EXPECT_EQ(span.units, c.units) << c.length;
    EXPECT_EQ(span.day, 1);
    EXPECT_EQ(span.week, sunday());
  }
  AppointmentRecord a = appointment(monday(), "DR1", "OP1", 9, 0, 30);
  a.unschedule();
  EXPECT_EQ(spanOf(a, nullptr), SpanProblem::kNoDate);
  a.schedule(99, "OP1", 9, 0);  // before the first calendar year
  EXPECT_EQ(spanOf(a, nullptr), SpanProblem::kBadDate);
}

std::vector<int> providerUnitsOf(std::uint8_t unitSize, const std::vector<std::uint8_t>& slots,
                                 int hour, int minute, int length) {
  AppointmentRecord a = appointment(monday(), "DR1", "OP1", hour, minute, length);
  a.setPattern({});
  a.setUnitSize(unitSize);
  for (std::size_t k = 0; k < slots.size(); ++k) a.setPatternSlot(k, slots[k]);
  ApptSpan span;
  spanOf(a, &span);
  return providerTimeUnits(a, span);
}

TEST(Patterns, ProviderTimeIsWhereSlotsHoldTwoWithinTheDayAndTheTwentyFourSlots) {
  const int s = unitOf(9, 0);
  EXPECT_EQ(providerUnitsOf(3, {2, 1, 3}, 9, 0, 45), (std::vector<int>{s, s + 1, s + 2}));
  EXPECT_TRUE(providerUnitsOf(1, {1, 3, 0, 1}, 9, 0, 20).empty());
  EXPECT_EQ(providerUnitsOf(0, {2, 0, 2}, 9, 0, 30), (std::vector<int>{s, s + 1, s + 4, s + 5}))
      << "a unit size of 0 counts as two units per slot";
  const std::vector<int> units = providerUnitsOf(1, std::vector<std::uint8_t>(24, 2), 9, 0, 150);
  ASSERT_EQ(units.size(), 24u) << "30 units, 24 slots of one unit";
  EXPECT_EQ(units.back(), s + 23);
  // Stored before the midnight limit: the units past the day are left out of every list.
  EXPECT_EQ(providerUnitsOf(1, {2, 2, 2, 2}, 23, 50, 20), (std::vector<int>{286, 287}));
  ApptSpan late;
  spanOf(appointment(monday(), "DR1", "OP1", 23, 50, 20), &late);
  EXPECT_EQ(operatoryUnits(late), (std::vector<int>{286, 287}));
}

TEST(RangeFit, SpanMustLieInsideOneRange) {
  DayHours hours;
  hours.start = {unitOf(8, 0), unitOf(13, 0), kNoWorkingTime};
  hours.end = {unitOf(12, 0), unitOf(17, 0), kNoWorkingTime};
  EXPECT_TRUE(rangeFits(unitOf(8, 0), 48, hours));       // exactly the morning
  EXPECT_TRUE(rangeFits(unitOf(13, 0), 48, hours));      // exactly the afternoon
  EXPECT_FALSE(rangeFits(unitOf(8, 0), 49, hours));      // one unit into lunch
  EXPECT_FALSE(rangeFits(unitOf(11, 30), 12, hours));    // across lunch
  EXPECT_FALSE(rangeFits(unitOf(7, 55), 2, hours));      // before opening
  EXPECT_FALSE(rangeFits(unitOf(16, 55), 2, hours));     // past closing
  EXPECT_FALSE(rangeFits(unitOf(9, 0), 1, DayHours{}));  // no hours never fit
}

TEST(Amounts, NeverWrapEitherWay) {
  EXPECT_EQ(addAmount(0xFFFFFFF0u, 0x20), 0xFFFFFFFFu);
  EXPECT_EQ(subtractAmount(100, 5000), 0u);
}

TEST(PracticeClosed, FromDefaultHoursWeekRecordAndHolidays) {
  PracticeSchedule practice;  // Monday to Friday 8-12 and 13-17
  RscUseRecord week = RscUseRecord::withKey(RscUseRecord::kPractice, "-PR-", sunday());
  const PackedDate mon = monday();
  EXPECT_EQ(closedValue(practice, nullptr, mon, 1, std::nullopt), 0);
  practice.holidays[3] = HolidayEntry{1, 5, 0, 2};  // 5 January, every year
  EXPECT_EQ(closedValue(practice, nullptr, QRX_DateIn(2031, 1, 5), 0, std::nullopt), 1)
      << "on a Sunday the closed weekday comes before the holiday";
  week.setDayState(1, RscUseRecord::kDayBooked);
  EXPECT_EQ(closedValue(practice, &week, mon, 1, std::nullopt), 2)
      << "a booked day is still a holiday";
  practice.holidays[3] = HolidayEntry{};
  EXPECT_EQ(closedValue(practice, &week, mon, 1, std::nullopt), 0)
      << "the booked bit closes nothing";

  // Week hours open a Sunday; a stored 'none' as the first range closes a Monday.
  EXPECT_FALSE(holdsWeekHours(week, 0));
  week.setWeekPeriod(0, 0, unitOf(9, 0), unitOf(12, 0));
  EXPECT_EQ(closedValue(practice, &week, sunday(), 0, std::nullopt), 0);
  EXPECT_TRUE(practiceOpenFits(practice, &week, 0, unitOf(9, 0), 6));
  EXPECT_FALSE(practiceOpenFits(practice, nullptr, 0, unitOf(9, 0), 6));
  week.setWeekPeriod(1, 0, RscUseRecord::kNoTime, RscUseRecord::kNoTime);
  week.setWeekPeriod(1, 1, unitOf(14, 0), unitOf(15, 0));
  EXPECT_TRUE(holdsWeekHours(week, 1));
  EXPECT_EQ(closedValue(practice, &week, mon, 1, std::nullopt), 1);
}

}  // namespace
