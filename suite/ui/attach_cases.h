#pragma once
// "Attach Lab Cases": the patient's lab cases with a check box each; the ticked ones become the
// cases the appointment waits for.
//
// Names for tests and scripts: the dialog "AttachCasesDialog", the case list "cases" (a tree
// whose first column carries the check boxes and whose items hold the case id as user data),
// the buttons "1" (OK) and "2" (Cancel).
//
// REQUIRES: a QApplication, calls from its thread, and the database open in this process.

#include <cstdint>
#include <string>

#include "contracts/qrx.h"
#include "suite/lab_cases.h"

class QWidget;

// Shows the patient's cases, cancelled ones left out unless `links` holds them; the cases of
// `providerCode` come first, newest first within each group. The cases `links` holds are
// ticked. OK replaces *links with the ticked cases, keeping any case of `links` that the list
// does not show (a case of another patient stays attached); more than LabCaseLinks::kMaxCases
// is refused with a message and the dialog stays open. Returns 1 after OK (the list may have
// become empty), 0 after Cancel, and 0 without a dialog when the patient has no case (a notice
// says so), when the cases cannot be read (a database error notice), for patient 0 or a null
// `links`.
int AttachCases(QWidget* owner, Prompter& prompter, std::uint32_t patientId,
                const std::string& providerCode, LabCaseLinks* links);
