// The schema catalogue: complete, consistent with itself, with the record layouts and with the
// key bytes that callers build.

#include "data/schema.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
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

TEST(SchemaCatalogue, HoldsEverySharedFileAndIsConsistentWithItself) {
  for (const Range& r : kSharedFiles) {
    const QdbFileDef& f = file(r.file);
    ASSERT_FALSE(f.keys.empty()) << r.file;
    EXPECT_EQ(f.keys.back().keyNumber, r.lastKey) << "file " << r.file;
  }
  // Files reached only by short sessions, and the files of the suite that are written.
  EXPECT_EQ(findFileOfKey(kPrescriptionByPatient), findFileDef(kPrescriptionFile));
  EXPECT_EQ(findFileOfKey(kQuestionnaireByPatient), findFileDef(kQuestionnaireFile));
  EXPECT_EQ(findFileOfKey(kJournalAdd), findFileDef(kJournalFile));
  EXPECT_NE(findFileDef(kUserFile), nullptr);
  EXPECT_NE(findFileDef(kAuditFile), nullptr);

  std::map<int, int> owner;
  for (const QdbFileDef& f : schemaCatalogue()) {
    SCOPED_TRACE("file " + std::to_string(f.fileNumber));
    ASSERT_FALSE(f.keys.empty());
    ASSERT_GT(f.recordLength, 0u);
    EXPECT_LE(f.keys.size(), kQdbMaxKeysPerFile);
    EXPECT_TRUE(f.keys.front().segments.empty()) << "the first key is the file's own order";
    bool identifierKey = false;
    for (std::size_t i = 0; i < f.keys.size(); ++i) {
      const QdbKeyDef& k = f.keys[i];
      SCOPED_TRACE("key " + std::to_string(k.keyNumber));
      EXPECT_EQ(k.keyNumber, f.fileNumber + static_cast<int>(i)) << "keys run without gaps";
      const auto [it, fresh] = owner.emplace(k.keyNumber, f.fileNumber);
      EXPECT_TRUE(fresh) << "already a key of file " << it->second;
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
      identifierKey |= k.unique && k.segments.size() == 1 && k.segments[0].offset == 2 &&
                       k.segments[0].length == 4 && k.segments[0].kind == QdbSegmentKind::kUnsigned;
    }
    if (f.hasIdentifier) {
      EXPECT_TRUE(identifierKey) << "an identifier needs its unique key";
      EXPECT_GE(f.recordLength, 6u);
    }
  }
}

TEST(SchemaCatalogue, MatchesTheRecordLayouts) {
  // clang-format off
  const std::map<int, std::size_t> sizes = {
      {kProcedureCodeFile, ProcedureCodeRecord::kSize}, {kResourceFile, ResourceRecord::kSize},
      {kAppointmentFile, AppointmentRecord::kSize}, {kPatientFile, PatientRecord::kSize},
      {kDefinitionFile, DefinitionRecord::kSize}, {kAddressFile, AddressRecord::kSize},
      {kCoverageFile, CoverageRecord::kSize},
      {kPatientProcedureFile, PatientProcedureRecord::kSize},
      {kGuarantorAccountFile, GuarantorAccountRecord::kSize},
      {kPrintJobFile, PrintJobRecord::kSize}, {kStationFile, StationRecord::kSize},
      {kProviderCounterFile, ProviderCounterRecord::kSize}, {kRscUseFile, RscUseRecord::kSize},
      {kCareTypeFile, ContinuingCareTypeRecord::kSize}, {kCareFile, ContinuingCareRecord::kSize},
      {kCareViewFile, ContinuingCareViewRecord::kSize},
      {kPrescriptionFile, PatientItemRecord::kSize}, {kUserFile, UserRecord::kSize},
      {kJournalFile, JournalRecord::kSize}, {kCarrierFile, CarrierRecord::kSize},
      {kFeeFile, FeeRecord::kSize}, {kQuestionnaireFile, PatientItemRecord::kSize},
  };
  // clang-format on
  for (const auto& [number, size] : sizes) {
    EXPECT_FALSE(file(number).variableLength) << number;
    EXPECT_EQ(file(number).recordLength, size) << number;
  }
  EXPECT_TRUE(file(kNoteFile).variableLength);
  EXPECT_EQ(file(kNoteFile).recordLength, NoteRecord::kFixedSize);
  EXPECT_TRUE(file(kAuditFile).variableLength);
  EXPECT_EQ(file(kAuditFile).recordLength, AuditRecord::kFixedSize);
  EXPECT_TRUE(file(92).variableLength);
  // The database gives an identifier on add, over whatever a record keeps at offset 2.
  for (const int n : {kAppointmentFile, kPatientFile, kAddressFile, kJournalFile, kPrintJobFile,
                      kUserFile, kAuditFile}) {
    EXPECT_TRUE(file(n).hasIdentifier) << n;
  }
  for (const int n : {kResourceFile, kDefinitionFile, kStationFile, kRscUseFile, kCareTypeFile,
                      kCareFile, kCareViewFile, kNoteFile, kGuarantorAccountFile}) {
    EXPECT_FALSE(file(n).hasIdentifier) << n;
  }
}

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

TEST(SchemaKeyBytes, RecordTooShortForAKeyGivesNoBytes) {
  const std::vector<std::uint8_t> tooShort(12, 0);
  EXPECT_TRUE(keyBytes(key(kApptByDateOperatory), tooShort).empty());
  EXPECT_TRUE(keyBytes(key(kAppointmentFile), AppointmentRecord().bytes()).empty());
}

TEST(SchemaLookup, FindsFilesByAnyOfTheirKeysAndNothingOutsideTheRanges) {
  EXPECT_EQ(findFileOfKey(9)->fileNumber, kAppointmentFile);
  EXPECT_EQ(findFileOfKey(15)->fileNumber, kAppointmentFile);
  EXPECT_EQ(findFileOfKey(337)->fileNumber, kQuestionnaireFile);
  EXPECT_EQ(findKeyDef(95)->keyNumber, 95);
  for (const int n : {-1, 0, 28, 33, 62, 76, 122, 288, 333, 338, 100000}) {
    EXPECT_EQ(findFileOfKey(n), nullptr) << n;
    EXPECT_EQ(findKeyDef(n), nullptr) << n;
  }
  EXPECT_EQ(findFileDef(10), nullptr) << "a key number is not a file number";
}

}  // namespace
