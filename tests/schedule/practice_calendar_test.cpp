#include "schedule/practice_calendar.h"

#include <gtest/gtest.h>

#include <thread>

#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "tests/schedule/schedule_changes.h"
#include "tests/support/child_process.h"

namespace {

// Holidays, hours of single dates and their week records, and closing dates while another
// workstation books.
using PracticeCalendar = ScheduleChanges;
using vantrel::test::ChildProcess;

TEST_F(PracticeCalendar, DayWithThreeZeroPeriodsFallsBackToTheDefaultHours) {
  const PracticeSchedule practice;  // the built-in hours
  RscUseRecord week = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, sunday());
  week.setDayState(1, 2);  // Monday: a state, but no hours of its own
  week.setWeekPeriod(2, 0, 108, 132);
  for (std::size_t p = 1; p < 3; ++p) week.setWeekPeriod(2, p, 0xFFFF, 0xFFFF);
  week.setDayState(2, 3);
  add(kRscUseFile, week);

  const std::vector<PackedDate> dates{monday(), monday() + 1, monday() + 7, 0};
  std::vector<DateHours> got;
  ASSERT_EQ(practiceHoursOfDates(practice, dates, &got), 0);
  EXPECT_EQ(got, (std::vector<DateHours>{{practice.hours[1], 0},
                                         {dayHours(108, 132), 3},
                                         {practice.hours[1], 0},  // a week without a record
                                         {DayHours{}, 0}}));
}

TEST_F(PracticeCalendar, YearlyHolidaysAreSetOnceDeletedAndRefusedWhenTheTableIsFull) {
  PracticeSchedule practice;
  EXPECT_EQ(setYearlyHoliday(prompter_, practice, 12, 25, 2), HolidayResult::kPracticeNotSetUp);
  EXPECT_EQ(prompter_.asked().back().prompt.text,
            "Practice is NOT setup. Setup practice before continuing!");
  EXPECT_FALSE(practiceDefaults()) << "a holiday must not set up the practice";

  RscUseRecord defaults = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  for (std::uint8_t slot = 0; slot < 98; ++slot) {  // January and February, slots 98, 99 free
    defaults.setHoliday(slot, {static_cast<std::uint8_t>(1 + slot / 28),
                               static_cast<std::uint8_t>(1 + slot % 28), 0, 2});
  }
  add(kRscUseFile, defaults);

  const PackedDate christmas = QRX_DateIn(2026, 12, 25);
  EXPECT_EQ(setYearlyHoliday(prompter_, practice, 12, 25, 2), HolidayResult::kStored);
  EXPECT_EQ(practiceDefaults()->holiday(98), (HolidayEntry{12, 25, 0, 2}));
  EXPECT_EQ(isPracticeClosed(practice, christmas), 2) << "the in-memory table follows";
  EXPECT_EQ(holidayKindOfDate(practice, QRX_DateIn(2031, 12, 25)), 2) << "every year";
  EXPECT_EQ(setYearlyHoliday(prompter_, practice, 12, 25, 5), HolidayResult::kUnchanged);
  EXPECT_EQ(practiceDefaults()->holiday(99), HolidayEntry{}) << "set twice must change nothing";

  EXPECT_EQ(setYearlyHoliday(prompter_, practice, 12, 26, 2), HolidayResult::kStored);  // 100th
  EXPECT_EQ(setYearlyHoliday(prompter_, practice, 12, 27, 2), HolidayResult::kTableFull);
  EXPECT_EQ(prompter_.asked().back().prompt.text,
            "Holiday buffer is full. No more holidays may be added!");
  EXPECT_EQ(deleteYearlyHoliday(prompter_, practice, 12, 25), HolidayResult::kStored);
  EXPECT_EQ(practiceDefaults()->holiday(98), HolidayEntry{});
  EXPECT_EQ(isPracticeClosed(practice, christmas), 0);
  EXPECT_EQ(isPracticeClosed(practice, sunday()), 1) << "no default hours on Sundays";
}

TEST_F(PracticeCalendar, DateHoursKeepTheBookingsOfTheWeekAndTheBookedMark) {
  RscUseRecord booked = RscUseRecord::withKey(RscUseRecord::kProvider, "DR1", sunday());
  for (std::size_t unit = 100; unit < 106; ++unit) booked.setOccupancy(1, unit, 2);
  booked.setDayState(1, RscUseRecord::kDayBooked);
  booked.setDayAmount(1, 5000);
  add(kRscUseFile, booked);
  const auto bookings = [](const RscUseRecord& r) {  // day states, maps and amounts
    const auto b = r.bytes().subspan(11, 539);
    return std::vector<std::uint8_t>(b.begin(), b.end());
  };

  const auto set = [&](PackedDate date, DayHours hours, int flag) {
    return setDateHours(prompter_, RscUseRecord::kProvider, "DR1", date, hours, flag);
  };
  ASSERT_EQ(set(monday(), dayHours(96, 120), kClosedFlag), 0);
  RscUseRecord after = *stored(RscUseRecord::kProvider, "DR1", sunday());
  EXPECT_EQ(after.dayState(1), 3) << "vacation added to the booked mark";
  EXPECT_EQ(after.weekStart(1, 0) + after.weekStart(1, 1), 96 + 0xFFFF);
  ASSERT_EQ(set(monday(), dayHours(96, 120), 0), 0);
  EXPECT_EQ(bookings(*stored(RscUseRecord::kProvider, "DR1", sunday())), bookings(booked));

  ASSERT_EQ(set(monday() + 7, dayHours(100, 110), 0), 0);  // a week without a record gets one
  const int records = scheduleRecordCount();
  const PackedDate reset[] = {monday(), monday() + 14};
  ASSERT_EQ(resetProviderHours(prompter_, "DR1", reset), 0);
  EXPECT_EQ(scheduleRecordCount(), records) << "a reset makes no record";
  EXPECT_EQ(bookings(*stored(RscUseRecord::kProvider, "DR1", sunday())), bookings(booked));

  ProviderEntry provider;
  provider.code = "DR1";
  provider.hours[1] = dayHours(60, 90);
  std::vector<DateHours> got;
  const PackedDate one[] = {monday()};
  ASSERT_EQ(providerHoursOfDates(provider, one, &got), 0);
  EXPECT_EQ(got[0], (DateHours{dayHours(60, 90), 0})) << "after the reset: the default hours";
  EXPECT_TRUE(prompter_.asked().empty());
}

// A booking at another workstation: lock the week record, mark one more unit of Monday, hold
// the lock a moment, write, let go.
int bookUnits(const std::string& dataPath, PackedDate week, int units, ChildProcess& self) {
  if (QDB_InitDataBase(dataPath.c_str()) != 1) return 10;
  const QdbSession s = QDB_StartSession(1);
  const QdbHandle f = QDB_OpenFile(s, kRscUseFile);
  const auto key = rscUseKey(RscUseRecord::kProvider, "DR1", week);
  self.send(1);
  for (int unit = 0; unit < units; ++unit) {
    QDB_LKISAM(s, 2);
    RscUseRecord r;
    for (int tries = 0;
         QDB_FindRec(f, kRscUseByKey, key.data(), key.size(), r.data(), r.size()) == 0; ++tries) {
      if (QDB_GetLastErrorNum(s) != kQdbLocked || tries > 20000) return 11;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    r.setOccupancy(1, static_cast<std::size_t>(unit), 1);
    r.setDayState(1, static_cast<std::uint8_t>(r.dayState(1) | RscUseRecord::kDayBooked));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (QDB_WriteRec(f, r.data(), r.size()) == 0) return 12;
    QDB_LKISAM(s, 0);
  }
  return 0;
}

TEST_F(PracticeCalendar, ClosingDatesWhileAnotherWorkstationBooksLosesNoBooking) {
  constexpr int kChanges = 60;
  RscUseRecord empty = RscUseRecord::withKey(RscUseRecord::kProvider, "DR1", sunday());
  add(kRscUseFile, empty);
  // A booking holds its lock far longer than the access layer's default spin; let it wait.
  ASSERT_EQ(QRX_WriteProfileInt("QXCTREEM", "RETRY", 2000), 1);
  ASSERT_EQ(QRX_WriteProfileInt("QXCTREEM", "PAUSE", 1), 1);
  closeDatabase();
  const std::string data = dataPath();
  const PackedDate week = sunday();
  ChildProcess booking([&](ChildProcess& self) { return bookUnits(data, week, kChanges, self); });
  openDatabase();
  ASSERT_TRUE(booking.receive().has_value());

  for (int i = 0; i < kChanges; ++i) {
    ASSERT_EQ(setDateHours(prompter_, RscUseRecord::kProvider, "DR1", monday(),
                           dayHours(96 + i, 200), i % 2 == 0 ? kClosedFlag : 0),
              0)
        << i;
  }
  ASSERT_EQ(booking.wait(), 0);
  const RscUseRecord after = *stored(RscUseRecord::kProvider, "DR1", sunday());
  for (std::size_t unit = 0; unit < kChanges; ++unit) {
    EXPECT_EQ(after.occupancy(1, unit), 1) << "booking of unit " << unit << " lost";
  }
  EXPECT_EQ(after.weekStart(1, 0), 96 + kChanges - 1) << "the last hours written stay";
  EXPECT_EQ(after.dayState(1), RscUseRecord::kDayBooked);
}

}  // namespace
