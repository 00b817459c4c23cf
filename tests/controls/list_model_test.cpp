// The row model of the appointment lists: sorted insertion, selection and keys, focus, the
// layout of a row into fields and marks, and the clipboard text.

#include "controls/list_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "platform/qrx/scripted_prompter.h"

namespace {

constexpr std::uint32_t kMode1 = kListSortModeLow;
constexpr std::uint32_t kMode2 = kListSortModeHigh;
constexpr std::uint32_t kMode3 = kListSortModeLow | kListSortModeHigh;

// The first values of the rows in list order: tests tag each row with its arrival number.
std::vector<std::uint32_t> order(const ListModel& list) {
  std::vector<std::uint32_t> firsts;
  for (int i = 0; i < list.count(); ++i) firsts.push_back(list.row(i)->first);
  return firsts;
}

std::set<int> selectedRows(const ListModel& list) {
  std::set<int> rows;
  for (int i = 0; i < list.count(); ++i) {
    if (list.isSelected(i)) rows.insert(i);
  }
  return rows;
}

ListModel listOf(int rows, std::uint32_t flags, int visible = 10) {
  ListModel list({{10, kListAlignLeft}}, "", flags);
  for (int i = 0; i < rows; ++i) list.addRow("row " + std::to_string(i), i, 0, 0, 0, 0);
  list.setVisibleRows(visible);
  return list;
}

// ---- Sorted insertion

TEST(ListSorting, EqualSortValuesGoAfterExistingRowsInValueMode) {
  ListModel list({{10, 0}}, "", kMode3);
  const std::uint32_t values[] = {30, 10, 20, 20, 10, 30, 5};
  std::uint32_t arrival = 1;
  for (std::uint32_t v : values) list.addRow("x", arrival++, 0, v, 0, 0);
  // 5 (7th), 10 (2nd, 5th), 20 (3rd, 4th), 30 (1st, 6th).
  EXPECT_EQ(order(list), (std::vector<std::uint32_t>{7, 2, 5, 3, 4, 1, 6}));
}

TEST(ListSorting, ValueModeReturnsTheIndexWhereTheRowLanded) {
  ListModel list({{10, 0}}, "", kMode3);
  EXPECT_EQ(list.addRow("a", 1, 0, 100, 0, 0), 0);
  EXPECT_EQ(list.addRow("b", 2, 0, 300, 0, 0), 1);
  EXPECT_EQ(list.addRow("c", 3, 0, 200, 0, 0), 1);
  EXPECT_EQ(list.addRow("d", 4, 0, 0, 0, 0), 0);
  EXPECT_EQ(list.addRow("e", 5, 0, 0xFFFFFFFF, 0, 0), 4);  // unsigned: largest goes last
}

TEST(ListSorting, TextModeComparesFromTheSortColumnOnly) {
  ListModel list({{20, 0}}, "", 5);  // sort column 5, mode 0
  list.addRow("0000Carl", 1, 0, 0, 0, 0);
  list.addRow("9999Alice", 2, 0, 0, 0, 0);
  list.addRow("5555Bob", 3, 0, 0, 0, 0);
  list.addRow("1111\xC9mile", 4, 0, 0, 0, 0);  // byte 201 sorts after every ASCII letter
  list.addRow("2222Bob", 5, 0, 0, 0, 0);       // equal from column 5: after the first Bob
  list.addRow("333", 6, 0, 0, 0, 0);           // nothing at column 5: first
  EXPECT_EQ(order(list), (std::vector<std::uint32_t>{6, 2, 3, 5, 1, 4}));
}

TEST(ListSorting, RowsAreAppendedWithoutSortColumnUnlessValueMode) {
  for (std::uint32_t flags : {0u, kMode1, kMode2}) {
    ListModel list({{10, 0}}, "", flags);
    list.addRow("b 02/01/2026  1:00p", 1, 0, 9, 0, 0);
    list.addRow("a 01/01/2026 11:00a", 2, 0, 1, 0, 0);
    EXPECT_EQ(order(list), (std::vector<std::uint32_t>{1, 2})) << "flags " << flags;
  }
}

TEST(ListSorting, DateModeComparesCalendarDatesNotText) {
  ListModel list({{12, 0}}, "", kMode1 | 3);  // dates start at column 3
  list.addRow("A 12/31/2025", 1, 0, 0, 0, 0);
  list.addRow("B 01/05/2026", 2, 0, 0, 0, 0);
  list.addRow("C 03/01/2025", 3, 0, 0, 0, 0);
  list.addRow("D 06/30/26", 4, 0, 0, 0, 0);  // two-digit year: 2026
  list.addRow("E no date", 5, 0, 0, 0, 0);   // not a date: before every date
  list.addRow("F 01/05/2026", 6, 0, 0, 0, 0);
  EXPECT_EQ(order(list), (std::vector<std::uint32_t>{5, 3, 1, 2, 6, 4}));
}

TEST(ListSorting, TimeModeTakesAfternoonFromThePInTheSixthPlace) {
  ListModel list({{12, 0}}, "", kMode2 | 1);
  list.addRow(" 1:00p Lee", 1, 0, 0, 0, 0);
  list.addRow("11:30a Kim", 2, 0, 0, 0, 0);
  list.addRow("12:15p Ray", 3, 0, 0, 0, 0);  // noon hour: before 1:00p, after 11:30a
  list.addRow("12:05a Ann", 4, 0, 0, 0, 0);  // just after midnight: first
  list.addRow(" 9:00a Bo ", 5, 0, 0, 0, 0);
  list.addRow(" 2:00P Cy ", 6, 0, 0, 0, 0);  // capital P is afternoon too
  list.addRow(" 1:00p Di ", 7, 0, 0, 0, 0);  // same time: after Lee
  EXPECT_EQ(order(list), (std::vector<std::uint32_t>{4, 5, 2, 3, 1, 7, 6}));
}

TEST(ListSorting, InsertionAtOrBeforeTheCurrentRowKeepsTheSameRowCurrent) {
  ListModel list({{10, 0}}, "", kMode3);
  list.addRow("a", 10, 0, 10, 0, 0);
  list.addRow("b", 20, 0, 20, 0, 0);
  list.addRow("c", 30, 0, 30, 0, 0);
  ASSERT_TRUE(list.setCurrentRow(1));
  struct Step {
    std::uint32_t value;
    int landsAt;
    int current;
  };
  const Step steps[] = {
      {20, 2, 1},  // equal: after the current row, which stays where it is
      {40, 4, 1},  // after it
      {15, 1, 2},  // at its index: it moves down
      {1, 0, 3},   // before it
  };
  for (const Step& s : steps) {
    EXPECT_EQ(list.addRow("n", 0, 0, s.value, 0, 0), s.landsAt) << s.value;
    EXPECT_EQ(list.currentRow(), s.current) << s.value;
    EXPECT_EQ(list.row(list.currentRow())->first, 20u) << s.value;
  }
}

// ---- Columns, rows and values

TEST(ListColumns, TwelveColumnsKeepTheFirstEleven) {
  std::vector<ListColumn> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back({1, kListAlignLeft});
  ListModel list(twelve, "ABCDEFGHIJKL", 0);
  EXPECT_EQ(list.columns().size(), 11u);
  list.addRow("abcdefghijkl", 0, 0, 0, 0, 0);
  // The twelfth character belongs to no column: neither drawn nor copied.
  EXPECT_EQ(list.fields(0).size(), 11u);
  EXPECT_EQ(list.clipboardText("T"),
            "T\nA\tB\tC\tD\tE\tF\tG\tH\tI\tJ\tK\na\tb\tc\td\te\tf\tg\th\ti\tj\tk\n");
}

TEST(ListColumns, OutOfRangeWidthsAndAlignmentsAreClamped) {
  ListModel list({{-4, 7}, {1000, -1}, {3, kListAlignCentre}}, "", 0);
  EXPECT_EQ(list.columns()[0].width, 0);
  EXPECT_EQ(list.columns()[0].align, kListAlignLeft);
  EXPECT_EQ(list.columns()[1].width, kListMaxColumnWidth);
  EXPECT_EQ(list.columns()[1].align, kListAlignLeft);
  EXPECT_EQ(list.columns()[2].align, kListAlignCentre);
}

TEST(ListRows, KeepsValuesAndCountsUnknownColourSlotsAsNormal) {
  ListModel list({{10, 0}}, "", 0);
  list.addRow("a", 0xFFFFFFFF, 7, 8, -1, 20);
  list.addRow("b", 1, 2, 3, 4, 21);
  list.addRow("c", 1, 2, 3, 4, -3);
  EXPECT_EQ(list.row(0)->first, 0xFFFFFFFFu);
  EXPECT_EQ(list.row(0)->second, 7u);
  EXPECT_EQ(list.row(0)->third, 8u);
  EXPECT_EQ(list.row(0)->fourth, -1);
  EXPECT_EQ(list.row(0)->colourSlot, 20);
  EXPECT_EQ(list.row(1)->colourSlot, 0);
  EXPECT_EQ(list.row(2)->colourSlot, 0);
}

TEST(ListRows, TextEndsAtItsFirstZeroByte) {
  ListModel list({{10, 0}}, std::string_view("Head\0junk", 9), 0);
  list.addRow(std::string_view("Smith\0garbage", 13), 0, 0, 0, 0, 0);
  EXPECT_EQ(list.row(0)->text, "Smith");
  EXPECT_EQ(list.header(), "Head");
}

TEST(ListRows, AFullListRefusesTheNextRow) {
  ListModel list({{5, 0}}, "", 0);
  for (int i = 0; i < kListMaxRows; ++i) ASSERT_EQ(list.addRow("r", 0, 0, 0, 0, 0), i);
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
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.currentRow(), -1);
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
  EXPECT_EQ(list.getRow(0, false, &out), 0);
  EXPECT_EQ(out.text, "row 0");
  EXPECT_TRUE(prompter.asked().empty());

  EXPECT_EQ(list.getRow(7, false, &out), -1);
  EXPECT_EQ(list.lastError(), kListMsgIndexBeyondCount);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].prompt.messageNumber, kListMsgIndexBeyondCount);
  EXPECT_NE(prompter.asked()[0].prompt.text.find('7'), std::string::npos);

  list.clear();
  EXPECT_EQ(list.getRow(0, false, &out), -1);
  EXPECT_EQ(list.lastError(), kListMsgNoRows);
  ASSERT_EQ(prompter.asked().size(), 2u);
  EXPECT_EQ(prompter.asked()[1].prompt.messageNumber, kListMsgNoRows);
}

// ---- Selection by call

TEST(ListSelection, SingleSelectionListNeverHoldsTwoRows) {
  ListModel list = listOf(4, 0);
  list.selectRow(1, SelectAction::kSelect, false);
  list.selectRow(2, SelectAction::kSelect, true);  // keepOthers is not honoured here
  EXPECT_EQ(selectedRows(list), (std::set<int>{2}));
  list.selectRow(3, SelectAction::kToggle, true);
  EXPECT_EQ(selectedRows(list), (std::set<int>{3}));
  list.selectRow(0, SelectAction::kExtend, true);
  EXPECT_EQ(selectedRows(list), (std::set<int>{0}));
}

TEST(ListSelection, ExtendSelectsFromTheCurrentRowAndDeselectLeavesCurrent) {
  ListModel list = listOf(6, kListMultipleSelection);
  list.selectRow(1, SelectAction::kSelect, false);
  EXPECT_TRUE(list.selectRow(4, SelectAction::kExtend, false));
  EXPECT_EQ(selectedRows(list), (std::set<int>{1, 2, 3, 4}));
  EXPECT_EQ(list.currentRow(), 4);
  EXPECT_TRUE(list.selectRow(2, SelectAction::kDeselect, false));
  EXPECT_EQ(selectedRows(list), (std::set<int>{1, 3, 4}));
  EXPECT_EQ(list.currentRow(), 4);
  EXPECT_FALSE(list.selectRow(2, SelectAction::kDeselect, false));
  EXPECT_FALSE(list.selectRow(2, SelectAction::kRedraw, false));
  EXPECT_FALSE(list.selectRow(9, SelectAction::kSelect, false));
  EXPECT_EQ(selectedRows(list), (std::set<int>{1, 3, 4}));
}

// ---- Keyboard

struct KeyCase {
  const char* name;
  bool multi;
  int current;
  std::set<int> selected;
  ListKey key;
  bool shift;
  bool ctrl;
  int expectCurrent;
  std::set<int> expectSelected;
  int expectNotification;
};

class ListKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ListKeys, MoveSelectAndNotifyAsTheKeyTableSays) {
  const KeyCase& c = GetParam();
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

const KeyCase kKeyCases[] = {
    // Single selection.
    {"UpAtFirstRowStays", false, 0, {0}, ListKey::kUp, false, false, 0, {0}, 0},
    {"DownSelectsNextRowOnly", false, 1, {1}, ListKey::kDown, false, false, 2, {2}, 0},
    {"DownAtLastRowStays", false, 5, {5}, ListKey::kDown, false, false, 5, {5}, 0},
    {"EndGoesToLastRow", false, 1, {1}, ListKey::kEnd, false, false, 5, {5}, 0},
    {"HomeGoesToFirstRow", false, 4, {4}, ListKey::kHome, false, false, 0, {0}, 0},
    {"ShiftIsIgnoredInSingle", false, 1, {1}, ListKey::kDown, true, false, 2, {2}, 0},
    {"CtrlIsIgnoredInSingle", false, 1, {1}, ListKey::kDown, false, true, 2, {2}, 0},
    {"SpaceDoesNothingInSingle", false, 1, {3}, ListKey::kSpace, false, false, 1, {3}, 0},
    {"EnterSelectsAndActivates", false, 2, {4}, ListKey::kEnter, false, false, 2, {2}, 2},
    {"DownWithoutCurrentStartsAtTop", false, -1, {}, ListKey::kDown, false, false, 0, {0}, 0},
    // Multiple selection.
    {"MultiPlainDownLeavesOneRow", true, 1, {1, 3}, ListKey::kDown, false, false, 2, {2}, 0},
    {"MultiShiftDownAdds", true, 1, {1}, ListKey::kDown, true, false, 2, {1, 2}, 0},
    {"MultiShiftEndAddsOnlyTheLastRow", true, 1, {1}, ListKey::kEnd, true, false, 5, {1, 5}, 0},
    {"MultiCtrlDownMovesOnlyFrame", true, 1, {1}, ListKey::kDown, false, true, 2, {1}, 0},
    {"MultiCtrlDownKeepsSelectedRow", true, 1, {1, 2}, ListKey::kDown, false, true, 2, {1, 2}, 0},
    {"MultiCtrlHome", true, 3, {3}, ListKey::kHome, false, true, 0, {3}, 0},
    {"MultiSpaceAddsCurrent", true, 2, {1}, ListKey::kSpace, false, false, 2, {1, 2}, 0},
    {"MultiSpaceRemovesCurrent", true, 1, {1, 2}, ListKey::kSpace, false, false, 1, {2}, 0},
    {"MultiEnterKeepsOthers", true, 3, {1}, ListKey::kEnter, false, false, 3, {1, 3}, 2},
    // Keys for the owner.
    {"TabNotifies", false, 1, {1}, ListKey::kTab, false, false, 1, {1}, kListNotifyTab},
    {"EscapeNotifiesAsTab", false, 1, {1}, ListKey::kEscape, false, false, 1, {1}, kListNotifyTab},
    {"CtrlTab", true, 1, {1}, ListKey::kTab, false, true, 1, {1}, kListNotifyCtrlTab},
    {"ShiftTab", true, 1, {1}, ListKey::kTab, true, false, 1, {1}, kListNotifyShiftTab},
};

INSTANTIATE_TEST_SUITE_P(Table, ListKeys, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListKeysOther, PageKeysAreLeftToTheScrollBar) {
  ListModel list = listOf(6, 0);
  list.setCurrentRow(2);
  const ListOutcome outcome = list.key(ListKey::kOther, false, false);
  EXPECT_FALSE(outcome.handled);
  EXPECT_EQ(list.currentRow(), 2);
}

TEST(ListKeysOther, EnterInAnEmptyListActivatesNothing) {
  ListModel list = listOf(0, 0);
  EXPECT_EQ(list.key(ListKey::kEnter, false, false).notification, 0);
  EXPECT_EQ(list.key(ListKey::kDown, false, false).notification, 0);
  EXPECT_EQ(list.currentRow(), -1);
}

TEST(ListScrolling, CurrentRowIsScrolledIntoViewOneRowAtATime) {
  ListModel list = listOf(10, 0, 4);
  list.setCurrentRow(0);
  for (int i = 0; i < 3; ++i) list.key(ListKey::kDown, false, false);
  EXPECT_EQ(list.topRow(), 0);  // row 3 is still the last visible one
  list.key(ListKey::kDown, false, false);
  EXPECT_EQ(list.topRow(), 1);
  list.key(ListKey::kEnd, false, false);
  EXPECT_EQ(list.topRow(), 6);
  list.key(ListKey::kUp, false, false);
  EXPECT_EQ(list.topRow(), 6);
  list.key(ListKey::kHome, false, false);
  EXPECT_EQ(list.topRow(), 0);
}

TEST(ListScrolling, GrowingTheWindowFillsTheLastPage) {
  ListModel list = listOf(10, 0, 4);
  list.setTopRow(6);
  EXPECT_EQ(list.topRow(), 6);
  list.setTopRow(99);
  EXPECT_EQ(list.topRow(), 6);
  list.setVisibleRows(8);
  EXPECT_EQ(list.topRow(), 2);
  list.setVisibleRows(20);
  EXPECT_EQ(list.topRow(), 0);
  EXPECT_EQ(list.maxTopRow(), 0);
}

// ---- Focus and mouse

TEST(ListFocus, LosingFocusClearsTheCurrentRowUnlessKept) {
  for (bool keep : {false, true}) {
    ListModel list = listOf(5, keep ? kListKeepCurrent : 0u);
    list.setCurrentRow(3);
    const ListOutcome out = list.focusOut();
    EXPECT_EQ(out.notification, kListNotifyFocusOut);
    EXPECT_EQ(list.currentRow(), keep ? 3 : -1) << keep;
    const ListOutcome in = list.focusIn();
    EXPECT_EQ(in.notification, kListNotifyFocusIn);
    EXPECT_EQ(list.currentRow(), 3) << keep;  // the remembered row comes back
  }
}

TEST(ListFocus, FocusWithNoRememberedRowMakesTheTopRowCurrent) {
  ListModel list = listOf(10, 0, 4);
  list.setTopRow(5);
  list.focusIn();
  EXPECT_EQ(list.currentRow(), 5);
  ListModel empty = listOf(0, 0);
  empty.focusIn();
  EXPECT_EQ(empty.currentRow(), -1);
}

TEST(ListMouse, ClickSelectsCtrlTogglesShiftExtendsOnlyInMultiList) {
  ListModel single = listOf(6, 0);
  single.click(1, false, false);
  single.click(3, true, false);
  EXPECT_EQ(selectedRows(single), (std::set<int>{3}));
  single.click(5, false, true);
  EXPECT_EQ(selectedRows(single), (std::set<int>{5}));

  ListModel multi = listOf(6, kListMultipleSelection);
  multi.click(1, false, false);
  multi.click(3, true, false);
  EXPECT_EQ(selectedRows(multi), (std::set<int>{1, 3}));
  multi.click(1, true, false);
  EXPECT_EQ(selectedRows(multi), (std::set<int>{3}));
  EXPECT_EQ(multi.currentRow(), 1);
  multi.click(5, false, true);  // extends from the current row 1
  EXPECT_EQ(selectedRows(multi), (std::set<int>{1, 2, 3, 4, 5}));
  multi.click(2, false, false);
  EXPECT_EQ(selectedRows(multi), (std::set<int>{2}));
  const ListOutcome below = multi.click(-1, false, false);
  EXPECT_FALSE(below.selectionChanged);
  EXPECT_EQ(selectedRows(multi), (std::set<int>{2}));
}

TEST(ListMouse, DoubleClickActivatesOnlyWithoutCtrlShiftOrRightButton) {
  struct Case {
    bool ctrl, shift, right;
    int notification;
  };
  const Case cases[] = {{false, false, false, kListNotifyActivate},
                        {true, false, false, 0},
                        {false, true, false, 0},
                        {false, false, true, 0}};
  for (const Case& c : cases) {
    ListModel list = listOf(4, kListMultipleSelection);
    list.click(1, false, false);
    const ListOutcome out = list.doubleClick(2, c.ctrl, c.shift, c.right);
    EXPECT_EQ(out.notification, c.notification) << c.ctrl << c.shift << c.right;
    EXPECT_TRUE(list.isSelected(2));
  }
  ListModel list = listOf(2, 0);
  EXPECT_EQ(list.doubleClick(-1, false, false, false).notification, 0);
}

// ---- Layout of a row

TEST(ListFields, CutAtColumnEdges) {
  const std::vector<ListColumn> columns = {{3, 0}, {4, 1}, {2, 2}};
  using Fields = std::vector<std::string_view>;
  EXPECT_EQ(cutFields("abcdefghijkl", columns), (Fields{"abc", "defg", "hi"}));
  EXPECT_EQ(cutFields("abcde", columns), (Fields{"abc", "de", ""}));
  EXPECT_EQ(cutFields("", columns), (Fields{"", "", ""}));
  EXPECT_EQ(cutFields("abc", {}), (Fields{"abc"}));
  EXPECT_EQ(cutFields("abcdef", {{0, 0}, {2, 0}}), (Fields{"", "ab"}));
}

TEST(ListFields, MarkersAtTheEndBecomePictures) {
  struct Case {
    const char* field;
    const char* text;
    std::vector<ListMark> marks;
  };
  const Case cases[] = {
      {"Smith \xB7", "Smith", {ListMark::kAlert1}},
      {"Smith\xBE   ", "Smith\xBB", {ListMark::kAlert3}},  // 190: level 3, then 187 as text
      {"Smith\xBA", "Smith", {ListMark::kAlert4}},         // 186: level 4 alone
      {"Smith\xBB", "Smith\xBB", {}},                      // 187 alone is only text
      {"Smith\xB4\xB8", "Smith", {ListMark::kAlert2, ListMark::kDiagnosis}},
      {"Smith\xBF\xB4", "Smith\xBB", {ListMark::kDiagnosis, ListMark::kAlert4}},
      {"Smith\xB5", "Smith", {ListMark::kReferral}},
      {"Sm\xB7th", "Sm\xB7th", {}},  // not at the end
      {"\xB6\xBB\xC0", "\xB6\xBB\xC0", {}},
      {"\xBD", "\xBB", {ListMark::kAlert2}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    const ListField f = parseField(c.field);
    EXPECT_EQ(f.text, c.text) << c.field;
    EXPECT_EQ(f.marks, c.marks) << c.field;
  }
}

TEST(ListFields, ClipboardFieldDropsTrailingBlanksAndConvertsTheLastMarker) {
  struct Case {
    const char* field;
    const char* copied;
  };
  const Case cases[] = {
      {"Smith   ", "Smith"},      {"  42", "  42"},
      {"Smith\xB7", "Smith "},    {"Smith\xBA", "Smith "},
      {"Smith\xBE", "Smith\xBB"}, {"Smith\xBC  ", "Smith\xBB"},
      {"Smith\xB4", "Smith\xB4"}, {"     ", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(clipboardField(c.field), c.copied) << c.field;
}

// ---- Clipboard text

TEST(ListClipboard, HeaderAndRowsAsTabSeparatedFieldsWithRawRows) {
  ListModel list({{5, kListAlignCentre}, {8, kListAlignLeft}, {3, kListAlignRight}},
                 "Time Name    Ln ", 0);
  list.addRow("9:00aSmith\xB7   12", 1, 0, 0, 0, 0);
  list.addRow("raw   text\xB7 ", 2, 0, 0, -1, 0);
  list.addRow("1:00pJones\xBD    5", 3, 0, 0, 2, 0);
  list.addRow("also  raw  ", 4, 0, 0, 4, 0);
  list.addRow("2:00p", 5, 0, 0, 1, 0);
  EXPECT_EQ(list.clipboardText("Day List - Monday, December 7, 2026"),
            "Day List - Monday, December 7, 2026\n"
            "Time\tName\tLn\n"
            "9:00a\tSmith \t 12\n"
            "raw   text\xB7 \n"
            "1:00p\tJones\xBB\t  5\n"
            "also  raw  \n"
            "2:00p\t\t\n");
}

TEST(ListClipboard, CopyRawFlagCopiesEveryRowButNotTheHeader) {
  ListModel list({{3, 0}, {3, 0}}, "ab cd ", kListCopyRaw);
  list.addRow("x  y\xB7 ", 0, 0, 0, 0, 0);
  EXPECT_EQ(list.clipboardText("T"), "T\nab\tcd\nx  y\xB7 \n");
}

TEST(ListClipboard, NoHeaderLineWithoutHeader) {
  ListModel list({{2, 0}, {2, 0}}, "", 0);
  list.addRow("a b ", 0, 0, 0, 0, 0);
  EXPECT_EQ(list.clipboardText("Title"), "Title\na\tb\n");
  list.clear();
  EXPECT_EQ(list.clipboardText("Title"), "Title\n");
}

}  // namespace
