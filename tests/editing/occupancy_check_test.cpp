#include "editing/occupancy_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/editing/editing_database.h"

namespace {

using namespace editing_test;
using What = OccupancyDifference::What;

constexpr std::size_t kMon = 1;

std::string firstProblem(const OccupancyReport& report) {
  return report.differences.empty() ? "error " + std::to_string(report.error)
                                    : describeDifference(report.differences[0]);
}

using OccupancyCheck = EditingDatabase;

TEST_F(OccupancyCheck, FindsEveryKindOfDifferenceFromMapsTheRulesKept) {
  book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 100));
  book(appointment(monday(), "DR1", "OP2", 9, 0, 20, 50));  // double booked
  AppointmentRecord partial = appointment(tuesday(), "DR2", "OP1", 10, 0, 40, 70);
  for (std::size_t k = 3; k < 8; ++k) partial.setPatternSlot(k, 1);
  book(partial);
  // Booked, then taken out of the schedule again.
  const std::uint32_t gone = book(appointment(tuesday(), "HYG", "OP2", 14, 0, 30, 10));
  AppointmentRecord off = *storedAppointment(gone);
  off.unschedule();
  ASSERT_TRUE(SaveApptWithRules(context(), false, *storedAppointment(gone), off).succeeded());
  const OccupancyReport clean = checkOccupancy();
  EXPECT_TRUE(clean.consistent()) << firstProblem(clean);
  EXPECT_EQ(clean.appointments, 3);
  EXPECT_EQ(clean.records, 4);  // DR1, DR2, OP1, OP2 (HYG's was deleted)

  RscUseRecord op1 = *operatoryWeek("OP1");
  op1.setOccupancy(kMon, unitOf(12, 0), 1);
  op1.setOccupancy(kMon, unitOf(12, 5), 1);
  putWeek(op1);
  RscUseRecord dr1 = *providerWeek("DR1");
  dr1.setDayAmount(kMon, dr1.dayAmount(kMon) + 5);
  putWeek(dr1);
  // Written without the rules: OP1 taken twice at 9:00, and no records for HYG and OP3.
  addAppointmentDirectly(appointment(monday(), "HYG", "OP1", 9, 0, 10));
  addAppointmentDirectly(appointment(tuesday(), "HYG", "OP3", 9, 0, 10));

  const OccupancyReport report = checkOccupancy();
  EXPECT_EQ(report.error, 0);
  std::vector<std::tuple<What, int, std::string, int, int>> found;
  for (const OccupancyDifference& d : report.differences) {
    found.emplace_back(d.what, d.kind, d.code, d.day, d.unit);
    const std::string line = describeDifference(d);
    EXPECT_NE(line.find(d.code), std::string::npos) << line;
    EXPECT_NE(line.find("01/04/2026"), std::string::npos) << line;
    if (d.what == What::kMap) {
      EXPECT_EQ(std::tie(d.differingUnits, d.stored, d.expected), std::make_tuple(2, 1u, 0u));
    } else if (d.what == What::kOverbooked) {
      EXPECT_EQ(d.expected, 2u) << "appointments in the unit";
    }
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::tuple<What, int, std::string, int, int>>{
                       {What::kMap, 3, "OP1 ", 1, unitOf(12, 0)},
                       {What::kAmount, 1, "DR1 ", 1, -1},
                       {What::kOverbooked, 3, "OP1 ", 1, unitOf(9, 0)},
                       {What::kMissingRecord, 1, "HYG ", -1, -1},
                       {What::kMissingRecord, 3, "OP3 ", -1, -1},
                   }));
}

TEST_F(OccupancyCheck, RebuildMatchesTheAppointmentsAndKeepsWhatTheyDoNotGive) {
  // DR1 keeps hours of its own, a blocked unit and a vacation day.
  RscUseRecord dr1 = RscUseRecord::withKey(RscUseRecord::kProvider, "DR1", week());
  dr1.setWeekPeriod(3, 0, unitOf(8, 0), unitOf(12, 0));
  dr1.setOccupancy(4, 100, 3);
  dr1.setDayState(5, RscUseRecord::kDayClosed);
  putWeek(dr1);
  book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 100));
  // Stale records nothing stands behind, and a wrong count.
  putWeek(bookedWeek(RscUseRecord::kOperatory, "OP9", 2, 10, 20, 1, 10));
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR2", 2, 10, 20, 2, 10));
  RscUseRecord op1 = *operatoryWeek("OP1");
  op1.setOccupancy(kMon, unitOf(9, 0), 0);
  putWeek(op1);
  addAppointmentDirectly(appointment(tuesday(), "HYG", "OP3", 9, 0, 20, 30));  // without the rules

  const OccupancyReport first = rebuildOccupancy();
  EXPECT_EQ(first.error, 0);
  EXPECT_FALSE(first.differences.empty()) << "a rebuild reports what it found";
  EXPECT_EQ(first.deleted, 2);    // OP9, DR2
  EXPECT_EQ(first.added, 2);      // HYG, OP3
  EXPECT_EQ(first.rewritten, 1);  // OP1
  const OccupancyReport after = checkOccupancy();
  EXPECT_TRUE(after.consistent()) << firstProblem(after);
  const auto kept = providerWeek("DR1");
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ(kept->weekStart(3, 0), unitOf(8, 0));
  EXPECT_EQ(kept->occupancy(4, 100), 3);
  EXPECT_EQ(kept->dayState(5), RscUseRecord::kDayClosed);
  EXPECT_EQ(kept->dayState(kMon), RscUseRecord::kDayBooked);
  EXPECT_FALSE(operatoryWeek("OP9").has_value());
  EXPECT_FALSE(providerWeek("DR2").has_value());
  const auto hyg = providerWeek("HYG");
  ASSERT_TRUE(hyg.has_value());
  EXPECT_EQ(hyg->occupancy(2, unitOf(9, 5)), 1);
  EXPECT_EQ(hyg->dayAmount(2), 30u);

  const OccupancyReport again = rebuildOccupancy();
  EXPECT_EQ(again.rewritten + again.added + again.deleted, 0) << "a second rebuild finds nothing";
}

}  // namespace
