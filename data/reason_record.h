#pragma once
// The records behind an appointment's reasons. An attached reason names either a procedure code
// (file 1) or one of the patient's procedures, planned or done (file 52); the amount of an
// appointment adds up fees of a fee schedule (file 282). The clinical and ledger modules own
// these files; the fields below are the ones appointments read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

// One procedure code (file 1): 160 bytes.
class ProcedureCodeRecord : public rec::Fixed<160> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  // The code the practice types ("D1110"); initial-reason definitions name codes by it, so it is
  // key 3. Ten characters, as the definitions allow.
  static constexpr rec::TextField kCode{6, 11};
  static constexpr rec::TextField kAbbreviation{17, 11};
  static constexpr rec::TextField kDescription{28, 41};
  static constexpr rec::U16Field kTimeUnits{69};  // in time-block units
  static constexpr rec::BytesField kPattern{71, 6};
  static constexpr rec::U8Field kApptType{77};  // 100 = none
  static constexpr rec::U8Field kArea{78};      // 4 = quadrant
  static constexpr rec::U8Field kSecondArea{79};
  static constexpr rec::U8Field kUsable{80};  // a code with "xx" in it may still be offered
  static constexpr rec::U8Field kRepeat{81};  // multi-code: only the first two sub-codes count
  static constexpr rec::U16Field kMultiMarker{82};
  static constexpr rec::U16Field kCareType{84};  // 0 = none
  static constexpr rec::U8Field kSubCount{86};
  // Ten sub-codes of 6 bytes: a code identifier and two bytes of the clinical module's.
  static constexpr rec::U32Array kSubCodes{87, 10, 6};

  static constexpr std::uint8_t kNoApptType = 100;
  static constexpr std::uint16_t kMultiCode = 999;
  static constexpr std::uint8_t kQuadrantArea = 4;
  static constexpr std::size_t kMaxSubCodes = 10;

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::string code() const { return text<kCode>(); }
  bool setCode(std::string_view v) { return setText<kCode>(v); }
  std::string abbreviation() const { return text<kAbbreviation>(); }
  bool setAbbreviation(std::string_view v) { return setText<kAbbreviation>(v); }
  std::string description() const { return text<kDescription>(); }
  bool setDescription(std::string_view v) { return setText<kDescription>(v); }
  std::uint16_t timeUnits() const { return u16<kTimeUnits>(); }
  void setTimeUnits(std::uint16_t v) { setU16<kTimeUnits>(v); }
  std::array<std::uint8_t, 6> pattern() const { return raw<kPattern>(); }
  void setPattern(const std::array<std::uint8_t, 6>& v) { setRaw<kPattern>(v); }
  std::uint8_t apptType() const { return u8<kApptType>(); }
  void setApptType(std::uint8_t v) { setU8<kApptType>(v); }
  std::uint8_t area() const { return u8<kArea>(); }
  void setArea(std::uint8_t v) { setU8<kArea>(v); }
  std::uint8_t secondArea() const { return u8<kSecondArea>(); }
  void setSecondArea(std::uint8_t v) { setU8<kSecondArea>(v); }
  bool usable() const { return u8<kUsable>() != 0; }
  void setUsable(bool v) { setU8<kUsable>(v ? 1 : 0); }
  bool repeat() const { return u8<kRepeat>() != 0; }
  void setRepeat(bool v) { setU8<kRepeat>(v ? 1 : 0); }
  bool isMultiCode() const { return u16<kMultiMarker>() == kMultiCode; }
  void setMultiCode(bool v) { setU16<kMultiMarker>(v ? kMultiCode : 0); }
  std::uint16_t careType() const { return u16<kCareType>(); }
  void setCareType(std::uint16_t v) { setU16<kCareType>(v); }
  // The count as stored, at most 10 entries are ever read.
  std::uint8_t subCodeCount() const { return u8<kSubCount>(); }
  std::uint32_t subCode(std::size_t i) const { return u32At<kSubCodes>(i); }
  // Appends a sub-code; false when ten are there already.
  bool addSubCode(std::uint32_t codeId) {
    const std::uint8_t n = subCodeCount();
    if (n >= kMaxSubCodes) return false;
    setU32At<kSubCodes>(n, codeId);
    setU8<kSubCount>(static_cast<std::uint8_t>(n + 1));
    return true;
  }
};

// One procedure of a patient, treatment-planned or done (file 52): 64 bytes.
class PatientProcedureRecord : public rec::Fixed<64> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kPatient{6};
  static constexpr rec::U32Field kCode{10};
  static constexpr rec::U32Field kDate{14};
  static constexpr rec::U8Field kStatus{18};
  static constexpr rec::CodeField kProvider{19};
  static constexpr rec::U8Field kTooth{23};
  static constexpr rec::TextField kSurfaces{24, 6};  // up to five surface letters
  static constexpr rec::U8Field kQuadrant{30};
  static constexpr rec::U32Field kAmount{32};
  static constexpr rec::U16Field kVisit{36};
  // The appointment the procedure is scheduled in, 0 = none.
  static constexpr rec::U32Field kAppointment{38};

  static constexpr char kCompleted = 'f';
  static constexpr char kPlanned = 't';
  // Quadrant numbers; any other is "LR".
  static constexpr std::uint8_t kUpperRight = 1;
  static constexpr std::uint8_t kUpperLeft = 2;
  static constexpr std::uint8_t kLowerLeft = 3;

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::uint32_t codeId() const { return u32<kCode>(); }
  void setCodeId(std::uint32_t v) { setU32<kCode>(v); }
  PackedDate date() const { return u32<kDate>(); }
  void setDate(PackedDate v) { setU32<kDate>(v); }
  char status() const { return static_cast<char>(u8<kStatus>()); }
  void setStatus(char v) { setU8<kStatus>(static_cast<std::uint8_t>(v)); }
  std::string providerCode() const { return rec::Fixed<64>::code<kProvider>(); }
  bool setProviderCode(std::string_view v) { return rec::Fixed<64>::setCode<kProvider>(v); }
  std::uint8_t tooth() const { return u8<kTooth>(); }
  void setTooth(std::uint8_t v) { setU8<kTooth>(v); }
  std::string surfaces() const { return text<kSurfaces>(); }
  bool setSurfaces(std::string_view v) { return setText<kSurfaces>(v); }
  std::uint8_t quadrant() const { return u8<kQuadrant>(); }
  void setQuadrant(std::uint8_t v) { setU8<kQuadrant>(v); }
  std::uint32_t amount() const { return u32<kAmount>(); }
  void setAmount(std::uint32_t cents) { setU32<kAmount>(cents); }
  std::uint16_t visit() const { return u16<kVisit>(); }
  void setVisit(std::uint16_t v) { setU16<kVisit>(v); }
  std::uint32_t appointmentId() const { return u32<kAppointment>(); }
  void setAppointmentId(std::uint32_t v) { setU32<kAppointment>(v); }
};

// The fee of one procedure code in one fee schedule (file 282): 32 bytes.
class FeeRecord : public rec::Fixed<32> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U16Field kSchedule{6};
  static constexpr rec::U32Field kCode{8};
  static constexpr rec::U32Field kAmount{12};

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  std::uint16_t schedule() const { return u16<kSchedule>(); }
  void setSchedule(std::uint16_t v) { setU16<kSchedule>(v); }
  std::uint32_t codeId() const { return u32<kCode>(); }
  void setCodeId(std::uint32_t v) { setU32<kCode>(v); }
  std::uint32_t amount() const { return u32<kAmount>(); }
  void setAmount(std::uint32_t cents) { setU32<kAmount>(cents); }
};
