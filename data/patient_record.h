#pragma once
// One patient of the patient file (file 18): 558 bytes. Only the fields this module reads or
// writes are named; the rest belongs to the family and chart modules and is kept as read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class PatientRecord : public rec::Fixed<558> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kFamily{6};
  static constexpr rec::TextField kLastName{10, 21};
  static constexpr rec::TextField kFirstName{31, 16};
  static constexpr rec::TextField kMiddleInitial{47, 2};
  // 15 characters, as the first name it stands in for; leaves 65-112 to other modules.
  static constexpr rec::TextField kPreferredName{49, 16};
  static constexpr rec::TextField kChartNumber{113, 8};
  // Nine digits and the terminator: ends right where the provider code starts.
  static constexpr rec::TextField kSsn{133, 10};
  static constexpr rec::CodeField kProvider{143};
  // The second provider that continuing care may name sits in the 4 free bytes after the first.
  static constexpr rec::CodeField kSecondProvider{147};
  static constexpr rec::U8Field kSelectionFlag{151};
  static constexpr rec::U8Field kGuarantorFlag{153};
  static constexpr rec::U8Field kStatus{155};
  static constexpr rec::U8Field kRelation{156};
  static constexpr rec::U32Field kAddress{160};
  static constexpr rec::U32Field kBirthDate{164};
  static constexpr rec::U32Field kGuarantor{172};
  static constexpr rec::U32Field kLastVisit{180};
  static constexpr rec::BytesField kMedicalAlerts{184, 8};
  static constexpr rec::U32Field kCoverage{214};
  static constexpr rec::U16Field kFeeSchedule{252};
  static constexpr rec::U16Field kBrokenCount{254};
  static constexpr rec::U32Field kLastBroken{256};
  // Not 0: the patient asked that the phone not be shown (lists leave the column blank).
  // Byte 157 lies between the relation and the address link, which no other field uses.
  static constexpr rec::U8Field kPhonePrivate{157};
  // Ten characters hold every courtesy title in use ("Dr.", "Rev.", "Prof.", "Msgr.").
  static constexpr rec::TextField kTitle{260, 11};

  // Status values.
  static constexpr std::uint8_t kPatient = 1;
  static constexpr std::uint8_t kNonPatient = 2;
  static constexpr std::uint8_t kInactive = 3;
  static constexpr std::uint8_t kArchived = 4;
  // Relation to the guarantor; other values mean "other".
  static constexpr std::uint8_t kSingle = 1;
  static constexpr std::uint8_t kSpouse = 2;
  static constexpr std::uint8_t kChild = 3;

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  // The guarantor's patient identifier: the family the patient belongs to.
  std::uint32_t familyId() const { return u32<kFamily>(); }
  void setFamilyId(std::uint32_t v) { setU32<kFamily>(v); }

  std::string lastName() const { return text<kLastName>(); }
  bool setLastName(std::string_view v) { return setText<kLastName>(v); }
  std::string firstName() const { return text<kFirstName>(); }
  bool setFirstName(std::string_view v) { return setText<kFirstName>(v); }
  std::string middleInitial() const { return text<kMiddleInitial>(); }
  bool setMiddleInitial(std::string_view v) { return setText<kMiddleInitial>(v); }
  std::string preferredName() const { return text<kPreferredName>(); }
  bool setPreferredName(std::string_view v) { return setText<kPreferredName>(v); }
  std::string chartNumber() const { return text<kChartNumber>(); }
  bool setChartNumber(std::string_view v) { return setText<kChartNumber>(v); }
  std::string ssn() const { return text<kSsn>(); }
  bool setSsn(std::string_view v) { return setText<kSsn>(v); }

  std::string providerCode() const { return code<kProvider>(); }
  bool setProviderCode(std::string_view v) { return setCode<kProvider>(v); }
  std::string secondProviderCode() const { return code<kSecondProvider>(); }
  bool setSecondProviderCode(std::string_view v) { return setCode<kSecondProvider>(v); }

  // The flag that guarantor-only patient selection keeps.
  bool selectionFlag() const { return u8<kSelectionFlag>() != 0; }
  void setSelectionFlag(bool v) { setU8<kSelectionFlag>(v ? 1 : 0); }
  bool guarantorFlag() const { return u8<kGuarantorFlag>() != 0; }
  void setGuarantorFlag(bool v) { setU8<kGuarantorFlag>(v ? 1 : 0); }
  std::uint8_t status() const { return u8<kStatus>(); }
  void setStatus(std::uint8_t v) { setU8<kStatus>(v); }
  std::uint8_t relation() const { return u8<kRelation>(); }
  void setRelation(std::uint8_t v) { setU8<kRelation>(v); }

  bool phonePrivate() const { return u8<kPhonePrivate>() != 0; }
  void setPhonePrivate(bool v) { setU8<kPhonePrivate>(v ? 1 : 0); }

  std::uint32_t addressId() const { return u32<kAddress>(); }
  void setAddressId(std::uint32_t v) { setU32<kAddress>(v); }
  PackedDate birthDate() const { return u32<kBirthDate>(); }
  void setBirthDate(PackedDate v) { setU32<kBirthDate>(v); }
  // Equal to the patient identifier for the guarantor himself.
  std::uint32_t guarantorId() const { return u32<kGuarantor>(); }
  void setGuarantorId(std::uint32_t v) { setU32<kGuarantor>(v); }
  PackedDate lastVisit() const { return u32<kLastVisit>(); }
  void setLastVisit(PackedDate v) { setU32<kLastVisit>(v); }

  std::array<std::uint8_t, 8> medicalAlerts() const { return raw<kMedicalAlerts>(); }
  void setMedicalAlerts(const std::array<std::uint8_t, 8>& v) { setRaw<kMedicalAlerts>(v); }
  // Any of the eight alert bytes not 0.
  bool hasMedicalAlerts() const {
    for (const std::uint8_t b : medicalAlerts()) {
      if (b != 0) return true;
    }
    return false;
  }

  std::uint32_t coverageId() const { return u32<kCoverage>(); }
  void setCoverageId(std::uint32_t v) { setU32<kCoverage>(v); }
  // 0 = take the fee schedule of the coverage's carrier.
  std::uint16_t feeSchedule() const { return u16<kFeeSchedule>(); }
  void setFeeSchedule(std::uint16_t v) { setU16<kFeeSchedule>(v); }
  std::uint16_t brokenCount() const { return u16<kBrokenCount>(); }
  void setBrokenCount(std::uint16_t v) { setU16<kBrokenCount>(v); }
  PackedDate lastBroken() const { return u32<kLastBroken>(); }
  void setLastBroken(PackedDate v) { setU32<kLastBroken>(v); }
  std::string title() const { return text<kTitle>(); }
  bool setTitle(std::string_view v) { return setText<kTitle>(v); }
};
