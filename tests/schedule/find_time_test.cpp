#include "schedule/find_time.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>

#include "data/appointment_record.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "schedule/schedule_keys.h"
#include "tests/schedule/schedule_database.h"

namespace {

// The built-in office hours: Monday to Friday 8:00-12:00 and 13:00-17:00.
constexpr std::int32_t kMorning = 96;
constexpr std::int32_t kNoon = 144;
constexpr std::int32_t kAfternoon = 156;
constexpr std::int32_t kEvening = 204;
constexpr std::int32_t kHalfHour = 6;

PackedDate monday() { return QRX_DateIn(2027, 1, 4); }
PackedDate tuesday() { return monday() + 1; }

std::vector<std::string> promptTexts(const ScriptedPrompter& p) {
  std::vector<std::string> texts;
  for (const auto& a : p.asked()) texts.push_back(a.prompt.text);
  return texts;
}

// ---------------------------------------------------------------------------------------------
// Pieces

SlotMap usedBetween(std::int32_t from, std::int32_t to) {
  SlotMap m;
  for (std::int32_t s = from; s < to; ++s) m.set(static_cast<std::size_t>(s));
  return m;
}

TEST(FreeRun, FindsTheFirstLongEnoughRunAndExtendsItToTheNextUsedSlot) {
  struct Case {
    const char* fault;
    SlotMap used;
    std::int32_t from, to, length;
    std::optional<SlotRun> want;
  };
  const SlotMap nineToTen = usedBetween(108, 120);
  const std::vector<Case> cases = {
      {"run cut to the length instead of extended", {}, 96, 144, 6, SlotRun{96, 48}},
      {"used slot does not restart the count", nineToTen, 96, 144, 18, SlotRun{120, 24}},
      {"short run before a used slot taken", nineToTen, 100, 144, 12, SlotRun{120, 24}},
      {"run runs past the span end", {}, 96, 110, 6, SlotRun{96, 14}},
      {"run found where too few slots remain", nineToTen, 100, 126, 12, std::nullopt},
      {"last slot of the day lost", usedBetween(0, 287), 0, 288, 1, SlotRun{287, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(freeRunIn(c.used, c.from, c.to, c.length), c.want) << c.fault;
  }
}

DayHours periods(std::initializer_list<std::pair<std::int32_t, std::int32_t>> list) {
  DayHours h;
  std::size_t p = 0;
  for (const auto& [start, end] : list) {
    h.start[p] = start;
    h.end[p] = end;
    ++p;
  }
  return h;
}

TEST(WindowedHours, ClipsToTheWindowAndMovesThePeriodsLeftToTheFront) {
  const DayHours office = periods({{kMorning, kNoon}, {kAfternoon, kEvening}});
  struct Case {
    const char* fault;
    DayHours hours;
    std::int32_t start, end;
    DayHours want;
  };
  const std::vector<Case> cases = {
      {"no window changed the hours", office, -1, -1, office},
      {"start not clipped", office, 108, -1, periods({{108, kNoon}, {kAfternoon, kEvening}})},
      {"morning kept after the window start", office, 168, -1, periods({{168, kEvening}})},
      {"end not clipped", office, -1, 120, periods({{kMorning, 120}})},
      {"period ending at the window start kept", office, kNoon, -1,
       periods({{kAfternoon, kEvening}})},
      {"empty first period left first", periods({{-1, -1}, {kAfternoon, kEvening}}), -1, -1,
       periods({{kAfternoon, kEvening}})},
      {"nothing left but a period remains", office, 150, 154, DayHours{}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(windowedHours(c.hours, c.start, c.end), c.want) << c.fault;
  }
}

TEST(FoundTimeRow, ShowsDayDateTimesAndCodesInTheListLayout) {
  EXPECT_EQ(foundTimeRow({monday(), kMorning, kNoon - kMorning, "OP1 ", "DR1 "}),
            "Mon\t 01/04/2027  8:00am - 12:00pm\t OP1  : DR1  ");
  EXPECT_EQ(foundTimeRow({tuesday(), 276, 12, "OP10", "HYG2"}),
            "Tue\t 01/05/2027 11:00pm - 12:00am\t OP10 : HYG2 ")
      << "a run to the end of the day ends at midnight";
}

TEST(OffsetDate, AddsDaysWeeksAndMonthsKeepingTheDayWhereTheMonthHasIt) {
  const PackedDate jan31 = QRX_DateIn(2027, 1, 31);
  EXPECT_EQ(offsetDate(jan31, 1, DateStep::kDays), QRX_DateIn(2027, 2, 1));
  EXPECT_EQ(offsetDate(jan31, 2, DateStep::kWeeks), QRX_DateIn(2027, 2, 14));
  EXPECT_EQ(offsetDate(jan31, 1, DateStep::kMonths), QRX_DateIn(2027, 2, 28));
  EXPECT_EQ(offsetDate(jan31, 13, DateStep::kMonths), QRX_DateIn(2028, 2, 29));
  EXPECT_EQ(offsetDate(QRX_DateIn(2027, 12, 15), 1, DateStep::kMonths), QRX_DateIn(2028, 1, 15));
  EXPECT_EQ(offsetDate(kNoDate, 1, DateStep::kDays), kNoDate);
}

// ---------------------------------------------------------------------------------------------
// First values and the checks of Search

TEST(FindTimeChoices, StartFromTheProviderItsOperatoriesAndItsWorkingDays) {
  PracticeSchedule practice;  // 10-minute blocks, Monday to Friday
  ProviderScheduleTable providers;
  ProviderEntry dr1;
  dr1.code = "DR1 ";
  dr1.hours[6] = periods({{kMorning, kNoon}});  // works Saturday only
  dr1.operatoryBits[0] = 0b100;                 // assigned to the operatory numbered 2
  ProviderEntry dr2;
  dr2.code = "DR2 ";
  providers.providers = {dr1, dr2};
  OperatoryTable ops;
  ops.operatories = {{"OP1 ", 1}, {"OP2 ", 2}, {"OP3 ", 3}};
  const PackedDate today = monday();

  AppointmentRecord appt;
  appt.setProvider("DR1");
  appt.setLength(0);
  FindTimeChoices c = initialFindTimeChoices(appt, kNoDate, today, practice, providers, ops);
  EXPECT_EQ(c.providers, std::vector<std::string>{"DR1 "});
  EXPECT_EQ(c.operatories, std::vector<std::string>{"OP2 "}) << "the assigned operatory";
  EXPECT_EQ(c.days, (std::array<bool, 7>{false, false, false, false, false, false, true}));
  EXPECT_EQ(c.lengthMinutes, practice.blockMinutes) << "no length: one block";
  EXPECT_EQ(c.startDate, today + 1) << "never before tomorrow";

  appt.setProvider("DR2");
  appt.schedule(today + 30, "OP3", 9, 0);
  appt.setLength(45);
  c = initialFindTimeChoices(appt, today + 30, today, practice, providers, ops);
  EXPECT_EQ(c.operatories, std::vector<std::string>{"OP3 "}) << "none assigned: its own";
  EXPECT_EQ(c.startDate, today + 30);
  EXPECT_EQ(c.lengthMinutes, 45);

  appt.setProvider("XX");
  c = initialFindTimeChoices(appt, kNoDate, today, practice, providers, ops);
  EXPECT_TRUE(c.providers.empty() && c.operatories.empty());
  EXPECT_EQ(c.days, (std::array<bool, 7>{false, true, true, true, true, true, false}))
      << "an unknown provider takes the practice's days";
}

TEST(FindTimeChecks, RefuseInTheirOrderWithTheirMessagesAndFields) {
  FindTimeEntry good;
  good.providers = {"DR1 "};
  good.operatories = {"OP1 "};
  good.days[1] = true;
  good.startDate = "01/04/2027";
  good.timeStart = "9:00a";
  good.timeEnd = "2:00p";
  good.lengthMinutes = 45;

  struct Case {
    const char* fault;
    std::function<void(FindTimeEntry&)> change;
    std::string text;  // or the message number's text
    int message;
    FindTimeField focus;
  };
  const auto noDays = [](FindTimeEntry& e) { e.days = {}; };
  const std::vector<Case> cases = {
      {"operatories without provider", [](FindTimeEntry& e) { e.providers.clear(); },
       kNeedProviderText, 0, FindTimeField::kProviders},
      {"neither, before the later checks",
       [&](FindTimeEntry& e) {
         e.providers.clear();
         e.operatories.clear();
         e.timeStart = "x";
       },
       kNeedBothText, 0, FindTimeField::kOperatories},
      {"providers without operatory", [](FindTimeEntry& e) { e.operatories.clear(); },
       kNeedOperatoryText, 0, FindTimeField::kOperatories},
      {"bad time", [](FindTimeEntry& e) { e.timeEnd = "9:75"; }, "", 9090, FindTimeField::kTimeEnd},
      {"end before start, before the days",
       [&](FindTimeEntry& e) {
         noDays(e);
         e.timeEnd = "8:00a";
       },
       kInvalidTimeRangeText, 0, FindTimeField::kTimeStart},
      {"no day", noDays, kNeedDayText, 0, FindTimeField::kDays},
      {"bad date", [](FindTimeEntry& e) { e.startDate = "02/30/2027"; }, "", 9047,
       FindTimeField::kStartDate},
  };
  for (const Case& c : cases) {
    FindTimeEntry e = good;
    c.change(e);
    ScriptedPrompter prompter;
    const FindTimeCheck check = checkFindTimeEntry(prompter, e, 10);
    EXPECT_FALSE(check.params) << c.fault;
    EXPECT_EQ(check.focus, c.focus) << c.fault;
    ASSERT_EQ(prompter.asked().size(), 1u) << c.fault;
    const Prompt& p = prompter.asked()[0].prompt;
    if (c.message != 0) {
      EXPECT_EQ(p.messageNumber, c.message) << c.fault;
    } else {
      EXPECT_EQ(p.text, c.text) << c.fault;
      EXPECT_EQ(p.caption, "Appointment List");
      EXPECT_EQ(p.icon, PromptIcon::kStop);
    }
  }

  ScriptedPrompter prompter;
  const FindTimeCheck check = checkFindTimeEntry(prompter, good, 10);
  ASSERT_TRUE(check.params);
  EXPECT_TRUE(prompter.asked().empty());
  EXPECT_EQ(check.params->startDate, monday());
  EXPECT_EQ(check.params->length, 9) << "45 minutes";
  EXPECT_EQ(check.params->timeStart, 108);
  EXPECT_EQ(check.params->timeEnd, 168);
  EXPECT_EQ(check.params->skipDay,
            (std::array<bool, 7>{true, false, true, true, true, true, true}));
}

// ---------------------------------------------------------------------------------------------
// The search over week records

// A practice with the built-in hours, providers DR1 (alias DR2) and DR2 working those hours,
// operatories OP1 and OP2, and week records a case puts in.
struct World {
  PracticeSchedule practice;
  ProviderScheduleTable providers;
  SearchParams params;
  std::map<std::tuple<std::uint8_t, std::string, PackedDate>, RscUseRecord> weeks;

  World() {
    ProviderEntry dr1;
    dr1.code = "DR1 ";
    dr1.aliases = {"DR2 "};
    ProviderEntry dr2;
    dr2.code = "DR2 ";
    providers.providers = {dr1, dr2};
    for (ProviderEntry& p : providers.providers) p.hours = practice.hours;
    params.startDate = monday();
    params.length = kHalfHour;
    params.providers = {"DR1 "};
    params.operatories = {"OP1 "};
  }
  RscUseRecord& week(std::uint8_t kind, const std::string& code, PackedDate date) {
    const PackedDate start = QRX_WeekStart(date);
    auto at = weeks.try_emplace({kind, code, start}, RscUseRecord::withKey(kind, code, start));
    return at.first->second;
  }
  void use(std::uint8_t kind, const std::string& code, PackedDate date, std::int32_t from,
           std::int32_t to) {
    RscUseRecord& r = week(kind, code, date);
    for (std::int32_t s = from; s < to; ++s) {
      r.setOccupancy(static_cast<std::size_t>(QRX_WeekDayOf(date) - 1), static_cast<std::size_t>(s),
                     1);
    }
  }
};

struct SearchCase {
  const char* fault;
  std::function<void(World&)> setUp;
  std::vector<FoundTime> want;  // the first two times found
};

class Search : public ScheduleDatabase, public ::testing::WithParamInterface<SearchCase> {
 protected:
  std::vector<FoundTime> search(World& w, int wanted) {
    const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
    for (auto& [key, record] : w.weeks) {
      RscUseRecord stored;
      const auto k = rscUseKey(record.kind(), record.code(), record.week());
      if (QDB_FindRec(f, kRscUseByKey, k.data(), k.size(), stored.data(), stored.size()) != 0) {
        EXPECT_NE(QDB_WriteRec(f, record.data(), record.size()), 0);
      } else {
        EXPECT_NE(QDB_AddRec(f, record.data(), record.size()), 0);
      }
    }
    QDB_CloseFile(f);
    return searchFreeTimes(prompter_, w.practice, w.providers, w.params, wanted);
  }
};

constexpr std::uint8_t kProv = RscUseRecord::kProvider;
constexpr std::uint8_t kOp = RscUseRecord::kOperatory;

FoundTime at(PackedDate date, std::int32_t start, std::int32_t end, const char* op = "OP1 ",
             const char* prov = "DR1 ") {
  return {date, start, end - start, op, prov};
}

const std::vector<SearchCase> kSearchCases = {
    {"no week records: the whole periods are free",
     [](World&) {},
     {at(monday(), kMorning, kNoon), at(monday(), kAfternoon, kEvening)}},
    {"day whose only period is too short is not skipped",
     [](World& w) {
       w.practice.hours[1] = periods({{kMorning, kMorning + kHalfHour - 1}});
       w.params.length = kHalfHour;
     },
     {at(tuesday(), kMorning, kNoon), at(tuesday(), kAfternoon, kEvening)}},
    {"free run cut to the appointment, or listed twice",
     [](World& w) { w.use(kOp, "OP1 ", monday(), 108, 120); },
     {at(monday(), kMorning, 108), at(monday(), 120, kNoon)}},
    {"operatory taken does not pass to the next one",
     [](World& w) {
       w.params.operatories = {"OP1 ", "OP2 "};
       w.use(kOp, "OP1 ", monday(), kMorning, kNoon);
     },
     {at(monday(), kMorning, kNoon, "OP2 "), at(monday(), kAfternoon, kEvening)}},
    {"alias booked at the same time ignored",
     [](World& w) { w.use(kProv, "DR2 ", monday(), kMorning, 132); },
     {at(monday(), 132, kNoon), at(monday(), kAfternoon, kEvening)}},
    {"provider's own booking ignored",
     [](World& w) { w.use(kProv, "DR1 ", monday(), kAfternoon, kEvening); },
     {at(monday(), kMorning, kNoon), at(tuesday(), kMorning, kNoon)}},
    {"provider on vacation still offered",
     [](World& w) { w.week(kProv, "DR1 ", monday()).setDayState(1, 2); },
     {at(tuesday(), kMorning, kNoon), at(tuesday(), kAfternoon, kEvening)}},
    {"provider's day off offered",
     [](World& w) { w.providers.providers[0].hours[1] = {}; },
     {at(tuesday(), kMorning, kNoon), at(tuesday(), kAfternoon, kEvening)}},
    {"provider's own hours not narrowing the span",
     [](World& w) {
       w.providers.providers[0].hours[1] = periods({{120, 180}});
     },
     {at(monday(), 120, kNoon), at(monday(), kAfternoon, 180)}},
    {"provider's hours of the week ignored",
     [](World& w) {
       RscUseRecord& r = w.week(kProv, "DR1 ", monday());
       r.setWeekPeriod(1, 0, 120, 132);
       r.setWeekPeriod(1, 1, 0xFFFF, 0xFFFF);
       r.setWeekPeriod(1, 2, 0xFFFF, 0xFFFF);
     },
     {at(monday(), 120, 132), at(tuesday(), kMorning, kNoon)}},
    {"yearly holiday offered",
     [](World& w) {
       w.practice.holidays[0] = {1, 4, 0, 2};
     },
     {at(tuesday(), kMorning, kNoon), at(tuesday(), kAfternoon, kEvening)}},
    {"closed office offered",
     [](World& w) {
       RscUseRecord& r = w.week(RscUseRecord::kPractice, "-PR-", monday());
       r.setWeekPeriod(1, 0, kMorning, kNoon);
       r.setWeekPeriod(1, 1, kAfternoon, kEvening);
       r.setDayState(1, 2);
     },
     {at(tuesday(), kMorning, kNoon), at(tuesday(), kAfternoon, kEvening)}},
    {"time window not applied",
     [](World& w) {
       w.params.timeStart = 108;
       w.params.timeEnd = 168;
     },
     {at(monday(), 108, kNoon), at(monday(), kAfternoon, 168)}},
};

TEST_P(Search, FindsTheFirstFreeTimes) {
  World w;
  GetParam().setUp(w);
  EXPECT_EQ(search(w, 2), GetParam().want);
  EXPECT_TRUE(prompter_.asked().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, Search, ::testing::ValuesIn(kSearchCases));

TEST_F(Search, EachBatchContinuesAfterTheLastTimeFoundAndSeesNewBookings) {
  World w;
  w.params.operatories = {"OP1 ", "OP2 "};
  w.use(kOp, "OP1 ", monday(), 108, 120);
  const std::vector<FoundTime> want = {at(monday(), kMorning, 108), at(monday(), 120, kNoon),
                                       at(monday(), kMorning, kNoon, "OP2 ")};
  for (const FoundTime& next : want) EXPECT_EQ(search(w, 1), std::vector<FoundTime>{next});

  w.use(kOp, "OP1 ", monday(), kAfternoon, 180);  // booked elsewhere between two batches
  EXPECT_EQ(search(w, 2), (std::vector<FoundTime>{at(monday(), 180, kEvening),
                                                  at(monday(), kAfternoon, kEvening, "OP2 ")}));
}

TEST_F(Search, EndsWithItsMessageWhenNothingCanBeFound) {
  World w;
  w.params.skipDay = {false, true, true, true, true, true, true};  // Sundays: the office is shut
  EXPECT_TRUE(search(w, 10).empty());
  EXPECT_EQ(promptTexts(prompter_), std::vector<std::string>{kNoMatchText});
  EXPECT_EQ(w.params.resume.date, monday() + kSearchDates) << "the next batch tries new dates";

  prompter_.clearRecord();
  World tooLong;
  tooLong.params.length = kNoon - kMorning + 1;
  EXPECT_TRUE(search(tooLong, 10).empty());
  EXPECT_EQ(promptTexts(prompter_), std::vector<std::string>{kNoPossibleMatchText});
  // Both periods of every weekday are too short: the 366th span is met on the 183rd weekday.
  const int weekday = kSearchSpans / 2 - 1;
  EXPECT_EQ(tooLong.params.resume.date, monday() + weekday / 5 * 7 + weekday % 5)
      << "too-short spans end the search before the dates run out";

  prompter_.clearRecord();
  World once;  // one long Monday, then spans too short until the search gives up
  once.params.length = tooLong.params.length;
  RscUseRecord& office = once.week(RscUseRecord::kPractice, "-PR-", monday());
  office.setWeekPeriod(1, 0, kMorning, kEvening);
  office.setWeekPeriod(1, 1, 0xFFFF, 0xFFFF);
  once.providers.providers[0].hours[1] = periods({{kMorning, kEvening}});
  EXPECT_EQ(search(once, 10), std::vector<FoundTime>{at(monday(), kMorning, kEvening)});
  EXPECT_TRUE(prompter_.asked().empty()) << "no message when the batch found something";
}

}  // namespace
