// The record layouts: sizes, confined text fields, bytes kept across load and store, and the
// rules that a record keeps itself (an undated appointment, pattern and occupancy bit orders,
// the alias and holiday tables, variable-length notes and audit entries).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/audit_record.h"
#include "data/contcare_records.h"
#include "data/definition_record.h"
#include "data/insurance_records.h"
#include "data/journal_record.h"
#include "data/note_record.h"
#include "data/patient_item_record.h"
#include "data/patient_record.h"
#include "data/print_job_record.h"
#include "data/reason_record.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/station_record.h"
#include "data/user_record.h"

// The sizes other programs of the suite read and write.
static_assert(AppointmentRecord::kSize == 286);
static_assert(PatientRecord::kSize == 558);
static_assert(AddressRecord::kSize == 178);
static_assert(StationRecord::kSize == 108);
static_assert(RscUseRecord::kSize == 662);
static_assert(ContinuingCareRecord::kSize == 60);
static_assert(ContinuingCareTypeRecord::kSize == 92);
static_assert(ContinuingCareViewRecord::kSize == 106);
static_assert(PrintJobRecord::kSize == 1330);
static_assert(JournalRecord::kSize == 163);
// All resource kinds share one file, so they must share one size.
static_assert(PracticeRecord::kSize == ResourceRecord::kSize);
static_assert(ProviderRecord::kSize == ResourceRecord::kSize);
static_assert(OperatoryRecord::kSize == ResourceRecord::kSize);

namespace {

// Never zero and never an ASCII letter, so a stray terminator or character shows.
template <std::size_t N>
std::vector<std::uint8_t> pattern() {
  std::vector<std::uint8_t> b(N);
  for (std::size_t i = 0; i < N; ++i) b[i] = static_cast<std::uint8_t>(0x80 | ((i * 7) & 0x7F));
  return b;
}

template <typename R>
R patterned() {
  R r;
  EXPECT_TRUE(r.load(pattern<R::kSize>()));
  return r;
}

template <typename R>
::testing::AssertionResult patternOutside(const R& r, std::size_t from, std::size_t to) {
  const std::vector<std::uint8_t> b = pattern<R::kSize>();
  for (std::size_t i = 0; i < R::kSize; ++i) {
    if ((i < from || i >= to) && r.bytes()[i] != b[i]) {
      return ::testing::AssertionFailure()
             << "byte " << i << " outside [" << from << ", " << to << ") changed";
    }
  }
  return ::testing::AssertionSuccess();
}

std::string letters(std::size_t n, char first = 'a') {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(first + i % 26);
  return s;
}

// ---------------------------------------------------------------------------------------------
// Text fields: at width - 1, at width and well past it, each setter keeps to its own bytes.

template <typename R>
void expectTextConfined(const char* what, rec::TextField f, bool (R::*set)(std::string_view),
                        std::string (R::*get)() const) {
  SCOPED_TRACE(what);
  ASSERT_GE(f.width, 2u);
  const std::size_t end = f.offset + f.width;

  R full = patterned<R>();
  const std::string fits = letters(f.width - 1);
  EXPECT_TRUE((full.*set)(fits));
  EXPECT_EQ((full.*get)(), fits);
  EXPECT_EQ(full.bytes()[end - 1], 0);
  EXPECT_TRUE(patternOutside(full, f.offset, end));

  for (const std::size_t length : {f.width, f.width + 40}) {
    R over = patterned<R>();
    const std::string tooLong = letters(length, 'A');
    EXPECT_FALSE((over.*set)(tooLong));
    EXPECT_EQ((over.*get)(), tooLong.substr(0, f.width - 1));
    EXPECT_EQ(over.bytes()[end - 1], 0);
    EXPECT_TRUE(patternOutside(over, f.offset, end));
  }

  R shortText = patterned<R>();
  EXPECT_TRUE((shortText.*set)("Q"));
  EXPECT_EQ(shortText.bytes()[f.offset], 'Q');
  for (std::size_t i = f.offset + 1; i < end; ++i) EXPECT_EQ(shortText.bytes()[i], 0) << i;
}

TEST(RecordTextFields, EveryTextFieldCutsAtItsWidthAndSparesItsNeighbours) {
  using A = AppointmentRecord;
  expectTextConfined<A>("appointment name", A::kName, &A::setName, &A::name);
  expectTextConfined<A>("appointment phone", A::kPhone, &A::setPhone, &A::phone);
  expectTextConfined<A>("appointment description", A::kDescription, &A::setDescription,
                        &A::description);
  using P = PatientRecord;
  expectTextConfined<P>("last name", P::kLastName, &P::setLastName, &P::lastName);
  expectTextConfined<P>("first name", P::kFirstName, &P::setFirstName, &P::firstName);
  expectTextConfined<P>("middle initial", P::kMiddleInitial, &P::setMiddleInitial,
                        &P::middleInitial);
  expectTextConfined<P>("preferred name", P::kPreferredName, &P::setPreferredName,
                        &P::preferredName);
  expectTextConfined<P>("chart number", P::kChartNumber, &P::setChartNumber, &P::chartNumber);
  expectTextConfined<P>("ssn", P::kSsn, &P::setSsn, &P::ssn);
  expectTextConfined<P>("title", P::kTitle, &P::setTitle, &P::title);
  using D = AddressRecord;
  expectTextConfined<D>("street 1", D::kStreet1, &D::setStreet1, &D::street1);
  expectTextConfined<D>("city", D::kCity, &D::setCity, &D::city);
  expectTextConfined<D>("state", D::kState, &D::setState, &D::state);
  expectTextConfined<D>("zip", D::kZip, &D::setZip, &D::zip);
  expectTextConfined<D>("household phone", D::kPhone, &D::setPhone, &D::phone);
  expectTextConfined<D>("street 2", D::kStreet2, &D::setStreet2, &D::street2);
  using PR = PracticeRecord;
  expectTextConfined<PR>("practice name", PR::kName, &PR::setName, &PR::name);
  expectTextConfined<PR>("practice city", PR::kCity, &PR::setCity, &PR::city);
  expectTextConfined<PR>("practice zip", PR::kZip, &PR::setZip, &PR::zip);
  expectTextConfined<PR>("practice state", PR::kState, &PR::setState, &PR::state);
  expectTextConfined<PR>("practice street", PR::kStreet, &PR::setStreet, &PR::street);
  expectTextConfined<PR>("practice phone", PR::kPhone, &PR::setPhone, &PR::phone);
  using V = ProviderRecord;
  expectTextConfined<V>("provider last name", V::kLastName, &V::setLastName, &V::lastName);
  expectTextConfined<V>("provider first name", V::kFirstName, &V::setFirstName, &V::firstName);
  expectTextConfined<V>("provider initial", V::kMiddleInitial, &V::setMiddleInitial,
                        &V::middleInitial);
  using O = OperatoryRecord;
  expectTextConfined<O>("operatory", O::kDescription, &O::setDescription, &O::description);
  using F = DefinitionRecord;
  expectTextConfined<F>("definition text", F::kText, &F::setText, &F::text);
  expectTextConfined<F>("status name", F::kStatusName, &F::setStatusName, &F::statusName);
  expectTextConfined<F>("status colour", F::kStatusColourText, &F::setStatusColourText,
                        &F::statusColourText);
  using T = ContinuingCareTypeRecord;
  expectTextConfined<T>("care type name", T::kName, &T::setName, &T::name);
  expectTextConfined<T>("care type description", T::kDescription, &T::setDescription,
                        &T::description);
  using W = ContinuingCareViewRecord;
  expectTextConfined<W>("view name", W::kName, &W::setName, &W::name);
  using J = PrintJobRecord;
  expectTextConfined<J>("report name", J::kReportName, &J::setReportName, &J::reportName);
  expectTextConfined<J>("report description", J::kDescription, &J::setDescription, &J::description);
  using L = JournalRecord;
  expectTextConfined<L>("journal subject", L::kSubject, &L::setSubject, &L::subject);
  expectTextConfined<L>("journal text", L::kText, &L::setText, &L::text);
  using C = ProcedureCodeRecord;
  expectTextConfined<C>("procedure code", C::kCode, &C::setCode, &C::code);
  expectTextConfined<C>("abbreviation", C::kAbbreviation, &C::setAbbreviation, &C::abbreviation);
  expectTextConfined<C>("code description", C::kDescription, &C::setDescription, &C::description);
  using X = PatientProcedureRecord;
  expectTextConfined<X>("surfaces", X::kSurfaces, &X::setSurfaces, &X::surfaces);
  using G = CoverageRecord;
  expectTextConfined<G>("member number", G::kMemberNumber, &G::setMemberNumber, &G::memberNumber);
  expectTextConfined<G>("group number", G::kGroupNumber, &G::setGroupNumber, &G::groupNumber);
  using K = CarrierRecord;
  expectTextConfined<K>("carrier name", K::kName, &K::setName, &K::name);
  expectTextConfined<K>("carrier street", K::kStreet, &K::setStreet, &K::street);
  expectTextConfined<K>("carrier city", K::kCity, &K::setCity, &K::city);
  expectTextConfined<K>("carrier state", K::kState, &K::setState, &K::state);
  expectTextConfined<K>("carrier zip", K::kZip, &K::setZip, &K::zip);
  expectTextConfined<K>("carrier phone", K::kPhone, &K::setPhone, &K::phone);
  using U = UserRecord;
  expectTextConfined<U>("login", U::kLogin, &U::setLogin, &U::login);
  expectTextConfined<U>("full name", U::kFullName, &U::setFullName, &U::fullName);
  expectTextConfined<U>("password hash", U::kPasswordHash, &U::setPasswordHash, &U::passwordHash);
}

TEST(RecordTextFields, BlockNamesKeepToTheirOwnThirteenBytes) {
  for (std::size_t block = 0; block < RscUseRecord::kBlocks; ++block) {
    RscUseRecord r = patterned<RscUseRecord>();
    const std::size_t from = RscUseRecord::kBlockNames.offset + block * 13;
    EXPECT_FALSE(r.setBlockName(block, letters(13)));
    EXPECT_EQ(r.blockName(block), letters(12));
    EXPECT_TRUE(patternOutside(r, from, from + 13)) << block;
  }
  RscUseRecord r;
  EXPECT_FALSE(r.setBlockName(6, "X"));
  EXPECT_EQ(r.blockName(6), "");
}

// ---------------------------------------------------------------------------------------------
// Every fixed record: new = zero; wrong-sized buffers refused; one field changed between load and
// store leaves every other byte as it was read.

template <typename R>
struct Touch;  // apply(R&) changes one field; [from, to) are the bytes it may change

template <>
struct Touch<AppointmentRecord> {
  static void apply(AppointmentRecord& r) { r.setDescription("Recall"); }
  static constexpr std::size_t from = 92, to = 153;
};
template <>
struct Touch<PatientRecord> {
  static void apply(PatientRecord& r) { r.setBrokenCount(3); }
  static constexpr std::size_t from = 254, to = 256;
};
template <>
struct Touch<AddressRecord> {
  static void apply(AddressRecord& r) { r.setPhone("5551234567"); }
  static constexpr std::size_t from = 130, to = 147;
};
template <>
struct Touch<PracticeRecord> {
  static void apply(PracticeRecord& r) { r.setState("OR"); }
  static constexpr std::size_t from = 60, to = 63;
};
template <>
struct Touch<ProviderRecord> {
  static void apply(ProviderRecord& r) { r.setLeftOut(1); }
  static constexpr std::size_t from = 419, to = 420;
};
template <>
struct Touch<OperatoryRecord> {
  static void apply(OperatoryRecord& r) { r.setAssignmentNumber(5); }
  static constexpr std::size_t from = 420, to = 421;
};
template <>
struct Touch<DefinitionRecord> {
  static void apply(DefinitionRecord& r) { r.setKey(7, 3); }
  static constexpr std::size_t from = 0, to = 2;
};
template <>
struct Touch<StationRecord> {
  static void apply(StationRecord& r) { r.setPendingCount(0); }
  static constexpr std::size_t from = 16, to = 17;
};
template <>
struct Touch<RscUseRecord> {
  static void apply(RscUseRecord& r) { r.setOccupancy(6, 287, 1); }
  static constexpr std::size_t from = 18 + 6 * 72 + 71, to = 18 + 7 * 72;
};
template <>
struct Touch<ContinuingCareRecord> {
  static void apply(ContinuingCareRecord& r) { r.setAppointmentId(0); }
  static constexpr std::size_t from = 12, to = 16;
};
template <>
struct Touch<ContinuingCareTypeRecord> {
  static void apply(ContinuingCareTypeRecord& r) { r.setInterval({3, 6}); }
  static constexpr std::size_t from = 58, to = 60;
};
template <>
struct Touch<ContinuingCareViewRecord> {
  static void apply(ContinuingCareViewRecord& r) { r.setRangeTo(0); }
  static constexpr std::size_t from = 61, to = 65;
};
template <>
struct Touch<GuarantorAccountRecord> {
  static void apply(GuarantorAccountRecord& r) { r.setBillingType(4); }
  static constexpr std::size_t from = 6, to = 8;
};
template <>
struct Touch<ProviderCounterRecord> {
  static void apply(ProviderCounterRecord& r) { r.setCount(r.count() + 1); }
  static constexpr std::size_t from = 12, to = 16;
};
template <>
struct Touch<PrintJobRecord> {
  static void apply(PrintJobRecord& r) { r.setCareStation(2); }
  static constexpr std::size_t from = 646, to = 647;
};
template <>
struct Touch<JournalRecord> {
  static void apply(JournalRecord& r) { r.setKind(JournalRecord::kBrokenAppointment); }
  static constexpr std::size_t from = 136, to = 137;
};
template <>
struct Touch<ProcedureCodeRecord> {
  static void apply(ProcedureCodeRecord& r) { r.setCareType(2); }
  static constexpr std::size_t from = 84, to = 86;
};
template <>
struct Touch<PatientProcedureRecord> {
  static void apply(PatientProcedureRecord& r) { r.setAppointmentId(77); }
  static constexpr std::size_t from = 38, to = 42;
};
template <>
struct Touch<FeeRecord> {
  static void apply(FeeRecord& r) { r.setAmount(12500); }
  static constexpr std::size_t from = 12, to = 16;
};
template <>
struct Touch<CoverageRecord> {
  static void apply(CoverageRecord& r) { r.setCarrierId(9); }
  static constexpr std::size_t from = 10, to = 14;
};
template <>
struct Touch<CarrierRecord> {
  static void apply(CarrierRecord& r) { r.setFeeSchedule(2); }
  static constexpr std::size_t from = 47, to = 49;
};
template <>
struct Touch<UserRecord> {
  static void apply(UserRecord& r) { r.setRight(66, true); }
  static constexpr std::size_t from = 60 + 8, to = 60 + 9;
};
template <>
struct Touch<PatientItemRecord> {
  static void apply(PatientItemRecord& r) { r.setPatientId(5); }
  static constexpr std::size_t from = 6, to = 10;
};

template <typename R>
class FixedRecordTest : public ::testing::Test {};

using FixedRecords =
    ::testing::Types<AppointmentRecord, PatientRecord, AddressRecord, PracticeRecord,
                     ProviderRecord, OperatoryRecord, DefinitionRecord, StationRecord, RscUseRecord,
                     ContinuingCareRecord, ContinuingCareTypeRecord, ContinuingCareViewRecord,
                     GuarantorAccountRecord, ProviderCounterRecord, PrintJobRecord, JournalRecord,
                     ProcedureCodeRecord, PatientProcedureRecord, FeeRecord, CoverageRecord,
                     CarrierRecord, UserRecord, PatientItemRecord>;
TYPED_TEST_SUITE(FixedRecordTest, FixedRecords);

TYPED_TEST(FixedRecordTest, NewRecordIsZeroFilledAndExactlyItsSize) {
  const TypeParam r;
  EXPECT_EQ(r.bytes().size(), TypeParam::kSize);
  for (const std::uint8_t b : r.bytes()) ASSERT_EQ(b, 0);
}

TYPED_TEST(FixedRecordTest, RefusesBuffersOfAnyOtherSize) {
  TypeParam r = patterned<TypeParam>();
  for (const std::size_t size :
       {std::size_t{0}, TypeParam::kSize - 1, TypeParam::kSize + 1, TypeParam::kSize * 2}) {
    const std::vector<std::uint8_t> buffer(size, 0x11);
    EXPECT_FALSE(r.load(buffer)) << size;
  }
  EXPECT_TRUE(patternOutside(r, 0, 0));
}

TYPED_TEST(FixedRecordTest, KeepsUnknownBytesFromLoadToStore) {
  TypeParam r = patterned<TypeParam>();
  Touch<TypeParam>::apply(r);
  EXPECT_TRUE(patternOutside(r, Touch<TypeParam>::from, Touch<TypeParam>::to));
  // Stored and read back by another copy: the same bytes.
  TypeParam copy;
  ASSERT_TRUE(copy.load(r.bytes()));
  EXPECT_TRUE(copy.sameBytes(r));
}

// ---------------------------------------------------------------------------------------------
// Little-endian integers, checked on the raw bytes.

struct RawCase {
  const char* what;
  std::vector<std::uint8_t> (*write)();
  std::size_t offset;
  std::vector<std::uint8_t> expected;
};

template <typename R, typename Fn>
std::vector<std::uint8_t> written(Fn fn) {
  R r;
  fn(r);
  return std::vector<std::uint8_t>(r.bytes().begin(), r.bytes().end());
}

TEST(RecordIntegers, AreStoredLowByteFirst) {
  const RawCase cases[] = {
      {"appointment date",
       [] { return written<AppointmentRecord>([](auto& r) { r.schedule(0x00019A2B, "", 0, 0); }); },
       6,
       {0x2B, 0x9A, 0x01, 0x00}},
      {"appointment flags",
       [] { return written<AppointmentRecord>([](auto& r) { r.setFlags(0x0801); }); },
       174,
       {0x01, 0x08}},
      {"appointment reason 19",
       [] { return written<AppointmentRecord>([](auto& r) { r.setReason(19, 0x0A0B0C0D, 1); }); },
       176 + 76,
       {0x0D, 0x0C, 0x0B, 0x0A}},
      {"patient broken count",
       [] { return written<PatientRecord>([](auto& r) { r.setBrokenCount(0x0102); }); },
       254,
       {0x02, 0x01}},
      {"station pending kind 14",
       [] { return written<StationRecord>([](auto& r) { r.setPending(14, 0x11223344, 3); }); },
       78 + 28,
       {0x03, 0x00}},
      {"station pending id 14",
       [] { return written<StationRecord>([](auto& r) { r.setPending(14, 0x11223344, 3); }); },
       18 + 56,
       {0x44, 0x33, 0x22, 0x11}},
      {"week end Saturday period 3",
       [] { return written<RscUseRecord>([](auto& r) { r.setWeekPeriod(6, 2, 1, 0x0120); }); },
       592 + 40,
       {0x20, 0x01}},
      {"practice time block code",
       [] { return written<RscUseRecord>([](auto& r) { r.setTimeBlockCode(3); }); },
       99,
       {0x03, 0x00}},
      {"care due date",
       [] { return written<ContinuingCareRecord>([](auto& r) { r.setDueDate(0x00020304); }); },
       22,
       {0x04, 0x03, 0x02, 0x00}},
      {"print station word",
       [] {
         return written<PrintJobRecord>(
             [](auto& r) { r.setStation(PrintJobRecord::stationWord(3)); });
       },
       6,
       {0x07, 0x03}},
      {"journal seconds of 14:30",
       [] { return written<JournalRecord>([](auto& r) {
              r.setTime({14, 30});
            }); },
       14,
       {0xE8, 0xCB, 0x00, 0x00}},
  };
  for (const RawCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> bytes = c.write();
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(bytes[c.offset + i], c.expected[i]) << "byte " << c.offset + i;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Appointments

TEST(AppointmentRecord, UnscheduleLeavesNoPlaceInTheSchedule) {
  AppointmentRecord a = patterned<AppointmentRecord>();
  const PackedDate listDate = a.listDate();
  const std::uint8_t status = a.status();
  a.unschedule();
  EXPECT_EQ(a.date(), 0u);
  EXPECT_EQ(a.unscheduledMarker(), 1);
  EXPECT_EQ(a.operatoryKind(), 0);
  for (std::size_t i = 11; i < 15; ++i) EXPECT_EQ(a.bytes()[i], 0) << i;
  EXPECT_EQ(a.startSlot(), 0);
  EXPECT_EQ(a.startHour(), 0);
  EXPECT_EQ(a.startMinute(), 0);
  // The list date and the status are the caller's decision.
  EXPECT_EQ(a.listDate(), listDate);
  EXPECT_EQ(a.status(), status);
}

TEST(AppointmentRecord, ScheduleSetsOperatoryKindThreeAndClearsTheUnscheduledMarks) {
  AppointmentRecord a;
  a.unschedule();
  a.setListDate(120000);
  a.setUnitSize(3);
  EXPECT_TRUE(a.schedule(121000, "OP1", 9, 45));
  EXPECT_EQ(a.date(), 121000u);
  EXPECT_EQ(a.unscheduledMarker(), 0);
  EXPECT_EQ(a.listDate(), 0u);
  EXPECT_EQ(a.operatoryKind(), 3);
  EXPECT_EQ(a.operatoryCode(), "OP1 ");
  EXPECT_EQ(a.startSlot(), 39);  // 15-minute slots: 9 × 4 + 3
  EXPECT_EQ(a.startHour(), 9);
  EXPECT_EQ(a.startMinute(), 45);
}

TEST(AppointmentRecord, StartSlotCountsAZeroUnitAsTwo) {
  struct Case {
    std::uint8_t hour, minute, unit, slot;
  };
  const Case cases[] = {
      {9, 30, 0, 57},                    // 10-minute slots
      {9, 30, 2, 57},   {9, 45, 3, 39},  // 15-minute slots
      {21, 15, 1, 255},                  // the last slot a byte holds with 5-minute units
      {23, 55, 1, 31},                   // 287 keeps its low byte
      {13, 20, 4, 40},                   // 20-minute slots
      {17, 59, 6, 35},                   // 30-minute slots, minutes rounded down
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AppointmentRecord::startSlotFor(c.hour, c.minute, c.unit), c.slot)
        << int(c.hour) << ":" << int(c.minute) << " unit " << int(c.unit);
  }
}

TEST(AppointmentRecord, LengthOfThreeHundredMinutesFitsTheSignedField) {
  AppointmentRecord a;
  a.setLength(300);
  EXPECT_EQ(a.length(), 300);
  EXPECT_EQ(a.bytes()[58], 0x2C);
  EXPECT_EQ(a.bytes()[59], 0x01);
  a.setLength(-5);
  EXPECT_EQ(a.length(), -5);
}

TEST(AppointmentRecord, AmountUsesAllThirtyTwoBits) {
  AppointmentRecord a;
  a.setAmount(0xFFFFFFFFu);
  EXPECT_EQ(a.amount(), 0xFFFFFFFFu);
  for (std::size_t i = 60; i < 64; ++i) EXPECT_EQ(a.bytes()[i], 0xFF);
  a.setAmount(0x80000000u);
  EXPECT_EQ(a.amount(), 2147483648u);  // never read as negative
}

TEST(AppointmentRecord, PatternSlotsFillEachByteFromTheHighBits) {
  AppointmentRecord a = patterned<AppointmentRecord>();
  a.setPattern({});
  EXPECT_TRUE(a.setPatternSlot(0, AppointmentRecord::kProviderTime));
  EXPECT_TRUE(a.setPatternSlot(5, 1));
  EXPECT_TRUE(a.setPatternSlot(23, 3));
  EXPECT_EQ(a.bytes()[69], 0x80);
  EXPECT_EQ(a.bytes()[70], 0x10);
  EXPECT_EQ(a.bytes()[74], 0x03);
  EXPECT_EQ(a.patternSlot(0), 2);
  EXPECT_EQ(a.patternSlot(1), 0);
  EXPECT_EQ(a.patternSlot(5), 1);
  EXPECT_EQ(a.patternSlot(23), 3);
  EXPECT_FALSE(a.setPatternSlot(24, 2));
  EXPECT_FALSE(a.setPatternSlot(3, 4));
  EXPECT_EQ(a.patternSlot(24), 0);
  EXPECT_TRUE(patternOutside(a, 69, 75));
}

TEST(AppointmentRecord, StaffAndProviderAreKindAndCode) {
  AppointmentRecord a = patterned<AppointmentRecord>();
  EXPECT_TRUE(a.setProvider("DR1"));
  EXPECT_TRUE(a.setStaff("HY"));
  EXPECT_EQ(a.providerKind(), 1);
  EXPECT_EQ(a.providerCode(), "DR1 ");
  EXPECT_EQ(a.staffKind(), 2);
  EXPECT_EQ(a.staffCode(), "HY  ");
  EXPECT_TRUE(a.setStaff(""));
  EXPECT_EQ(a.staffKind(), 0);
  for (std::size_t i = 257; i < 262; ++i) EXPECT_EQ(a.bytes()[i], 0) << i;
}

TEST(AppointmentRecord, FlagsAreTwelveBitsAndReasonsTwentyEntries) {
  AppointmentRecord a;
  EXPECT_TRUE(a.setFlag(11, true));
  EXPECT_TRUE(a.setFlag(0, true));
  EXPECT_FALSE(a.setFlag(12, true));
  EXPECT_EQ(a.flags(), 0x0801);
  EXPECT_TRUE(a.setFlag(0, false));
  EXPECT_EQ(a.flags(), 0x0800);
  EXPECT_TRUE(a.setReason(19, 44, AppointmentRecord::kReasonPatientProcedure));
  EXPECT_FALSE(a.setReason(20, 45, 0));
  EXPECT_EQ(a.reasonId(19), 44u);
  EXPECT_EQ(a.reasonKind(19), 1);
  EXPECT_EQ(a.bytes()[285], 1);  // the last byte of the record
}

// ---------------------------------------------------------------------------------------------
// Schedule records

TEST(RscUseRecord, OccupancyFillsEachByteFromTheLowBits) {
  std::vector<std::uint8_t> b = pattern<RscUseRecord::kSize>();
  std::fill(b.begin() + 18, b.begin() + 522, std::uint8_t{0});
  RscUseRecord r;
  ASSERT_TRUE(r.load(b));
  EXPECT_TRUE(r.setOccupancy(0, 0, 1));
  EXPECT_TRUE(r.setOccupancy(1, 5, 3));
  EXPECT_TRUE(r.setOccupancy(6, 287, 2));
  EXPECT_EQ(r.bytes()[18], 0x01);
  EXPECT_EQ(r.bytes()[18 + 72 + 1], 0x0C);
  EXPECT_EQ(r.bytes()[18 + 6 * 72 + 71], 0x80);
  EXPECT_EQ(r.occupancy(1, 5), 3);
  EXPECT_EQ(r.occupancy(1, 4), 0);
  EXPECT_EQ(r.occupancy(6, 287), 2);
  EXPECT_TRUE(r.setOccupancy(1, 5, 0));
  EXPECT_TRUE(r.dayMapEmpty(1));
  EXPECT_FALSE(r.dayMapEmpty(6));
  EXPECT_FALSE(r.setOccupancy(7, 0, 1));
  EXPECT_FALSE(r.setOccupancy(0, 288, 1));
  EXPECT_FALSE(r.setOccupancy(0, 1, 4));
  EXPECT_EQ(r.occupancy(0, 288), 0);
  // Nothing outside the maps moved.
  const std::vector<std::uint8_t> original = pattern<RscUseRecord::kSize>();
  for (std::size_t i = 0; i < RscUseRecord::kSize; ++i) {
    if (i < 18 || i >= 522) {
      ASSERT_EQ(r.bytes()[i], original[i]) << i;
    }
  }
}

TEST(RscUseRecord, HoursAreDayMajorWithThreePeriods) {
  RscUseRecord r = patterned<RscUseRecord>();
  EXPECT_TRUE(r.setDefaultPeriod(1, 0, 96, 144));   // Monday 8:00-12:00
  EXPECT_TRUE(r.setDefaultPeriod(1, 1, 156, 204));  // Monday 13:00-17:00
  EXPECT_EQ(r.bytes()[15 + 2 * 3], 96);             // Monday's first start
  EXPECT_EQ(r.bytes()[57 + 2 * 4], 204);            // Monday's second end
  EXPECT_EQ(r.defaultStart(1, 1), 156);
  EXPECT_FALSE(r.setDefaultPeriod(7, 0, 1, 2));
  EXPECT_FALSE(r.setDefaultPeriod(0, 3, 1, 2));
  EXPECT_EQ(r.defaultStart(0, 3), RscUseRecord::kNoTime);
}

TEST(RscUseRecord, BlockOverridesUseTwentyFourBytesADay) {
  RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kBlockOverride, "DR1", 120001);
  EXPECT_TRUE(r.setOverride(2, 5, 0x0102, 0x0304));
  EXPECT_EQ(r.bytes()[11 + 24 * 2 + 10], 0x02);
  EXPECT_EQ(r.bytes()[179 + 24 * 2 + 10], 0x04);
  EXPECT_EQ(r.overrideStart(2, 5), 0x0102);
  EXPECT_EQ(r.overrideEnd(2, 5), 0x0304);
  EXPECT_FALSE(r.setOverride(2, 6, 1, 2));  // six blocks
  EXPECT_EQ(r.kind(), 4);
  EXPECT_EQ(r.code(), "DR1 ");
  EXPECT_EQ(r.week(), 120001u);
}

TEST(RscUseRecord, ProviderTablesStayInsideTheirAreas) {
  RscUseRecord r = patterned<RscUseRecord>();
  EXPECT_TRUE(r.setBlockTimes(6, 5, 100, 120));  // the last block start and end
  EXPECT_EQ(r.blockStart(6, 5), 100);
  EXPECT_EQ(r.blockEnd(6, 5), 120);
  EXPECT_TRUE(r.setAlias(9, "ZZ"));
  EXPECT_FALSE(r.setAlias(10, "XX"));
  EXPECT_TRUE(r.setBlockType(5, 3));
  EXPECT_TRUE(r.setBlockOperatory(5, "OP9"));
  EXPECT_TRUE(r.setBlockColour(5, 0x00FF00));
  EXPECT_EQ(r.bytes()[411 + 25], 3);
  EXPECT_EQ(r.blockOperatory(5), "OP9 ");
  const std::vector<std::uint8_t> original = pattern<RscUseRecord::kSize>();
  // The four bytes after each type byte are kept.
  for (std::size_t k = 1; k < 5; ++k) EXPECT_EQ(r.bytes()[411 + 25 + k], original[411 + 25 + k]);
  // Nothing before the start times or after the block operatories moved.
  for (std::size_t i = 0; i < 177; ++i) ASSERT_EQ(r.bytes()[i], original[i]) << i;
  for (std::size_t i = 465; i < RscUseRecord::kSize; ++i) ASSERT_EQ(r.bytes()[i], original[i]) << i;
}

TEST(RscUseRecord, HolidaySlotsAreFourBytesEach) {
  RscUseRecord r = patterned<RscUseRecord>();
  EXPECT_TRUE(r.setHoliday(99, {12, 25, 0, 2}));
  EXPECT_EQ(r.bytes()[161 + 396], 12);
  EXPECT_EQ(r.bytes()[161 + 399], 2);
  EXPECT_EQ(r.holiday(99), (HolidayEntry{12, 25, 0, 2}));
  EXPECT_TRUE(r.holiday(99).isYearly());
  EXPECT_FALSE((HolidayEntry{12, 25, 0, 0}).isYearly());    // a free slot
  EXPECT_FALSE((HolidayEntry{12, 25, 1, 2}).isYearly());    // third byte set
  EXPECT_FALSE((HolidayEntry{12, 25, 0, 100}).isYearly());  // kind 100 and up
  EXPECT_FALSE(r.setHoliday(100, {1, 1, 0, 2}));
  EXPECT_TRUE(patternOutside(r, 161 + 396, 161 + 400));
}

// ---------------------------------------------------------------------------------------------
// Resources, definitions, workstations

TEST(ResourceRecords, PracticeStateCodeSitsAtSixtyInsideTheInformationBlock) {
  PracticeRecord p = PracticeRecord::blank();
  EXPECT_EQ(p.kind(), 0);
  EXPECT_EQ(p.code(), "-PR-");
  EXPECT_EQ(p.keyTail(), 0u);
  EXPECT_TRUE(p.setState("CA"));
  EXPECT_EQ(p.bytes()[60], 'C');
  EXPECT_EQ(p.bytes()[61], 'A');
  EXPECT_EQ(p.bytes()[62], 0);
  const auto info = p.information();
  EXPECT_EQ(info[52], 'C');  // offset 60 within the 60 bytes from 8
  // Every practice field but street and phone lies inside the information block.
  for (const rec::TextField f : {PracticeRecord::kName, PracticeRecord::kCity, PracticeRecord::kZip,
                                 PracticeRecord::kState}) {
    EXPECT_GE(f.offset, 8u);
    EXPECT_LE(f.offset + f.width, 68u);
  }
}

TEST(ResourceRecords, OperatoryAssignmentBitsAreLowBitFirst) {
  ProviderRecord p = patterned<ProviderRecord>();
  p.setKey(rec::kKindProvider, "DR1");
  for (std::size_t n = 0; n < ProviderRecord::kAssignmentNumbers; ++n) {
    p.setOperatoryAssigned(n, false);
  }
  EXPECT_TRUE(p.setOperatoryAssigned(9, true));
  EXPECT_EQ(p.bytes()[421], 0x02);
  EXPECT_TRUE(p.operatoryAssigned(9));
  EXPECT_FALSE(p.operatoryAssigned(8));
  EXPECT_FALSE(p.setOperatoryAssigned(224, true));
  EXPECT_FALSE(p.operatoryAssigned(224));
  EXPECT_TRUE(patternOutside(p, 0, 448));
}

TEST(DefinitionRecord, StatusFieldsOverlayTheGeneralText) {
  DefinitionRecord d;
  d.setKey(DefinitionRecord::kApptStatus, 4);
  d.setStatusColourCode('x');
  EXPECT_TRUE(d.setStatusName("Confirm"));
  EXPECT_TRUE(d.setStatusColourText("16711680"));
  EXPECT_EQ(d.bytes()[0], 7);
  EXPECT_EQ(d.bytes()[1], 4);
  EXPECT_EQ(d.bytes()[2], 'x');
  EXPECT_EQ(d.bytes()[3], 'C');
  EXPECT_EQ(d.statusName(), "Confirm");
  EXPECT_EQ(d.bytes()[42], '1');
  EXPECT_EQ(d.statusColourText(), "16711680");
}

TEST(StationRecord, ViewCodesAndFifteenPendingChanges) {
  StationRecord s = patterned<StationRecord>();
  s.setStation(103);
  EXPECT_TRUE(s.setViewOperatory("OP2"));
  EXPECT_TRUE(s.setViewProvider(""));
  EXPECT_EQ(s.viewOperatory(), "OP2 ");
  EXPECT_EQ(s.viewProvider(), "");
  for (std::size_t i = 0; i < StationRecord::kMaxPending; ++i) {
    EXPECT_TRUE(s.setPending(i, 1000 + i, StationRecord::kChanged));
  }
  EXPECT_FALSE(s.setPending(15, 1, StationRecord::kAdded));
  EXPECT_EQ(s.pendingId(14), 1014u);
  EXPECT_EQ(s.pendingKind(14), StationRecord::kChanged);
  EXPECT_EQ(s.bytes()[0], 103);
  EXPECT_EQ(s.bytes()[1], pattern<StationRecord::kSize>()[1]);  // unused, kept
  EXPECT_EQ(s.bytes()[17], pattern<StationRecord::kSize>()[17]);
}

// ---------------------------------------------------------------------------------------------
// Continuing care

TEST(ContinuingCareRecords, CompoundFieldsKeepTheirLayout) {
  ContinuingCareRecord c = patterned<ContinuingCareRecord>();
  EXPECT_TRUE(c.setProvider({kSpecificProvider, "DR2"}));
  c.setApptTime({0x8003, {0xAA, 0xAA, 0, 0, 0, 0}});
  EXPECT_EQ(c.bytes()[32], 3);
  EXPECT_EQ(c.bytes()[33], 'D');
  EXPECT_EQ(c.bytes()[36], ' ');
  EXPECT_EQ(c.bytes()[37], 0);  // the zero byte that ends a provider choice
  EXPECT_EQ(c.bytes()[38], 0x03);
  EXPECT_EQ(c.bytes()[39], 0x80);
  EXPECT_EQ(c.bytes()[40], 0xAA);
  EXPECT_EQ(c.provider(), (ProviderChoice{3, "DR2 "}));
  EXPECT_TRUE(c.apptTime().given());
  EXPECT_EQ(c.apptTime().units(), 3);
  EXPECT_TRUE(patternOutside(c, 32, 46));
}

TEST(ContinuingCareRecords, NewViewBodyHasTheDefaultSpansAndSortOrder) {
  const std::array<std::uint8_t, 60> body = ContinuingCareViewRecord::newBody();
  ContinuingCareViewRecord v;
  v.setBody(body);
  EXPECT_EQ(v.dueBefore(), (CareInterval{1, 1}));
  EXPECT_EQ(v.dueAfter(), (CareInterval{1, 2}));
  EXPECT_EQ(v.priorFrom(), (CareInterval{255, 1}));
  EXPECT_EQ(v.visitTo(), (CareInterval{255, 1}));
  const std::uint8_t order[5] = {2, 3, 4, 1, 0};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(v.sortKey(i), order[i]);
  EXPECT_EQ(v.name(), "");
  EXPECT_EQ(v.rangeFrom(), 0u);
  // The body is bytes 6 to 65 of the record, nothing more.
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(v.bytes()[i], 0);
  for (std::size_t i = 66; i < 106; ++i) EXPECT_EQ(v.bytes()[i], 0);
  EXPECT_EQ(v.bytes()[6 + 34], 1);  // "Before" unit at record offset 40
}

// ---------------------------------------------------------------------------------------------
// Print jobs and journal entries

TEST(PrintJobRecord, RouteSlipAndCareListFieldsShareOffsetsFromThreeHundredEight) {
  PrintJobRecord slip;
  slip.setStation(PrintJobRecord::stationWord(1));
  EXPECT_TRUE(slip.setReportName("rteslip"));
  EXPECT_TRUE(slip.setDescription("Single Route Slip"));
  slip.setSlipTimeBlockCode(2);
  slip.setSlipAppointment(0x01020304);
  EXPECT_EQ(slip.station(), 263);
  EXPECT_EQ(slip.bytes()[308], 2);
  EXPECT_EQ(slip.bytes()[310], 0x04);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(slip.bytes()[i], 0) << i;
  for (std::size_t i = 178; i < 308; ++i) EXPECT_EQ(slip.bytes()[i], 0) << i;

  PrintJobRecord list;
  EXPECT_TRUE(list.setDescription("Continuing Care Display List - Mailing Labels"));
  list.setCareLabels(true);
  list.setCareLabelColumns(3);
  list.setCareGuarantor(77);
  list.setCareViewBody(ContinuingCareViewRecord::newBody());
  list.setCareMarker(1);
  list.setCareStation(1);
  EXPECT_EQ(list.bytes()[308], 1);
  EXPECT_EQ(list.bytes()[309], 3);
  EXPECT_EQ(list.bytes()[310], 77);
  EXPECT_EQ(list.bytes()[318 + 34], 1);
  EXPECT_EQ(list.bytes()[645], 1);
  EXPECT_EQ(list.bytes()[646], 1);
  for (std::size_t i = 647; i < PrintJobRecord::kSize; ++i) ASSERT_EQ(list.bytes()[i], 0) << i;
}

TEST(JournalRecord, BrokenAppointmentEntry) {
  JournalRecord j;
  j.setDate(121000);
  j.setTime({9, 5});
  j.setPatientId(42);
  EXPECT_TRUE(j.setProvider("DR1"));
  EXPECT_TRUE(j.setSubject("Broken Appointment"));
  EXPECT_TRUE(j.setText(letters(60)));
  j.setKind(JournalRecord::kBrokenAppointment);
  EXPECT_EQ(j.seconds(), 32700u);
  EXPECT_EQ(j.bytes()[22], 'D');
  EXPECT_EQ(j.bytes()[136], 7);
  EXPECT_EQ(j.bytes()[137], 1);
  EXPECT_EQ(j.bytes()[138], 0);
  EXPECT_EQ(j.subject(), "Broken Appointment");
  // "Purged Appointment" is 18 characters: the 20-byte subject holds it.
  EXPECT_TRUE(j.setSubject("Purged Appointment"));
}

// ---------------------------------------------------------------------------------------------
// Procedure codes and users

TEST(ProcedureCodeRecord, TakesTenSubCodesAndRefusesTheEleventh) {
  ProcedureCodeRecord c = patterned<ProcedureCodeRecord>();
  std::vector<std::uint8_t> b = pattern<ProcedureCodeRecord::kSize>();
  b[86] = 0;
  ASSERT_TRUE(c.load(b));
  for (std::uint32_t i = 0; i < 10; ++i) EXPECT_TRUE(c.addSubCode(500 + i));
  EXPECT_FALSE(c.addSubCode(999));
  EXPECT_EQ(c.subCodeCount(), 10);
  EXPECT_EQ(c.subCode(9), 509u);
  EXPECT_EQ(c.subCode(10), 0u);
  // Each entry is 6 bytes; the two after the code identifier are kept.
  EXPECT_EQ(c.bytes()[87 + 6 * 9], 509 & 0xFF);
  EXPECT_EQ(c.bytes()[87 + 6 * 9 + 4], b[87 + 6 * 9 + 4]);
  EXPECT_TRUE(patternOutside(c, 86, 147));
}

TEST(UserRecord, RightsAreOneBitEach) {
  UserRecord u = patterned<UserRecord>();
  for (std::size_t r = 0; r < UserRecord::kRightCount; ++r) u.setRight(r, false);
  EXPECT_TRUE(u.setRight(1, true));
  EXPECT_TRUE(u.setRight(255, true));
  EXPECT_FALSE(u.setRight(256, true));
  EXPECT_EQ(u.bytes()[60], 0x02);
  EXPECT_EQ(u.bytes()[91], 0x80);
  EXPECT_TRUE(u.hasRight(1));
  EXPECT_FALSE(u.hasRight(2));
  EXPECT_FALSE(u.hasRight(256));
  EXPECT_TRUE(patternOutside(u, 60, 92));
}

// ---------------------------------------------------------------------------------------------
// Variable-length records

TEST(NoteRecord, RefusesRecordsShorterThanTheFixedPartOrLongerThanTheLongest) {
  NoteRecord n;
  n.setKey(NoteRecord::kCareNote, 42, 3);
  ASSERT_TRUE(n.setText("call in spring"));
  const std::vector<std::uint8_t> before = n.bytes();
  EXPECT_FALSE(n.load(std::vector<std::uint8_t>(NoteRecord::kFixedSize - 1, 1)));
  EXPECT_FALSE(n.load(std::vector<std::uint8_t>(NoteRecord::kMaxSize + 1, 1)));
  EXPECT_EQ(n.bytes(), before);
  EXPECT_TRUE(n.load(std::vector<std::uint8_t>(NoteRecord::kFixedSize, 0)));
  EXPECT_EQ(n.text(), "");
  EXPECT_EQ(n.size(), NoteRecord::kFixedSize);
}

TEST(NoteRecord, TextFollowsTheFixedPartWithItsTerminator) {
  NoteRecord n;
  n.setKey(NoteRecord::kCareNote, 0x01020304, 7);
  EXPECT_TRUE(n.setText("Prefers mornings"));
  const std::vector<std::uint8_t> b = n.bytes();
  ASSERT_EQ(b.size(), 16u + 16u + 1u);
  EXPECT_EQ(b[2], 9);
  EXPECT_EQ(b[4], 0x04);
  EXPECT_EQ(b[8], 7);
  EXPECT_EQ(b[16], 'P');
  EXPECT_EQ(b.back(), 0);
  NoteRecord back;
  ASSERT_TRUE(back.load(b));
  EXPECT_EQ(back.text(), "Prefers mornings");
  EXPECT_EQ(back.ownerId(), 0x01020304u);
}

TEST(NoteRecord, LongestTextIsCutToFitTheLongestRecord) {
  NoteRecord n;
  EXPECT_TRUE(n.setText(std::string(NoteRecord::kMaxTextLength, 'n')));
  EXPECT_EQ(n.size(), NoteRecord::kMaxSize);
  EXPECT_FALSE(n.setText(std::string(NoteRecord::kMaxTextLength + 1, 'n')));
  EXPECT_EQ(n.size(), NoteRecord::kMaxSize);
  EXPECT_EQ(n.text().size(), NoteRecord::kMaxTextLength);
}

TEST(NoteRecord, TextWithoutTerminatorEndsWithTheRecord) {
  std::vector<std::uint8_t> b(16, 0);
  b.push_back('h');
  b.push_back('i');
  NoteRecord n;
  ASSERT_TRUE(n.load(b));
  EXPECT_EQ(n.text(), "hi");
}

TEST(AuditRecord, BeforeAndAfterCopiesFollowTheFixedPart) {
  AppointmentRecord before;
  before.setStatus(1);
  AppointmentRecord after = before;
  after.setStatus(AppointmentRecord::kStatusBroken);
  AuditRecord a;
  ASSERT_TRUE(a.setCopies(before.bytes(), after.bytes()));
  EXPECT_EQ(a.size(), 40u + 2 * 286u);
  const std::vector<std::uint8_t> b = a.bytes();
  EXPECT_EQ(b[34], 286 & 0xFF);
  EXPECT_EQ(b[35], 286 >> 8);
  AuditRecord back;
  ASSERT_TRUE(back.load(b));
  AppointmentRecord readAfter;
  ASSERT_TRUE(readAfter.load(back.after()));
  EXPECT_EQ(readAfter.status(), AppointmentRecord::kStatusBroken);
  EXPECT_EQ(back.before().size(), 286u);

  // A deletion has no "after".
  ASSERT_TRUE(a.setCopies(before.bytes(), {}));
  EXPECT_TRUE(a.after().empty());
  EXPECT_FALSE(a.setCopies(std::vector<std::uint8_t>(AuditRecord::kMaxCopy + 1), {}));
  EXPECT_EQ(a.before().size(), 286u);
}

TEST(AuditRecord, LengthsThatClaimMoreThanTheRecordHoldsGiveWhatIsThere) {
  std::vector<std::uint8_t> b(40, 0);
  b[34] = 10;  // "before" claims 10 bytes
  b[36] = 10;  // "after" claims 10 more
  for (int i = 0; i < 12; ++i) b.push_back(static_cast<std::uint8_t>(i + 1));
  AuditRecord a;
  ASSERT_TRUE(a.load(b));
  EXPECT_EQ(a.before().size(), 10u);
  EXPECT_EQ(a.after().size(), 2u);
  EXPECT_EQ(a.after()[1], 12);
}

}  // namespace
