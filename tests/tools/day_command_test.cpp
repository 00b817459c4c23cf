// "apptbook-admin day": the header and the date's rows in start-time order, of one operatory or
// provider when asked; bad words give the usage and exit 2.

#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/definition_record.h"
#include "data/schema.h"
#include "lists/row_composers.h"
#include "tests/tools/support/command_output.h"

namespace {

using namespace toolstest;

class DayCommand : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ASSERT_EQ(createPracticeDatabase(data().c_str()), 0);
    const QdbSession s = QDB_StartSession(1);
    DefinitionRecord here;
    here.setKey(DefinitionRecord::kApptStatus, 1);
    here.setStatusColourCode('1');
    here.setStatusName("Here");
    ASSERT_NE(QDB_AddRec(QDB_OpenFile(s, kDefinitionFile), here.data(), here.size()), 0);
    const QdbHandle appts = QDB_OpenFile(s, kAppointmentFile);
    const PackedDate d = QRX_DateIn(2026, 2, 27);
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
    add(d, "OP2", "DR1", 14, "Afternoon, Anna", 0);
    add(d, "OP1", "DR2", 8, "Morning, Max", 1);
    add(d, "OP1", "DR1", 10, "Late Morning, Lea", 150);
    add(d + 1, "OP1", "DR1", 9, "Tomorrow, Tom", 0);
    QDB_EndSession(s);
    QDB_CloseDataBase();
  }
  Outcome day(Words words) {
    words.insert(words.begin(), "day");
    return run(words);
  }
};

TEST_F(DayCommand, PrintsTheHeaderAndTheRowsOfTheDateAndViewInStartTimeOrder) {
  const std::vector<std::pair<Words, Words>> cases = {
      // the words, then the names printed
      {{"2026-02-27"}, {"Morning, Max", "Late Morning, Lea", "Afternoon, Anna"}},
      {{"2026-02-27", "--op", "OP1"}, {"Morning, Max", "Late Morning, Lea"}},
      {{"--op=OP2", "2026-02-27"}, {"Afternoon, Anna"}},
      {{"2026-02-27", "--prov", "DR1"}, {"Late Morning, Lea", "Afternoon, Anna"}},
      {{"2026-02-28"}, {"Tomorrow, Tom"}},
      {{"2024-02-29"}, {}},  // a leap day
  };
  for (const auto& [words, expected] : cases) {
    SCOPED_TRACE(joined(words));
    const Outcome o = day(words);
    ASSERT_EQ(o.code, 0) << o.err;
    const Words printed = lines(o.out);
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed[0], listHeader(ListKind::kDay));
    Words names;
    for (std::size_t i = 1; i < printed.size(); ++i) {
      EXPECT_EQ(printed[i].size(), kDayRowWidth);
      names.push_back(printed[i].substr(13, 25));
      names.back().erase(names.back().find_last_not_of(' ') + 1);
    }
    EXPECT_EQ(names, expected);
  }
  const Words printed = lines(day({"2026-02-27"}).out);
  ASSERT_EQ(printed.size(), 4u);
  EXPECT_EQ(printed[1].substr(0, 12), " 8:00a  Here") << "the practice's status name";
  EXPECT_EQ(printed[2].substr(6, 6), "<Cmpl>");
}

TEST_F(DayCommand, BadWordsGiveTheUsageAndExit2) {
  // clang-format off
  for (const Words& words : std::vector<Words>{
           {}, {"2026-02-30"}, {"2025-02-29"}, {"2026-13-01"}, {"2026-2-27"}, {"2026-02-27x"},
           {"2026-02-27", "2026-02-28"}, {"2026-02-27", "--op", "OP1", "--prov", "DR1"},
           {"2026-02-27", "--op"}, {"2026-02-27", "--op", "OPERA"}, {"2026-02-27", "--verbose"}}) {
    // clang-format on
    const Outcome o = day(words);
    EXPECT_EQ(o.code, 2) << joined(words);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("day YYYY-MM-DD"), std::string::npos) << o.err;
  }
}

}  // namespace
