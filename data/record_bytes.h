#pragma once
// Byte access for the fixed-layout records of the shared files.
//
// A record is an array of its exact size. Every field is a constexpr descriptor (offset, and
// width where it varies) and is reached only through the accessor templates below, each of which
// static_asserts that its field lies inside the record, so a field that does not fit fails the
// build instead of reading a neighbour.
//
// - Integers are little-endian and are moved byte by byte: the layout is a wire format shared with
//   other programs, never the host's struct layout.
// - A text field of width w holds at most w - 1 characters. The setter cuts a longer text, writes
//   the terminator and zero-fills the rest of the field; it never writes outside the field. The
//   getter stops at the first zero or at the end of the field, whichever comes first, so a field
//   that arrived without a terminator still reads no byte of the next field.
// - A resource code is 4 characters padded with blanks. Where a record names a resource it stores
//   a kind byte followed by the code; a kind of 0 with a zero code means no resource.
// - Bytes that no accessor names are kept exactly as they were loaded; a new record is all zero.
// - Array accessors take a run-time index: a read out of range gives 0 (or an empty text) and a
//   write out of range changes nothing and returns false.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rec {

// ---------------------------------------------------------------------------------------------
// Field descriptors. They are structural types, so a field constant can be a template argument.

struct U8Field {
  std::size_t offset;
};
struct U16Field {
  std::size_t offset;
};
struct I16Field {
  std::size_t offset;
};
struct U32Field {
  std::size_t offset;
};
struct TextField {
  std::size_t offset;
  std::size_t width;  // including the terminator
};
struct BytesField {
  std::size_t offset;
  std::size_t width;
};
// 4 characters, blank-padded.
struct CodeField {
  std::size_t offset;
};
// A kind byte followed by a 4-character code.
struct ResourceField {
  std::size_t offset;
};

// Arrays of equal elements. A stride of 0 means the elements follow each other without gaps.
struct U8Array {
  std::size_t offset;
  std::size_t count;
  std::size_t stride = 0;
};
struct U16Array {
  std::size_t offset;
  std::size_t count;
  std::size_t stride = 0;
};
struct U32Array {
  std::size_t offset;
  std::size_t count;
  std::size_t stride = 0;
};
struct TextArray {
  std::size_t offset;
  std::size_t width;
  std::size_t count;
};
struct CodeArray {
  std::size_t offset;
  std::size_t count;
};

inline constexpr std::size_t kCodeWidth = 4;

// Kind bytes of resources where a record names one.
inline constexpr std::uint8_t kKindNone = 0;
inline constexpr std::uint8_t kKindPractice = 0;
inline constexpr std::uint8_t kKindProvider = 1;
inline constexpr std::uint8_t kKindStaff = 2;
inline constexpr std::uint8_t kKindOperatory = 3;

// The code of the practice in the resource and schedule files.
inline constexpr std::string_view kPracticeCode = "-PR-";

// A resource as a record names it.
struct ResourceRef {
  std::uint8_t kind = kKindNone;
  std::string code;  // the 4 stored characters up to the first zero; "" = none
  bool operator==(const ResourceRef&) const = default;
};

// The number of bytes a field takes; used by the static_asserts and by tests.
constexpr std::size_t extent(U8Field) { return 1; }
constexpr std::size_t extent(U16Field) { return 2; }
constexpr std::size_t extent(I16Field) { return 2; }
constexpr std::size_t extent(U32Field) { return 4; }
constexpr std::size_t extent(TextField f) { return f.width; }
constexpr std::size_t extent(BytesField f) { return f.width; }
constexpr std::size_t extent(CodeField) { return kCodeWidth; }
constexpr std::size_t extent(ResourceField) { return 1 + kCodeWidth; }

template <typename F>
constexpr bool fits(F field, std::size_t recordSize) {
  return field.offset + extent(field) <= recordSize;
}

constexpr std::size_t strideOf(U8Array f) { return f.stride == 0 ? 1 : f.stride; }
constexpr std::size_t strideOf(U16Array f) { return f.stride == 0 ? 2 : f.stride; }
constexpr std::size_t strideOf(U32Array f) { return f.stride == 0 ? 4 : f.stride; }
constexpr std::size_t elementSize(U8Array) { return 1; }
constexpr std::size_t elementSize(U16Array) { return 2; }
constexpr std::size_t elementSize(U32Array) { return 4; }

template <typename A>
constexpr bool arrayFits(A a, std::size_t recordSize) {
  return a.count > 0 && a.offset + (a.count - 1) * strideOf(a) + elementSize(a) <= recordSize;
}
constexpr bool arrayFits(TextArray a, std::size_t recordSize) {
  return a.count > 0 && a.width > 0 && a.offset + a.count * a.width <= recordSize;
}
constexpr bool arrayFits(CodeArray a, std::size_t recordSize) {
  return a.count > 0 && a.offset + a.count * kCodeWidth <= recordSize;
}

// ---------------------------------------------------------------------------------------------
// Raw little-endian helpers over a byte pointer (no bounds check: callers have checked).

inline std::uint16_t loadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t loadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void storeU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void storeU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  p[2] = static_cast<std::uint8_t>((v >> 16) & 0xFF);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
// Text of at most `width` bytes, up to the first zero.
inline std::string loadText(const std::uint8_t* p, std::size_t width) {
  std::size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}
// Cuts to width - 1, terminates, zero-fills the rest. Returns false when the text was cut.
inline bool storeText(std::uint8_t* p, std::size_t width, std::string_view text) {
  if (width == 0) return text.empty();
  const std::size_t n = std::min(text.size(), width - 1);
  std::copy_n(reinterpret_cast<const std::uint8_t*>(text.data()), n, p);
  std::fill(p + n, p + width, std::uint8_t{0});
  return n == text.size();
}
// An empty code stores four zeros (no resource); any other is blank-padded or cut to 4.
// Returns false when the code was cut.
inline bool storeCode(std::uint8_t* p, std::string_view code) {
  if (code.empty()) {
    std::fill(p, p + kCodeWidth, std::uint8_t{0});
    return true;
  }
  const std::size_t n = std::min(code.size(), kCodeWidth);
  std::copy_n(reinterpret_cast<const std::uint8_t*>(code.data()), n, p);
  std::fill(p + n, p + kCodeWidth, static_cast<std::uint8_t>(' '));
  return n == code.size();
}

// ---------------------------------------------------------------------------------------------
// The byte array of N bytes with the field accessors. Fixed and variable-length records build on
// it; its accessors are protected, and each record offers named accessors over them.

template <std::size_t N>
class Fields {
 public:
  static constexpr std::size_t kFieldBytes = N;

 protected:
  Fields() = default;

  template <U8Field F>
  std::uint8_t u8() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    return bytes_[F.offset];
  }
  template <U8Field F>
  void setU8(std::uint8_t v) {
    static_assert(fits(F, N), "field runs past the end of the record");
    bytes_[F.offset] = v;
  }
  template <U16Field F>
  std::uint16_t u16() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    return loadU16(bytes_.data() + F.offset);
  }
  template <U16Field F>
  void setU16(std::uint16_t v) {
    static_assert(fits(F, N), "field runs past the end of the record");
    storeU16(bytes_.data() + F.offset, v);
  }
  template <I16Field F>
  std::int16_t i16() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    return static_cast<std::int16_t>(loadU16(bytes_.data() + F.offset));
  }
  template <I16Field F>
  void setI16(std::int16_t v) {
    static_assert(fits(F, N), "field runs past the end of the record");
    storeU16(bytes_.data() + F.offset, static_cast<std::uint16_t>(v));
  }
  template <U32Field F>
  std::uint32_t u32() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    return loadU32(bytes_.data() + F.offset);
  }
  template <U32Field F>
  void setU32(std::uint32_t v) {
    static_assert(fits(F, N), "field runs past the end of the record");
    storeU32(bytes_.data() + F.offset, v);
  }
  template <TextField F>
  std::string text() const {
    static_assert(F.width > 0 && fits(F, N), "field runs past the end of the record");
    return loadText(bytes_.data() + F.offset, F.width);
  }
  template <TextField F>
  bool setText(std::string_view v) {
    static_assert(F.width > 0 && fits(F, N), "field runs past the end of the record");
    return storeText(bytes_.data() + F.offset, F.width, v);
  }
  template <BytesField F>
  std::array<std::uint8_t, F.width> raw() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    std::array<std::uint8_t, F.width> out{};
    std::copy_n(bytes_.data() + F.offset, F.width, out.begin());
    return out;
  }
  template <BytesField F>
  void setRaw(const std::array<std::uint8_t, F.width>& v) {
    static_assert(fits(F, N), "field runs past the end of the record");
    std::copy(v.begin(), v.end(), bytes_.data() + F.offset);
  }
  template <BytesField F>
  void clearRaw() {
    static_assert(fits(F, N), "field runs past the end of the record");
    std::fill_n(bytes_.data() + F.offset, F.width, std::uint8_t{0});
  }
  template <CodeField F>
  std::string code() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    return loadText(bytes_.data() + F.offset, kCodeWidth);
  }
  template <CodeField F>
  bool setCode(std::string_view v) {
    static_assert(fits(F, N), "field runs past the end of the record");
    return storeCode(bytes_.data() + F.offset, v);
  }
  template <ResourceField F>
  ResourceRef resource() const {
    static_assert(fits(F, N), "field runs past the end of the record");
    return {bytes_[F.offset], loadText(bytes_.data() + F.offset + 1, kCodeWidth)};
  }
  template <ResourceField F>
  bool setResource(std::uint8_t kind, std::string_view code) {
    static_assert(fits(F, N), "field runs past the end of the record");
    bytes_[F.offset] = kind;
    return storeCode(bytes_.data() + F.offset + 1, code);
  }
  template <ResourceField F>
  void clearResource() {
    static_assert(fits(F, N), "field runs past the end of the record");
    std::fill_n(bytes_.data() + F.offset, 1 + kCodeWidth, std::uint8_t{0});
  }

  template <U8Array F>
  std::uint8_t u8At(std::size_t i) const {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    return i < F.count ? bytes_[F.offset + i * strideOf(F)] : 0;
  }
  template <U8Array F>
  bool setU8At(std::size_t i, std::uint8_t v) {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    if (i >= F.count) return false;
    bytes_[F.offset + i * strideOf(F)] = v;
    return true;
  }
  template <U16Array F>
  std::uint16_t u16At(std::size_t i) const {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    return i < F.count ? loadU16(bytes_.data() + F.offset + i * strideOf(F)) : 0;
  }
  template <U16Array F>
  bool setU16At(std::size_t i, std::uint16_t v) {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    if (i >= F.count) return false;
    storeU16(bytes_.data() + F.offset + i * strideOf(F), v);
    return true;
  }
  template <U32Array F>
  std::uint32_t u32At(std::size_t i) const {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    return i < F.count ? loadU32(bytes_.data() + F.offset + i * strideOf(F)) : 0;
  }
  template <U32Array F>
  bool setU32At(std::size_t i, std::uint32_t v) {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    if (i >= F.count) return false;
    storeU32(bytes_.data() + F.offset + i * strideOf(F), v);
    return true;
  }
  template <TextArray F>
  std::string textAt(std::size_t i) const {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    return i < F.count ? loadText(bytes_.data() + F.offset + i * F.width, F.width) : std::string();
  }
  template <TextArray F>
  bool setTextAt(std::size_t i, std::string_view v) {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    if (i >= F.count) return false;
    return storeText(bytes_.data() + F.offset + i * F.width, F.width, v);
  }
  template <CodeArray F>
  std::string codeAt(std::size_t i) const {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    return i < F.count ? loadText(bytes_.data() + F.offset + i * kCodeWidth, kCodeWidth)
                       : std::string();
  }
  template <CodeArray F>
  bool setCodeAt(std::size_t i, std::string_view v) {
    static_assert(arrayFits(F, N), "array runs past the end of the record");
    if (i >= F.count) return false;
    return storeCode(bytes_.data() + F.offset + i * kCodeWidth, v);
  }

  std::array<std::uint8_t, N> bytes_{};
};

// ---------------------------------------------------------------------------------------------
// A fixed-size record: exactly N bytes, read and written whole.

template <std::size_t N>
class Fixed : public Fields<N> {
 public:
  static constexpr std::size_t kSize = N;

  // A new record: all zero.
  Fixed() = default;

  // Takes a record as read. Refuses (returns false, record unchanged) a buffer of any size but N.
  bool load(std::span<const std::uint8_t> in) {
    if (in.size() != N) return false;
    std::copy(in.begin(), in.end(), this->bytes_.begin());
    return true;
  }
  bool load(const void* data, std::size_t size) {
    if (data == nullptr) return false;
    return load(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size));
  }

  // The whole record, for writing and for byte-wise comparison.
  std::span<const std::uint8_t, N> bytes() const { return this->bytes_; }
  // The buffer the database reads into; exactly kSize bytes.
  std::uint8_t* data() { return this->bytes_.data(); }
  const std::uint8_t* data() const { return this->bytes_.data(); }
  static constexpr std::size_t size() { return N; }

  // Same bytes, all N of them (the changed-at-another-workstation test compares so).
  bool sameBytes(const Fixed& other) const { return this->bytes_ == other.bytes_; }
};

// ---------------------------------------------------------------------------------------------
// A variable-length record: a fixed part of F bytes with named fields, then a tail; the whole
// record is at least F and at most M bytes long.

template <std::size_t F, std::size_t M>
class Variable : public Fields<F> {
  static_assert(F > 0 && F <= M, "fixed part must fit the longest record");

 public:
  static constexpr std::size_t kFixedSize = F;
  static constexpr std::size_t kMaxSize = M;

  Variable() = default;

  // Takes a record as read. Refuses (returns false, record unchanged) a buffer shorter than the
  // fixed part or longer than the longest record.
  bool load(std::span<const std::uint8_t> in) {
    if (in.size() < F || in.size() > M) return false;
    std::copy_n(in.begin(), F, this->bytes_.begin());
    tail_.assign(in.begin() + static_cast<std::ptrdiff_t>(F), in.end());
    return true;
  }
  bool load(const void* data, std::size_t size) {
    if (data == nullptr) return false;
    return load(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size));
  }

  // The whole record as written: fixed part, then tail.
  std::vector<std::uint8_t> bytes() const {
    std::vector<std::uint8_t> out(this->bytes_.begin(), this->bytes_.end());
    out.insert(out.end(), tail_.begin(), tail_.end());
    return out;
  }
  std::size_t size() const { return F + tail_.size(); }

 protected:
  const std::vector<std::uint8_t>& tail() const { return tail_; }
  // Replaces the tail; refuses (false, unchanged) one that would make the record too long.
  bool setTail(std::vector<std::uint8_t> tail) {
    if (tail.size() > M - F) return false;
    tail_ = std::move(tail);
    return true;
  }

 private:
  std::vector<std::uint8_t> tail_;
};

}  // namespace rec
