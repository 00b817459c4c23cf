#include "data/record_readers.h"

#include <gtest/gtest.h>

#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "tests/data/practice_database.h"

namespace {

using RecordReadersTest = PracticeDatabase;

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
  const auto key = idKey(id);
  AppointmentRecord locked;
  ASSERT_NE(QDB_FindRec(holder.handle(), kApptById, key.data(), 4, locked.data(), locked.size()),
            0);

  AppointmentRecord read;
  EXPECT_TRUE(readAppointmentById(id, &read));
  EXPECT_EQ(read.description(), "held");
}

}  // namespace
