// "apptbook-admin check" and "rebuild" on a small demo practice: the demo places its dated
// appointments through the scheduling rules, so a fresh demo checks clean; a unit taken out of an
// operatory's week record behind the rules' back is named by check and put back by rebuild.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/support/command_output.h"
#include "tools/admin_command.h"
#include "tools/demo_practice.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

using toolstest::joined;
using toolstest::lines;
using toolstest::Outcome;
using toolstest::Words;

// The unit of an operatory week record that was taken out.
struct Corrupted {
  std::string code;
  PackedDate week = kNoDate;
  std::size_t day = 0;
  std::size_t unit = 0;
};

std::string trimmed(std::string code) {
  while (!code.empty() && code.back() == ' ') code.pop_back();
  return code;
}

class OccupancyCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(data().c_str()), 0);
    DemoOptions options;
    options.seed = 5;
    options.today = QRX_DateIn(2026, 3, 11);
    options.households = 30;
    options.minimumPatients = 60;
    options.undated = 5;
    options.addUsers = false;
    DemoSummary summary;
    std::string why;
    ASSERT_EQ(makeDemoPractice(options, &summary, &why), 0) << why;
    ASSERT_GT(summary.appointments, 0);
    QDB_CloseDataBase();
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string data() const { return dir_.file("data"); }
  Outcome run(Words args) {
    args.insert(args.begin(), {"--data", data()});
    return toolstest::capture(runAdminCommand, args);
  }

  // Visits every operatory week record; `change` returns true when it changed the record, which
  // is then written back and the walk ends. Returns whether a record was written.
  template <typename Change>
  bool changeOperatoryWeek(Change change) {
    EXPECT_EQ(QDB_InitDataBase(data().c_str()), 1);
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle weeks = QDB_OpenFile(s, kRscUseFile);
    EXPECT_NE(weeks, 0u);
    RscUseRecord r;
    bool written = false;
    for (int ok = QDB_FirstRec(weeks, kRscUseFile, r.data(), r.size()); ok != 0 && !written;
         ok = QDB_NextRec(weeks, kRscUseFile, r.data(), r.size())) {
      if (r.kind() != RscUseRecord::kOperatory || r.week() == 0 || !change(r)) continue;
      EXPECT_NE(QDB_WriteRec(weeks, r.data(), r.size()), 0) << QDB_GetLastErrorNum(s);
      written = true;
    }
    QDB_EndSession(s);
    QDB_CloseDataBase();
    return written;
  }

  // Zeroes the first used unit of the first operatory week record that has one.
  Corrupted zeroOneOperatoryUnit() {
    Corrupted c;
    const bool written = changeOperatoryWeek([&c](RscUseRecord& r) {
      for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
        for (std::size_t unit = 0; unit < RscUseRecord::kUnitsPerDay; ++unit) {
          if (r.occupancy(day, unit) == 0) continue;
          r.setOccupancy(day, unit, 0);
          c = {trimmed(r.code()), r.week(), day, unit};
          return true;
        }
      }
      return false;
    });
    EXPECT_TRUE(written) << "the demo left no operatory unit occupied";
    return c;
  }

  // The stored count of the corrupted unit, read back.
  int storedUnit(const Corrupted& c) {
    int stored = -1;
    changeOperatoryWeek([&](RscUseRecord& r) {
      if (trimmed(r.code()) == c.code && r.week() == c.week) stored = r.occupancy(c.day, c.unit);
      return false;
    });
    return stored;
  }

  TempDir dir_{"vantrel-occupancy"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
};

TEST_F(OccupancyCommand, FreshDemoChecksCleanAndARemovedUnitIsNamedAndRebuilt) {
  const Outcome fresh = run({"check"});
  EXPECT_EQ(fresh.code, 0) << fresh.out << fresh.err;
  EXPECT_EQ(lines(fresh.out).size(), 1u) << fresh.out;

  const Corrupted c = zeroOneOperatoryUnit();
  ASSERT_FALSE(c.code.empty());
  const Outcome found = run({"check"});
  EXPECT_EQ(found.code, 1) << found.out << found.err;
  const Words said = lines(found.out);
  ASSERT_EQ(said.size(), 2u) << "one difference and the summary: " << joined(said);
  const std::string& line = said[0];
  EXPECT_TRUE(line.starts_with("operatory " + c.code + " ")) << line;
  const std::string where = "day " + std::to_string(c.day) + " unit " + std::to_string(c.unit) +
                            ": stored 0, appointments give 1";
  EXPECT_NE(line.find(where), std::string::npos) << line << "\nexpected: " << where;

  const Outcome rebuilt = run({"rebuild"});
  EXPECT_EQ(rebuilt.code, 0) << rebuilt.out << rebuilt.err;
  EXPECT_EQ(lines(rebuilt.out).size(), 1u) << rebuilt.out;
  EXPECT_NE(rebuilt.out.find("1 records rewritten"), std::string::npos) << rebuilt.out;
  EXPECT_EQ(storedUnit(c), 1);
  const Outcome again = run({"check"});
  EXPECT_EQ(again.code, 0) << again.out << again.err;
}

TEST_F(OccupancyCommand, StrayWordsGiveUsageAndRebuildNothing) {
  const Corrupted c = zeroOneOperatoryUnit();
  const std::vector<Words> cases = {
      {"check", "--fix"}, {"rebuild", "now"}, {"rebuild", "--force"}, {"check", "2026-03-11"}};
  for (const Words& args : cases) {
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 2) << joined(args);
    EXPECT_TRUE(o.out.empty()) << joined(args) << ": " << o.out;
    EXPECT_NE(o.err.find("takes no options"), std::string::npos) << joined(args) << o.err;
    EXPECT_NE(o.err.find("  check "), std::string::npos) << "usage lacks check: " << o.err;
    EXPECT_NE(o.err.find("  rebuild "), std::string::npos) << "usage lacks rebuild: " << o.err;
  }
  EXPECT_EQ(storedUnit(c), 0) << "a refused rebuild wrote the week record";
}

}  // namespace
