#pragma once
// The patient alerts component: a few lines of alert text per patient (file 180), the presence
// test the toolbar marks its button by, and the pop-up that callers show before they book or
// open a patient's appointment.
//
// Every call opens a short database session of its own; the database must be open in this
// process. Results are 0 or a number of contracts/qdb.h or suite/results.h.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "contracts/qrx.h"

inline constexpr std::size_t kAlertLineCount = 6;
inline constexpr std::size_t kMaxAlertLineLength = 60;

// The callers' contexts of the pop-up. They change only its caption; every alert line shows in
// every context, since an alert the desk misses in one place is not made safe by another.
inline constexpr int kAlertModeContinuingCare = 2;  // a patient's continuing care is opened
inline constexpr int kAlertModeNewAppt = 8;         // a new appointment is about to be made
inline constexpr int kAlertModeOpenAppt = 32;       // an existing appointment is about to open

// The patient's alert lines as stored: kAlertLineCount lines, blank ones included (all blank when
// the patient has none). 0 (also when the patient has none), 405 for patient 0 or a null `lines`,
// or the database's error (lines untouched).
int readPatientAlerts(std::uint32_t patientId, std::vector<std::string>* lines);

// Stores the patient's alert lines (at most kAlertLineCount, each at most kMaxAlertLineLength
// bytes, none holding a control character). Lines that hold only blanks count as empty; when
// every line is empty the patient's alert record is removed. `today` is kept as the date of the
// change. Refused with nothing written: too many lines (432), a line too long (430), a control
// character (431), patient 0 (405).
int writePatientAlerts(std::uint32_t patientId, const std::vector<std::string>& lines,
                       PackedDate today);

// Whether the patient has something to alert about: an alert line that is not blank, or any of
// the patient record's medical alert bytes. False for patient 0 and when nothing can be read.
bool hasPatientAlerts(std::uint32_t patientId);

// The pop-up for a patient in the caller's context `mode`: caption "Patient Alerts" (with the
// context named, see above), the patient's name, each alert line that is not blank, and a line
// pointing to the medical alerts when the patient record has them; exclamation icon, OK. Nothing
// when there is nothing to alert about. When the alerts cannot be read the pop-up says so, as a
// silent failure would hide an alert.
std::optional<Prompt> patientAlertsPrompt(std::uint32_t patientId, int mode);

// Shows that pop-up through `prompter` when there is one. Returns 1 when it was shown, else 0.
int showPatientAlerts(Prompter& prompter, std::uint32_t patientId, int mode);
