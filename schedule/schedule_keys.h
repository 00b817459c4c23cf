#pragma once
// Key bytes of the two files the schedule reads (internal to this folder).
//
// Resource file, key 7: kind (1), code (4, blank-padded), four zero bytes.
// Resource schedule file, key 95: kind (1), code (4), week (4, little-endian; 0 = default record).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

inline constexpr std::size_t kResourceKeyLength = 9;
inline constexpr std::size_t kRscUseKeyLength = 9;

inline std::array<std::uint8_t, kResourceKeyLength> resourceKey(std::uint8_t kind,
                                                                std::string_view code) {
  std::array<std::uint8_t, kResourceKeyLength> key{};
  key[0] = kind;
  rec::storeCode(key.data() + 1, code);
  return key;
}

// `code` is the 4 code bytes exactly as a record holds them.
inline std::array<std::uint8_t, kRscUseKeyLength> rscUseKey(
    std::uint8_t kind, const std::array<std::uint8_t, rec::kCodeWidth>& code, PackedDate week) {
  std::array<std::uint8_t, kRscUseKeyLength> key{};
  key[0] = kind;
  std::copy(code.begin(), code.end(), key.begin() + 1);
  rec::storeU32(key.data() + 1 + rec::kCodeWidth, week);
  return key;
}

inline std::array<std::uint8_t, kRscUseKeyLength> rscUseKey(std::uint8_t kind,
                                                            std::string_view code,
                                                            PackedDate week) {
  std::array<std::uint8_t, rec::kCodeWidth> bytes{};
  rec::storeCode(bytes.data(), code);
  return rscUseKey(kind, bytes, week);
}
