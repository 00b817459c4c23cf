// Stored keys must order under a plain byte comparison exactly as the key's meaning says, and
// stored definitions must come back as written or be refused as damaged, never misread.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/qrxdb/definition.h"
#include "platform/qrxdb/key_codec.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace vantrel::qrxdb {
namespace {

KeyLayout layoutOf(const QdbFileDef& def, int keyNumber) {
  FileDefinition built;
  EXPECT_EQ(buildDefinition(def, &built), kQdbOk);
  return built.keys.at(static_cast<std::size_t>(built.keyIndex(keyNumber)));
}

Bytes storedKey(const KeyLayout& key, const qdbtest::Rec& r, QdbPosition pos) {
  Bytes out;
  encodeRecordKey(key, r.data(), pos, &out);
  return out;
}

TEST(StoredKeys, OrderDatesAsNumbersAcrossByteBoundaries) {
  const KeyLayout key = layoutOf(qdbtest::apptDef(), 10);
  const std::uint32_t dates[] = {1, 255, 256, 257, 65535, 65536, 16777216, 0xFFFFFFFFu};
  for (std::size_t i = 0; i + 1 < std::size(dates); ++i) {
    Bytes a = storedKey(key, qdbtest::appt(dates[i], "OP1"), 99);
    Bytes b = storedKey(key, qdbtest::appt(dates[i + 1], "OP1"), 1);
    EXPECT_LT(a, b) << dates[i] << " should sort before " << dates[i + 1];
  }
}

TEST(StoredKeys, IgnoreCaseAndBytesAfterTheTerminator) {
  const KeyLayout key = layoutOf(qdbtest::peopleDef(), 20);
  qdbtest::Rec lower = qdbtest::person("smith", "ann", "");
  qdbtest::Rec upper = qdbtest::person("SMITH", "ANN", "");
  upper.u8(10 + 7, 'x');  // garbage after the terminator of "SMITH"
  Bytes a;
  Bytes b;
  encodeImageKey(key, lower.data(), &a);
  encodeImageKey(key, upper.data(), &b);
  EXPECT_EQ(a, b);
  Bytes c;
  encodeImageKey(key, qdbtest::person("Smithe", "Ann", "").data(), &c);
  EXPECT_LT(a, c) << "a name sorts before its own extension";
}

TEST(StoredKeys, KeepEqualNonUniqueKeysInPositionOrder) {
  const KeyLayout key = layoutOf(qdbtest::apptDef(), 10);
  qdbtest::Rec r = qdbtest::appt(500, "OP1");
  EXPECT_LT(storedKey(key, r, 255), storedKey(key, r, 256));
  EXPECT_LT(storedKey(key, r, 0xFFFFFFFEu), storedKey(key, r, 0xFFFFFFFFu));
  EXPECT_EQ(storedKey(key, r, 7).size(), key.length + 4);
}

TEST(StoredKeys, PositionOrderKeyIsThePositionBigEndian) {
  const KeyLayout key = layoutOf(qdbtest::apptDef(), 9);
  qdbtest::Rec r = qdbtest::appt(1, "OP1");
  EXPECT_LT(storedKey(key, r, 255), storedKey(key, r, 256));
  Bytes fromCaller;
  encodeKeyBytes(key, qdbtest::keyU32(256).data(), &fromCaller);
  EXPECT_EQ(fromCaller, storedKey(key, r, 256));
}

TEST(Prefixes, RefuseOneEndingInsideAnUnsignedSegment) {
  const KeyLayout key = layoutOf(qdbtest::apptDef(), 10);
  const qdbtest::Rec r = qdbtest::appt(70000, "OP1");
  const std::uint8_t* bytes = r.data() + 6;  // the key's bytes stand together from offset 6
  Bytes out;
  for (std::size_t cut : {1u, 2u, 3u}) {
    EXPECT_FALSE(encodePrefix(key, bytes, cut, &out)) << cut;
  }
  for (std::size_t cut : {0u, 4u, 5u, 6u, 9u}) {
    EXPECT_TRUE(encodePrefix(key, bytes, cut, &out)) << cut;
    EXPECT_EQ(out.size(), cut);
  }
  EXPECT_FALSE(encodePrefix(key, bytes, 10, &out)) << "longer than the key";
}

TEST(Prefixes, TextPrefixMatchesWithoutRegardToCase) {
  const KeyLayout key = layoutOf(qdbtest::peopleDef(), 20);
  const qdbtest::Rec asked = qdbtest::person("smi", "", "");
  Bytes prefix;
  ASSERT_TRUE(encodePrefix(key, asked.data() + 10, 3, &prefix));
  Bytes upper;
  ASSERT_TRUE(prefixUpperBound(prefix, &upper));
  const struct {
    const char* name;
    bool inside;
  } cases[] = {{"SMITH", true}, {"smithe", true}, {"Smi", true},
               {"SMH", false},  {"smj", false},   {"Sm", false}};
  for (const auto& c : cases) {
    Bytes k = storedKey(key, qdbtest::person(c.name, "X", ""), 5);
    EXPECT_EQ(k >= prefix && k < upper, c.inside) << c.name;
  }
}

TEST(Prefixes, UpperBoundSkipsTrailingFF) {
  Bytes out;
  EXPECT_TRUE(prefixUpperBound({0x01, 0xFF, 0xFF}, &out));
  EXPECT_EQ(out, (Bytes{0x02}));
  EXPECT_FALSE(prefixUpperBound({0xFF, 0xFF}, &out));
  EXPECT_FALSE(prefixUpperBound({}, &out));
}

// --- definitions ---

struct BadDefinitionCase {
  const char* fault;
  void (*spoil)(QdbFileDef&);
};

class RefusesDefinition : public ::testing::TestWithParam<BadDefinitionCase> {};

TEST_P(RefusesDefinition, ThatCannotWork) {
  QdbFileDef def = qdbtest::apptDef();
  GetParam().spoil(def);
  FileDefinition built;
  EXPECT_EQ(buildDefinition(def, &built), kQdbBadDefinition) << GetParam().fault;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusesDefinition,
    ::testing::Values(
        BadDefinitionCase{"file number 0", [](QdbFileDef& d) { d.fileNumber = 0; }},
        BadDefinitionCase{"first key not the file's number",
                          [](QdbFileDef& d) { d.keys[0].keyNumber = 8; }},
        BadDefinitionCase{"key number twice", [](QdbFileDef& d) { d.keys[2].keyNumber = 10; }},
        BadDefinitionCase{"segment past the record",
                          [](QdbFileDef& d) { d.keys[1].segments[0].offset = 284; }},
        BadDefinitionCase{"unsigned of 3 bytes",
                          [](QdbFileDef& d) { d.keys[2].segments[0].length = 3; }},
        BadDefinitionCase{"empty segment", [](QdbFileDef& d) { d.keys[3].segments[0].length = 0; }},
        BadDefinitionCase{"no keys", [](QdbFileDef& d) { d.keys.clear(); }},
        BadDefinitionCase{"empty record", [](QdbFileDef& d) { d.recordLength = 0; }},
        BadDefinitionCase{"identifier outside the record",
                          [](QdbFileDef& d) {
                            d.recordLength = 5;
                            d.keys.resize(1);
                          }},
        BadDefinitionCase{"key too long",
                          [](QdbFileDef& d) {
                            d.keys[1].segments = {{0, 200, QdbSegmentKind::kBytes},
                                                  {0, 56, QdbSegmentKind::kBytes}};
                          }},
        BadDefinitionCase{"unknown segment kind", [](QdbFileDef& d) {
                            d.keys[3].segments[0].kind = static_cast<QdbSegmentKind>(7);
                          }}));

TEST(StoredDefinitions, ComeBackWithTheSameShape) {
  for (const QdbFileDef& def : {qdbtest::apptDef(), qdbtest::peopleDef(), qdbtest::notesDef()}) {
    FileDefinition built;
    ASSERT_EQ(buildDefinition(def, &built), kQdbOk);
    const Bytes stored = encodeDefinition(built);
    FileDefinition back;
    ASSERT_EQ(decodeDefinition(stored.data(), stored.size(), &back), kQdbOk);
    EXPECT_TRUE(back.sameShape(built));
    EXPECT_EQ(encodeDefinition(back), stored);
  }
}

TEST(StoredDefinitions, EveryFlippedBitOrCutIsFoundDamaged) {
  FileDefinition built;
  ASSERT_EQ(buildDefinition(qdbtest::apptDef(), &built), kQdbOk);
  const Bytes stored = encodeDefinition(built);
  for (std::size_t at = 0; at < stored.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      Bytes spoiled = stored;
      spoiled[at] ^= static_cast<std::uint8_t>(1 << bit);
      FileDefinition back;
      EXPECT_EQ(decodeDefinition(spoiled.data(), spoiled.size(), &back), kQdbDamaged)
          << "byte " << at << " bit " << bit;
    }
  }
  for (std::size_t size = 0; size < stored.size(); ++size) {
    FileDefinition back;
    EXPECT_EQ(decodeDefinition(stored.data(), size, &back), kQdbDamaged) << size;
  }
}

TEST(StoredDefinitions, AnotherFormatVersionIsToldApart) {
  FileDefinition built;
  ASSERT_EQ(buildDefinition(qdbtest::peopleDef(), &built), kQdbOk);
  Bytes stored = encodeDefinition(built);
  stored[4] = 2;  // the version, right after the magic
  const std::size_t body = stored.size() - 4;
  const std::uint32_t crc = crc32(stored.data(), body);
  for (int i = 0; i < 4; ++i)
    stored[body + std::size_t(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
  FileDefinition back;
  EXPECT_EQ(decodeDefinition(stored.data(), stored.size(), &back), kQdbOtherVersion);
}

}  // namespace
}  // namespace vantrel::qrxdb
