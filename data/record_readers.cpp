#include "data/record_readers.h"

#include <array>

#include "contracts/qrx.h"
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "data/short_session.h"

namespace {

std::array<std::uint8_t, 4> idKey(std::uint32_t id) {
  return {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
          static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
}

// Finds the record whose identifier key equals `id` into `record` (any fixed record type).
template <typename Record>
bool readById(int fileNumber, int key, std::uint32_t id, Record* record) {
  if (id == 0 || record == nullptr) return false;
  ShortSession s(fileNumber);
  if (s.handle() == 0) return false;
  Record found;
  const auto k = idKey(id);
  if (QDB_FindRec(s.handle(), key, k.data(), k.size(), found.data(), found.size()) == 0) {
    return false;
  }
  *record = found;
  return true;
}

}  // namespace

bool readAppointmentById(std::uint32_t id, AppointmentRecord* out) {
  return readById(kAppointmentFile, kApptById, id, out);
}

bool readPatientById(std::uint32_t id, PatientRecord* out) {
  return readById(kPatientFile, kPatientById, id, out);
}

bool readAddressById(std::uint32_t id, AddressRecord* out) {
  return readById(kAddressFile, kAddressById, id, out);
}

bool patientHasMedicalAlerts(std::uint32_t patientId) {
  PatientRecord patient;
  return readPatientById(patientId, &patient) && patient.hasMedicalAlerts();
}

int QRX_CheckForPrivatePhone(const void* patientRecord, std::size_t size) {
  PatientRecord patient;
  return patient.load(patientRecord, size) && patient.phonePrivate() ? 1 : 0;
}

int QRX_CheckForPatientPrivatePhone(std::uint32_t patientId) {
  PatientRecord patient;
  return readPatientById(patientId, &patient) && patient.phonePrivate() ? 1 : 0;
}
