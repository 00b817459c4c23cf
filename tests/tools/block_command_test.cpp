// "apptbook-admin block": time blocks added, changed and deleted through the storage rules;
// refusals (exit 1) and bad words (exit 2) with their reasons and nothing written.

#include <algorithm>
#include <tuple>

#include "data/database_setup.h"
#include "data/definition_record.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "schedule/rsc_use_session.h"
#include "tests/tools/support/command_output.h"

namespace {

using namespace toolstest;

constexpr std::uint16_t kNo = 0xFFFF;

class BlockCommand : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ASSERT_EQ(createPracticeDatabase(data().c_str()), 0);
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle resources = QDB_OpenFile(s, kResourceFile);
    toolstest::addTwoOfEach(resources);
    const QdbHandle defs = QDB_OpenFile(s, kDefinitionFile);
    for (std::uint8_t n = 1; n <= 2; ++n) {
      DefinitionRecord type;
      type.setKey(DefinitionRecord::kApptType, n);
      ASSERT_NE(QDB_AddRec(defs, type.data(), type.size()), 0);
    }
    QDB_EndSession(s);
    QDB_CloseDataBase();
  }

  Outcome block(Words words) {
    words.insert(words.begin(), "block");
    return run(words);
  }
  // The provider's default record as stored; all zero when there is none.
  RscUseRecord stored(const std::string& code) {
    RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kProvider, code, 0);
    const RscUseKeyBytes key = rscUseKeyOf(r);
    EXPECT_EQ(QDB_InitDataBase(data().c_str()), 1);
    const QdbSession s = QDB_StartSession(1);
    if (QDB_FindRec(QDB_OpenFile(s, kRscUseFile), kRscUseByKey, key.data(), key.size(), r.data(),
                    r.size()) == 0) {
      r = {};
    }
    QDB_EndSession(s);
    QDB_CloseDataBase();
    return r;
  }
};

TEST_F(BlockCommand, AddChangeAndDeleteStoreWhatWasSaid) {
  Outcome o =
      block({"add", "--prov", "DR1", "--name", "Lunch", "--op", "OP1", "--type", "2", "--colour",
             "FF8000", "--day", "Mon=12:00-13:00", "--day=wednesday=12:00-13:30"});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out, "added time block \"Lunch\" of provider DR1\n");
  RscUseRecord r = stored("DR1");
  EXPECT_EQ(r.code(), "DR1 ") << "the provider's first default record";
  EXPECT_EQ(r.colour(), 0x00FFFFu) << "DR1 is first in the table: yellow";
  EXPECT_EQ(r.defaultStart(1, 0), 96) << "the office hours a provider without a record works";
  EXPECT_EQ(r.blockName(0) + r.blockOperatory(0), "LunchOP1 ");
  EXPECT_EQ(r.blockType(0), 2);
  EXPECT_EQ(r.blockColour(0), 0x0080FFu) << "red in the low byte";
  EXPECT_EQ(r.blockStart(1, 0) + r.blockEnd(3, 0) + r.blockStart(2, 0), 144 + 162 + kNo);

  o = block({"change", "--prov", "DR1", "--name", "LUNCH", "--new-name", "Break", "--day",
             "Mon=off", "--day", "Fri=12:00-12:30"});
  ASSERT_EQ(o.code, 0) << o.err;
  r = stored("DR1");
  EXPECT_EQ(r.blockName(0) + r.blockOperatory(0), "BreakOP1 ");
  EXPECT_EQ(r.blockStart(1, 0), kNo);
  EXPECT_EQ(r.blockStart(3, 0), 144) << "a day not named is kept";
  EXPECT_EQ(r.blockEnd(5, 0), 150);
  EXPECT_EQ(r.blockType(0), 2);

  ASSERT_EQ(block({"delete", "--prov", "DR1", "--name", "break"}).code, 0);
  r = stored("DR1");
  EXPECT_EQ(r.blockName(0) + r.blockOperatory(0), "");
  EXPECT_EQ(r.blockType(0) + r.blockColour(0), 0u);
  for (std::size_t d = 0; d < 7; ++d) EXPECT_EQ(r.blockStart(d, 0), kNo) << d;
}

TEST_F(BlockCommand, RefusalsExit1AndBadWordsExit2AndNeitherWrites) {
  ASSERT_EQ(block({"add", "--prov", "DR2", "--name", "Surgery", "--op", "OP2", "--day",
                   "Tue=09:00-11:00"})
                .code,
            0);
  ASSERT_EQ(
      block({"add", "--prov", "DR1", "--name", "Lunch", "--op", "OP1", "--day", "Mon=12:00-13:00"})
          .code,
      0);
  for (int i = 1; i < 6; ++i) {  // five more, an hour apart on Saturday: all six slots in use
    const std::string hour = std::to_string(7 + i);
    ASSERT_EQ(block({"add", "--prov", "DR1", "--name", "B" + std::to_string(i), "--day",
                     "Sat=" + hour + ":00-" + hour + ":55"})
                  .code,
              0);
  }
  const RscUseRecord before = stored("DR1");
  // The words ("--prov DR1" goes after the first unless they name a provider), the exit code,
  // and the start of the sentence on standard error.
  // clang-format off
  const std::vector<std::tuple<Words, int, std::string>> cases = {
      {{"change", "--name", "Lunch", "--day", "Tue=09:00-09:00"}, 1,
       "Invalid time span! (Tuesday)"},
      {{"change", "--name", "B1", "--op", "OP1", "--day", "Mon=11:00-14:00"}, 1,
       "Block overlaps another block! (Monday, block \"Lunch\")"},
      {{"change", "--name", "Lunch", "--op", "OP2", "--day", "Tue=08:00-12:00"}, 1,
       "Operatory is in use by another provider's block! (Tuesday, block \"Surgery\" of "
       "provider DR2)"},
      {{"change", "--name", "Lunch", "--op", "OP9"}, 1, "there is no operatory OP9."},
      {{"change", "--name", "Lunch", "--type", "3"}, 1,
       "there is no appointment type 3; the practice has 2."},
      {{"change", "--name", "Supper", "--op", "OP1"}, 1, "provider DR1 has no time block"},
      {{"add", "--name", "Seventh", "--day", "Sun=08:00-09:00"}, 1,
       "provider DR1 has six time blocks already"},
      {{"delete", "--prov", "DR9", "--name", "Lunch"}, 1, "there is no provider DR9."},
      {{}, 2, "say add, change or delete."},
      {{"add", "--prov", "DR100", "--name", "X"}, 2, "--prov needs a code of 1 to 4 characters"},
      {{"add", "--day", "Mon=08:07-09:00"}, 2, "\"08:07-09:00\" is not HH:MM-HH:MM"},
      {{"add", "--day", "Mon=24:05-24:10"}, 2, "\"24:05-24:10\" is not HH:MM-HH:MM"},
      {{"add", "--day", "Mon=08:00-09:00", "--day", "mon=off"}, 2, "Monday is given twice."},
      {{"add", "--colour", "GG0000"}, 2, "--colour needs six hex digits RRGGBB"},
      {{"add", "--name", "X\tY"}, 2, "--name must not hold control characters."},
      {{"delete", "--name", "X", "--day", "Mon=off"}, 2, "delete takes only --prov and --name."},
  };
  // clang-format on
  for (auto [words, code, said] : cases) {
    SCOPED_TRACE(joined(words));
    if (!words.empty() && words[1] != "--prov") words.insert(words.begin() + 1, {"--prov", "DR1"});
    const Outcome o = block(words);
    EXPECT_EQ(o.code, code);
    EXPECT_TRUE(o.err.starts_with("apptbook-admin: block: " + said)) << o.err;
    EXPECT_EQ(o.out, "");
  }
  const RscUseRecord after = stored("DR1");
  EXPECT_TRUE(std::equal(before.bytes().begin(), before.bytes().end(), after.bytes().begin()));
}

}  // namespace
