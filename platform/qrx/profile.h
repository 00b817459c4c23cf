#pragma once
// Profile files: INI text read and written with the rules the suite's settings have always had.
//
// The text is "[Section]" lines and "key=value" lines. Sections and keys compare without regard
// to ASCII case; names and values are trimmed of blanks, and a value in matching double quotes
// loses them on reading. When a file repeats a section or a key, the first one wins. Comment
// lines (";" or "#"), blank lines and lines the reader does not understand (no "=", a "[" without
// "]", control bytes, a line longer than kMaxLineLength) are skipped when reading and kept byte
// for byte on every rewrite. A missing file reads as empty.
//
// Every change runs under an exclusive lock on "<file>.lock" beside the profile: the current
// file is read, changed, written to a temporary file in the same directory, flushed to disk and
// renamed over the profile. Readers take no lock: they see the old file or the new one, never a
// torn one, and two processes changing different keys at the same moment lose neither change.
// The lock file is left in place (removing it would let two writers lock different files).
//
// Results are numbers: 1 = done, 0 = refused or the file could not be written (the old file is
// then left as it was). Nothing throws. One object may be used from one thread at a time;
// separate objects on the same path may be used from any threads or processes.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace vantrel::qrx {

class ProfileFile {
 public:
  // Longest line the reader understands, terminator excluded. Longer lines are kept but skipped,
  // and a write that would make a longer line is refused.
  static constexpr std::size_t kMaxLineLength = 8192;

  explicit ProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The value of `key` in `section`, or `def` when the file, the section or the key is absent.
  // A present key with an empty value gives "".
  std::string readString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // The value's leading optional sign and digits as a number, clamped to the int range; `def`
  // when the key is absent or its value does not start with a digit.
  int readInt(std::string_view section, std::string_view key, int def) const;

  // Sets `key` in `section`. An existing key keeps its line; a new key goes at the end of its
  // section (after its last line that is neither blank nor a comment); a new section goes at
  // the end of the file. The file and its missing parent
  // directories are created. A value with leading or trailing blanks, or in quotes of its own, is
  // written in quotes so that it reads back unchanged. Refused (0, nothing written): an empty
  // section or key, a section holding "]", a key holding "=" or starting with "[", ";" or "#",
  // any control byte other than a tab in a name or the value (a newline would break the file),
  // and a line longer than kMaxLineLength.
  int writeString(std::string_view section, std::string_view key, std::string_view value);
  int writeInt(std::string_view section, std::string_view key, int value);
  // Removes every line of `key` in `section`. Returns 1 also when there was none (the file is
  // then not touched), 0 when the file cannot be rewritten.
  int deleteKey(std::string_view section, std::string_view key);

 private:
  std::string path_;
};

}  // namespace vantrel::qrx
