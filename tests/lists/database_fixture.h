#pragma once
// A practice database of a test's own, the process access layer's stand-in over it, and quick
// ways to put records in.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/definition_record.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

class ListDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
    ASSERT_EQ(db_.startSession(), 0);
    writer_ = QDB_StartSession(1);
    ASSERT_NE(writer_, 0);
  }
  void TearDown() override {
    db_.endSession();
    QDB_CloseDataBase();
  }

  // Adds a record through the test's own session; returns the identifier the database gave.
  template <typename Record>
  std::uint32_t add(int file, Record& record) {
    const QdbHandle f = QDB_OpenFile(writer_, file);
    EXPECT_NE(f, 0u);
    EXPECT_NE(QDB_AddRec(f, record.data(), record.size()), 0) << "file " << file;
    QDB_CloseFile(f);
    return rec::loadU32(record.data() + 2);
  }

  // A scheduled appointment of the date, in operatory `op` with provider `prov`.
  std::uint32_t addScheduled(PackedDate date, const std::string& op, const std::string& prov,
                             int hour, int minute, const std::string& name,
                             std::uint8_t kind = AppointmentRecord::kFixed) {
    AppointmentRecord a;
    a.schedule(date, op, static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute));
    a.setProvider(prov);
    a.setName(name);
    a.setLength(30);
    a.setScheduleKind(kind);
    return add(kAppointmentFile, a);
  }

  // An appointment on the Unscheduled list since `listDate`.
  std::uint32_t addUnscheduled(PackedDate listDate, const std::string& prov,
                               const std::string& name) {
    AppointmentRecord a;
    a.unschedule();
    a.setListDate(listDate);
    a.setProvider(prov);
    a.setName(name);
    a.setStatus(AppointmentRecord::kStatusWillCall);
    return add(kAppointmentFile, a);
  }

  void addDefinition(std::uint8_t kind, std::uint8_t number, const std::string& text) {
    DefinitionRecord d;
    d.setKey(kind, number);
    d.setText(text);
    add(kDefinitionFile, d);
  }
  void addStatus(std::uint8_t number, const std::string& name, char colour,
                 const std::string& colourText = "") {
    DefinitionRecord d;
    d.setKey(DefinitionRecord::kApptStatus, number);
    d.setStatusColourCode(colour);
    d.setStatusName(name);
    d.setStatusColourText(colourText);
    add(kDefinitionFile, d);
  }

  vantrel::test::TempDir dir_{"vantrel-lists"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  AccessLayer db_;
  QdbSession writer_ = 0;
  ScriptedPrompter prompter_;
};
