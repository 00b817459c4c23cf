// Provider setup on a real database: what a confirmed setup writes and keeps, and a record that
// another workstation holds.

#include "schedule/provider_setup.h"

#include <gtest/gtest.h>

#include "schedule/rsc_use_session.h"
#include "tests/schedule/schedule_database.h"
#include "tests/support/child_process.h"

namespace {

using vantrel::test::ChildProcess;

class ProviderSetupTest : public ScheduleDatabase {
 protected:
  void SetUp() override {
    ScheduleDatabase::SetUp();
    // Added out of order; P05 and P07 are inactive.
    for (const char* code : {"P09", "P01", "P05", "P03", "P02", "P04", "P06", "P07", "P08", "P10",
                             "P11", "P12", "P13"}) {
      const std::string c(code);
      addProvider(c, c == "P05" || c == "P07" ? 1 : 0);
    }
    ASSERT_EQ(db_.startSession(), 0);
    ASSERT_EQ(loadProviders(db_, prompter_, &table_), 13);
  }

  std::size_t indexOf(const std::string& code) const {
    return static_cast<std::size_t>(findProvider(table_, code));
  }
  RscUseRecord stored(const std::string& code) {
    RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kProvider, code, 0);
    const RscUseKeyBytes k = rscUseKeyOf(r);
    const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
    found_ = QDB_FindRec(f, kRscUseByKey, k.data(), k.size(), r.data(), r.size()) != 0;
    QDB_CloseFile(f);
    return r;
  }

  ProviderScheduleTable table_;
  bool found_ = false;
};

TEST_F(ProviderSetupTest, ANewRecordGetsPositionColourUncheckedDaysAndAtMostTenAliases) {
  const std::size_t at = indexOf("P04");  // fourth in the table: red
  ProviderSetup setup(prompter_, table_);
  ASSERT_EQ(setup.begin(at), 0);
  EXPECT_TRUE(setup.isNew());
  EXPECT_EQ(setup.working().colour, rgbColour(255, 0, 0));
  setup.working().hours[1] = DayHours{};  // Monday unchecked
  // Everyone, backwards, with this provider, two inactive ones and a stranger among them.
  setup.setAliases({"P13", "P12", "P11", "P10", "P09", "P08", "P07", "P06", "P05", "P04", "P03",
                    "P02", "P01", "ZZZ"});
  ASSERT_EQ(setup.commit(), 0);
  RscUseRecord r = stored("P04");
  ASSERT_TRUE(found_);
  EXPECT_EQ(r.colour(), rgbColour(255, 0, 0));
  for (std::size_t p = 0; p < 3; ++p) EXPECT_EQ(r.defaultStart(1, p) & r.defaultEnd(1, p), 0xFFFF);
  EXPECT_EQ(r.defaultStart(2, 0), 96) << "untouched days keep the office hours";
  std::string aliases;
  for (std::size_t i = 0; i < 10; ++i) aliases += r.alias(i);
  EXPECT_EQ(aliases, "P01 P02 P03 P06 P08 P09 P10 P11 P12 P13 ");
  EXPECT_TRUE(table_.providers[at].hasDefaultRecord);
  EXPECT_EQ(table_.providers[at].hours[1], DayHours{});

  ASSERT_EQ(setup.begin(at), 0);
  EXPECT_FALSE(setup.isNew());
  setup.setAliases({"P12", "P02"});
  ASSERT_EQ(setup.commit(), 0);
  r = stored("P04");
  EXPECT_EQ(r.alias(0) + r.alias(1), "P02 P12 ");
  EXPECT_EQ(r.data()[RscUseRecord::kAliases.offset + 8], 0) << "the byte after the last code";
  EXPECT_EQ(table_.providers[at].aliases, (std::vector<std::string>{"P02 ", "P12 "}));
  EXPECT_EQ(scheduleRecordCount(), 1);
}

TEST_F(ProviderSetupTest, ConfirmingKeepsBlocksGoalsAndTypeBytesStoredSinceStartUp) {
  // The blocks' own module wrote the record after this workstation loaded its table.
  RscUseRecord theirs = providerDefaults("P02");
  theirs.setBlockName(1, "Surgery");
  theirs.setBlockTimes(3, 1, 100, 150);
  theirs.setBlockOperatory(1, "OP1");
  theirs.data()[RscUseRecord::kBlockTypeEntries.offset + 5] = 2;  // block 1: type 2
  theirs.data()[RscUseRecord::kBlockTypeEntries.offset + 9] = 0xAB;
  theirs.setGoal(6, 4242);
  theirs.data()[640] = 0x5A;  // a byte no field names
  add(kRscUseFile, theirs);
  ASSERT_FALSE(table_.providers[indexOf("P02")].blocks[1].used());

  ProviderSetup setup(prompter_, table_);
  ASSERT_EQ(setup.begin(indexOf("P02")), 0);
  EXPECT_FALSE(setup.isNew());
  setup.working().hours[3] = DayHours{};
  ASSERT_EQ(setup.commit(), 0);
  RscUseRecord r = stored("P02");
  EXPECT_EQ(
      r.blockName(1) + std::to_string(r.blockStart(3, 1)) + "/" + std::to_string(r.blockType(1)),
      "Surgery100/2");
  EXPECT_EQ(r.data()[RscUseRecord::kBlockTypeEntries.offset + 9], 0xAB);
  EXPECT_EQ(r.goal(6), 4242u);
  EXPECT_EQ(r.data()[640], 0x5A);
  EXPECT_EQ(table_.providers[indexOf("P02")].blocks[1].name, "Surgery");
}

TEST_F(ProviderSetupTest, ARecordHeldAtAnotherWorkstationIsReportedAndNeverWritten) {
  RscUseRecord existing = providerDefaults("P06");
  add(kRscUseFile, existing);
  db_.endSession();
  QDB_EndSession(writer_);
  QDB_CloseDataBase();
  const std::string data = dir_.file("data");
  ChildProcess other([&](ChildProcess& self) {
    if (QDB_InitDataBase(data.c_str()) != 1) return 10;
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle f = QDB_OpenFile(s, kRscUseFile);
    QDB_LKISAM(s, 2);
    RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kProvider, "P06", 0);
    const RscUseKeyBytes k = rscUseKeyOf(r);
    if (QDB_FindRec(f, kRscUseByKey, k.data(), k.size(), r.data(), r.size()) == 0) return 11;
    self.send(1);
    self.receive();  // hold the lock until told
    QDB_EndSession(s);
    return 0;
  });
  ASSERT_EQ(other.receive(), 1u);
  ASSERT_EQ(QDB_InitDataBase(data.c_str()), 1);
  writer_ = QDB_StartSession(1);

  ProviderSetup setup(prompter_, table_);
  prompter_.answer(kIdRetry);  // once more, then Cancel
  EXPECT_EQ(setup.begin(indexOf("P06")), kQdbLocked);
  EXPECT_FALSE(setup.isOpen());
  EXPECT_EQ(setup.commit(), kQdbNotFound);
  ASSERT_EQ(prompter_.asked().size(), 2u);
  EXPECT_EQ(prompter_.asked()[1].prompt.buttons, PromptButtons::kRetryCancel);

  other.send(1);
  EXPECT_EQ(other.wait(), 0);
  EXPECT_EQ(setup.begin(indexOf("P06")), 0) << "free again once the other lets go";
  EXPECT_FALSE(setup.isNew());
}

}  // namespace
