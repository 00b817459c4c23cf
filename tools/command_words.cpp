#include "tools/command_words.h"

#include <cctype>
#include <charconv>
#include <system_error>

namespace {

constexpr std::size_t kCodeWidth = 4;
constexpr int kMinutesPerUnit = 5;
constexpr int kUnitsPerHour = 12;

}  // namespace

std::string quoted(std::string_view text) {
  std::string q(1, '"');
  q.append(text);
  q.push_back('"');
  return q;
}

std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t max) {
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return std::nullopt;
  }
  std::uint64_t n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n > max) return std::nullopt;
  return n;
}

std::optional<int> clockUnits(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
    return std::nullopt;
  }
  const auto hour = wholeNumber(text.substr(0, colon), 24);
  const auto minute = wholeNumber(text.substr(colon + 1), 59);
  if (!hour || !minute || *minute % kMinutesPerUnit != 0 || (*hour == 24 && *minute != 0)) {
    return std::nullopt;
  }
  return static_cast<int>(*hour) * kUnitsPerHour + static_cast<int>(*minute) / kMinutesPerUnit;
}

bool isResourceCode(std::string_view code) {
  if (code.empty() || code.size() > kCodeWidth) return false;
  for (const char c : code) {
    if (std::isprint(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}
