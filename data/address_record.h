#pragma once
// One household address of the address file (file 46): 178 bytes. A family shares one through
// the patient's link; a person who has an appointment but no patient record has one of his own,
// linked from the appointment.

#include <cstdint>
#include <string>
#include <string_view>

#include "data/record_bytes.h"

class AddressRecord : public rec::Fixed<178> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::TextField kStreet1{6, 31};
  static constexpr rec::TextField kCity{37, 26};
  static constexpr rec::TextField kState{94, 21};
  static constexpr rec::TextField kZip{115, 15};
  // The household phone digits, zero-terminated, as wide as the appointment's phone field: the
  // 17 free bytes between the zip code and the second street line hold it exactly.
  static constexpr rec::TextField kPhone{130, 17};
  static constexpr rec::TextField kStreet2{147, 31};

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::string street1() const { return text<kStreet1>(); }
  bool setStreet1(std::string_view v) { return setText<kStreet1>(v); }
  std::string street2() const { return text<kStreet2>(); }
  bool setStreet2(std::string_view v) { return setText<kStreet2>(v); }
  std::string city() const { return text<kCity>(); }
  bool setCity(std::string_view v) { return setText<kCity>(v); }
  std::string state() const { return text<kState>(); }
  bool setState(std::string_view v) { return setText<kState>(v); }
  std::string zip() const { return text<kZip>(); }
  bool setZip(std::string_view v) { return setText<kZip>(v); }
  std::string phone() const { return text<kPhone>(); }
  bool setPhone(std::string_view v) { return setText<kPhone>(v); }
};
