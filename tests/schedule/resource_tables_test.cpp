#include "schedule/resource_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "schedule/practice_schedule.h"
#include "schedule/schedule_keys.h"
#include "tests/schedule/schedule_database.h"

namespace {

class ResourceTables : public ScheduleDatabase {
 protected:
  void SetUp() override {
    ScheduleDatabase::SetUp();
    ASSERT_EQ(db_.startSession(), 0);
  }

  std::vector<std::string> providerCodes(const ProviderScheduleTable& t) {
    std::vector<std::string> out;
    for (const ProviderEntry& e : t.providers) out.push_back(e.code);
    return out;
  }
};

// The colours a provider without a default record gets, written out from the table of
// positions: yellow, cyan, magenta, red, green, blue, olive, teal.
constexpr std::array<std::array<std::uint8_t, 3>, 8> kPositionColours = {{{255, 255, 0},
                                                                          {0, 255, 255},
                                                                          {255, 0, 255},
                                                                          {255, 0, 0},
                                                                          {0, 255, 0},
                                                                          {0, 0, 255},
                                                                          {192, 192, 0},
                                                                          {0, 192, 192}}};

std::uint32_t colourOf(std::array<std::uint8_t, 3> rgb) {
  return static_cast<std::uint32_t>(rgb[0]) | (static_cast<std::uint32_t>(rgb[1]) << 8) |
         (static_cast<std::uint32_t>(rgb[2]) << 16);
}

void expectFreeBlocks(const ProviderEntry& e) {
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    const ProviderTimeBlock& block = e.blocks[b];
    EXPECT_FALSE(block.used()) << e.code << " block " << b;
    EXPECT_EQ(block.colour, 0u) << e.code << " block " << b;
    EXPECT_EQ(block.operatory, "") << e.code << " block " << b;
    for (std::size_t day = 0; day < kWeekDays; ++day) {
      EXPECT_FALSE(block.appliesOn(day)) << e.code << " block " << b << " day " << day;
      EXPECT_EQ(block.end[day], kNoWorkingTime) << e.code << " block " << b << " day " << day;
    }
  }
}

TEST_F(ResourceTables, ProvidersComeInCodeOrderJoinedWithTheirDefaultRecords) {
  // Added out of order, between other kinds of resources.
  addProvider("HYG1");
  addOperatory("OP1", 1);
  addProvider("DR2");
  ProviderRecord staff;
  staff.setKey(rec::kKindStaff, "AAST");
  add(kResourceFile, staff);
  addProvider("ABC");

  RscUseRecord dr2 = providerDefaults("DR2");
  dr2.setColour(0x123456);
  dr2.setDefaultPeriod(2, 0, 84, 132);  // Tuesday 7:00 to 11:00
  dr2.setDefaultPeriod(2, 1, 144, 216);
  for (std::size_t day = 0; day < 7; ++day) dr2.setGoal(day, 1000u * (day + 1));
  add(kRscUseFile, dr2);
  // Another resource's record with the same code must not be taken for the provider's.
  RscUseRecord opRecord = providerDefaults("ABC");
  opRecord.setKey(RscUseRecord::kOperatory, "ABC", 0);
  opRecord.setColour(0x999999);
  add(kRscUseFile, opRecord);
  // Nor a week record of the provider.
  RscUseRecord week = providerDefaults("HYG1");
  week.setKey(RscUseRecord::kProvider, "HYG1", 123456);
  week.setColour(0x777777);
  add(kRscUseFile, week);

  ProviderScheduleTable t;
  EXPECT_EQ(loadProviders(db_, prompter_, &t), 3);
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(providerCodes(t), (std::vector<std::string>{"ABC ", "DR2 ", "HYG1"}));

  const ProviderEntry& withRecord = t.providers[1];
  EXPECT_TRUE(withRecord.hasDefaultRecord);
  EXPECT_EQ(withRecord.colour, 0x123456u);
  EXPECT_EQ(withRecord.hours[2], (DayHours{{84, 144, -1}, {132, 216, -1}}));
  EXPECT_FALSE(withRecord.hours[1].works()) << "the record's closed Monday is not the office's";
  EXPECT_EQ(withRecord.goals,
            (std::array<std::uint32_t, 7>{1000, 2000, 3000, 4000, 5000, 6000, 7000}));
  expectFreeBlocks(withRecord);

  // The two without a default record: the colour of their position, the office's hours.
  EXPECT_FALSE(t.providers[0].hasDefaultRecord);
  EXPECT_EQ(t.providers[0].colour, colourOf(kPositionColours[0]));
  EXPECT_FALSE(t.providers[2].hasDefaultRecord);
  EXPECT_EQ(t.providers[2].colour, colourOf(kPositionColours[2]));
  for (const std::size_t i : {0u, 2u}) {
    EXPECT_EQ(t.providers[i].hours, builtInPracticeHours()) << i;
    EXPECT_TRUE(t.providers[i].aliases.empty()) << i;
    EXPECT_EQ(t.providers[i].goals, (std::array<std::uint32_t, 7>{})) << i;
    expectFreeBlocks(t.providers[i]);
  }
  EXPECT_EQ(scheduleRecordCount(), 3) << "loading writes no record for those without one";
}

TEST_F(ResourceTables, ProviderWithoutRecordWorksThePracticeHoursWhenGiven) {
  addProvider("DR1");
  PracticeSchedule practice;
  practice.hours[6].start = {96, -1, -1};  // the office opens on Saturday mornings
  practice.hours[6].end = {144, -1, -1};
  practice.hours[3] = DayHours{};  // and closes on Wednesdays

  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t, &practice), 1);
  EXPECT_EQ(t.providers[0].hours, practice.hours);
}

TEST_F(ResourceTables, DefaultColoursFollowThePositionModuloEight) {
  const char* codes[] = {"P00", "P01", "P02", "P03", "P04", "P05",
                         "P06", "P07", "P08", "P09", "P10"};
  for (const char* code : codes) addProvider(code);
  // A provider with its own record takes a position too: the one after it keeps counting.
  RscUseRecord own = providerDefaults("P03");
  own.setColour(0x010203);
  add(kRscUseFile, own);

  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t), 11);
  for (std::size_t i = 0; i < t.providers.size(); ++i) {
    const std::uint32_t expected = i == 3 ? 0x010203u : colourOf(kPositionColours[i % 8]);
    EXPECT_EQ(t.providers[i].colour, expected) << t.providers[i].code;
    EXPECT_EQ(defaultProviderColour(i), colourOf(kPositionColours[i % 8])) << i;
  }
}

TEST_F(ResourceTables, TimeBlocksComeThroughWithEveryField) {
  addProvider("DR1");
  RscUseRecord r = providerDefaults("DR1");
  r.setBlockName(0, "Crowns");
  r.setBlockTimes(1, 0, 96, 120);   // Monday 8:00 to 10:00
  r.setBlockTimes(3, 0, 156, 180);  // Wednesday 1:00 to 3:00 pm
  r.setBlockColour(0, 0x00FF00);
  r.setBlockType(0, 3);
  r.setBlockOperatory(0, "OP2");
  r.setBlockName(5, "ABCDEFGHIJKL");  // the full 12 characters, in the last slot
  r.setBlockTimes(6, 5, 0, 287);
  r.setBlockColour(5, 0xABCDEF);
  r.setBlockOperatory(5, "OP10");
  // The four bytes after each type byte belong to the module that keeps the blocks.
  std::array<std::uint8_t, 662> raw{};
  std::copy(r.bytes().begin(), r.bytes().end(), raw.begin());
  raw[RscUseRecord::kBlockTypeEntries.offset + 1] = 9;
  raw[RscUseRecord::kBlockTypeEntries.offset + 4] = 8;
  raw[RscUseRecord::kBlockTypeEntries.offset + 5 * 5 + 2] = 7;
  ASSERT_TRUE(r.load(raw.data(), raw.size()));
  add(kRscUseFile, r);

  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t), 1);
  const ProviderEntry& e = t.providers[0];

  const ProviderTimeBlock& crowns = e.blocks[0];
  EXPECT_EQ(crowns.name, "Crowns");
  EXPECT_TRUE(crowns.used());
  EXPECT_EQ(crowns.colour, 0x00FF00u);
  EXPECT_EQ(crowns.apptType(), 3);
  EXPECT_EQ(crowns.type, (std::array<std::uint8_t, 5>{3, 9, 0, 0, 8}));
  EXPECT_EQ(crowns.operatory, "OP2 ");
  const std::array<std::int32_t, 7> crownStarts{-1, 96, -1, 156, -1, -1, -1};
  const std::array<std::int32_t, 7> crownEnds{-1, 120, -1, 180, -1, -1, -1};
  EXPECT_EQ(crowns.start, crownStarts);
  EXPECT_EQ(crowns.end, crownEnds);
  EXPECT_TRUE(crowns.appliesOn(1));
  EXPECT_FALSE(crowns.appliesOn(2));
  EXPECT_FALSE(crowns.appliesOn(7));

  const ProviderTimeBlock& last = e.blocks[5];
  EXPECT_EQ(last.name, "ABCDEFGHIJKL");
  EXPECT_EQ(last.colour, 0xABCDEFu);
  EXPECT_EQ(last.operatory, "OP10");
  EXPECT_EQ(last.type, (std::array<std::uint8_t, 5>{0, 0, 7, 0, 0}));
  EXPECT_EQ(last.start[6], 0) << "midnight is a time, not a free day";
  EXPECT_EQ(last.end[6], 287);
  EXPECT_TRUE(last.appliesOn(6));

  for (std::size_t b = 1; b < 5; ++b) {
    EXPECT_FALSE(e.blocks[b].used()) << b;
    EXPECT_EQ(e.blocks[b].operatory, "") << "four zero bytes are no operatory";
  }
}

TEST_F(ResourceTables, AliasesEndAtTheFirstCodeWhoseFirstByteIsZero) {
  addProvider("DR1");
  addProvider("DR2");
  addProvider("DR3");
  RscUseRecord gap = providerDefaults("DR1");
  gap.setAlias(0, "DR2");
  gap.setAlias(1, "HYG1");
  gap.setAlias(3, "DR3");  // after the empty third slot: not an alias
  add(kRscUseFile, gap);
  RscUseRecord full = providerDefaults("DR2");
  for (std::size_t i = 0; i < 10; ++i) full.setAlias(i, "A" + std::to_string(i));
  add(kRscUseFile, full);

  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t), 3);
  EXPECT_EQ(t.providers[0].aliases, (std::vector<std::string>{"DR2 ", "HYG1"}));
  ASSERT_EQ(t.providers[1].aliases.size(), 10u) << "a full list has no end mark";
  EXPECT_EQ(t.providers[1].aliases[9], "A9  ");
  EXPECT_TRUE(t.providers[2].aliases.empty());
}

TEST_F(ResourceTables, OnlyAnInactiveMarkOfOneMakesAProviderInactive) {
  addProvider("DR0", 0);
  addProvider("DR1", 1);
  addProvider("DR2", 2);  // left out of some lists, but not inactive
  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t), 3);
  EXPECT_FALSE(t.providers[0].inactive);
  EXPECT_TRUE(t.providers[1].inactive);
  EXPECT_FALSE(t.providers[2].inactive);
}

TEST_F(ResourceTables, OperatoryAssignmentsComeFromTheProviderRecord) {
  ProviderRecord p;
  p.setKey(rec::kKindProvider, "DR1");
  for (const std::size_t n : {1u, 9u, 223u}) ASSERT_TRUE(p.setOperatoryAssigned(n, true));
  add(kResourceFile, p);
  RscUseRecord own = providerDefaults("DR1");
  add(kRscUseFile, own);

  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t), 1);
  const ProviderEntry& e = t.providers[0];
  EXPECT_EQ(e.operatoryBits, p.operatoryBits());
  for (std::size_t n = 0; n < 224; ++n) {
    EXPECT_EQ(e.assignedTo(n), n == 1 || n == 9 || n == 223) << n;
  }
  EXPECT_FALSE(e.assignedTo(224));
  EXPECT_FALSE(e.assignedTo(100000));
}

TEST_F(ResourceTables, OperatoriesComeInCodeOrderWithTheirAssignmentNumbers) {
  addOperatory("OP3", 7);
  addProvider("OP1");  // a provider of the same code is not an operatory
  addOperatory("OP1", 2);
  addOperatory("CHR", 0);
  addOperatory("OP10", 255);

  OperatoryTable t;
  ASSERT_EQ(loadOperatories(db_, prompter_, &t), 4);
  EXPECT_TRUE(prompter_.asked().empty());
  ASSERT_EQ(t.operatories.size(), 4u);
  const std::vector<std::pair<std::string, int>> expected{
      {"CHR ", 0}, {"OP1 ", 2}, {"OP10", 255}, {"OP3 ", 7}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(t.operatories[i].code, expected[i].first) << i;
    EXPECT_EQ(t.operatories[i].assignment, expected[i].second) << i;
  }
}

TEST_F(ResourceTables, KeepsEveryResourceBeyondTheTwentyOfTheLists) {
  for (int i = 0; i < 25; ++i) {
    const std::string code = "R" + std::string(i < 10 ? "0" : "") + std::to_string(i);
    addOperatory(code, static_cast<std::uint8_t>(i + 1));
    addProvider(code);
  }
  OperatoryTable ops;
  ProviderScheduleTable provs;
  EXPECT_EQ(loadOperatories(db_, prompter_, &ops), 25);
  EXPECT_EQ(loadProviders(db_, prompter_, &provs), 25);
  EXPECT_EQ(ops.operatories.back().code, "R24 ");
  EXPECT_EQ(provs.providers.back().code, "R24 ");
  EXPECT_EQ(kMaxListedResources, 20u);
}

TEST_F(ResourceTables, EmptyFileGivesNoEntriesAndNoMessage) {
  addPractice();
  OperatoryTable ops;
  ops.operatories.push_back({"OLD ", 1});  // a reload replaces what was there
  ProviderScheduleTable provs;
  provs.providers.emplace_back();
  EXPECT_EQ(loadOperatories(db_, prompter_, &ops), 0);
  EXPECT_EQ(loadProviders(db_, prompter_, &provs), 0);
  EXPECT_TRUE(ops.operatories.empty());
  EXPECT_TRUE(provs.providers.empty());
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(ResourceTables, ReadErrorMidWalkShowsTheMessageAndKeepsWhatWasRead) {
  for (const char* code : {"AAA", "BBB", "CCC"}) {
    addProvider(code);
    RscUseRecord r = providerDefaults(code);
    r.setColour(0x0A0B0C);
    add(kRscUseFile, r);
  }
  // Another workstation holds BBB's record while this one reads with locking on: the read
  // meets the lock on every try and fails.
  const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
  ASSERT_NE(f, 0u);
  RscUseRecord held;
  const auto key = rscUseKey(RscUseRecord::kProvider, "BBB", 0);
  const QdbHandle update =
      QDB_StartUpdate(f, 2, kRscUseByKey, key.data(), key.size(), held.data(), held.size());
  ASSERT_NE(update, 0u);
  ASSERT_EQ(db_.lockMode(2), 0);

  ProviderScheduleTable t;
  EXPECT_EQ(loadProviders(db_, prompter_, &t), -1);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3017);
  EXPECT_NE(prompter_.asked()[0].prompt.text.find("42"), std::string::npos)
      << prompter_.asked()[0].prompt.text;
  ASSERT_EQ(providerCodes(t), (std::vector<std::string>{"AAA ", "BBB "}));
  EXPECT_TRUE(t.providers[0].hasDefaultRecord);
  EXPECT_EQ(t.providers[0].colour, 0x0A0B0Cu);
  EXPECT_FALSE(t.providers[1].hasDefaultRecord) << "its record was not read";
  EXPECT_EQ(t.providers[1].colour, defaultProviderColour(1));

  db_.lockMode(0);
  QDB_AbortUpdate(update);
  QDB_CloseFile(f);
}

TEST_F(ResourceTables, DamagedOperatoryEndsTheWalkAndKeepsThoseBeforeIt) {
  addOperatory("OP1", 1);
  addOperatory("OP2", 2);
  addOperatory("OP3", 3);
  // OP2's record cut short: kind 3, then "OP2 ".
  damage("UPDATE f6 SET rec = substr(rec, 1, 40) WHERE substr(rec, 1, 5) = X'034F503220'");

  OperatoryTable t;
  EXPECT_EQ(loadOperatories(db_, prompter_, &t), -1);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3017);
  EXPECT_NE(prompter_.asked()[0].prompt.text.find(std::to_string(kQdbDamaged)), std::string::npos)
      << prompter_.asked()[0].prompt.text;
  ASSERT_EQ(t.operatories.size(), 1u);
  EXPECT_EQ(t.operatories[0].code, "OP1 ");
}

TEST_F(ResourceTables, MissingFileShowsTheMessageWithTheError) {
  addProvider("DR1");
  addOperatory("OP1", 1);
  db_.endSession();  // nothing can be read without a session

  OperatoryTable ops;
  EXPECT_EQ(loadOperatories(db_, prompter_, &ops), -1);
  ProviderScheduleTable provs;
  EXPECT_EQ(loadProviders(db_, prompter_, &provs), -1);
  ASSERT_EQ(prompter_.asked().size(), 2u);
  for (const auto& a : prompter_.asked()) {
    EXPECT_EQ(a.prompt.messageNumber, 3017);
    EXPECT_NE(a.prompt.text.find(std::to_string(kDbNoSession)), std::string::npos) << a.prompt.text;
  }
  EXPECT_TRUE(ops.operatories.empty());
  EXPECT_TRUE(provs.providers.empty());
}

TEST_F(ResourceTables, NullTablesAreRefusedWithoutMessage) {
  EXPECT_EQ(loadOperatories(db_, prompter_, nullptr), -1);
  EXPECT_EQ(loadProviders(db_, prompter_, nullptr), -1);
  EXPECT_TRUE(prompter_.asked().empty());
}

// Lookups need no database.
TEST(FindResource, ComparesAllFourCharactersOfBlankPaddedCodes) {
  ProviderScheduleTable t;
  for (const char* code : {"DR  ", "DR1 ", "DR12", "dr1 ", "HYG"}) {
    ProviderEntry e;
    e.code = code;
    t.providers.push_back(e);
  }
  const struct {
    const char* code;
    int index;
  } cases[] = {
      {"DR", 0},      // not the first code that starts with it
      {"DR  ", 0},    //
      {"DR1", 1},     // padded with blanks to match the stored code
      {"DR1 ", 1},    //
      {"DR12", 2},    //
      {"dr1", 3},     // case counts
      {"HYG ", 4},    // a stored code without its padding still matches
      {"HYG", 4},     //
      {"DR123", -1},  // longer than a code
      {"DR1  ", -1},  // also when the extra character is a blank
      {"", -1},       // no code
      {"D", -1},      //
      {"XYZ", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(findProvider(t, c.code), c.index) << "'" << c.code << "'";
  }
}

TEST(FindResource, OperatoriesAreFoundTheSameWay) {
  OperatoryTable t;
  t.operatories = {{"OP1 ", 1}, {"OP10", 2}, {"OP2 ", 3}};
  EXPECT_EQ(findOperatory(t, "OP1"), 0);
  EXPECT_EQ(findOperatory(t, "OP10"), 1);
  EXPECT_EQ(findOperatory(t, "OP2 "), 2);
  EXPECT_EQ(findOperatory(t, std::string_view("OP2\0\0", 5)), 2) << "a zero byte ends a code";
  EXPECT_EQ(findOperatory(t, "OP3"), -1);
  EXPECT_EQ(findOperatory(OperatoryTable{}, "OP1"), -1);
}

}  // namespace
