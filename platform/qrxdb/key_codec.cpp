#include "platform/qrxdb/key_codec.h"

#include <algorithm>

namespace vantrel::qrxdb {
namespace {

void appendBigEndian32(std::uint32_t v, Bytes* out) {
  for (int i = 3; i >= 0; --i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Appends the first `take` bytes of a segment whose bytes (as stored in a record) start at `src`.
void appendSegment(const QdbSegment& seg, const std::uint8_t* src, std::size_t take, Bytes* out) {
  switch (seg.kind) {
    case QdbSegmentKind::kUnsigned:
      // Callers only take whole unsigned segments.
      for (std::size_t i = seg.length; i > 0; --i) out->push_back(src[i - 1]);
      break;
    case QdbSegmentKind::kText: {
      bool ended = false;
      for (std::size_t i = 0; i < take; ++i) {
        std::uint8_t c = ended ? 0 : src[i];
        if (c == 0) ended = true;
        if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 'a' + 'A');
        out->push_back(c);
      }
      break;
    }
    case QdbSegmentKind::kBytes:
    default:
      out->insert(out->end(), src, src + take);
      break;
  }
}

std::uint32_t littleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace

void encodeRecordKey(const KeyLayout& key, const std::uint8_t* record, QdbPosition position,
                     Bytes* out) {
  out->clear();
  if (key.positionOrder()) {
    appendBigEndian32(position, out);
    return;
  }
  encodeImageKey(key, record, out);
  if (!key.unique) appendBigEndian32(position, out);
}

void encodeImageKey(const KeyLayout& key, const std::uint8_t* record, Bytes* out) {
  out->clear();
  out->reserve(key.encodedLength);
  for (const QdbSegment& seg : key.segments) {
    appendSegment(seg, record + seg.offset, seg.length, out);
  }
}

void encodeKeyBytes(const KeyLayout& key, const std::uint8_t* bytes, Bytes* out) {
  out->clear();
  if (key.positionOrder()) {
    appendBigEndian32(littleEndian32(bytes), out);
    return;
  }
  std::size_t at = 0;
  for (const QdbSegment& seg : key.segments) {
    appendSegment(seg, bytes + at, seg.length, out);
    at += seg.length;
  }
}

bool encodePrefix(const KeyLayout& key, const std::uint8_t* bytes, std::size_t prefixLength,
                  Bytes* out) {
  out->clear();
  if (prefixLength > key.length) return false;
  if (key.positionOrder()) {
    if (prefixLength == 0) return true;
    if (prefixLength != key.length) return false;
    appendBigEndian32(littleEndian32(bytes), out);
    return true;
  }
  std::size_t at = 0;
  for (const QdbSegment& seg : key.segments) {
    if (at >= prefixLength) break;
    std::size_t take = std::min<std::size_t>(seg.length, prefixLength - at);
    if (take < seg.length && seg.kind == QdbSegmentKind::kUnsigned) return false;
    appendSegment(seg, bytes + at, take, out);
    at += take;
  }
  return true;
}

bool prefixUpperBound(const Bytes& prefix, Bytes* out) {
  *out = prefix;
  while (!out->empty() && out->back() == 0xFF) out->pop_back();
  if (out->empty()) return false;
  ++out->back();
  return true;
}

}  // namespace vantrel::qrxdb
