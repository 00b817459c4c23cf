// Amounts of money as unsigned 32-bit cents, and their text "1,234.56".
//
// A typed amount is read strictly: a text that could mean two things (a misplaced comma, a
// third decimal) is refused rather than guessed at, since a wrong amount is worse than a retyped
// one.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "platform/qrx/text_out.h"

namespace {

constexpr std::uint64_t kMaxCents = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMaxDollars = kMaxCents / 100;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Checks the whole-dollar part: plain digits ("1234"), or groups of three after a first group
// of one to three digits ("1,234,567"). An empty part is allowed here (".75").
bool wellGrouped(std::string_view whole) {
  const std::size_t firstComma = whole.find(',');
  if (firstComma == std::string_view::npos) return true;
  if (firstComma == 0 || firstComma > 3) return false;
  std::size_t pos = firstComma;
  while (pos < whole.size()) {
    // whole[pos] is a comma that must be followed by exactly three digits.
    if (pos + 4 > whole.size()) return false;
    for (std::size_t k = pos + 1; k < pos + 4; ++k) {
      if (!isDigit(whole[k])) return false;
    }
    pos += 4;
    if (pos < whole.size() && whole[pos] != ',') return false;
  }
  return true;
}

}  // namespace

int QRX_FormatMoney(char* out, std::size_t size, std::uint32_t cents) {
  if (out == nullptr || size == 0) return 0;
  const std::string digits = std::to_string(cents / 100);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  const std::uint32_t rest = cents % 100;
  text += '.';
  text += static_cast<char>('0' + rest / 10);
  text += static_cast<char>('0' + rest % 10);
  return vantrel::qrx::copyCut(out, size, text);
}

int QRX_ParseMoney(std::string_view text, std::uint32_t* cents) {
  text = trimBlanks(text);
  if (!text.empty() && text.front() == '$') text = trimBlanks(text.substr(1));

  std::size_t end = 0;
  while (end < text.size() && (isDigit(text[end]) || text[end] == ',')) ++end;
  const std::string_view whole = text.substr(0, end);
  std::string_view fraction;
  if (end < text.size()) {
    if (text[end] != '.') return 0;
    fraction = text.substr(end + 1);
    if (fraction.size() > 2 || !std::all_of(fraction.begin(), fraction.end(), isDigit)) return 0;
  }
  if (!wellGrouped(whole)) return 0;

  std::uint64_t dollars = 0;
  bool anyDigit = !fraction.empty();
  for (char c : whole) {
    if (c == ',') continue;
    anyDigit = true;
    dollars = dollars * 10 + static_cast<std::uint64_t>(c - '0');
    if (dollars > kMaxDollars) return 0;  // checked per digit, so the sum never wraps
  }
  if (!anyDigit) return 0;

  std::uint64_t hundredths = 0;
  if (!fraction.empty()) hundredths = static_cast<std::uint64_t>(fraction[0] - '0') * 10;
  if (fraction.size() == 2) hundredths += static_cast<std::uint64_t>(fraction[1] - '0');
  const std::uint64_t total = dollars * 100 + hundredths;
  if (total > kMaxCents) return 0;
  if (cents != nullptr) *cents = static_cast<std::uint32_t>(total);
  return 1;
}
