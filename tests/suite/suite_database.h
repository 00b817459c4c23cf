#pragma once
// A practice database of a test's own for the suite components, and quick ways to put patients
// and lab cases in.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "suite/lab_cases.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

class SuiteDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(dataPath().c_str()), 0);
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string dataPath() const { return dir_.file("data"); }

  // Adds a patient; `medical` sets the first of the record's medical alert bytes.
  std::uint32_t addPatient(const std::string& last, const std::string& first,
                           bool medical = false) {
    PatientRecord p;
    p.setLastName(last);
    p.setFirstName(first);
    if (medical) p.setMedicalAlerts({1, 0, 0, 0, 0, 0, 0, 0});
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle f = QDB_OpenFile(s, kPatientFile);
    EXPECT_EQ(QDB_AddRec(f, p.data(), p.size()), 1);
    QDB_EndSession(s);
    return p.identifier();
  }

  std::uint32_t addCase(std::uint32_t patient, LabCaseState state, PackedDate due,
                        const std::string& description = "Crown",
                        const std::string& provider = "DR1") {
    LabCase c;
    c.patientId = patient;
    c.providerCode = provider;
    c.lab = "Acme Dental Lab";
    c.description = description;
    c.sent = state == LabCaseState::kNotSent ? 0 : today() - 10;
    c.due = due;
    c.returned = state == LabCaseState::kReturned ? today() - 1 : 0;
    c.state = state;
    EXPECT_EQ(addLabCase(&c, today()), 0);
    return c.id;
  }

  static PackedDate today() { return QRX_DateIn(2026, 3, 12); }

 private:
  vantrel::test::TempDir dir_{"vantrel-suite"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
};
