// "apptbook-admin findtime": found times printed as the results list shows them, batch after
// batch; the dialog's refusals (exit 1) and bad words (exit 2).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "data/database_setup.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/support/command_output.h"
#include "tools/admin_command.h"

namespace {

using toolstest::Outcome;
using toolstest::Words;

// Providers DR1 and DR2 and operatories OP1 and OP2 without schedules of their own: everyone
// works the built-in office hours, Monday to Friday 8:00-12:00 and 13:00-17:00.
class FindTimeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(data().c_str()), 0);
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle resources = QDB_OpenFile(s, kResourceFile);
    toolstest::addTwoOfEach(resources);
    QDB_EndSession(s);
    QDB_CloseDataBase();
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string data() const { return dir_.file("data"); }
  Outcome run(Words words) {
    words.insert(words.begin(), {"--data", data(), "findtime"});
    return toolstest::capture(runAdminCommand, words);
  }

  vantrel::test::TempDir dir_{"vantrel-findtime"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
};

TEST_F(FindTimeCommand, PrintsTheListRowsAndFetchesLaterBatchesWhereTheLastOneEnded) {
  const Outcome o = run(
      {"--prov", "DR1", "--op=OP1", "--start", "2026-04-13", "--length", "60", "--count", "12"});
  ASSERT_EQ(o.code, 0) << o.err;
  const Words rows = toolstest::lines(o.out);
  ASSERT_EQ(rows.size(), 12u) << o.out;
  EXPECT_EQ(rows[0], "Mon\t 04/13/2026  8:00am - 12:00pm\t OP1  : DR1  ");
  EXPECT_EQ(rows[1], "Mon\t 04/13/2026  1:00pm -  5:00pm\t OP1  : DR1  ");
  EXPECT_EQ(rows[9].substr(0, 30), "Fri\t 04/17/2026  1:00pm -  5:0");
  EXPECT_EQ(rows[10].substr(0, 30), "Mon\t 04/20/2026  8:00am - 12:0")
      << "the second batch starts after the first";

  const Outcome window =
      run({"--prov", "DR2,DR1", "--op", "OP2", "--start", "2026-04-13", "--length", "30", "--days",
           "-M-----", "--from", "09:00", "--to", "10:30", "--count", "3"});
  ASSERT_EQ(window.code, 0) << window.err;
  EXPECT_EQ(toolstest::lines(window.out),
            (Words{"Mon\t 04/13/2026  9:00am - 10:30am\t OP2  : DR2  ",
                   "Mon\t 04/13/2026  9:00am - 10:30am\t OP2  : DR1  ",
                   "Mon\t 04/20/2026  9:00am - 10:30am\t OP2  : DR2  "}));
}

TEST_F(FindTimeCommand, RefusalsExitOneWithTheirMessageAndBadWordsTwo) {
  const Words base = {"--start", "2026-04-13", "--length", "60"};
  struct Case {
    Words words;
    int code;
    std::string said;  // in the output (messages) or in the error text
  };
  const std::vector<Case> cases = {
      {{"--op", "OP1"}, 1, "message: At least one provider must be selected"},
      {{"--prov", "DR1", "--op", "OP1", "--from", "12:00", "--to", "09:00"},
       1,
       "message: Invalid Time Range"},
      {{"--prov", "DR1", "--op", "OP1", "--days", "-------"},
       1,
       "message: At least one day must be selected"},
      {{"--prov", "DR9", "--op", "OP1"}, 1, "there is no provider \"DR9\""},
      {{"--prov", "DR1", "--op", "OP1", "--days", "S------"},
       0,
       "message: No match found.  Search terminated!"},
      {{"--prov", "DR1,DR1", "--op", "OP1"}, 2, "names \"DR1\" twice"},
      {{"--prov", "DR1", "--op", "OP1", "--days", "MTWTFSS"}, 2, "--days needs 7 characters"},
      {{"--prov", "DR1", "--op", "OP1", "--length", "7"}, 2, "--length must be 5 to 1440"},
      {{"--prov", "DR1", "--op", "OP1", "--to", "24:05"}, 2, "--to must be HH:MM"},
  };
  for (const Case& c : cases) {
    Words words = c.words;
    words.insert(words.end(), base.begin(), base.end());
    const Outcome o = run(words);
    EXPECT_EQ(o.code, c.code) << toolstest::joined(words) << o.err;
    EXPECT_NE((o.out + o.err).find(c.said), std::string::npos) << toolstest::joined(words) << "\n"
                                                               << o.out << o.err;
    if (c.code != 0) {
      EXPECT_EQ(o.out.find("\t"), std::string::npos) << "no rows after a refusal";
    }
  }
}

}  // namespace
