// Find Time offscreen, driven by its controls' names through the modal dialogs as a user would
// click them: Search/View with a time whose operatory is not shown, Cancel back to the same
// values, Search, More, and Select writing the chosen time into the appointment.

#include "schedule/ui/find_time_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <functional>

#include "data/appointment_record.h"
#include "schedule/find_time.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "tests/schedule/schedule_database.h"

namespace {

template <typename T = QAbstractButton>
T* child(QWidget* parent, const char* name) {
  T* found = parent->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

QStringList rows(QWidget* results) {
  QStringList texts;
  auto* list = child<QListWidget>(results, "times");
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

QString row(PackedDate date, std::int32_t start, std::int32_t end) {
  return QString::fromStdString(foundTimeRow({date, start, end - start, "OP1 ", "DR1 "}));
}

// Runs each step on the modal dialog it names, in turn, while findApptTime runs.
class Driver {
 public:
  using Step = std::pair<const char*, std::function<void(QWidget*)>>;
  explicit Driver(std::vector<Step> steps) : steps_(std::move(steps)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start();
  }
  bool done() const { return next_ == steps_.size(); }

 private:
  void tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (next_ < steps_.size() && modal->objectName() == QLatin1String(steps_[next_].first)) {
      steps_[next_++].second(modal);
    } else if (++idle_ > 400) {  // a step that never comes: end the dialogs, fail the test
      ADD_FAILURE() << "waiting for " << (next_ < steps_.size() ? steps_[next_].first : "nothing")
                    << " in " << modal->objectName().toStdString();
      modal->close();
    }
  }

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int idle_ = 0;
  QTimer timer_;
};

TEST(FindTimeWindows, SearchMoreAndSelectWriteTheChosenTimeIntoTheAppointment) {
  vantrel::test::TempDir dir{"vantrel-findtime-ui"};
  vantrel::test::ScopedEnv profile{"VANTREL_PROFILE"};
  vantrel::test::ScopedEnv today{"VANTREL_TODAY"};
  profile.set(dir.file("VANTREL.INI"));
  today.set("2027-01-03");  // a Sunday: the search starts on Monday
  ASSERT_EQ(createPracticeDatabase(dir.file("data").c_str()), 0);

  const PracticeSchedule practice;  // Monday to Friday 8:00-12:00 and 13:00-17:00
  ProviderScheduleTable providers;
  ProviderEntry dr1;
  dr1.code = "DR1 ";
  dr1.hours = practice.hours;
  dr1.operatoryBits[0] = 0b10;  // OP1
  providers.providers = {dr1};
  OperatoryTable ops;
  ops.operatories = {{"OP1 ", 1}, {"OP2 ", 2}};
  AppointmentRecord appt;
  appt.setProvider("DR1");
  appt.setLength(60);

  const PackedDate monday = QRX_DateIn(2027, 1, 4);
  ScriptedPrompter prompter;
  int viewed = 0;
  Driver driver({
      {"FindTimeDialog",
       [](QWidget* d) {
         EXPECT_EQ(child<QLineEdit>(d, "startDate")->text(), QStringLiteral("01/04/2027"));
         EXPECT_EQ(child<QLabel>(d, "length")->text(), QStringLiteral("60 min"));
         EXPECT_EQ(child<QListWidget>(d, "operatories")->selectedItems().size(), 1);
         EXPECT_FALSE(child<QListWidget>(d, "blocks")->isEnabled());
         child<QLineEdit>(d, "timeEnd")->setText(QStringLiteral("5:00pm"));
         child(d, "searchView")->click();
       }},
      {"FoundTimesDialog",
       [&](QWidget* d) {
         child(d, "view")->click();  // OP1 is not displayed
         EXPECT_EQ(prompter.asked().back().prompt.text, kOperatoryNotShownText);
         child(d, "2")->click();
       }},
      {"FindTimeDialog",
       [](QWidget* d) {
         EXPECT_EQ(child<QLineEdit>(d, "timeEnd")->text(), QStringLiteral("5:00pm"))
             << "cancelling the list keeps the values";
         child(d, "search")->click();
       }},
      {"FoundTimesDialog",
       [&](QWidget* d) {
         EXPECT_EQ(d->findChild<QAbstractButton*>(QStringLiteral("view")), nullptr);
         const QStringList first = rows(d);
         ASSERT_EQ(first.size(), kFoundTimesPerBatch);
         EXPECT_EQ(first[0], row(monday, 96, 144));
         EXPECT_EQ(first[9], row(monday + 4, 156, 204));
         child(d, "more")->click();
         const QStringList second = rows(d);
         ASSERT_EQ(second.size(), kFoundTimesPerBatch) << "only the latest batch is shown";
         EXPECT_EQ(second[0], row(monday + 7, 96, 144)) << "More goes on after the last time";
         child<QListWidget>(d, "times")->setCurrentRow(1);
         child(d, "select")->click();
       }},
  });
  EXPECT_TRUE(findApptTime(
      nullptr, prompter, practice, providers, ops, {"OP2 "}, [&](const FoundTime&) { ++viewed; },
      &appt, kNoDate));
  EXPECT_TRUE(driver.done());
  EXPECT_EQ(viewed, 0);
  EXPECT_EQ(appt.date(), monday + 7);
  EXPECT_EQ(appt.startHour(), 13);
  EXPECT_EQ(appt.startMinute(), 0);
  EXPECT_EQ(appt.operatoryCode(), "OP1 ");
  EXPECT_EQ(appt.providerCode(), "DR1 ");
  QDB_CloseDataBase();
}

}  // namespace
