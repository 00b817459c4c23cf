#include "shell/command_line.h"

#include <cstddef>
#include <limits>

namespace {

constexpr std::size_t kOaidDigits = 19;
constexpr std::string_view kOaid = "OAID";

bool isSwitchStart(char c) { return c == '/' || c == '-'; }

bool startsWithOaid(std::string_view text) {
  if (text.size() < kOaid.size()) return false;
  for (std::size_t i = 0; i < kOaid.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kOaid[i]) return false;
  }
  return true;
}

}  // namespace

std::uint32_t readOaidNumber(std::string_view afterOaid) {
  const std::string_view text = afterOaid.substr(0, kOaidDigits);
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
    // 19 digits still fit 64 bits, but there is no point reading on once past the range.
    if (number > kMax) return static_cast<std::uint32_t>(kMax);
  }
  return static_cast<std::uint32_t>(number);
}

CommandLine parseCommandLine(const std::vector<std::string>& argv) {
  CommandLine result;
  for (std::size_t a = 1; a < argv.size(); ++a) {
    const std::string_view arg = argv[a];
    std::size_t i = 0;
    while (i < arg.size()) {
      if (!isSwitchStart(arg[i])) {
        ++i;
        continue;
      }
      std::size_t end = i + 1;
      while (end < arg.size() && !isSwitchStart(arg[end])) ++end;
      const std::string_view body = arg.substr(i + 1, end - i - 1);
      if (startsWithOaid(body)) {
        result.hasOaid = true;
        result.oaidPatient = readOaidNumber(body.substr(kOaid.size()));
      }
      i = end;
    }
  }
  return result;
}
