#pragma once
// printf into a std::string of the size the text needs: nothing is cut and nothing can overflow.
// Internal to the lists library.

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace lists_internal {

[[gnu::format(printf, 1, 2)]] inline std::string formatted(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    out.assign(buffer.data(), static_cast<std::size_t>(needed));
  }
  va_end(again);
  return out;
}

}  // namespace lists_internal
