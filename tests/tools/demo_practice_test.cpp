// The demo practice read back through the engine and held to what it promises: its counts,
// appointments within the hours and never double booked, the Unscheduled list; the same seed
// writes the same bytes, a second demo refuses, and a failed write stops the demo.

#include "tools/demo_practice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

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
using Snapshot = std::map<int, std::vector<std::vector<std::uint8_t>>>;

template <typename R>
std::vector<R> all(const Snapshot& s, int file) {
  std::vector<R> out(s.at(file).size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_TRUE(out[i].load(s.at(file)[i].data(), s.at(file)[i].size()));
  }
  return out;
}

// REQUIRES: the database is open.
Snapshot readAll() {
  Snapshot s;
  const QdbSession session = QDB_StartSession(1);
  for (const int number : kDemoFiles) {
    const QdbHandle file = QDB_OpenFile(session, number);
    std::vector<std::uint8_t> buffer(findFileDef(number)->recordLength);
    for (int ok = QDB_FirstRec(file, number, buffer.data(), buffer.size()); ok != 0;
         ok = QDB_NextRec(file, number, buffer.data(), buffer.size())) {
      s[number].push_back(buffer);
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

// One full demo shared by the tests that only read it; CTest runs each test as a process of its
// own, so the checks are grouped into few tests.
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

  static std::vector<AppointmentRecord> appointments(bool dated) {
    std::vector<AppointmentRecord> out;
    for (const AppointmentRecord& a :
         all<AppointmentRecord>(full_->run.snapshot, kAppointmentFile)) {
      if ((a.date() != kNoDate) == dated) out.push_back(a);
    }
    return out;
  }
  static std::vector<ProviderRecord> resources(std::uint8_t kind) {
    std::vector<ProviderRecord> out;
    for (const ProviderRecord& r : all<ProviderRecord>(full_->run.snapshot, kResourceFile)) {
      if (r.kind() == kind) out.push_back(r);
    }
    return out;
  }

  static std::unique_ptr<Full> full_;
};

std::unique_ptr<DemoPractice::Full> DemoPractice::full_;

TEST_F(DemoPractice, HoldsThePromisedSizesAndSummarisesThemTruly) {
  const DemoSummary& s = full_->run.summary;
  const auto patients = all<PatientRecord>(full_->run.snapshot, kPatientFile);
  std::set<std::uint32_t> households;
  for (const PatientRecord& p : patients) households.insert(p.addressId());
  EXPECT_EQ(households.count(0), 0u) << "a patient without a household";
  EXPECT_GE(s.patients, 3000);
  EXPECT_EQ((std::vector<int>{s.households, s.providers, s.operatories, s.undated}),
            (std::vector<int>{1200, 5, 6, 40}));
  const auto n = [](const auto& c) { return static_cast<int>(c.size()); };
  EXPECT_EQ((std::vector<int>{n(patients), n(households), n(resources(rec::kKindProvider)),
                              n(resources(rec::kKindOperatory)), n(appointments(true)),
                              n(appointments(false))}),
            (std::vector<int>{s.patients, s.households, s.providers, s.operatories, s.appointments,
                              s.undated}))
      << "the summary must tell what was stored";
  for (const AppointmentRecord& a : appointments(false)) {
    EXPECT_EQ(a.unscheduledMarker(), 1) << "undated but not on the Unscheduled list";
    EXPECT_EQ(a.operatoryCode(), "");
    EXPECT_NE(a.patientId(), 0u);
  }
}

TEST_F(DemoPractice, AppointmentsLieOnOpenDaysWithinTheHoursAndAreNeverBookedTwice) {
  std::set<std::string> active;
  for (const ProviderRecord& p : resources(rec::kKindProvider)) {
    if (p.leftOut() == 0) active.insert(p.code());
  }
  // The default hours of each resource, and the days the office is closed and provider days
  // off from the week records.
  std::map<std::string, RscUseRecord> hours;
  std::set<std::pair<std::string, PackedDate>> offDays;
  for (const RscUseRecord& r : all<RscUseRecord>(full_->run.snapshot, kRscUseFile)) {
    if (r.week() == 0 && r.kind() <= RscUseRecord::kProvider) hours[r.code()] = r;
    for (std::size_t day = 0; r.week() != 0 && day < RscUseRecord::kDays; ++day) {
      if (r.dayState(day) >= RscUseRecord::kDayClosed) {
        offDays.insert({r.code(), r.week() + static_cast<PackedDate>(day)});
      }
    }
  }
  EXPECT_EQ(offDays.size(), 4u) << "one closed day and three vacation days";
  ASSERT_EQ(hours.count("-PR-"), 1u);
  std::map<std::tuple<PackedDate, std::string, int>, std::uint32_t> taken;  // by 5-minute unit
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
    for (const std::string& whose : {std::string("-PR-"), a.providerCode()}) {
      ASSERT_EQ(hours.count(whose), 1u) << whose;
      bool inside = false;
      for (std::size_t p = 0; p < RscUseRecord::kPeriods; ++p) {
        const std::uint16_t from = hours[whose].defaultStart(day, p);
        inside |= from != RscUseRecord::kNoTime && start >= from &&
                  end <= hours[whose].defaultEnd(day, p);
      }
      EXPECT_TRUE(inside) << whose << " weekday " << day + 1 << " unit " << start << "-" << end;
    }
    for (int unit = start; unit < end; ++unit) {
      for (const std::string& who : {"op " + a.operatoryCode(), "prov " + a.providerCode()}) {
        const std::uint32_t other = taken[{a.date(), who, unit}];
        EXPECT_EQ(other, 0u) << who << " unit " << unit << " also holds appointment " << other;
        taken[{a.date(), who, unit}] = a.identifier();
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

TEST_F(SmallDemo, SameSeedWritesTheSameBytesAndASecondDemoRefusesChangingNothing) {
  const DemoRun one = runDemo(dir_.file("one"), smallOptions(11));
  const DemoRun two = runDemo(dir_.file("two"), smallOptions(11));
  ASSERT_EQ(one.result, 0) << one.why;
  ASSERT_EQ(two.result, 0) << two.why;
  for (const int file : kDemoFiles) EXPECT_FALSE(one.snapshot.at(file).empty()) << file;
  EXPECT_TRUE(one.snapshot == two.snapshot) << "the same seed wrote other bytes";

  ASSERT_EQ(QDB_InitDataBase(dir_.file("one").c_str()), 1);
  DemoSummary summary;
  std::string why;
  EXPECT_EQ(makeDemoPractice(smallOptions(3), &summary, &why), kDemoNotEmpty);
  EXPECT_NE(why.find("patients"), std::string::npos) << why;
  EXPECT_EQ(summary.patients, 0);
  EXPECT_TRUE(readAll() == one.snapshot);
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
  EXPECT_EQ(
      std::count_if(summary.notes.begin(), summary.notes.end(),
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
