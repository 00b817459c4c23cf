#include "schedule/resource_tables.h"

#include <gtest/gtest.h>

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
  void expectReadError(int error) {
    ASSERT_EQ(prompter_.asked().size(), 1u);
    EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3017);
    EXPECT_NE(prompter_.asked()[0].prompt.text.find(std::to_string(error)), std::string::npos)
        << prompter_.asked()[0].prompt.text;
  }
};

// The colours of the positions, red in the low byte: yellow, cyan, magenta, red, green, blue,
// olive, teal.
constexpr std::uint32_t kPositionColours[] = {0x00FFFF, 0xFFFF00, 0xFF00FF, 0x0000FF,
                                              0x00FF00, 0xFF0000, 0x00C0C0, 0xC0C000};

std::string codeOf(std::size_t i) { return (i < 10 ? "P0" : "P") + std::to_string(i) + " "; }

TEST_F(ResourceTables, ResourcesComeInCodeOrderWithRecordsOrPositionColoursBeyondTwenty) {
  // Added backwards, each provider beside an operatory of the same code.
  for (std::size_t i = 21; i-- > 0;) {
    ProviderRecord p;
    p.setKey(rec::kKindProvider, codeOf(i));
    p.setLeftOut(i == 20 ? 1 : i == 19 ? 2 : 0);  // only a mark of 1 makes a provider inactive
    ASSERT_TRUE(p.setOperatoryAssigned(223, i == 20));  // the last operatory bit
    add(kResourceFile, p);
    addOperatory(codeOf(i), static_cast<std::uint8_t>(i * 12));
  }
  RscUseRecord own = providerDefaults("P03");
  own.setColour(0x123456);
  own.setDefaultPeriod(2, 0, 84, 132);
  own.setDefaultPeriod(2, 1, 144, 216);
  own.setGoal(6, 7000);
  own.setBlockName(5, "ABCDEFGHIJKL");  // the full 12 characters, in the last slot
  own.setBlockTimes(6, 5, 0, 287);
  own.setBlockOperatory(5, "OP10");
  own.setAlias(0, "DR2");
  own.setAlias(2, "DR3");  // after the empty second slot: not an alias
  add(kRscUseFile, own);
  RscUseRecord full = providerDefaults("P04");
  for (std::size_t i = 0; i < 10; ++i) full.setAlias(i, "A" + std::to_string(i));
  add(kRscUseFile, full);
  // Neither another resource's record of the same code nor a week record is a default record.
  RscUseRecord opRecord = providerDefaults("P05");
  opRecord.setKey(RscUseRecord::kOperatory, "P05", 0);
  add(kRscUseFile, opRecord);
  RscUseRecord week = providerDefaults("P07");
  week.setKey(RscUseRecord::kProvider, "P07", 123456);
  add(kRscUseFile, week);

  ProviderScheduleTable t;
  ASSERT_EQ(loadProviders(db_, prompter_, &t), 21);
  OperatoryTable ops;
  ops.operatories.push_back({"OLD ", 1});  // a reload replaces what was there
  ASSERT_EQ(loadOperatories(db_, prompter_, &ops), 21);
  EXPECT_TRUE(prompter_.asked().empty());
  for (std::size_t i = 0; i < 21; ++i) {
    const ProviderEntry& e = t.providers[i];
    EXPECT_EQ(e.code + ops.operatories[i].code, codeOf(i) + codeOf(i));
    EXPECT_EQ(ops.operatories[i].assignment, i * 12);
    EXPECT_EQ(e.hasDefaultRecord, i == 3 || i == 4) << e.code;
    EXPECT_EQ(e.inactive, i == 20) << e.code;
    if (i == 3 || i == 4) continue;
    EXPECT_EQ(e.colour, kPositionColours[i % 8]) << e.code;
    EXPECT_EQ(e.hours, builtInPracticeHours()) << "the office's hours";
    EXPECT_FALSE(e.blocks[5].used() || e.blocks[5].appliesOn(6)) << e.code;
  }
  const ProviderEntry& withRecord = t.providers[3];
  EXPECT_EQ(withRecord.colour, 0x123456u);
  EXPECT_EQ(withRecord.hours[2], (DayHours{{84, 144, -1}, {132, 216, -1}}));
  EXPECT_FALSE(withRecord.hours[1].works()) << "the record's closed Monday is not the office's";
  EXPECT_EQ(withRecord.goals[6], 7000u);
  EXPECT_EQ(withRecord.aliases, (std::vector<std::string>{"DR2 "}));
  const ProviderTimeBlock& last = withRecord.blocks[5];
  EXPECT_EQ(last.name + last.operatory, "ABCDEFGHIJKLOP10");
  EXPECT_EQ(last.start[6], 0) << "midnight is a time, not a free day";
  EXPECT_EQ(last.end[6], 287);
  EXPECT_FALSE(last.appliesOn(5));
  EXPECT_EQ(withRecord.blocks[4].operatory, "") << "four zero bytes are no operatory";
  ASSERT_EQ(t.providers[4].aliases.size(), 10u) << "a full list has no end mark";
  EXPECT_EQ(t.providers[4].aliases[9], "A9  ");
  for (const std::size_t n : {0u, 222u, 223u, 224u, 100000u}) {
    EXPECT_EQ(t.providers[20].assignedTo(n), n == 223) << n;
  }
  EXPECT_EQ(scheduleRecordCount(), 4) << "loading writes no record for those without one";

  PracticeSchedule practice;
  practice.hours[6] = DayHours{{96, -1, -1}, {144, -1, -1}};  // open on Saturday mornings
  ASSERT_EQ(loadProviders(db_, prompter_, &t, &practice), 21);
  EXPECT_EQ(t.providers[0].hours, practice.hours) << "those without a record work the office's";
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
  RscUseRecord held;
  const auto key = rscUseKey(RscUseRecord::kProvider, "BBB", 0);
  const QdbHandle update =
      QDB_StartUpdate(f, 2, kRscUseByKey, key.data(), key.size(), held.data(), held.size());
  ASSERT_NE(update, 0u);
  ASSERT_EQ(db_.lockMode(2), 0);

  ProviderScheduleTable t;
  EXPECT_EQ(loadProviders(db_, prompter_, &t), -1);
  expectReadError(42);
  ASSERT_EQ(t.providers.size(), 2u);
  EXPECT_EQ(t.providers[1].code, "BBB ");
  EXPECT_EQ(t.providers[0].colour, 0x0A0B0Cu);
  EXPECT_FALSE(t.providers[1].hasDefaultRecord) << "its record was not read";
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
  expectReadError(kQdbDamaged);
  ASSERT_EQ(t.operatories.size(), 1u);
  EXPECT_EQ(t.operatories[0].code, "OP1 ");
}

TEST(FindResource, ComparesAllFourCharactersOfBlankPaddedCodes) {
  ProviderScheduleTable t;
  for (const char* code : {"DR  ", "DR1 ", "DR12", "dr1 ", "HYG"}) {
    t.providers.emplace_back().code = code;
  }
  const std::pair<const char*, int> cases[] = {{"DR", 0},     {"DR1", 1},  {"DR12", 2},
                                               {"dr1", 3},    {"HYG ", 4}, {"DR123", -1},
                                               {"DR1  ", -1}, {"", -1}};
  for (const auto& [code, index] : cases) EXPECT_EQ(findProvider(t, code), index) << code;
  OperatoryTable ops;
  ops.operatories = {{"OP1 ", 1}, {"OP2 ", 3}};
  EXPECT_EQ(findOperatory(ops, std::string_view("OP2\0\0", 5)), 1) << "a zero byte ends a code";
}

}  // namespace
