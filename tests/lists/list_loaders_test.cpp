#include "lists/list_loaders.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "lists/definitions.h"
#include "lists/patient_lookup.h"
#include "lists/row_sink.h"
#include "tests/lists/database_fixture.h"
#include "tests/lists/fake_patients.h"

namespace {

const PackedDate kDay = QRX_DateIn(2026, 12, 7);

std::vector<std::uint32_t> ids(const VectorRowSink& sink) {
  std::vector<std::uint32_t> out;
  for (const ListEntry& r : sink.rows()) out.push_back(r.first);
  return out;
}

ListState view(PackedDate date, int mode = kViewModeAll, const std::string& code = "") {
  ListState s;
  s.date = date;
  s.mode = mode;
  if (mode == kViewModeOperatory) s.operatoryCode = code;
  if (mode == kViewModeProvider) s.providerCode = code;
  return s;
}

// A lookup that runs something when it is asked for its n-th patient: the way a test breaks
// the database in the middle of a walk.
class ActingLookup final : public PatientLookup {
 public:
  ActingLookup(int when, std::function<void()> act) : when_(when), act_(std::move(act)) {}
  bool readPatient(std::uint32_t, PatientRecord*) override {
    if (++calls_ == when_) act_();
    return false;
  }

 private:
  int when_;
  int calls_ = 0;
  std::function<void()> act_;
};

class ListLoaders : public ListDatabase {
 protected:
  int loadDay(const ListState& state) {
    return loadDayList(db_, prompter_, state, statuses_, patients_, sink_);
  }
  // A row that a load must either keep or replace.
  void seedOldRow() {
    ListEntry old;
    old.text = "old";
    old.first = 999999;
    sink_.addRow(old);
  }

  StatusTable statuses_;
  FakePatients patients_;
  VectorRowSink sink_;
};

TEST_F(ListLoaders, ViewModesPickTheirRowsInStartTimeOrder) {
  const auto a = addScheduled(kDay, "OP1", "DDS", 10, 0, "A");
  const auto b = addScheduled(kDay, "OP2", "HYG", 9, 0, "B");
  const auto c = addScheduled(kDay, "OP1", "HYG", 8, 0, "C");
  addScheduled(kDay + 1, "OP1", "DDS", 9, 0, "next day");
  addScheduled(kDay - 1, "OP1", "DDS", 9, 0, "day before");
  addUnscheduled(kDay, "DDS", "undated");

  struct Case {
    ListState state;
    std::vector<std::uint32_t> expected;
  };
  const Case cases[] = {
      {view(kDay), {c, b, a}},
      {view(kDay, kViewModeOperatory, "OP1"), {c, a}},
      {view(kDay, kViewModeOperatory, "OP1 "), {c, a}},
      {view(kDay, kViewModeOperatory, "OP3"), {}},
      {view(kDay, kViewModeProvider, "HYG"), {c, b}},
      {view(kDay, kViewModeProvider, "DDS"), {a}},
      // The provider code never matches as an operatory, nor the other way round.
      {view(kDay, kViewModeOperatory, "DDS"), {}},
      {view(kDay, kViewModeProvider, "OP1"), {}},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(loadDay(k.state), 0);
    EXPECT_EQ(ids(sink_), k.expected) << formatApptView(k.state);
  }
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_FALSE(db_.isOpen(kAppointmentFile));
}

TEST_F(ListLoaders, EqualStartTimesKeepTheDatabaseOrder) {
  // The key orders a day's appointments by operatory: OP1 before OP2, whatever was added first.
  const auto later = addScheduled(kDay, "OP2", "DDS", 9, 0, "added first");
  const auto earlier = addScheduled(kDay, "OP1", "DDS", 9, 0, "added second");
  const auto first = addScheduled(kDay, "OP1", "DDS", 8, 0, "eight");
  const auto same = addScheduled(kDay, "OP1", "DDS", 9, 0, "added fourth");
  ASSERT_EQ(loadDay(view(kDay)), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{first, earlier, same, later}));
  EXPECT_EQ(sink_.rows()[1].third, 9u * 256);
}

TEST_F(ListLoaders, DateWithoutAppointmentsEmptiesTheListSilently) {
  addScheduled(kDay + 1, "OP1", "DDS", 9, 0, "elsewhere");
  seedOldRow();
  EXPECT_EQ(loadDay(view(kDay)), 0);
  EXPECT_EQ(sink_.rowCount(), 0);
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(sink_.updates(), 1);
  EXPECT_EQ(sink_.loadsFinished(), 1);
}

TEST_F(ListLoaders, FileThatCannotBeOpenedLeavesTheListAndSaysNothing) {
  addScheduled(kDay, "OP1", "DDS", 9, 0, "A");
  const QdbSession other = QDB_StartSession(1);
  ASSERT_NE(QDB_OpenFileExclusive(other, kAppointmentFile), 0u);
  seedOldRow();
  EXPECT_EQ(loadDay(view(kDay)), kQdbLocked);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{999999}));
  EXPECT_EQ(sink_.updates(), 0);
  EXPECT_TRUE(prompter_.asked().empty());
  QDB_EndSession(other);
}

TEST_F(ListLoaders, SetThatCannotStartKeepsTheRowsAndTellsTheUser) {
  addScheduled(kDay, "OP1", "DDS", 9, 0, "A");
  // The layer holds the file open in a session that then goes away under it.
  AccessLayer layer;
  const QdbSession session = QDB_StartSession(1);
  layer.adoptSession(session);
  ASSERT_EQ(layer.open(*descriptorOf(kAppointmentFile)), 0);
  QDB_EndSession(session);
  seedOldRow();
  const int error = loadDayList(layer, prompter_, view(kDay), statuses_, patients_, sink_);
  EXPECT_NE(error, 0);
  EXPECT_NE(error, kQdbNotFound);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{999999}));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3018);
  EXPECT_NE(prompter_.asked()[0].prompt.text.find(std::to_string(error)), std::string::npos);
}

TEST_F(ListLoaders, ReadFailureMidWalkKeepsTheRowsReadSoFar) {
  for (int i = 0; i < 4; ++i) {
    AppointmentRecord a;
    a.schedule(kDay, "OP1", static_cast<std::uint8_t>(8 + i), 0);
    a.setPatientId(static_cast<std::uint32_t>(100 + i));
    add(kAppointmentFile, a);
  }
  AccessLayer layer;
  const QdbSession session = QDB_StartSession(1);
  layer.adoptSession(session);
  ActingLookup breaking(2, [&] { QDB_EndSession(session); });
  const int error = loadDayList(layer, prompter_, view(kDay), statuses_, breaking, sink_);
  EXPECT_NE(error, 0);
  EXPECT_EQ(sink_.rowCount(), 2) << "the rows composed before the failure stay";
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3018);
  EXPECT_EQ(sink_.loadsFinished(), 1);
}

TEST_F(ListLoaders, CallerOpenAppointmentFileStaysOpen) {
  const auto a = addScheduled(kDay, "OP1", "DDS", 9, 0, "A");
  ASSERT_EQ(db_.open(*descriptorOf(kAppointmentFile)), 0);
  EXPECT_EQ(loadDay(view(kDay)), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{a}));
  EXPECT_TRUE(db_.isOpen(kAppointmentFile));
}

TEST_F(ListLoaders, RowsReadTheirPatientsByIdentifier) {
  PatientRecord doctor;
  doctor.setLastName("Jones");
  doctor.setTitle("Dr.");
  doctor.setPhonePrivate(true);
  const std::uint32_t patient = add(kPatientFile, doctor);

  AppointmentRecord a;
  a.schedule(kDay, "OP1", 9, 0);
  a.setName("Jones, Pat");
  a.setPatientId(patient);
  a.setPhone("5551234");
  add(kAppointmentFile, a);
  AppointmentRecord b = a;
  b.schedule(kDay, "OP1", 10, 0);
  b.setPatientId(patient + 1000);  // no such patient
  add(kAppointmentFile, b);

  {
    AccessLayerPatientLookup lookup(db_);
    ASSERT_EQ(loadDayList(db_, prompter_, view(kDay), statuses_, lookup, sink_), 0);
    ASSERT_EQ(sink_.rowCount(), 2);
    EXPECT_EQ(sink_.rows()[0].text.substr(13, 14), "Dr. Jones, Pat");
    EXPECT_EQ(sink_.rows()[0].text.substr(69), std::string(13, ' '));
    EXPECT_EQ(sink_.rows()[1].text.substr(13, 10), "Jones, Pat");
    EXPECT_EQ(sink_.rows()[1].text.substr(69), "     555-1234");
    EXPECT_TRUE(db_.isOpen(kPatientFile));
  }
  EXPECT_FALSE(db_.isOpen(kPatientFile)) << "the lookup closes the file it opened";
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(ListLoaders, UnscheduledListFollowsListDatesAcrossProviders) {
  const auto late = addUnscheduled(kDay, "AAA", "late");
  const auto early = addUnscheduled(kDay - 10, "ZZZ", "early");
  const auto mid = addUnscheduled(kDay - 5, "AAA", "mid");
  addScheduled(kDay, "OP1", "AAA", 9, 0, "scheduled");
  ASSERT_EQ(loadUnscheduledList(db_, prompter_, view(kDay), statuses_, patients_, sink_), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{early, mid, late}));
  EXPECT_EQ(sink_.rows()[0].third, kDay - 10);
  // By provider: only that provider's; an operatory view shows all of them.
  ASSERT_EQ(loadUnscheduledList(db_, prompter_, view(kDay, kViewModeProvider, "AAA"), statuses_,
                                patients_, sink_),
            0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{mid, late}));
  ASSERT_EQ(loadUnscheduledList(db_, prompter_, view(kDay, kViewModeOperatory, "AAA"), statuses_,
                                patients_, sink_),
            0);
  EXPECT_EQ(sink_.rowCount(), 3);
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(ListLoaders, UnscheduledListStopsAtThreeThousandWithOneNotice) {
  const QdbHandle f = QDB_OpenFile(writer_, kAppointmentFile);
  AppointmentRecord a;
  a.unschedule();
  a.setProvider("DDS");
  auto addMany = [&](int count) {
    for (int i = 0; i < count; ++i) {
      a.setListDate(kDay - static_cast<PackedDate>(i % 400));
      ASSERT_NE(QDB_AddRec(f, a.data(), a.size()), 0);
    }
  };
  addMany(kUnscheduledRowLimit);
  // Exactly the limit: nothing was cut, so nothing to tell.
  ASSERT_EQ(loadUnscheduledList(db_, prompter_, view(kDay), statuses_, patients_, sink_), 0);
  EXPECT_EQ(sink_.rowCount(), kUnscheduledRowLimit);
  EXPECT_TRUE(prompter_.asked().empty());

  addMany(2);
  ASSERT_EQ(loadUnscheduledList(db_, prompter_, view(kDay), statuses_, patients_, sink_), 0);
  EXPECT_EQ(sink_.rowCount(), kUnscheduledRowLimit);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& notice = prompter_.asked()[0].prompt;
  EXPECT_EQ(notice.caption, "Appointments");
  EXPECT_EQ(notice.text, "Maximum number of entries for list has been reached.\nTruncating List.");
  EXPECT_EQ(notice.icon, PromptIcon::kInformation);
  EXPECT_EQ(notice.buttons, PromptButtons::kOk);
  // The rows kept are the first in list-date order.
  for (int i = 1; i < sink_.rowCount(); ++i) {
    ASSERT_LE(sink_.rows()[i - 1].third, sink_.rows()[i].third);
  }
  QDB_CloseFile(f);
}

TEST_F(ListLoaders, AsapListTakesItsKindOverTheSpanInDateOrder) {
  using R = AppointmentRecord;
  const auto last = addScheduled(kDay + 3, "OP1", "DDS", 8, 0, "last day", R::kAsap);
  const auto first = addScheduled(kDay, "OP2", "HYG", 16, 0, "first day", R::kAsap);
  const auto open = addScheduled(kDay + 1, "OP1", "DDS", 9, 0, "open", R::kOpen);
  addScheduled(kDay + 1, "OP1", "DDS", 9, 0, "fixed", R::kFixed);
  addScheduled(kDay + 4, "OP1", "DDS", 9, 0, "after the span", R::kAsap);
  addScheduled(kDay - 1, "OP1", "DDS", 9, 0, "before", R::kAsap);
  addUnscheduled(kDay, "DDS", "undated");

  auto load = [&](const ListState& state, int span, int kind) {
    return loadAsapList(db_, prompter_, state, span, kind, statuses_, patients_, sink_);
  };
  ASSERT_EQ(load(view(kDay), 3, R::kAsap), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{first, last}));
  EXPECT_EQ(sink_.rows()[0].third, kDay);
  EXPECT_EQ(sink_.rows()[1].third, kDay + 3);
  EXPECT_EQ(sink_.rows()[0].text.size(), kAsapRowWidth);

  ASSERT_EQ(load(view(kDay), 3, R::kOpen), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{open}));
  ASSERT_EQ(load(view(kDay, kViewModeProvider, "DDS"), 3, R::kAsap), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{last}));
  ASSERT_EQ(load(view(kDay), 0, R::kAsap), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{first}));
  ASSERT_EQ(load(view(kDay), -5, R::kAsap), 0);
  EXPECT_EQ(ids(sink_), (std::vector<std::uint32_t>{first}));
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST(BelongsToList, WindowsTakeOnlyTheAppointmentsTheyShow) {
  const PackedDate day = QRX_DateIn(2026, 12, 7);
  AppointmentRecord asap;
  asap.schedule(day + 2, "OP1", 9, 0);
  asap.setProvider("DDS");
  asap.setScheduleKind(AppointmentRecord::kAsap);
  AppointmentRecord undated = asap;
  undated.unschedule();

  EXPECT_TRUE(belongsToList(ListKind::kDay, asap, view(day)));
  EXPECT_TRUE(belongsToList(ListKind::kAsap, asap, view(day), 2, AppointmentRecord::kAsap));
  EXPECT_FALSE(belongsToList(ListKind::kAsap, asap, view(day), 1, AppointmentRecord::kAsap));
  EXPECT_FALSE(belongsToList(ListKind::kAsap, asap, view(day + 3), 5, AppointmentRecord::kAsap));
  EXPECT_FALSE(belongsToList(ListKind::kAsap, asap, view(day), 2, AppointmentRecord::kOpen));
  EXPECT_TRUE(belongsToList(ListKind::kAsap, asap, view(day, kViewModeOperatory, "OP1"), 2,
                            AppointmentRecord::kAsap));
  EXPECT_FALSE(belongsToList(ListKind::kAsap, asap, view(day, kViewModeOperatory, "OP2"), 2,
                             AppointmentRecord::kAsap));
  EXPECT_TRUE(belongsToList(ListKind::kAsap, asap, view(day, kViewModeProvider, "DDS "), 2,
                            AppointmentRecord::kAsap));
  EXPECT_FALSE(belongsToList(ListKind::kAsap, undated, view(kNoDate), 5, AppointmentRecord::kAsap));

  EXPECT_FALSE(belongsToList(ListKind::kUnscheduled, asap, view(day)));
  EXPECT_TRUE(belongsToList(ListKind::kUnscheduled, undated, view(day)));
  EXPECT_TRUE(belongsToList(ListKind::kUnscheduled, undated, view(day, kViewModeProvider, "DDS")));
  EXPECT_FALSE(belongsToList(ListKind::kUnscheduled, undated, view(day, kViewModeProvider, "HYG")));
}

}  // namespace
