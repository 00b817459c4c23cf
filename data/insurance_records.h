#pragma once
// Insurance coverage of patients (file 49) and insurance carriers (file 268), as far as the fee
// rule reads them: a patient's coverage names the carrier whose fee schedule applies when the
// patient has none of his own. The claim module owns the rest of both records.

#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

// 128 bytes.
class CoverageRecord : public rec::Fixed<128> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kSubscriber{6};  // the insured patient
  static constexpr rec::U32Field kCarrier{10};
  static constexpr rec::TextField kMemberNumber{14, 21};
  static constexpr rec::TextField kGroupNumber{35, 21};
  static constexpr rec::U32Field kEffective{56};

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::uint32_t subscriberId() const { return u32<kSubscriber>(); }
  void setSubscriberId(std::uint32_t v) { setU32<kSubscriber>(v); }
  std::uint32_t carrierId() const { return u32<kCarrier>(); }
  void setCarrierId(std::uint32_t v) { setU32<kCarrier>(v); }
  std::string memberNumber() const { return text<kMemberNumber>(); }
  bool setMemberNumber(std::string_view v) { return setText<kMemberNumber>(v); }
  std::string groupNumber() const { return text<kGroupNumber>(); }
  bool setGroupNumber(std::string_view v) { return setText<kGroupNumber>(v); }
  PackedDate effective() const { return u32<kEffective>(); }
  void setEffective(PackedDate v) { setU32<kEffective>(v); }
};

// 256 bytes.
class CarrierRecord : public rec::Fixed<256> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::TextField kName{6, 41};
  static constexpr rec::U16Field kFeeSchedule{47};
  static constexpr rec::TextField kStreet{49, 31};
  static constexpr rec::TextField kCity{80, 26};
  static constexpr rec::TextField kState{106, 3};
  static constexpr rec::TextField kZip{109, 15};
  static constexpr rec::TextField kPhone{124, 17};

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::string name() const { return text<kName>(); }
  bool setName(std::string_view v) { return setText<kName>(v); }
  std::uint16_t feeSchedule() const { return u16<kFeeSchedule>(); }
  void setFeeSchedule(std::uint16_t v) { setU16<kFeeSchedule>(v); }
  std::string street() const { return text<kStreet>(); }
  bool setStreet(std::string_view v) { return setText<kStreet>(v); }
  std::string city() const { return text<kCity>(); }
  bool setCity(std::string_view v) { return setText<kCity>(v); }
  std::string state() const { return text<kState>(); }
  bool setState(std::string_view v) { return setText<kState>(v); }
  std::string zip() const { return text<kZip>(); }
  bool setZip(std::string_view v) { return setText<kZip>(v); }
  std::string phone() const { return text<kPhone>(); }
  bool setPhone(std::string_view v) { return setText<kPhone>(v); }
};
