// "Set Time Limits" and "Practice Appointment Setup" offscreen, driven by their controls' names;
// the setup dialog over a practice setup begun on a real database, as the main window runs it.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <memory>

#include "lists/definitions.h"
#include "schedule/practice_schedule.h"
#include "schedule/ui/practice_setup_dialog.h"
#include "schedule/ui/time_limits_dialog.h"
#include "tests/schedule/schedule_changes.h"

namespace {

template <typename T = QAbstractButton>
T* child(QWidget* parent, const char* name) {
  T* found = parent->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

TEST(TimeLimitsWindow, BadHoursKeepTheDialogOpenWithTheTextAndFocusTheCulprit) {
  struct Case {
    const char* end;
    const char* focus;
  };
  for (const Case& c : {Case{"7:00am", "pick0"}, Case{"zz:99", "time1"}}) {
    ScriptedPrompter prompter;
    TimeLimitsDialog dialog(nullptr, prompter, 10, true, DayHours{});
    dialog.show();
    child<QLineEdit>(&dialog, "time0")->setText(QStringLiteral("8:00am"));
    child<QLineEdit>(&dialog, "time1")->setText(QString::fromLatin1(c.end));
    child(&dialog, "1")->click();
    EXPECT_EQ(prompter.asked().size(), 1u) << c.end;
    EXPECT_TRUE(dialog.isVisible()) << c.end;
    EXPECT_EQ(child<QLineEdit>(&dialog, "time1")->text(), QString::fromLatin1(c.end));
    ASSERT_NE(dialog.focusWidget(), nullptr);
    EXPECT_EQ(dialog.focusWidget()->objectName(), QString::fromLatin1(c.focus));

    child<QLineEdit>(&dialog, "time1")->setText(QStringLiteral("11:59am"));
    child(&dialog, "1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.hours().end[0], 142) << "minutes rounded down to the 10-minute block";
  }
}

class PracticeSetupWindow : public ScheduleChanges {
 protected:
  // The dialog over a stored setup (with Saturday mornings, block code 2) or over none.
  void open(bool stored) {
    if (stored) {
      RscUseRecord r = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
      WeekHours hours = builtInPracticeHours();
      hours[6] = hours[1];
      for (std::size_t d = 0; d < 7; ++d) {
        for (std::size_t p = 0; p < 3; ++p) {
          r.setDefaultPeriod(d, p, storedTime(hours[d].start[p]), storedTime(hours[d].end[p]));
        }
      }
      r.setTimeBlockCode(2);
      add(kRscUseFile, r);
    }
    ASSERT_EQ(setup_.begin(), 0);
    dialog_ = std::make_unique<PracticeSetupDialog>(nullptr, prompter_, setup_.values(),
                                                    statuses_, types_);
    dialog_->show();
  }
  // OK, then what the command does after it.
  void confirm() {
    child(dialog_.get(), "1")->click();
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    ASSERT_EQ(setup_.commit(dialog_->values()), 0);
  }

  PracticeSchedule practice_;
  PracticeSetup setup_{prompter_, practice_};
  StatusTable statuses_;
  TypeTable types_;
  std::unique_ptr<PracticeSetupDialog> dialog_;
};

TEST_F(PracticeSetupWindow, UncheckingSaturdayStoresNoTimeInAllSixValues) {
  open(true);
  EXPECT_TRUE(child(dialog_.get(), "times6")->isEnabled());
  child(dialog_.get(), "day6")->click();
  EXPECT_FALSE(child(dialog_.get(), "times6")->isEnabled());
  confirm();
  const RscUseRecord stored = *practiceDefaults();
  for (std::size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(stored.defaultStart(6, p), 0xFFFF);
    EXPECT_EQ(stored.defaultEnd(6, p), 0xFFFF);
  }
  EXPECT_EQ(stored.defaultStart(5, 0), 96) << "Friday stays";
  EXPECT_FALSE(practice_.worksOn(6));
  EXPECT_TRUE(prompter_.asked().empty()) << "an unchanged block size asks nothing";
}

TEST_F(PracticeSetupWindow, CancelledBlockChangeKeepsTheOldSizeButStoresTheRest) {
  statuses_.define(1, "Conf  ", '1');
  statuses_.define(2, "Here", '2');
  statuses_.define(4, "Gap", '2');  // after a status without a name: not listed
  open(false);                      // the first setup of the practice
  auto* status = child<QComboBox>(dialog_.get(), "status");
  ASSERT_EQ(status->count(), 3);
  EXPECT_EQ(status->itemText(1), QStringLiteral("Conf"));
  status->setCurrentIndex(2);
  child(dialog_.get(), "block3")->click();
  child(dialog_.get(), "allowAmount")->click();
  child(dialog_.get(), "day1")->click();  // Monday off
  prompter_.answer(kIdCancel);
  confirm();
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.caption, "Confirm Time Block Change");
  EXPECT_EQ(prompter_.asked()[0].prompt.buttons, PromptButtons::kOkCancel);

  const RscUseRecord stored = *practiceDefaults();
  EXPECT_EQ(stored.timeBlockCode(), 2);
  EXPECT_EQ(practice_.blockMinutes, 10);
  EXPECT_EQ(stored.defaultStart(1, 0), 0xFFFF) << "the other changes are stored";
  EXPECT_EQ(stored.defaultStart(2, 0), 96) << "the built-in hours of the other days";
  EXPECT_TRUE(practice_.storedDefaults);
  EXPECT_EQ(QRX_GetProfileInt(kApptBookSection, kDefaultStatusKey, -1), 2);
  EXPECT_EQ(QRX_GetProfileInt(kApptBookSection, kBookOrientationKey, -1), 2);
  EXPECT_EQ(QRX_GetProfileInt(kApptBookSection, kAlwaysCalculateKey, -1, kDataProfile), 0);
}

}  // namespace
