// Four processes, standing for four workstations, book, move and unschedule at random on the same
// providers and operatories, answering every question Yes. Whatever the interleaving, the week
// records must afterwards hold exactly what the appointments give: no unit counted for an
// appointment that is not there, none missing, no operatory unit taken twice and no provider
// unit booked more than twice.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <random>
#include <tuple>

#include "editing/occupancy_check.h"
#include "tests/editing/editing_database.h"
#include "tests/support/child_process.h"

namespace {

using namespace editing_test;
using vantrel::test::ChildProcess;

constexpr int kWorkstations = 4;
constexpr int kOperations = 80;
constexpr int kSeeded = 12;

AppointmentRecord randomPlacement(std::mt19937& rng, AppointmentRecord a) {
  const PackedDate dates[] = {monday(), monday() + 1, monday() + 7};
  const int lengths[] = {10, 20, 30, 40, 60};
  a.setUnitSize(static_cast<std::uint8_t>(rng() % 3));  // 0 counts as 2
  a.setProvider(rng() % 2 ? "DR1" : "DR2");
  a.schedule(dates[rng() % 3], rng() % 2 ? "OP1" : "OP2", static_cast<std::uint8_t>(8 + rng() % 9),
             static_cast<std::uint8_t>(10 * (rng() % 6)));
  a.setLength(static_cast<std::int16_t>(lengths[rng() % 5]));
  for (std::size_t k = 0; k < AppointmentRecord::kPatternSlots; ++k) {
    a.setPatternSlot(k, static_cast<std::uint8_t>(rng() % 3));
  }
  a.setAmount(rng() % 10000);
  a.setType(static_cast<std::uint8_t>(rng() % 3));
  return a;
}

// Sends how often a save was done, refused, changed elsewhere and locked too long.
int workstation(const std::string& dataPath, unsigned seed, std::vector<std::uint32_t> ids,
                ChildProcess& self) {
  if (QDB_InitDataBase(dataPath.c_str()) != 1) return 10;
  ScriptedPrompter yes(ScriptedPrompter::Fallback::kAffirmative);
  const PracticeSchedule practice;
  ProviderScheduleTable table;
  table.providers = {providerEntry("DR1"), providerEntry("DR2")};
  table.providers[0].aliases = {"DR2 "};
  setBlock(&table.providers[1], 0, 1, unitOf(9, 0), unitOf(11, 0), 0, "OP1");
  SchedulingContext ctx{yes, practice, table};
  ctx.lockRetry = LockRetry{1000, 2};

  std::mt19937 rng(seed);
  std::array<std::uint32_t, 4> tally{};
  for (int op = 0; op < kOperations; ++op) {
    RulesResult r;
    const unsigned action = rng() % 10;
    if (action < 3) {
      AppointmentRecord fresh = randomPlacement(rng, appointment(monday(), "DR1", "OP1", 9, 0, 10));
      r = SaveApptWithRules(ctx, true, AppointmentRecord{}, fresh);
      if (r.succeeded()) ids.push_back(r.appointmentId);
    } else {
      AppointmentRecord old;
      if (!readAppointmentById(ids[rng() % ids.size()], &old)) return 11;
      AppointmentRecord edited = old;
      if (action < 8) {
        edited = randomPlacement(rng, old);
      } else {
        edited.unschedule();
      }
      r = SaveApptWithRules(ctx, false, old, edited);
    }
    if (r.outcome == RulesOutcome::kInvalid) return 21;
    if (r.outcome == RulesOutcome::kDatabaseError && r.error != kQdbLocked) return 20;
    ++tally[r.outcome == RulesOutcome::kDone               ? 0
            : r.outcome == RulesOutcome::kRefused          ? 1
            : r.outcome == RulesOutcome::kChangedElsewhere ? 2
                                                           : 3];
  }
  for (const std::uint32_t n : tally) self.send(n);
  QDB_CloseDataBase();
  return 0;
}

// What the appointments give, computed here without the rules' own code.
struct Expected {
  std::array<std::array<int, 288>, 7> counts{};
  std::array<std::uint64_t, 7> amounts{};
};
using ExpectedKey = std::tuple<int, std::string, PackedDate>;

std::map<ExpectedKey, Expected> fromAppointments() {
  std::map<ExpectedKey, Expected> out;
  OpenFile f(kAppointmentFile);
  AppointmentRecord a;
  for (int got = QDB_FirstRec(f.handle, kAppointmentFile, a.data(), a.size()); got != 0;
       got = QDB_NextRec(f.handle, kAppointmentFile, a.data(), a.size())) {
    if (a.date() == 0) continue;
    const auto day = static_cast<std::size_t>(QRX_WeekDayOf(a.date()) - 1);
    const PackedDate weekStart = a.date() - static_cast<PackedDate>(day);
    const int start = a.startHour() * 12 + a.startMinute() / 5;
    const int slotUnits = a.unitSize() == 0 ? 2 : a.unitSize();
    Expected& prov = out[{1, a.providerCode(), weekStart}];
    Expected& oper = out[{3, a.operatoryCode(), weekStart}];
    for (int i = 0; i < a.length() / 5; ++i) {
      const auto unit = static_cast<std::size_t>(start + i);
      ++oper.counts[day][unit];
      const auto slot = static_cast<std::size_t>(i / slotUnits);
      if (slot < 24 && a.patternSlot(slot) == 2) ++prov.counts[day][unit];
    }
    prov.amounts[day] += a.amount();
    oper.amounts[day] += a.amount();
  }
  return out;
}

TEST(ConcurrentBooking, FourWorkstationsLeaveTheMapsEqualToTheAppointments) {
  vantrel::test::TempDir dir("vantrel-editing-race");
  vantrel::test::ScopedEnv profile("VANTREL_PROFILE");
  profile.set(dir.file("VANTREL.INI"));
  const std::string data = dir.file("data");
  ASSERT_EQ(createPracticeDatabase(data.c_str()), 0);
  std::vector<std::uint32_t> seeded;
  {
    OpenFile f(kAppointmentFile);
    for (int i = 0; i < kSeeded; ++i) {
      AppointmentRecord a = appointment(monday(), "DR1", "OP1", 9, 0, 30);
      a.unschedule();
      ASSERT_NE(QDB_AddRec(f.handle, a.data(), a.size()), 0);
      seeded.push_back(a.identifier());
    }
  }
  QDB_CloseDataBase();  // each workstation opens the database itself

  std::vector<std::unique_ptr<ChildProcess>> stations;
  for (unsigned i = 0; i < kWorkstations; ++i) {
    stations.push_back(std::make_unique<ChildProcess>(
        [&, i](ChildProcess& self) { return workstation(data, 7001u + i, seeded, self); }));
  }
  std::array<std::uint32_t, 4> total{};  // saved, refused, changed elsewhere, locked
  for (auto& station : stations) {
    for (std::uint32_t& t : total) {
      const auto n = station->receive(std::chrono::seconds(300));
      ASSERT_TRUE(n.has_value()) << "a workstation did not finish: exit " << station->wait();
      t += *n;
    }
    EXPECT_EQ(station->wait(), 0);
  }
  EXPECT_EQ(total[0] + total[1] + total[2] + total[3],
            static_cast<std::uint32_t>(kWorkstations * kOperations));
  EXPECT_GT(total[0], 50u);
  EXPECT_GT(total[1], 0u) << "the workstations must have met each other's bookings";

  ASSERT_EQ(QDB_InitDataBase(data.c_str()), 1);
  const std::map<ExpectedKey, Expected> expected = fromAppointments();
  // Every stored week record equals what the appointments give, and none is left over.
  std::size_t matched = 0;
  {
    OpenFile f(kRscUseFile);
    RscUseRecord r;
    for (int got = QDB_FirstRec(f.handle, kRscUseFile, r.data(), r.size()); got != 0;
         got = QDB_NextRec(f.handle, kRscUseFile, r.data(), r.size())) {
      const auto found = expected.find({r.kind(), r.code(), r.week()});
      ASSERT_NE(found, expected.end()) << "a record no appointment stands behind: " << r.code();
      ++matched;
      for (std::size_t d = 0; d < 7; ++d) {
        EXPECT_EQ(r.dayAmount(d), found->second.amounts[d]) << r.code() << " day " << d;
        for (std::size_t u = 0; u < 288; ++u) {
          const std::string where = std::to_string(r.kind()) + " " + r.code() + " day " +
                                    std::to_string(d) + " unit " + std::to_string(u);
          ASSERT_LE(found->second.counts[d][u], r.kind() == 1 ? 2 : 1) << where;
          ASSERT_EQ(r.occupancy(d, u), found->second.counts[d][u]) << where;
        }
      }
    }
  }
  EXPECT_EQ(matched, expected.size()) << "a placed appointment without its week record";

  const OccupancyReport report = checkOccupancy();
  EXPECT_TRUE(report.consistent())
      << (report.differences.empty() ? std::to_string(report.error)
                                     : describeDifference(report.differences[0]));
  QDB_CloseDataBase();
}

}  // namespace
