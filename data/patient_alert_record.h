#pragma once
// The alert texts of one patient (file 180, 384 bytes), kept by the suite's patient alerts
// component: a few short lines that pop up when the front desk books or opens the patient's
// appointments ("Premedicate before cleanings", "Prefers afternoon appointments").
// A patient without alert texts has no record.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class PatientAlertRecord : public rec::Fixed<384> {
 public:
  // Bytes 0-1 belong to the database; 10-15 and 382-383 are kept as read.
  static constexpr rec::U32Field kPatient{2};
  static constexpr rec::U32Field kChanged{6};
  static constexpr rec::TextArray kLines{16, 61, 6};

  static constexpr std::size_t kLineCount = kLines.count;
  static constexpr std::size_t kMaxLineLength = kLines.width - 1;

  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  PackedDate changed() const { return u32<kChanged>(); }
  void setChanged(PackedDate v) { setU32<kChanged>(v); }
  std::string line(std::size_t i) const { return textAt<kLines>(i); }
  // False when the line was cut to fit or `i` is out of range.
  bool setLine(std::size_t i, std::string_view v) { return setTextAt<kLines>(i, v); }
};
