#pragma once
// Shared pieces of the engine's tests: a fresh database in a temporary directory, two small
// files shaped like the real ones, and records built byte by byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "platform/qrxdb/env.h"
#include "tests/support/temp_dir.h"

namespace qdbtest {

// A directory of its own, removed with everything in it at the end.
using vantrel::test::TempDir;

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

// Appointments (file 9, 286 bytes, identifiers):
//   key 9  no segments (the order records were added)
//   key 10 date u32 @6, operatory kind @10, operatory code @11 (4 text), non-unique
//   key 13 identifier u32 @2, unique
//   key 14 patient u32 @54, non-unique
inline constexpr int kAppts = 9;
inline constexpr std::uint32_t kApptSize = 286;
QdbFileDef apptDef();
Rec appt(std::uint32_t date, const std::string& operatory, std::uint32_t patient = 0);

// People (file 18, 64 bytes, identifiers):
//   key 19 identifier u32 @2, unique
//   key 20 last name @10 (21 text), first name @31 (16 text), non-unique
//   key 21 chart @47 (8 bytes), unique
inline constexpr int kPeople = 18;
inline constexpr std::uint32_t kPersonSize = 64;
QdbFileDef peopleDef();
Rec person(const std::string& last, const std::string& first, const std::string& chart);

// Notes (file 42, variable length: a 16-byte fixed part, then text):
//   key 42 identifier u32 @2, unique; key 43 owner u32 @6, non-unique
inline constexpr int kNotes = 42;
inline constexpr std::uint32_t kNoteFixed = 16;
QdbFileDef notesDef();

// Key bytes of a little-endian u32.
std::vector<std::uint8_t> keyU32(std::uint32_t v);

// The real system with a clock that stands still: records a walk fetched ahead stay young
// enough to be handed out, as they do when calls follow each other quickly. Install with
// vantrel::qrxdb::testing::setEnv before QDB_InitDataBase.
class StoppedClockEnv final : public vantrel::qrxdb::Env {
 public:
  std::unique_ptr<vantrel::qrxdb::LockFile> openLockFile(const std::string& p) override;
  vantrel::qrxdb::PathKind pathKind(const std::string& p) override;
  bool makeDirectories(const std::string& p) override;
  int linkNoReplace(const std::string& a, const std::string& b) override;
  void removeFile(const std::string& p) override;
  bool syncDirectory(const std::string& p) override;
  std::uint64_t nowMicros() override { return 1'000'000; }
  void sleepMicros(std::uint64_t m) override;
  int processId() override;
};

// A test with a new database opened in a temporary directory and one session on it.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates the file and opens it in `session_`.
  QdbHandle createAndOpen(const QdbFileDef& def);
  QdbHandle open(int number, QdbSession session = 0);
  int lastError(QdbSession session = 0) const;
  int lastFile(QdbSession session = 0) const;

  TempDir dir_;
  QdbSession session_ = 0;
};

}  // namespace qdbtest
