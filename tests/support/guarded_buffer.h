#pragma once
// An out-buffer for tests of calls that write text into a caller's sized buffer.

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

namespace vantrel::test {

// N usable bytes and guard bytes, all filled with a byte no call writes by itself; hand a call
// data() and a size of at most N, and guardIntact(size) tells whether it wrote at or past `size`.
template <std::size_t N>
class Guarded {
 public:
  static constexpr char kGuard = '\x5A';
  static constexpr std::size_t kGuardBytes = 8;

  Guarded() { bytes_.fill(kGuard); }

  char* data() { return bytes_.data(); }

  // The text up to the first terminator; never reads past the guard bytes.
  std::string text() const {
    return std::string(bytes_.data(), ::strnlen(bytes_.data(), bytes_.size()));
  }

  // True when every byte from `size` to the end of the guard bytes still holds the guard.
  bool guardIntact(std::size_t size) const {
    for (std::size_t i = size; i < bytes_.size(); ++i) {
      if (bytes_[i] != kGuard) return false;
    }
    return true;
  }

 private:
  std::array<char, N + kGuardBytes> bytes_;
};

}  // namespace vantrel::test
