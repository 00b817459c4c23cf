// Four processes, standing for four workstations, book, move and unschedule through the
// administration command at random on the same two providers, two operatories and two days,
// answering every question Yes. Afterwards the occupancy check must pass, no operatory unit may
// hold two appointments nor any provider unit three, and every appointment record must be whole:
// none lost, none added twice, each read back at its size with sane fields.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/schema.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/support/command_output.h"
#include "tests/tools/support/small_practice.h"
#include "tools/admin_command.h"

namespace {

using toolstest::Words;
using vantrel::test::ChildProcess;

constexpr int kWorkstations = 4;
constexpr int kOperations = 30;  // per workstation
constexpr int kSeeded = 8;       // booked before the workstations start; all of them move these

// Why a command may rightly refuse while others work on the same appointments and slots: a
// stop (operatory taken, provider full), unscheduled or changed by another workstation first, a
// week record held too long elsewhere.
constexpr std::array<const char*, 4> kFairRefusals = {
    "refused; nothing written", "already on the Unscheduled list", "changed by another process",
    "in use at another workstation"};

Words placement(std::mt19937& rng) {
  static const std::array<const char*, 2> kDates = {"2026-04-21", "2026-04-22"};
  static const std::array<const char*, 5> kLengths = {"10", "20", "30", "40", "60"};
  char time[8];
  const unsigned slot = rng() % 22;  // 08:00 .. 11:30
  std::snprintf(time, sizeof time, "%02u:%02u", 8 + slot / 6, slot % 6 * 10);
  return {"--date",   kDates[rng() % 2],           "--time", time,
          "--prov",   rng() % 2 ? "DDS1" : "DDS2", "--op",   rng() % 2 ? "OP1" : "OP2",
          "--length", kLengths[rng() % 5]};
}

std::uint32_t bookedId(const std::string& out) {
  return static_cast<std::uint32_t>(std::stoul(out.substr(out.rfind(' ') + 1)));
}

int command(const std::string& data, Words args, std::string* out, std::string* err) {
  args.insert(args.end(), {"--data", data});
  std::ostringstream o, e;
  const int code = runAdminCommand(args, o, e);
  *out = o.str();
  *err = e.str();
  return code;
}

// Tallies: saved, refused, booked (of the saved).
int workstation(const std::string& data, unsigned seed, std::vector<std::uint32_t> ids,
                ChildProcess& self) {
  std::mt19937 rng(seed);
  std::array<std::uint32_t, 3> tally{};
  for (int op = 0; op < kOperations; ++op) {
    const unsigned action = rng() % 10;
    const std::string id = std::to_string(ids[rng() % ids.size()]);
    Words args;
    if (action < 4) {
      args = {"book", "--patient", std::to_string(1 + rng() % 20)};
    } else if (action < 8) {
      args = {"move", "--appt", id};
    } else {
      args = {"unschedule", "--appt", id};
    }
    if (action < 8) {
      const Words where = placement(rng);
      args.insert(args.end(), where.begin(), where.end());
    }
    args.insert(args.end(), {"--answer", "yes"});
    std::string out, err;
    const int code = command(data, args, &out, &err);
    if (code == 0) {
      ++tally[0];
      if (action < 4) {
        ++tally[2];
        ids.push_back(bookedId(out));
      }
      continue;
    }
    bool explained = false;
    for (const char* why : kFairRefusals)
      explained = explained || err.find(why) != std::string::npos;
    if (code != 1 || !explained) {
      std::fprintf(stderr, "%s -> %d\n%s%s", toolstest::joined(args).c_str(), code, out.c_str(),
                   err.c_str());
      return 20 + code;
    }
    ++tally[1];
  }
  for (const std::uint32_t n : tally) self.send(n);
  return 0;
}

TEST(ConcurrentCommands, FourWorkstationsLeaveWholeRecordsAndAConsistentSchedule) {
  vantrel::test::TempDir dir("vantrel-commands-race");
  vantrel::test::ScopedEnv profile("VANTREL_PROFILE");
  vantrel::test::ScopedEnv today("VANTREL_TODAY");
  profile.set(dir.file("VANTREL.INI"));
  today.set("2026-03-11");
  const std::string data = dir.file("data");
  toolstest::makeSmallPractice(data);

  std::mt19937 rng(99);
  std::vector<std::uint32_t> seeded;
  for (int i = 0; seeded.size() < kSeeded && i < 10 * kSeeded; ++i) {
    Words args = placement(rng);
    args.insert(args.begin(), {"book", "--patient", "1", "--answer", "yes"});
    std::string out, err;
    if (command(data, args, &out, &err) == 0) seeded.push_back(bookedId(out));
  }
  ASSERT_EQ(seeded.size(), static_cast<std::size_t>(kSeeded));
  const int before = toolstest::countAppointments(data);

  std::vector<std::unique_ptr<ChildProcess>> stations;
  for (int i = 0; i < kWorkstations; ++i) {
    stations.push_back(std::make_unique<ChildProcess>([&, i](ChildProcess& self) {
      return workstation(data, 500u + static_cast<unsigned>(i), seeded, self);
    }));
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
  std::printf("saved %u (%u new), refused %u\n", total[0], total[2], total[1]);

  std::string out, err;
  EXPECT_EQ(command(data, {"check"}, &out, &err), 0) << out << err;

  // Every record read back whole: the read fills its 286 bytes and not one more.
  ASSERT_EQ(QDB_InitDataBase(data.c_str()), 1);
  const QdbSession s = QDB_StartSession(1);
  const QdbHandle f = QDB_OpenFile(s, kAppointmentFile);
  constexpr std::uint8_t kGuard = 0xA5;
  std::vector<std::uint8_t> buffer(AppointmentRecord{}.size() + 16, kGuard);
  std::set<std::uint32_t> ids;
  // Appointments per (kind, code, date, unit).
  std::map<std::tuple<int, std::string, PackedDate, int>, int> units;
  for (int got = QDB_FirstRec(f, kAppointmentFile, buffer.data(), buffer.size()); got != 0;
       got = QDB_NextRec(f, kAppointmentFile, buffer.data(), buffer.size())) {
    for (std::size_t i = AppointmentRecord{}.size(); i < buffer.size(); ++i) {
      ASSERT_EQ(buffer[i], kGuard) << "a record longer than its size";
    }
    AppointmentRecord a;
    ASSERT_TRUE(a.load(buffer.data(), a.size()));
    EXPECT_TRUE(ids.insert(a.identifier()).second) << "identifier twice: " << a.identifier();
    const bool dated = a.date() != kNoDate;
    EXPECT_EQ(a.unscheduledMarker(), dated ? 0 : 1) << a.identifier();
    EXPECT_EQ(a.operatoryKind(), dated ? 3 : 0) << a.identifier();
    EXPECT_TRUE(a.startHour() < 24 && a.startMinute() < 60 && a.length() > 0) << a.identifier();
    if (!dated) continue;
    const int start = a.startHour() * 12 + a.startMinute() / 5;
    const int perSlot = a.unitSize() == 0 ? 2 : a.unitSize();
    for (int i = 0; i < a.length() / 5; ++i) {
      ++units[{3, a.operatoryCode(), a.date(), start + i}];
      if (a.patternSlot(static_cast<std::size_t>(i / perSlot)) == 2) {
        ++units[{1, a.providerCode(), a.date(), start + i}];
      }
    }
  }
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbNotFound);
  QDB_EndSession(s);
  QDB_CloseDataBase();
  EXPECT_EQ(static_cast<int>(ids.size()), before + static_cast<int>(total[2]))
      << "every booking added exactly one record, and nothing else was added or lost";
  for (const auto& [where, n] : units) {
    const auto& [kind, code, date, unit] = where;
    EXPECT_LE(n, kind == 1 ? 2 : 1)
        << (kind == 1 ? "provider " : "operatory ") << code << " date " << date << " unit " << unit;
  }
}

}  // namespace
