#pragma once
// Which toolbar buttons of the main window are usable for the selected row, and which carry a
// mark for its patient (prescriptions on file, questionnaires on file, medical alerts). Qt-free:
// the window asks this and draws the answer.

#include <cstdint>

// What the window knows of the selected patient, read once per change of patient.
struct PatientMarks {
  bool medicalAlerts = false;   // any of the patient record's medical alert bytes is set
  bool patientAlerts = false;   // what the patient alerts component reports
  bool prescriptions = false;   // the prescriptions file holds a record of the patient
  bool questionnaires = false;  // the questionnaires file holds a record of the patient
  bool operator==(const PatientMarks&) const = default;
};

struct ButtonState {
  bool disabled = false;
  bool marked = false;
  bool operator==(const ButtonState&) const = default;
};

// The state of the button of `command`:
// - 381 (alerts and notes): usable; marked when the patient has medical alerts;
// - 393 (patient alerts): disabled without a selected patient; marked when alerts are reported;
// - 12115 (this module's own button): always disabled;
// - 12118, 12126, 12141: disabled without a selected patient; 12126 marked with prescriptions;
// - 12124: usable; marked when the patient has questionnaires;
// - any other command: usable, unmarked.
// `patientSelected`: a row is selected and it has a patient. `marks` are the remembered
// patient's.
ButtonState toolbarButtonState(int command, bool patientSelected, const PatientMarks& marks);

// Reads the marks of a patient through short sessions of their own; patient 0 has none. A file
// that cannot be read counts as holding nothing. REQUIRES: the database is open.
PatientMarks readPatientMarks(std::uint32_t patient);

// Whether `file` holds a record whose key `key` starts with the patient's 4 bytes.
bool patientHasRecords(int file, int key, std::uint32_t patient);
