// Four processes, standing for four workstations, book, move and unschedule through the
// administration command at random on the same providers, operatories and days, answering every
// question Yes. Afterwards the occupancy check must pass (it also finds an operatory unit holding
// two appointments or a provider unit three), and every record must be whole: none lost, none
// added twice, each read back at its size with sane fields.

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

#include "tests/support/child_process.h"
#include "tests/tools/support/command_output.h"
#include "tests/tools/support/small_practice.h"

namespace {

using namespace toolstest;
using vantrel::test::ChildProcess;

constexpr int kWorkstations = 4;
constexpr int kOperations = 30;  // per workstation
constexpr int kSeeded = 8;       // booked before the workstations start; all of them move these

// Why a command may rightly refuse while others work on the same appointments and slots.
constexpr std::array<const char*, 4> kFairRefusals = {
    "refused; nothing written", "already on the Unscheduled list", "changed by another process",
    "in use at another workstation"};

Words placement(std::mt19937& rng) {
  static const std::array<const char*, 5> kLengths = {"10", "20", "30", "40", "60"};
  char time[8];
  const unsigned slot = rng() % 22;  // 08:00 .. 11:30
  std::snprintf(time, sizeof time, "%02u:%02u", 8 + slot / 6, slot % 6 * 10);
  return {"--date",   rng() % 2 ? "2026-04-21" : "2026-04-22",
          "--time",   time,
          "--prov",   rng() % 2 ? "DDS1" : "DDS2",
          "--op",     rng() % 2 ? "OP1" : "OP2",
          "--length", kLengths[rng() % 5]};
}

std::uint32_t bookedId(const std::string& out) {
  return static_cast<std::uint32_t>(std::stoul(out.substr(out.rfind(' ') + 1)));
}

// Sends its tallies: saved, refused, booked (of the saved).
int workstation(const CommandTest& t, unsigned seed, std::vector<std::uint32_t> ids,
                ChildProcess& self) {
  std::mt19937 rng(seed);
  std::array<std::uint32_t, 3> tally{};
  for (int op = 0; op < kOperations; ++op) {
    const unsigned action = rng() % 10;
    const std::string id = std::to_string(ids[rng() % ids.size()]);
    Words args = action < 4   ? Words{"book", "--patient", std::to_string(1 + rng() % 20)}
                 : action < 8 ? Words{"move", "--appt", id}
                              : Words{"unschedule", "--appt", id};
    if (action < 8) {
      const Words where = placement(rng);
      args.insert(args.end(), where.begin(), where.end());
    }
    args.insert(args.end(), {"--answer", "yes"});
    const Outcome o = t.run(args);
    if (o.code == 0) {
      ++tally[0];
      if (action < 4) {
        ++tally[2];
        ids.push_back(bookedId(o.out));
      }
      continue;
    }
    bool explained = false;
    for (const char* why : kFairRefusals) explained |= o.err.find(why) != std::string::npos;
    if (o.code != 1 || !explained) {
      std::fprintf(stderr, "%s -> %d\n%s%s", joined(args).c_str(), o.code, o.out.c_str(),
                   o.err.c_str());
      return 20 + o.code;
    }
    ++tally[1];
  }
  for (const std::uint32_t n : tally) self.send(n);
  return 0;
}

using ConcurrentCommands = CommandTest;

TEST_F(ConcurrentCommands, FourWorkstationsLeaveWholeRecordsAndAConsistentSchedule) {
  makeSmallPractice(data());
  std::mt19937 rng(99);
  std::vector<std::uint32_t> seeded;
  for (int i = 0; seeded.size() < kSeeded && i < 10 * kSeeded; ++i) {
    Words args = placement(rng);
    args.insert(args.begin(), {"book", "--patient", "1", "--answer", "yes"});
    const Outcome o = run(args);
    if (o.code == 0) seeded.push_back(bookedId(o.out));
  }
  ASSERT_EQ(seeded.size(), static_cast<std::size_t>(kSeeded));
  const int before = countAppointments(data());

  std::vector<std::unique_ptr<ChildProcess>> stations;
  for (unsigned i = 0; i < kWorkstations; ++i) {
    stations.push_back(std::make_unique<ChildProcess>(
        [&, i](ChildProcess& self) { return workstation(*this, 500u + i, seeded, self); }));
  }
  std::array<std::uint32_t, 3> total{};
  for (auto& station : stations) {
    for (std::uint32_t& t : total) {
      const auto n = station->receive(std::chrono::seconds(120));
      ASSERT_TRUE(n.has_value()) << "a workstation did not finish";
      t += *n;
    }
    EXPECT_EQ(station->wait(), 0);
  }
  EXPECT_EQ(total[0] + total[1], static_cast<std::uint32_t>(kWorkstations * kOperations));
  EXPECT_GT(total[1], 0u) << "the workstations must have met each other's bookings";
  const Outcome check = run({"check"});
  EXPECT_EQ(check.code, 0) << check.out << check.err;

  // Every record read back whole: the read fills its 286 bytes and not one more.
  ASSERT_EQ(QDB_InitDataBase(data().c_str()), 1);
  const QdbSession s = QDB_StartSession(1);
  const QdbHandle f = QDB_OpenFile(s, kAppointmentFile);
  constexpr std::uint8_t kGuard = 0xA5;
  std::vector<std::uint8_t> buffer(AppointmentRecord::kSize + 16, kGuard);
  std::set<std::uint32_t> ids;
  for (int got = QDB_FirstRec(f, kAppointmentFile, buffer.data(), buffer.size()); got != 0;
       got = QDB_NextRec(f, kAppointmentFile, buffer.data(), buffer.size())) {
    for (std::size_t i = AppointmentRecord::kSize; i < buffer.size(); ++i) {
      ASSERT_EQ(buffer[i], kGuard) << "a record longer than its size";
    }
    AppointmentRecord a;
    ASSERT_TRUE(a.load(buffer.data(), a.size()));
    EXPECT_TRUE(ids.insert(a.identifier()).second) << "identifier twice: " << a.identifier();
    const bool dated = a.date() != kNoDate;
    EXPECT_EQ(a.unscheduledMarker(), dated ? 0 : 1) << a.identifier();
    EXPECT_EQ(a.operatoryKind(), dated ? 3 : 0) << a.identifier();
    EXPECT_TRUE(a.startHour() < 24 && a.startMinute() < 60 && a.length() > 0) << a.identifier();
  }
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbNotFound);
  QDB_EndSession(s);
  QDB_CloseDataBase();
  EXPECT_EQ(static_cast<int>(ids.size()), before + static_cast<int>(total[2]))
      << "every booking added exactly one record, and nothing else was added or lost";
}

}  // namespace
