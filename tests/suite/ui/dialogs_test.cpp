// The suite components' dialogs offscreen, worked with real key and mouse events while their
// modal loop runs, and judged by what they hand back or store.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "platform/qrx/scripted_prompter.h"
#include "suite/lab_cases.h"
#include "suite/patient_alerts.h"
#include "suite/ui/attach_cases.h"
#include "suite/ui/patient_alerts_dialog.h"
#include "tests/suite/suite_database.h"
#include "tests/support/qt_main/when_modal.h"

namespace {

using vantrel::test::WhenModal;

void press(QWidget* window, int id) {
  auto* button = window->findChild<QPushButton*>(QString::number(id));
  ASSERT_NE(button, nullptr) << "no button " << id;
  QTest::mouseClick(button, Qt::LeftButton);
}

QTreeWidgetItem* rowOf(QTreeWidget* list, std::uint32_t caseId) {
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    if (list->topLevelItem(i)->data(0, Qt::UserRole).toUInt() == caseId) {
      return list->topLevelItem(i);
    }
  }
  return nullptr;
}

using SuiteDialogs = SuiteDatabase;

TEST_F(SuiteDialogs, AttachCasesReturnsTheTickedCasesAndHidesCancelledOnes) {
  const std::uint32_t patient = addPatient("Lab", "Lena");
  const std::uint32_t crown = addCase(patient, LabCaseState::kSent, today() + 3, "Crown #14");
  const std::uint32_t guard = addCase(patient, LabCaseState::kNotSent, 0, "Night guard", "DR2");
  const std::uint32_t gone = addCase(patient, LabCaseState::kCancelled, 0, "Old bridge");
  const std::uint32_t elsewhere = 4242;  // a case the list cannot show stays attached
  LabCaseLinks links;
  links.add(crown);
  links.add(elsewhere);

  ScriptedPrompter prompter;
  std::vector<std::uint32_t> shown;
  WhenModal tick("AttachCasesDialog", [&](QWidget* dialog) {
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("cases"));
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      shown.push_back(list->topLevelItem(i)->data(0, Qt::UserRole).toUInt());
    }
    ASSERT_NE(rowOf(list, crown), nullptr);
    EXPECT_EQ(rowOf(list, crown)->checkState(0), Qt::Checked);
    QTreeWidgetItem* row = rowOf(list, guard);
    ASSERT_NE(row, nullptr);
    list->setCurrentItem(row);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(row->checkState(0), Qt::Checked);
    press(dialog, kIdOk);
  });
  EXPECT_EQ(AttachCases(nullptr, prompter, patient, "DR1", &links), 1);
  // The provider's own case first; the cancelled one is not offered.
  EXPECT_EQ(shown, std::vector<std::uint32_t>({crown, guard}));
  // Kept cases first, then the ticked ones as listed.
  EXPECT_EQ(links.caseIds(), std::vector<std::uint32_t>({elsewhere, crown, guard}));
  EXPECT_FALSE(links.contains(gone));
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(SuiteDialogs, AttachCasesCancelledOrWithoutCasesLeavesTheListAlone) {
  const std::uint32_t none = addPatient("Lab", "Nobody");
  LabCaseLinks links;
  links.add(7);
  ScriptedPrompter prompter;
  EXPECT_EQ(AttachCases(nullptr, prompter, none, "DR1", &links), 0);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].prompt.text, "There are no lab cases on file for this patient.");

  const std::uint32_t patient = addPatient("Lab", "Lena");
  const std::uint32_t crown = addCase(patient, LabCaseState::kSent, today());
  WhenModal untickAndCancel("AttachCasesDialog", [&](QWidget* dialog) {
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("cases"));
    ASSERT_NE(list, nullptr);
    // The keyboard starts on the first case: Space ticks it without any click first.
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_NE(rowOf(list, crown), nullptr);
    EXPECT_EQ(rowOf(list, crown)->checkState(0), Qt::Checked);
    press(dialog, kIdCancel);
  });
  EXPECT_EQ(AttachCases(nullptr, prompter, patient, "DR1", &links), 0);
  EXPECT_EQ(links.caseIds(), std::vector<std::uint32_t>({7}));
}

TEST_F(SuiteDialogs, AlertSetUpStoresTheTypedLinesAndCancelStoresNothing) {
  const std::uint32_t patient = addPatient("Alert", "Al", true);
  ASSERT_EQ(writePatientAlerts(patient, {"Old line"}, today()), 0);
  ScriptedPrompter prompter;
  {
    WhenModal type("PatientAlertsDialog", [&](QWidget* dialog) {
      EXPECT_NE(dialog->findChild<QWidget*>(QStringLiteral("medical")), nullptr);
      auto* first = dialog->findChild<QLineEdit*>(QStringLiteral("line1"));
      auto* second = dialog->findChild<QLineEdit*>(QStringLiteral("line2"));
      ASSERT_TRUE(first != nullptr && second != nullptr);
      EXPECT_EQ(first->text(), QStringLiteral("Old line"));
      first->clear();
      QTest::keyClicks(second, QStringLiteral("Latex allergy"));
      press(dialog, kIdOk);
    });
    EXPECT_EQ(editPatientAlerts(nullptr, prompter, patient), 1);
  }
  std::vector<std::string> lines;
  ASSERT_EQ(readPatientAlerts(patient, &lines), 0);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "Latex allergy");

  WhenModal cancel("PatientAlertsDialog", [&](QWidget* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("line3")), QStringLiteral("x"));
    press(dialog, kIdCancel);
  });
  EXPECT_EQ(editPatientAlerts(nullptr, prompter, patient), 0);
  ASSERT_EQ(readPatientAlerts(patient, &lines), 0);
  EXPECT_EQ(lines[2], "");
}

}  // namespace
