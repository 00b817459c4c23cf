#pragma once
// The resource file (file 6) holds four kinds of 512-byte records, told apart by the kind byte:
// the practice (kind 0, code "-PR-"), providers (1), staff (2) and operatories (3). Key 7 is the
// kind, the code and a 4-byte key tail.
//
// 512 bytes: the provider fields end at 449 and the size is a round figure with room for what
// the family and ledger modules keep in these records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/record_bytes.h"

class ResourceRecord : public rec::Fixed<512> {
 public:
  static constexpr rec::U8Field kKind{0};
  static constexpr rec::CodeField kCode{1};
  // The four bytes that follow the code in key 7. Byte 8 already holds practice information and
  // names, so they cannot be bytes 5-8; they are the last four bytes of the record and are zero
  // in every record this module writes (the practice record is found with four zero bytes).
  static constexpr rec::U32Field kKeyTail{508};

  std::uint8_t kind() const { return u8<kKind>(); }
  std::string code() const { return rec::Fixed<512>::code<kCode>(); }
  // Sets the kind and the blank-padded code. Returns false when the code was cut.
  bool setKey(std::uint8_t kind, std::string_view code) {
    setU8<kKind>(kind);
    return setCode<kCode>(code);
  }
  std::uint32_t keyTail() const { return u32<kKeyTail>(); }
  void setKeyTail(std::uint32_t v) { setU32<kKeyTail>(v); }
};

// Kind 0, code "-PR-". The 60 bytes of practice information from offset 8 are what the practice
// schedule keeps in memory; the engine reads the state code at offset 60.
class PracticeRecord : public ResourceRecord {
 public:
  static constexpr rec::BytesField kInformation{8, 60};
  // The practice information, laid out around the state code at 60.
  static constexpr rec::TextField kName{8, 30};
  static constexpr rec::TextField kCity{38, 16};
  static constexpr rec::TextField kZip{54, 6};  // five digits
  static constexpr rec::TextField kState{60, 3};
  // 63-67 are the rest of the information block, kept as read.
  // Address and phone do not fit the 60 bytes; they follow them.
  static constexpr rec::TextField kStreet{68, 31};
  static constexpr rec::TextField kPhone{99, 17};

  // A new practice record: kind 0 and code "-PR-", everything else zero.
  static PracticeRecord blank() {
    PracticeRecord r;
    r.setKey(rec::kKindPractice, rec::kPracticeCode);
    return r;
  }

  std::array<std::uint8_t, 60> information() const { return raw<kInformation>(); }
  std::string name() const { return text<kName>(); }
  bool setName(std::string_view v) { return setText<kName>(v); }
  std::string city() const { return text<kCity>(); }
  bool setCity(std::string_view v) { return setText<kCity>(v); }
  std::string zip() const { return text<kZip>(); }
  bool setZip(std::string_view v) { return setText<kZip>(v); }
  std::string state() const { return text<kState>(); }
  bool setState(std::string_view v) { return setText<kState>(v); }
  std::string street() const { return text<kStreet>(); }
  bool setStreet(std::string_view v) { return setText<kStreet>(v); }
  std::string phone() const { return text<kPhone>(); }
  bool setPhone(std::string_view v) { return setText<kPhone>(v); }
};

// Kind 1 (provider) or 2 (staff member): the same layout.
class ProviderRecord : public ResourceRecord {
 public:
  static constexpr rec::TextField kLastName{8, 21};
  static constexpr rec::TextField kFirstName{29, 16};
  static constexpr rec::TextField kMiddleInitial{45, 2};
  static constexpr rec::U8Field kLeftOut{419};
  // The operatories assigned to the provider: bit n (n = the operatory's assignment number) is
  // bit n % 8 of byte n / 8; 28 bytes as the provider table keeps them, right after byte 419.
  static constexpr rec::BytesField kOperatoryBits{420, 28};
  // The fee schedule of the provider, taken when the patient has none of his own.
  static constexpr rec::U16Field kFeeSchedule{448};

  static constexpr std::size_t kAssignmentNumbers = 28 * 8;

  std::string lastName() const { return text<kLastName>(); }
  bool setLastName(std::string_view v) { return setText<kLastName>(v); }
  std::string firstName() const { return text<kFirstName>(); }
  bool setFirstName(std::string_view v) { return setText<kFirstName>(v); }
  std::string middleInitial() const { return text<kMiddleInitial>(); }
  bool setMiddleInitial(std::string_view v) { return setText<kMiddleInitial>(v); }
  // Not 0: left out of provider lists (unless the caller asks for all); 1 = inactive.
  std::uint8_t leftOut() const { return u8<kLeftOut>(); }
  void setLeftOut(std::uint8_t v) { setU8<kLeftOut>(v); }

  std::array<std::uint8_t, 28> operatoryBits() const { return raw<kOperatoryBits>(); }
  bool operatoryAssigned(std::size_t n) const {
    if (n >= kAssignmentNumbers) return false;
    return ((bytes_[kOperatoryBits.offset + n / 8] >> (n % 8)) & 1) != 0;
  }
  bool setOperatoryAssigned(std::size_t n, bool on) {
    if (n >= kAssignmentNumbers) return false;
    std::uint8_t& b = bytes_[kOperatoryBits.offset + n / 8];
    const auto bit = static_cast<std::uint8_t>(1u << (n % 8));
    b = static_cast<std::uint8_t>(on ? (b | bit) : (b & ~bit));
    return true;
  }
  std::uint16_t feeSchedule() const { return u16<kFeeSchedule>(); }
  void setFeeSchedule(std::uint16_t v) { setU16<kFeeSchedule>(v); }
};

// Kind 3.
class OperatoryRecord : public ResourceRecord {
 public:
  // What the front desk calls the room; as wide as a provider's last name.
  static constexpr rec::TextField kDescription{8, 21};
  // The operatory's number in the providers' assignment bits; at the offset where a provider's
  // own bits start, so the two kinds keep their extras in the same area.
  static constexpr rec::U8Field kAssignment{420};

  std::string description() const { return text<kDescription>(); }
  bool setDescription(std::string_view v) { return setText<kDescription>(v); }
  std::uint8_t assignmentNumber() const { return u8<kAssignment>(); }
  void setAssignmentNumber(std::uint8_t v) { setU8<kAssignment>(v); }
};
