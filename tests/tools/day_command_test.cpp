// "apptbook-admin day": the day list of a date on standard output. Bad words give the usage and
// exit 2 and change nothing; a good date prints the header and the date's rows in
// start-time order, of one operatory or one provider when asked.

#include "tools/day_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/definition_record.h"
#include "data/schema.h"
#include "lists/row_composers.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/admin_command.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

struct Outcome {
  int code = -1;
  std::vector<std::string> out;
  std::string err;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class DayCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(data().c_str()), 0);
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle defs = QDB_OpenFile(s, kDefinitionFile);
    DefinitionRecord here;
    here.setKey(DefinitionRecord::kApptStatus, 1);
    here.setStatusColourCode('1');
    here.setStatusName("Here");
    ASSERT_NE(QDB_AddRec(defs, here.data(), here.size()), 0);
    const QdbHandle appts = QDB_OpenFile(s, kAppointmentFile);
    const auto add = [&](PackedDate date, const char* op, const char* prov, int hour,
                         const char* name, std::uint8_t status) {
      AppointmentRecord a;
      a.schedule(date, op, static_cast<std::uint8_t>(hour), 0);
      a.setProvider(prov);
      a.setName(name);
      a.setLength(30);
      a.setStatus(status);
      ASSERT_NE(QDB_AddRec(appts, a.data(), a.size()), 0);
    };
    add(day_, "OP2", "DR1", 14, "Afternoon, Anna", 0);
    add(day_, "OP1", "DR2", 8, "Morning, Max", 1);
    add(day_, "OP1", "DR1", 10, "Late Morning, Lea", 150);
    add(day_ + 1, "OP1", "DR1", 9, "Tomorrow, Tom", 0);
    QDB_EndSession(s);
    QDB_CloseDataBase();
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string data() const { return dir_.file("data"); }
  Outcome run(std::vector<std::string> words) {
    std::vector<std::string> args = {"--data", data(), "day"};
    args.insert(args.end(), words.begin(), words.end());
    std::ostringstream out, err;
    Outcome o;
    o.code = runAdminCommand(args, out, err);
    o.out = lines(out.str());
    o.err = err.str();
    return o;
  }
  // The names of the printed rows, in order.
  static std::vector<std::string> names(const Outcome& o) {
    std::vector<std::string> out;
    for (std::size_t i = 1; i < o.out.size(); ++i) {
      std::string name = o.out[i].substr(13, 25);
      name.erase(name.find_last_not_of(' ') + 1);
      out.push_back(name);
    }
    return out;
  }

  TempDir dir_{"vantrel-day"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
  const PackedDate day_ = QRX_DateIn(2026, 2, 27);
};

TEST_F(DayCommand, PrintsTheHeaderAndTheDatesRowsInStartTimeOrder) {
  const Outcome o = run({"2026-02-27"});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  ASSERT_EQ(o.out.size(), 4u);
  EXPECT_EQ(o.out[0], listHeader(ListKind::kDay));
  EXPECT_EQ(names(o),
            (std::vector<std::string>{"Morning, Max", "Late Morning, Lea", "Afternoon, Anna"}));
  for (std::size_t i = 1; i < o.out.size(); ++i) EXPECT_EQ(o.out[i].size(), kDayRowWidth);
  EXPECT_EQ(o.out[1].substr(0, 12), " 8:00a  Here") << "the practice's status name";
  EXPECT_EQ(o.out[2].substr(6, 6), "<Cmpl>");
}

TEST_F(DayCommand, ShowsOneOperatoryOrOneProviderWhenAsked) {
  struct Case {
    std::vector<std::string> words;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {{"2026-02-27", "--op", "OP1"}, {"Morning, Max", "Late Morning, Lea"}},
      {{"--op=OP2", "2026-02-27"}, {"Afternoon, Anna"}},
      {{"2026-02-27", "--prov", "DR1"}, {"Late Morning, Lea", "Afternoon, Anna"}},
      {{"2026-02-27", "--prov=DR9"}, {}},
      {{"2026-02-28"}, {"Tomorrow, Tom"}},
      {{"2026-03-01"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words[0] + " " + (c.words.size() > 1 ? c.words[1] : ""));
    const Outcome o = run(c.words);
    ASSERT_EQ(o.code, 0) << o.err;
    ASSERT_FALSE(o.out.empty());
    EXPECT_EQ(o.out[0], listHeader(ListKind::kDay));
    EXPECT_EQ(names(o), c.names);
  }
}

TEST_F(DayCommand, BadWordsGiveTheUsageAndExit2) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"2026-02-30"},
      {"2026-2-27"},
      {"27.02.2026"},
      {"2026-02-27x"},
      {"20260227"},
      {"2026-02-27", "2026-02-28"},
      {"2026-02-27", "--op", "OP1", "--prov", "DR1"},
      {"2026-02-27", "--op", "OP1", "--op", "OP2"},
      {"2026-02-27", "--op"},
      {"2026-02-27", "--prov="},
      {"2026-02-27", "--op", "OPERA"},
      {"2026-02-27", "--verbose"},
  };
  for (const auto& words : cases) {
    std::string shown;
    for (const auto& w : words) shown += w + " ";
    SCOPED_TRACE(shown);
    const Outcome o = run(words);
    EXPECT_EQ(o.code, 2);
    EXPECT_TRUE(o.out.empty());
    EXPECT_NE(o.err.find("Usage: apptbook-admin"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("day YYYY-MM-DD"), std::string::npos);
  }
}

TEST_F(DayCommand, WithoutADatabaseItSaysHowToMakeOne) {
  std::ostringstream out, err;
  const int code = runAdminCommand({"--data", dir_.file("empty"), "day", "2026-02-27"}, out, err);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("init"), std::string::npos) << err.str();
}

TEST(IsoDate, ReadsOnlyRealCalendarDaysInTheOneForm) {
  EXPECT_EQ(parseIsoDate("2026-02-27"), QRX_DateIn(2026, 2, 27));
  EXPECT_EQ(parseIsoDate("2024-02-29"), QRX_DateIn(2024, 2, 29));
  for (const char* bad : {"2025-02-29", "2026-13-01", "2026-00-10", "2026-01-00", "2026/01/10",
                          " 2026-01-10", "2026-01-1a", "+026-01-10", ""}) {
    EXPECT_EQ(parseIsoDate(bad), kNoDate) << bad;
  }
}

}  // namespace
