// The list window driven by real key and mouse events on the offscreen platform: that each event
// reaches the model as the right operation, and signals, focus, scrolling and the clipboard.

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

using Rows = std::set<int>;

// A shown window holding the list (rows 0, 1, ... with first values 100, 101, ...) and, first
// in the focus chain, a line edit to take the focus away; counts what the list signals.
struct Window {
  QWidget top;
  QLineEdit* other = new QLineEdit(&top);
  ListBox* list;
  int focusGained = 0, focusLost = 0, activated = 0, selectionChanged = 0;
  std::vector<int> tabs;

  explicit Window(std::uint32_t flags, int rows = 8)
      : list(new ListBox(QStringLiteral("2"), {{6, 2}, {25, 0}, {6, 1}}, "Time  Name", flags,
                         &top)) {
    auto* layout = new QVBoxLayout(&top);
    layout->addWidget(list);
    layout->addWidget(other);
    for (int i = 0; i < rows; ++i) {
      list->addRow(" 9:00aPatient " + std::to_string(i), 100 + i, 200 + i, 0, 0, 0);
    }
    list->setFixedSize(list->sizeForRows(5));
    QObject::connect(list, &ListBox::focusGained, list, [this] { ++focusGained; });
    QObject::connect(list, &ListBox::focusLost, list, [this] { ++focusLost; });
    QObject::connect(list, &ListBox::activated, list, [this] { ++activated; });
    QObject::connect(list, &ListBox::selectionChanged, list, [this] { ++selectionChanged; });
    QObject::connect(list, &ListBox::tabPressed, list, [this](int kind) { tabs.push_back(kind); });
    top.show();
    QApplication::setActiveWindow(&top);
    QApplication::processEvents();
  }

  // Whether the list took the key.
  bool key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(list, &press);
    return press.isAccepted();
  }

  void mouse(QEvent::Type type, int row, Qt::KeyboardModifiers mods = Qt::NoModifier,
             Qt::MouseButtons held = Qt::LeftButton) {
    const QPoint at(20, (row - list->topRow()) * list->rowHeight() + list->rowHeight() / 2);
    QMouseEvent event(type, QPointF(at), QPointF(list->viewport()->mapToGlobal(at)), Qt::LeftButton,
                      held, mods);
    QApplication::sendEvent(list->viewport(), &event);
  }

  Rows selected() const {
    Rows rows;
    for (int i = 0; i < list->count(); ++i) {
      if (list->isSelected(i)) rows.insert(i);
    }
    return rows;
  }
};

TEST(ListBoxKeys, EachKeyReachesTheModelAndSignals) {
  Window w(kListMultipleSelection);
  w.list->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(w.list->hasFocus());
  EXPECT_EQ(w.focusGained, 1);
  EXPECT_EQ(w.list->currentRow(), 0);  // the top row on first focus
  w.key(Qt::Key_Down);
  EXPECT_EQ(w.selected(), Rows{1});
  w.key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(w.selected(), (Rows{1, 2}));
  w.key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(w.list->currentRow(), 3);
  w.key(Qt::Key_Space);
  EXPECT_EQ(w.selected(), (Rows{1, 2, 3}));
  w.key(Qt::Key_End);
  EXPECT_EQ(w.selected(), Rows{7});
  EXPECT_GT(w.list->topRow(), 0);  // scrolled so the last row shows
  EXPECT_EQ(w.list->verticalScrollBar()->value(), w.list->topRow());
  w.key(Qt::Key_Home);
  EXPECT_EQ(w.selected(), Rows{0});
  EXPECT_EQ(w.selectionChanged, 5);
  EXPECT_FALSE(w.key(Qt::Key_PageDown)) << "page keys are left to the scroll bar";
  EXPECT_EQ(w.list->currentRow(), 0);
  w.key(Qt::Key_Return);
  EXPECT_EQ(w.activated, 1);
  ListRow row;
  EXPECT_EQ(w.list->getRow(-1, false, &row), 0);
  EXPECT_EQ(row.first, 100u);
  EXPECT_EQ(row.second, 200u);
  // Tab keys go to the owner, not along the focus chain.
  w.key(Qt::Key_Tab);
  w.key(Qt::Key_Tab, Qt::ControlModifier);
  w.key(Qt::Key_Backtab, Qt::ShiftModifier);
  w.key(Qt::Key_Escape);
  EXPECT_EQ(w.tabs, (std::vector<int>{kListNotifyTab, kListNotifyCtrlTab, kListNotifyShiftTab,
                                      kListNotifyTab}));
  EXPECT_TRUE(w.list->hasFocus());
}

TEST(ListBoxMouse, ClickSelectsCtrlTogglesShiftExtendsAndDoubleClickActivates) {
  Window w(kListMultipleSelection);
  w.mouse(QEvent::MouseButtonPress, 2);
  EXPECT_TRUE(w.list->hasFocus());
  w.mouse(QEvent::MouseButtonPress, 4, Qt::ControlModifier);
  EXPECT_EQ(w.selected(), (Rows{2, 4}));
  w.mouse(QEvent::MouseButtonPress, 2, Qt::ControlModifier);
  EXPECT_EQ(w.selected(), Rows{4});
  w.mouse(QEvent::MouseButtonPress, 0, Qt::ShiftModifier);  // from the current row 2
  EXPECT_EQ(w.selected(), (Rows{0, 1, 2, 4}));
  EXPECT_EQ(w.selectionChanged, 4);
  // Ctrl, Shift or the right button held make a double click a plain click.
  w.mouse(QEvent::MouseButtonDblClick, 3, Qt::ControlModifier);
  w.mouse(QEvent::MouseButtonDblClick, 3, Qt::ShiftModifier);
  w.mouse(QEvent::MouseButtonDblClick, 3, Qt::NoModifier, Qt::LeftButton | Qt::RightButton);
  EXPECT_EQ(w.activated, 0);
  w.mouse(QEvent::MouseButtonDblClick, 1);
  EXPECT_EQ(w.activated, 1);
  EXPECT_EQ(w.selected(), Rows{1});
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
    w.mouse(QEvent::MouseButtonPress, 3);
    ASSERT_EQ(w.list->currentRow(), 3);
    w.other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(w.focusLost, 1);
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
  EXPECT_EQ(w.list->rowAt(0), 5);
  w.mouse(QEvent::MouseButtonPress, 6);
  EXPECT_EQ(w.selected(), Rows{6});
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
