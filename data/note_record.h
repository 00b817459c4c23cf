#pragma once
// One note of the notes file (file 42): variable length. A 16-byte fixed part says whose note it
// is (kind, owner, sub-number: key 43); the text follows it, zero-terminated.
//
// Kinds in use: 2 the note of an appointment (owner = appointment), 3 a patient's note (owner =
// patient), 9 the motivational note of a continuing care (owner = patient, sub-number = care
// type), 49 the note of a journal entry (owner = entry).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

// The longest record 32 KiB: more than any note typed at the front desk, small enough to read
// whole into one buffer.
class NoteRecord : public rec::Variable<16, 32768> {
 public:
  static constexpr rec::U16Field kKind{2};
  static constexpr rec::U32Field kOwner{4};
  static constexpr rec::U16Field kSub{8};
  static constexpr rec::U32Field kWritten{10};
  // 14-15 kept.

  static constexpr std::size_t kMaxTextLength = kMaxSize - kFixedSize - 1;

  static constexpr std::uint16_t kAppointmentNote = 2;
  static constexpr std::uint16_t kPatientNote = 3;
  static constexpr std::uint16_t kCareNote = 9;
  static constexpr std::uint16_t kJournalNote = 49;

  std::uint16_t kind() const { return u16<kKind>(); }
  std::uint32_t ownerId() const { return u32<kOwner>(); }
  std::uint16_t sub() const { return u16<kSub>(); }
  void setKey(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub) {
    setU16<kKind>(kind);
    setU32<kOwner>(owner);
    setU16<kSub>(sub);
  }
  PackedDate written() const { return u32<kWritten>(); }
  void setWritten(PackedDate v) { setU32<kWritten>(v); }

  // The text up to its terminator (or to the end of the record when it has none).
  std::string text() const {
    if (tail().empty()) return {};
    return rec::loadText(tail().data(), tail().size());
  }
  // Stores the text and its terminator; a text longer than kMaxTextLength is cut (false).
  bool setText(std::string_view v) {
    const std::size_t n = std::min(v.size(), kMaxTextLength);
    std::vector<std::uint8_t> t(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    t.push_back(0);
    setTail(std::move(t));
    return n == v.size();
  }
};
