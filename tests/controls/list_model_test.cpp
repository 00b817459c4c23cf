// The row model of the appointment lists: sorted insertion, selection and keys, the layout of a
// row into fields and marks, and the clipboard text.

#include "controls/list_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "platform/qrx/scripted_prompter.h"

namespace {

using U32s = std::vector<std::uint32_t>;
using Rows = std::set<int>;
constexpr std::uint32_t kMode1 = kListSortModeLow;
constexpr std::uint32_t kMode2 = kListSortModeHigh;
constexpr std::uint32_t kMode3 = kListSortModeLow | kListSortModeHigh;

// The first values of the rows in list order: tests tag each row with its arrival number.
U32s order(const ListModel& list) {
  U32s firsts;
  for (int i = 0; i < list.count(); ++i) firsts.push_back(list.row(i)->first);
  return firsts;
}

Rows selectedRows(const ListModel& list) {
  Rows rows;
  for (int i = 0; i < list.count(); ++i) {
    if (list.isSelected(i)) rows.insert(i);
  }
  return rows;
}

// A list of `rows` rows whose first values are 0, 1, ...
ListModel listOf(int rows, std::uint32_t flags, int visible = 10) {
  ListModel list({{10, kListAlignLeft}}, "", flags);
  for (int i = 0; i < rows; ++i) list.addRow("row " + std::to_string(i), i, 0, 0, 0, 0);
  list.setVisibleRows(visible);
  return list;
}

TEST(ListSorting, EqualSortValuesGoAfterExistingRowsInValueMode) {
  ListModel list({{10, 0}}, "", kMode3);
  // Value and the index where the row lands; unsigned, so the largest value goes last.
  const std::pair<std::uint32_t, int> rows[] = {{30, 0}, {10, 0}, {20, 1}, {20, 2},
                                                {10, 1}, {30, 5}, {5, 0},  {0xFFFFFFFF, 7}};
  std::uint32_t arrival = 1;
  for (const auto& [value, index] : rows) {
    EXPECT_EQ(list.addRow("x", arrival++, 0, value, 0, 0), index) << value;
  }
  EXPECT_EQ(order(list), (U32s{7, 2, 5, 3, 4, 1, 6, 8}));
}

TEST(ListSorting, EachModeComparesItsOwnKeyFromTheSortColumn) {
  const struct {
    std::uint32_t flags;
    std::vector<std::string> rows;  // tagged 1, 2, ... in arrival order
    U32s order;
  } cases[] = {
      // Mode 0 from column 5: byte 201 after every ASCII letter, nothing there first, equal
      // text after the row already there.
      {5,
       {"0000Carl", "9999Alice", "5555Bob", "1111\xC9mile", "2222Bob", "333"},
       {6, 2, 3, 5, 1, 4}},
      // Mode 1 from column 3: calendar dates, a two-digit year in 2000, no date before all.
      {kMode1 | 3,
       {"A 12/31/2025", "B 01/05/2026", "C 03/01/2025", "D 06/30/26", "E no date", "F 01/05/2026"},
       {5, 3, 1, 2, 6, 4}},
      // Mode 2 from column 1: a 'p' or 'P' in the sixth place is afternoon; 12 is noon hour.
      {kMode2 | 1,
       {" 1:00p Lee", "11:30a Kim", "12:15p Ray", "12:05a Ann", " 9:00a Bo ", " 2:00P Cy ",
        " 1:00p Di "},
       {4, 5, 2, 3, 1, 7, 6}},
      // Without a sort column modes 0 to 2 append.
      {0, {"b 02/01/2026  1:00p", "a 01/01/2026 11:00a"}, {1, 2}},
      {kMode2, {"b 02/01/2026  1:00p", "a 01/01/2026 11:00a"}, {1, 2}},
  };
  for (const auto& c : cases) {
    ListModel list({{20, 0}}, "", c.flags);
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      list.addRow(c.rows[i], static_cast<std::uint32_t>(i + 1), 0, 9 - i, 0, 0);
    }
    EXPECT_EQ(order(list), c.order) << "flags " << c.flags;
  }
}

TEST(ListSorting, InsertionAtOrBeforeTheCurrentRowKeepsTheSameRowCurrent) {
  ListModel list({{10, 0}}, "", kMode3);
  for (std::uint32_t value : {10u, 20u, 30u}) list.addRow("a", value, 0, value, 0, 0);
  ASSERT_TRUE(list.setCurrentRow(1));
  // Value, where it lands, where the current row is then: equal goes after it, smaller at or
  // before it moves it down.
  const int steps[][3] = {{20, 2, 1}, {40, 4, 1}, {15, 1, 2}, {1, 0, 3}};
  for (const auto& [value, landsAt, current] : steps) {
    EXPECT_EQ(list.addRow("n", 0, 0, static_cast<std::uint32_t>(value), 0, 0), landsAt) << value;
    EXPECT_EQ(list.currentRow(), current) << value;
    EXPECT_EQ(list.row(list.currentRow())->first, 20u) << value;
  }
}

TEST(ListColumns, TwelveColumnsKeepTheFirstEleven) {
  ListModel list(std::vector<ListColumn>(12, {1, kListAlignLeft}), "ABCDEFGHIJKL", 0);
  EXPECT_EQ(list.columns().size(), 11u);
  list.addRow("abcdefghijkl", 0, 0, 0, 0, 0);
  // The twelfth character belongs to no column: neither drawn nor copied.
  EXPECT_EQ(list.fields(0).size(), 11u);
  EXPECT_EQ(list.clipboardText("T"),
            "T\nA\tB\tC\tD\tE\tF\tG\tH\tI\tJ\tK\na\tb\tc\td\te\tf\tg\th\ti\tj\tk\n");
}

TEST(ListColumns, OutOfRangeWidthsAlignmentsAndColourSlotsAreClamped) {
  ListModel list({{-4, 7}, {1000, -1}, {3, kListAlignCentre}}, "", 0);
  const auto& c = list.columns();
  EXPECT_EQ(c[0].width, 0);
  EXPECT_EQ(c[1].width, kListMaxColumnWidth);
  EXPECT_EQ(std::vector<int>({c[0].align, c[1].align, c[2].align}),
            std::vector<int>({kListAlignLeft, kListAlignLeft, kListAlignCentre}));
  // Colour slots beyond the twenty the list knows draw in the normal colours.
  for (int slot : {20, 21, -3}) list.addRow("a", 0, 0, 0, 0, slot);
  EXPECT_EQ(
      std::vector<int>({list.row(0)->colourSlot, list.row(1)->colourSlot, list.row(2)->colourSlot}),
      std::vector<int>({20, 0, 0}));
}

TEST(ListRows, TextEndsAtItsFirstZeroByteAndAFullListRefusesTheNextRow) {
  ListModel list({{5, 0}}, std::string_view("Head\0junk", 9), 0);
  list.addRow(std::string_view("Smith\0garbage", 13), 0, 0, 0, 0, 0);
  EXPECT_EQ(list.row(0)->text, "Smith");
  EXPECT_EQ(list.header(), "Head");
  for (int i = 1; i < kListMaxRows; ++i) ASSERT_EQ(list.addRow("r", 0, 0, 0, 0, 0), i);
  EXPECT_EQ(list.addRow("one more", 0, 0, 0, 0, 0), -1);
  EXPECT_EQ(list.lastError(), kListMsgFull);
  EXPECT_EQ(list.count(), kListMaxRows);
}

TEST(ListRows, RemovingARowKeepsTheCurrentRowOnTheSameRecord) {
  ListModel list = listOf(5, 0);
  list.setCurrentRow(3);
  EXPECT_TRUE(list.removeRow(1));
  EXPECT_EQ(list.currentRow(), 2);
  EXPECT_EQ(list.row(2)->first, 3u);
  EXPECT_TRUE(list.removeRow(3));  // the last row
  EXPECT_EQ(list.currentRow(), 2);
  EXPECT_TRUE(list.removeRow(2));  // the current row itself, at the end: the new last row
  EXPECT_EQ(list.currentRow(), 1);
  EXPECT_FALSE(list.removeRow(2));
  EXPECT_FALSE(list.removeRow(-1));
}

TEST(ListGetRow, FindsTheFirstSelectedRowAndReportsBadIndexes) {
  ScriptedPrompter prompter;
  ListModel list = listOf(3, kListMultipleSelection);
  list.setPrompter(&prompter);
  ListRow out;
  EXPECT_EQ(list.getRow(-1, false, &out), -1);  // nothing selected: no message
  list.selectRow(2, SelectAction::kSelect, true);
  list.selectRow(1, SelectAction::kSelect, true);
  EXPECT_EQ(list.getRow(-1, false, &out), 1);
  EXPECT_EQ(out.first, 1u);
  EXPECT_EQ(list.getRow(0, true, &out), -1);  // not selected
  EXPECT_TRUE(prompter.asked().empty());
  EXPECT_EQ(list.getRow(7, false, &out), -1);
  list.clear();
  EXPECT_EQ(list.getRow(0, false, &out), -1);
  ASSERT_EQ(prompter.asked().size(), 2u);
  EXPECT_EQ(prompter.asked()[0].prompt.messageNumber, kListMsgIndexBeyondCount);
  EXPECT_NE(prompter.asked()[0].prompt.text.find('7'), std::string::npos);
  EXPECT_EQ(prompter.asked()[1].prompt.messageNumber, kListMsgNoRows);
}

TEST(ListSelection, SingleSelectionListNeverHoldsTwoRowsByCallOrClick) {
  ListModel list = listOf(6, 0);
  list.selectRow(1, SelectAction::kSelect, false);
  list.selectRow(2, SelectAction::kSelect, true);  // keepOthers is not honoured here
  EXPECT_EQ(selectedRows(list), Rows{2});
  list.selectRow(3, SelectAction::kToggle, true);
  EXPECT_EQ(selectedRows(list), Rows{3});
  list.selectRow(0, SelectAction::kExtend, true);
  EXPECT_EQ(selectedRows(list), Rows{0});
  list.click(4, true, false);
  EXPECT_EQ(selectedRows(list), Rows{4});
  list.click(5, false, true);
  EXPECT_EQ(selectedRows(list), Rows{5});
  EXPECT_FALSE(list.click(-1, false, false).selectionChanged);
  EXPECT_EQ(selectedRows(list), Rows{5});
}

TEST(ListSelection, ExtendSelectsFromTheCurrentRowAndDeselectLeavesCurrent) {
  ListModel list = listOf(6, kListMultipleSelection);
  list.selectRow(1, SelectAction::kSelect, false);
  EXPECT_TRUE(list.selectRow(4, SelectAction::kExtend, false));
  EXPECT_EQ(selectedRows(list), (Rows{1, 2, 3, 4}));
  EXPECT_EQ(list.currentRow(), 4);
  EXPECT_TRUE(list.selectRow(2, SelectAction::kDeselect, false));
  EXPECT_EQ(selectedRows(list), (Rows{1, 3, 4}));
  EXPECT_EQ(list.currentRow(), 4);
  EXPECT_FALSE(list.selectRow(9, SelectAction::kSelect, false));
}

TEST(ListKeys, MoveSelectAndNotifyAsTheKeyTableSays) {
  const struct {
    const char* name;
    bool multi;
    int current;
    Rows selected;
    ListKey key;
    bool shift, ctrl;
    int expectCurrent;
    Rows expectSelected;
    int expectNotification;
  } cases[] = {
      {"DownSelectsNextRowOnly", false, 1, {1}, ListKey::kDown, false, false, 2, {2}, 0},
      {"EndGoesToLastRow", false, 1, {1}, ListKey::kEnd, false, false, 5, {5}, 0},
      {"HomeGoesToFirstRow", false, 4, {4}, ListKey::kHome, false, false, 0, {0}, 0},
      {"ShiftIsIgnoredInSingle", false, 1, {1}, ListKey::kDown, true, false, 2, {2}, 0},
      {"SpaceDoesNothingInSingle", false, 1, {3}, ListKey::kSpace, false, false, 1, {3}, 0},
      {"EnterSelectsAndActivates", false, 2, {4}, ListKey::kEnter, false, false, 2, {2}, 2},
      {"DownWithoutCurrentStartsAtTop", false, -1, {}, ListKey::kDown, false, false, 0, {0}, 0},
      {"MultiPlainDownLeavesOneRow", true, 1, {1, 3}, ListKey::kDown, false, false, 2, {2}, 0},
      {"MultiShiftDownAdds", true, 1, {1}, ListKey::kDown, true, false, 2, {1, 2}, 0},
      {"MultiShiftEndAddsOnlyTheLastRow", true, 1, {1}, ListKey::kEnd, true, false, 5, {1, 5}, 0},
      {"MultiCtrlDownMovesOnlyFrame", true, 1, {1}, ListKey::kDown, false, true, 2, {1}, 0},
      {"MultiSpaceAddsCurrent", true, 2, {1}, ListKey::kSpace, false, false, 2, {1, 2}, 0},
      {"MultiSpaceRemovesCurrent", true, 1, {1, 2}, ListKey::kSpace, false, false, 1, {2}, 0},
      {"MultiEnterKeepsOthers", true, 3, {1}, ListKey::kEnter, false, false, 3, {1, 3}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ListModel list = listOf(6, c.multi ? kListMultipleSelection : 0u);
    for (int i : c.selected) list.selectRow(i, SelectAction::kSelect, true);
    list.setCurrentRow(c.current);
    const ListOutcome outcome = list.key(c.key, c.shift, c.ctrl);
    EXPECT_TRUE(outcome.handled);
    EXPECT_EQ(list.currentRow(), c.expectCurrent);
    EXPECT_EQ(selectedRows(list), c.expectSelected);
    EXPECT_EQ(outcome.notification, c.expectNotification);
    EXPECT_EQ(outcome.selectionChanged, c.selected != c.expectSelected);
  }
  ListModel empty = listOf(0, 0);
  EXPECT_EQ(empty.key(ListKey::kEnter, false, false).notification, 0) << "an empty list";
  EXPECT_EQ(empty.key(ListKey::kDown, false, false).notification, 0);
  EXPECT_EQ(empty.currentRow(), -1);
}

TEST(ListScrolling, CurrentRowIsScrolledIntoViewOneRowAtATime) {
  ListModel list = listOf(10, 0, 4);
  list.setCurrentRow(3);  // still the last visible row
  EXPECT_EQ(list.topRow(), 0);
  list.key(ListKey::kDown, false, false);
  EXPECT_EQ(list.topRow(), 1);
  list.key(ListKey::kEnd, false, false);
  EXPECT_EQ(list.topRow(), 6);
}

TEST(ListFields, CutAtColumnEdges) {
  const std::vector<ListColumn> columns = {{3, 0}, {4, 1}, {2, 2}};
  using Fields = std::vector<std::string_view>;
  EXPECT_EQ(cutFields("abcdefghijkl", columns), (Fields{"abc", "defg", "hi"}));
  EXPECT_EQ(cutFields("abcde", columns), (Fields{"abc", "de", ""}));
  EXPECT_EQ(cutFields("", columns), (Fields{"", "", ""}));
  EXPECT_EQ(cutFields("abc", {}), (Fields{"abc"}));
  EXPECT_EQ(cutFields("abcdef", {{0, 0}, {2, 0}}), (Fields{"", "ab"}));
}

TEST(ListFields, MarkersAtTheEndBecomePicturesAndTheClipboardGetsText) {
  const struct {
    const char* field;
    const char* text;
    std::vector<ListMark> marks;
  } cases[] = {
      {"Smith \xB7", "Smith", {ListMark::kAlert1}},
      {"Smith\xBE   ", "Smith\xBB", {ListMark::kAlert3}},  // 190: level 3, then 187 as text
      {"Smith\xBB", "Smith\xBB", {}},                      // 187 alone is only text
      {"Smith\xB4\xB8", "Smith", {ListMark::kAlert2, ListMark::kDiagnosis}},
      {"Smith\xBF\xB4", "Smith\xBB", {ListMark::kDiagnosis, ListMark::kAlert4}},
      {"Sm\xB7th", "Sm\xB7th", {}},  // not at the end
      {"\xB6\xBB\xC0", "\xB6\xBB\xC0", {}},
      {"", "", {}},
  };
  for (const auto& c : cases) {
    const ListField f = parseField(c.field);
    EXPECT_EQ(f.text, c.text) << c.field;
    EXPECT_EQ(f.marks, c.marks) << c.field;
  }
  // On the clipboard trailing blanks go and only a last marker changes: 183-186 to a blank,
  // 188-191 to 187.
  const std::pair<const char*, const char*> copied[] = {
      {"Smith   ", "Smith"},        {"  42", "  42"},           {"Smith\xB7", "Smith "},
      {"Smith\xBC  ", "Smith\xBB"}, {"Smith\xB4", "Smith\xB4"}, {"     ", ""}};
  for (const auto& [field, text] : copied) EXPECT_EQ(clipboardField(field), text) << field;
}

TEST(ListClipboard, HeaderAndRowsAsTabSeparatedFieldsWithRawRows) {
  ListModel list({{5, kListAlignCentre}, {8, kListAlignLeft}, {3, kListAlignRight}},
                 "Time Name    Ln ", 0);
  list.addRow("9:00aSmith\xB7   12", 1, 0, 0, 0, 0);
  list.addRow("raw   text\xB7 ", 2, 0, 0, -1, 0);
  list.addRow("1:00pJones\xBD    5", 3, 0, 0, 2, 0);
  list.addRow("also  raw  ", 4, 0, 0, 4, 0);
  list.addRow("2:00p", 5, 0, 0, 1, 0);
  EXPECT_EQ(list.clipboardText("Day List - Monday, December 7, 2026"),
            "Day List - Monday, December 7, 2026\nTime\tName\tLn\n9:00a\tSmith \t 12\n"
            "raw   text\xB7 \n1:00p\tJones\xBB\t  5\nalso  raw  \n2:00p\t\t\n");
  // kListCopyRaw copies every row raw but not the header; no header means no header line.
  ListModel raw({{3, 0}, {3, 0}}, "ab cd ", kListCopyRaw);
  raw.addRow("x  y\xB7 ", 0, 0, 0, 0, 0);
  EXPECT_EQ(raw.clipboardText("T"), "T\nab\tcd\nx  y\xB7 \n");
  ListModel plain({{2, 0}, {2, 0}}, "", 0);
  plain.addRow("a b ", 0, 0, 0, 0, 0);
  EXPECT_EQ(plain.clipboardText("T"), "T\na\tb\n");
}

}  // namespace
