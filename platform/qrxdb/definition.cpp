#include "platform/qrxdb/definition.h"

#include <array>
#include <set>

namespace vantrel::qrxdb {
namespace {

constexpr std::uint8_t kMagic[4] = {'Q', 'D', 'B', 'F'};
constexpr std::size_t kPositionBytes = 4;

bool validUnsignedWidth(std::uint16_t length) {
  return length == 1 || length == 2 || length == 4 || length == 8;
}

// Checks one definition's numbers and fills the lengths of its keys.
int layOut(FileDefinition* def) {
  if (def->fileNumber < 1) return kQdbBadDefinition;  // also keeps fileNumber << 32 positive
  if (def->recordLength == 0 || def->recordLength > kQdbMaxRecordLength) return kQdbBadDefinition;
  if (def->hasIdentifier && def->recordLength < 6) return kQdbBadDefinition;
  if (def->keys.empty() || def->keys.size() > kQdbMaxKeysPerFile) return kQdbBadDefinition;
  if (def->keys.front().keyNumber != def->fileNumber) return kQdbBadDefinition;
  std::set<int> numbers;
  for (KeyLayout& key : def->keys) {
    if (key.keyNumber < 1 || !numbers.insert(key.keyNumber).second) return kQdbBadDefinition;
    std::size_t length = 0;
    for (const QdbSegment& seg : key.segments) {
      if (seg.length == 0) return kQdbBadDefinition;
      if (std::uint32_t{seg.offset} + seg.length > def->recordLength) return kQdbBadDefinition;
      switch (seg.kind) {
        case QdbSegmentKind::kBytes:
        case QdbSegmentKind::kText:
          break;
        case QdbSegmentKind::kUnsigned:
          if (!validUnsignedWidth(seg.length)) return kQdbBadDefinition;
          break;
        default:
          return kQdbBadDefinition;
      }
      length += seg.length;
    }
    if (key.segments.empty()) {
      key.length = kPositionBytes;
      key.encodedLength = kPositionBytes;
    } else {
      if (length > kQdbMaxKeyLength) return kQdbBadDefinition;
      key.length = length;
      key.encodedLength = key.unique ? length : length + kPositionBytes;
    }
  }
  return kQdbOk;
}

class Writer {
 public:
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v) {
    for (int i = 0; i < 2; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  Bytes& bytes() { return out_; }

 private:
  Bytes out_;
};

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool u8(std::uint8_t* v) {
    if (size_ - at_ < 1) return false;
    *v = data_[at_++];
    return true;
  }
  bool u16(std::uint16_t* v) {
    if (size_ - at_ < 2) return false;
    *v = static_cast<std::uint16_t>(data_[at_] | (data_[at_ + 1] << 8));
    at_ += 2;
    return true;
  }
  bool u32(std::uint32_t* v) {
    if (size_ - at_ < 4) return false;
    *v = 0;
    for (int i = 3; i >= 0; --i) *v = (*v << 8) | data_[at_ + static_cast<std::size_t>(i)];
    at_ += 4;
    return true;
  }
  bool atEnd() const { return at_ == size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

int FileDefinition::keyIndex(int keyNumber) const {
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].keyNumber == keyNumber) return static_cast<int>(i);
  }
  return -1;
}

bool FileDefinition::sameShape(const FileDefinition& other) const {
  if (fileNumber != other.fileNumber || recordLength != other.recordLength ||
      variableLength != other.variableLength || hasIdentifier != other.hasIdentifier ||
      keys.size() != other.keys.size()) {
    return false;
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const KeyLayout& a = keys[i];
    const KeyLayout& b = other.keys[i];
    if (a.keyNumber != b.keyNumber || a.unique != b.unique ||
        a.segments.size() != b.segments.size()) {
      return false;
    }
    for (std::size_t j = 0; j < a.segments.size(); ++j) {
      if (a.segments[j].offset != b.segments[j].offset ||
          a.segments[j].length != b.segments[j].length ||
          a.segments[j].kind != b.segments[j].kind) {
        return false;
      }
    }
  }
  return true;
}

int buildDefinition(const QdbFileDef& def, FileDefinition* out) {
  FileDefinition built;
  built.fileNumber = def.fileNumber;
  built.name = def.name != nullptr ? def.name : "";
  built.recordLength = def.recordLength;
  built.variableLength = def.variableLength;
  built.hasIdentifier = def.hasIdentifier;
  for (const QdbKeyDef& key : def.keys) {
    KeyLayout layout;
    layout.keyNumber = key.keyNumber;
    layout.unique = key.unique;
    layout.segments = key.segments;
    built.keys.push_back(std::move(layout));
    built.whys.emplace_back(key.why != nullptr ? key.why : "");
  }
  int status = layOut(&built);
  if (status != kQdbOk) return status;
  *out = std::move(built);
  return kQdbOk;
}

Bytes encodeDefinition(const FileDefinition& def) {
  Writer w;
  for (std::uint8_t m : kMagic) w.u8(m);
  w.u16(kDefinitionVersion);
  w.u32(static_cast<std::uint32_t>(def.fileNumber));
  w.u32(def.recordLength);
  w.u8(static_cast<std::uint8_t>((def.variableLength ? 1 : 0) | (def.hasIdentifier ? 2 : 0)));
  w.u8(static_cast<std::uint8_t>(def.keys.size()));
  for (const KeyLayout& key : def.keys) {
    w.u32(static_cast<std::uint32_t>(key.keyNumber));
    w.u8(key.unique ? 1 : 0);
    w.u8(static_cast<std::uint8_t>(key.segments.size()));
    for (const QdbSegment& seg : key.segments) {
      w.u16(seg.offset);
      w.u16(seg.length);
      w.u8(static_cast<std::uint8_t>(seg.kind));
    }
  }
  std::uint32_t crc = crc32(w.bytes().data(), w.bytes().size());
  w.u32(crc);
  return std::move(w.bytes());
}

int decodeDefinition(const std::uint8_t* data, std::size_t size, FileDefinition* out) {
  if (data == nullptr || size < sizeof kMagic + 2 + 4) return kQdbDamaged;
  std::uint32_t storedCrc = 0;
  for (int i = 3; i >= 0; --i) storedCrc = (storedCrc << 8) | data[size - 4 + std::size_t(i)];
  if (crc32(data, size - 4) != storedCrc) return kQdbDamaged;

  Reader r(data, size - 4);
  for (std::uint8_t m : kMagic) {
    std::uint8_t b = 0;
    if (!r.u8(&b) || b != m) return kQdbDamaged;
  }
  std::uint16_t version = 0;
  if (!r.u16(&version)) return kQdbDamaged;
  if (version != kDefinitionVersion) return kQdbOtherVersion;

  FileDefinition def;
  std::uint32_t fileNumber = 0;
  std::uint8_t flags = 0;
  std::uint8_t keyCount = 0;
  if (!r.u32(&fileNumber) || !r.u32(&def.recordLength) || !r.u8(&flags) || !r.u8(&keyCount)) {
    return kQdbDamaged;
  }
  def.fileNumber = static_cast<int>(fileNumber);
  def.variableLength = (flags & 1) != 0;
  def.hasIdentifier = (flags & 2) != 0;
  for (int k = 0; k < keyCount; ++k) {
    KeyLayout key;
    std::uint32_t number = 0;
    std::uint8_t unique = 0;
    std::uint8_t segCount = 0;
    if (!r.u32(&number) || !r.u8(&unique) || !r.u8(&segCount)) return kQdbDamaged;
    key.keyNumber = static_cast<int>(number);
    key.unique = unique != 0;
    for (int s = 0; s < segCount; ++s) {
      QdbSegment seg;
      std::uint8_t kind = 0;
      if (!r.u16(&seg.offset) || !r.u16(&seg.length) || !r.u8(&kind)) return kQdbDamaged;
      seg.kind = static_cast<QdbSegmentKind>(kind);
      key.segments.push_back(seg);
    }
    def.keys.push_back(std::move(key));
    def.whys.emplace_back();
  }
  if (!r.atEnd()) return kQdbDamaged;
  // A definition that passed the CRC but cannot work was never written by us.
  if (layOut(&def) != kQdbOk) return kQdbDamaged;
  *out = std::move(def);
  return kQdbOk;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int b = 0; b < 8; ++b) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace vantrel::qrxdb
