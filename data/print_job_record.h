#pragma once
// One job for the suite's print program (file 72): 1330 bytes. Bytes 0-177 are common to every
// report; the report's own fields start at 308. This module sets only the fields named here and
// leaves every other byte zero; the print program defines the rest.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class PrintJobRecord : public rec::Fixed<1330> {
 public:
  // Bytes 0-5 are written zero; the database puts the job's identifier at 2 when it is added, so
  // the print program can tell jobs apart and find them by key 73.
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U16Field kStation{6};
  static constexpr rec::U32Field kToday{10};
  static constexpr rec::TextField kReportName{14, 80};
  static constexpr rec::TextField kDescription{94, 80};
  static constexpr rec::U32Field kReportDate{174};

  // Route slip.
  static constexpr rec::U16Field kSlipTimeBlockCode{308};
  static constexpr rec::U32Field kSlipAppointment{310};
  static constexpr rec::U32Field kSlipZero{314};

  // Continuing care list and mailing labels.
  static constexpr rec::U8Field kCareLabels{308};
  static constexpr rec::U8Field kCareLabelColumns{309};
  static constexpr rec::U32Field kCareGuarantor{310};
  static constexpr rec::BytesField kCareViewBody{318, 60};
  static constexpr rec::U8Field kCareMarker{645};
  static constexpr rec::U8Field kCareStation{646};

  // The print program's request kind in the low byte of the station field.
  static constexpr std::uint16_t kPrintNowKind = 7;

  // Printed at once from workstation n: n × 256 + 7. A batch job: 0.
  static std::uint16_t stationWord(int workstationNumber) {
    return static_cast<std::uint16_t>(workstationNumber * 256 + kPrintNowKind);
  }

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  std::uint16_t station() const { return u16<kStation>(); }
  void setStation(std::uint16_t v) { setU16<kStation>(v); }
  PackedDate today() const { return u32<kToday>(); }
  void setToday(PackedDate v) { setU32<kToday>(v); }
  std::string reportName() const { return text<kReportName>(); }
  bool setReportName(std::string_view v) { return setText<kReportName>(v); }
  std::string description() const { return text<kDescription>(); }
  bool setDescription(std::string_view v) { return setText<kDescription>(v); }
  PackedDate reportDate() const { return u32<kReportDate>(); }
  void setReportDate(PackedDate v) { setU32<kReportDate>(v); }

  std::uint16_t slipTimeBlockCode() const { return u16<kSlipTimeBlockCode>(); }
  void setSlipTimeBlockCode(std::uint16_t v) { setU16<kSlipTimeBlockCode>(v); }
  std::uint32_t slipAppointment() const { return u32<kSlipAppointment>(); }
  void setSlipAppointment(std::uint32_t v) {
    setU32<kSlipAppointment>(v);
    setU32<kSlipZero>(0);
  }

  bool careLabels() const { return u8<kCareLabels>() != 0; }
  void setCareLabels(bool v) { setU8<kCareLabels>(v ? 1 : 0); }
  std::uint8_t careLabelColumns() const { return u8<kCareLabelColumns>(); }
  void setCareLabelColumns(std::uint8_t v) { setU8<kCareLabelColumns>(v); }
  std::uint32_t careGuarantor() const { return u32<kCareGuarantor>(); }
  void setCareGuarantor(std::uint32_t v) { setU32<kCareGuarantor>(v); }
  std::array<std::uint8_t, 60> careViewBody() const { return raw<kCareViewBody>(); }
  void setCareViewBody(const std::array<std::uint8_t, 60>& v) { setRaw<kCareViewBody>(v); }
  std::uint8_t careMarker() const { return u8<kCareMarker>(); }
  void setCareMarker(std::uint8_t v) { setU8<kCareMarker>(v); }
  std::uint8_t careStation() const { return u8<kCareStation>(); }
  void setCareStation(std::uint8_t v) { setU8<kCareStation>(v); }
};
