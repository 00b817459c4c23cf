// The adapters between the day list window and the list code, on a real list window.

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

TEST(ListAdapters, ChangesRemoveAddAndReplaceRowsKeepingTheSelection) {
  ListBox list(QStringLiteral("2"), {{6, kListAlignLeft}, {20, kListAlignLeft}}, "Time  Name",
               kListSortModeLow | kListSortModeHigh | kListMultipleSelection);
  std::map<std::uint32_t, ListEntry> stored;  // the row of each appointment the database holds
  {
    ListBoxRowSink sink(list);
    sink.beginUpdate();
    for (std::uint32_t id = 1; id <= 5; ++id) {
      stored[id] = entry(id, 700 + 100 * id, std::string(1, static_cast<char>('a' + id)));
      sink.addRow(stored[id]);
    }
    sink.loadFinished();
    sink.endUpdate();
  }
  // The appointments of the rows in the order shown, or of the selected rows only.
  const auto ids = [&list](bool selectedOnly) {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < list.count(); ++i) {
      if (!selectedOnly || list.isSelected(i)) out.push_back(list.model().row(i)->first);
    }
    return out;
  };
  list.selectRow(2, SelectAction::kSelect, false);  // appointment 3
  list.selectRow(4, SelectAction::kSelect, true);   // appointment 5
  ASSERT_EQ(ids(true), (std::vector<std::uint32_t>{3, 5}));

  // Appointment 2 was deleted, 7 was made at 8:30, 3 was moved to 12:00, 4 got a new name, 5
  // moved to another day (its row cannot be made for this list).
  stored.erase(2);
  stored[7] = entry(7, 830, "new");
  stored[3] = entry(3, 1200, "c moved");
  stored[4] = entry(4, 1100, "d renamed");
  stored.erase(5);
  ListBoxChangeTarget t(list, [&stored](std::uint32_t id) -> std::optional<ListEntry> {
    const auto found = stored.find(id);
    return found == stored.end() ? std::nullopt : std::optional<ListEntry>(found->second);
  });
  EXPECT_EQ(t.rowId(7), 0u) << "a row that is not there names no appointment";
  const std::vector<PendingChange> changes = {{2, StationRecord::kRemoved},
                                              {7, StationRecord::kAdded},
                                              {3, StationRecord::kChanged},
                                              {4, StationRecord::kChanged},
                                              {5, StationRecord::kChanged}};
  EXPECT_EQ(applyChanges(changes, t).used, 5);
  EXPECT_EQ(ids(false), (std::vector<std::uint32_t>{1, 7, 4, 3}));
  EXPECT_EQ(ids(true), (std::vector<std::uint32_t>{3})) << "the moved row stays selected";
  EXPECT_EQ(list.model().row(3)->text, "1200 c moved");
  EXPECT_EQ(list.model().row(2)->text, "1100 d renamed");
  EXPECT_EQ(list.model().row(1)->second, 70u);
}

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

  ListState dr2 = all;
  dr2.mode = kViewModeProvider;
  dr2.providerCode = "DR2";
  EXPECT_TRUE(dayListRowOf(db_, dr2, statuses, otherPlace).has_value());
  EXPECT_FALSE(dayListRowOf(db_, dr2, statuses, here).has_value());
}

}  // namespace
