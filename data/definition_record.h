#pragma once
// One practice definition of the definitions file (file 44): a kind byte, a number byte and a
// text. Key 45 is the kind and the number, so a set with the kind as a one-byte prefix walks one
// kind in number order.
//
// 64 bytes: the status colour number at 42 is the farthest field named, and the general text of
// 39 characters leaves room for labels longer than the 20 that the dialogs show.

#include <cstdint>
#include <string>
#include <string_view>

#include "data/record_bytes.h"

class DefinitionRecord : public rec::Fixed<64> {
 public:
  static constexpr rec::U8Field kKind{0};
  static constexpr rec::U8Field kNumber{1};
  // The text of every kind but the appointment statuses: flag labels, appointment type names,
  // initial reasons ("CODE label"), continuing care status texts.
  static constexpr rec::TextField kText{2, 40};
  // Appointment statuses (kind 7) lay out the same bytes otherwise:
  static constexpr rec::U8Field kStatusColourCode{2};  // '1' yellow, '2' green, '3' red, 'x'
  // Six characters are shown; seven are kept so a name typed with a trailing blank survives.
  static constexpr rec::TextField kStatusName{3, 8};
  // The colour as a decimal number for colour code 'x' (an RGB value has at most 8 digits).
  static constexpr rec::TextField kStatusColourText{42, 12};

  // Kinds this module reads.
  static constexpr std::uint8_t kFlagLabel = 3;  // numbers 1-12
  static constexpr std::uint8_t kApptType = 5;
  static constexpr std::uint8_t kApptStatus = 7;  // numbers 0-14
  static constexpr std::uint8_t kInitialReason = 8;
  static constexpr std::uint8_t kCareStatus = 12;

  std::uint8_t kind() const { return u8<kKind>(); }
  std::uint8_t number() const { return u8<kNumber>(); }
  void setKey(std::uint8_t kind, std::uint8_t number) {
    setU8<kKind>(kind);
    setU8<kNumber>(number);
  }
  std::string text() const { return rec::Fixed<64>::text<kText>(); }
  bool setText(std::string_view v) { return rec::Fixed<64>::setText<kText>(v); }

  char statusColourCode() const { return static_cast<char>(u8<kStatusColourCode>()); }
  void setStatusColourCode(char c) { setU8<kStatusColourCode>(static_cast<std::uint8_t>(c)); }
  std::string statusName() const { return rec::Fixed<64>::text<kStatusName>(); }
  bool setStatusName(std::string_view v) { return rec::Fixed<64>::setText<kStatusName>(v); }
  std::string statusColourText() const { return rec::Fixed<64>::text<kStatusColourText>(); }
  bool setStatusColourText(std::string_view v) {
    return rec::Fixed<64>::setText<kStatusColourText>(v);
  }
};
