#pragma once
// A practice database of a test's own, with the suite profile pointing at it; records go in and
// come out through short sessions of the test's own, as another workstation would see them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/record_bytes.h"
#include "data/short_session.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

class PracticeDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    today_.unset();
    ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", dataPath().c_str()), 1);
    ASSERT_EQ(createPracticeDatabase(dataPath().c_str()), 0);
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string dataPath() const { return dir_.file("data"); }

  // Adds `record`; returns the identifier the database gave it.
  template <typename Record>
  std::uint32_t add(int file, Record&& record) {
    ShortSession s(file);
    EXPECT_EQ(QDB_AddRec(s.handle(), record.data(), record.size()), 1) << "file " << file;
    return rec::loadU32(record.data() + 2);
  }

  vantrel::test::TempDir dir_{"vantrel-practice"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  vantrel::test::ScopedEnv today_{"VANTREL_TODAY"};
};

// Every record of a fixed-length file, in the order of its first key.
template <typename Record>
std::vector<Record> storedRecords(int file) {
  std::vector<Record> out;
  ShortSession s(file);
  EXPECT_NE(s.handle(), 0u) << "file " << file;
  Record r;
  for (int ok = QDB_FirstRec(s.handle(), file, r.data(), r.size()); ok == 1;
       ok = QDB_NextRec(s.handle(), file, r.data(), r.size())) {
    out.push_back(r);
  }
  EXPECT_EQ(QDB_GetLastErrorNum(s.session()), kQdbNotFound) << "file " << file;
  return out;
}

// The four little-endian bytes of an identifier, as the identifier keys take it.
inline std::vector<std::uint8_t> idKey(std::uint32_t id) {
  return {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
          static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
}
