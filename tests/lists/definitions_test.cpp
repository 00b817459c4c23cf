#include "lists/definitions.h"

#include <gtest/gtest.h>

#include "tests/lists/database_fixture.h"

namespace {

TEST(StatusColour, CodesGiveTheirColoursAndAnythingElseWhite) {
  const struct {
    char code;
    const char* text;
    StatusRgb colour;
  } cases[] = {
      {'1', "", kStatusYellow},
      {'2', "255", kStatusGreen},  // the number counts only for 'x'
      {'3', "", kStatusRed},
      {'x', "16744448", {0, 128, 255}},  // red in the low byte
      {'x', "16777215", {255, 255, 255}},
      {'x', "40960 trailing", {0, 160, 0}},
      {'x', "16777216", kStatusWhite},
      {'x', "99999999999999999999", kStatusWhite},
      {'x', "-5", kStatusWhite},
      {'X', "255", kStatusWhite},
      {'\0', "", kStatusWhite},
  };
  for (const auto& c : cases) {
    const StatusRgb got = statusColour(c.code, c.text);
    EXPECT_EQ(got, c.colour) << "'" << c.code << "' \"" << c.text << "\" gave " << int(got.red)
                             << "," << int(got.green) << "," << int(got.blue);
  }
}

TEST(StatusTableRules, DefineRefusesNumbersOutsideTheFifteen) {
  StatusTable t;
  EXPECT_FALSE(t.define(-1, "Neg", '1'));
  EXPECT_FALSE(t.define(15, "Over", '1'));
  EXPECT_TRUE(t.define(14, "Fourteen", '1'));
  EXPECT_EQ(t.find(14)->slotDigit, '?');  // '1' + 14: the slot digits run past '9'
  EXPECT_EQ(t.find(15), nullptr);
  EXPECT_EQ(t.defined().size(), 1u);
}

using DefinitionTables = ListDatabase;

TEST_F(DefinitionTables, StatusesAreReadOfTheirKindOnlyInNumberOrder) {
  addStatus(3, "Ready", 'x', "16744448");
  addDefinition(DefinitionRecord::kApptType, 1, "Exam");
  addStatus(0, "Zero", '3');
  addStatus(14, "Confirm", '2');  // seven characters: lists show six
  addStatus(15, "Beyond", '1');   // no such practice status
  addDefinition(8, 3, "D1110 Prophy");

  StatusTable table;
  table.define(5, "Stale", '1');
  ASSERT_EQ(table.load(db_), 0);
  const auto defined = table.defined();
  ASSERT_EQ(defined.size(), 3u);
  EXPECT_EQ(defined[0].number, 0);
  EXPECT_EQ(defined[0].colour, kStatusRed);
  EXPECT_EQ(defined[1].name, "Ready");
  EXPECT_EQ(defined[1].colour, (StatusRgb{0, 128, 255}));
  EXPECT_EQ(defined[1].slotDigit, '4');
  EXPECT_EQ(defined[2].name, "Confir");
  EXPECT_EQ(table.find(5), nullptr) << "a load replaces what the table held";
  EXPECT_FALSE(db_.isOpen(kDefinitionFile)) << "the file is closed after the walk";
}

TEST_F(DefinitionTables, TypeNamesAreCutToNineteenAndAtMostTwentyKept) {
  for (int n = 1; n <= 22; ++n) {
    addDefinition(DefinitionRecord::kApptType, static_cast<std::uint8_t>(n),
                  n == 2 ? "12345678901234567890" : "Type " + std::to_string(n));
  }
  TypeTable types;
  ASSERT_EQ(types.load(db_), 0);
  ASSERT_EQ(types.types().size(), kMaxApptTypes);
  EXPECT_EQ(types.types()[1].name, "1234567890123456789");
  EXPECT_EQ(types.types()[19].number, 20);
  EXPECT_FALSE(types.add(21, "Late"));
}

}  // namespace
