#include "data/record_readers.h"

#include <gtest/gtest.h>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::TempDir;

class RecordReadersTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(createPracticeDatabase(dir_.path().c_str()), 0); }
  void TearDown() override { QDB_CloseDataBase(); }

  template <typename Record>
  std::uint32_t add(int fileNumber, Record record) {
    ShortSession s(fileNumber);
    EXPECT_NE(QDB_AddRec(s.handle(), record.data(), record.size()), 0);
    return record.identifier();
  }

  TempDir dir_{"vantrel-readers"};
};

TEST_F(RecordReadersTest, EachReaderFindsItsRecordByIdentifierAndLeavesMissingOnesAlone) {
  PatientRecord p;
  p.setLastName("Okafor");
  p.setPhonePrivate(true);
  p.setMedicalAlerts({0, 0, 0, 0, 0, 0, 0, 4});
  const std::uint32_t patientId = add(kPatientFile, p);
  const std::uint32_t plainId = add(kPatientFile, PatientRecord());
  AddressRecord a;
  a.setCity("Spokane");
  const std::uint32_t addressId = add(kAddressFile, a);
  AppointmentRecord appt;
  appt.setPatientId(patientId);
  const std::uint32_t apptId = add(kAppointmentFile, appt);

  PatientRecord readPatient;
  ASSERT_TRUE(readPatientById(patientId, &readPatient));
  EXPECT_EQ(readPatient.lastName(), "Okafor");
  AddressRecord readAddress;
  ASSERT_TRUE(readAddressById(addressId, &readAddress));
  EXPECT_EQ(readAddress.city(), "Spokane");
  AppointmentRecord readAppt;
  ASSERT_TRUE(readAppointmentById(apptId, &readAppt));
  EXPECT_EQ(readAppt.patientId(), patientId);
  EXPECT_TRUE(patientHasMedicalAlerts(patientId));
  EXPECT_FALSE(patientHasMedicalAlerts(plainId));
  EXPECT_NE(QRX_CheckForPatientPrivatePhone(patientId), 0);
  EXPECT_EQ(QRX_CheckForPatientPrivatePhone(plainId), 0);
  EXPECT_NE(QRX_CheckForPrivatePhone(p.data(), p.size()), 0);
  EXPECT_EQ(QRX_CheckForPrivatePhone(p.data(), p.size() - 1), 0) << "not a patient record";

  EXPECT_FALSE(readAppointmentById(0, &readAppt));
  EXPECT_FALSE(readAppointmentById(12345, &readAppt));
  EXPECT_EQ(readAppt.patientId(), patientId) << "a missing record leaves the caller's copy";
  EXPECT_FALSE(readPatientById(1, nullptr));
  QDB_CloseDataBase();
  EXPECT_FALSE(readAppointmentById(apptId, &readAppt)) << "no database: missing, not a crash";
  EXPECT_FALSE(patientHasMedicalAlerts(patientId));
  EXPECT_EQ(QRX_CheckForPatientPrivatePhone(patientId), 0);
}

TEST_F(RecordReadersTest, AReaderIsNotStoppedByAnotherWorkstationsLock) {
  AppointmentRecord appt;
  appt.setDescription("held");
  const std::uint32_t id = add(kAppointmentFile, appt);
  ShortSession holder(kAppointmentFile);
  QDB_LKISAM(holder.session(), 2);
  const std::uint8_t key[4] = {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                               static_cast<std::uint8_t>(id >> 16),
                               static_cast<std::uint8_t>(id >> 24)};
  AppointmentRecord locked;
  ASSERT_NE(QDB_FindRec(holder.handle(), kApptById, key, 4, locked.data(), locked.size()), 0);

  AppointmentRecord read;
  EXPECT_TRUE(readAppointmentById(id, &read));
  EXPECT_EQ(read.description(), "held");
}

}  // namespace
