// The provider setup windows offscreen over a real database: what the selection lists and hands
// on, and a whole setup run driven by mouse clicks from the selection to the stored record.

#include "schedule/ui/provider_setup_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "tests/schedule/schedule_database.h"
#include "tests/support/qt_main/when_modal.h"

namespace {

using vantrel::test::WhenModal;

template <typename W = QPushButton>
W* child(QWidget* window, const QString& name) {
  W* w = window->findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name.toStdString();
  return w;
}

void click(QWidget* window, const QString& name) {
  if (QWidget* w = child<QWidget>(window, name)) QTest::mouseClick(w, Qt::LeftButton);
}

class ProviderSetupWindows : public ScheduleDatabase {
 protected:
  void SetUp() override {
    ScheduleDatabase::SetUp();
    for (const char* code : {"DR3", "DR1", "HYG", "DR2", "OLD"}) {
      addProvider(code, std::string(code) == "OLD" ? 1 : 0);
    }
    ASSERT_EQ(db_.startSession(), 0);
    ASSERT_EQ(loadProviders(db_, prompter_, &table_), 5);
  }

  ProviderScheduleTable table_;
};

TEST_F(ProviderSetupWindows, SelectionListsActiveCodesSortedAndHandsOnTheSelectedProvider) {
  std::vector<std::string> handed;
  ProviderSelectionDialog dialog(
      nullptr, prompter_, table_,
      [&](QWidget*, std::size_t i) { handed.push_back("setup " + table_.providers[i].code); },
      [&](QWidget*, const std::string& code) { handed.push_back("schedule " + code); });
  dialog.show();
  auto* list = child<QListWidget>(&dialog, QStringLiteral("providers"));
  ASSERT_NE(list, nullptr);
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  EXPECT_EQ(rows, (QStringList{"DR1", "DR2", "DR3", "HYG"}));

  click(&dialog, QStringLiteral("setup"));  // the first is selected from the start
  list->setCurrentRow(3);
  click(&dialog, QStringLiteral("schedule"));
  // A double click is a press and release, then the double-click press and its release.
  const QPoint dr2 = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, dr2);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, dr2);
  list->clearSelection();
  click(&dialog, QStringLiteral("setup"));
  click(&dialog, QStringLiteral("schedule"));
  EXPECT_EQ(handed, (std::vector<std::string>{"setup DR1 ", "schedule HYG ", "schedule DR2 "}));
  ASSERT_EQ(prompter_.asked().size(), 2u);
  for (const auto& asked : prompter_.asked()) {
    EXPECT_EQ(asked.prompt.caption + ": " + asked.prompt.text,
              "Appointment List: No Provider Selected!");
    EXPECT_EQ(asked.prompt.icon, PromptIcon::kStop);
  }
}

TEST_F(ProviderSetupWindows, ASetupRunStoresCheckedAndUncheckedDaysAndAtMostTenAliases) {
  for (int i = 0; i < 9; ++i) addProvider("A0" + std::to_string(i));  // 12 candidates for DR3
  ASSERT_EQ(loadProviders(db_, prompter_, &table_), 14);
  DayHours morning;
  morning.start = {96, -1, -1};
  morning.end = {144, -1, -1};
  int edits = 0;
  ProviderSetupHooks hooks;
  // The first day checked is cancelled, the second confirmed.
  hooks.editDay = [&](QWidget*, Prompter&, int minutes, bool firstRequired, DayHours* hours) {
    EXPECT_EQ(minutes, 15);
    EXPECT_TRUE(firstRequired);
    if (++edits == 1) return false;
    *hours = morning;
    return true;
  };
  PracticeSchedule practice;
  practice.setTimeBlockCode(3);

  std::vector<std::string> seen;
  WhenModal selection("ProviderSelectionDialog", [&](QWidget* w) {
    child<QListWidget>(w, QStringLiteral("providers"))->setCurrentRow(11);  // DR3
    WhenModal setup("ProviderSetupDialog", [&](QWidget* d) {
      seen.push_back(d->windowTitle().toStdString());
      auto* saturday = child<QCheckBox>(d, QStringLiteral("day6"));
      QTest::mouseClick(saturday, Qt::LeftButton);
      seen.push_back(saturday->isChecked() ? "checked" : "unchecked");
      QTest::mouseClick(child<QCheckBox>(d, QStringLiteral("day0")), Qt::LeftButton);
      seen.push_back(child<QLabel>(d, QStringLiteral("hours0"))->text().toStdString());
      QTest::mouseClick(child<QCheckBox>(d, QStringLiteral("day1")), Qt::LeftButton);
      seen.push_back(child(d, QStringLiteral("times1"))->isEnabled() ? "enabled" : "disabled");
      auto* aliases = child<QListWidget>(d, QStringLiteral("aliases"));
      aliases->selectAll();
      click(d, QString::number(kIdOk));  // 12 selected: refused, the dialog stays
      seen.push_back(d->isVisible() ? "open" : "closed");
      aliases->clearSelection();
      aliases->item(11)->setSelected(true);  // HYG
      aliases->item(9)->setSelected(true);   // DR1
      click(d, QString::number(kIdOk));
    });
    click(w, QStringLiteral("setup"));
    click(w, QStringLiteral("schedule"));
    click(w, QStringLiteral("close"));
  });
  runProviderSetup(nullptr, prompter_, practice, table_, hooks);

  EXPECT_EQ(seen, (std::vector<std::string>{"Provider Setup [DR3 ]", "unchecked", "8:00a-12:00p",
                                            "disabled", "open"}));
  // The entry is taken from the record as written.
  const ProviderEntry& dr3 =
      table_.providers[static_cast<std::size_t>(findProvider(table_, "DR3"))];
  EXPECT_TRUE(dr3.hasDefaultRecord);
  EXPECT_EQ(dr3.hours[0], morning);
  EXPECT_EQ(dr3.hours[1], DayHours{});
  EXPECT_FALSE(dr3.hours[6].works()) << "a cancelled check stores nothing";
  EXPECT_EQ(dr3.aliases, (std::vector<std::string>{"DR1 ", "HYG "}));
  ASSERT_EQ(prompter_.asked().size(), 2u);
  EXPECT_EQ(prompter_.asked()[0].prompt.icon, PromptIcon::kStop) << "more than ten aliases";
  EXPECT_EQ(prompter_.asked()[1].prompt.text, kCalendarUnavailable);
}

}  // namespace
