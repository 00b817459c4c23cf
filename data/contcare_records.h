#pragma once
// Continuing care (recall) records: a patient's pending care (file 100), the care types with the
// patients' personal defaults (file 97), the stored list views (file 108), and the two records of
// other modules that the list reads or counts into: guarantor accounts (file 70) and provider
// counters (file 87).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

// 2 bytes: unit byte (unit code + 1: days, weeks, months, years; + 128 for "+1 Day"; 255 = all),
// then the count (1-180).
struct CareInterval {
  std::uint8_t unit = 0;
  std::uint8_t count = 0;
  bool operator==(const CareInterval&) const = default;
};
inline constexpr std::uint8_t kIntervalAll = 255;
inline constexpr std::uint8_t kIntervalPlusOneDay = 128;

// 6 bytes: the choice (1 the patient's first provider, 2 his second, 3 the code given), the
// 4-character code, a zero byte.
struct ProviderChoice {
  std::uint8_t choice = 0;
  std::string code;
  bool operator==(const ProviderChoice&) const = default;
};
inline constexpr std::uint8_t kFirstProvider = 1;
inline constexpr std::uint8_t kSecondProvider = 2;
inline constexpr std::uint8_t kSpecificProvider = 3;

// 8 bytes: the length word (bit 15 = a default time is given, bits 0-14 the length in schedule
// units), then the 6-byte time pattern of an appointment.
struct ApptTimeSetting {
  std::uint16_t lengthWord = 0;
  std::array<std::uint8_t, 6> pattern{};
  bool operator==(const ApptTimeSetting&) const = default;
  bool given() const { return (lengthWord & 0x8000) != 0; }
  std::uint16_t units() const { return lengthWord & 0x7FFF; }
};

namespace rec {
// Accessors for the three compound fields, shared by the care records.
template <std::size_t N>
class CareFields : public Fixed<N> {
 protected:
  template <U8Field F>
  CareInterval interval() const {
    return {this->template u8<F>(), this->template u8<U8Field{F.offset + 1}>()};
  }
  template <U8Field F>
  void setInterval(const CareInterval& v) {
    this->template setU8<F>(v.unit);
    this->template setU8<U8Field{F.offset + 1}>(v.count);
  }
  template <U8Field F>
  ProviderChoice providerChoice() const {
    return {this->template u8<F>(), this->template code<CodeField{F.offset + 1}>()};
  }
  // Returns false when the code was cut to 4 characters.
  template <U8Field F>
  bool setProviderChoice(const ProviderChoice& v) {
    this->template setU8<F>(v.choice);
    this->template setU8<U8Field{F.offset + 5}>(0);
    return this->template setCode<CodeField{F.offset + 1}>(v.code);
  }
  template <U16Field F>
  ApptTimeSetting apptTime() const {
    return {this->template u16<F>(), this->template raw<BytesField{F.offset + 2, 6}>()};
  }
  template <U16Field F>
  void setApptTime(const ApptTimeSetting& v) {
    this->template setU16<F>(v.lengthWord);
    this->template setRaw<BytesField{F.offset + 2, 6}>(v.pattern);
  }
};
}  // namespace rec

// One patient's pending care of one type (file 100): 60 bytes.
class ContinuingCareRecord : public rec::CareFields<60> {
 public:
  static constexpr rec::U16Field kType{2};
  static constexpr rec::U32Field kPatient{4};
  static constexpr rec::U32Field kGuarantor{8};
  static constexpr rec::U32Field kAppointment{12};
  static constexpr rec::U32Field kDateSet{18};
  static constexpr rec::U32Field kDueDate{22};
  static constexpr rec::U32Field kPriorTreatment{28};
  static constexpr rec::U8Field kProviderChoice{32};  // 6 bytes
  static constexpr rec::U16Field kApptTime{38};       // 8 bytes
  static constexpr rec::U16Field kStatus{46};
  static constexpr rec::U32Field kTypeValue{48};

  std::uint16_t type() const { return u16<kType>(); }
  void setType(std::uint16_t v) { setU16<kType>(v); }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::uint32_t guarantorId() const { return u32<kGuarantor>(); }
  void setGuarantorId(std::uint32_t v) { setU32<kGuarantor>(v); }
  // 0 = not linked to an appointment.
  std::uint32_t appointmentId() const { return u32<kAppointment>(); }
  void setAppointmentId(std::uint32_t v) { setU32<kAppointment>(v); }
  PackedDate dateSet() const { return u32<kDateSet>(); }
  void setDateSet(PackedDate v) { setU32<kDateSet>(v); }
  PackedDate dueDate() const { return u32<kDueDate>(); }
  void setDueDate(PackedDate v) { setU32<kDueDate>(v); }
  PackedDate priorTreatment() const { return u32<kPriorTreatment>(); }
  void setPriorTreatment(PackedDate v) { setU32<kPriorTreatment>(v); }
  ProviderChoice provider() const { return providerChoice<kProviderChoice>(); }
  bool setProvider(const ProviderChoice& v) { return setProviderChoice<kProviderChoice>(v); }
  ApptTimeSetting apptTime() const { return rec::CareFields<60>::apptTime<kApptTime>(); }
  void setApptTime(const ApptTimeSetting& v) { rec::CareFields<60>::setApptTime<kApptTime>(v); }
  // The code of a care status definition (definitions kind 12); 0 = none.
  std::uint16_t status() const { return u16<kStatus>(); }
  void setStatus(std::uint16_t v) { setU16<kStatus>(v); }
  // Copied from the type when the record is made; meaning kept by other modules.
  std::uint32_t typeValue() const { return u32<kTypeValue>(); }
  void setTypeValue(std::uint32_t v) { setU32<kTypeValue>(v); }
};

// A care type of the practice (patient 0) or one patient's personal defaults for it (file 97):
// 92 bytes.
class ContinuingCareTypeRecord : public rec::CareFields<92> {
 public:
  static constexpr rec::U16Field kType{2};
  static constexpr rec::U32Field kPatient{4};
  static constexpr rec::TextField kName{8, 13};
  static constexpr rec::TextField kDescription{21, 31};
  static constexpr rec::U16Field kOverrides{52};
  static constexpr rec::U32Field kColour{54};
  static constexpr rec::U8Field kInterval{58};        // 2 bytes
  static constexpr rec::U8Field kProviderChoice{60};  // 6 bytes
  static constexpr rec::U16Field kApptTime{66};       // 8 bytes
  static constexpr rec::U16Field kInitialStatus{74};
  static constexpr rec::U32Field kRecordValue{76};

  // Override bits of personal defaults.
  static constexpr std::uint16_t kOverrideInterval = 16;
  static constexpr std::uint16_t kOverrideProvider = 32;
  static constexpr std::uint16_t kOverrideApptTime = 64;
  static constexpr std::uint16_t kOverrideStatus = 128;

  std::uint16_t type() const { return u16<kType>(); }
  void setType(std::uint16_t v) { setU16<kType>(v); }
  // 0 for the practice's definition of the type.
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::string name() const { return text<kName>(); }
  bool setName(std::string_view v) { return setText<kName>(v); }
  std::string description() const { return text<kDescription>(); }
  bool setDescription(std::string_view v) { return setText<kDescription>(v); }
  std::uint16_t overrides() const { return u16<kOverrides>(); }
  void setOverrides(std::uint16_t v) { setU16<kOverrides>(v); }
  std::uint32_t colour() const { return u32<kColour>(); }
  void setColour(std::uint32_t rgb) { setU32<kColour>(rgb); }
  CareInterval interval() const { return rec::CareFields<92>::interval<kInterval>(); }
  void setInterval(const CareInterval& v) { rec::CareFields<92>::setInterval<kInterval>(v); }
  ProviderChoice provider() const { return providerChoice<kProviderChoice>(); }
  bool setProvider(const ProviderChoice& v) { return setProviderChoice<kProviderChoice>(v); }
  ApptTimeSetting apptTime() const { return rec::CareFields<92>::apptTime<kApptTime>(); }
  void setApptTime(const ApptTimeSetting& v) { rec::CareFields<92>::setApptTime<kApptTime>(v); }
  std::uint16_t initialStatus() const { return u16<kInitialStatus>(); }
  void setInitialStatus(std::uint16_t v) { setU16<kInitialStatus>(v); }
  // Copied into new care records of the type.
  std::uint32_t recordValue() const { return u32<kRecordValue>(); }
  void setRecordValue(std::uint32_t v) { setU32<kRecordValue>(v); }
};

// A stored view of the continuing care list (file 108): 106 bytes. The 60 bytes from offset 6
// are the view body that the view dialog edits and the list loader reads.
class ContinuingCareViewRecord : public rec::CareFields<106> {
 public:
  static constexpr rec::U16Field kKind{2};
  static constexpr rec::U16Field kNumber{4};
  static constexpr rec::BytesField kBody{6, 60};
  static constexpr rec::TextField kName{6, 16};
  static constexpr rec::U16Field kType{22};
  static constexpr rec::CodeField kProviderFrom{24};
  static constexpr rec::CodeField kProviderTo{28};
  static constexpr rec::U16Field kStatus{32};
  static constexpr rec::U16Field kBillingFrom{34};
  static constexpr rec::U16Field kBillingTo{36};
  static constexpr rec::U16Field kApptFilter{38};
  static constexpr rec::U8Field kDueBefore{40};
  static constexpr rec::U8Field kDueAfter{42};
  static constexpr rec::U8Field kPriorFrom{44};
  static constexpr rec::U8Field kPriorTo{46};
  static constexpr rec::U8Field kVisitFrom{48};
  static constexpr rec::U8Field kVisitTo{50};
  static constexpr rec::U8Array kSortOrder{52, 5};
  static constexpr rec::U32Field kRangeFrom{57};
  static constexpr rec::U32Field kRangeTo{61};
  static constexpr rec::U8Field kWithCare{65};

  static constexpr std::uint16_t kViewKind = 1;
  // Appointment filter.
  static constexpr std::uint16_t kAllAppointments = 0;
  static constexpr std::uint16_t kWithAppointment = 1;
  static constexpr std::uint16_t kWithoutAppointment = 2;
  // Byte 65.
  static constexpr std::uint8_t kWithCareOfType = 1;
  static constexpr std::uint8_t kWithoutCareOfType = 2;

  // The body of a new view: all zero but "Before" one day (1, 1), "After" two days (1, 2), the
  // treatment and visit spans "all" (255, 1), and the sort order due date, type, status, patient
  // name, family.
  static std::array<std::uint8_t, 60> newBody() {
    ContinuingCareViewRecord r;
    r.setDueBefore({1, 1});
    r.setDueAfter({1, 2});
    r.setPriorFrom({kIntervalAll, 1});
    r.setPriorTo({kIntervalAll, 1});
    r.setVisitFrom({kIntervalAll, 1});
    r.setVisitTo({kIntervalAll, 1});
    const std::uint8_t order[5] = {2, 3, 4, 1, 0};
    for (std::size_t i = 0; i < 5; ++i) r.setSortKey(i, order[i]);
    return r.body();
  }

  std::uint16_t kind() const { return u16<kKind>(); }
  void setKind(std::uint16_t v) { setU16<kKind>(v); }
  std::uint16_t number() const { return u16<kNumber>(); }
  void setNumber(std::uint16_t v) { setU16<kNumber>(v); }
  std::array<std::uint8_t, 60> body() const { return raw<kBody>(); }
  void setBody(const std::array<std::uint8_t, 60>& v) { setRaw<kBody>(v); }

  std::string name() const { return text<kName>(); }
  bool setName(std::string_view v) { return setText<kName>(v); }
  std::uint16_t type() const { return u16<kType>(); }
  void setType(std::uint16_t v) { setU16<kType>(v); }
  std::string providerFrom() const { return code<kProviderFrom>(); }
  bool setProviderFrom(std::string_view v) { return setCode<kProviderFrom>(v); }
  std::string providerTo() const { return code<kProviderTo>(); }
  bool setProviderTo(std::string_view v) { return setCode<kProviderTo>(v); }
  std::uint16_t status() const { return u16<kStatus>(); }
  void setStatus(std::uint16_t v) { setU16<kStatus>(v); }
  std::uint16_t billingFrom() const { return u16<kBillingFrom>(); }
  void setBillingFrom(std::uint16_t v) { setU16<kBillingFrom>(v); }
  std::uint16_t billingTo() const { return u16<kBillingTo>(); }
  void setBillingTo(std::uint16_t v) { setU16<kBillingTo>(v); }
  std::uint16_t apptFilter() const { return u16<kApptFilter>(); }
  void setApptFilter(std::uint16_t v) { setU16<kApptFilter>(v); }
  CareInterval dueBefore() const { return interval<kDueBefore>(); }
  void setDueBefore(const CareInterval& v) { setInterval<kDueBefore>(v); }
  CareInterval dueAfter() const { return interval<kDueAfter>(); }
  void setDueAfter(const CareInterval& v) { setInterval<kDueAfter>(v); }
  CareInterval priorFrom() const { return interval<kPriorFrom>(); }
  void setPriorFrom(const CareInterval& v) { setInterval<kPriorFrom>(v); }
  CareInterval priorTo() const { return interval<kPriorTo>(); }
  void setPriorTo(const CareInterval& v) { setInterval<kPriorTo>(v); }
  CareInterval visitFrom() const { return interval<kVisitFrom>(); }
  void setVisitFrom(const CareInterval& v) { setInterval<kVisitFrom>(v); }
  CareInterval visitTo() const { return interval<kVisitTo>(); }
  void setVisitTo(const CareInterval& v) { setInterval<kVisitTo>(v); }
  // Sort key codes: 0 family, 1 patient name, 2 due date, 3 type, 4 status.
  std::uint8_t sortKey(std::size_t i) const { return u8At<kSortOrder>(i); }
  bool setSortKey(std::size_t i, std::uint8_t v) { return setU8At<kSortOrder>(i, v); }
  // 0 = the due date spans are used instead.
  PackedDate rangeFrom() const { return u32<kRangeFrom>(); }
  void setRangeFrom(PackedDate v) { setU32<kRangeFrom>(v); }
  PackedDate rangeTo() const { return u32<kRangeTo>(); }
  void setRangeTo(PackedDate v) { setU32<kRangeTo>(v); }
  std::uint8_t withCare() const { return u8<kWithCare>(); }
  void setWithCare(std::uint8_t v) { setU8<kWithCare>(v); }
};

// A guarantor's account (file 70), as far as the care list reads it: 64 bytes. The ledger keeps
// balances and aging here; 12-63 are its own and kept as read.
class GuarantorAccountRecord : public rec::Fixed<64> {
 public:
  // No record identifier: the guarantor's patient identifier is the key (71).
  static constexpr rec::U32Field kGuarantor{2};
  static constexpr rec::U16Field kBillingType{6};
  static constexpr rec::U32Field kBalance{8};  // cents

  std::uint32_t guarantorId() const { return u32<kGuarantor>(); }
  void setGuarantorId(std::uint32_t v) { setU32<kGuarantor>(v); }
  std::uint16_t billingType() const { return u16<kBillingType>(); }
  void setBillingType(std::uint16_t v) { setU16<kBillingType>(v); }
  std::uint32_t balance() const { return u32<kBalance>(); }
  void setBalance(std::uint32_t cents) { setU32<kBalance>(cents); }
};

// One counter of one provider (file 87), raised by the procedure posting dialogs; kinds 11 and
// 12 count care treatments given less than, or at least, 45 days after their due date: 32 bytes.
class ProviderCounterRecord : public rec::Fixed<32> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::CodeField kProvider{6};
  static constexpr rec::U16Field kCounterKind{10};
  static constexpr rec::U32Field kCount{12};
  static constexpr rec::U32Field kLastCounted{16};

  static constexpr std::uint16_t kCareWithin45Days = 11;
  static constexpr std::uint16_t kCareAfter45Days = 12;

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::string providerCode() const { return code<kProvider>(); }
  bool setProviderCode(std::string_view v) { return setCode<kProvider>(v); }
  std::uint16_t counterKind() const { return u16<kCounterKind>(); }
  void setCounterKind(std::uint16_t v) { setU16<kCounterKind>(v); }
  std::uint32_t count() const { return u32<kCount>(); }
  void setCount(std::uint32_t v) { setU32<kCount>(v); }
  PackedDate lastCounted() const { return u32<kLastCounted>(); }
  void setLastCounted(PackedDate v) { setU32<kLastCounted>(v); }
};
