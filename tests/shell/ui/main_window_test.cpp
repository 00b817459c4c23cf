// The main window on a practice database, offscreen; controls are found by their names, as a
// script would.

#include "shell/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "controls/ui/list_box.h"
#include "data/schema.h"
#include "data/users.h"
#include "lists/row_composers.h"
#include "shell/ui/header_strip.h"
#include "tests/shell/ui/support/practice.h"
#include "tools/admin_command.h"

namespace {

using shellui::isoDate;
using shellui::PracticeTest;

const PackedDate kWednesday = QRX_DateIn(2026, 3, 11);

std::vector<std::string> split(const std::string& text, char separator = '\n') {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string field; std::getline(in, field, separator);) out.push_back(field);
  return out;
}

class DemoWindow : public PracticeTest {
 protected:
  // Opens on "today" as the program does, with the demo practice around it.
  void open(PackedDate today) {
    today_.set(isoDate(today));
    makeDemo(today);
    openWindow(QRX_SysDate());
  }
  // The rows show exactly the appointments of `date`, in start-time order.
  void expectRowsOf(PackedDate date) {
    std::vector<std::uint32_t> expected, shown;
    for (const AppointmentRecord& a : storedRecords<AppointmentRecord>(kAppointmentFile)) {
      if (a.date() == date) expected.push_back(a.identifier());
    }
    ASSERT_FALSE(expected.empty()) << "the demo has appointments on every working day";
    int lastStart = -1;
    for (int i = 0; i < window_->dayList().count(); ++i) {
      const auto appt = appointment(window_->dayList().model().row(i)->first);
      ASSERT_TRUE(appt.has_value());
      const int start = appt->startHour() * 60 + appt->startMinute();
      EXPECT_GE(start, lastStart) << "rows in start-time order";
      lastStart = start;
      shown.push_back(appt->identifier());
    }
    std::sort(shown.begin(), shown.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shown, expected);
  }
  QString headerDate() const { return window_->headerStrip().dateText(); }
};

TEST_F(DemoWindow, OpensOnTodayWithTheDateAndEveryAppointmentOfTheDay) {
  open(kWednesday);
  EXPECT_EQ(window_->findChild<HeaderStrip*>(QStringLiteral("3")), &window_->headerStrip());
  EXPECT_EQ(headerDate(), QStringLiteral("Wednesday, March 11, 2026"));
  ASSERT_EQ(window_->findChild<ListBox*>(QStringLiteral("2")), &window_->dayList());
  expectRowsOf(kWednesday);
  EXPECT_TRUE(prompter_.asked().empty());
  // The workstation told the others what it shows.
  ASSERT_TRUE(station(101).has_value());
  EXPECT_EQ(station(101)->date(), kWednesday);
}

TEST_F(DemoWindow, NextAndPreviousDateCrossTheMonthEnd) {
  open(QRX_DateIn(2026, 3, 31));
  auto* next = window_->findChild<QToolButton*>(QStringLiteral("101"));
  auto* previous = window_->findChild<QToolButton*>(QStringLiteral("102"));
  ASSERT_NE(next, nullptr);
  ASSERT_NE(previous, nullptr);
  next->click();
  EXPECT_EQ(headerDate(), QStringLiteral("Wednesday, April 1, 2026"));
  expectRowsOf(QRX_DateIn(2026, 4, 1));
  EXPECT_EQ(station(101)->date(), QRX_DateIn(2026, 4, 1));
  previous->click();
  previous->click();
  EXPECT_EQ(headerDate(), QStringLiteral("Monday, March 30, 2026"));
  expectRowsOf(QRX_DateIn(2026, 3, 30));
  EXPECT_EQ(station(101)->date(), QRX_DateIn(2026, 3, 30));
}

TEST_F(DemoWindow, CopyListPutsTheTitleTheHeaderAndEveryRowOnTheClipboard) {
  open(kWednesday);
  QGuiApplication::clipboard()->clear();
  window_->action(kCmdCopyList)->trigger();
  const std::vector<std::string> copied = split(QGuiApplication::clipboard()->text().toStdString());
  const std::vector<std::string> rows = rowTexts();
  ASSERT_EQ(copied.size(), rows.size() + 2);
  EXPECT_EQ(copied[0], "Vantrel Appointment List - Wednesday, March 11, 2026");
  const std::vector<std::string> header = split(copied[1], '\t');
  ASSERT_EQ(header.size(), 7u);
  EXPECT_EQ(header[2], "Name");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string> fields = split(copied[i + 2], '\t');
    ASSERT_GE(fields.size(), 3u) << copied[i + 2];
    // The name field of the row, without the padding of its column.
    std::string name = rows[i].substr(13, 25);
    name.erase(name.find_last_not_of(' ') + 1);
    EXPECT_EQ(fields[2], name);
  }
}

// The day command of the administration tool prints, for the same date and view, exactly the
// rows the window shows.
TEST_F(DemoWindow, DayCommandPrintsTheRowsTheWindowShowsInEveryView) {
  today_.set(isoDate(kWednesday));
  makeDemo(kWednesday);
  // The view saved as APPT/APPTVIEW, then the command's options for the same view.
  const std::vector<std::vector<std::string>> views = {
      {"0"}, {"1(OP5 )", "--op", "OP5"}, {"2(DDS1)", "--prov", "DDS1"}};
  std::size_t total = 0;
  for (const std::vector<std::string>& view : views) {
    SCOPED_TRACE(view[0]);
    setProfile("APPT", "APPTVIEW", view[0]);
    std::vector<std::string> args = {"--data", dataPath(), "day", "2026-03-11"};
    args.insert(args.end(), view.begin() + 1, view.end());
    std::ostringstream out, err;
    closeDatabase();  // the command opens and closes the database itself
    ASSERT_EQ(runAdminCommand(args, out, err), 0) << err.str();
    reopenDatabase();

    openWindow(kWednesday);
    std::vector<std::string> expected = rowTexts();
    expected.insert(expected.begin(), std::string(listHeader(ListKind::kDay)));
    EXPECT_EQ(split(out.str()), expected);
    total += expected.size() - 1;
  }
  EXPECT_GT(total, views.size()) << "the views must show rows to compare";
}

class SmallWindow : public PracticeTest {
 protected:
  void SetUp() override {
    PracticeTest::SetUp();
    makeSmallPractice();
  }
  void TearDown() override {
    QRX_SignOff();
    PracticeTest::TearDown();
  }
  // Adds the user `login` (password "pw-" + login) with `rights` and signs him on.
  void signOn(const std::string& login, const std::vector<int>& rights) {
    std::uint32_t id = 0;
    ASSERT_EQ(addUser(login, login, "pw-" + login, rights, &id), 0);
    ASSERT_EQ(QRX_SignOn(login.c_str(), ("pw-" + login).c_str()), 1);
  }
  std::vector<std::string> statusItems() const {
    std::vector<std::string> items;
    auto* menu = window_->findChild<QMenu*>(QStringLiteral("menuStatus"));
    EXPECT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) {
      items.push_back(a->objectName().toStdString() + " " + a->text().toStdString() +
                      (a->isEnabled() ? "" : " (disabled)"));
    }
    return items;
  }
  const PackedDate day_ = kWednesday;
};

TEST_F(SmallWindow, StatusMenuHasAnItemPerDefinedStatusAndFollowsRefresh) {
  addStatus(0, "Wait", '1');
  addStatus(1, "Here", '2');
  addStatus(12, "Lab&In", '3');
  openWindow(day_);
  EXPECT_EQ(statusItems(),
            (std::vector<std::string>{"300 Wait (disabled)", "301 Here", "312 Lab&&In"}));
  addStatus(2, "Seated", '2');
  window_->runCommand(kCmdRefresh);
  EXPECT_EQ(statusItems(), (std::vector<std::string>{"300 Wait (disabled)", "301 Here",
                                                     "302 Seated", "312 Lab&&In"}));
}

// That other workstations hear of the change is the two-process test's part.
TEST_F(SmallWindow, SetStatusNeedsASelectedRowAndChangesOnlyTheStatusKeepingTheSelection) {
  addStatus(3, "Ready", '1');
  const std::uint32_t first = addAppointment({day_, "OP1", "DR1", 9, 0, "Adams"});
  const std::uint32_t second = addAppointment({day_, "OP2", "DR2", 10, 30, "Brown"});
  const AppointmentRecord before = *appointment(second);
  openWindow(day_);
  ASSERT_EQ(rowOf(second), 1);
  window_->action(303)->trigger();
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt p = prompter_.asked()[0].prompt;
  EXPECT_EQ(p.text, "No appointment selected!");
  EXPECT_EQ(p.icon, PromptIcon::kStop);
  EXPECT_TRUE(appointment(second)->sameBytes(before));
  EXPECT_EQ(appointment(first)->status(), 0);

  prompter_.clearRecord();
  window_->dayList().selectRow(1, SelectAction::kSelect, false);
  window_->action(303)->trigger();
  EXPECT_TRUE(prompter_.asked().empty());
  const AppointmentRecord after = *appointment(second);
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after.bytes()[i], i == 155 ? 3 : before.bytes()[i]) << "byte " << i;
  }
  EXPECT_EQ(rowOf(first), 0);
  ASSERT_EQ(rowOf(second), 1);
  EXPECT_TRUE(window_->dayList().isSelected(1));
  EXPECT_EQ(rowTexts()[1].substr(6, 6), " Ready");
  // Status 0 is not set from the menu.
  window_->runCommand(kCmdStatusBase);
  EXPECT_EQ(appointment(second)->status(), 3);
}

TEST_F(SmallWindow, ModuleWhoseProgramIsMissingShowsMessage3196) {
  setProfile("MODULES", "12112", "vantrel-test-no-such-program");
  openWindow(day_);
  window_->action(12112)->trigger();
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3196);
  EXPECT_NE(prompter_.asked()[0].prompt.text.find("error 2"), std::string::npos);
}

TEST_F(SmallWindow, ClosingRemovesTheWorkstationRecord) {
  openWindow(day_);
  window_->show();
  ASSERT_TRUE(station(101).has_value());
  window_->action(kCmdExit)->trigger();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(station(101).has_value()) << "others would go on notifying a closed window";
}

// The modal dialog a command opens: its title, read while it runs, after which it is closed
// unchanged (Escape). Empty when the command opened none.
template <typename Command>
std::string titleOfModalOpenedBy(Command command) {
  std::string title;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&title] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      title = modal->windowTitle().toStdString();
      QTest::keyClick(modal, Qt::Key_Escape);
    }
  });
  timer.start(0);
  command();
  timer.stop();  // no dialog ran its loop: the timer must not fire later
  return title;
}

TEST_F(SmallWindow, SetupCommandsNeedTheirRightsAndThenOpenTheirDialogs) {
  signOn("desk", {kRightRunAppointmentList});
  openWindow(day_);
  // The desk lacks right 68: the approval prompt is cancelled and no dialog opens.
  EXPECT_EQ(titleOfModalOpenedBy([this] { window_->runCommand(kCmdPracticeSetup); }), "");
  ASSERT_FALSE(prompter_.asked().empty());
  EXPECT_NE(prompter_.asked().back().prompt.text.find("right 68"), std::string::npos);

  signOn("setup", {kRightPracticeSetup, kRightProviderSetup});
  EXPECT_EQ(titleOfModalOpenedBy([this] { window_->runCommand(kCmdPracticeSetup); }),
            "Practice Appointment Setup");
  EXPECT_EQ(titleOfModalOpenedBy([this] { window_->runCommand(kCmdProviderSetup); }),
            "Provider Setup");
}

TEST_F(SmallWindow, EnterOnARowOpensItsAppointment) {
  const std::uint32_t id = addAppointment({day_, "OP1", "DR1", 9, 0, "Adams"});
  signOn("desk", {kRightEditAppointment, kRightNewAppointment});
  openWindow(day_);
  ASSERT_EQ(rowOf(id), 0);
  window_->dayList().selectRow(0, SelectAction::kSelect, false);
  const std::string title =
      titleOfModalOpenedBy([this] { QTest::keyClick(&window_->dayList(), Qt::Key_Return); });
  EXPECT_EQ(title.rfind("Appointment Information - (", 0), 0u) << "[" << title << "]";
}

class BareWindow : public PracticeTest {};

TEST_F(BareWindow, NoOperatoryStopsTheStartAndLeavesNoWorkstationRecord) {
  makeSmallPractice(false);
  window_ = std::make_unique<MainWindow>(db_, prompter_, loadShellSettings());
  EXPECT_FALSE(window_->setUp(kWednesday));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text,
            "No Provider or No Operatory! Practice must be setup.");
  EXPECT_FALSE(station(101).has_value());
}

}  // namespace
