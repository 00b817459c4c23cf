#pragma once
// A practice database of a test's own with patients and households put in directly, and the
// access layer over it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "contracts/qdb.h"
#include "data/access_layer.h"
#include "data/address_record.h"
#include "data/database_setup.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

struct NewPatient {
  std::string last;
  std::string first;
  std::string initial;
  std::uint8_t status = PatientRecord::kPatient;
  bool guarantor = false;
  std::uint32_t address = 0;
  std::string chart;
  std::string ssn;
  std::string preferred;
};

inline NewPatient person(std::string last, std::string first,
                         std::uint8_t status = PatientRecord::kPatient, bool guarantor = false) {
  NewPatient n;
  n.last = std::move(last);
  n.first = std::move(first);
  n.status = status;
  n.guarantor = guarantor;
  return n;
}

class PatselDatabase : public ::testing::Test {
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

  std::uint32_t add(int file, std::uint8_t* data, std::size_t size) {
    const QdbHandle f = QDB_OpenFile(writer_, file);
    EXPECT_NE(f, 0u);
    EXPECT_NE(QDB_AddRec(f, data, size), 0) << "file " << file;
    QDB_CloseFile(f);
    return rec::loadU32(data + 2);
  }

  std::uint32_t addPatient(const NewPatient& n) {
    PatientRecord p;
    p.setLastName(n.last);
    p.setFirstName(n.first);
    p.setMiddleInitial(n.initial);
    p.setStatus(n.status);
    p.setGuarantorFlag(n.guarantor);
    p.setSelectionFlag(n.guarantor);
    p.setAddressId(n.address);
    p.setChartNumber(n.chart);
    p.setSsn(n.ssn);
    p.setPreferredName(n.preferred);
    p.setProviderCode("DDS1");
    p.setBirthDate(QRX_DateIn(1980, 5, 17));
    return add(kPatientFile, p.data(), p.size());
  }

  std::uint32_t addAddress(const std::string& phone) {
    AddressRecord a;
    a.setPhone(phone);
    a.setCity("Bellevue");
    return add(kAddressFile, a.data(), a.size());
  }

  vantrel::test::TempDir dir_{"vantrel-patsel"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  AccessLayer db_;
  QdbSession writer_ = 0;
  ScriptedPrompter prompter_;
};
