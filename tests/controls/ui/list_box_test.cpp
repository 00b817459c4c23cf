// The list window driven by real key and mouse events on the offscreen platform: selection,
// signals, focus, scrolling and the clipboard.

#include "controls/ui/list_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<ListColumn> kColumns = {{6, 2}, {25, 0}, {6, 1}};

// Counts what the list tells its owner.
struct Heard {
  int focusGained = 0;
  int focusLost = 0;
  int activated = 0;
  int selectionChanged = 0;
  std::vector<int> tabs;

  explicit Heard(ListBox& list) {
    QObject::connect(&list, &ListBox::focusGained, &list, [this] { ++focusGained; });
    QObject::connect(&list, &ListBox::focusLost, &list, [this] { ++focusLost; });
    QObject::connect(&list, &ListBox::activated, &list, [this] { ++activated; });
    QObject::connect(&list, &ListBox::selectionChanged, &list, [this] { ++selectionChanged; });
    QObject::connect(&list, &ListBox::tabPressed, &list,
                     [this](int kind) { tabs.push_back(kind); });
  }
};

// A window holding the list and a line edit to take the focus away.
struct Window {
  QWidget top;
  ListBox* list;
  QLineEdit* other;

  explicit Window(std::uint32_t flags, int rows = 8) {
    auto* layout = new QVBoxLayout(&top);
    // The line edit comes first in the focus chain, so activating the window leaves the list
    // without the focus until a test gives it.
    other = new QLineEdit(&top);
    list = new ListBox(QStringLiteral("2"), kColumns, "Time  Name", flags, &top);
    layout->addWidget(list);
    layout->addWidget(other);
    for (int i = 0; i < rows; ++i) {
      list->addRow(" 9:00aPatient " + std::to_string(i), 100 + i, 200 + i, 0, 0, 0);
    }
    list->setFixedSize(list->sizeForRows(5));
    top.show();
    QApplication::setActiveWindow(&top);
    QApplication::processEvents();
  }

  void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(list, &press);
  }

  void mouse(QEvent::Type type, int row, Qt::KeyboardModifiers mods = Qt::NoModifier,
             Qt::MouseButtons held = Qt::LeftButton) {
    const QPoint at(20, (row - list->topRow()) * list->rowHeight() + list->rowHeight() / 2);
    QMouseEvent event(type, QPointF(at), QPointF(list->viewport()->mapToGlobal(at)), Qt::LeftButton,
                      held, mods);
    QApplication::sendEvent(list->viewport(), &event);
  }

  std::set<int> selected() const {
    std::set<int> rows;
    for (int i = 0; i < list->count(); ++i) {
      if (list->isSelected(i)) rows.insert(i);
    }
    return rows;
  }
};

TEST(ListBoxKeys, ArrowsEndAndEnterMoveSelectionAndSignal) {
  Window w(0);
  Heard heard(*w.list);
  w.list->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(w.list->hasFocus());
  EXPECT_EQ(heard.focusGained, 1);
  EXPECT_EQ(w.list->currentRow(), 0);  // the top row on first focus

  w.key(Qt::Key_Down);
  EXPECT_EQ(w.selected(), (std::set<int>{1}));
  w.key(Qt::Key_End);
  EXPECT_EQ(w.selected(), (std::set<int>{7}));
  EXPECT_EQ(w.list->currentRow(), 7);
  EXPECT_GT(w.list->topRow(), 0);  // scrolled so the last row shows
  EXPECT_EQ(w.list->verticalScrollBar()->value(), w.list->topRow());
  EXPECT_EQ(heard.selectionChanged, 2);
  w.key(Qt::Key_Down);  // at the last row: nothing
  EXPECT_EQ(heard.selectionChanged, 2);

  QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QApplication::sendEvent(w.list, &pageDown);
  EXPECT_FALSE(pageDown.isAccepted()) << "page keys are left to the scroll bar";
  EXPECT_EQ(w.list->currentRow(), 7);
  w.key(Qt::Key_Return);
  EXPECT_EQ(heard.activated, 1);
  ListRow row;
  EXPECT_EQ(w.list->getRow(-1, false, &row), 7);
  EXPECT_EQ(row.first, 107u);
  EXPECT_EQ(row.second, 207u);
}

TEST(ListBoxKeys, ShiftAddsCtrlMovesFrameSpaceTogglesInMultiList) {
  Window w(kListMultipleSelection);
  w.list->setFocus();
  w.list->selectRow(1, SelectAction::kSelect, false);
  w.key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(w.selected(), (std::set<int>{1, 2}));
  w.key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(w.list->currentRow(), 3);
  EXPECT_EQ(w.selected(), (std::set<int>{1, 2}));
  w.key(Qt::Key_Space);
  EXPECT_EQ(w.selected(), (std::set<int>{1, 2, 3}));
  w.key(Qt::Key_Space);
  EXPECT_EQ(w.selected(), (std::set<int>{1, 2}));
  EXPECT_EQ(w.list->currentRow(), 3);
}

TEST(ListBoxKeys, TabKeysGoToTheOwnerNotTheFocusChain) {
  Window w(0);
  Heard heard(*w.list);
  w.list->setFocus();
  w.key(Qt::Key_Tab);
  w.key(Qt::Key_Tab, Qt::ControlModifier);
  w.key(Qt::Key_Backtab, Qt::ShiftModifier);
  w.key(Qt::Key_Escape);
  EXPECT_EQ(heard.tabs, (std::vector<int>{kListNotifyTab, kListNotifyCtrlTab, kListNotifyShiftTab,
                                          kListNotifyTab}));
  EXPECT_TRUE(w.list->hasFocus());
}

TEST(ListBoxMouse, ClickSelectsCtrlTogglesShiftExtends) {
  Window w(kListMultipleSelection);
  Heard heard(*w.list);
  w.mouse(QEvent::MouseButtonPress, 2);
  EXPECT_TRUE(w.list->hasFocus());
  EXPECT_EQ(w.selected(), (std::set<int>{2}));
  w.mouse(QEvent::MouseButtonPress, 4, Qt::ControlModifier);
  EXPECT_EQ(w.selected(), (std::set<int>{2, 4}));
  w.mouse(QEvent::MouseButtonPress, 2, Qt::ControlModifier);
  EXPECT_EQ(w.selected(), (std::set<int>{4}));
  w.mouse(QEvent::MouseButtonPress, 0, Qt::ShiftModifier);  // from the current row 2
  EXPECT_EQ(w.selected(), (std::set<int>{0, 1, 2, 4}));
  EXPECT_EQ(heard.selectionChanged, 4);
  EXPECT_EQ(heard.activated, 0);
}

TEST(ListBoxMouse, DoubleClickActivatesUnlessCtrlOrShiftHeld) {
  Window w(kListMultipleSelection);
  Heard heard(*w.list);
  w.mouse(QEvent::MouseButtonPress, 3);
  w.mouse(QEvent::MouseButtonDblClick, 3, Qt::ControlModifier);
  EXPECT_EQ(heard.activated, 0);
  w.mouse(QEvent::MouseButtonDblClick, 3, Qt::ShiftModifier);
  EXPECT_EQ(heard.activated, 0);
  w.mouse(QEvent::MouseButtonDblClick, 3, Qt::NoModifier, Qt::LeftButton | Qt::RightButton);
  EXPECT_EQ(heard.activated, 0);
  w.mouse(QEvent::MouseButtonDblClick, 1);
  EXPECT_EQ(heard.activated, 1);
  EXPECT_EQ(w.selected(), (std::set<int>{1}));
}

TEST(ListBoxMouse, ClickBelowTheRowsAndOnADisabledListSelectsNothing) {
  Window w(0, 2);
  w.mouse(QEvent::MouseButtonPress, 4);
  EXPECT_TRUE(w.selected().empty());
  w.list->setEnabled(false);
  w.mouse(QEvent::MouseButtonPress, 1);
  EXPECT_TRUE(w.selected().empty());
}

TEST(ListBoxFocus, LosingFocusClearsCurrentRowUnlessKept) {
  for (bool keep : {false, true}) {
    Window w(keep ? kListKeepCurrent : 0u);
    Heard heard(*w.list);
    w.mouse(QEvent::MouseButtonPress, 3);
    ASSERT_EQ(w.list->currentRow(), 3);
    w.other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(heard.focusLost, 1);
    EXPECT_EQ(w.list->currentRow(), keep ? 3 : -1) << keep;
    EXPECT_TRUE(w.list->isSelected(3));  // the selection stays either way
    w.list->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(w.list->currentRow(), 3) << keep;
  }
}

TEST(ListBoxScrolling, ScrollBarFollowsRowsAndMovesTheTopRow) {
  Window w(0, 30);
  const int visible = w.list->visibleRows();
  ASSERT_GE(visible, 2);
  QScrollBar* bar = w.list->verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 30 - visible);
  EXPECT_EQ(bar->pageStep(), visible - 1);
  bar->setValue(5);
  EXPECT_EQ(w.list->topRow(), 5);
  EXPECT_EQ(w.list->rowAt(0), 5);
  w.mouse(QEvent::MouseButtonPress, 6);
  EXPECT_EQ(w.selected(), (std::set<int>{6}));
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(w.list->topRow(), 5 + visible - 1);
}

TEST(ListBoxClipboard, CopyPutsTitleHeaderAndFieldsAsLatin1) {
  ListBox list(QStringLiteral("2"), {{5, 2}, {8, 0}, {3, 1}}, "Time Name    Ln ", 0);
  list.addRow("9:00aJos\xE9\xBE    12", 1, 0, 0, 0, 0);
  list.addRow("raw\xB7", 2, 0, 0, -1, 0);
  list.copyToClipboard(QStringLiteral("Day List - Monday, December 7, 2026"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            QStringLiteral("Day List - Monday, December 7, 2026\nTime\tName\tLn\n"
                           "9:00a\tJos\u00E9\u00BB\t 12\nraw\u00B7\n"));
}

}  // namespace
