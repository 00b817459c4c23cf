#include "tests/platform/qrxdb/support/qdb_fixture.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/qrxdb/testing.h"

namespace qdbtest {

Rec& Rec::u8(std::size_t at, std::uint8_t v) {
  bytes_.at(at) = v;
  return *this;
}

Rec& Rec::u32(std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) bytes_.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
  return *this;
}

Rec& Rec::text(std::size_t at, std::size_t width, const std::string& s) {
  for (std::size_t i = 0; i < width; ++i) {
    bytes_.at(at + i) = i + 1 < width && i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0;
  }
  return *this;
}

std::uint32_t Rec::u32(std::size_t at) const {
  std::uint32_t v = 0;
  for (std::size_t i = 4; i > 0; --i) v = (v << 8) | bytes_.at(at + i - 1);
  return v;
}

std::string Rec::text(std::size_t at) const {
  const auto end = std::find(bytes_.begin() + at, bytes_.end(), 0);
  return std::string(bytes_.begin() + at, end);
}

namespace {
constexpr QdbSegmentKind kB = QdbSegmentKind::kBytes;
constexpr QdbSegmentKind kU = QdbSegmentKind::kUnsigned;
constexpr QdbSegmentKind kT = QdbSegmentKind::kText;
}  // namespace

QdbFileDef apptDef() {
  QdbFileDef def{kAppts, "appointments", kApptSize, false, true, {}};
  def.keys = {{9, true, {}, "every appointment"},
              {10, false, {{6, 4, kU}, {10, 1, kB}, {11, 4, kT}}, "a day, or a day and operatory"},
              {13, true, {{2, 4, kU}}, "one appointment"},
              {14, false, {{54, 4, kU}}, "a patient's appointments"}};
  return def;
}

Rec appt(std::uint32_t date, const std::string& operatory, std::uint32_t patient) {
  Rec r(kApptSize);
  r.u32(6, date).u8(10, 3).u32(54, patient);
  std::copy_n(operatory.begin(), std::min<std::size_t>(4, operatory.size()), r.data() + 11);
  return r;
}

QdbFileDef peopleDef() {
  QdbFileDef def{kPeople, "people", kPersonSize, false, true, {}};
  def.keys = {{18, true, {}, "every person"},
              {19, true, {{2, 4, kU}}, "one person"},
              {20, false, {{10, 21, kT}, {31, 16, kT}}, "by name"},
              {21, true, {{47, 8, kB}}, "by chart"}};
  return def;
}

Rec person(const std::string& last, const std::string& first, const std::string& chart) {
  Rec r(kPersonSize);
  r.text(10, 21, last).text(31, 16, first).text(47, 8, chart);
  return r;
}

QdbFileDef notesDef() {
  QdbFileDef def{kNotes, "notes", kNoteFixed, true, true, {}};
  def.keys = {{42, true, {{2, 4, kU}}, "one note"}, {43, false, {{6, 4, kU}}, "an owner's notes"}};
  return def;
}

Key keyU32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

int findRec(QdbHandle file, int key, const Key& bytes, Rec& r) {
  return QDB_FindRec(file, key, bytes.data(), bytes.size(), r.data(), r.size());
}

::testing::AssertionResult failed(std::int64_t result, int error, QdbSession session) {
  const int last = QDB_GetLastErrorNum(session);
  if (result == 0 && last == error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "gave " << result << " with error " << last << ", not 0 with error " << error;
}

std::vector<std::uint32_t> walk(QdbHandle file, int key, std::size_t recordSize, std::size_t at,
                                bool backward) {
  Rec r(recordSize);
  std::vector<std::uint32_t> seen;
  int ok = backward ? QDB_LastRec(file, key, r.data(), r.size())
                    : QDB_FirstRec(file, key, r.data(), r.size());
  for (; ok; ok = backward ? QDB_PrevRec(file, key, r.data(), r.size())
                           : QDB_NextRec(file, key, r.data(), r.size())) {
    seen.push_back(r.u32(at));
  }
  EXPECT_EQ(QDB_GetLastErrorNum(static_cast<QdbSession>(file >> 16)), kQdbNotFound);
  return seen;
}

void makeApptDatabase(const TempDir& dir) {
  ASSERT_EQ(QDB_CreateDataBase(dir.path().c_str()), 1);
  ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
  QdbSession s = QDB_StartSession(1);
  ASSERT_EQ(QDB_CREIFIL(s, apptDef()), 1);
  QdbHandle f = QDB_OpenFile(s, kAppts);
  for (std::uint32_t date : {100u, 200u, 300u}) {
    Rec r = appt(date, "OP1", date);
    ASSERT_EQ(QDB_AddRec(f, r.data(), r.size()), 1);
  }
  QDB_CloseDataBase();
}

std::string integrity(const TempDir& dir) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(dir.file("qrxdata.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* st = nullptr;
  std::string answer = "cannot check";
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    answer = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return answer;
}

void DatabaseTest::SetUp() {
  ASSERT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 1);
  reopenWith(nullptr);
}

void DatabaseTest::TearDown() {
  QDB_CloseDataBase();
  vantrel::qrxdb::testing::setEnv(nullptr);
}

void DatabaseTest::reopenWith(vantrel::qrxdb::Env* env) {
  QDB_CloseDataBase();
  vantrel::qrxdb::testing::setEnv(env);
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  session_ = QDB_StartSession(1);
  ASSERT_NE(session_, 0);
}

QdbHandle DatabaseTest::createAndOpen(const QdbFileDef& def) {
  EXPECT_EQ(QDB_CREIFIL(session_, def), 1) << "error " << lastError();
  QdbHandle file = QDB_OpenFile(session_, def.fileNumber);
  EXPECT_NE(file, 0u) << "error " << lastError();
  return file;
}

}  // namespace qdbtest
