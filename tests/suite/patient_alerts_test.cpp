// The patient alerts component: what counts as an alert for the toolbar's mark and the pop-up,
// and alert lines kept whole or refused.

#include "suite/patient_alerts.h"

#include <gtest/gtest.h>

#include "platform/qrx/scripted_prompter.h"
#include "suite/results.h"
#include "tests/suite/suite_database.h"

namespace {

using PatientAlerts = SuiteDatabase;

TEST_F(PatientAlerts, PresenceComesFromAlertLinesOrTheMedicalAlertBytes) {
  using Lines = std::vector<std::string>;
  const struct {
    const char* name;
    bool medical;
    std::vector<Lines> writes;  // one after the other
    bool expected;
  } cases[] = {
      {"nothing", false, {}, false},
      {"a line", false, {{"", "Premedicate before cleanings"}}, true},
      {"blank lines only", false, {{"   ", ""}}, false},
      {"every line cleared", false, {{"Latex allergy"}, {"", "  "}}, false},
      {"medical alert bytes only", true, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t patient = addPatient("Alert", c.name, c.medical);
    for (const Lines& lines : c.writes) {
      ASSERT_EQ(writePatientAlerts(patient, lines, today()), 0);
    }
    EXPECT_EQ(hasPatientAlerts(patient), c.expected);
    ScriptedPrompter prompter;
    EXPECT_EQ(showPatientAlerts(prompter, patient, kAlertModeNewAppt), c.expected ? 1 : 0);
    EXPECT_EQ(prompter.asked().size(), c.expected ? 1u : 0u);
  }
  EXPECT_FALSE(hasPatientAlerts(0));
}

TEST_F(PatientAlerts, LineAtItsWidthIsKeptAndWhatCannotBeKeptWholeIsRefused) {
  const std::uint32_t patient = addPatient("Alert", "Long");
  const std::string widest(kMaxAlertLineLength, 'w');
  ASSERT_EQ(writePatientAlerts(patient, {"first", widest}, today()), 0);

  EXPECT_EQ(writePatientAlerts(patient, {widest + "w"}, today()), kSuiteTextTooLong);
  EXPECT_EQ(writePatientAlerts(patient, {"tab\there"}, today()), kSuiteBadText);
  EXPECT_EQ(
      writePatientAlerts(patient, std::vector<std::string>(kAlertLineCount + 1, "x"), today()),
      kSuiteListFull);

  std::vector<std::string> lines;
  ASSERT_EQ(readPatientAlerts(patient, &lines), 0);
  ASSERT_EQ(lines.size(), kAlertLineCount);
  EXPECT_EQ(lines[0], "first");
  EXPECT_EQ(lines[1], widest);
}

TEST_F(PatientAlerts, PopUpNamesThePatientShowsEveryLineAndItsContextInTheCaption) {
  const std::uint32_t patient = addPatient("Smith", "Ann", true);
  ASSERT_EQ(writePatientAlerts(patient, {"Latex allergy", "", "Needs wheelchair access"}, today()),
            0);
  const auto prompt = patientAlertsPrompt(patient, kAlertModeOpenAppt);
  ASSERT_TRUE(prompt.has_value());
  EXPECT_EQ(prompt->caption, "Patient Alerts - Appointment");
  EXPECT_EQ(prompt->text,
            "Smith, Ann\n\nLatex allergy\nNeeds wheelchair access\n"
            "Medical alerts are on file: see Medical Alerts/Notes.");
  EXPECT_EQ(prompt->buttons, PromptButtons::kOk);
  EXPECT_EQ(patientAlertsPrompt(patient, kAlertModeContinuingCare)->caption,
            "Patient Alerts - Continuing Care");
}

}  // namespace
