#pragma once
// Keys as stored: bytes that order correctly under a plain byte comparison.
//
// Segment by segment: kUnsigned little-endian turned big-endian; kText upper-cased (ASCII)
// with every byte after its terminator zeroed; kBytes as they are. A non-unique key is followed
// by the record's position, big-endian, so that every stored key is unique, equal keys keep
// the order records were added in, and a seek lands on exactly one entry. A key without
// segments is the position alone.

#include <cstddef>
#include <cstdint>

#include "contracts/qdb.h"
#include "platform/qrxdb/definition.h"

namespace vantrel::qrxdb {

// The stored key of a record at `position`. REQUIRES: `record` holds the record length.
void encodeRecordKey(const KeyLayout& key, const std::uint8_t* record, QdbPosition position,
                     Bytes* out);
// The stored key of a record image, without the position of a non-unique key (what the image's
// key bytes would encode to). For a key without segments: nothing.
void encodeImageKey(const KeyLayout& key, const std::uint8_t* record, Bytes* out);
// Caller key bytes (key.length of them, as they stand in a record) encoded for a seek, without
// the position of a non-unique key.
void encodeKeyBytes(const KeyLayout& key, const std::uint8_t* bytes, Bytes* out);
// The first `prefixLength` caller key bytes encoded. False when the prefix is longer than the
// key or ends inside a kUnsigned segment (or inside the position of a key without segments):
// such a prefix does not pick a range of stored keys.
bool encodePrefix(const KeyLayout& key, const std::uint8_t* bytes, std::size_t prefixLength,
                  Bytes* out);
// The smallest byte string above every string that begins with `prefix`. False when there is
// none (an empty prefix, or all 0xFF).
bool prefixUpperBound(const Bytes& prefix, Bytes* out);

}  // namespace vantrel::qrxdb
