// Display names "Last, First M" and back.
//
// Names end up in fixed-width record fields (the appointment keeps 31 characters), so every
// result is cut to the caller's limit. Lengths count bytes, as the record fields do; a cut never
// ends inside a UTF-8 sequence, so a name cut to its field is still valid text.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"
#include "platform/qrx/text_out.h"

namespace {

using vantrel::qrx::copyCut;
using vantrel::qrx::copyCutUtf8;
using vantrel::qrx::kNoLimit;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The byte limit of a result: `maxLen` when it is positive, else only the buffer.
std::size_t limitOf(int maxLen) { return maxLen > 0 ? static_cast<std::size_t>(maxLen) : kNoLimit; }

std::string composeName(std::string_view last, std::string_view first, std::string_view initial) {
  last = trimBlanks(last);
  first = trimBlanks(first);
  initial = trimBlanks(initial);
  std::string name(last);
  if (!first.empty() || !initial.empty()) {
    name += ", ";
    name += first;
    if (!initial.empty()) {
      if (!first.empty()) name += ' ';
      name += initial;
    }
  }
  return name;
}

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A middle initial as typed: one letter, optionally followed by a period.
bool isInitialWord(std::string_view word) {
  return (word.size() == 1 || (word.size() == 2 && word[1] == '.')) && isAsciiLetter(word[0]);
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return asciiLower(x) == asciiLower(y);
         });
}

}  // namespace

int QRX_PackName(char* out, std::size_t size, std::string_view last, std::string_view first,
                 std::string_view initial, int maxLen) {
  return copyCutUtf8(out, size, composeName(last, first, initial), limitOf(maxLen));
}

int QRX_UnpackName(std::string_view packed, char* last, std::size_t lastSize, char* first,
                   std::size_t firstSize, char* initial, std::size_t initialSize) {
  copyCut(last, lastSize, "");
  copyCut(first, firstSize, "");
  copyCut(initial, initialSize, "");

  const std::size_t comma = packed.find(',');
  const std::string_view lastPart = trimBlanks(packed.substr(0, comma));
  if (lastPart.empty()) return 0;

  // The words after the comma; a second comma is taken as a separator too, so that
  // "Smith, John, Q" still yields John and Q.
  std::vector<std::string_view> words;
  if (comma != std::string_view::npos) {
    std::string_view rest = packed.substr(comma + 1);
    while (!rest.empty()) {
      std::size_t i = 0;
      while (i < rest.size() && (isBlank(rest[i]) || rest[i] == ',')) ++i;
      rest.remove_prefix(i);
      std::size_t end = 0;
      while (end < rest.size() && !isBlank(rest[end]) && rest[end] != ',') ++end;
      if (end > 0) words.push_back(rest.substr(0, end));
      rest.remove_prefix(end);
    }
  }

  // A trailing single letter after the first name is the initial. Further words belong to the
  // first name ("Mary Ann") rather than being dropped.
  std::string_view initialWord;
  if (words.size() >= 2 && isInitialWord(words.back())) {
    initialWord = words.back().substr(0, 1);
    words.pop_back();
  }
  std::string firstName;
  for (std::string_view word : words) {
    if (!firstName.empty()) firstName += ' ';
    firstName += word;
  }

  copyCutUtf8(last, lastSize, lastPart);
  copyCutUtf8(first, firstSize, firstName);
  copyCutUtf8(initial, initialSize, initialWord);
  return 1;
}

int QRX_PackPrefName(char* out, std::size_t size, std::string_view last, std::string_view first,
                     std::string_view initial, std::string_view preferred, int maxLen) {
  std::string name = composeName(last, first, initial);
  preferred = trimBlanks(preferred);
  if (!preferred.empty() && !equalIgnoringCase(preferred, trimBlanks(first))) {
    name += " [";
    name += preferred;
    name += ']';
  }
  return copyCutUtf8(out, size, name, limitOf(maxLen));
}
