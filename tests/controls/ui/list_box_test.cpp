// The list window driven by real key and mouse events on the offscreen platform: selection,
// signals, focus, scrolling, the clipboard, and what a drawn list looks like.

#include "controls/ui/list_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<ListColumn> kDayColumns = {{6, 2},  {7, 2}, {25, 0}, {12, 2},
                                             {16, 0}, {3, 1}, {13, 1}};
const char kDayHeader[] =
    "Time  Status Name                       Prov/Op   Reason          Ln Phone         ";

// A row as the day list composes it.
std::string dayRow(const char* time, const char* status, char marker, const char* name,
                   const char* prov, const char* op, const char* reason, int length,
                   const char* phone) {
  std::array<char, 128> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%6.6s%6.6s%c%-25.25s%6.6s/%4.4s %-16.16s%3d%13.13s",
                time, status, marker, name, prov, op, reason, length, phone);
  return buffer.data();
}

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
    list = new ListBox(QStringLiteral("2"), kDayColumns, kDayHeader, flags, &top);
    layout->addWidget(list);
    layout->addWidget(other);
    for (int i = 0; i < rows; ++i) {
      const std::string name = "Patient " + std::to_string(i);
      list->addRow(dayRow(" 9:00a", "Conf", ' ', name.c_str(), "DR1", "OP1 ", "Exam", 30, ""),
                   100 + i, 200 + i, 0, 0, 0);
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

TEST(ListBoxKeys, PageDownIsNotAKeyOfTheList) {
  Window w(0, 30);
  w.list->setFocus();
  w.list->selectRow(0, SelectAction::kSelect, false);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QApplication::sendEvent(w.list, &press);
  EXPECT_FALSE(press.isAccepted());
  EXPECT_EQ(w.list->currentRow(), 0);
  EXPECT_EQ(w.list->topRow(), 0);
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

TEST(ListBoxUpdates, ScrollRangeWaitsForTheEndOfAnUpdate) {
  Window w(0, 0);
  w.list->beginUpdate();
  for (int i = 0; i < 40; ++i) w.list->addRow("row", i, 0, 0, 0, 0);
  EXPECT_EQ(w.list->verticalScrollBar()->maximum(), 0);
  w.list->endUpdate();
  EXPECT_EQ(w.list->verticalScrollBar()->maximum(), 40 - w.list->visibleRows());
}

TEST(ListBoxWindow, NamesHeaderAfterTheListAndHonoursHiddenFlag) {
  Window w(0);
  EXPECT_NE(w.top.findChild<QWidget*>(QStringLiteral("2.MDIListBoxHeader")), nullptr);
  w.list->setObjectName(QStringLiteral("2000"));
  EXPECT_NE(w.top.findChild<QWidget*>(QStringLiteral("2000.MDIListBoxHeader")), nullptr);

  QWidget parent;
  auto* hidden = new ListBox(QStringLiteral("9"), kDayColumns, "", kListHidden, &parent);
  auto* shown = new ListBox(QStringLiteral("10"), kDayColumns, "", 0, &parent);
  parent.show();
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_TRUE(shown->isVisible());
  // Without a header text there is no header strip.
  EXPECT_EQ(parent.findChild<QWidget*>(QStringLiteral("9.MDIListBoxHeader")), nullptr);
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

// ---- Drawing

bool hasPixel(const QImage& image, const QRect& area, const QColor& colour) {
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      if (image.pixelColor(x, y).rgb() == colour.rgb()) return true;
    }
  }
  return false;
}

TEST(ListBoxDrawing, RowsShowSlotsSelectionMarksAndHeader) {
  QWidget top;
  auto* layout = new QVBoxLayout(&top);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* list = new ListBox(QStringLiteral("2"), kDayColumns, kDayHeader, 0, &top);
  layout->addWidget(list);
  list->beginUpdate();
  // slot 1: background; slot 12: text; markers at the end of the name field.
  list->addRow(dayRow(" 8:00a", "Conf", ' ', "Smith, John\xB7", "DR1", "OP1 ", "Crown prep", 60,
                      "(555)123-4567"),
               1, 0, 0, 0, 1);
  list->addRow(dayRow(" 9:30a", "Here", '?', "Walker, Ann\xB4\xBD", "DR2", "OP2 ",
                      "Cleaning and exam", 45, "    555-0101"),
               2, 0, 0, 0, 12);
  list->addRow(
      dayRow("10:15a", "Broken", ' ', "Nguyen, Tran\xBA", "HYG", "OP3 ", "Perio maint.", 30, ""), 3,
      0, 0, 0, 0);
  list->addRow(dayRow("11:00a", "<Cmpl>", ' ', "Okafor, Chidi\xB5\xB9", "DR1", "OP1 ", "Filling",
                      30, "(555)987-6543"),
               4, 0, 0, 0, 3);
  list->addRow(
      dayRow(" 1:00p", "W/Call", ' ', "Lopez, Maria\xBB", "DR2", "OP4 ", "Consult", 15, ""), 5, 0,
      0, 0, 0);
  list->addRow(dayRow(" 2:45p", "Conf", ' ', "A very long patient name that is cut", "DR1", "OP2 ",
                      "A long reason that is cut", 120, "(555)000-0000"),
               6, 0, 0, 0, 15);
  list->endUpdate();
  list->selectRow(2, SelectAction::kSelect, false);
  list->setCurrentRow(4);
  list->setFixedSize(list->sizeForRows(7));
  top.show();
  QApplication::processEvents();

  const QImage image = list->grab().toImage();
  ASSERT_FALSE(image.isNull());
  image.save(QStringLiteral("/tmp/vantrel_list_box.png"));

  auto rowBand = [&](int row) {
    const QPoint origin = list->viewport()->mapTo(list, QPoint(0, row * list->rowHeight()));
    return QRect(origin.x(), origin.y(), list->viewport()->width(), list->rowHeight());
  };
  auto cellOf = [&](int row, int column) {
    const QRect band = rowBand(row);
    return QRect(band.left() + list->columnEdge(column), band.top(),
                 list->columnEdge(column + 1) - list->columnEdge(column), band.height());
  };
  // Backgrounds of slots 1 and 3 at the left edge of the row, the highlight on the selected row.
  EXPECT_EQ(image.pixelColor(rowBand(0).left() + 1, rowBand(0).center().y()), list->colour(1));
  EXPECT_EQ(image.pixelColor(rowBand(3).left() + 1, rowBand(3).center().y()), list->colour(3));
  EXPECT_EQ(image.pixelColor(rowBand(2).left() + 1, rowBand(2).center().y()),
            list->palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(image.pixelColor(rowBand(4).left() + 1, rowBand(4).center().y()).rgb(),
            QColor(Qt::white).rgb());
  // Text colours: slot 12 on row 1, slot 15 on row 5, slot 0 (black) on row 4.
  EXPECT_TRUE(hasPixel(image, rowBand(1), list->colour(12)));
  EXPECT_TRUE(hasPixel(image, rowBand(5), list->colour(15)));
  EXPECT_FALSE(hasPixel(image, rowBand(5), list->colour(0)));
  EXPECT_TRUE(hasPixel(image, rowBand(4), list->colour(0)));
  // The alert pictures sit at the right end of the name column, in their level's colour.
  const QColor level1(240, 200, 0);
  const QColor level2(240, 110, 0);
  const QColor level4(130, 0, 150);
  EXPECT_TRUE(hasPixel(image, cellOf(0, 2), level1));
  EXPECT_TRUE(hasPixel(image, cellOf(1, 2), level2));
  EXPECT_TRUE(hasPixel(image, cellOf(2, 2), level4));
  EXPECT_FALSE(hasPixel(image, cellOf(0, 1), level1));
  EXPECT_FALSE(hasPixel(image, cellOf(4, 2), level1));
  // The header strip is the light grey face.
  const QPoint header = list->viewport()->mapTo(list, QPoint(2, -3));
  EXPECT_EQ(image.pixelColor(header), QColor(192, 192, 192));

  // A disabled list greys its text: no row keeps the normal black.
  list->setEnabled(false);
  const QImage disabled = list->grab().toImage();
  disabled.save(QStringLiteral("/tmp/vantrel_list_box_disabled.png"));
  EXPECT_TRUE(hasPixel(image, rowBand(4), list->colour(0)));
  EXPECT_FALSE(hasPixel(disabled, rowBand(4), list->colour(0)));
  EXPECT_FALSE(hasPixel(disabled, rowBand(1), list->colour(12)));
}

}  // namespace
