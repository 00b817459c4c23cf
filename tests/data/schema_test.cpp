// The schema catalogue: complete, consistent with itself and with the record layouts, and with
// the key bytes that callers build.

#include "data/schema.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "contracts/qdb.h"
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

namespace {

const QdbFileDef& file(int number) {
  const QdbFileDef* f = findFileDef(number);
  EXPECT_NE(f, nullptr) << "file " << number;
  static const QdbFileDef kNone;
  return f != nullptr ? *f : kNone;
}

const QdbKeyDef& key(int number) {
  const QdbKeyDef* k = findKeyDef(number);
  EXPECT_NE(k, nullptr) << "key " << number;
  static const QdbKeyDef kNone;
  return k != nullptr ? *k : kNone;
}

// The shared files with their key ranges as every module of the suite numbers them.
struct Range {
  int file;
  int lastKey;
};
const Range kSharedFiles[] = {
    {1, 5},     {6, 8},     {18, 27}, {49, 51},   {34, 35},   {36, 38},   {268, 275}, {207, 209},
    {46, 48},   {42, 43},   {44, 45}, {108, 109}, {9, 15},    {52, 61},   {92, 93},   {16, 17},
    {78, 80},   {64, 65},   {70, 71}, {72, 75},   {282, 287}, {87, 89},   {66, 69},   {97, 99},
    {100, 105}, {106, 107}, {90, 91}, {94, 96},   {116, 118}, {110, 112}, {113, 115}, {120, 121},
};

TEST(SchemaCatalogue, HoldsEverySharedFileWithItsWholeKeyRange) {
  for (const Range& r : kSharedFiles) {
    const QdbFileDef& f = file(r.file);
    ASSERT_FALSE(f.keys.empty()) << r.file;
    EXPECT_EQ(f.keys.front().keyNumber, r.file);
    EXPECT_EQ(f.keys.back().keyNumber, r.lastKey) << "file " << r.file;
  }
}

TEST(SchemaCatalogue, HoldsTheFilesReachedOnlyByShortSessionsAndTheSuiteFiles) {
  // Prescriptions and questionnaires are asked by patient; users, audit and journal are written.
  EXPECT_EQ(findFileOfKey(kPrescriptionByPatient), findFileDef(kPrescriptionFile));
  EXPECT_EQ(findFileOfKey(kQuestionnaireByPatient), findFileDef(kQuestionnaireFile));
  EXPECT_NE(findFileDef(kUserFile), nullptr);
  EXPECT_NE(findFileDef(kAuditFile), nullptr);
  EXPECT_EQ(findFileOfKey(kJournalAdd), findFileDef(kJournalFile));
}

TEST(SchemaCatalogue, KeysRunFromTheFileNumberWithoutGaps) {
  for (const QdbFileDef& f : schemaCatalogue()) {
    SCOPED_TRACE(f.fileNumber);
    ASSERT_FALSE(f.keys.empty());
    for (std::size_t i = 0; i < f.keys.size(); ++i) {
      EXPECT_EQ(f.keys[i].keyNumber, f.fileNumber + static_cast<int>(i));
    }
    EXPECT_TRUE(f.keys.front().segments.empty()) << "the first key is the file's own order";
    EXPECT_LE(f.keys.size(), kQdbMaxKeysPerFile);
  }
}

TEST(SchemaCatalogue, NoKeyNumberBelongsToTwoFiles) {
  std::map<int, int> owner;
  for (const QdbFileDef& f : schemaCatalogue()) {
    for (const QdbKeyDef& k : f.keys) {
      const auto [it, fresh] = owner.emplace(k.keyNumber, f.fileNumber);
      EXPECT_TRUE(fresh) << "key " << k.keyNumber << " of file " << f.fileNumber
                         << " already belongs to file " << it->second;
    }
  }
}

TEST(SchemaCatalogue, EverySegmentLiesInsideTheRecordAndCanBeOrdered) {
  for (const QdbFileDef& f : schemaCatalogue()) {
    ASSERT_GT(f.recordLength, 0u) << f.fileNumber;
    for (const QdbKeyDef& k : f.keys) {
      SCOPED_TRACE("key " + std::to_string(k.keyNumber));
      EXPECT_NE(std::string(k.why), "");
      EXPECT_LE(keyLength(k), kQdbMaxKeyLength);
      for (const QdbSegment& s : k.segments) {
        EXPECT_GT(s.length, 0);
        EXPECT_LE(std::size_t{s.offset} + s.length, f.recordLength);
        if (s.kind == QdbSegmentKind::kUnsigned) {
          EXPECT_TRUE(s.length == 1 || s.length == 2 || s.length == 4 || s.length == 8)
              << "an unsigned segment of " << s.length << " bytes";
        }
      }
    }
  }
}

TEST(SchemaCatalogue, IdentifierFilesHaveAUniqueIdentifierKey) {
  for (const QdbFileDef& f : schemaCatalogue()) {
    if (!f.hasIdentifier) continue;
    SCOPED_TRACE(f.fileNumber);
    EXPECT_GE(f.recordLength, 6u);
    bool found = false;
    for (const QdbKeyDef& k : f.keys) {
      if (k.unique && k.segments.size() == 1 && k.segments[0].offset == 2 &&
          k.segments[0].length == 4 && k.segments[0].kind == QdbSegmentKind::kUnsigned) {
        found = true;
      }
    }
    EXPECT_TRUE(found);
  }
}

TEST(SchemaCatalogue, OnlyRecordsWithFreeBytesAtTwoGetADatabaseIdentifier) {
  // Given on add: it would overwrite whatever else a record keeps at offset 2.
  for (const int n : {kAppointmentFile, kPatientFile, kAddressFile, kJournalFile, kPrintJobFile,
                      kUserFile, kAuditFile}) {
    EXPECT_TRUE(file(n).hasIdentifier) << n;
  }
  for (const int n : {kResourceFile, kDefinitionFile, kStationFile, kRscUseFile, kCareTypeFile,
                      kCareFile, kCareViewFile, kNoteFile, kGuarantorAccountFile}) {
    EXPECT_FALSE(file(n).hasIdentifier) << n;
  }
}

TEST(SchemaCatalogue, RecordLengthsAreThoseOfTheRecordLayouts) {
  const std::map<int, std::size_t> sizes = {
      {kProcedureCodeFile, ProcedureCodeRecord::kSize},
      {kResourceFile, ResourceRecord::kSize},
      {kAppointmentFile, AppointmentRecord::kSize},
      {kPatientFile, PatientRecord::kSize},
      {kDefinitionFile, DefinitionRecord::kSize},
      {kAddressFile, AddressRecord::kSize},
      {kCoverageFile, CoverageRecord::kSize},
      {kPatientProcedureFile, PatientProcedureRecord::kSize},
      {kGuarantorAccountFile, GuarantorAccountRecord::kSize},
      {kPrintJobFile, PrintJobRecord::kSize},
      {kStationFile, StationRecord::kSize},
      {kProviderCounterFile, ProviderCounterRecord::kSize},
      {kRscUseFile, RscUseRecord::kSize},
      {kCareTypeFile, ContinuingCareTypeRecord::kSize},
      {kCareFile, ContinuingCareRecord::kSize},
      {kCareViewFile, ContinuingCareViewRecord::kSize},
      {kPrescriptionFile, PatientItemRecord::kSize},
      {kUserFile, UserRecord::kSize},
      {kJournalFile, JournalRecord::kSize},
      {kCarrierFile, CarrierRecord::kSize},
      {kFeeFile, FeeRecord::kSize},
      {kQuestionnaireFile, PatientItemRecord::kSize},
  };
  for (const auto& [number, size] : sizes) {
    EXPECT_FALSE(file(number).variableLength) << number;
    EXPECT_EQ(file(number).recordLength, size) << number;
  }
  EXPECT_TRUE(file(kNoteFile).variableLength);
  EXPECT_EQ(file(kNoteFile).recordLength, NoteRecord::kFixedSize);
  EXPECT_TRUE(file(kAuditFile).variableLength);
  EXPECT_EQ(file(kAuditFile).recordLength, AuditRecord::kFixedSize);
  EXPECT_TRUE(file(92).variableLength);
}

TEST(SchemaCatalogue, KeyLengthsAreThoseCallersPass) {
  const std::map<int, std::size_t> lengths = {
      {kResourceByKindCode, 9},
      {kApptByDateOperatory, 9},
      {kApptByDateProvider, 9},
      {kApptByAddress, 4},
      {kApptById, 4},
      {kApptByPatient, 4},
      {kApptUnscheduled, 10},
      {kPatientById, 4},
      {kPatientByName, 39},
      {kPatientByFamily, 4},
      {kPatientByAddress, 4},
      {kNoteByOwner, 8},
      {kDefinitionByKindNumber, 2},
      {kAddressById, 4},
      {kAccountByGuarantor, 4},
      {kStationByCode, 1},
      {kStationByDate, 4},
      {kCounterByProvider, 6},
      {kRscUseByKey, 9},
      {kCareTypeByPatient, 6},
      {kCareTypeByType, 6},
      {kCareByPatient, 6},
      {kCareByAppt, 4},
      {kCareByDueDate, 8},
      {kCareByType, 2},
      {kCareByGuarantor, 12},
      {kCareViewByNumber, 4},
      {kPrescriptionByPatient, 4},
      {kQuestionnaireByPatient, 4},
      {kJournalById, 4},
  };
  for (const auto& [number, length] : lengths) {
    EXPECT_EQ(keyLength(key(number)), length) << "key " << number;
  }
}

TEST(SchemaCatalogue, ListKeysAcceptRepeatsAndIdentityKeysDoNot) {
  // A unique list key would refuse the second appointment of a day with error 2.
  for (const int n : {kApptByDateOperatory,
                      kApptByDateProvider,
                      kApptByAddress,
                      kApptByPatient,
                      kApptUnscheduled,
                      kPatientByName,
                      kPatientByFamily,
                      kPatientByFirstName,
                      kPatientByChart,
                      kPatientBySsn,
                      kPatientByAddress,
                      kPatientByPreferredName,
                      kAddressByPhone,
                      kStationByDate,
                      kCareByAppt,
                      kCareByDueDate,
                      kCareByType,
                      kCareByGuarantor,
                      kJournalByPatient,
                      kPrescriptionByPatient,
                      kQuestionnaireByPatient}) {
    EXPECT_FALSE(key(n).unique) << "key " << n;
  }
  for (const int n :
       {kResourceByKindCode, kApptById, kPatientById, kNoteByOwner, kDefinitionByKindNumber,
        kAddressById, kAccountByGuarantor, kStationByCode, kCounterByProvider, kRscUseByKey,
        kCareTypeByPatient, kCareByPatient, kCareViewByNumber, kUserByLogin, kJournalById}) {
    EXPECT_TRUE(key(n).unique) << "key " << n;
  }
}

TEST(SchemaCatalogue, DatesAndIdentifiersOrderAsNumbersNamesIgnoreCase) {
  EXPECT_EQ(key(kApptByDateOperatory).segments[0].kind, QdbSegmentKind::kUnsigned);
  EXPECT_EQ(key(kApptUnscheduled).segments[3].kind, QdbSegmentKind::kUnsigned);
  EXPECT_EQ(key(kCareByDueDate).segments[0].kind, QdbSegmentKind::kUnsigned);
  EXPECT_EQ(key(kCareByGuarantor).segments[1].kind, QdbSegmentKind::kUnsigned);
  EXPECT_EQ(key(kRscUseByKey).segments[2].kind, QdbSegmentKind::kUnsigned);
  for (const QdbSegment& s : key(kPatientByName).segments) {
    EXPECT_EQ(s.kind, QdbSegmentKind::kText);
  }
  EXPECT_EQ(key(kPatientByChart).segments[0].kind, QdbSegmentKind::kText);
  // Codes compare on all four characters, as stored.
  EXPECT_EQ(key(kApptByDateOperatory).segments[2].kind, QdbSegmentKind::kBytes);
  EXPECT_EQ(key(kResourceByKindCode).segments[1].kind, QdbSegmentKind::kBytes);
}

// ---------------------------------------------------------------------------------------------
// Key bytes taken from records are the bytes callers build by hand.

std::vector<std::uint8_t> le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
std::vector<std::uint8_t> cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
std::vector<std::uint8_t> chars(const char* s) {
  return std::vector<std::uint8_t>(s, s + std::char_traits<char>::length(s));
}

TEST(SchemaKeyBytes, AppointmentKeysAreDateOrMarkerThenKindAndCode) {
  AppointmentRecord a;
  a.setUnitSize(2);
  ASSERT_TRUE(a.schedule(121005, "OP1", 10, 0));
  ASSERT_TRUE(a.setProvider("DR1"));
  EXPECT_EQ(keyBytes(key(kApptByDateOperatory), a.bytes()),
            cat({le32(121005), {3}, chars("OP1 ")}));
  EXPECT_EQ(keyBytes(key(kApptByDateProvider), a.bytes()), cat({le32(121005), {1}, chars("DR1 ")}));
  a.unschedule();
  a.setListDate(120990);
  // "All unscheduled" is the single byte 1; "of one provider" the six bytes 1, 1, code.
  EXPECT_EQ(keyBytes(key(kApptUnscheduled), a.bytes()), cat({{1, 1}, chars("DR1 "), le32(120990)}));
}

TEST(SchemaKeyBytes, PracticeIsFoundWithFourZeroBytesAfterItsCode) {
  const PracticeRecord p = PracticeRecord::blank();
  EXPECT_EQ(keyBytes(key(kResourceByKindCode), p.bytes()), cat({{0}, chars("-PR-"), {0, 0, 0, 0}}));
  ProviderRecord dr;
  ASSERT_TRUE(dr.setKey(rec::kKindProvider, "DR1"));
  ASSERT_TRUE(dr.setLastName("Smith"));  // names sit after the code; never in key 7
  EXPECT_EQ(keyBytes(key(kResourceByKindCode), dr.bytes()),
            cat({{1}, chars("DR1 "), {0, 0, 0, 0}}));
}

TEST(SchemaKeyBytes, WeekRecordKeyIsKindCodeWeek) {
  const RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kOperatory, "OP2", 121001);
  EXPECT_EQ(keyBytes(key(kRscUseByKey), r.bytes()), cat({{3}, chars("OP2 "), le32(121001)}));
}

TEST(SchemaKeyBytes, ContinuingCareKeysArePatientTypeAndDueDatePatient) {
  ContinuingCareRecord c;
  c.setPatientId(0x0A0B0C0D);
  c.setType(7);
  c.setDueDate(121100);
  c.setGuarantorId(5);
  EXPECT_EQ(keyBytes(key(kCareByPatient), c.bytes()), cat({le32(0x0A0B0C0D), {7, 0}}));
  EXPECT_EQ(keyBytes(key(kCareByDueDate), c.bytes()), cat({le32(121100), le32(0x0A0B0C0D)}));
  EXPECT_EQ(keyBytes(key(kCareByGuarantor), c.bytes()),
            cat({le32(5), le32(121100), le32(0x0A0B0C0D)}));
}

TEST(SchemaKeyBytes, NoteAndDefinitionKeys) {
  NoteRecord n;
  n.setKey(NoteRecord::kCareNote, 42, 3);
  EXPECT_EQ(keyBytes(key(kNoteByOwner), n.bytes()), cat({{9, 0}, le32(42), {3, 0}}));
  DefinitionRecord d;
  d.setKey(DefinitionRecord::kFlagLabel, 12);
  EXPECT_EQ(keyBytes(key(kDefinitionByKindNumber), d.bytes()), (std::vector<std::uint8_t>{3, 12}));
}

TEST(SchemaKeyBytes, RecordTooShortForAKeyGivesNoBytes) {
  const std::vector<std::uint8_t> tooShort(12, 0);
  EXPECT_TRUE(keyBytes(key(kApptByDateOperatory), tooShort).empty());
  EXPECT_TRUE(keyBytes(key(kAppointmentFile), AppointmentRecord().bytes()).empty());
}

// ---------------------------------------------------------------------------------------------
// Look-ups

TEST(SchemaLookup, FindsFilesByNumberAndByAnyOfTheirKeys) {
  EXPECT_EQ(findFileOfKey(15)->fileNumber, kAppointmentFile);
  EXPECT_EQ(findFileOfKey(9)->fileNumber, kAppointmentFile);
  EXPECT_EQ(findFileOfKey(16)->fileNumber, 16);
  EXPECT_EQ(findFileOfKey(105)->fileNumber, kCareFile);
  EXPECT_EQ(findFileOfKey(337)->fileNumber, kQuestionnaireFile);
  EXPECT_EQ(findFileDef(kPatientFile)->recordLength, 558u);
  EXPECT_EQ(findKeyDef(95)->keyNumber, 95);
}

TEST(SchemaLookup, NumbersInNoRangeFindNothing) {
  for (const int n : {-1, 0, 28, 33, 62, 76, 122, 288, 333, 338, 100000}) {
    EXPECT_EQ(findFileOfKey(n), nullptr) << n;
    EXPECT_EQ(findKeyDef(n), nullptr) << n;
  }
  // A key number is not a file number.
  EXPECT_EQ(findFileDef(10), nullptr);
  EXPECT_EQ(findFileDef(101), nullptr);
}

}  // namespace
