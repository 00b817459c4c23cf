// Stored definitions must come back as written or be refused as damaged, never misread; a
// definition that cannot work is refused before anything is made of it.

#include <gtest/gtest.h>

#include "platform/qrxdb/definition.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace vantrel::qrxdb {
namespace {

TEST(Definitions, RefusesEveryDefinitionThatCannotWork) {
  const struct {
    const char* fault;
    void (*spoil)(QdbFileDef&);
  } cases[] = {
      {"file number 0", [](QdbFileDef& d) { d.fileNumber = 0; }},
      {"first key not the file's number", [](QdbFileDef& d) { d.keys[0].keyNumber = 8; }},
      {"key number twice", [](QdbFileDef& d) { d.keys[2].keyNumber = 10; }},
      {"segment past the record", [](QdbFileDef& d) { d.keys[1].segments[0].offset = 284; }},
      {"unsigned of 3 bytes", [](QdbFileDef& d) { d.keys[2].segments[0].length = 3; }},
      {"empty segment", [](QdbFileDef& d) { d.keys[3].segments[0].length = 0; }},
      {"no keys", [](QdbFileDef& d) { d.keys.clear(); }},
      {"empty record", [](QdbFileDef& d) { d.recordLength = 0; }},
      {"identifier outside the record",
       [](QdbFileDef& d) {
         d.keys.resize(1);
         d.recordLength = 5;
       }},
      {"key too long",
       [](QdbFileDef& d) {
         d.keys[1].segments = {{0, 200, QdbSegmentKind::kBytes}, {0, 56, QdbSegmentKind::kBytes}};
       }},
      {"unknown segment kind",
       [](QdbFileDef& d) { d.keys[3].segments[0].kind = static_cast<QdbSegmentKind>(7); }},
  };
  for (const auto& c : cases) {
    QdbFileDef def = qdbtest::apptDef();
    c.spoil(def);
    FileDefinition built;
    EXPECT_EQ(buildDefinition(def, &built), kQdbBadDefinition) << c.fault;
  }
}

TEST(StoredDefinitions, EveryFlippedBitOrCutIsFoundDamagedAndAnotherVersionToldApart) {
  FileDefinition built;
  ASSERT_EQ(buildDefinition(qdbtest::apptDef(), &built), kQdbOk);
  const Bytes stored = encodeDefinition(built);
  FileDefinition back;
  ASSERT_EQ(decodeDefinition(stored.data(), stored.size(), &back), kQdbOk);
  EXPECT_TRUE(back.sameShape(built));
  for (std::size_t at = 0; at < stored.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      Bytes spoiled = stored;
      spoiled[at] ^= static_cast<std::uint8_t>(1 << bit);
      EXPECT_EQ(decodeDefinition(spoiled.data(), spoiled.size(), &back), kQdbDamaged)
          << "byte " << at << " bit " << bit;
    }
  }
  for (std::size_t size = 0; size < stored.size(); ++size) {
    EXPECT_EQ(decodeDefinition(stored.data(), size, &back), kQdbDamaged) << size;
  }
  Bytes future = stored;
  future[4] = 2;  // the version, right after the magic; the checksum made to fit again
  const std::size_t body = future.size() - 4;
  const std::uint32_t crc = crc32(future.data(), body);
  for (std::size_t i = 0; i < 4; ++i) future[body + i] = static_cast<std::uint8_t>(crc >> (8 * i));
  EXPECT_EQ(decodeDefinition(future.data(), future.size(), &back), kQdbOtherVersion);
}

}  // namespace
}  // namespace vantrel::qrxdb
