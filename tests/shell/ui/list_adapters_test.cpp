// The adapters between the day list window and the list code: rows of a load go in sorted by
// start time, and the changes of other workstations remove, add and replace rows of a real list
// window, keeping the user's selection on a replaced row.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "controls/ui/list_box.h"
#include "lists/definitions.h"
#include "lists/list_state.h"
#include "lists/patient_lookup.h"
#include "lists/row_composers.h"
#include "shell/ui/day_list_target.h"
#include "tests/shell/ui/support/practice.h"

namespace {

ListEntry entry(std::uint32_t id, std::uint32_t start, const std::string& name) {
  ListEntry e;
  e.text = std::to_string(start) + " " + name;
  e.first = id;
  e.second = id * 10;
  e.third = start;
  return e;
}

class ListAdapters : public ::testing::Test {
 protected:
  ListAdapters()
      : list_(QStringLiteral("2"), {{6, kListAlignLeft}, {20, kListAlignLeft}}, "Time  Name",
              kListSortModeLow | kListSortModeHigh) {}

  // What the database holds now: the row of each appointment that exists.
  std::map<std::uint32_t, ListEntry> stored_;

  ListBoxChangeTarget target() {
    return ListBoxChangeTarget(list_, [this](std::uint32_t id) -> std::optional<ListEntry> {
      const auto found = stored_.find(id);
      if (found == stored_.end()) return std::nullopt;
      return found->second;
    });
  }
  void load(const std::vector<ListEntry>& rows) {
    ListBoxRowSink sink(list_);
    sink.beginUpdate();
    sink.clearRows();
    for (const ListEntry& r : rows) {
      stored_[r.first] = r;
      sink.addRow(r);
    }
    sink.loadFinished();
    sink.endUpdate();
  }
  std::vector<std::uint32_t> ids() const {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < list_.count(); ++i) out.push_back(list_.model().row(i)->first);
    return out;
  }
  std::vector<std::uint32_t> selectedIds() const {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < list_.count(); ++i) {
      if (list_.isSelected(i)) out.push_back(list_.model().row(i)->first);
    }
    return out;
  }

  ListBox list_;
};

TEST_F(ListAdapters, LoadSortsByStartTimeKeepsArrivalOrderOfEqualTimesAndSelectsNothing) {
  load({entry(1, 900, "a"), entry(2, 800, "b"), entry(3, 900, "c"), entry(4, 830, "d")});
  EXPECT_EQ(ids(), (std::vector<std::uint32_t>{2, 4, 1, 3}));
  EXPECT_EQ(list_.currentRow(), 0);
  EXPECT_TRUE(selectedIds().empty());

  load({entry(9, 700, "z")});
  EXPECT_EQ(ids(), (std::vector<std::uint32_t>{9})) << "a load replaces every row";
}

TEST_F(ListAdapters, ChangesRemoveAddAndReplaceRowsKeepingTheSelection) {
  load({entry(1, 800, "a"), entry(2, 900, "b"), entry(3, 1000, "c"), entry(4, 1100, "d")});
  list_.selectRow(2, SelectAction::kSelect, false);  // appointment 3
  ASSERT_EQ(selectedIds(), (std::vector<std::uint32_t>{3}));

  // Appointment 2 was deleted, 7 was made at 8:30, 3 was moved to 12:00, 4 got a new name.
  stored_.erase(2);
  stored_[7] = entry(7, 830, "new");
  stored_[3] = entry(3, 1200, "c moved");
  stored_[4] = entry(4, 1100, "d renamed");
  ListBoxChangeTarget t = target();
  const std::vector<PendingChange> changes = {{2, StationRecord::kRemoved},
                                              {7, StationRecord::kAdded},
                                              {3, StationRecord::kChanged},
                                              {4, StationRecord::kChanged}};
  const ApplyOutcome outcome = applyChanges(changes, t);
  EXPECT_EQ(outcome.used, 4);
  EXPECT_EQ(ids(), (std::vector<std::uint32_t>{1, 7, 4, 3}));
  EXPECT_EQ(selectedIds(), (std::vector<std::uint32_t>{3})) << "the moved row stays selected";
  EXPECT_EQ(list_.model().row(3)->text, "1200 c moved");
  EXPECT_EQ(list_.model().row(2)->text, "1100 d renamed");
  EXPECT_EQ(list_.model().row(1)->second, 70u);
}

TEST_F(ListAdapters, ChangedAppointmentThatNoLongerBelongsLeavesTheList) {
  load({entry(1, 800, "a"), entry(2, 900, "b")});
  list_.selectRow(1, SelectAction::kSelect, false);
  stored_.erase(2);  // moved to another day: its row cannot be made for this list
  ListBoxChangeTarget t = target();
  const std::vector<PendingChange> changes = {{2, StationRecord::kChanged}};
  applyChanges(changes, t);
  EXPECT_EQ(ids(), (std::vector<std::uint32_t>{1}));
  EXPECT_TRUE(selectedIds().empty());
}

TEST_F(ListAdapters, TargetReportsRowsAsTheListHoldsThem) {
  load({entry(5, 800, "a"), entry(6, 900, "b")});
  list_.selectRow(1, SelectAction::kSelect, false);
  ListBoxChangeTarget t = target();
  EXPECT_EQ(t.rowCount(), 2);
  EXPECT_EQ(t.rowId(0), 5u);
  EXPECT_EQ(t.rowId(1), 6u);
  EXPECT_EQ(t.rowId(7), 0u) << "a row that is not there names no appointment";
  EXPECT_FALSE(t.rowSelected(0));
  EXPECT_TRUE(t.rowSelected(1));
}

// ---------------------------------------------------------------------------------------------
// The row of a changed appointment, read from the database.

class DayListRow : public shellui::PracticeTest {};

TEST_F(DayListRow, IsTheLoadsRowOnlyForAnAppointmentOfTheListsDateAndView) {
  const PackedDate day = QRX_DateIn(2026, 5, 4);
  StatusTable statuses;
  statuses.define(1, "Here", '1');
  const std::uint32_t here = addAppointment({day, "OP1", "DR1", 14, 15, "Here, Now", 0, 1});
  const std::uint32_t otherDay = addAppointment({day + 1, "OP1", "DR1", 9, 0, "Tomorrow"});
  const std::uint32_t otherPlace = addAppointment({day, "OP2", "DR2", 9, 0, "Elsewhere"});

  ListState all;
  all.date = day;
  const auto row = dayListRowOf(db_, all, statuses, here);
  ASSERT_TRUE(row.has_value());
  AccessLayerPatientLookup patients(db_);
  EXPECT_EQ(*row, composeDayRow(*appointment(here), statuses, patients));
  EXPECT_EQ(row->colourSlot, 2);
  EXPECT_FALSE(dayListRowOf(db_, all, statuses, otherDay).has_value());
  EXPECT_FALSE(dayListRowOf(db_, all, statuses, 999999).has_value());

  ListState op1 = all;
  op1.mode = kViewModeOperatory;
  op1.operatoryCode = "OP1";
  EXPECT_TRUE(dayListRowOf(db_, op1, statuses, here).has_value());
  EXPECT_FALSE(dayListRowOf(db_, op1, statuses, otherPlace).has_value());
  ListState dr2 = all;
  dr2.mode = kViewModeProvider;
  dr2.providerCode = "DR2";
  EXPECT_TRUE(dayListRowOf(db_, dr2, statuses, otherPlace).has_value());
  EXPECT_FALSE(dayListRowOf(db_, dr2, statuses, here).has_value());
}

}  // namespace
