#pragma once
// A practice database of a test's own, with quick ways to put resources and schedule records in
// and to count what the schedule file holds.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/database_setup.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

class ScheduleDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
    writer_ = QDB_StartSession(1);
    ASSERT_NE(writer_, 0);
  }
  void TearDown() override {
    db_.endSession();
    QDB_CloseDataBase();
  }

  template <typename Record>
  void add(int file, Record& record) {
    const QdbHandle f = QDB_OpenFile(writer_, file);
    EXPECT_NE(QDB_AddRec(f, record.data(), record.size()), 0) << "file " << file;
    QDB_CloseFile(f);
  }
  void addPractice() {
    PracticeRecord p = PracticeRecord::blank();
    p.setName("Harbour Dental");
    p.setState("OR");
    add(kResourceFile, p);
  }
  void addProvider(const std::string& code, std::uint8_t leftOut = 0) {
    ProviderRecord p;
    p.setKey(rec::kKindProvider, code);
    p.setLeftOut(leftOut);
    add(kResourceFile, p);
  }
  void addOperatory(const std::string& code, std::uint8_t number) {
    OperatoryRecord o;
    o.setKey(rec::kKindOperatory, code);
    o.setAssignmentNumber(number);
    add(kResourceFile, o);
  }
  // A provider's default record with every period and block off, as provider setup writes it.
  static RscUseRecord providerDefaults(const std::string& code) {
    RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kProvider, code, 0);
    constexpr std::uint16_t kNo = RscUseRecord::kNoTime;
    for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
      for (std::size_t p = 0; p < RscUseRecord::kPeriods; ++p) r.setDefaultPeriod(day, p, kNo, kNo);
      for (std::size_t b = 0; b < RscUseRecord::kBlocks; ++b) r.setBlockTimes(day, b, kNo, kNo);
    }
    return r;
  }

  // Runs SQL straight on the closed database file, as a damaged disk or a foreign program would
  // leave it, then opens the database again with fresh sessions.
  void damage(const char* sql) {
    const bool hadSession = db_.session() != 0;
    db_.endSession();
    ASSERT_EQ(QDB_CloseDataBase(), 1);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(dir_.file("data/qrxdata.db").c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    EXPECT_GT(sqlite3_changes(raw), 0) << "the damage must hit a record: " << sql;
    sqlite3_close(raw);
    ASSERT_EQ(QDB_InitDataBase(dir_.file("data").c_str()), 1);
    writer_ = QDB_StartSession(1);
    if (hadSession) {
      ASSERT_EQ(db_.startSession(), 0);
    }
  }

  int scheduleRecordCount() {
    const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
    RscUseRecord r;
    int n = 0;
    for (int got = QDB_FirstRec(f, kRscUseFile, r.data(), r.size()); got != 0;
         got = QDB_NextRec(f, kRscUseFile, r.data(), r.size())) {
      ++n;
    }
    QDB_CloseFile(f);
    return n;
  }

  vantrel::test::TempDir dir_{"vantrel-schedule"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  AccessLayer db_;
  QdbSession writer_ = 0;
  ScriptedPrompter prompter_;
};
