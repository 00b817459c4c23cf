#include "lists/list_loaders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/definitions.h"
#include "lists/patient_lookup.h"
#include "lists/row_sink.h"
#include "tests/lists/database_fixture.h"
#include "tests/lists/fake_patients.h"

namespace {

using Ids = std::vector<std::uint32_t>;
using R = AppointmentRecord;
using enum ListKind;

const PackedDate kDate = QRX_DateIn(2026, 12, 7);

ListState view(PackedDate date, int mode = kViewModeAll, const std::string& code = "") {
  ListState s;
  s.date = date;
  s.mode = mode;
  (mode == kViewModeOperatory ? s.operatoryCode : s.providerCode) = code;
  return s;
}

class ListLoaders : public ListDatabase {
 protected:
  int loadDay(const ListState& state, AccessLayer* layer = nullptr) {
    return loadDayList(layer ? *layer : db_, prompter_, state, statuses_, patients_, sink_);
  }
  Ids ids() const {
    Ids out;
    for (const ListEntry& r : sink_.rows()) out.push_back(r.first);
    return out;
  }
  // A row that a failed load must keep, or a successful one replace.
  void seedOldRow() { sink_.addRow(ListEntry{.text = "old", .first = 999999}); }

  StatusTable statuses_;
  FakePatients patients_;
  VectorRowSink sink_;
};

TEST_F(ListLoaders, ViewModesPickTheirRowsInStartTimeOrder) {
  const auto a = addScheduled(kDate, "OP1", "DDS", 10, 0, "A");
  const auto b = addScheduled(kDate, "OP2", "HYG", 9, 0, "B");
  const auto c = addScheduled(kDate, "OP1", "HYG", 8, 0, "C");
  addScheduled(kDate + 1, "OP1", "DDS", 9, 0, "next day");
  addScheduled(kDate - 1, "OP1", "DDS", 9, 0, "day before");
  addUnscheduled(kDate, "DDS", "undated");
  const std::pair<ListState, Ids> cases[] = {
      {view(kDate), {c, b, a}},
      {view(kDate, kViewModeOperatory, "OP1 "), {c, a}},
      {view(kDate, kViewModeOperatory, "OP3"), {}},
      {view(kDate, kViewModeProvider, "HYG"), {c, b}},
      {view(kDate, kViewModeProvider, "DDS"), {a}},
      // The provider code never matches as an operatory, nor the other way round.
      {view(kDate, kViewModeOperatory, "DDS"), {}},
      {view(kDate, kViewModeProvider, "OP1"), {}},
      {view(kDate + 2), {}},  // a date without appointments empties the list silently
  };
  for (const auto& [state, expected] : cases) {
    EXPECT_EQ(loadDay(state), 0);
    EXPECT_EQ(ids(), expected) << formatApptView(state);
  }
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_FALSE(db_.isOpen(kAppointmentFile));
}

TEST_F(ListLoaders, EqualStartTimesKeepTheDatabaseOrder) {
  // The key orders a day's appointments by operatory: OP1 before OP2, whatever was added first.
  const auto later = addScheduled(kDate, "OP2", "DDS", 9, 0, "added first");
  const auto earlier = addScheduled(kDate, "OP1", "DDS", 9, 0, "added second");
  const auto first = addScheduled(kDate, "OP1", "DDS", 8, 0, "eight");
  const auto same = addScheduled(kDate, "OP1", "DDS", 9, 0, "added fourth");
  ASSERT_EQ(loadDay(view(kDate)), 0);
  EXPECT_EQ(ids(), (Ids{first, earlier, same, later}));
}

TEST_F(ListLoaders, FileLockedByAnotherSessionLeavesTheListAndSaysNothing) {
  addScheduled(kDate, "OP1", "DDS", 9, 0, "A");
  const QdbSession other = QDB_StartSession(1);
  ASSERT_NE(QDB_OpenFileExclusive(other, kAppointmentFile), 0u);
  seedOldRow();
  EXPECT_EQ(loadDay(view(kDate)), kQdbLocked);
  EXPECT_EQ(ids(), (Ids{999999}));
  EXPECT_EQ(sink_.updates(), 0);
  EXPECT_TRUE(prompter_.asked().empty());
  QDB_EndSession(other);
}

TEST_F(ListLoaders, SetThatCannotStartKeepsTheRowsAndTellsTheUser) {
  addScheduled(kDate, "OP1", "DDS", 9, 0, "A");
  // The layer holds the file open in a session that then goes away under it.
  AccessLayer layer;
  const QdbSession session = QDB_StartSession(1);
  layer.adoptSession(session);
  ASSERT_EQ(layer.open(*descriptorOf(kAppointmentFile)), 0);
  QDB_EndSession(session);
  seedOldRow();
  const int error = loadDay(view(kDate), &layer);
  EXPECT_NE(error, 0);
  EXPECT_NE(error, kQdbNotFound);
  EXPECT_EQ(ids(), (Ids{999999}));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3018);
  EXPECT_NE(prompter_.asked()[0].prompt.text.find(std::to_string(error)), std::string::npos);
}

TEST_F(ListLoaders, ReadFailureMidWalkKeepsTheRowsReadSoFar) {
  for (int i = 0; i < 4; ++i) {
    AppointmentRecord a;
    a.schedule(kDate, "OP1", static_cast<std::uint8_t>(8 + i), 0);
    a.setPatientId(static_cast<std::uint32_t>(100 + i));  // patient 0 would not be looked up
    add(kAppointmentFile, a);
  }
  AccessLayer layer;
  const QdbSession session = QDB_StartSession(1);
  layer.adoptSession(session);
  patients_.onRead = [&](int n) {
    if (n == 2) QDB_EndSession(session);
  };
  EXPECT_NE(loadDay(view(kDate), &layer), 0);
  EXPECT_EQ(sink_.rowCount(), 2) << "the rows composed before the failure stay";
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3018);
  EXPECT_EQ(sink_.loadsFinished(), 1);
}

TEST_F(ListLoaders, UnscheduledListStopsAtThreeThousandWithOneNotice) {
  ShortSession writer(kAppointmentFile);
  AppointmentRecord a;
  a.unschedule();
  a.setProvider("DDS");
  auto addMany = [&](int count) {
    for (int i = 0; i < count; ++i) {
      a.setListDate(kDate - static_cast<PackedDate>(i % 400));
      ASSERT_EQ(QDB_AddRec(writer.handle(), a.data(), a.size()), 1);
    }
  };
  auto load = [&] {
    return loadUnscheduledList(db_, prompter_, view(kDate), statuses_, patients_, sink_);
  };
  addMany(kUnscheduledRowLimit);
  ASSERT_EQ(load(), 0);
  EXPECT_EQ(sink_.rowCount(), kUnscheduledRowLimit);
  EXPECT_TRUE(prompter_.asked().empty()) << "exactly the limit: nothing was cut";

  addMany(2);
  ASSERT_EQ(load(), 0);
  EXPECT_EQ(sink_.rowCount(), kUnscheduledRowLimit);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& notice = prompter_.asked()[0].prompt;
  EXPECT_EQ(notice.caption, "Appointments");
  EXPECT_EQ(notice.text, "Maximum number of entries for list has been reached.\nTruncating List.");
  EXPECT_EQ(notice.icon, PromptIcon::kInformation);
  // The rows kept are the first in list-date order.
  for (int i = 1; i < sink_.rowCount(); ++i) {
    ASSERT_LE(sink_.rows()[i - 1].third, sink_.rows()[i].third);
  }
}

TEST_F(ListLoaders, AsapAndUnscheduledListsTakeTheirRowsInDateOrder) {
  const auto last = addScheduled(kDate + 3, "OP1", "DDS", 8, 0, "last day", R::kAsap);
  const auto first = addScheduled(kDate, "OP2", "HYG", 16, 0, "first day", R::kAsap);
  const auto open = addScheduled(kDate + 1, "OP1", "DDS", 9, 0, "open", R::kOpen);
  addScheduled(kDate + 1, "OP1", "DDS", 9, 0, "fixed", R::kFixed);
  addScheduled(kDate + 4, "OP1", "DDS", 9, 0, "after the span", R::kAsap);
  addScheduled(kDate - 1, "OP1", "DDS", 9, 0, "before", R::kAsap);
  const auto late = addUnscheduled(kDate, "DDS", "late");
  const auto early = addUnscheduled(kDate - 10, "HYG", "early");
  auto asap = [&](const ListState& state, int span, int kind) {
    EXPECT_EQ(loadAsapList(db_, prompter_, state, span, kind, statuses_, patients_, sink_), 0);
    return ids();
  };
  EXPECT_EQ(asap(view(kDate), 3, R::kAsap), (Ids{first, last}));
  EXPECT_EQ(asap(view(kDate), 3, R::kOpen), (Ids{open}));
  EXPECT_EQ(asap(view(kDate, kViewModeProvider, "DDS"), 3, R::kAsap), (Ids{last}));
  EXPECT_EQ(asap(view(kDate), -5, R::kAsap), (Ids{first}));
  auto unscheduled = [&](const ListState& state) {
    EXPECT_EQ(loadUnscheduledList(db_, prompter_, state, statuses_, patients_, sink_), 0);
    return ids();
  };
  EXPECT_EQ(unscheduled(view(kDate)), (Ids{early, late}));
  EXPECT_EQ(unscheduled(view(kDate, kViewModeProvider, "DDS")), (Ids{late}));
  EXPECT_EQ(unscheduled(view(kDate, kViewModeOperatory, "OP1")), (Ids{early, late}));
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST(BelongsToList, WindowsTakeOnlyTheAppointmentsTheyShow) {
  const PackedDate day = QRX_DateIn(2026, 12, 7);
  AppointmentRecord asap;
  asap.schedule(day + 2, "OP1", 9, 0);
  asap.setProvider("DDS");
  asap.setScheduleKind(R::kAsap);
  AppointmentRecord undated = asap;
  undated.unschedule();
  EXPECT_TRUE(belongsToList(kDay, asap, view(day)));
  EXPECT_TRUE(belongsToList(kAsap, asap, view(day), 2, R::kAsap));
  EXPECT_FALSE(belongsToList(kAsap, asap, view(day), 1, R::kAsap));
  EXPECT_FALSE(belongsToList(kAsap, asap, view(day + 3), 5, R::kAsap));
  EXPECT_FALSE(belongsToList(kAsap, asap, view(day), 2, R::kOpen));
  EXPECT_FALSE(belongsToList(kAsap, asap, view(day, kViewModeOperatory, "OP2"), 2, R::kAsap));
  EXPECT_TRUE(belongsToList(kAsap, asap, view(day, kViewModeProvider, "DDS "), 2, R::kAsap));
  EXPECT_FALSE(belongsToList(kAsap, undated, view(kNoDate), 5, R::kAsap));
  EXPECT_FALSE(belongsToList(kUnscheduled, asap, view(day)));
  EXPECT_TRUE(belongsToList(kUnscheduled, undated, view(day, kViewModeProvider, "DDS")));
  EXPECT_FALSE(belongsToList(kUnscheduled, undated, view(day, kViewModeProvider, "HYG")));
}

}  // namespace
