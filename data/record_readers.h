#pragma once
// Reading one record by its identifier. Each reader opens a short session of its own and
// reports the record as missing on any failure (no database, no file, not found, locked).

#include <cstdint>

class AppointmentRecord;
class PatientRecord;
class AddressRecord;

bool readAppointmentById(std::uint32_t id, AppointmentRecord* out);
bool readPatientById(std::uint32_t id, PatientRecord* out);
bool readAddressById(std::uint32_t id, AddressRecord* out);
// Whether any of the patient's eight medical alert bytes is set; false when the patient cannot
// be read.
bool patientHasMedicalAlerts(std::uint32_t patientId);
