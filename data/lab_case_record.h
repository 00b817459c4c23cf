#pragma once
// The lab case files of the suite's lab case component.
//
// LabCaseRecord (file 170, 128 bytes): one piece of work sent to a dental laboratory for a
// patient (a crown, a denture, a night guard), with the dates it went out, is due back and came
// back.
//
// ApptCaseLinkRecord (file 175, 72 bytes): the lab cases an appointment is waiting for. The whole
// list of one appointment is one record, so that replacing it is a single atomic write: a reader
// or a second workstation never sees half of one list and half of another.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class LabCaseRecord : public rec::Fixed<128> {
 public:
  // Bytes 0-1 belong to the database; 124-127 are kept as read.
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kPatient{6};
  static constexpr rec::ResourceField kProvider{10};
  static constexpr rec::U8Field kState{15};
  static constexpr rec::U32Field kSent{16};
  static constexpr rec::U32Field kDue{20};
  static constexpr rec::U32Field kReturned{24};
  static constexpr rec::TextField kLab{28, 31};
  static constexpr rec::TextField kDescription{59, 61};
  static constexpr rec::U32Field kChanged{120};

  // Where the work stands.
  static constexpr std::uint8_t kStateNotSent = 0;
  static constexpr std::uint8_t kStateSent = 1;
  static constexpr std::uint8_t kStateReturned = 2;
  static constexpr std::uint8_t kStateCancelled = 3;

  static constexpr std::size_t kMaxLab = kLab.width - 1;
  static constexpr std::size_t kMaxDescription = kDescription.width - 1;

  // Assigned when the case is added.
  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::string providerCode() const { return resource<kProvider>().code; }
  // An empty code names no provider (kind 0).
  bool setProviderCode(std::string_view code) {
    return setResource<kProvider>(code.empty() ? rec::kKindNone : rec::kKindProvider, code);
  }
  std::uint8_t state() const { return u8<kState>(); }
  void setState(std::uint8_t v) { setU8<kState>(v); }
  PackedDate sent() const { return u32<kSent>(); }
  void setSent(PackedDate v) { setU32<kSent>(v); }
  PackedDate due() const { return u32<kDue>(); }
  void setDue(PackedDate v) { setU32<kDue>(v); }
  PackedDate returned() const { return u32<kReturned>(); }
  void setReturned(PackedDate v) { setU32<kReturned>(v); }
  std::string lab() const { return text<kLab>(); }
  bool setLab(std::string_view v) { return setText<kLab>(v); }
  std::string description() const { return text<kDescription>(); }
  bool setDescription(std::string_view v) { return setText<kDescription>(v); }
  PackedDate changed() const { return u32<kChanged>(); }
  void setChanged(PackedDate v) { setU32<kChanged>(v); }
};

class ApptCaseLinkRecord : public rec::Fixed<72> {
 public:
  // Bytes 0-1 belong to the database.
  static constexpr rec::U32Field kAppointment{2};
  static constexpr rec::U16Field kCount{6};
  static constexpr rec::U32Array kCases{8, 16};

  static constexpr std::size_t kMaxCases = kCases.count;

  std::uint32_t appointmentId() const { return u32<kAppointment>(); }
  void setAppointmentId(std::uint32_t v) { setU32<kAppointment>(v); }
  // The number of cases held; a stored count beyond the array (a damaged record) reads as full.
  std::size_t count() const {
    const std::size_t n = u16<kCount>();
    return n < kMaxCases ? n : kMaxCases;
  }
  std::uint32_t caseAt(std::size_t i) const { return i < count() ? u32At<kCases>(i) : 0; }
  // Appends a case; false (unchanged) when the record is full.
  bool append(std::uint32_t caseId) {
    const std::size_t n = count();
    if (n >= kMaxCases) return false;
    setU32At<kCases>(n, caseId);
    setU16<kCount>(static_cast<std::uint16_t>(n + 1));
    return true;
  }
};
