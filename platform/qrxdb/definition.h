#pragma once
// A file's definition as the engine keeps it: validated once, with every key's lengths worked
// out, and its stored form (the catalogue's bytes, checked by a CRC so that damage is found).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qdb.h"

namespace vantrel::qrxdb {

using Bytes = std::vector<std::uint8_t>;

// The version of the stored definition format this engine reads and writes.
inline constexpr int kDefinitionVersion = 1;

struct KeyLayout {
  int keyNumber = 0;
  bool unique = false;
  std::vector<QdbSegment> segments;  // none: the file's position order
  std::size_t length = 0;            // key bytes as callers pass them
  std::size_t encodedLength = 0;     // stored key: + 4 position bytes for a non-unique key

  bool positionOrder() const { return segments.empty(); }
};

struct FileDefinition {
  int fileNumber = 0;
  std::string name;
  std::uint32_t recordLength = 0;
  bool variableLength = false;
  bool hasIdentifier = false;
  std::vector<KeyLayout> keys;
  std::vector<std::string> whys;  // one per key, for people only

  // Index into `keys`, or -1.
  int keyIndex(int keyNumber) const;
  // Same file as far as the engine is concerned (numbers, lengths, flags, keys); names and
  // explanations do not count.
  bool sameShape(const FileDefinition& other) const;
};

// Checks a definition and works out its layout. kQdbOk or kQdbBadDefinition.
int buildDefinition(const QdbFileDef& def, FileDefinition* out);

// The stored form. Decoding checks every length before it reads and the CRC at the end:
// kQdbOk, kQdbDamaged, or kQdbOtherVersion for a format of another version.
Bytes encodeDefinition(const FileDefinition& def);
int decodeDefinition(const std::uint8_t* data, std::size_t size, FileDefinition* out);

std::uint32_t crc32(const std::uint8_t* data, std::size_t size);

}  // namespace vantrel::qrxdb
