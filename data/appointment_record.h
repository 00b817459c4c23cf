#pragma once
// One appointment of the appointment file (file 9): 286 bytes.
//
// An appointment either has a place in the schedule (a date, an operatory, a start time) or is on
// the Unscheduled list (date 0, unscheduled marker 1, no operatory, start 0). schedule() and
// unschedule() keep those fields consistent with each other; every other field is independent.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class AppointmentRecord : public rec::Fixed<286> {
 public:
  // Bytes 0 and 1 belong to the database; 166-169 and 256 are unused. All are kept as read.
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kDate{6};
  static constexpr rec::ResourceField kOperatory{10};
  static constexpr rec::ResourceField kProvider{15};
  static constexpr rec::U8Field kStartSlot{20};
  static constexpr rec::U8Field kUnscheduled{21};
  static constexpr rec::TextField kName{22, 32};
  static constexpr rec::U32Field kPatient{54};
  static constexpr rec::I16Field kLength{58};
  static constexpr rec::U32Field kAmount{60};
  static constexpr rec::U32Field kListDate{64};
  static constexpr rec::U8Field kScheduleKind{68};
  static constexpr rec::BytesField kPattern{69, 6};
  static constexpr rec::TextField kPhone{75, 17};
  static constexpr rec::TextField kDescription{92, 61};
  static constexpr rec::U8Field kStartHour{153};
  static constexpr rec::U8Field kStartMinute{154};
  static constexpr rec::U8Field kStatus{155};
  static constexpr rec::U8Field kType{156};
  static constexpr rec::U8Field kUnitSize{157};
  static constexpr rec::U32Field kAddress{158};
  static constexpr rec::U8Field kReasonUpdatesCare{162};
  static constexpr rec::U8Field kAmountSetByHand{163};
  static constexpr rec::U8Field kNewPersonByte{164};
  static constexpr rec::U8Field kLabCase{165};
  static constexpr rec::U32Field kNewPersonValue{170};
  static constexpr rec::U16Field kFlags{174};
  static constexpr rec::U32Array kReasonIds{176, 20};
  static constexpr rec::ResourceField kStaff{257};
  static constexpr rec::U32Field kLastChange{262};
  static constexpr rec::U8Array kReasonKinds{266, 20};

  static constexpr std::size_t kReasonCount = 20;
  static constexpr std::size_t kFlagCount = 12;
  static constexpr std::size_t kPatternSlots = 24;

  // Status values beside the practice's own statuses 0-15.
  static constexpr std::uint8_t kStatusBroken = 100;
  static constexpr std::uint8_t kStatusWillCall = 101;  // written when put on the Unscheduled list
  static constexpr std::uint8_t kStatusComplete = 150;
  // Schedule kinds.
  static constexpr std::uint8_t kFixed = 0;
  static constexpr std::uint8_t kOpen = 1;
  static constexpr std::uint8_t kAsap = 2;
  // Reason kinds: a patient procedure record; anything else names a procedure code record.
  static constexpr std::uint8_t kReasonPatientProcedure = 1;
  static constexpr std::uint8_t kReasonProcedureCode = 0;
  // Pattern slot value that marks provider time.
  static constexpr std::uint8_t kProviderTime = 2;

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }

  PackedDate date() const { return u32<kDate>(); }
  std::uint8_t operatoryKind() const { return resource<kOperatory>().kind; }
  std::string operatoryCode() const { return resource<kOperatory>().code; }
  std::uint8_t startSlot() const { return u8<kStartSlot>(); }
  bool unscheduled() const { return u8<kUnscheduled>() != 0; }
  std::uint8_t unscheduledMarker() const { return u8<kUnscheduled>(); }
  std::uint8_t startHour() const { return u8<kStartHour>(); }
  std::uint8_t startMinute() const { return u8<kStartMinute>(); }
  PackedTime startTime() const { return {startHour(), startMinute()}; }

  // Puts the appointment in the schedule: the date, operatory (kind 3), start time and the start
  // slot computed with the unit size at byte 157 (set that first); marker 0 and list date 0.
  // Returns false when the operatory code was cut to 4 characters.
  bool schedule(PackedDate date, std::string_view operatory, std::uint8_t hour,
                std::uint8_t minute) {
    setU32<kDate>(date);
    setU8<kUnscheduled>(0);
    setU32<kListDate>(0);
    setU8<kStartHour>(hour);
    setU8<kStartMinute>(minute);
    setU8<kStartSlot>(startSlotFor(hour, minute, unitSize()));
    return setResource<kOperatory>(rec::kKindOperatory, operatory);
  }
  // Takes the appointment out of the schedule: date 0, marker 1, no operatory (kind 0, zero
  // code), start slot, hour and minute 0. The list date and the status are the caller's.
  void unschedule() {
    setU32<kDate>(0);
    setU8<kUnscheduled>(1);
    clearResource<kOperatory>();
    setU8<kStartSlot>(0);
    setU8<kStartHour>(0);
    setU8<kStartMinute>(0);
  }
  // hour × (60 / (unit × 5)) + minute / (unit × 5); a unit of 0 counts as 2 (10 minutes).
  // The field is one byte: with 5-minute units a start after 21:15 keeps only the low byte of
  // its slot. Nothing here reads the slot back; the start hour and minute are exact.
  static std::uint8_t startSlotFor(std::uint8_t hour, std::uint8_t minute, std::uint8_t unit) {
    const int minutes = (unit == 0 ? 2 : unit) * 5;
    return static_cast<std::uint8_t>(hour * (60 / minutes) + minute / minutes);
  }

  std::uint8_t providerKind() const { return resource<kProvider>().kind; }
  std::string providerCode() const { return resource<kProvider>().code; }
  // Kind 1 and the code, blank-padded. Returns false when the code was cut.
  bool setProvider(std::string_view code) {
    return setResource<kProvider>(rec::kKindProvider, code);
  }

  std::uint8_t staffKind() const { return resource<kStaff>().kind; }
  std::string staffCode() const { return resource<kStaff>().code; }
  // An empty code clears the staff (kind 0, zeros); any other sets kind 2.
  bool setStaff(std::string_view code) {
    if (code.empty()) {
      clearResource<kStaff>();
      return true;
    }
    return setResource<kStaff>(rec::kKindStaff, code);
  }

  std::string name() const { return text<kName>(); }
  bool setName(std::string_view v) { return setText<kName>(v); }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::int16_t length() const { return i16<kLength>(); }
  void setLength(std::int16_t minutes) { setI16<kLength>(minutes); }
  std::uint32_t amount() const { return u32<kAmount>(); }
  void setAmount(std::uint32_t cents) { setU32<kAmount>(cents); }
  PackedDate listDate() const { return u32<kListDate>(); }
  void setListDate(PackedDate v) { setU32<kListDate>(v); }
  std::uint8_t scheduleKind() const { return u8<kScheduleKind>(); }
  void setScheduleKind(std::uint8_t v) { setU8<kScheduleKind>(v); }

  std::array<std::uint8_t, 6> pattern() const { return raw<kPattern>(); }
  void setPattern(const std::array<std::uint8_t, 6>& v) { setRaw<kPattern>(v); }
  // Slot k (0-23) sits in byte 69 + k / 4, the first slot in the two high bits.
  std::uint8_t patternSlot(std::size_t k) const {
    if (k >= kPatternSlots) return 0;
    const std::uint8_t b = bytes_[kPattern.offset + k / 4];
    return static_cast<std::uint8_t>((b >> ((3 - k % 4) * 2)) & 3);
  }
  bool setPatternSlot(std::size_t k, std::uint8_t value) {
    if (k >= kPatternSlots || value > 3) return false;
    std::uint8_t& b = bytes_[kPattern.offset + k / 4];
    const int shift = static_cast<int>((3 - k % 4) * 2);
    b = static_cast<std::uint8_t>((b & ~(3 << shift)) | (value << shift));
    return true;
  }

  std::string phone() const { return text<kPhone>(); }
  bool setPhone(std::string_view v) { return setText<kPhone>(v); }
  std::string description() const { return text<kDescription>(); }
  bool setDescription(std::string_view v) { return setText<kDescription>(v); }
  std::uint8_t status() const { return u8<kStatus>(); }
  void setStatus(std::uint8_t v) { setU8<kStatus>(v); }
  std::uint8_t type() const { return u8<kType>(); }
  void setType(std::uint8_t v) { setU8<kType>(v); }
  // The practice's time block size (5-minute units) when the appointment was saved; 0 = 2.
  std::uint8_t unitSize() const { return u8<kUnitSize>(); }
  void setUnitSize(std::uint8_t v) { setU8<kUnitSize>(v); }
  std::uint32_t addressId() const { return u32<kAddress>(); }
  void setAddressId(std::uint32_t v) { setU32<kAddress>(v); }

  // "Use Reason to Auto Update CC".
  bool reasonUpdatesCare() const { return u8<kReasonUpdatesCare>() != 0; }
  void setReasonUpdatesCare(bool v) { setU8<kReasonUpdatesCare>(v ? 1 : 0); }
  // "Set Amount".
  bool amountSetByHand() const { return u8<kAmountSetByHand>() != 0; }
  void setAmountSetByHand(bool v) { setU8<kAmountSetByHand>(v ? 1 : 0); }
  // Values handed on from the new-person data to the next appointment scheduled from this one.
  std::uint8_t newPersonByte() const { return u8<kNewPersonByte>(); }
  void setNewPersonByte(std::uint8_t v) { setU8<kNewPersonByte>(v); }
  std::uint32_t newPersonValue() const { return u32<kNewPersonValue>(); }
  void setNewPersonValue(std::uint32_t v) { setU32<kNewPersonValue>(v); }
  bool labCase() const { return u8<kLabCase>() != 0; }
  void setLabCase(bool v) { setU8<kLabCase>(v ? 1 : 0); }

  std::uint16_t flags() const { return u16<kFlags>(); }
  void setFlags(std::uint16_t v) { setU16<kFlags>(v); }
  // Flag i (0-11) is bit i, the i-th check box of the appointment dialog.
  bool flag(std::size_t i) const { return i < kFlagCount && ((flags() >> i) & 1) != 0; }
  bool setFlag(std::size_t i, bool on) {
    if (i >= kFlagCount) return false;
    const auto bit = static_cast<std::uint16_t>(1u << i);
    setFlags(static_cast<std::uint16_t>(on ? (flags() | bit) : (flags() & ~bit)));
    return true;
  }

  // Attached reason i (0-19): an identifier (0 = empty entry) and its kind.
  std::uint32_t reasonId(std::size_t i) const { return u32At<kReasonIds>(i); }
  std::uint8_t reasonKind(std::size_t i) const { return u8At<kReasonKinds>(i); }
  bool setReason(std::size_t i, std::uint32_t id, std::uint8_t kind) {
    return setU32At<kReasonIds>(i, id) && setU8At<kReasonKinds>(i, kind);
  }

  PackedDate lastChange() const { return u32<kLastChange>(); }
  void setLastChange(PackedDate v) { setU32<kLastChange>(v); }
};
