#pragma once
// The common head of the files that other modules own and this module only creates or asks
// "does the patient have any": prescriptions (133), questionnaires (334) and the clinical, claim
// and ledger files it does not read. 256 bytes: an identifier, the patient, a date; the rest is
// the owning module's and kept as read.

#include <cstdint>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class PatientItemRecord : public rec::Fixed<256> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kPatient{6};
  static constexpr rec::U32Field kDate{10};

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  PackedDate date() const { return u32<kDate>(); }
  void setDate(PackedDate v) { setU32<kDate>(v); }
};
