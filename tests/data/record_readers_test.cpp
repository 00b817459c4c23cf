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

TEST_F(RecordReadersTest, EachReaderFindsItsRecordByIdentifier) {
  PatientRecord p;
  p.setLastName("Okafor");
  p.setFirstName("Ada");
  const std::uint32_t patientId = add(kPatientFile, p);
  AddressRecord a;
  a.setCity("Spokane");
  const std::uint32_t addressId = add(kAddressFile, a);
  AppointmentRecord appt;
  appt.setPatientId(patientId);
  appt.setDescription("Recall exam");
  const std::uint32_t apptId = add(kAppointmentFile, appt);

  PatientRecord readPatient;
  ASSERT_TRUE(readPatientById(patientId, &readPatient));
  EXPECT_EQ(readPatient.lastName(), "Okafor");
  AddressRecord readAddress;
  ASSERT_TRUE(readAddressById(addressId, &readAddress));
  EXPECT_EQ(readAddress.city(), "Spokane");
  AppointmentRecord readAppt;
  ASSERT_TRUE(readAppointmentById(apptId, &readAppt));
  EXPECT_EQ(readAppt.description(), "Recall exam");
  EXPECT_EQ(readAppt.patientId(), patientId);
}

TEST_F(RecordReadersTest, MissingRecordsLeaveTheCallersCopyAlone) {
  AppointmentRecord appt;
  appt.setDescription("kept");
  EXPECT_FALSE(readAppointmentById(0, &appt));
  EXPECT_FALSE(readAppointmentById(12345, &appt));
  EXPECT_EQ(appt.description(), "kept");
  EXPECT_FALSE(readPatientById(1, nullptr));
  QDB_CloseDataBase();
  // No database at all: missing, not a crash.
  EXPECT_FALSE(readAppointmentById(1, &appt));
  EXPECT_FALSE(patientHasMedicalAlerts(1));
  EXPECT_EQ(QRX_CheckForPatientPrivatePhone(1), 0);
}

TEST_F(RecordReadersTest, AlertsAndPrivatePhonesAreReadFromThePatient) {
  PatientRecord plain;
  plain.setLastName("Plain");
  const std::uint32_t plainId = add(kPatientFile, plain);
  PatientRecord guarded;
  guarded.setLastName("Guarded");
  guarded.setMedicalAlerts({0, 0, 0, 0, 0, 0, 0, 4});
  guarded.setPhonePrivate(true);
  const std::uint32_t guardedId = add(kPatientFile, guarded);

  EXPECT_FALSE(patientHasMedicalAlerts(plainId));
  EXPECT_TRUE(patientHasMedicalAlerts(guardedId));
  EXPECT_EQ(QRX_CheckForPatientPrivatePhone(plainId), 0);
  EXPECT_NE(QRX_CheckForPatientPrivatePhone(guardedId), 0);
  EXPECT_NE(QRX_CheckForPrivatePhone(guarded.data(), guarded.size()), 0);
  // A buffer that is not a patient record is never taken for one.
  EXPECT_EQ(QRX_CheckForPrivatePhone(guarded.data(), guarded.size() - 1), 0);
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
