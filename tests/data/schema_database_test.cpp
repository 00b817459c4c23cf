// The catalogue against the database engine: every file can be created (twice), and the keys
// behave as the callers that build key bytes by hand expect.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "contracts/qdb.h"
#include "data/appointment_record.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "data/station_record.h"
#include "tests/support/temp_dir.h"

namespace {

class SchemaDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<vantrel::test::TempDir>("vantrel-schema");
    ASSERT_EQ(QDB_CreateDataBase(dir_->path().c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(dir_->path().c_str()), 1);
    session_ = QDB_StartSession(1);
    for (int round = 0; round < 2; ++round) {  // creating again must change nothing
      for (const QdbFileDef& f : schemaCatalogue()) {
        ASSERT_EQ(QDB_CREIFIL(session_, f), 1)
            << "file " << f.fileNumber << ": error " << QDB_GetLastErrorNum(session_);
      }
    }
  }
  static void TearDownTestSuite() {
    QDB_CloseDataBase();
    dir_.reset();
  }
  void TearDown() override { QDB_CloseFile(file_); }

  QdbHandle open(int number) {
    file_ = QDB_OpenFile(session_, number);
    EXPECT_NE(file_, 0u) << "file " << number << ": error " << QDB_GetLastErrorNum(session_);
    return file_;
  }
  // A call succeeded: the engine returns non-zero and leaves error 0.
  static ::testing::AssertionResult ok(int result) {
    const int error = QDB_GetLastErrorNum(session_);
    if (result != 0 && error == kQdbOk) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "result " << result << ", error " << error;
  }
  // The records of the set of `key` with the first `prefix` bytes of `keyBytes`.
  template <typename R>
  std::vector<R> set(int key, const std::vector<std::uint8_t>& keyBytes, std::size_t prefix) {
    std::vector<R> out;
    R r;
    const QdbHandle s =
        QDB_StartSet(file_, key, 0, keyBytes.data(), keyBytes.size(), r.data(), r.size(), prefix);
    for (int more = s != 0; more != 0; more = QDB_NextRecInSet(s, r.data(), r.size())) {
      out.push_back(r);
    }
    EXPECT_EQ(QDB_GetLastErrorNum(session_), kQdbNotFound);
    QDB_EndSet(s);
    return out;
  }

  static inline std::unique_ptr<vantrel::test::TempDir> dir_;
  static inline QdbSession session_ = 0;
  QdbHandle file_ = 0;
};

TEST_F(SchemaDatabase, TwoAppointmentsOfOneDayAndOperatoryAreBothKeptAndListed) {
  const QdbHandle h = open(kAppointmentFile);
  for (const auto& [date, hour] : {std::pair{130000u, 9}, {130000u, 8}, {129999u, 9}}) {
    AppointmentRecord a;
    a.setUnitSize(2);
    ASSERT_TRUE(a.schedule(date, "OP1", static_cast<std::uint8_t>(hour), 0));
    ASSERT_TRUE(a.setProvider("DR1"));
    ASSERT_TRUE(ok(QDB_AddRec(h, a.data(), a.size())));
    EXPECT_NE(a.identifier(), 0u);
  }
  const auto day = set<AppointmentRecord>(kApptByDateOperatory, {0xD0, 0xFB, 0x01, 0x00}, 4);
  ASSERT_EQ(day.size(), 2u) << "130000 is 0x0001FBD0";
  for (const AppointmentRecord& a : day) EXPECT_EQ(a.date(), 130000u);
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
  const auto list = set<AppointmentRecord>(kApptUnscheduled, {1, 1, 'D', 'R', '2', ' '}, 6);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].listDate(), 0x0001FF00u);
  EXPECT_EQ(list[1].listDate(), 0x00020001u);
}

TEST_F(SchemaDatabase, SecondRecordOfOneWorkstationIsRefusedAndThePracticeStateIsFound) {
  const QdbHandle h = open(kStationFile);
  StationRecord s;
  s.setStation(101);
  ASSERT_TRUE(ok(QDB_AddRec(h, s.data(), s.size())));
  s.setDate(130000);
  EXPECT_EQ(QDB_AddRec(h, s.data(), s.size()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(session_), kQdbDuplicateKey);

  const QdbHandle resources = QDB_OpenFile(session_, kResourceFile);
  PracticeRecord p = PracticeRecord::blank();
  ASSERT_TRUE(p.setState("WA"));
  ASSERT_TRUE(ok(QDB_AddRec(resources, p.data(), p.size())));
  QDB_CloseFile(resources);
  char state[3] = {};
  ASSERT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 1);
  EXPECT_STREQ(state, "WA");
}

}  // namespace
