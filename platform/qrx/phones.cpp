// Phone numbers: stored as bare digits, shown as "(555)123-4567" or "123-4567".
//
// A stored phone that is not 7 or 10 digits (older data, an extension, a foreign number) is
// shown as it is, so that nothing the practice typed is hidden.

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "contracts/qrx.h"
#include "platform/qrx/text_out.h"

namespace {

using vantrel::qrx::copyCut;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

// Characters a typed phone may carry around its digits.
bool isPhonePunctuation(char c) {
  return c == ' ' || c == '\t' || c == '-' || c == '(' || c == ')';
}

// The digits of a typed phone, or false when it holds anything but digits and punctuation or
// the wrong number of digits.
bool acceptablePhone(std::string_view typed, std::string* digits) {
  std::string kept;
  for (char c : typed) {
    if (isPhonePunctuation(c)) continue;
    if (!isDigit(c)) return false;
    kept += c;
  }
  if (!kept.empty() && kept.size() != 7 && kept.size() != 10) return false;
  if (digits != nullptr) *digits = std::move(kept);
  return true;
}

}  // namespace

int QRX_FormatPhone(char* out, std::size_t size, std::string_view phone) {
  if (allDigits(phone) && phone.size() == 10) {
    std::string shown = "(";
    shown.append(phone.substr(0, 3)).append(")");
    shown.append(phone.substr(3, 3)).append("-").append(phone.substr(6));
    return copyCut(out, size, shown);
  }
  if (allDigits(phone) && phone.size() == 7) {
    std::string shown(phone.substr(0, 3));
    shown.append("-").append(phone.substr(3));
    return copyCut(out, size, shown);
  }
  return copyCut(out, size, phone);
}

int QRX_CheckPhone(std::string_view typed) { return acceptablePhone(typed, nullptr) ? 1 : 0; }

int QRX_StripPhone(std::string_view typed, char* out, std::size_t size) {
  std::string digits;
  if (!acceptablePhone(typed, &digits)) {
    copyCut(out, size, "");
    return -1;
  }
  return copyCut(out, size, digits);
}
