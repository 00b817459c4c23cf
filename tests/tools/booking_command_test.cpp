// "apptbook-admin book", "move", "unschedule", "check" and "rebuild" on a small demo practice, in
// weeks the demo left free: what is stored, that every question is printed and a No or a stop
// writes nothing, that bad words are refused before anything is written, and that check names a
// unit changed behind the rules' back and rebuild puts it back.

#include <tuple>

#include "data/rsc_use_record.h"
#include "schedule/rsc_use_session.h"
#include "tests/tools/support/command_output.h"
#include "tests/tools/support/small_practice.h"

namespace {

using namespace toolstest;

constexpr const char* kDoubleBook =
    "question: Provider is already scheduled for requested time. Double schedule provider? -> ";

class BookingCommand : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    makeSmallPractice(data());
  }

  int appointments() const { return countAppointments(data()); }
  AppointmentRecord stored(std::uint32_t id) const { return storedAppointment(data(), id); }
  // Patient 1 for 30 minutes, by default on Tuesday 2026-04-21; `more` is added at the end.
  static Words booking(const char* time, const char* prov, const char* op, const char* answer,
                       const Words& more = {}, const char* date = "2026-04-21") {
    Words args = {"book",   "--patient", "1",    "--date", date,       "--time", time,
                  "--prov", prov,        "--op", op,       "--answer", answer};
    args.insert(args.end(), more.begin(), more.end());
    if (more.empty() || more[0] != "--length") args.insert(args.end(), {"--length", "30"});
    return args;
  }
  Outcome book(const char* time, const char* prov, const char* op, const char* answer,
               const Words& more = {}, const char* date = "2026-04-21") {
    return run(booking(time, prov, op, answer, more, date));
  }
  // The identifier of "booked appointment N" on the last line; 0 when there is none.
  static std::uint32_t bookedId(const Outcome& o) {
    const Words said = lines(o.out);
    if (said.empty() || !said.back().starts_with("booked appointment ")) return 0;
    return static_cast<std::uint32_t>(std::stoul(said.back().substr(19)));
  }
  void expectCheckClean() {
    const Outcome check = run({"check"});
    EXPECT_EQ(check.code, 0) << check.out << check.err;
  }
  // The count of OP1's unit at 9:00 on 2026-04-21 as stored (-1 without a record); sets it to
  // `count` behind the rules' back unless that is negative.
  int op1Unit(int count) {
    EXPECT_EQ(QDB_InitDataBase(data().c_str()), 1);
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle f = QDB_OpenFile(s, kRscUseFile);
    RscUseRecord r =
        RscUseRecord::withKey(RscUseRecord::kOperatory, "OP1", QRX_DateIn(2026, 4, 19));
    const RscUseKeyBytes key = rscUseKeyOf(r);
    int was = -1;
    if (QDB_FindRec(f, kRscUseByKey, key.data(), key.size(), r.data(), r.size()) != 0) {
      was = r.occupancy(2, 108);
      if (count >= 0) {
        r.setOccupancy(2, 108, static_cast<std::uint8_t>(count));
        EXPECT_NE(QDB_WriteRec(f, r.data(), r.size()), 0);
      }
    }
    QDB_EndSession(s);
    QDB_CloseDataBase();
    return was;
  }
};

TEST_F(BookingCommand, BookedAppointmentHoldsWhatWasGivenAndTheWeekRecordsAgree) {
  const std::string desc60(60, 'd');
  Outcome o =
      book("9:30", "DDS2", "OP3", "no",
           {"--length", "60", "--amount", "4294967295", "--kind", "asap", "--desc", desc60});
  ASSERT_EQ(o.code, 0) << o.out << o.err;
  EXPECT_EQ(lines(o.out).size(), 1u) << "a free slot asks nothing: " << o.out;
  const AppointmentRecord a = stored(bookedId(o));
  EXPECT_EQ(std::tuple(a.date(), a.startHour() * 60 + a.startMinute(),
                       a.operatoryCode() + a.providerCode(), a.patientId(), a.amount(),
                       a.amountSetByHand(), a.scheduleKind(), a.description()),
            std::tuple(QRX_DateIn(2026, 4, 21), 9 * 60 + 30, std::string("OP3 DDS2"), 1u,
                       4294967295u, true, AppointmentRecord::kAsap, desc60));
  EXPECT_FALSE(a.name().empty());
  // 60 minutes of 10-minute slots: provider time in slots 0-5 and no further.
  EXPECT_EQ(a.patternSlot(5), AppointmentRecord::kProviderTime);
  EXPECT_EQ(a.patternSlot(6), 0);

  // HEX12 is the pattern bytes in order: 0x2A holds slots 0-3 as 0, 2, 2, 2.
  o = book("14:00", "DDS2", "OP3", "no", {"--pattern", "2A0000000000"});
  ASSERT_EQ(o.code, 0) << o.out << o.err;
  const AppointmentRecord p = stored(bookedId(o));
  EXPECT_EQ(p.patternSlot(0), 0);
  EXPECT_EQ(p.patternSlot(1), AppointmentRecord::kProviderTime);
  EXPECT_EQ(p.patternSlot(4), 0);
  expectCheckClean();
}

TEST_F(BookingCommand, EveryQuestionIsPrintedAndANoOrAStopWritesNothing) {
  ASSERT_EQ(book("09:00", "DDS1", "OP1", "no").code, 0);
  const int before = appointments();
  Outcome o = book("09:00", "DDS1", "OP2", "no");
  EXPECT_EQ(o.code, 1) << o.err;
  EXPECT_EQ(lines(o.out), Words{std::string(kDoubleBook) + "No"}) << o.out;
  EXPECT_EQ(appointments(), before);

  o = book("09:00", "DDS1", "OP2", "yes");
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(lines(o.out).front(), std::string(kDoubleBook) + "Yes");
  o = book("09:00", "DDS1", "OP3", "yes");
  EXPECT_EQ(o.code, 1) << o.err;
  EXPECT_EQ(lines(o.out), Words{"message: Provider is already doubled scheduled for requested "
                                "time. Another scheduling is not permitted."});
  EXPECT_EQ(appointments(), before + 1);

  // A past Sunday, over four hours: the date, the length, the closed practice and the
  // provider's hours are each asked, in that order.
  o = book("08:00", "DDS2", "OP4", "yes", {"--length", "245"}, "2026-03-08");
  ASSERT_EQ(o.code, 0) << o.out << o.err;
  EXPECT_EQ(lines(o.out),
            (Words{"question: " + QRX_MessageText(6042) + " -> Yes",
                   "question: Very long appointment length! Continue? -> Yes",
                   "question: The Practice is not open at requested time! Schedule appointment? "
                   "-> Yes",
                   "question: Provider unavailable at requested time! Schedule appointment? -> Yes",
                   "booked appointment " + std::to_string(bookedId(o))}));
  expectCheckClean();
}

TEST_F(BookingCommand, MoveAndUnscheduleFreeTheOldUnits) {
  const std::uint32_t id = bookedId(book("10:00", "DDS1", "OP1", "no"));
  ASSERT_NE(id, 0u);
  const std::string appt = std::to_string(id);
  Outcome o = run({"move", "--appt", appt, "--date", "2026-04-22", "--answer", "no"});
  ASSERT_EQ(o.code, 0) << o.out << o.err;
  EXPECT_EQ(stored(id).date(), QRX_DateIn(2026, 4, 22));
  EXPECT_EQ(stored(id).lastChange(), QRX_DateIn(2026, 3, 11));
  // The old slot asks nothing any more; the new one is taken.
  EXPECT_EQ(lines(book("10:00", "DDS1", "OP1", "no").out).size(), 1u);
  EXPECT_EQ(book("10:00", "DDS1", "OP1", "no", {}, "2026-04-22").code, 1);

  ASSERT_EQ(run({"unschedule", "--appt", appt}).code, 0);
  const AppointmentRecord a = stored(id);
  EXPECT_EQ(a.date(), kNoDate);
  EXPECT_EQ(a.unscheduledMarker(), 1);
  EXPECT_EQ(a.status(), AppointmentRecord::kStatusWillCall);
  EXPECT_EQ(a.listDate(), QRX_DateIn(2026, 3, 11));
  EXPECT_EQ(book("10:00", "DDS1", "OP1", "no", {}, "2026-04-22").code, 0);
  EXPECT_EQ(run({"unschedule", "--appt", appt}).code, 1) << "already unscheduled";

  // Back into the schedule takes a whole placement and leaves "will call".
  EXPECT_EQ(run({"move", "--appt", appt, "--time", "11:00", "--answer", "no"}).code, 1);
  o = run({"move", "--appt", appt, "--date", "2026-04-23", "--time", "11:00", "--op", "OP2",
           "--answer", "no"});
  ASSERT_EQ(o.code, 0) << o.out << o.err;
  EXPECT_EQ(stored(id).status(), 0);
  expectCheckClean();
}

TEST_F(BookingCommand, MissingProviderOperatoryPatientOrAppointmentWritesNothing) {
  const std::uint32_t id = bookedId(book("14:00", "DDS1", "OP1", "no"));
  ASSERT_NE(id, 0u);
  const AppointmentRecord before = stored(id);
  const int count = appointments();
  const std::string appt = std::to_string(id);
  Words noPatient = booking("15:00", "DDS1", "OP1", "yes");
  noPatient[2] = "999999";
  for (const Words& args :
       std::vector<Words>{booking("15:00", "ZZZ", "OP1", "yes"),
                          booking("15:00", "DDS1", "OP9", "yes"),
                          noPatient,
                          {"move", "--appt", appt, "--op", "OP9", "--answer", "yes"},
                          {"move", "--appt", appt, "--prov", "ZZZ", "--answer", "yes"},
                          {"move", "--appt", "999999", "--time", "15:00", "--answer", "yes"},
                          {"unschedule", "--appt", "999999"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 1) << joined(args) << "\n" << o.out << o.err;
    EXPECT_NE(o.err.find("there is no"), std::string::npos) << joined(args) << "\n" << o.err;
  }
  EXPECT_EQ(appointments(), count);
  EXPECT_TRUE(stored(id).sameBytes(before));
}

TEST_F(BookingCommand, BadWordsExitTwoWithTheUsageAndWriteNothing) {
  const int before = appointments();
  // A good booking with the value after an option replaced, or ("+") with the words added;
  // 23:55 runs past midnight, the last date is given twice.
  // clang-format off
  std::vector<std::string> cases = {
      "--date 2026-02-30", "--date 21/04/2026", "--time 24:00", "--time 09:07", "--time 9:5",
      "--time 23:55", "--length 0", "--length 7", "--length 1445", "--patient 0", "--patient -1",
      "--prov DDS12", "--op ", "--answer maybe", "+--pattern AAAAAAAAAAA",
      "+--pattern AAAAAAAAAAAG", "+--amount 4294967296", "+--amount -5", "+--kind later",
      "+--desc two\nlines", "+--nonsense 1", "+--date 2026-04-22"};
  // clang-format on
  cases.push_back("+--desc " + std::string(61, 'd'));
  for (const std::string& c : cases) {
    const bool added = c[0] == '+';
    const std::size_t blank = c.find(' ');
    const std::string option = c.substr(added, blank - added), value = c.substr(blank + 1);
    Words args = booking("09:00", "DDS1", "OP1", "yes");
    if (added) args.insert(args.end(), {option, value});
    for (std::size_t i = 1; !added && i < args.size(); ++i) {
      if (args[i - 1] == option) args[i] = value;
    }
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 2) << joined(args) << "\n" << o.err;
    EXPECT_NE(o.err.find("Usage:"), std::string::npos) << joined(args);
  }
  for (const Words& args : std::vector<Words>{{"book", "--patient", "1", "--answer", "yes"},
                                              {"move", "--appt", "1", "--answer", "yes"},
                                              {"move", "--appt", "1", "--date", "2026-04-21"},
                                              {"unschedule"},
                                              {"unschedule", "--appt", "1", "--op", "OP1"}}) {
    EXPECT_EQ(run(args).code, 2) << joined(args);
  }
  EXPECT_EQ(appointments(), before);
}

TEST_F(BookingCommand, CheckNamesAUnitChangedBehindTheRulesAndRebuildPutsItBack) {
  const Outcome fresh = run({"check"});
  EXPECT_EQ(fresh.code, 0) << fresh.out << fresh.err;
  EXPECT_EQ(lines(fresh.out).size(), 1u) << "the demo places through the rules: " << fresh.out;
  ASSERT_EQ(book("09:00", "DDS1", "OP1", "no").code, 0);
  ASSERT_EQ(op1Unit(0), 1);
  const Outcome found = run({"check"});
  EXPECT_EQ(found.code, 1) << found.out << found.err;
  const Words said = lines(found.out);
  ASSERT_EQ(said.size(), 2u) << "one difference and the summary: " << joined(said);
  EXPECT_TRUE(said[0].starts_with("operatory OP1 ")) << said[0];
  EXPECT_NE(said[0].find("day 2 unit 108: stored 0, appointments give 1"), std::string::npos)
      << said[0];

  for (const Words& args : std::vector<Words>{{"check", "--fix"},
                                              {"rebuild", "now"},
                                              {"rebuild", "--force"},
                                              {"check", "2026-03-11"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 2) << joined(args);
    EXPECT_EQ(o.out, "") << joined(args);
    for (const char* part : {"takes no options", "  check ", "  rebuild "}) {
      EXPECT_NE(o.err.find(part), std::string::npos) << joined(args) << o.err;
    }
  }
  EXPECT_EQ(op1Unit(-1), 0) << "a refused rebuild wrote the week record";

  const Outcome rebuilt = run({"rebuild"});
  EXPECT_EQ(rebuilt.code, 0) << rebuilt.out << rebuilt.err;
  EXPECT_EQ(lines(rebuilt.out).size(), 1u) << rebuilt.out;
  EXPECT_NE(rebuilt.out.find("1 records rewritten"), std::string::npos) << rebuilt.out;
  EXPECT_EQ(op1Unit(-1), 1);
  expectCheckClean();
}

}  // namespace
