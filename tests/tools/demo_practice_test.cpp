// The demo practice against a real database: what it writes is read back through the engine and
// checked against what it promises (its counts, appointments within the hours and never double
// booked, the Unscheduled list); the same seed writes the same bytes, a second demo into the same
// database refuses, and a failed write stops the demo and is reported.

#include "tools/demo_practice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/patient_record.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "data/users.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

// A Sunday a few days before Christmas: the 60 days around it hold Christmas and New Year's Day,
// which must stay free.
const PackedDate kToday = QRX_DateIn(2026, 12, 20);

constexpr int kDemoFiles[] = {kResourceFile,   kAppointmentFile, kPatientFile,
                              kDefinitionFile, kAddressFile,     kRscUseFile};

// Every record of the files the demo writes, in each file's own order.
struct Snapshot {
  std::map<int, std::vector<std::vector<std::uint8_t>>> files;

  template <typename R>
  std::vector<R> all(int file) const {
    std::vector<R> out;
    for (const auto& bytes : files.at(file)) {
      R r;
      EXPECT_TRUE(r.load(bytes.data(), bytes.size()));
      out.push_back(r);
    }
    return out;
  }
};

// REQUIRES: the database is open.
Snapshot readAll() {
  Snapshot s;
  const QdbSession session = QDB_StartSession(1);
  EXPECT_NE(session, 0);
  for (const int number : kDemoFiles) {
    const QdbHandle file = QDB_OpenFile(session, number);
    EXPECT_NE(file, 0u) << number;
    std::vector<std::uint8_t> buffer(findFileDef(number)->recordLength);
    auto& records = s.files[number];
    for (int ok = QDB_FirstRec(file, number, buffer.data(), buffer.size()); ok != 0;
         ok = QDB_NextRec(file, number, buffer.data(), buffer.size())) {
      records.push_back(buffer);
    }
    EXPECT_EQ(QDB_GetLastErrorNum(session), kQdbNotFound) << number;
  }
  QDB_EndSession(session);
  return s;
}

struct DemoRun {
  int result = -1;
  DemoSummary summary;
  std::string why;
  Snapshot snapshot;
};

// Makes a database in `dir`, runs the demo, reads everything back and closes the database.
DemoRun runDemo(const std::string& dir, const DemoOptions& options) {
  DemoRun run;
  EXPECT_EQ(createPracticeDatabase(dir.c_str()), 0);
  run.result = makeDemoPractice(options, &run.summary, &run.why);
  run.snapshot = readAll();
  QDB_CloseDataBase();
  return run;
}

DemoOptions smallOptions(std::uint64_t seed) {
  DemoOptions o;
  o.seed = seed;
  o.today = kToday;
  o.households = 30;
  o.minimumPatients = 60;
  o.undated = 5;
  o.addUsers = false;
  return o;
}

// One full demo, shared by the tests that only read it. CTest runs every test as a process of its
// own, so each builds the demo once: the checks are grouped into few tests.
class DemoPractice : public ::testing::Test {
 protected:
  struct Full {
    ScopedEnv profile{"VANTREL_PROFILE"};
    TempDir dir{"vantrel-demo"};
    DemoRun run;
  };
  static void SetUpTestSuite() {
    full_ = std::make_unique<Full>();
    full_->profile.set(full_->dir.file("VANTREL.INI"));
    DemoOptions options;
    options.today = kToday;
    full_->run = runDemo(full_->dir.file("data"), options);
  }
  static void TearDownTestSuite() { full_.reset(); }
  void SetUp() override { ASSERT_EQ(full_->run.result, 0) << full_->run.why; }

  static const Snapshot& db() { return full_->run.snapshot; }
  static std::vector<AppointmentRecord> appointments(bool dated) {
    std::vector<AppointmentRecord> out;
    for (const AppointmentRecord& a : db().all<AppointmentRecord>(kAppointmentFile)) {
      if ((a.date() != kNoDate) == dated) out.push_back(a);
    }
    return out;
  }
  static std::vector<ProviderRecord> resources(std::uint8_t kind) {
    std::vector<ProviderRecord> out;
    for (const ProviderRecord& r : db().all<ProviderRecord>(kResourceFile)) {
      if (r.kind() == kind) out.push_back(r);
    }
    return out;
  }
  // The default (week 0) schedule record of a resource.
  static std::optional<RscUseRecord> schedule(std::uint8_t kind, const std::string& code) {
    for (const RscUseRecord& r : db().all<RscUseRecord>(kRscUseFile)) {
      if (r.kind() == kind && r.code() == code && r.week() == 0) return r;
    }
    return std::nullopt;
  }

  static std::unique_ptr<Full> full_;
};

std::unique_ptr<DemoPractice::Full> DemoPractice::full_;

TEST_F(DemoPractice, HoldsThePromisedSizesAndSummarisesThemTruly) {
  const DemoSummary& s = full_->run.summary;
  const auto patients = db().all<PatientRecord>(kPatientFile);
  EXPECT_GE(s.patients, 3000);
  EXPECT_EQ(s.patients, static_cast<int>(patients.size()));
  std::set<std::uint32_t> households;
  for (const PatientRecord& p : patients) households.insert(p.addressId());
  EXPECT_EQ(households.size(), 1200u);
  EXPECT_EQ(households.count(0), 0u) << "a patient without a household";
  EXPECT_EQ(s.households, 1200);
  EXPECT_EQ(s.providers, 5);
  EXPECT_EQ(static_cast<int>(resources(rec::kKindProvider).size()), s.providers);
  EXPECT_EQ(s.operatories, 6);
  EXPECT_EQ(static_cast<int>(resources(rec::kKindOperatory).size()), s.operatories);
  EXPECT_EQ(static_cast<int>(appointments(true).size()), s.appointments);
  EXPECT_EQ(s.undated, 40);
  for (const AppointmentRecord& a : appointments(false)) {
    EXPECT_EQ(a.unscheduledMarker(), 1) << "undated but not on the Unscheduled list";
    EXPECT_EQ(a.operatoryCode(), "");
    EXPECT_NE(a.patientId(), 0u);
  }
  EXPECT_EQ(static_cast<int>(appointments(false).size()), s.undated);
}

TEST_F(DemoPractice, AppointmentsLieOnOpenDaysWithinPracticeAndProviderHours) {
  const std::optional<RscUseRecord> practice = schedule(RscUseRecord::kPractice, "-PR-");
  ASSERT_TRUE(practice.has_value());
  std::set<std::string> active;
  for (const ProviderRecord& p : resources(rec::kKindProvider)) {
    if (p.leftOut() == 0) active.insert(p.code());
  }
  // The days the office is closed and the provider days off, from the week records.
  std::set<std::pair<std::string, PackedDate>> offDays;
  for (const RscUseRecord& r : db().all<RscUseRecord>(kRscUseFile)) {
    if (r.week() == 0) continue;
    for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
      if (r.dayState(day) >= RscUseRecord::kDayClosed) {
        offDays.insert({r.code(), r.week() + static_cast<PackedDate>(day)});
      }
    }
  }
  EXPECT_EQ(offDays.size(), 4u) << "one closed day and three vacation days";
  const auto dated = appointments(true);
  ASSERT_FALSE(dated.empty());
  for (const AppointmentRecord& a : dated) {
    SCOPED_TRACE("appointment " + std::to_string(a.identifier()));
    EXPECT_EQ(offDays.count({"-PR-", a.date()}), 0u) << "on a day the office is closed";
    EXPECT_EQ(offDays.count({a.providerCode(), a.date()}), 0u) << "on the provider's day off";
    ASSERT_GE(a.date(), kToday - 30);
    ASSERT_LT(a.date(), kToday + 30);
    std::int16_t y = 0, m = 0, d = 0;
    ASSERT_EQ(QRX_DateOut(a.date(), &y, &m, &d), 1);
    EXPECT_FALSE((m == 12 && d == 25) || (m == 1 && d == 1)) << "on a holiday";
    EXPECT_EQ(a.operatoryKind(), rec::kKindOperatory);
    EXPECT_EQ(a.unscheduledMarker(), 0) << "dated and on the Unscheduled list";
    EXPECT_EQ(a.listDate(), kNoDate);
    EXPECT_EQ(active.count(a.providerCode()), 1u) << a.providerCode() << " is not active";
    EXPECT_EQ(a.startSlot(), AppointmentRecord::startSlotFor(a.startHour(), a.startMinute(), 2));
    EXPECT_GE(a.length(), 20);

    const int start = a.startHour() * 12 + a.startMinute() / 5;
    const int end = start + a.length() / 5;
    const auto day = static_cast<std::size_t>(QRX_WeekDayOf(a.date()) - 1);
    ASSERT_NE(day, 0u) << "on a Sunday";
    const std::optional<RscUseRecord> own = schedule(RscUseRecord::kProvider, a.providerCode());
    ASSERT_TRUE(own.has_value());
    for (const RscUseRecord* hours : {&*practice, &*own}) {
      bool inside = false;
      for (std::size_t p = 0; p < RscUseRecord::kPeriods; ++p) {
        const std::uint16_t from = hours->defaultStart(day, p);
        if (from == RscUseRecord::kNoTime) continue;
        inside = inside || (start >= from && end <= hours->defaultEnd(day, p));
      }
      EXPECT_TRUE(inside) << "weekday " << day + 1 << " " << int(a.startHour()) << ":"
                          << int(a.startMinute()) << " for " << a.length() << " minutes, "
                          << (hours == &*practice ? "practice" : a.providerCode());
    }
  }
}

TEST_F(DemoPractice, NoOperatoryOrProviderIsBookedTwiceAtOnce) {
  struct Span {
    int start;
    int end;
    std::uint32_t id;
  };
  std::map<std::pair<PackedDate, std::string>, std::vector<Span>> byOperatory, byProvider;
  for (const AppointmentRecord& a : appointments(true)) {
    const int start = a.startHour() * 60 + a.startMinute();
    const Span s{start, start + a.length(), a.identifier()};
    byOperatory[{a.date(), a.operatoryCode()}].push_back(s);
    byProvider[{a.date(), a.providerCode()}].push_back(s);
  }
  for (auto* map : {&byOperatory, &byProvider}) {
    for (auto& [where, spans] : *map) {
      std::sort(spans.begin(), spans.end(),
                [](const Span& x, const Span& y) { return x.start < y.start; });
      for (std::size_t i = 1; i < spans.size(); ++i) {
        EXPECT_LE(spans[i - 1].end, spans[i].start)
            << where.second << " on " << where.first << ": appointments " << spans[i - 1].id
            << " and " << spans[i].id;
      }
    }
  }
}

// Repeats, refusals, failures and users, on small practices: they behave alike at any size.
class SmallDemo : public ::testing::Test {
 protected:
  void SetUp() override { profileEnv_.set(dir_.file("VANTREL.INI")); }
  void TearDown() override {
    QRX_SignOff();
    QDB_CloseDataBase();
  }

  TempDir dir_{"vantrel-demo-small"};
  ScopedEnv profileEnv_{"VANTREL_PROFILE"};
};

TEST_F(SmallDemo, SameSeedWritesTheSameBytes) {
  const DemoRun one = runDemo(dir_.file("one"), smallOptions(11));
  const DemoRun two = runDemo(dir_.file("two"), smallOptions(11));
  ASSERT_EQ(one.result, 0) << one.why;
  ASSERT_EQ(two.result, 0) << two.why;
  for (const int file : kDemoFiles) EXPECT_FALSE(one.snapshot.files.at(file).empty()) << file;
  EXPECT_TRUE(one.snapshot.files == two.snapshot.files) << "the same seed wrote other bytes";
}

TEST_F(SmallDemo, SecondDemoRefusesAndChangesNothing) {
  const DemoRun first = runDemo(dir_.file("data"), smallOptions(2));
  ASSERT_EQ(first.result, 0) << first.why;
  ASSERT_EQ(QDB_InitDataBase(dir_.file("data").c_str()), 1);
  DemoSummary summary;
  std::string why;
  EXPECT_EQ(makeDemoPractice(smallOptions(3), &summary, &why), kDemoNotEmpty);
  EXPECT_NE(why.find("patients"), std::string::npos) << why;
  EXPECT_EQ(summary.patients, 0);
  EXPECT_EQ(readAll().files, first.snapshot.files);
}

TEST_F(SmallDemo, FailedPlacementIsReportedAndTheNextDemoRefuses) {
  ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
  DemoOptions options = smallOptions(3);
  int calls = 0;
  options.placeAppointment = [&calls](AppointmentRecord&, std::string* why) {
    if (++calls < 5) return 0;
    *why = "the disk is full";
    return kQdbIoError;
  };
  DemoSummary summary;
  std::string why;
  EXPECT_EQ(makeDemoPractice(options, &summary, &why), kQdbIoError);
  EXPECT_NE(why.find("appointment 5 of"), std::string::npos) << why;
  EXPECT_NE(why.find("the disk is full"), std::string::npos) << why;
  EXPECT_EQ(summary.appointments, 4);
  EXPECT_EQ(calls, 5) << "placing went on after a failure";
  EXPECT_EQ(makeDemoPractice(smallOptions(3), &summary, &why), kDemoNotEmpty);
}

TEST_F(SmallDemo, DemoUsersGetTheirRightsAndAnExistingUserKeepsHisPassword) {
  ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
  std::uint32_t id = 0;
  ASSERT_EQ(addUser("admin", "Owner", "owner-secret", {1}, &id), 0);
  DemoOptions options = smallOptions(4);
  options.addUsers = true;
  DemoSummary summary;
  std::string why;
  ASSERT_EQ(makeDemoPractice(options, &summary, &why), 0) << why;
  EXPECT_EQ(summary.users, 1);
  EXPECT_EQ(std::count_if(summary.notes.begin(), summary.notes.end(),
                          [](const std::string& n) { return n.find("admin") != std::string::npos; }),
            1);
  EXPECT_EQ(QRX_SignOn("admin", "owner-secret"), 1) << "the existing password was changed";
  ASSERT_EQ(QRX_SignOn("frontdesk", "desk123"), 1);
  const UserId desk = QRX_GetLoggedInUserID();
  for (const int right : {kRightPurgeAppointments, kRightPracticeSetup, kRightProviderSetup}) {
    EXPECT_EQ(QRX_CheckUserRights(desk, right), 0) << "front desk, right " << right;
  }
  EXPECT_NE(QRX_CheckUserRights(desk, kRightEditAppointment), 0);
}

}  // namespace
