// The appointment window offscreen, driven by its controls' names with real key and mouse events.

#include "editing/ui/appointment_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "tests/editing/appt_edit_practice.h"

namespace {

using editing_test::ApptEditPractice;

class ApptDialog : public ApptEditPractice {
 protected:
  // The window over the appointment `id` (a new one when 0), shown and active.
  std::unique_ptr<AppointmentDialog> open(AppointmentEdit& edit, std::uint32_t id) {
    if (id != 0) {
      EXPECT_TRUE(edit.openExisting(id));
    }
    auto d = std::make_unique<AppointmentDialog>(edit);
    d->show();
    QApplication::setActiveWindow(d.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(d.get()));
    prompter_.clearRecord();
    return d;
  }
  template <typename W>
  static W* control(QWidget& d, const char* name) {
    auto* w = d.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
  }
};

TEST_F(ApptDialog, WhatIsTypedAndTickedIsSavedByOk) {
  const std::uint32_t id = saveNew();
  AppointmentEdit edit(env_);
  auto d = open(edit, id);
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Appointment Information - (Smith, Anna)"));
  EXPECT_EQ(control<QCheckBox>(*d, "242")->text(), QStringLiteral("Premed"));
  EXPECT_FALSE(control<QCheckBox>(*d, "243")->isVisibleTo(d.get())) << "no label defined";
  EXPECT_FALSE(control<QPushButton>(*d, "68")->isEnabled());
  auto* status = control<QComboBox>(*d, "56");
  EXPECT_EQ(status->itemText(status->count() - 1), QString::fromLatin1(kStatusCompleteText));
  EXPECT_EQ(status->itemData(status->count() - 1, Qt::BackgroundRole).value<QColor>(),
            QColor(127, 127, 127));

  retype(control<QLineEdit>(*d, "description"), QStringLiteral("Crown prep"));
  retype(control<QLineEdit>(*d, "length"), QStringLiteral("60"));
  retype(control<QLineEdit>(*d, "time"), QStringLiteral("10:30a"));
  auto* premed = control<QCheckBox>(*d, "242");
  QTest::mouseClick(premed, Qt::LeftButton, {}, QPoint(6, premed->height() / 2));  // its box
  QTest::mouseClick(control<QPushButton>(*d, "1"), Qt::LeftButton);

  EXPECT_EQ(d->result(), 1);
  EXPECT_FALSE(d->isVisible());
  const AppointmentRecord saved = *storedAppointment(id);
  EXPECT_EQ(saved.description(), "Crown prep");
  EXPECT_EQ(saved.length() * 10000 + saved.startHour() * 100 + saved.startMinute(), 601030)
      << "60 minutes at 10:30";
  EXPECT_TRUE(saved.flag(0));
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(ApptDialog, EscapeAsksBeforeDroppingChangesAndNoKeepsTheWindow) {
  const std::uint32_t id = saveNew();
  AppointmentEdit edit(env_);
  auto d = open(edit, id);
  retype(control<QLineEdit>(*d, "description"), QStringLiteral("Changed"));
  QTest::keyClick(d.get(), Qt::Key_Escape);  // No
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.text, kCancelQuestion);
  EXPECT_TRUE(d->isVisible());
  prompter_.answer(kIdYes);
  QTest::keyClick(d.get(), Qt::Key_Escape);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(d->result(), 2);
  EXPECT_EQ(storedAppointment(id)->description(), "Exam");
}

TEST_F(ApptDialog, EnterRunsOkAndABadTimeSendsTheCaretToTheTimeField) {
  const std::uint32_t id = saveNew();
  AppointmentEdit edit(env_);
  auto d = open(edit, id);
  auto* time = control<QLineEdit>(*d, "time");
  retype(time, QStringLiteral("9a"));
  auto* description = control<QLineEdit>(*d, "description");
  description->setFocus();
  QTest::keyClick(description, Qt::Key_Return);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, kMsgBadTime);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->focusWidget(), time);
}

TEST_F(ApptDialog, CtrlTPutsTheDatedLineIntoTheNoteAtTheCaret) {
  AppointmentEdit edit(env_);
  edit.openNew(slot());
  auto d = open(edit, 0);
  auto* note = control<QPlainTextEdit>(*d, "note");
  note->setFocus();
  QTest::keyClicks(note, QStringLiteral("ab"));
  QTest::keyClick(note, Qt::Key_Left);
  QTest::keyClick(note, Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(note->toPlainText(), QStringLiteral("a---------------01/02/2026 ---------------b"));
}

TEST_F(ApptDialog, APersonWithoutPatientRecordHasNoPatientButtons) {
  NewApptRequest r = slot();
  r.patientId = 0;
  r.person = NewPersonData{"Doe", "Jane", "", "5559876543", "", "", "", "", ""};
  AppointmentEdit edit(env_);
  edit.openNew(r);
  auto d = open(edit, 0);
  EXPECT_TRUE(d->windowTitle().endsWith(QStringLiteral("<New Patient>")));
  EXPECT_EQ(control<QPushButton>(*d, "67")->text(), QStringLiteral("New Pat Inf"));
  for (const char* name : {"48", "49", "73"}) {
    EXPECT_FALSE(control<QPushButton>(*d, name)->isEnabled()) << name;
  }
}

}  // namespace
