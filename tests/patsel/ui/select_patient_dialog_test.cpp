// The "Select Patient" dialog driven by real key and mouse events, offscreen: typing lists
// patients, the arrow keys move the seven-row window at its ends, OK returns the row.

#include "patsel/ui/select_patient_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

#include "tests/patsel/patsel_database.h"

namespace {

void press(QWidget* target, int key, const QString& text = QString()) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &up);
}

void type(QWidget* target, const QString& text) {
  for (const QChar c : text) press(target, c.toUpper().unicode(), QString(c));
}

QStringList names(QTreeWidget* list) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(1);
  return out;
}

class SelectPatientDialogTest : public PatselDatabase {
 protected:
  void SetUp() override {
    PatselDatabase::SetUp();
    addPatient(person("Adams", "Amy"));
    for (int i = 1; i <= 9; ++i) addPatient(person("Smith", "Kid" + std::to_string(i)));
    dialog_ = std::make_unique<SelectPatientDialog>(prompter_, db_, "", 0, false, 7);
    dialog_->show();
    text_ = dialog_->findChild<QLineEdit*>(QStringLiteral("904"));
    list_ = dialog_->findChild<QTreeWidget*>(QStringLiteral("903"));
    bar_ = dialog_->findChild<QScrollBar*>(QStringLiteral("926"));
    ASSERT_TRUE(text_ && list_ && bar_);
  }
  void TearDown() override {
    dialog_.reset();
    PatselDatabase::TearDown();
  }

  std::unique_ptr<SelectPatientDialog> dialog_;
  QLineEdit* text_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QScrollBar* bar_ = nullptr;
};

TEST_F(SelectPatientDialogTest, TypingListsTheWindowAndOkReturnsTheSelectedRow) {
  EXPECT_EQ(list_->topLevelItemCount(), 0);
  EXPECT_FALSE(bar_->isEnabled());
  type(text_, QStringLiteral("smith, kid2"));
  ASSERT_EQ(list_->topLevelItemCount(), 7);
  EXPECT_EQ(names(list_).mid(0, 2), (QStringList{"Smith, Kid1", "Smith, Kid2"}));
  EXPECT_EQ(list_->indexOfTopLevelItem(list_->currentItem()), 1);
  EXPECT_TRUE(bar_->isEnabled());
  EXPECT_EQ(bar_->value(), 3);

  dialog_->findChild<QPushButton*>(QStringLiteral("1"))->click();
  EXPECT_EQ(dialog_->choice().result, kSelectChosen);
  EXPECT_EQ(dialog_->choice().name, "Smith, Kid2");
}

TEST_F(SelectPatientDialogTest, DownOnTheLastRowScrollsAndParksAtTheEnd) {
  type(text_, QStringLiteral("S"));
  ASSERT_EQ(names(list_).front(), "Adams, Amy");
  list_->setFocus();
  list_->setCurrentItem(list_->topLevelItem(6));
  press(list_, Qt::Key_Down);
  EXPECT_EQ(names(list_).front(), "Smith, Kid1");
  EXPECT_EQ(names(list_).back(), "Smith, Kid7");
  EXPECT_EQ(list_->indexOfTopLevelItem(list_->currentItem()), 6);
  EXPECT_EQ(bar_->value(), 3);

  press(text_, Qt::Key_PageDown);  // from the search text as well: two rows left, then the end
  EXPECT_EQ(names(list_).back(), "Smith, Kid9");
  EXPECT_EQ(bar_->value(), 6);
  press(list_, Qt::Key_Down);
  EXPECT_EQ(names(list_).front(), "Smith, Kid3");
  EXPECT_EQ(bar_->value(), 6);

  press(text_, Qt::Key_Up);
  EXPECT_EQ(names(list_).front(), "Smith, Kid2");
  EXPECT_EQ(bar_->value(), 3);
}

}  // namespace
