#pragma once
// One entry of the office journal (file 150, added by key 150): 163 bytes. This module writes
// entries when it breaks (kind 7) or purges (kind 6) a patient's appointment; the journal module
// shows them.

#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class JournalRecord : public rec::Fixed<163> {
 public:
  // Bytes 0-1 are 0; 6-9 and 126-135 are the journal module's and kept as read.
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kDate{10};
  static constexpr rec::U32Field kSeconds{14};
  static constexpr rec::U32Field kPatient{18};
  static constexpr rec::CodeField kProvider{22};
  static constexpr rec::TextField kSubject{26, 20};
  static constexpr rec::TextField kText{46, 80};
  static constexpr rec::U8Field kKind{136};
  static constexpr rec::U8Field kProviderKind{137};
  static constexpr rec::U8Field kZero{138};
  static constexpr rec::BytesField kReserved{139, 24};

  static constexpr std::uint8_t kPurgedAppointment = 6;
  static constexpr std::uint8_t kBrokenAppointment = 7;

  // Assigned when the entry is added.
  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  PackedDate date() const { return u32<kDate>(); }
  void setDate(PackedDate v) { setU32<kDate>(v); }
  // Start time as seconds after midnight.
  std::uint32_t seconds() const { return u32<kSeconds>(); }
  void setSeconds(std::uint32_t v) { setU32<kSeconds>(v); }
  void setTime(PackedTime t) {
    setSeconds((static_cast<std::uint32_t>(t.hour) * 60 + t.minute) * 60);
  }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::string providerCode() const { return code<kProvider>(); }
  std::uint8_t providerKind() const { return u8<kProviderKind>(); }
  // The appointment's provider code and its kind byte (1).
  bool setProvider(std::string_view code) {
    setU8<kProviderKind>(rec::kKindProvider);
    return setCode<kProvider>(code);
  }
  std::string subject() const { return rec::Fixed<163>::text<kSubject>(); }
  bool setSubject(std::string_view v) { return rec::Fixed<163>::setText<kSubject>(v); }
  std::string text() const { return rec::Fixed<163>::text<kText>(); }
  bool setText(std::string_view v) { return rec::Fixed<163>::setText<kText>(v); }
  std::uint8_t kind() const { return u8<kKind>(); }
  void setKind(std::uint8_t v) { setU8<kKind>(v); }
};
