#include "platform/qrx/text_out.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace vantrel::qrx {
namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// How many bytes a UTF-8 sequence starting with `lead` claims; 1 for anything that is not a
// multi-byte lead (ASCII, stray bytes of another encoding).
std::size_t sequenceLength(char lead) {
  const auto b = static_cast<unsigned char>(lead);
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 1;
}

// The longest prefix of `text` no longer than `limit` bytes that does not end inside a UTF-8
// sequence.
std::size_t wholeCharacterLength(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t start = limit;  // find where the sequence holding byte `limit - 1` begins
  std::size_t back = 0;
  while (start > 0 && back < 3 && isContinuationByte(text[start - 1])) {
    --start;
    ++back;
  }
  if (start > 0 && back < 3 && !isContinuationByte(text[start - 1])) {
    const std::size_t lead = start - 1;
    if (lead + sequenceLength(text[lead]) > limit) return lead;
  }
  return limit;
}

// Copies the first `length` bytes of `text`, which the caller has fitted to `size`.
int copyPrefix(char* out, std::string_view text, std::size_t length) {
  if (length > 0) std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return static_cast<int>(std::min<std::size_t>(length, INT_MAX));
}

}  // namespace

int copyCut(char* out, std::size_t size, std::string_view text) {
  if (out == nullptr || size == 0) return 0;
  return copyPrefix(out, text, std::min(text.size(), size - 1));
}

int copyCutUtf8(char* out, std::size_t size, std::string_view text, std::size_t limit) {
  if (out == nullptr || size == 0) return 0;
  return copyPrefix(out, text, wholeCharacterLength(text, std::min(limit, size - 1)));
}

}  // namespace vantrel::qrx
