// The main window on a practice database, offscreen: what it shows on start, the date commands,
// refresh, the clipboard, the Status menu and the status change, the module starts, the toolbar
// and what it leaves behind when it closes. Controls are found by their names, as a script would.

#include "shell/ui/main_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "controls/ui/list_box.h"
#include "data/database_setup.h"
#include "data/schema.h"
#include "lists/row_composers.h"
#include "shell/station_notify.h"
#include "shell/ui/header_strip.h"
#include "tests/shell/ui/support/practice.h"
#include "tests/support/waiting.h"
#include "tools/admin_command.h"

namespace {

using shellui::Appt;
using shellui::isoDate;
using shellui::PracticeTest;

const PackedDate kWednesday = QRX_DateIn(2026, 3, 11);
const PackedDate kMonthEnd = QRX_DateIn(2026, 3, 31);

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, separator)) out.push_back(field);
  return out;
}

// ---------------------------------------------------------------------------------------------
// On the demo practice

class DemoWindow : public PracticeTest {
 protected:
  void open(PackedDate today) {
    todayEnv_.set(isoDate(today));
    makeDemo(today);
    openWindow(QRX_SysDate());
  }

  // The identifiers of the appointments of `date`, in start-time order, counted straight from
  // the file.
  std::vector<std::uint32_t> appointmentsOf(PackedDate date) {
    std::vector<AppointmentRecord> found;
    for (const AppointmentRecord& a : appointments()) {
      if (a.date() == date) found.push_back(a);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      return a.startHour() * 60 + a.startMinute() < b.startHour() * 60 + b.startMinute();
    });
    std::vector<std::uint32_t> ids;
    for (const AppointmentRecord& a : found) ids.push_back(a.identifier());
    return ids;
  }

  std::vector<std::uint32_t> rowIds() const {
    std::vector<std::uint32_t> ids;
    const ListBox& list = window_->dayList();
    for (int i = 0; i < list.count(); ++i) ids.push_back(list.model().row(i)->first);
    return ids;
  }

  // Every shown appointment, in order, is one of the date's, and every one of the date's is
  // shown; appointments at the same time may come in either order.
  void expectRowsOf(PackedDate date) {
    const std::vector<std::uint32_t> expected = appointmentsOf(date);
    ASSERT_FALSE(expected.empty()) << "the demo has appointments on every working day";
    std::vector<std::uint32_t> shown = rowIds();
    ASSERT_EQ(shown.size(), expected.size());
    int lastStart = -1;
    for (const std::uint32_t id : shown) {
      const auto appt = appointment(id);
      ASSERT_TRUE(appt.has_value());
      EXPECT_EQ(appt->date(), date);
      const int start = appt->startHour() * 60 + appt->startMinute();
      EXPECT_GE(start, lastStart) << "rows in start-time order";
      lastStart = start;
    }
    std::vector<std::uint32_t> sortedExpected = expected;
    std::sort(shown.begin(), shown.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(shown, sortedExpected);
  }

  QString headerDate() const { return window_->headerStrip().dateText(); }
};

TEST_F(DemoWindow, OpensOnTodayWithTheDateAndEveryAppointmentOfTheDay) {
  open(kWednesday);
  MainWindow& w = *window_;
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel Appointment List"));
  EXPECT_EQ(w.objectName(), QStringLiteral("ApptBook"));
  auto* header = w.findChild<HeaderStrip*>(QStringLiteral("3"));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->dateText(), QStringLiteral("Wednesday, March 11, 2026"));
  EXPECT_EQ(header->viewText(), QStringLiteral("    "));
  ASSERT_EQ(w.findChild<ListBox*>(QStringLiteral("2")), &w.dayList());
  expectRowsOf(kWednesday);
  EXPECT_TRUE(prompter_.asked().empty());

  // The workstation told the others what it shows.
  const auto own = station(101);
  ASSERT_TRUE(own.has_value());
  EXPECT_EQ(own->date(), kWednesday);
  EXPECT_EQ(own->viewMode(), 0);
}

TEST_F(DemoWindow, NextAndPreviousDateCrossTheMonthEnd) {
  open(kMonthEnd);
  EXPECT_EQ(headerDate(), QStringLiteral("Tuesday, March 31, 2026"));
  auto* next = window_->findChild<QToolButton*>(QStringLiteral("101"));
  auto* previous = window_->findChild<QToolButton*>(QStringLiteral("102"));
  ASSERT_NE(next, nullptr);
  ASSERT_NE(previous, nullptr);

  next->click();
  EXPECT_EQ(headerDate(), QStringLiteral("Wednesday, April 1, 2026"));
  EXPECT_EQ(window_->listState().date, QRX_DateIn(2026, 4, 1));
  expectRowsOf(QRX_DateIn(2026, 4, 1));
  EXPECT_EQ(station(101)->date(), QRX_DateIn(2026, 4, 1));

  previous->click();
  previous->click();
  EXPECT_EQ(headerDate(), QStringLiteral("Monday, March 30, 2026"));
  expectRowsOf(QRX_DateIn(2026, 3, 30));
  EXPECT_EQ(station(101)->date(), QRX_DateIn(2026, 3, 30));
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(DemoWindow, KeysMoveTheDateAndReloadWhileTheListHasTheFocus) {
  open(kMonthEnd);
  window_->show();
  QApplication::setActiveWindow(window_.get());
  window_->dayList().setFocus();
  ASSERT_TRUE(window_->dayList().hasFocus());
  struct Press {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    PackedDate expected;
  };
  for (const Press& p : {Press{Qt::Key_Right, Qt::ControlModifier, kMonthEnd + 1},
                         Press{Qt::Key_Right, Qt::AltModifier, kMonthEnd + 2},
                         Press{Qt::Key_Left, Qt::ControlModifier, kMonthEnd + 1},
                         Press{Qt::Key_Left, Qt::AltModifier, kMonthEnd}}) {
    QTest::keyClick(&window_->dayList(), p.key, p.modifiers);
    EXPECT_EQ(window_->listState().date, p.expected);
  }
  const std::uint32_t early = addAppointment({kMonthEnd, "OP1", "DDS1", 7, 0, "Early, Bird"});
  QTest::keyClick(&window_->dayList(), Qt::Key_F5);
  EXPECT_EQ(rowOf(early), 0);
  // Arrows alone move in the list, not the date.
  QTest::keyClick(&window_->dayList(), Qt::Key_Down);
  EXPECT_EQ(window_->listState().date, kMonthEnd);
}

TEST_F(DemoWindow, RefreshShowsWhatAnotherWorkstationWroteMeanwhile) {
  open(kWednesday);
  const int before = window_->dayList().count();
  const std::uint32_t early = addAppointment({kWednesday, "OP1", "DDS1", 7, 0, "Early, Bird"});
  EXPECT_EQ(rowOf(early), -1) << "nothing reloads on its own";
  window_->action(kCmdRefresh)->trigger();
  EXPECT_EQ(window_->dayList().count(), before + 1);
  EXPECT_EQ(rowOf(early), 0) << "7:00 is before every demo appointment";
  EXPECT_NE(rowTexts()[0].find("Early, Bird"), std::string::npos);
}

TEST_F(DemoWindow, CopyListPutsTheTitleTheHeaderAndEveryRowOnTheClipboard) {
  open(kWednesday);
  QGuiApplication::clipboard()->clear();
  window_->action(kCmdCopyList)->trigger();
  const std::vector<std::string> copied = lines(QGuiApplication::clipboard()->text().toStdString());
  const std::vector<std::string> rows = rowTexts();
  ASSERT_EQ(copied.size(), rows.size() + 2);
  EXPECT_EQ(copied[0], "Vantrel Appointment List - Wednesday, March 11, 2026");
  const std::vector<std::string> header = split(copied[1], '\t');
  ASSERT_EQ(header.size(), 7u);
  EXPECT_EQ(header[0], "Time");
  EXPECT_EQ(header[2], "Name");
  EXPECT_EQ(header[6], "Phone");
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
  todayEnv_.set(isoDate(kWednesday));
  makeDemo(kWednesday);
  struct View {
    std::string saved;  // APPT/APPTVIEW
    std::vector<std::string> options;
  };
  const std::vector<View> views = {
      {"0", {}}, {"1(OP5 )", {"--op", "OP5"}}, {"2(DDS1)", {"--prov", "DDS1"}}};
  std::size_t total = 0;
  for (const View& view : views) {
    SCOPED_TRACE(view.saved);
    setProfile("APPT", "APPTVIEW", view.saved);
    std::vector<std::string> args = {"--data", dataPath(), "day", "2026-03-11"};
    args.insert(args.end(), view.options.begin(), view.options.end());
    std::ostringstream out, err;
    // The command closes the database when it ends: the window's session must end first.
    window_.reset();
    db_.endSession();
    ASSERT_EQ(runAdminCommand(args, out, err), 0) << err.str();
    ASSERT_EQ(QDB_InitDataBase(dataPath().c_str()), 1);
    ASSERT_EQ(db_.startSession(), 0);
    writer_ = QDB_StartSession(1);

    openWindow(kWednesday);
    std::vector<std::string> expected = {std::string(listHeader(ListKind::kDay))};
    const std::vector<std::string> rows = rowTexts();
    expected.insert(expected.end(), rows.begin(), rows.end());
    EXPECT_EQ(lines(out.str()), expected);
    total += rows.size();
  }
  EXPECT_GT(total, views.size()) << "the views must show rows to compare";
}

// ---------------------------------------------------------------------------------------------
// On a small practice of the test's own

class SmallWindow : public PracticeTest {
 protected:
  void SetUp() override {
    PracticeTest::SetUp();
    makeSmallPractice();
  }
  void selectRowOf(std::uint32_t id) {
    const int row = rowOf(id);
    ASSERT_GE(row, 0);
    window_->dayList().selectRow(row, SelectAction::kSelect, false);
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
  addStatus(3, "Ready", 'x', "16744448");
  addStatus(12, "Lab&In", '3');
  openWindow(day_);
  EXPECT_EQ(statusItems(), (std::vector<std::string>{"300 Wait (disabled)", "301 Here", "303 Ready",
                                                     "312 Lab&&In"}));
  EXPECT_EQ(window_->menuBar()->actions().at(2)->text(), QStringLiteral("S&tatus"));

  addStatus(2, "Seated", '2');
  window_->runCommand(kCmdRefresh);
  EXPECT_EQ(statusItems(), (std::vector<std::string>{"300 Wait (disabled)", "301 Here",
                                                     "302 Seated", "303 Ready", "312 Lab&&In"}));
}

TEST_F(SmallWindow, StatusMenuOfAPracticeWithoutStatusesSaysSo) {
  openWindow(day_);
  const std::vector<std::string> items = statusItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_NE(items[0].find("(disabled)"), std::string::npos);
}

TEST_F(SmallWindow, StatusCommandWithoutSelectedRowSaysNoAppointmentSelected) {
  addStatus(1, "Here", '2');
  const std::uint32_t id = addAppointment({day_, "OP1", "DR1", 9, 0, "Adams"});
  const AppointmentRecord before = *appointment(id);
  openWindow(day_);
  ASSERT_EQ(window_->dayList().count(), 1);
  ASSERT_EQ(window_->dayList().model().selectedCount(), 0);

  window_->action(301)->trigger();
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& p = prompter_.asked()[0].prompt;
  EXPECT_EQ(p.caption, "Appointment List");
  EXPECT_EQ(p.text, "No appointment selected!");
  EXPECT_EQ(p.icon, PromptIcon::kStop);
  EXPECT_TRUE(appointment(id)->sameBytes(before));
}

TEST_F(SmallWindow, SetStatusChangesOnlyTheStatusKeepsTheRowSelectedAndTellsOthers) {
  addStatus(1, "Here", '2');
  addStatus(3, "Ready", '1');
  const std::uint32_t first = addAppointment({day_, "OP1", "DR1", 9, 0, "Adams"});
  const std::uint32_t second = addAppointment({day_, "OP2", "DR2", 10, 30, "Brown"});
  // Another workstation shows the same day.
  ASSERT_EQ(registerView(102, day_, 0, "", ""), 0);
  const AppointmentRecord before = *appointment(second);
  openWindow(day_);
  selectRowOf(second);

  window_->action(303)->trigger();
  EXPECT_TRUE(prompter_.asked().empty());
  const AppointmentRecord after = *appointment(second);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i == 155) {
      EXPECT_EQ(after.bytes()[i], 3);
    } else {
      EXPECT_EQ(after.bytes()[i], before.bytes()[i]) << "byte " << i;
    }
  }
  ASSERT_EQ(window_->dayList().count(), 2);
  const int row = rowOf(second);
  ASSERT_EQ(row, 1);
  EXPECT_TRUE(window_->dayList().isSelected(row));
  EXPECT_EQ(rowTexts()[1].substr(6, 6), " Ready");
  EXPECT_EQ(rowOf(first), 0);

  const auto other = station(102);
  ASSERT_TRUE(other.has_value());
  ASSERT_EQ(other->pendingCount(), 1);
  EXPECT_EQ(other->pendingId(0), second);
  EXPECT_EQ(other->pendingKind(0), StationRecord::kChanged);

  // Status 0 is not set from the menu.
  window_->runCommand(kCmdStatusBase);
  EXPECT_EQ(appointment(second)->status(), 3);
}

TEST_F(SmallWindow, ModuleWhoseProgramIsMissingShowsMessage3196) {
  setProfile("MODULES", "12112", "vantrel-test-no-such-program");
  openWindow(day_);
  window_->action(12112)->trigger();
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& p = prompter_.asked()[0].prompt;
  EXPECT_EQ(p.messageNumber, 3196);
  EXPECT_NE(p.text.find("error 2"), std::string::npos) << p.text;
}

TEST_F(SmallWindow, ModuleIsStartedWithThePatientOfTheSelectedRow) {
  const std::string script = dir_.file("record-args");
  const std::string out = dir_.file("args");
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << out << ".tmp' && mv '" << out << ".tmp' '" << out
      << "'\n";
  }
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  setProfile("MODULES", "12113", script);
  const std::uint32_t id = addAppointment({day_, "OP1", "DR1", 9, 0, "Adams", 4711});
  openWindow(day_);

  window_->action(12113)->trigger();
  EXPECT_EQ(vantrel::test::waitForFile(out), "/ID0\n") << "no row selected: no patient";
  std::remove(out.c_str());

  selectRowOf(id);
  window_->action(12113)->trigger();
  EXPECT_EQ(vantrel::test::waitForFile(out), "/ID4711\n");
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(SmallWindow, PatientButtonsAndMarksFollowTheSelectedRow) {
  const std::uint32_t withRx = addPatient("Rx");
  const std::uint32_t alerted = addPatient("Alert", true);
  addPatientItem(kPrescriptionFile, withRx);
  addPatientItem(kQuestionnaireFile, alerted);
  const std::uint32_t a = addAppointment({day_, "OP1", "DR1", 9, 0, "Rx", withRx});
  const std::uint32_t b = addAppointment({day_, "OP1", "DR1", 10, 0, "Alert", alerted});
  const std::uint32_t c = addAppointment({day_, "OP1", "DR1", 11, 0, "New person", 0});
  openWindow(day_);
  QAction* letters = window_->action(12118);
  ASSERT_NE(letters, nullptr);
  EXPECT_FALSE(letters->isEnabled()) << "no row selected";

  selectRowOf(a);
  EXPECT_TRUE(letters->isEnabled());
  EXPECT_EQ(window_->rememberedPatient(), withRx);
  EXPECT_EQ(window_->patientMarks(), (PatientMarks{false, false, true, false}));

  selectRowOf(b);
  EXPECT_EQ(window_->rememberedPatient(), alerted);
  EXPECT_EQ(window_->patientMarks(), (PatientMarks{true, true, false, true}));

  selectRowOf(c);
  EXPECT_FALSE(letters->isEnabled()) << "a person without a patient record";
  EXPECT_EQ(window_->rememberedPatient(), 0u);
  EXPECT_EQ(window_->patientMarks(), PatientMarks{});
}

TEST_F(SmallWindow, ToolbarHoldsTheDateButtonsAndOnlyModulesThatCanStart) {
  const std::string bin = dir_.file("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  const std::string rx = bin + "/vantrel-test-rx";
  std::ofstream(rx) << "#!/bin/sh\n";
  ASSERT_EQ(::chmod(rx.c_str(), 0755), 0);
  setProfile("MODULES", "12126", rx);
  setProfile("MODULES", "12124", bin + "/vantrel-test-missing");
  openWindow(day_);
  auto* bar = window_->findChild<QToolBar*>(QStringLiteral("12110"));
  ASSERT_NE(bar, nullptr);
  const auto button = [&](const char* name) {
    return bar->findChild<QToolButton*>(QString::fromLatin1(name));
  };
  ASSERT_NE(button("101"), nullptr);
  ASSERT_NE(button("102"), nullptr);
  EXPECT_TRUE(button("101")->toolTip().startsWith(QStringLiteral("Next Date")));
  EXPECT_TRUE(button("102")->toolTip().startsWith(QStringLiteral("Previous Date")));
  EXPECT_NE(button("12112"), nullptr);
  EXPECT_NE(button("12126"), nullptr) << "its program is there";
  EXPECT_EQ(button("12124"), nullptr) << "its program is not there";
  EXPECT_EQ(button("12115"), nullptr) << "no button for this module itself";
  EXPECT_EQ(button("103"), nullptr);
}

TEST_F(SmallWindow, ListShowsEveryColumnInAReadableFixedFont) {
  addAppointment({day_, "OP1", "DR1", 9, 0, "A name of twenty-five ch"});
  openWindow(day_);
  window_->show();
  const ListBox& list = window_->dayList();
  EXPECT_GE(list.viewport()->width(), list.columnEdge(kListColumnCount));
  const QFontInfo info(list.listFont());
  EXPECT_TRUE(info.fixedPitch());
  EXPECT_GE(info.pixelSize(), 15);
  EXPECT_EQ(list.model().header(), std::string(listHeader(ListKind::kDay)));
  // The window is never made narrower than the columns.
  window_->resize(200, 400);
  EXPECT_GE(list.width(), list.columnEdge(kListColumnCount));
}

TEST_F(SmallWindow, NoOperatoryStopsTheStartAndLeavesNoWorkstationRecord) {
  // A second practice without operatories, in a directory of its own.
  window_.reset();
  db_.endSession();
  QDB_CloseDataBase();
  dataPath_ = dir_.file("other");
  setProfile("GENERAL", "Path", dataPath_);
  ASSERT_EQ(createPracticeDatabase(dataPath_.c_str()), 0);
  ASSERT_EQ(db_.startSession(), 0);
  writer_ = QDB_StartSession(1);
  makeSmallPractice(false);

  window_ = std::make_unique<MainWindow>(db_, prompter_, loadShellSettings());
  EXPECT_FALSE(window_->setUp(day_));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text,
            "No Provider or No Operatory! Practice must be setup.");
  EXPECT_EQ(prompter_.asked()[0].prompt.caption, "Appointment List");
  EXPECT_EQ(prompter_.asked()[0].prompt.icon, PromptIcon::kStop);
  EXPECT_FALSE(station(101).has_value());
}

TEST_F(SmallWindow, NotificationTimerRunsOnlyForSeveralWorkstations) {
  struct Case {
    const char* netVersion;
    const char* stations;
    const char* speed;
    bool runs;
    int ms;
  };
  for (const Case& c : {Case{"1", "3", "2", true, 5000}, Case{"1", "2", "60", true, 20000},
                        Case{"0", "3", "10", false, 0}, Case{"1", "1", "10", false, 0}}) {
    SCOPED_TRACE(std::string(c.netVersion) + "/" + c.stations + "/" + c.speed);
    setProfile("NETWORK", "NetVersion", c.netVersion);
    setProfile("NETWORK", "StationCount", c.stations);
    setProfile("NETWORK", "UpdateSpeed", c.speed);
    openWindow(day_);
    auto* timer = window_->findChild<QTimer*>(QStringLiteral("1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->isActive(), c.runs);
    if (c.runs) {
      EXPECT_EQ(timer->interval(), c.ms);
    }
  }
}

TEST_F(SmallWindow, ClosingRemovesTheWorkstationRecordAndSavesThePosition) {
  openWindow(day_);
  window_->show();
  ASSERT_TRUE(station(101).has_value());
  window_->action(kCmdExit)->trigger();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(station(101).has_value());
  char saved[64] = {};
  QRX_GetProfileString("WindowPos", "APPTBOOK", "", saved, sizeof saved);
  EXPECT_NE(saved[0], '\0');
}

TEST_F(SmallWindow, AboutBoxTellsWhatTheProgramIs) {
  openWindow(day_);
  window_->action(kCmdAbout)->trigger();
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_NE(prompter_.asked()[0].prompt.text.find("Vantrel Appointment List"), std::string::npos);
}

}  // namespace
