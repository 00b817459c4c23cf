#pragma once
// Records filled with a byte pattern that is never zero and never an ASCII letter, so that a
// stray terminator, a stray character or a write past a field shows.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// N bytes of the pattern; `seed` gives another pattern of the same kind.
template <std::size_t N>
std::vector<std::uint8_t> pattern(std::uint8_t seed = 0) {
  std::vector<std::uint8_t> b(N);
  for (std::size_t i = 0; i < N; ++i)
    b[i] = static_cast<std::uint8_t>(0x80 | ((i * 7 + seed) & 0x7F));
  return b;
}

template <typename R>
R patterned(std::uint8_t seed = 0) {
  R r;
  EXPECT_TRUE(r.load(pattern<R::kSize>(seed)));
  return r;
}

// Every byte outside [from, to) still holds the pattern of seed 0.
template <typename R>
::testing::AssertionResult patternOutside(const R& r, std::size_t from, std::size_t to) {
  const std::vector<std::uint8_t> b = pattern<R::kSize>();
  for (std::size_t i = 0; i < R::kSize; ++i) {
    if ((i < from || i >= to) && r.bytes()[i] != b[i]) {
      return ::testing::AssertionFailure()
             << "byte " << i << " outside [" << from << ", " << to << ") changed";
    }
  }
  return ::testing::AssertionSuccess();
}
