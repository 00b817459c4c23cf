// The demo practice against a real database: what it writes is read back through the engine and
// checked against the practice it promises (sizes, households, hours, no double booking, the
// Unscheduled list); a second run of the same seed must write the same bytes, and a second demo
// into the same database must refuse.

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
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/definition_record.h"
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

// A Sunday a few days before Christmas: the 60 days hold Christmas and New Year's Day, which
// must stay free, and Thanksgiving, which is an ordinary working day here.
const PackedDate kToday = QRX_DateIn(2026, 12, 20);

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

constexpr int kDemoFiles[] = {kResourceFile,   kAppointmentFile, kPatientFile,
                              kDefinitionFile, kAddressFile,     kRscUseFile};

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

DemoOptions defaultOptions() {
  DemoOptions o;
  o.today = kToday;
  return o;
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

std::string hoursText(std::uint16_t start, std::uint16_t end) {
  return std::to_string(start) + "-" + std::to_string(end);
}

// One full demo, shared by the tests that only read it.
class DemoPractice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    profileEnv_ = std::make_unique<ScopedEnv>("VANTREL_PROFILE");
    dir_ = std::make_unique<TempDir>("vantrel-demo");
    profileEnv_->set(dir_->file("VANTREL.INI"));
    run_ = std::make_unique<DemoRun>(runDemo(dir_->file("data"), defaultOptions()));
  }
  static void TearDownTestSuite() {
    QDB_CloseDataBase();
    run_.reset();
    dir_.reset();
    profileEnv_.reset();
  }
  void SetUp() override { ASSERT_EQ(run_->result, 0) << run_->why; }

  static const Snapshot& db() { return run_->snapshot; }
  static std::vector<AppointmentRecord> appointments() {
    return db().all<AppointmentRecord>(kAppointmentFile);
  }
  static std::vector<AppointmentRecord> dated() {
    std::vector<AppointmentRecord> out;
    for (const AppointmentRecord& a : appointments()) {
      if (a.date() != kNoDate) out.push_back(a);
    }
    return out;
  }
  static std::map<std::uint32_t, PatientRecord> patientsById() {
    std::map<std::uint32_t, PatientRecord> out;
    for (const PatientRecord& p : db().all<PatientRecord>(kPatientFile)) out[p.identifier()] = p;
    return out;
  }
  static std::map<std::uint32_t, AddressRecord> addressesById() {
    std::map<std::uint32_t, AddressRecord> out;
    for (const AddressRecord& a : db().all<AddressRecord>(kAddressFile)) out[a.identifier()] = a;
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
  static std::vector<DefinitionRecord> definitions(std::uint8_t kind) {
    std::vector<DefinitionRecord> out;
    for (const DefinitionRecord& d : db().all<DefinitionRecord>(kDefinitionFile)) {
      if (d.kind() == kind) out.push_back(d);
    }
    return out;
  }

  static std::unique_ptr<ScopedEnv> profileEnv_;
  static std::unique_ptr<TempDir> dir_;
  static std::unique_ptr<DemoRun> run_;
};

std::unique_ptr<ScopedEnv> DemoPractice::profileEnv_;
std::unique_ptr<TempDir> DemoPractice::dir_;
std::unique_ptr<DemoRun> DemoPractice::run_;

// The checks of the full demo. They are grouped into a few tests below because CTest runs every
// test as a process of its own, and each process builds the demo once.
struct FullDemo : DemoPractice {
  static void summaryCountsWhatIsInTheFiles();
  static void holdsThreeThousandPatientsInTwelveHundredHouseholds();
  static void everyHouseholdHasOneGuarantorWhoseIdentifierIsTheFamily();
  static void birthDatesFitTheRelations();
  static void patientsCoverEveryStatusAndTheRarerFields();
  static void practiceRecordAndScheduleAreThoseOfAWeekdayPractice();
  static void fiveProvidersOneInactiveEachWithASchedule();
  static void sixOperatoriesWithDescriptionsAndAssignments();
  static void definitionsGiveStatusesTypesAndSomeFlagLabels();
  static void appointmentsLieOnOpenDaysWithinPracticeAndProviderHours();
  static void noOperatoryOrProviderIsBookedTwiceAtOnce();
  static void weekdaysCarryABusyButNotFullDay();
  static void statusesAndScheduleKindsFollowTheDate();
  static void appointmentNameAndPhoneComeFromThePatientOrTheNewPersonsAddress();
  static void undatedAppointmentsAreWellFormedAndOnTheUnscheduledList();
};

// ---------------------------------------------------------------------------------------------
// Sizes and the summary

void FullDemo::summaryCountsWhatIsInTheFiles() {
  const DemoSummary& s = run_->summary;
  EXPECT_EQ(s.patients, static_cast<int>(db().files.at(kPatientFile).size()));
  EXPECT_EQ(s.appointments + s.undated, static_cast<int>(db().files.at(kAppointmentFile).size()));
  EXPECT_EQ(s.appointments, static_cast<int>(dated().size()));
  EXPECT_EQ(s.providers, static_cast<int>(resources(rec::kKindProvider).size()));
  EXPECT_EQ(s.operatories, static_cast<int>(resources(rec::kKindOperatory).size()));
  EXPECT_EQ(s.staff, static_cast<int>(resources(rec::kKindStaff).size()));
  int newPeople = 0;
  for (const AppointmentRecord& a : dated()) newPeople += a.patientId() == 0 ? 1 : 0;
  EXPECT_EQ(s.newPersonAppointments, newPeople);
  EXPECT_EQ(s.users, 2);
}

void FullDemo::holdsThreeThousandPatientsInTwelveHundredHouseholds() {
  const auto patients = db().all<PatientRecord>(kPatientFile);
  EXPECT_GE(patients.size(), 3000u);
  std::set<std::uint32_t> households;
  for (const PatientRecord& p : patients) households.insert(p.addressId());
  EXPECT_EQ(households.size(), 1200u);
  EXPECT_EQ(run_->summary.households, 1200);
  EXPECT_EQ(households.count(0), 0u) << "a patient without a household";
}

// ---------------------------------------------------------------------------------------------
// Households and patients

void FullDemo::everyHouseholdHasOneGuarantorWhoseIdentifierIsTheFamily() {
  std::map<std::uint32_t, std::vector<PatientRecord>> byAddress;
  for (const PatientRecord& p : db().all<PatientRecord>(kPatientFile)) {
    byAddress[p.addressId()].push_back(p);
  }
  const auto addresses = addressesById();
  for (const auto& [address, members] : byAddress) {
    std::vector<PatientRecord> guarantors;
    for (const PatientRecord& p : members) {
      if (p.guarantorFlag()) guarantors.push_back(p);
    }
    ASSERT_EQ(guarantors.size(), 1u) << "household " << address;
    const PatientRecord& g = guarantors.front();
    EXPECT_EQ(g.guarantorId(), g.identifier());
    EXPECT_EQ(g.relation(), PatientRecord::kSingle);
    EXPECT_TRUE(g.selectionFlag());
    int spouses = 0;
    for (const PatientRecord& p : members) {
      EXPECT_EQ(p.familyId(), g.identifier()) << p.lastName() << ", " << p.firstName();
      EXPECT_EQ(p.guarantorId(), g.identifier());
      EXPECT_EQ(p.lastName(), g.lastName());
      EXPECT_EQ(p.phonePrivate(), g.phonePrivate());
      if (p.identifier() != g.identifier()) {
        EXPECT_TRUE(p.relation() == PatientRecord::kSpouse ||
                    p.relation() == PatientRecord::kChild);
        EXPECT_FALSE(p.guarantorFlag());
      }
      spouses += p.relation() == PatientRecord::kSpouse ? 1 : 0;
    }
    EXPECT_LE(spouses, 1) << "household " << address;
    ASSERT_EQ(addresses.count(address), 1u) << "household " << address << " has no address";
    const AddressRecord& a = addresses.at(address);
    EXPECT_EQ(a.phone().size(), 10u) << a.phone();
    EXPECT_FALSE(a.street1().empty());
    EXPECT_FALSE(a.city().empty());
    EXPECT_EQ(a.state(), "WA");
    EXPECT_EQ(a.zip().size(), 5u);
  }
}

void FullDemo::birthDatesFitTheRelations() {
  const auto patients = patientsById();
  for (const auto& [id, p] : patients) {
    ASSERT_LT(p.birthDate(), kToday) << id;
    ASSERT_GT(p.birthDate(), kToday - 100 * 366) << id;
    const PatientRecord& g = patients.at(p.guarantorId());
    if (p.relation() == PatientRecord::kChild) {
      // Born when the guarantor was at least 18 (a few days' slack for leap days), and not an
      // adult of more than 25.
      EXPECT_GT(p.birthDate(), g.birthDate() + 18 * 365 - 10)
          << p.firstName() << " " << p.lastName();
      EXPECT_GT(p.birthDate(), kToday - 26 * 366) << p.firstName() << " " << p.lastName();
    }
    if (p.relation() == PatientRecord::kSpouse || p.guarantorFlag()) {
      EXPECT_LT(p.birthDate(), kToday - 18 * 365) << "a minor as spouse or guarantor";
    }
  }
}

void FullDemo::patientsCoverEveryStatusAndTheRarerFields() {
  std::map<int, int> statuses;
  int titled = 0, alerts = 0, privatePhones = 0, ssns = 0, charts = 0;
  std::set<std::string> chartNumbers;
  for (const PatientRecord& p : db().all<PatientRecord>(kPatientFile)) {
    ++statuses[p.status()];
    titled += p.title().empty() ? 0 : 1;
    alerts += p.hasMedicalAlerts() ? 1 : 0;
    privatePhones += p.phonePrivate() ? 1 : 0;
    if (!p.ssn().empty()) {
      ++ssns;
      EXPECT_EQ(p.ssn().size(), 9u);
      EXPECT_EQ(p.ssn().find_first_not_of("0123456789"), std::string::npos);
    }
    if (!p.chartNumber().empty()) ++charts;
    EXPECT_TRUE(chartNumbers.insert(p.chartNumber()).second) << "chart " << p.chartNumber();
    EXPECT_FALSE(p.providerCode().empty());
  }
  for (const int status : {1, 2, 3, 4}) EXPECT_GT(statuses[status], 0) << "status " << status;
  EXPECT_EQ(statuses.size(), 4u);
  EXPECT_GT(statuses[1], 2400) << "most should be patients";
  EXPECT_GT(titled, 0);
  EXPECT_GT(alerts, 0);
  EXPECT_GT(privatePhones, 0);
  EXPECT_GT(ssns, 0);
  EXPECT_EQ(charts, run_->summary.patients);
}

// ---------------------------------------------------------------------------------------------
// Practice, providers, operatories, definitions

void FullDemo::practiceRecordAndScheduleAreThoseOfAWeekdayPractice() {
  const auto all = db().all<PracticeRecord>(kResourceFile);
  const auto practice = std::find_if(all.begin(), all.end(), [](const PracticeRecord& r) {
    return r.kind() == rec::kKindPractice && r.code() == "-PR-";
  });
  ASSERT_NE(practice, all.end());
  EXPECT_FALSE(practice->name().empty());
  EXPECT_FALSE(practice->city().empty());
  EXPECT_EQ(practice->state(), "WA");
  EXPECT_EQ(practice->zip().size(), 5u);
  EXPECT_EQ(practice->keyTail(), 0u) << "the practice is found with four zero bytes";

  const std::optional<RscUseRecord> s = schedule(RscUseRecord::kPractice, "-PR-");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->timeBlockCode(), 2);
  EXPECT_EQ(s->defaultStart(0, 0), RscUseRecord::kNoTime) << "Sunday is closed";
  for (std::size_t day = 1; day <= 5; ++day) {
    EXPECT_EQ(hoursText(s->defaultStart(day, 0), s->defaultEnd(day, 0)), "96-144") << day;
    EXPECT_EQ(hoursText(s->defaultStart(day, 1), s->defaultEnd(day, 1)), "156-204") << day;
    EXPECT_EQ(s->defaultStart(day, 2), RscUseRecord::kNoTime) << day;
  }
  EXPECT_EQ(hoursText(s->defaultStart(6, 0), s->defaultEnd(6, 0)), "96-144");
  EXPECT_EQ(s->defaultStart(6, 1), RscUseRecord::kNoTime);
  std::set<std::pair<int, int>> holidays;
  for (std::size_t i = 0; i < RscUseRecord::kHolidayCount; ++i) {
    const HolidayEntry h = s->holiday(i);
    if (h.kind == 0) continue;
    EXPECT_TRUE(h.isYearly());
    EXPECT_EQ(h.kind, 2);
    holidays.insert({h.month, h.day});
  }
  EXPECT_EQ(holidays, (std::set<std::pair<int, int>>{{1, 1}, {7, 4}, {12, 25}}));
}

void FullDemo::fiveProvidersOneInactiveEachWithASchedule() {
  const auto providers = resources(rec::kKindProvider);
  ASSERT_EQ(providers.size(), 5u);
  int inactive = 0;
  for (const ProviderRecord& p : providers) {
    inactive += p.leftOut() != 0 ? 1 : 0;
    EXPECT_EQ(p.code().size(), 4u);
    EXPECT_FALSE(p.lastName().empty());
    EXPECT_FALSE(p.firstName().empty());
    const std::optional<RscUseRecord> s = schedule(RscUseRecord::kProvider, p.code());
    ASSERT_TRUE(s.has_value()) << p.code();
    EXPECT_NE(s->colour(), 0u);
    EXPECT_EQ(s->blockName(0), "");
    EXPECT_EQ(s->blockStart(1, 0), RscUseRecord::kNoTime) << "no time blocks";
    const std::optional<RscUseRecord> practice = schedule(RscUseRecord::kPractice, "-PR-");
    ASSERT_TRUE(practice.has_value());
    for (std::size_t day = 0; day < 7; ++day) {
      if (s->defaultStart(day, 0) == RscUseRecord::kNoTime) continue;
      EXPECT_NE(practice->defaultStart(day, 0), RscUseRecord::kNoTime)
          << p.code() << " works on a day the practice is closed";
    }
  }
  EXPECT_EQ(inactive, 1);
  EXPECT_EQ(resources(rec::kKindStaff).size(), 2u);
}

void FullDemo::sixOperatoriesWithDescriptionsAndAssignments() {
  std::vector<std::string> codes;
  std::set<int> numbers;
  for (const ProviderRecord& r : resources(rec::kKindOperatory)) {
    OperatoryRecord op;
    ASSERT_TRUE(op.load(r.bytes().data(), r.bytes().size()));
    codes.push_back(op.code());
    EXPECT_FALSE(op.description().empty());
    numbers.insert(op.assignmentNumber());
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"OP1 ", "OP2 ", "OP3 ", "OP4 ", "OP5 ", "OP6 "}));
  EXPECT_EQ(numbers.size(), 6u);
  for (const ProviderRecord& p : resources(rec::kKindProvider)) {
    bool any = false;
    for (const int n : numbers) any = any || p.operatoryAssigned(static_cast<std::size_t>(n));
    EXPECT_TRUE(any) << p.code() << " has no operatory";
  }
}

void FullDemo::definitionsGiveStatusesTypesAndSomeFlagLabels() {
  const auto statuses = definitions(DefinitionRecord::kApptStatus);
  ASSERT_GE(statuses.size(), 5u);
  std::set<std::string> names;
  for (const DefinitionRecord& d : statuses) {
    EXPECT_GE(d.number(), 1);
    EXPECT_LE(d.number(), 14);
    EXPECT_FALSE(d.statusName().empty());
    EXPECT_LE(d.statusName().size(), 7u);
    const char c = d.statusColourCode();
    EXPECT_TRUE(c == '1' || c == '2' || c == '3' || c == 'x') << d.statusName();
    if (c == 'x') {
      EXPECT_FALSE(d.statusColourText().empty()) << d.statusName();
    }
    names.insert(d.statusName());
  }
  for (const char* expected : {"Here", "Seated", "Ready", "Conf"}) {
    EXPECT_EQ(names.count(expected), 1u) << expected;
  }

  const auto types = definitions(DefinitionRecord::kApptType);
  ASSERT_GE(types.size(), 7u);
  for (std::size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(types[i].number(), i + 1) << "types are numbered from 1 without gaps";
    EXPECT_FALSE(types[i].text().empty());
  }

  const auto flags = definitions(DefinitionRecord::kFlagLabel);
  EXPECT_GE(flags.size(), 6u);
  EXPECT_LT(flags.size(), 12u) << "a few boxes stay without a label";
  for (const DefinitionRecord& d : flags) {
    EXPECT_GE(d.number(), 1);
    EXPECT_LE(d.number(), 12);
    EXPECT_FALSE(d.text().empty());
    EXPECT_LE(d.text().size(), 20u);
  }
}

// ---------------------------------------------------------------------------------------------
// Dated appointments

void FullDemo::appointmentsLieOnOpenDaysWithinPracticeAndProviderHours() {
  const std::optional<RscUseRecord> practice = schedule(RscUseRecord::kPractice, "-PR-");
  ASSERT_TRUE(practice.has_value());
  std::set<std::string> active;
  for (const ProviderRecord& p : resources(rec::kKindProvider)) {
    if (p.leftOut() == 0) active.insert(p.code());
  }
  const auto appointmentList = dated();
  ASSERT_FALSE(appointmentList.empty());
  for (const AppointmentRecord& a : appointmentList) {
    SCOPED_TRACE("appointment " + std::to_string(a.identifier()));
    ASSERT_GE(a.date(), kToday - 30);
    ASSERT_LT(a.date(), kToday + 30);
    std::int16_t y = 0, m = 0, d = 0;
    ASSERT_EQ(QRX_DateOut(a.date(), &y, &m, &d), 1);
    for (std::size_t i = 0; i < RscUseRecord::kHolidayCount; ++i) {
      const HolidayEntry h = practice->holiday(i);
      EXPECT_FALSE(h.isYearly() && h.month == m && h.day == d) << "on a holiday";
    }
    EXPECT_EQ(a.unscheduledMarker(), 0);
    EXPECT_EQ(a.listDate(), kNoDate);
    EXPECT_EQ(a.operatoryKind(), rec::kKindOperatory);
    EXPECT_EQ(a.providerKind(), rec::kKindProvider);
    EXPECT_EQ(active.count(a.providerCode()), 1u) << a.providerCode() << " is not active";
    EXPECT_EQ(a.unitSize(), 2);
    EXPECT_EQ(a.startSlot(), AppointmentRecord::startSlotFor(a.startHour(), a.startMinute(), 2));
    EXPECT_EQ(a.startMinute() % 10, 0);
    EXPECT_EQ(a.length() % 10, 0);
    EXPECT_GE(a.length(), 20);
    EXPECT_LE(a.length(), 90);
    EXPECT_FALSE(a.description().empty());
    EXPECT_NE(a.type(), 0);

    const int start = a.startHour() * 12 + a.startMinute() / 5;
    const int end = start + a.length() / 5;
    const auto day = static_cast<std::size_t>(QRX_WeekDayOf(a.date()) - 1);
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

void FullDemo::noOperatoryOrProviderIsBookedTwiceAtOnce() {
  struct Span {
    int start;
    int end;
    std::uint32_t id;
  };
  std::map<std::pair<PackedDate, std::string>, std::vector<Span>> byOperatory, byProvider;
  for (const AppointmentRecord& a : dated()) {
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

void FullDemo::weekdaysCarryABusyButNotFullDay() {
  std::map<PackedDate, int> perDay;
  for (const AppointmentRecord& a : dated()) ++perDay[a.date()];
  int weekdays = 0, total = 0;
  for (const auto& [date, count] : perDay) {
    const int weekDay = QRX_WeekDayOf(date);
    ASSERT_NE(weekDay, 1) << "an appointment on a Sunday";
    if (weekDay == 7) {
      EXPECT_LE(count, 12) << "Saturday " << date;
      continue;
    }
    ++weekdays;
    total += count;
    EXPECT_GE(count, 10) << date;
    EXPECT_LE(count, 25) << date;
  }
  // 60 days hold 42 or 43 weekdays; Christmas and New Year's Day fall on two of them in 2026.
  EXPECT_GE(weekdays, 40);
  EXPECT_GE(total, 15 * weekdays);
}

void FullDemo::statusesAndScheduleKindsFollowTheDate() {
  int past = 0, pastDone = 0, future = 0, futureOpen = 0;
  std::map<int, int> kinds;
  for (const AppointmentRecord& a : dated()) {
    ++kinds[a.scheduleKind()];
    if (a.date() < kToday) {
      ++past;
      pastDone += a.status() == AppointmentRecord::kStatusComplete ||
                  a.status() == AppointmentRecord::kStatusBroken;
    } else if (a.date() > kToday) {
      ++future;
      futureOpen += a.status() == 0 ? 1 : 0;
      EXPECT_NE(a.status(), AppointmentRecord::kStatusComplete) << "completed in the future";
      EXPECT_NE(a.status(), AppointmentRecord::kStatusBroken) << "broken in the future";
      EXPECT_LT(a.status(), 15);
    }
  }
  ASSERT_GT(past, 0);
  ASSERT_GT(future, 0);
  EXPECT_GT(pastDone * 10, past * 8) << pastDone << " of " << past;
  EXPECT_GT(futureOpen * 2, future) << futureOpen << " of " << future;
  EXPECT_GT(kinds[AppointmentRecord::kFixed], kinds[AppointmentRecord::kOpen]);
  EXPECT_GT(kinds[AppointmentRecord::kOpen], 0);
  EXPECT_GT(kinds[AppointmentRecord::kAsap], 0);
  EXPECT_EQ(kinds.size(), 3u);
}

void FullDemo::appointmentNameAndPhoneComeFromThePatientOrTheNewPersonsAddress() {
  const auto patients = patientsById();
  const auto addresses = addressesById();
  int newPeople = 0;
  for (const AppointmentRecord& a : appointments()) {
    SCOPED_TRACE("appointment " + std::to_string(a.identifier()));
    if (a.patientId() == 0) {
      ++newPeople;
      ASSERT_EQ(addresses.count(a.addressId()), 1u);
      EXPECT_EQ(a.phone(), addresses.at(a.addressId()).phone());
      EXPECT_FALSE(a.name().empty());
      continue;
    }
    ASSERT_EQ(patients.count(a.patientId()), 1u);
    const PatientRecord& p = patients.at(a.patientId());
    EXPECT_EQ(p.status(), PatientRecord::kPatient) << "booked someone who is not a patient";
    char name[32];
    QRX_PackName(name, sizeof name, p.lastName(), p.firstName(), p.middleInitial(), 31);
    EXPECT_EQ(a.name(), name);
    EXPECT_EQ(a.phone(), addresses.at(p.addressId()).phone());
    EXPECT_EQ(a.addressId(), 0u);
  }
  EXPECT_GT(newPeople, 0);
}

// ---------------------------------------------------------------------------------------------
// The Unscheduled list

void FullDemo::undatedAppointmentsAreWellFormedAndOnTheUnscheduledList() {
  std::vector<AppointmentRecord> undated;
  for (const AppointmentRecord& a : appointments()) {
    if (a.date() == kNoDate) undated.push_back(a);
  }
  EXPECT_EQ(undated.size(), 40u);
  for (const AppointmentRecord& a : undated) {
    SCOPED_TRACE("appointment " + std::to_string(a.identifier()));
    EXPECT_EQ(a.unscheduledMarker(), 1);
    EXPECT_EQ(a.operatoryKind(), 0);
    EXPECT_EQ(a.operatoryCode(), "");
    EXPECT_EQ(a.status(), AppointmentRecord::kStatusWillCall);
    EXPECT_EQ(a.startSlot(), 0);
    EXPECT_EQ(a.startHour(), 0);
    EXPECT_EQ(a.startMinute(), 0);
    EXPECT_GE(a.listDate(), kToday - 60);
    EXPECT_LT(a.listDate(), kToday);
    EXPECT_EQ(a.providerKind(), rec::kKindProvider);
    EXPECT_NE(a.patientId(), 0u);
  }
}

// ---------------------------------------------------------------------------------------------
// The full demo's tests

TEST_F(DemoPractice, HoldsThePromisedSizesAndSummarisesThemTruly) {
  FullDemo::summaryCountsWhatIsInTheFiles();
  FullDemo::holdsThreeThousandPatientsInTwelveHundredHouseholds();
  FullDemo::fiveProvidersOneInactiveEachWithASchedule();
  FullDemo::sixOperatoriesWithDescriptionsAndAssignments();
}

TEST_F(DemoPractice, HouseholdsAreWholeFamiliesOfVariedPatients) {
  FullDemo::everyHouseholdHasOneGuarantorWhoseIdentifierIsTheFamily();
  FullDemo::birthDatesFitTheRelations();
  FullDemo::patientsCoverEveryStatusAndTheRarerFields();
}

TEST_F(DemoPractice, PracticeScheduleAndDefinitionsAreSetUp) {
  FullDemo::practiceRecordAndScheduleAreThoseOfAWeekdayPractice();
  FullDemo::definitionsGiveStatusesTypesAndSomeFlagLabels();
}

TEST_F(DemoPractice, DatedAppointmentsKeepTheHoursAndNeverDoubleBook) {
  FullDemo::appointmentsLieOnOpenDaysWithinPracticeAndProviderHours();
  FullDemo::noOperatoryOrProviderIsBookedTwiceAtOnce();
  FullDemo::weekdaysCarryABusyButNotFullDay();
}

TEST_F(DemoPractice, AppointmentsCarryFittingStatusesNamesAndPhones) {
  FullDemo::statusesAndScheduleKindsFollowTheDate();
  FullDemo::appointmentNameAndPhoneComeFromThePatientOrTheNewPersonsAddress();
  FullDemo::undatedAppointmentsAreWellFormedAndOnTheUnscheduledList();
}

// ---------------------------------------------------------------------------------------------
// Repeats, refusals, failures and users, on small practices: they behave alike at any size.

class SmallDemo : public ::testing::Test {
 protected:
  void SetUp() override { profileEnv_.set(dir_.file("VANTREL.INI")); }
  void TearDown() override { QDB_CloseDataBase(); }

  TempDir dir_{"vantrel-demo-small"};
  ScopedEnv profileEnv_{"VANTREL_PROFILE"};
};

TEST_F(SmallDemo, SameSeedWritesTheSameBytes) {
  const DemoRun one = runDemo(dir_.file("one"), smallOptions(11));
  const DemoRun two = runDemo(dir_.file("two"), smallOptions(11));
  ASSERT_EQ(one.result, 0) << one.why;
  ASSERT_EQ(two.result, 0) << two.why;
  for (const int file : kDemoFiles) {
    const auto& a = one.snapshot.files.at(file);
    const auto& b = two.snapshot.files.at(file);
    ASSERT_FALSE(a.empty()) << "file " << file;
    ASSERT_EQ(a.size(), b.size()) << "file " << file;
    for (std::size_t i = 0; i < a.size(); ++i) {
      ASSERT_EQ(a[i], b[i]) << "file " << file << ", record " << i;
    }
  }
}

TEST_F(SmallDemo, DifferentSeedsGiveDifferentPatientsInTheSamePractice) {
  const DemoRun one = runDemo(dir_.file("one"), smallOptions(7));
  const DemoRun two = runDemo(dir_.file("two"), smallOptions(8));
  ASSERT_EQ(one.result, 0) << one.why;
  ASSERT_EQ(two.result, 0) << two.why;
  EXPECT_NE(one.snapshot.files.at(kPatientFile), two.snapshot.files.at(kPatientFile));
  EXPECT_NE(one.snapshot.files.at(kAppointmentFile), two.snapshot.files.at(kAppointmentFile));
  // The practice itself does not depend on the seed.
  EXPECT_EQ(one.snapshot.files.at(kResourceFile), two.snapshot.files.at(kResourceFile));
}

TEST_F(SmallDemo, SecondDemoRefusesAndChangesNothing) {
  const DemoRun first = runDemo(dir_.file("data"), smallOptions(2));
  ASSERT_EQ(first.result, 0) << first.why;
  ASSERT_EQ(QDB_InitDataBase(dir_.file("data").c_str()), 1);
  DemoSummary summary;
  std::string why;
  EXPECT_EQ(makeDemoPractice(smallOptions(3), &summary, &why), kDemoNotEmpty);
  EXPECT_NE(why.find("patients"), std::string::npos) << why;
  EXPECT_NE(why.find("appointments"), std::string::npos) << why;
  EXPECT_EQ(summary.patients, 0);
  EXPECT_EQ(readAll().files, first.snapshot.files);
}

TEST_F(SmallDemo, DemoUsersSignOnWithTheirRights) {
  DemoOptions options = smallOptions(4);
  options.addUsers = true;
  const DemoRun run = runDemo(dir_.file("data"), options);
  ASSERT_EQ(run.result, 0) << run.why;
  EXPECT_EQ(run.summary.users, 2);
  ASSERT_EQ(QDB_InitDataBase(dir_.file("data").c_str()), 1);
  EXPECT_EQ(QRX_SignOn("admin", "admin123"), 1);
  const UserId admin = QRX_GetLoggedInUserID();
  for (const int right :
       {1, kRightPurgeAppointments, kRightPracticeSetup, kRightProviderSetup, kHighestRight}) {
    EXPECT_NE(QRX_CheckUserRights(admin, right), 0) << "admin, right " << right;
  }
  EXPECT_EQ(QRX_SignOn("frontdesk", "wrong-password"), 0);
  EXPECT_EQ(QRX_SignOn("frontdesk", "desk123"), 1);
  const UserId desk = QRX_GetLoggedInUserID();
  EXPECT_NE(desk, admin);
  for (const int right : {kRightPurgeAppointments, kRightPracticeSetup, kRightProviderSetup}) {
    EXPECT_EQ(QRX_CheckUserRights(desk, right), 0) << "front desk, right " << right;
  }
  for (const int right : {kRightRunAppointmentList, kRightNewAppointment, kRightEditAppointment,
                          kRightBreakAppointment, kHighestRight}) {
    EXPECT_NE(QRX_CheckUserRights(desk, right), 0) << "front desk, right " << right;
  }
  QRX_SignOff();
}

TEST_F(SmallDemo, FailedPlacementIsReportedAndTheNextDemoRefuses) {
  ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
  DemoOptions options = smallOptions(3);
  int calls = 0;
  options.placeAppointment = [&calls](AppointmentRecord&, std::string* why) {
    ++calls;
    if (calls < 5) return 0;
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

TEST_F(SmallDemo, RefusesWithoutADay) {
  ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
  DemoOptions options = smallOptions(1);
  options.today = kNoDate;
  std::string why;
  EXPECT_EQ(makeDemoPractice(options, nullptr, &why), kDemoBadOptions);
  const Snapshot s = readAll();
  QDB_CloseDataBase();
  EXPECT_TRUE(s.files.at(kResourceFile).empty());
}

TEST_F(SmallDemo, ExistingDemoUserIsKeptWithANote) {
  ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
  std::uint32_t id = 0;
  ASSERT_EQ(addUser("admin", "Owner", "owner-secret", {1}, &id), 0);
  DemoOptions options = smallOptions(1);
  options.addUsers = true;
  DemoSummary summary;
  std::string why;
  ASSERT_EQ(makeDemoPractice(options, &summary, &why), 0) << why;
  EXPECT_EQ(summary.users, 1);
  ASSERT_EQ(summary.notes.size(), 1u);
  EXPECT_NE(summary.notes[0].find("admin"), std::string::npos);
  EXPECT_EQ(QRX_SignOn("admin", "owner-secret"), 1) << "the existing password was changed";
  EXPECT_EQ(QRX_SignOn("frontdesk", "desk123"), 1);
  QRX_SignOff();
}

}  // namespace
