// The rules a time block must meet before it is stored: each refusal with its weekday, the first
// broken rule winning, and near misses that must be accepted.

#include "schedule/time_block_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::size_t kMon = 1;
constexpr std::size_t kTue = 2;
constexpr std::size_t kWed = 3;

ProviderTimeBlock block(const char* name, const char* op, std::size_t day, int start, int end) {
  ProviderTimeBlock b;
  b.name = name;
  b.operatory = op;
  b.start[day] = start;
  b.end[day] = end;
  return b;
}

// A proposal on one checked day; `type` > 0 asks for one appointment type.
BlockProposal proposal(const char* name, const char* op, std::size_t day, int start, int end,
                       std::uint8_t type = 0) {
  BlockProposal p;
  p.block = block(name, op, day, start, end);
  p.block.type[0] = type;
  p.days[day] = true;
  return p;
}

BlockProposal withDay(BlockProposal p, std::size_t day, int start, int end) {
  p.days[day] = true;
  p.block.start[day] = start;
  p.block.end[day] = end;
  return p;
}

TEST(TimeBlockRules, EachBrokenRuleIsReportedWithItsWeekdayAndTheFirstBrokenRuleWins) {
  ProviderEntry own;
  own.code = "DR1 ";
  own.blocks[0] = block("Morning", "OP1", kMon, 96, 120);
  own.blocks[2] = block("Lunch", "", kWed, 144, 156);
  ProviderEntry other;
  other.code = "DR2 ";
  other.blocks[3] = block("Surgery", "OP2", kTue, 120, 144);
  other.blocks[4] = block("Admin", "", kMon, 0, 288);  // no operatory: holds none
  const ProviderScheduleTable table{{own, other}};

  BlockProposal noDays = proposal("New", "OP3", kTue, 100, 120);
  noDays.days = {};
  BlockProposal unchecked = proposal("New", "OP1", kTue, 0, 12);
  unchecked.block.start[kMon] = 100;  // Monday is not checked: its half span does not count
  struct Case {
    const char* what;
    std::size_t slot;
    BlockProposal p;
    BlockRule rule;
    int weekday;
  };
  using R = BlockRule;
  const std::vector<Case> cases = {
      {"empty name before bad times", 1, proposal("", "OP3", kMon, 120, 96), R::kNameMissing, -1},
      {"blanks only", 1, proposal("   ", "OP3", kMon, 0, 12), R::kNameMissing, -1},
      {"13 characters", 1, proposal("ABCDEFGHIJKLM", "OP3", kMon, 0, 12), R::kNameMissing, -1},
      {"own name, other case", 1, proposal(" MORNING ", "OP3", kMon, 0, 12), R::kNameNotUnique, -1},
      {"start only", 1, proposal("New", "OP3", kWed, 96, -1), R::kIncompleteSpan, kWed},
      {"checked day without times", 1, withDay(proposal("New", "OP3", kMon, 0, 12), 5, -1, -1),
       R::kIncompleteSpan, 5},
      {"incomplete Wednesday before empty Monday", 1,
       withDay(proposal("New", "OP3", kMon, 50, 50), kWed, -1, 100), R::kIncompleteSpan, kWed},
      {"start equal to end", 1, proposal("New", "OP3", kTue, 100, 100), R::kEmptySpan, kTue},
      {"start after end", 1, proposal("New", "OP3", kTue, 110, 100), R::kReversedSpan, kTue},
      {"end past midnight", 1, proposal("New", "OP3", kTue, 100, 289), R::kReversedSpan, kTue},
      {"no weekday", 1, noDays, R::kNoTimes, -1},
      {"start inside own block", 1, proposal("New", "OP1", kMon, 100, 130), R::kOverlapsOwnBlock,
       kMon},
      {"end inside own block", 1, proposal("New", "OP1", kMon, 80, 120), R::kOverlapsOwnBlock,
       kMon},
      {"enclosing own block", 1, proposal("New", "OP1", kMon, 90, 130), R::kOverlapsOwnBlock, kMon},
      {"overlap before missing operatory", 1, proposal("New", "", kWed, 150, 160, 2),
       R::kOverlapsOwnBlock, kWed},
      {"inside other provider's block", 1, proposal("New", "OP2", kTue, 130, 140),
       R::kOperatoryInUse, kTue},
      {"enclosing other provider's block", 1, proposal("New", "OP2", kTue, 100, 200),
       R::kOperatoryInUse, kTue},
      {"one type without operatory", 1, proposal("New", "", kTue, 100, 110, 2),
       R::kOperatoryRequired, -1},
      // Near misses.
      {"ends where own block starts", 1, proposal("New", "OP1", kMon, 72, 96), R::kAccepted, -1},
      {"starts where own block ends", 1, proposal("New", "OP1", kMon, 120, 150), R::kAccepted, -1},
      {"same time, other operatory", 1, proposal("New", "OP3", kMon, 96, 120), R::kAccepted, -1},
      {"the changed block itself", 0, proposal("Morning", "OP1", kMon, 100, 130), R::kAccepted, -1},
      {"no operatory beside other's", 1, proposal("New", "", kMon, 0, 288), R::kAccepted, -1},
      {"unchecked day", 1, unchecked, R::kAccepted, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BlockVerdict v = checkTimeBlock(table, own, c.slot, c.p);
    EXPECT_EQ(v.rule, c.rule);
    EXPECT_EQ(v.weekday, c.weekday);
  }
  const BlockVerdict inUse = checkTimeBlock(table, own, 1, proposal("New", "OP2", kTue, 0, 288));
  EXPECT_EQ(inUse.otherProvider + inUse.otherBlock, "DR2 Surgery");
}

TEST(TimeBlockRules, ANewBlockDropsStrayTypeBytesAChangedOneKeepsThem) {
  ProviderEntry e;
  e.blocks[0] = block("Morning", "OP1", kMon, 96, 120);
  e.blocks[0].type = {4, 9, 8, 7, 6};
  e.blocks[5].type = {0, 3, 3, 3, 3};  // a free slot with stray bytes
  const BlockProposal p = proposal("  Late ", "OP2", kTue, 200, 220, 5);
  storeTimeBlock(&e, 0, p);
  storeTimeBlock(&e, 5, p);
  EXPECT_EQ(e.blocks[0].type, (std::array<std::uint8_t, 5>{5, 9, 8, 7, 6}));
  EXPECT_EQ(e.blocks[5].type, (std::array<std::uint8_t, 5>{5, 0, 0, 0, 0}));
  EXPECT_EQ(e.blocks[0].name, "Late");
  EXPECT_EQ(e.blocks[0].start[kMon], kNoWorkingTime) << "the old Monday goes";
}

}  // namespace
