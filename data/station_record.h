#pragma once
// One workstation that has the module open, in the workstation notification file (file 78):
// 108 bytes. Other workstations append the appointment changes that concern what it shows; it
// applies and clears them on its timer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class StationRecord : public rec::Fixed<108> {
 public:
  static constexpr rec::U8Field kStation{0};
  static constexpr rec::U32Field kDate{2};
  static constexpr rec::U16Field kViewMode{6};
  static constexpr rec::CodeField kViewOperatory{8};
  static constexpr rec::CodeField kViewProvider{12};
  static constexpr rec::U8Field kPendingCount{16};
  static constexpr rec::U32Array kPendingIds{18, 15};
  static constexpr rec::U16Array kPendingKinds{78, 15};

  static constexpr std::size_t kMaxPending = 15;
  // Kinds of change.
  static constexpr std::uint16_t kAdded = 1;
  static constexpr std::uint16_t kRemoved = 2;
  static constexpr std::uint16_t kChanged = 3;

  // 100 + the workstation number.
  std::uint8_t station() const { return u8<kStation>(); }
  void setStation(std::uint8_t v) { setU8<kStation>(v); }
  PackedDate date() const { return u32<kDate>(); }
  void setDate(PackedDate v) { setU32<kDate>(v); }
  // 0 all, 1 one operatory, 2 one provider.
  std::uint16_t viewMode() const { return u16<kViewMode>(); }
  void setViewMode(std::uint16_t v) { setU16<kViewMode>(v); }
  std::string viewOperatory() const { return code<kViewOperatory>(); }
  bool setViewOperatory(std::string_view v) { return setCode<kViewOperatory>(v); }
  std::string viewProvider() const { return code<kViewProvider>(); }
  bool setViewProvider(std::string_view v) { return setCode<kViewProvider>(v); }

  // 0-15, oldest change first.
  std::uint8_t pendingCount() const { return u8<kPendingCount>(); }
  void setPendingCount(std::uint8_t v) { setU8<kPendingCount>(v); }
  std::uint32_t pendingId(std::size_t i) const { return u32At<kPendingIds>(i); }
  std::uint16_t pendingKind(std::size_t i) const { return u16At<kPendingKinds>(i); }
  bool setPending(std::size_t i, std::uint32_t appointmentId, std::uint16_t kind) {
    return setU32At<kPendingIds>(i, appointmentId) && setU16At<kPendingKinds>(i, kind);
  }
};
