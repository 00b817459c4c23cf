#pragma once
// Text copied into the callers' sized out-buffers.
//
// Every QRX_ call that hands back text writes into a buffer whose size the caller passes: the
// text is cut to fit and always zero-terminated, and nothing is written past `size` bytes. These
// two functions are the only places in the library that do it.

#include <cstddef>
#include <limits>
#include <string_view>

namespace vantrel::qrx {

inline constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

// Copies as much of `text` as fits into `out` (at most size - 1 bytes) and terminates it.
// Writes nothing when `out` is null or `size` is 0. Returns the number of bytes copied, which is
// the length of the text now in `out`.
int copyCut(char* out, std::size_t size, std::string_view text);

// As copyCut, but copies at most `limit` bytes as well and never ends inside a UTF-8 sequence,
// so that a name or a setting cut to its field is still valid text. Stray bytes that start no
// sequence (text of another encoding) are cut like ASCII.
int copyCutUtf8(char* out, std::size_t size, std::string_view text, std::size_t limit = kNoLimit);

}  // namespace vantrel::qrx
