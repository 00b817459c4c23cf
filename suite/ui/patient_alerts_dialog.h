#pragma once
// The set-up of a patient's alert lines ("Pat&ient Alerts" of the main window).
//
// Names for tests and scripts: the dialog "PatientAlertsDialog", the lines "line1" to "line6",
// the note about the patient record's medical alerts "medical" (present only when it has them),
// the buttons "1" (OK) and "2" (Cancel).
//
// REQUIRES: a QApplication, calls from its thread, and the database open in this process.

#include <cstdint>

#include "contracts/qrx.h"

class QWidget;

// Edits and stores the alert lines of the patient. OK writes them (a line longer than the
// field, or a record held at another workstation that the user does not retry, keeps the dialog
// open with the lines as typed); Cancel writes nothing. Returns 1 when the lines were stored,
// else 0. Without a dialog: 0 for patient 0, and 0 after a notice when the patient or his alert
// lines cannot be read.
int editPatientAlerts(QWidget* owner, Prompter& prompter, std::uint32_t patientId);
