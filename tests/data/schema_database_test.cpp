// The catalogue against the database engine: every file can be created, and the keys behave as
// the callers that build key bytes by hand expect (list keys take repeats, the practice record is
// found with four zero bytes, dates order as numbers, names ignore case).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "data/station_record.h"

namespace {

std::vector<std::uint8_t> le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

class SchemaDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/vantrel-schema-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    dir_ = made;
    const std::string data = dir_ + "/data";
    ASSERT_EQ(QDB_CreateDataBase(data.c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(data.c_str()), 1);
    session_ = QDB_StartSession(1);
    ASSERT_NE(session_, 0);
    for (const QdbFileDef& f : schemaCatalogue()) {
      ASSERT_EQ(QDB_CREIFIL(session_, f), 1)
          << "file " << f.fileNumber << ": error " << QDB_GetLastErrorNum(session_);
    }
  }
  static void TearDownTestSuite() {
    if (session_ != 0) QDB_EndSession(session_);
    QDB_CloseDataBase();
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }

  static QdbHandle open(int number) {
    const QdbHandle h = QDB_OpenFile(session_, number);
    EXPECT_NE(h, 0u) << "file " << number << ": error " << QDB_GetLastErrorNum(session_);
    return h;
  }

  // A call succeeded: the engine returns non-zero and leaves error 0.
  static ::testing::AssertionResult ok(int result) {
    const int error = QDB_GetLastErrorNum(session_);
    if (result != 0 && error == kQdbOk) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "result " << result << ", error " << error;
  }

  static std::string dir_;
  static QdbSession session_;
};

std::string SchemaDatabase::dir_;
QdbSession SchemaDatabase::session_ = 0;

TEST_F(SchemaDatabase, CreatingTheCatalogueAgainChangesNothing) {
  for (const QdbFileDef& f : schemaCatalogue()) {
    EXPECT_EQ(QDB_CREIFIL(session_, f), 1) << f.fileNumber;
  }
}

TEST_F(SchemaDatabase, TwoAppointmentsOfOneDayAndOperatoryAreBothKeptAndListed) {
  const QdbHandle h = open(kAppointmentFile);
  for (const std::uint8_t hour : {9, 8}) {
    AppointmentRecord a;
    a.setUnitSize(2);
    ASSERT_TRUE(a.schedule(130000, "OP1", hour, 0));
    ASSERT_TRUE(a.setProvider("DR1"));
    ASSERT_TRUE(ok(QDB_AddRec(h, a.data(), a.size())));
    EXPECT_NE(a.identifier(), 0u);
  }
  AppointmentRecord other;  // the day before: must not be in the set
  ASSERT_TRUE(other.schedule(129999, "OP1", 9, 0));
  ASSERT_TRUE(ok(QDB_AddRec(h, other.data(), other.size())));

  const std::vector<std::uint8_t> day = le32(130000);
  AppointmentRecord got;
  const QdbHandle set =
      QDB_StartSet(h, kApptByDateOperatory, 0, day.data(), day.size(), got.data(), got.size(), 4);
  ASSERT_NE(set, 0u) << QDB_GetLastErrorNum(session_);
  int count = 1;
  EXPECT_EQ(got.date(), 130000u);
  while (QDB_NextRecInSet(set, got.data(), got.size()) != 0) {
    EXPECT_EQ(got.date(), 130000u);
    ++count;
  }
  EXPECT_EQ(count, 2);
  QDB_EndSet(set);
  QDB_CloseFile(h);
}

TEST_F(SchemaDatabase, UnscheduledListRunsInListDateOrderAcrossByteBoundaries) {
  const QdbHandle h = open(kAppointmentFile);
  // 0x0001FF00 is below 0x00020001 as a number but above it byte by byte from the low end.
  for (const PackedDate listDate : {PackedDate{0x00020001}, PackedDate{0x0001FF00}}) {
    AppointmentRecord a;
    a.unschedule();
    a.setListDate(listDate);
    ASSERT_TRUE(a.setProvider("DR2"));
    ASSERT_TRUE(ok(QDB_AddRec(h, a.data(), a.size())));
  }
  const std::vector<std::uint8_t> prefix = {1, 1, 'D', 'R', '2', ' '};
  AppointmentRecord got;
  const QdbHandle set =
      QDB_StartSet(h, kApptUnscheduled, 0, prefix.data(), prefix.size(), got.data(), got.size(), 6);
  ASSERT_NE(set, 0u) << QDB_GetLastErrorNum(session_);
  EXPECT_EQ(got.listDate(), 0x0001FF00u);
  ASSERT_TRUE(ok(QDB_NextRecInSet(set, got.data(), got.size())));
  EXPECT_EQ(got.listDate(), 0x00020001u);
  QDB_EndSet(set);
  QDB_CloseFile(h);
}

TEST_F(SchemaDatabase, PracticeStateIsReadThroughTheResourceKey) {
  const QdbHandle h = open(kResourceFile);
  PracticeRecord p = PracticeRecord::blank();
  ASSERT_TRUE(p.setName("Lakeside Dental"));
  ASSERT_TRUE(p.setState("WA"));
  ASSERT_TRUE(ok(QDB_AddRec(h, p.data(), p.size())));
  QDB_CloseFile(h);
  char state[3] = {};
  ASSERT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 1)
      << QDB_GetLastErrorNum(session_);
  EXPECT_STREQ(state, "WA");
}

TEST_F(SchemaDatabase, SecondRecordOfOneWorkstationIsRefused) {
  const QdbHandle h = open(kStationFile);
  StationRecord s;
  s.setStation(101);
  ASSERT_TRUE(ok(QDB_AddRec(h, s.data(), s.size())));
  s.setDate(130000);
  EXPECT_EQ(QDB_AddRec(h, s.data(), s.size()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(session_), kQdbDuplicateKey);
  QDB_CloseFile(h);
}

TEST_F(SchemaDatabase, PatientNamesAreFoundWithoutRegardToCase) {
  const QdbHandle h = open(kPatientFile);
  PatientRecord p;
  ASSERT_TRUE(p.setLastName("McAllister"));
  ASSERT_TRUE(p.setFirstName("Ann"));
  ASSERT_TRUE(ok(QDB_AddRec(h, p.data(), p.size())));
  PatientRecord probe;
  ASSERT_TRUE(probe.setLastName("MCALLISTER"));
  ASSERT_TRUE(probe.setFirstName("ann"));
  const std::vector<std::uint8_t> key = keyBytes(*findKeyDef(kPatientByName), probe.bytes());
  PatientRecord got;
  ASSERT_TRUE(ok(QDB_FindRec(h, kPatientByName, key.data(), key.size(), got.data(), got.size())));
  EXPECT_EQ(got.lastName(), "McAllister");
  EXPECT_EQ(got.identifier(), p.identifier());
  QDB_CloseFile(h);
}

}  // namespace
