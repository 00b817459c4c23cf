// The byte toolkit under every record: little-endian integers, confined text fields, codes,
// arrays, and whole-record loading.

#include "data/record_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/data/patterned.h"

namespace {

// A small record with one field of each kind, packed against each other so that any overrun
// lands in a neighbour.
class Probe : public rec::Fixed<40> {
 public:
  static constexpr rec::U8Field kByte{0};
  static constexpr rec::U16Field kWord{1};
  static constexpr rec::I16Field kSigned{3};
  static constexpr rec::U32Field kLong{5};
  static constexpr rec::TextField kText{9, 6};
  static constexpr rec::CodeField kCode{15};
  static constexpr rec::ResourceField kResource{19};
  static constexpr rec::U16Array kWords{24, 3};
  static constexpr rec::U32Array kStrided{30, 2, 5};  // 30..33 and 35..38
  static constexpr rec::TextField kLast{39, 1};       // room for the terminator only

  std::uint8_t byte() const { return u8<kByte>(); }
  void setByte(std::uint8_t v) { setU8<kByte>(v); }
  std::uint16_t word() const { return u16<kWord>(); }
  void setWord(std::uint16_t v) { setU16<kWord>(v); }
  std::int16_t signedWord() const { return i16<kSigned>(); }
  void setSignedWord(std::int16_t v) { setI16<kSigned>(v); }
  std::uint32_t longWord() const { return u32<kLong>(); }
  void setLongWord(std::uint32_t v) { setU32<kLong>(v); }
  std::string txt() const { return text<kText>(); }
  bool setTxt(std::string_view v) { return setText<kText>(v); }
  std::string cd() const { return code<kCode>(); }
  bool setCd(std::string_view v) { return setCode<kCode>(v); }
  rec::ResourceRef res() const { return resource<kResource>(); }
  bool setRes(std::uint8_t kind, std::string_view c) { return setResource<kResource>(kind, c); }
  void clearRes() { clearResource<kResource>(); }
  std::uint16_t wordAt(std::size_t i) const { return u16At<kWords>(i); }
  bool setWordAt(std::size_t i, std::uint16_t v) { return setU16At<kWords>(i, v); }
  std::uint32_t stridedAt(std::size_t i) const { return u32At<kStrided>(i); }
  bool setStridedAt(std::size_t i, std::uint32_t v) { return setU32At<kStrided>(i, v); }
  std::string last() const { return text<kLast>(); }
  bool setLast(std::string_view v) { return setText<kLast>(v); }
};

TEST(RecordBytes, IntegersAreLittleEndianByteByByteInBothDirections) {
  Probe p = patterned<Probe>();
  p.setWord(0x1234);
  p.setSignedWord(-2);
  p.setLongWord(0xA1B2C3D4);
  const std::uint8_t written[] = {0x34, 0x12, 0xFE, 0xFF, 0xD4, 0xC3, 0xB2, 0xA1};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(p.bytes()[1 + i], written[i]) << 1 + i;
  EXPECT_TRUE(patternOutside(p, 1, 9));
  std::vector<std::uint8_t> b(Probe::kSize, 0);
  for (auto [at, v] : {std::pair{1, 0xFF}, {2, 0x7F}, {4, 0x80}, {5, 0x01}, {8, 0x80}}) b[at] = v;
  ASSERT_TRUE(p.load(b));
  EXPECT_EQ(p.word(), 0x7FFF);
  EXPECT_EQ(p.signedWord(), -32768);
  EXPECT_EQ(p.longWord(), 0x80000001u);
}

TEST(RecordBytes, TextWithoutTerminatorReadsNoByteOfTheNextField) {
  std::vector<std::uint8_t> b(Probe::kSize, 'Z');
  Probe p;
  ASSERT_TRUE(p.load(b));
  EXPECT_EQ(p.txt(), "ZZZZZZ");  // the six bytes of the field, not the code after it
  EXPECT_EQ(p.last(), "Z");
  p = patterned<Probe>();
  EXPECT_FALSE(p.setLast("x")) << "a width of one holds only the terminator";
  EXPECT_EQ(p.last(), "");
  EXPECT_TRUE(patternOutside(p, 39, 40));
}

TEST(RecordBytes, CodesAreBlankPaddedCutToFourAndEmptyMeansZeros) {
  Probe p = patterned<Probe>();
  EXPECT_TRUE(p.setCd("D1"));
  EXPECT_EQ(p.cd(), "D1  ");
  EXPECT_FALSE(p.setCd("HYG12"));
  EXPECT_EQ(p.cd(), "HYG1");
  EXPECT_TRUE(p.setCd(""));
  for (std::size_t i = 15; i < 19; ++i) EXPECT_EQ(p.bytes()[i], 0) << i;
  EXPECT_TRUE(patternOutside(p, 15, 19));
  EXPECT_TRUE(p.setRes(rec::kKindOperatory, "OP1"));
  EXPECT_EQ(p.res(), (rec::ResourceRef{3, "OP1 "}));
  p.clearRes();
  EXPECT_EQ(p.res(), (rec::ResourceRef{0, ""}));
  EXPECT_TRUE(patternOutside(p, 15, 24));
}

TEST(RecordBytes, ArrayIndexPastTheEndReadsZeroAndStridesLeaveTheGapsAlone) {
  Probe p = patterned<Probe>();
  EXPECT_TRUE(p.setWordAt(2, 0xBEEF));
  EXPECT_EQ(p.wordAt(2), 0xBEEF);
  EXPECT_FALSE(p.setWordAt(3, 0x1111));
  EXPECT_EQ(p.wordAt(3), 0);
  EXPECT_TRUE(patternOutside(p, 28, 30));
  p = patterned<Probe>();
  EXPECT_TRUE(p.setStridedAt(0, 0));
  EXPECT_TRUE(p.setStridedAt(1, 0x01020304));
  EXPECT_EQ(p.stridedAt(1), 0x01020304u);
  EXPECT_FALSE(p.setStridedAt(2, 7));
  EXPECT_TRUE(patternOutside(p, 30, 39));
  EXPECT_EQ(p.bytes()[34], pattern<Probe::kSize>()[34]) << "the gap";
}

TEST(RecordBytes, LoadRefusesWrongBuffersAndSameBytesSeesTheLastByte) {
  Probe p = patterned<Probe>();
  EXPECT_FALSE(p.load(std::vector<std::uint8_t>(Probe::kSize - 1, 0x11)));
  EXPECT_FALSE(p.load(std::vector<std::uint8_t>(Probe::kSize + 1, 0x22)));
  EXPECT_FALSE(p.load(nullptr, Probe::kSize));
  EXPECT_FALSE(p.load(std::span<const std::uint8_t>()));
  EXPECT_TRUE(patternOutside(p, 0, 0));
  Probe q = patterned<Probe>();
  EXPECT_TRUE(p.sameBytes(q));
  q.setLast("");  // the very last byte
  EXPECT_FALSE(p.sameBytes(q));
}

}  // namespace
