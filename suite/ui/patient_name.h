#pragma once
// The patient's name as the captions of this folder's dialogs show it (internal).

#include <array>
#include <cstdint>
#include <string>

#include "contracts/qrx.h"
#include "data/patient_record.h"
#include "data/record_readers.h"

// "Last, First M"; empty when the patient cannot be read.
inline std::string patientCaptionName(std::uint32_t patientId) {
  PatientRecord patient;
  if (!readPatientById(patientId, &patient)) return {};
  std::array<char, 64> name{};
  QRX_PackName(name.data(), name.size(), patient.lastName(), patient.firstName(),
               patient.middleInitial(), 0);
  return name.data();
}
