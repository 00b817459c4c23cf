#include "editing/time_blocks.h"

#include <gtest/gtest.h>

#include "tests/editing/editing_database.h"

namespace {

using namespace editing_test;
using Texts = std::vector<std::string>;

TEST(CodesCompare, OnFourBlankPaddedCharactersOnly) {
  EXPECT_TRUE(sameCode("DR1", "DR1 "));
  EXPECT_TRUE(sameCode("", "    "));
  EXPECT_FALSE(sameCode("DR1", "DR10"));
  EXPECT_FALSE(sameCode("DR1X5", "DR1X")) << "a longer code is never the same";
}

// A block of a provider: clock times as hhmm (-1: none that day), on Monday unless said.
struct Blk {
  int from, to;
  std::uint8_t type;
  const char* operatory;
  int day = 1;
};

struct CheckCase {
  const char* name;
  Texts asked;
  std::vector<Blk> dr1 = {}, dr2 = {}, dr3 = {};  // blocks 0, 1, ... of each provider
  std::vector<std::string> aliases = {};          // DR1's
  const char* provider = "DR1";
};

int unitAt(int hhmm) { return hhmm < 0 ? kNoWorkingTime : unitOf(hhmm / 100, hhmm % 100); }

// The appointment: 9:00-9:30 on Monday, type 3, in OP1.
TEST(TimeBlockCheck, AsksAboutOwnAndOtherProvidersBlocksInOrder) {
  const Blk here{800, 1200, 0, "OP1"}, elsewhere{800, 1200, 0, "OP2"};
  const char* const kType = kTypeMismatchQuestion;
  const char* const kOp = kOtherOperatoryQuestion;
  const char* const kOther = kOtherProviderQuestion;
  const std::vector<CheckCase> cases = {
      {"provider not in the table", {}, {}, {here}, {}, {}, "DR9"},
      {"own block here, same type", {}, {{800, 1200, 3, "OP1"}}, {here}},
      {"own block here, any type", {}, {here}, {here}},
      {"own block here, other type", {kType}, {{800, 1200, 9, "OP1"}}, {here}},
      {"own block elsewhere, then a stranger's here", {kOp, kOther}, {elsewhere}, {here}},
      {"first overlapping block decides", {kOp}, {elsewhere, here}},
      {"block on another day", {}, {{800, 1200, 9, "OP1", 2}}},
      {"block without a start that day", {}, {{-1, 2300, 9, "OP1"}}},
      {"block ends as it starts", {}, {}, {{800, 900, 0, "OP1"}}},
      {"block starts as it ends", {}, {}, {{930, 1000, 0, "OP1"}}},
      {"last unit overlaps", {kOther}, {}, {{925, 1000, 0, "OP1"}}},
      {"stranger's block here", {kOther}, {}, {here}},
      {"stranger's block elsewhere", {}, {}, {elsewhere}},
      {"alias's block here", {}, {}, {here}, {}, {"DR2 "}},
      {"alias's block here, other type", {kType}, {}, {{800, 1200, 9, "OP1"}}, {}, {"DR2 "}},
      {"alias's block elsewhere", {kOp}, {}, {elsewhere}, {}, {"DR2 "}},
      {"alias list ends at its first empty entry", {}, {}, {elsewhere}, {}, {"DR3 ", "", "DR2 "}},
      {"a block here ends the look at further providers", {kOther}, {}, {here}, {here}},
      {"a block elsewhere does not", {kOp, kOther}, {}, {elsewhere}, {here}, {"DR2 "}},
  };
  for (const CheckCase& c : cases) {
    ProviderScheduleTable table;
    table.providers = {providerEntry("DR1"), providerEntry("DR2"), providerEntry("DR3")};
    table.providers[0].aliases = c.aliases;
    const std::vector<Blk>* blocks[] = {&c.dr1, &c.dr2, &c.dr3};
    for (std::size_t p = 0; p < 3; ++p) {
      for (std::size_t k = 0; k < blocks[p]->size(); ++k) {
        const Blk& b = (*blocks[p])[k];
        setBlock(&table.providers[p], k, b.day, unitAt(b.from), unitAt(b.to), b.type, b.operatory);
      }
    }
    AppointmentRecord appt = appointment(monday(), c.provider, "OP1", 9, 0, 30);
    appt.setType(3);
    ApptSpan span;
    ASSERT_EQ(spanOf(appt, &span), SpanProblem::kNone);
    const OverrideLookup none = [](std::string_view) -> const RscUseRecord* { return nullptr; };
    // Yes to the first `yes` questions, No after them.
    const auto run = [&](std::size_t yes, Texts* asked) {
      return timeBlockCheck(table, appt, span, none, [&](const char* text) {
        asked->push_back(text);
        return asked->size() <= yes;
      });
    };
    Texts asked;
    EXPECT_TRUE(run(c.asked.size(), &asked)) << c.name;
    EXPECT_EQ(asked, c.asked) << c.name;
    for (std::size_t yes = 0; yes < c.asked.size(); ++yes) {
      asked.clear();
      EXPECT_FALSE(run(yes, &asked)) << c.name << ", No to question " << yes;
      EXPECT_EQ(asked.size(), yes + 1) << c.name << ": a No ends the check at once";
    }
  }
}

}  // namespace
