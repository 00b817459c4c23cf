// The record layouts: sizes, confined text fields, bytes kept across load and store, tables that
// refuse an index past their end, and the rules a record keeps itself.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
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
#include "tests/data/patterned.h"

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

std::string letters(std::size_t n, char first = 'a') {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(first + i % 26);
  return s;
}

// A text field at width - 1 is kept whole; at its width and well past it is cut and keeps its
// terminator; a short text zero-fills the rest; no setter touches a byte outside its field.
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

// One row of the table: record type, field, setter, getter.
#define TEXT_FIELD(R, field, set, get) \
  expectTextConfined<R>(#R "::" #field, R::field, &R::set, &R::get)

TEST(RecordTextFields, EveryTextFieldCutsAtItsWidthAndSparesItsNeighbours) {
  TEXT_FIELD(AppointmentRecord, kName, setName, name);
  TEXT_FIELD(AppointmentRecord, kPhone, setPhone, phone);
  TEXT_FIELD(AppointmentRecord, kDescription, setDescription, description);
  TEXT_FIELD(PatientRecord, kLastName, setLastName, lastName);
  TEXT_FIELD(PatientRecord, kFirstName, setFirstName, firstName);
  TEXT_FIELD(PatientRecord, kMiddleInitial, setMiddleInitial, middleInitial);
  TEXT_FIELD(PatientRecord, kPreferredName, setPreferredName, preferredName);
  TEXT_FIELD(PatientRecord, kChartNumber, setChartNumber, chartNumber);
  TEXT_FIELD(PatientRecord, kSsn, setSsn, ssn);
  TEXT_FIELD(PatientRecord, kTitle, setTitle, title);
  TEXT_FIELD(AddressRecord, kStreet1, setStreet1, street1);
  TEXT_FIELD(AddressRecord, kStreet2, setStreet2, street2);
  TEXT_FIELD(AddressRecord, kCity, setCity, city);
  TEXT_FIELD(AddressRecord, kState, setState, state);
  TEXT_FIELD(AddressRecord, kZip, setZip, zip);
  TEXT_FIELD(AddressRecord, kPhone, setPhone, phone);
  TEXT_FIELD(PracticeRecord, kName, setName, name);
  TEXT_FIELD(PracticeRecord, kStreet, setStreet, street);
  TEXT_FIELD(PracticeRecord, kCity, setCity, city);
  TEXT_FIELD(PracticeRecord, kState, setState, state);
  TEXT_FIELD(PracticeRecord, kZip, setZip, zip);
  TEXT_FIELD(PracticeRecord, kPhone, setPhone, phone);
  TEXT_FIELD(ProviderRecord, kLastName, setLastName, lastName);
  TEXT_FIELD(ProviderRecord, kFirstName, setFirstName, firstName);
  TEXT_FIELD(ProviderRecord, kMiddleInitial, setMiddleInitial, middleInitial);
  TEXT_FIELD(OperatoryRecord, kDescription, setDescription, description);
  TEXT_FIELD(DefinitionRecord, kText, setText, text);
  TEXT_FIELD(DefinitionRecord, kStatusName, setStatusName, statusName);
  TEXT_FIELD(DefinitionRecord, kStatusColourText, setStatusColourText, statusColourText);
  TEXT_FIELD(ContinuingCareTypeRecord, kName, setName, name);
  TEXT_FIELD(ContinuingCareTypeRecord, kDescription, setDescription, description);
  TEXT_FIELD(ContinuingCareViewRecord, kName, setName, name);
  TEXT_FIELD(PrintJobRecord, kReportName, setReportName, reportName);
  TEXT_FIELD(PrintJobRecord, kDescription, setDescription, description);
  TEXT_FIELD(JournalRecord, kSubject, setSubject, subject);
  TEXT_FIELD(JournalRecord, kText, setText, text);
  TEXT_FIELD(ProcedureCodeRecord, kCode, setCode, code);
  TEXT_FIELD(ProcedureCodeRecord, kAbbreviation, setAbbreviation, abbreviation);
  TEXT_FIELD(ProcedureCodeRecord, kDescription, setDescription, description);
  TEXT_FIELD(PatientProcedureRecord, kSurfaces, setSurfaces, surfaces);
  TEXT_FIELD(CoverageRecord, kMemberNumber, setMemberNumber, memberNumber);
  TEXT_FIELD(CoverageRecord, kGroupNumber, setGroupNumber, groupNumber);
  TEXT_FIELD(CarrierRecord, kName, setName, name);
  TEXT_FIELD(CarrierRecord, kStreet, setStreet, street);
  TEXT_FIELD(CarrierRecord, kCity, setCity, city);
  TEXT_FIELD(CarrierRecord, kState, setState, state);
  TEXT_FIELD(CarrierRecord, kZip, setZip, zip);
  TEXT_FIELD(CarrierRecord, kPhone, setPhone, phone);
  TEXT_FIELD(UserRecord, kLogin, setLogin, login);
  TEXT_FIELD(UserRecord, kFullName, setFullName, fullName);
  TEXT_FIELD(UserRecord, kPasswordHash, setPasswordHash, passwordHash);
  for (std::size_t block = 0; block < RscUseRecord::kBlocks; ++block) {  // thirteen bytes each
    RscUseRecord r = patterned<RscUseRecord>();
    const std::size_t from = RscUseRecord::kBlockNames.offset + block * 13;
    EXPECT_FALSE(r.setBlockName(block, letters(13)));
    EXPECT_EQ(r.blockName(block), letters(12));
    EXPECT_TRUE(patternOutside(r, from, from + 13)) << block;
  }
}

#undef TEXT_FIELD

// Every fixed record: new = zero; a buffer of any other size is refused and changes nothing; the
// bytes a load brings (the unknown ones too) are the bytes it stores.
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

TYPED_TEST(FixedRecordTest, IsZeroWhenNewRefusesOtherSizesAndKeepsUnknownBytes) {
  const TypeParam blank;
  EXPECT_EQ(blank.bytes().size(), TypeParam::kSize);
  for (const std::uint8_t b : blank.bytes()) ASSERT_EQ(b, 0);
  TypeParam r = patterned<TypeParam>();
  for (const std::size_t size :
       {std::size_t{0}, TypeParam::kSize - 1, TypeParam::kSize + 1, TypeParam::kSize * 2}) {
    EXPECT_FALSE(r.load(std::vector<std::uint8_t>(size, 0x11))) << size;
  }
  EXPECT_TRUE(patternOutside(r, 0, 0));
  TypeParam copy;
  ASSERT_TRUE(copy.load(r.bytes()));
  EXPECT_TRUE(copy.sameBytes(r));
}

TEST(RecordTables, RefuseAnIndexPastTheirEndAndWriteNothing) {
  const auto refused = [](auto r, auto set) {
    return set(r) ? ::testing::AssertionFailure() << "accepted" : patternOutside(r, 0, 0);
  };
  const RscUseRecord rsc = patterned<RscUseRecord>();
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setOccupancy(7, 0, 1); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setOccupancy(0, 288, 1); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setOccupancy(0, 1, 4); })) << "two bits";
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setDefaultPeriod(7, 0, 1, 2); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setDefaultPeriod(0, 3, 1, 2); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setOverride(2, 6, 1, 2); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setAlias(10, "XX"); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setHoliday(100, {1, 1, 0, 2}); }));
  EXPECT_TRUE(refused(rsc, [](auto& r) { return r.setBlockName(6, "X"); }));
  const AppointmentRecord appt = patterned<AppointmentRecord>();
  EXPECT_TRUE(refused(appt, [](auto& r) { return r.setPatternSlot(24, 2); }));
  EXPECT_TRUE(refused(appt, [](auto& r) { return r.setPatternSlot(3, 4); })) << "two bits";
  EXPECT_TRUE(refused(appt, [](auto& r) { return r.setFlag(12, true); }));
  EXPECT_TRUE(refused(appt, [](auto& r) { return r.setReason(20, 45, 0); }));
  EXPECT_TRUE(refused(patterned<ProviderRecord>(),
                      [](auto& r) { return r.setOperatoryAssigned(224, true); }));
  EXPECT_TRUE(refused(patterned<StationRecord>(),
                      [](auto& r) { return r.setPending(15, 1, StationRecord::kAdded); }));
  EXPECT_TRUE(refused(patterned<UserRecord>(), [](auto& r) { return r.setRight(256, true); }));

  // The last entries are there to be used, and read back.
  RscUseRecord last = rsc;
  EXPECT_TRUE(last.setOccupancy(6, 287, 2));
  EXPECT_EQ(last.occupancy(6, 287), 2);
  EXPECT_EQ(last.occupancy(0, 288), 0);
  EXPECT_TRUE(last.setHoliday(99, {12, 25, 0, 2}));
  EXPECT_TRUE(patternOutside(last, 161 + 396, 161 + 400)) << "four bytes a holiday";
  ProcedureCodeRecord codes;
  for (std::uint32_t i = 0; i < 10; ++i) EXPECT_TRUE(codes.addSubCode(500 + i));
  EXPECT_FALSE(codes.addSubCode(999));
  EXPECT_EQ(codes.subCodeCount(), 10);
  EXPECT_EQ(codes.subCode(9), 509u);
  EXPECT_EQ(codes.subCode(10), 0u);
}

TEST(AppointmentRecord, UnscheduleAndScheduleChangeThePlaceInTheScheduleTogether) {
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
  EXPECT_EQ(a.listDate(), listDate) << "the list date is the caller's decision";
  EXPECT_EQ(a.status(), status);

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

TEST(NoteRecord, TextRoundTripsIsCutToFitAndBadLengthsAreRefused) {
  NoteRecord n;
  n.setKey(NoteRecord::kCareNote, 0x01020304, 7);
  EXPECT_TRUE(n.setText("Prefers mornings"));
  ASSERT_EQ(n.bytes().size(), NoteRecord::kFixedSize + 16u + 1u);
  EXPECT_EQ(n.bytes().back(), 0);
  NoteRecord back;
  ASSERT_TRUE(back.load(n.bytes()));
  EXPECT_EQ(back.text(), "Prefers mornings");
  EXPECT_EQ(back.ownerId(), 0x01020304u);
  EXPECT_FALSE(back.load(std::vector<std::uint8_t>(NoteRecord::kFixedSize - 1, 1)));
  EXPECT_FALSE(back.load(std::vector<std::uint8_t>(NoteRecord::kMaxSize + 1, 1)));
  EXPECT_EQ(back.bytes(), n.bytes()) << "a refused load changes nothing";
  std::vector<std::uint8_t> unterminated(NoteRecord::kFixedSize, 0);
  unterminated.push_back('h');
  unterminated.push_back('i');
  ASSERT_TRUE(back.load(unterminated));
  EXPECT_EQ(back.text(), "hi") << "a text without terminator ends with the record";

  EXPECT_TRUE(n.setText(std::string(NoteRecord::kMaxTextLength, 'n')));
  EXPECT_EQ(n.size(), NoteRecord::kMaxSize);
  EXPECT_FALSE(n.setText(std::string(NoteRecord::kMaxTextLength + 1, 'n')));
  EXPECT_EQ(n.size(), NoteRecord::kMaxSize);
  EXPECT_EQ(n.text().size(), NoteRecord::kMaxTextLength);
}

TEST(AuditRecord, RefusesACopyPastItsLimitAndReadsNoMoreThanTheRecordHolds) {
  AuditRecord a;
  ASSERT_TRUE(a.setCopies(std::vector<std::uint8_t>(286, 1), {}));
  EXPECT_TRUE(a.after().empty()) << "a deletion has no after";
  EXPECT_FALSE(a.setCopies(std::vector<std::uint8_t>(AuditRecord::kMaxCopy + 1), {}));
  EXPECT_EQ(a.before().size(), 286u) << "the refused copy changed nothing";

  std::vector<std::uint8_t> b(AuditRecord::kFixedSize, 0);
  b[34] = 10;  // "before" claims 10 bytes
  b[36] = 10;  // "after" claims 10 more
  for (int i = 0; i < 12; ++i) b.push_back(static_cast<std::uint8_t>(i + 1));
  ASSERT_TRUE(a.load(b));
  EXPECT_EQ(a.before().size(), 10u);
  EXPECT_EQ(a.after().size(), 2u);
  EXPECT_EQ(a.after()[1], 12);
}

}  // namespace
