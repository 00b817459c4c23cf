#pragma once
// Shared pieces of the engine's tests: a fresh database in a temporary directory, small files
// shaped like the real ones, records built byte by byte, and the real system with one call spoilt.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "platform/qrxdb/env.h"
#include "tests/support/temp_dir.h"

namespace qdbtest {

using vantrel::test::TempDir;
using Key = std::vector<std::uint8_t>;

// A record as bytes, with little-endian and text setters at offsets.
class Rec {
 public:
  explicit Rec(std::size_t size) : bytes_(size, 0) {}
  Rec& u8(std::size_t at, std::uint8_t v);
  Rec& u32(std::size_t at, std::uint32_t v);
  Rec& text(std::size_t at, std::size_t width, const std::string& s);
  std::uint32_t u32(std::size_t at) const;
  std::string text(std::size_t at) const;
  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  bool operator==(const Rec& other) const { return bytes_ == other.bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Appointments (file 9, 286 bytes, identifiers): key 9 the order added; key 10 date u32 @6,
// operatory kind @10, code @11 (4 text), non-unique; key 13 identifier @2; key 14 patient @54.
inline constexpr int kAppts = 9;
inline constexpr std::uint32_t kApptSize = 286;
QdbFileDef apptDef();
Rec appt(std::uint32_t date, const std::string& operatory, std::uint32_t patient = 0);

// People (file 18, 64 bytes, identifiers): key 19 identifier @2; key 20 last name @10 (21 text),
// first name @31 (16 text), non-unique; key 21 chart @47 (8 bytes), unique.
inline constexpr int kPeople = 18;
inline constexpr std::uint32_t kPersonSize = 64;
QdbFileDef peopleDef();
Rec person(const std::string& last, const std::string& first, const std::string& chart);

// Notes (file 42, a 16-byte fixed part, then text): key 42 identifier @2, key 43 owner u32 @6.
inline constexpr int kNotes = 42;
inline constexpr std::uint32_t kNoteFixed = 16;
QdbFileDef notesDef();

Key keyU32(std::uint32_t v);
// QDB_FindRec with the key's bytes and the record's whole buffer.
int findRec(QdbHandle file, int key, const Key& bytes, Rec& r);
// The u32 at `at` of every record of `file` in the order of key `key` (or backward). The walk
// must end with 101.
std::vector<std::uint32_t> walk(QdbHandle file, int key, std::size_t recordSize, std::size_t at,
                                bool backward = false);
// Success when a call gave 0 and left `error` in the status of `session` (0: the process's).
::testing::AssertionResult failed(std::int64_t result, int error, QdbSession session);

// Makes a database in `dir` holding the appointments dated 100, 200 and 300 (identifiers 1-3,
// patient = date, operatory OP1) and closes it again, so that a child may be forked after it.
void makeApptDatabase(const TempDir& dir);
// SQLite's own verdict on the database file in `dir`: "ok" when it is whole.
std::string integrity(const TempDir& dir);

// The real system with every call passed through; a test overrides the calls it spoils.
class ForwardingEnv : public vantrel::qrxdb::Env {
 public:
  std::unique_ptr<vantrel::qrxdb::LockFile> openLockFile(const std::string& p) override {
    return real().openLockFile(p);
  }
  vantrel::qrxdb::PathKind pathKind(const std::string& p) override { return real().pathKind(p); }
  bool makeDirectories(const std::string& p) override { return real().makeDirectories(p); }
  int linkNoReplace(const std::string& a, const std::string& b) override {
    return real().linkNoReplace(a, b);
  }
  void removeFile(const std::string& p) override { real().removeFile(p); }
  bool syncDirectory(const std::string& p) override { return real().syncDirectory(p); }
  std::uint64_t nowMicros() override { return real().nowMicros(); }
  void sleepMicros(std::uint64_t m) override { real().sleepMicros(m); }
  int processId() override { return real().processId(); }

 private:
  static vantrel::qrxdb::Env& real() { return vantrel::qrxdb::defaultEnv(); }
};

// A clock that stands still: records a walk fetched ahead stay young enough to be handed out.
class StoppedClockEnv final : public ForwardingEnv {
 public:
  std::uint64_t nowMicros() override { return 1'000'000; }
};

// A test with a new database opened in a temporary directory and one session on it.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Closes the database and opens it again on `env` (not owned; null: the real system), with a
  // new `session_`. The real system comes back at the end of the test.
  void reopenWith(vantrel::qrxdb::Env* env);
  // Creates the file and opens it in `session_`.
  QdbHandle createAndOpen(const QdbFileDef& def);
  QdbHandle open(int number, QdbSession session = 0) {
    return QDB_OpenFile(session != 0 ? session : session_, number);
  }
  int lastError(QdbSession session = 0) const {
    return QDB_GetLastErrorNum(session != 0 ? session : session_);
  }
  int lastFile() const { return QDB_GetLastFileNum(session_); }
  ::testing::AssertionResult failed(std::int64_t result, int error, QdbSession session = 0) const {
    return qdbtest::failed(result, error, session != 0 ? session : session_);
  }

  TempDir dir_;
  QdbSession session_ = 0;
};

}  // namespace qdbtest
