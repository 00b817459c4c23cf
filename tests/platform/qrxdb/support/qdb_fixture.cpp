#include "tests/platform/qrxdb/support/qdb_fixture.h"

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
  std::string s;
  for (std::size_t i = at; i < bytes_.size() && bytes_[i] != 0; ++i) {
    s += static_cast<char>(bytes_[i]);
  }
  return s;
}

QdbFileDef apptDef() {
  QdbFileDef def;
  def.fileNumber = kAppts;
  def.name = "appointments";
  def.recordLength = kApptSize;
  def.hasIdentifier = true;
  def.keys = {
      {9, true, {}, "every appointment"},
      {10,
       false,
       {{6, 4, QdbSegmentKind::kUnsigned},
        {10, 1, QdbSegmentKind::kBytes},
        {11, 4, QdbSegmentKind::kText}},
       "a day, or a day and operatory"},
      {13, true, {{2, 4, QdbSegmentKind::kUnsigned}}, "one appointment"},
      {14, false, {{54, 4, QdbSegmentKind::kUnsigned}}, "a patient's appointments"},
  };
  return def;
}

Rec appt(std::uint32_t date, const std::string& operatory, std::uint32_t patient) {
  Rec r(kApptSize);
  r.u32(6, date).u8(10, 3).text(11, 4, "").u32(54, patient);
  for (std::size_t i = 0; i < 4 && i < operatory.size(); ++i) {
    r.u8(11 + i, static_cast<std::uint8_t>(operatory[i]));
  }
  return r;
}

QdbFileDef peopleDef() {
  QdbFileDef def;
  def.fileNumber = kPeople;
  def.name = "people";
  def.recordLength = kPersonSize;
  def.hasIdentifier = true;
  def.keys = {
      {18, true, {}, "every person"},
      {19, true, {{2, 4, QdbSegmentKind::kUnsigned}}, "one person"},
      {20, false, {{10, 21, QdbSegmentKind::kText}, {31, 16, QdbSegmentKind::kText}}, "by name"},
      {21, true, {{47, 8, QdbSegmentKind::kBytes}}, "by chart"},
  };
  return def;
}

Rec person(const std::string& last, const std::string& first, const std::string& chart) {
  Rec r(kPersonSize);
  r.text(10, 21, last).text(31, 16, first).text(47, 8, chart);
  return r;
}

QdbFileDef notesDef() {
  QdbFileDef def;
  def.fileNumber = kNotes;
  def.name = "notes";
  def.recordLength = kNoteFixed;
  def.variableLength = true;
  def.hasIdentifier = true;
  def.keys = {
      {42, true, {{2, 4, QdbSegmentKind::kUnsigned}}, "one note"},
      {43, false, {{6, 4, QdbSegmentKind::kUnsigned}}, "an owner's notes"},
  };
  return def;
}

std::vector<std::uint8_t> keyU32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

namespace {
vantrel::qrxdb::Env& real() { return vantrel::qrxdb::defaultEnv(); }
}  // namespace

std::unique_ptr<vantrel::qrxdb::LockFile> StoppedClockEnv::openLockFile(const std::string& p) {
  return real().openLockFile(p);
}
vantrel::qrxdb::PathKind StoppedClockEnv::pathKind(const std::string& p) {
  return real().pathKind(p);
}
bool StoppedClockEnv::makeDirectories(const std::string& p) { return real().makeDirectories(p); }
int StoppedClockEnv::linkNoReplace(const std::string& a, const std::string& b) {
  return real().linkNoReplace(a, b);
}
void StoppedClockEnv::removeFile(const std::string& p) { real().removeFile(p); }
bool StoppedClockEnv::syncDirectory(const std::string& p) { return real().syncDirectory(p); }
void StoppedClockEnv::sleepMicros(std::uint64_t m) { real().sleepMicros(m); }
int StoppedClockEnv::processId() { return real().processId(); }

void DatabaseTest::SetUp() {
  ASSERT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 1);
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  session_ = QDB_StartSession(1);
  ASSERT_NE(session_, 0);
}

void DatabaseTest::TearDown() { QDB_CloseDataBase(); }

QdbHandle DatabaseTest::createAndOpen(const QdbFileDef& def) {
  EXPECT_EQ(QDB_CREIFIL(session_, def), 1) << "error " << lastError();
  QdbHandle file = QDB_OpenFile(session_, def.fileNumber);
  EXPECT_NE(file, 0u) << "error " << lastError();
  return file;
}

QdbHandle DatabaseTest::open(int number, QdbSession session) {
  return QDB_OpenFile(session != 0 ? session : session_, number);
}

int DatabaseTest::lastError(QdbSession session) const {
  return QDB_GetLastErrorNum(session != 0 ? session : session_);
}

int DatabaseTest::lastFile(QdbSession session) const {
  return QDB_GetLastFileNum(session != 0 ? session : session_);
}

}  // namespace qdbtest
