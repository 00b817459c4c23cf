// The scheduling rules on a database of their own: the questions and stops in their order, what
// a No leaves (nothing), and the week records a booking, move or release leaves behind.

#include "editing/scheduling_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

#include "data/record_bytes.h"
#include "tests/editing/editing_database.h"

namespace {

using namespace editing_test;
using Texts = std::vector<std::string>;
using Counts = std::vector<int>;
using Edit = std::function<void(AppointmentRecord&)>;
using Snapshot = std::vector<std::vector<std::uint8_t>>;

constexpr std::size_t kMon = 1;
constexpr std::size_t kTue = 2;
const int k900 = unitOf(9, 0);

class SchedulingRules : public EditingDatabase {
 public:
  RulesResult saveNew(AppointmentRecord a) {
    saved_ = a;
    return SaveApptWithRules(context(), true, AppointmentRecord{}, saved_);
  }
  // Saves the stored appointment `id` with `edit` applied.
  RulesResult saveEdited(std::uint32_t id, const Edit& edit,
                         const SchedulingContext* ctx = nullptr) {
    const AppointmentRecord old = *storedAppointment(id);
    saved_ = old;
    edit(saved_);
    return SaveApptWithRules(ctx ? *ctx : context(), false, old, saved_);
  }
  static Counts counts(const RscUseRecord& r, std::size_t day, int from, int to) {
    Counts out;
    for (int u = from; u < to; ++u) out.push_back(r.occupancy(day, static_cast<std::size_t>(u)));
    return out;
  }
  // Changes (or, without `edit`, deletes) a stored appointment as another workstation would.
  void changeElsewhere(std::uint32_t id, const Edit& edit) {
    OpenFile f(kAppointmentFile);
    std::array<std::uint8_t, 4> key{};
    rec::storeU32(key.data(), id);
    AppointmentRecord a;
    ASSERT_NE(QDB_FindRec(f.handle, kApptById, key.data(), key.size(), a.data(), a.size()), 0);
    if (edit) edit(a);
    EXPECT_NE(edit ? QDB_WriteRec(f.handle, a.data(), a.size()) : QDB_DeleteCurRec(f.handle), 0);
  }

  // Every week record and every appointment, to tell that nothing was written.
  std::pair<Snapshot, Snapshot> both() { return {weekSnapshot(), appointmentSnapshot()}; }

  AppointmentRecord saved_;  // as last handed to SaveApptWithRules
};

TEST_F(SchedulingRules, FirstBookingOfAWeekMakesBothRecordsAndAddsTheAppointment) {
  const RulesResult r = saveNew(appointment(monday(), "DR1", "OP1", 9, 0, 30, 5000));
  ASSERT_TRUE(r.succeeded()) << r.error;
  EXPECT_NE(r.appointmentId, 0u);
  EXPECT_EQ(saved_.identifier(), r.appointmentId) << "the database's identifier is handed back";
  EXPECT_TRUE(asked().empty());
  for (const auto& rec : {providerWeek("DR1"), operatoryWeek("OP1")}) {
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(counts(*rec, kMon, k900 - 1, k900 + 7), (Counts{0, 1, 1, 1, 1, 1, 1, 0}));
    EXPECT_EQ(rec->dayState(kMon), RscUseRecord::kDayBooked);
    EXPECT_EQ(rec->dayAmount(kMon), 5000u);
    EXPECT_EQ(rec->dayAmount(kTue), 0u);
  }
  EXPECT_EQ(weekSnapshot().size(), 2u);
  EXPECT_TRUE(storedAppointment(r.appointmentId)->sameBytes(saved_));
}

TEST_F(SchedulingRules, BookingLevelsAskStopOrRefuse) {
  struct Case {
    const char* operatory;
    std::uint8_t existing;  // the provider's count at 9:10
    int answer;
    const char* text;
    PromptButtons buttons;
    std::uint8_t after;
  };
  const std::vector<Case> cases = {
      {"OP1", 1, kIdYes, kDoubleBookQuestion, PromptButtons::kYesNo, 2},
      {"OP3", 2, kIdOk, kDoubleBookedStop, PromptButtons::kOk, 2},
      {"OP4", 3, kIdOk, kProviderBlockedStop, PromptButtons::kOk, 3},
  };
  for (const Case& c : cases) {
    putWeek(bookedWeek(RscUseRecord::kProvider, "DR1", kMon, k900 + 2, k900 + 3, c.existing));
    prompter_.clearRecord();
    prompter_.answer(c.answer);
    const bool booked = c.answer == kIdYes;
    EXPECT_EQ(saveNew(appointment(monday(), "DR1", c.operatory, 9, 0, 30)).outcome,
              booked ? RulesOutcome::kDone : RulesOutcome::kRefused);
    ASSERT_EQ(prompter_.asked().size(), 1u) << c.text;
    const Prompt& p = prompter_.asked()[0].prompt;
    EXPECT_EQ(p.text, c.text);
    EXPECT_EQ(p.caption, "Appointment List");
    EXPECT_EQ(p.buttons, c.buttons);
    EXPECT_EQ(p.icon, PromptIcon::kExclamation);
    const int o = booked ? 1 : 0;
    EXPECT_EQ(counts(*providerWeek("DR1"), kMon, k900, k900 + 6), (Counts{o, o, c.after, o, o, o}))
        << c.text;
    EXPECT_EQ(operatoryWeek(c.operatory).has_value(), booked);
  }
}

TEST_F(SchedulingRules, UnitsOutsideProviderTimeNeverRaiseTheLevelButTakeTheOperatory) {
  // Doubled for the last four units, which are assistant time for this appointment.
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR1", kMon, k900 + 2, k900 + 6, 2));
  AppointmentRecord a = appointment(monday(), "DR1", "OP1", 9, 0, 30);
  for (std::size_t k = 2; k < 6; ++k) a.setPatternSlot(k, 1);
  ASSERT_TRUE(saveNew(a).succeeded());
  EXPECT_TRUE(asked().empty());
  EXPECT_EQ(counts(*providerWeek("DR1"), kMon, k900, k900 + 6), (Counts{1, 1, 2, 2, 2, 2}));
  EXPECT_EQ(counts(*operatoryWeek("OP1"), kMon, k900, k900 + 6), Counts(6, 1));
}

TEST_F(SchedulingRules, AliasQuestionIsAskedOnceForTheBookedAliases) {
  providers_.providers[0].aliases = {"DR2 ", "HYG ", "DR3 "};
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR2", kMon, k900 + 6, k900 + 12, 1));  // after it
  putWeek(bookedWeek(RscUseRecord::kProvider, "HYG", kMon, k900, k900 + 12, 1));
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR3", kMon, k900, k900 + 12, 1));
  prompter_.setFallback(ScriptedPrompter::Fallback::kAffirmative);
  ASSERT_TRUE(saveNew(appointment(monday(), "DR1", "OP1", 9, 0, 30)).succeeded());
  EXPECT_EQ(asked(), Texts{kAliasBookedQuestion});
  EXPECT_EQ(counts(*providerWeek("HYG"), kMon, k900, k900 + 2), (Counts{1, 1}))
      << "an alias's record is only read";
}

TEST_F(SchedulingRules, WeekOverrideMovesAnotherProvidersBlockAndNoneKeepsItsTime) {
  setBlock(&providers_.providers[1], 0, kMon, unitOf(14, 0), unitOf(15, 0), 0, "OP1");
  setBlock(&providers_.providers[1], 1, kMon, unitOf(16, 0), unitOf(17, 0), 0, "OP1");
  RscUseRecord moved = RscUseRecord::withKey(RscUseRecord::kBlockOverride, "DR2", week());
  for (std::size_t d = 0; d < 7; ++d) {
    for (std::size_t b = 0; b < 6; ++b) moved.setOverride(d, b, 0xFFFF, 0xFFFF);
  }
  moved.setOverride(kMon, 0, unitOf(10, 0), unitOf(11, 0));
  putWeek(moved);
  prompter_.setFallback(ScriptedPrompter::Fallback::kAffirmative);
  // Block 0 is moved from 14:00 to 10:00 this week; block 1 keeps 16:00.
  const std::pair<int, bool> cases[] = {{14, false}, {10, true}, {16, true}};
  for (const auto& [hour, inBlock] : cases) {
    prompter_.clearRecord();
    ASSERT_TRUE(saveNew(appointment(monday(), "DR1", "OP1", hour, 0, 30)).succeeded());
    EXPECT_EQ(asked(), inBlock ? Texts{kOtherProviderQuestion} : Texts{}) << hour;
  }
}

TEST_F(SchedulingRules, ProviderChecksComeInOrderDayOffHoursThenLevel) {
  providers_.providers[0].hours[kMon].start = {unitOf(8, 0), kNoWorkingTime, kNoWorkingTime};
  providers_.providers[0].hours[kMon].end = {unitOf(9, 0), kNoWorkingTime, kNoWorkingTime};
  setBlock(&providers_.providers[1], 0, kMon, unitOf(9, 0), unitOf(10, 0), 0, "OP1");
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR1", kMon, k900, k900 + 1, 1));
  prompter_.setFallback(ScriptedPrompter::Fallback::kAffirmative);
  ASSERT_TRUE(saveNew(appointment(monday(), "DR1", "OP1", 9, 0, 30)).succeeded());
  EXPECT_EQ(asked(), (Texts{kOtherProviderQuestion, kProviderHoursQuestion, kDoubleBookQuestion}));

  // A day off asks first, and after a Yes neither blocks nor hours are looked at.
  RscUseRecord off = *providerWeek("DR1");
  off.setDayState(kMon, RscUseRecord::kDayClosed);
  putWeek(off);
  prompter_.clearRecord();
  ASSERT_TRUE(saveNew(appointment(monday(), "DR1", "OP2", 9, 30, 10)).succeeded());
  EXPECT_EQ(asked(), Texts{kProviderDayOffQuestion});
  EXPECT_EQ(providerWeek("DR1")->dayState(kMon), RscUseRecord::kDayClosed)
      << "a state of 2 is left as it is";
}

TEST_F(SchedulingRules, RestoreAsksOnlyTheHoursQuestionAndKeepsFullUnits) {
  RscUseRecord dr1 = bookedWeek(RscUseRecord::kProvider, "DR1", kMon, k900, k900 + 6, 2, 10);
  dr1.setDayState(kMon, RscUseRecord::kDayClosed);
  putWeek(dr1);
  putWeek(bookedWeek(RscUseRecord::kOperatory, "OP1", kMon, k900, k900 + 6, 1, 10));
  setBlock(&providers_.providers[1], 0, kMon, unitOf(7, 0), unitOf(10, 0), 0, "OP1");
  providers_.providers[0].aliases = {"HYG "};
  putWeek(bookedWeek(RscUseRecord::kProvider, "HYG", kMon, 0, 288, 1));

  const AppointmentRecord a = appointment(monday(), "DR1", "OP1", 9, 0, 30, 40);
  const RulesResult r = ReserveApptTime(context(), a, true);
  ASSERT_TRUE(r.succeeded()) << static_cast<int>(r.outcome);
  EXPECT_TRUE(asked().empty()) << "no day-off, block, level, alias or operatory question";
  const auto p = providerWeek("DR1");
  EXPECT_EQ(counts(*p, kMon, k900, k900 + 6), Counts(6, 2)) << "full units stay";
  EXPECT_EQ(p->dayAmount(kMon), 50u);
  EXPECT_EQ(p->dayState(kMon), RscUseRecord::kDayClosed);
  EXPECT_EQ(counts(*operatoryWeek("OP1"), kMon, k900, k900 + 6), Counts(6, 1));

  // Outside the provider's hours the one question is asked; No puts nothing back.
  const auto before = weekSnapshot();
  prompter_.answer(kIdNo);
  EXPECT_EQ(ReserveApptTime(context(), appointment(monday(), "DR1", "OP1", 7, 0, 30), true).outcome,
            RulesOutcome::kRefused);
  EXPECT_EQ(asked(), Texts{kProviderHoursQuestion});
  EXPECT_EQ(weekSnapshot(), before);

  // The same placement without restore meets the day off first.
  prompter_.clearRecord();
  EXPECT_EQ(ReserveApptTime(context(), a, false).outcome, RulesOutcome::kRefused);
  EXPECT_EQ(asked(), Texts{kProviderDayOffQuestion});
}

TEST_F(SchedulingRules, LastReleaseDeletesRecordsButKeepsOtherDaysAndWeekHours) {
  RscUseRecord hours = RscUseRecord::withKey(RscUseRecord::kProvider, "DR2", week());
  hours.setWeekPeriod(3, 0, unitOf(8, 0), unitOf(12, 0));
  putWeek(hours);
  const std::uint32_t mon = book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 100));
  const std::uint32_t tue = book(appointment(tuesday(), "DR2", "OP1", 9, 0, 30, 200));
  ASSERT_TRUE(ReleaseApptTime(context(), *storedAppointment(mon)).succeeded());
  EXPECT_FALSE(providerWeek("DR1").has_value());
  const auto op1 = operatoryWeek("OP1");
  ASSERT_TRUE(op1.has_value()) << "Tuesday still holds a booking";
  EXPECT_TRUE(op1->dayMapEmpty(kMon));
  EXPECT_EQ(op1->dayState(kMon), 0);
  EXPECT_EQ(op1->dayAmount(kMon), 0u);
  EXPECT_EQ(op1->dayState(kTue), RscUseRecord::kDayBooked);
  EXPECT_EQ(op1->dayAmount(kTue), 200u);

  ASSERT_TRUE(ReleaseApptTime(context(), *storedAppointment(tue)).succeeded());
  EXPECT_FALSE(operatoryWeek("OP1").has_value());
  ASSERT_TRUE(providerWeek("DR2").has_value());
  EXPECT_TRUE(providerWeek("DR2")->sameBytes(hours)) << "back to exactly its hours";
  EXPECT_EQ(weekSnapshot().size(), 1u);
}

TEST_F(SchedulingRules, DayAmountNeverGoesBelowZero) {
  const std::uint32_t a = book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 5000));
  book(appointment(monday(), "DR1", "OP1", 11, 0, 30, 3000));
  for (const auto& [kind, code] :
       {std::pair{RscUseRecord::kProvider, "DR1"}, {RscUseRecord::kOperatory, "OP1"}}) {
    RscUseRecord r = *weekRecord(kind, code);
    r.setDayAmount(kMon, 1000);  // less than the appointment's amount
    putWeek(r);
  }
  ASSERT_TRUE(ReleaseApptTime(context(), *storedAppointment(a)).succeeded());
  EXPECT_EQ(providerWeek("DR1")->dayAmount(kMon) + operatoryWeek("OP1")->dayAmount(kMon), 0u);
}

TEST_F(SchedulingRules, ReleaseWithoutOperatoryRecordFailsAndLeavesTheProvider) {
  putWeek(bookedWeek(RscUseRecord::kProvider, "DR1", kMon, k900, k900 + 6, 1, 10));
  const auto before = weekSnapshot();
  const RulesResult r = ReleaseApptTime(context(), appointment(monday(), "DR1", "OP1", 9, 0, 30));
  EXPECT_EQ(r.outcome, RulesOutcome::kDatabaseError);
  EXPECT_EQ(r.error, kQdbNotFound);
  EXPECT_EQ(weekSnapshot(), before);
}

// Each question answered No (or stop shown) as the only prompt, before anything else is asked.
struct NoCase {
  const char* name;
  const char* refusedAt;
  void (*scene)(SchedulingRules&);
  int day = 1;  // days after Sunday
  int hour = 9;
  std::uint8_t type = 0;
};

class NoWritesNothing : public SchedulingRules, public ::testing::WithParamInterface<NoCase> {};

TEST_P(NoWritesNothing, EveryRecordStaysByteIdentical) {
  const NoCase& c = GetParam();
  // Other bookings in the same records, so that there are bytes to keep.
  book(appointment(monday(), "DR1", "OP1", 11, 0, 20, 300));
  book(appointment(monday(), "DR2", "OP2", 10, 0, 20, 400));
  c.scene(*this);
  const auto before = both();
  AppointmentRecord a = appointment(sunday() + c.day, "DR1", "OP1", c.hour, 0, 30, 900);
  a.setType(c.type);
  EXPECT_EQ(saveNew(a).outcome, RulesOutcome::kRefused);
  EXPECT_EQ(asked(), Texts{c.refusedAt});
  EXPECT_EQ(both(), before);
}

void nothing(SchedulingRules&) {}
void closeMonday(SchedulingRules& t, std::uint8_t kind, const char* code) {
  RscUseRecord r = t.weekRecord(kind, code).value_or(RscUseRecord::withKey(kind, code, week()));
  r.setDayState(kMon, RscUseRecord::kDayClosed);
  t.putWeek(r);
}
void bookAt9(SchedulingRules& t, const char* provider, std::initializer_list<const char*> ops) {
  for (const char* op : ops) t.book(appointment(monday(), provider, op, 9, 0, 10));
}
void blockAt9(SchedulingRules& t, std::size_t provider, std::uint8_t type, const char* op) {
  setBlock(&t.providers_.providers[provider], 0, kMon, k900, unitOf(10, 0), type, op);
}

using T = SchedulingRules;
// clang-format off
INSTANTIATE_TEST_SUITE_P(EachQuestionAndStop, NoWritesNothing, ::testing::Values(
    NoCase{"ClosedBeforeOpening", kPracticeClosedQuestion, nothing, 1, 7},
    NoCase{"ClosedOverLunch", kPracticeClosedQuestion, nothing, 1, 12},
    NoCase{"ClosedOnSunday", kPracticeClosedQuestion, nothing, 0},
    NoCase{"ClosedOnAYearlyHoliday", kPracticeClosedQuestion,
           [](T& t) { t.practice_.holidays[5] = {1, 5, 0, 2}; }},
    NoCase{"ClosedThisWeek", kPracticeClosedQuestion,
           [](T& t) { closeMonday(t, RscUseRecord::kPractice, "-PR-"); }},
    NoCase{"ProviderDayOff", kProviderDayOffQuestion,
           [](T& t) { closeMonday(t, RscUseRecord::kProvider, "DR1"); }},
    NoCase{"ProviderHours", kProviderHoursQuestion,
           [](T& t) { t.providers_.providers[0].hours[kMon].end[0] = k900; }},
    NoCase{"ProviderWeekHours", kProviderHoursQuestion, [](T& t) {
             RscUseRecord r = *t.providerWeek("DR1");  // this week 11:00-14:00 only
             r.setWeekPeriod(kMon, 0, unitOf(11, 0), unitOf(14, 0));
             t.putWeek(r); }},
    NoCase{"OwnBlockOfAnotherType", kTypeMismatchQuestion, [](T& t) { blockAt9(t, 0, 4, "OP1"); },
           1, 9, 3},
    NoCase{"OwnBlockInAnotherOperatory", kOtherOperatoryQuestion,
           [](T& t) { blockAt9(t, 0, 0, "OP2"); }},
    NoCase{"OtherProvidersBlock", kOtherProviderQuestion, [](T& t) { blockAt9(t, 2, 0, "OP1"); }},
    NoCase{"DoubleBooking", kDoubleBookQuestion, [](T& t) { bookAt9(t, "DR1", {"OP3"}); }},
    NoCase{"DoubledStop", kDoubleBookedStop, [](T& t) { bookAt9(t, "DR1", {"OP3", "OP4"}); }},
    NoCase{"Alias", kAliasBookedQuestion, [](T& t) {
             t.providers_.providers[0].aliases = {"HYG "};
             bookAt9(t, "HYG", {"OP3"}); }},
    NoCase{"OperatoryTaken", kOperatoryTakenStop, [](T& t) { bookAt9(t, "HYG", {"OP1"}); }}),
    [](const ::testing::TestParamInfo<NoCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(SchedulingRules, RefusedMoveKeepsTheOldPlacementAndTheAppointment) {
  const std::uint32_t id = book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 100));
  book(appointment(tuesday(), "DR1", "OP2", 10, 0, 30, 200));
  const auto before = both();
  prompter_.answer(kIdNo);
  const Edit move = [](AppointmentRecord& a) { a.schedule(tuesday(), "OP1", 10, 0); };
  EXPECT_EQ(saveEdited(id, move).outcome, RulesOutcome::kRefused);
  EXPECT_EQ(asked(), Texts{kDoubleBookQuestion})
      << "no restore question: the old placement was never taken out";
  EXPECT_EQ(both(), before);
}

TEST_F(SchedulingRules, MovesReleaseTheOldPlacementAndRefreshOnlyTheShownAppointment) {
  const std::uint32_t id = book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 100));
  int refreshed = 0;
  SchedulingContext ctx = context();
  ctx.shownAppointment = [id] { return id; };
  ctx.refreshShownAppointment = [&] { ++refreshed; };
  // Onto its own units: none of its own bookings is met.
  ASSERT_TRUE(saveEdited(
      id, [](AppointmentRecord& a) { a.schedule(monday(), "OP1", 9, 15); }, &ctx));
  EXPECT_TRUE(asked().empty());
  const Counts moved{0, 0, 0, 1, 1, 1, 1, 1, 1, 0};
  EXPECT_EQ(counts(*providerWeek("DR1"), kMon, k900, k900 + 10), moved);
  EXPECT_EQ(counts(*operatoryWeek("OP1"), kMon, k900, k900 + 10), moved);
  EXPECT_TRUE(storedAppointment(id)->sameBytes(saved_));
  EXPECT_EQ(refreshed, 1);

  ctx.shownAppointment = [] { return 999u; };  // the detail area shows another appointment
  const Edit toTuesday = [](AppointmentRecord& a) {
    a.schedule(tuesday(), "OP2", 10, 0);
    a.setProvider("DR2");
  };
  ASSERT_TRUE(saveEdited(id, toTuesday, &ctx));
  EXPECT_EQ(refreshed, 1);
  EXPECT_FALSE(providerWeek("DR1").has_value());
  EXPECT_FALSE(operatoryWeek("OP1").has_value());
  EXPECT_EQ(counts(*providerWeek("DR2"), kTue, unitOf(10, 0), unitOf(10, 35)),
            (Counts{1, 1, 1, 1, 1, 1, 0}));
  EXPECT_EQ(operatoryWeek("OP2")->dayAmount(kTue), 100u);

  // Out of the schedule; and an undated new appointment touches no week record.
  ASSERT_TRUE(saveEdited(id, [](AppointmentRecord& a) { a.unschedule(); }));
  EXPECT_TRUE(weekSnapshot().empty());
  AppointmentRecord fresh = appointment(monday(), "DR1", "OP1", 9, 0, 30);
  fresh.unschedule();
  EXPECT_TRUE(saveNew(fresh).succeeded());
  EXPECT_TRUE(weekSnapshot().empty());
}

TEST_F(SchedulingRules, ChangeAtAnotherWorkstationCancelsTheSaveWithoutWriting) {
  const std::uint32_t id = book(appointment(monday(), "DR1", "OP1", 9, 0, 30, 100));
  const AppointmentRecord opened = *storedAppointment(id);
  changeElsewhere(id, [](AppointmentRecord& a) { a.setDescription("Changed elsewhere"); });
  const auto before = both();

  AppointmentRecord moved = opened;
  moved.schedule(tuesday(), "OP2", 10, 0);
  const RulesResult r = SaveApptWithRules(context(), false, opened, moved);
  EXPECT_EQ(r.outcome, RulesOutcome::kChangedElsewhere);
  EXPECT_EQ(both(), before) << "the reservations are not kept";

  // Deleted elsewhere counts as changed too.
  const AppointmentRecord current = *storedAppointment(id);
  changeElsewhere(id, nullptr);
  AppointmentRecord again = current;
  again.setDescription("Mine");
  EXPECT_EQ(SaveApptWithRules(context(), false, current, again).outcome,
            RulesOutcome::kChangedElsewhere);
  EXPECT_EQ(both().first, before.first);
  EXPECT_FALSE(storedAppointment(id).has_value());

  // Moved elsewhere to another week, its old week records gone with it: still a change made
  // there, not a database fault here.
  const std::uint32_t other = book(appointment(monday(), "DR2", "OP2", 14, 0, 30));
  const AppointmentRecord stale = *storedAppointment(other);
  ASSERT_TRUE(
      saveEdited(other, [](AppointmentRecord& a) { a.schedule(monday() + 7, "OP2", 14, 0); }));
  const auto afterMove = both();
  AppointmentRecord mine = stale;
  mine.schedule(tuesday(), "OP1", 11, 0);
  EXPECT_EQ(SaveApptWithRules(context(), false, stale, mine).outcome,
            RulesOutcome::kChangedElsewhere);
  EXPECT_EQ(both(), afterMove);
}

TEST_F(SchedulingRules, PlacementPastMidnightIsRefusedBeforeAnyQuestion) {
  book(appointment(monday(), "DR1", "OP1", 9, 0, 30));
  const auto before = both();
  const AppointmentRecord late = appointment(monday(), "DR1", "OP1", 23, 30, 60);
  prompter_.setFallback(ScriptedPrompter::Fallback::kAffirmative);
  EXPECT_EQ(saveNew(late).outcome, RulesOutcome::kInvalid);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text, spanProblemText(SpanProblem::kPastMidnight));
  EXPECT_EQ(prompter_.asked()[0].prompt.buttons, PromptButtons::kOk);
  EXPECT_EQ(ReserveApptTime(context(), late, false).outcome, RulesOutcome::kInvalid);
  EXPECT_EQ(both(), before);

  ASSERT_TRUE(saveNew(appointment(monday(), "DR1", "OP1", 23, 55, 5)).succeeded());  // last unit
  EXPECT_EQ(operatoryWeek("OP1")->occupancy(kMon, 287), 1);
}

TEST_F(SchedulingRules, RecordLockedElsewhereFailsWith42AndLeavesNoPlaceholder) {
  book(appointment(monday(), "DR2", "OP1", 11, 0, 30));
  const auto before = weekSnapshot();
  SchedulingContext ctx = context();
  ctx.lockRetry = LockRetry{3, 1};
  const AppointmentRecord a = appointment(monday(), "DR1", "OP1", 9, 0, 30);
  {
    OpenFile other(kRscUseFile);  // another workstation holds OP1's week record
    const WeekKey key = weekKey(RscUseRecord::kOperatory, "OP1", week());
    RscUseRecord held;
    const QdbHandle update = QDB_StartUpdate(other.handle, 2, kRscUseByKey, key.bytes.data(),
                                             key.bytes.size(), held.data(), held.size());
    ASSERT_NE(update, 0u);
    const RulesResult r = ReserveApptTime(ctx, a, false);
    EXPECT_EQ(r.outcome, RulesOutcome::kDatabaseError);
    EXPECT_EQ(r.error, kQdbLocked);
    EXPECT_EQ(weekSnapshot(), before) << "DR1's placeholder is gone again";
    QDB_AbortUpdate(update);
  }
  EXPECT_TRUE(ReserveApptTime(ctx, a, false));
}

}  // namespace
