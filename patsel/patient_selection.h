#pragma once
// What the "Select Patient" dialog decides, without its window: the settings it reads and
// writes, the opening text, the mode, the filter, the recent selections, the choice and its
// result, the new-patient and more-information commands with their rights, and the status
// warning that callers show after a choice. Qt-free; the dialog (patsel/ui) only shows it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/patient_record.h"
#include "patsel/patient_rows.h"
#include "patsel/patient_search.h"
#include "patsel/recent_selections.h"

class AccessLayer;
class Prompter;

// ---- The options word of a call.
inline constexpr std::uint16_t kAutoSelectMask = 0x00FF;  // 0 none; 1, 2, 3 (see autoSelect)
inline constexpr int kNewPatientShift = 8;                // bits 8-14
inline constexpr std::uint16_t kNewPatientMask = 0x7F00;
inline constexpr std::uint16_t kNoGuarantorMarks = 0x8000;
inline constexpr int kNewPatientHidden = 0;
inline constexpr int kNewPatientButton = 1;  // "&New Patient"
inline constexpr int kNewFamilyButton = 2;   // "&New Family", guarded by a right

// ---- Results of the dialog, and the one value the callers get.
inline constexpr int kSelectCancelled = 0;
inline constexpr int kSelectChosen = 1;
inline constexpr int kSelectChosenWithArchived = 2;
inline constexpr int kSelectNewPatient = -2;
inline constexpr std::uint32_t kSelectNewPatientValue = 0xFFFFFFFE;
inline constexpr std::uint32_t kSelectFailedValue = 0xFFFFFFFF;
// The patient identifier (results 1 and 2), 0 when cancelled, kSelectNewPatientValue for -2.
std::uint32_t selectionValue(int result, std::uint32_t patientId);

// ---- Rights and messages.
inline constexpr int kRightAddFamily = 48;
inline constexpr int kRightMoreInfo = 143;
inline constexpr int kNoRightMessage = 3001;
inline constexpr int kNoDialogMessage = 3040;
inline constexpr int kNoRowSelectedMessage = 9002;

// ---- Settings of the suite profile.
struct SelectionSettings {
  SearchMode mode = SearchMode::kLastName;  // SELPAT/SelectBy (a button number, default 148)
  bool identifierMode = false;              // SELPAT/SelectByID
  bool editFamilyId = false;                // FAMILY/EditFamilyID
};
SelectionSettings readSelectionSettings();
// Writes SELPAT/SelectBy; returns 1, or 0 when the profile could not be written.
int writeSelectBy(SearchMode mode);

// After a patient was chosen: reads the patient by identifier and warns (title "Warning") for a
// non-patient or an inactive status; the choice stands. Returns the status (0 when the patient
// cannot be read).
int warnSelectedPatientStatus(Prompter& prompter, std::uint32_t patientId);

struct SelectionChoice {
  int result = kSelectCancelled;
  std::uint32_t patientId = 0;
  std::string name;  // the display name for the caller
};

class PatientSelection {
 public:
  // REQUIRES: the access layer's session is started; both outlive this object. `user` keys the
  // recent selections (the signed-on user).
  PatientSelection(AccessLayer& db, Prompter& prompter, std::string_view initialText,
                   std::uint16_t options, bool guarantorMode, std::uint32_t user);

  // Reads the settings and the recent selections (dropping those whose patient is gone or
  // archived), then runs the first search. The text the search field starts with is
  // openingText(); openingSelectsWhole() when it came from a recent selection, so that typing
  // replaces it.
  void open();
  const std::string& openingText() const { return openingText_; }
  bool openingSelectsWhole() const { return openingSelectsWhole_; }

  // ---- What the window shows.
  std::string title() const;
  SearchMode mode() const { return search_.rowOptions().mode; }
  bool identifierMode() const { return settings_.identifierMode; }
  bool modeButtonsEnabled() const { return !settings_.identifierMode; }
  std::string prompt() const { return modePrompt(mode()); }
  std::string columnTitle() const { return modeColumnTitle(mode()); }
  int newPatientMode() const { return newPatientMode_; }
  bool newPatientVisible() const { return newPatientMode_ != kNewPatientHidden; }
  std::string newPatientLabel() const;
  bool archivedEnabled() const;
  bool includeArchived() const { return search_.filter().includeArchived; }
  const std::vector<RecentEntry>& recent() const { return recent_; }
  PatientSearch& search() { return search_; }
  const PatientSearch& search() const { return search_; }

  // ---- Commands.
  // The search text changed.
  void textChanged(std::string_view text);
  // "&Include Archived Patients" changed: the current text is searched again.
  void setIncludeArchived(bool include);
  // A mode button: the list is cleared, prompt and column title change, SelectBy is written.
  // Ignored in identifier mode and for a number that is no mode button.
  void changeMode(int button);

  // OK or a double click: the selected row of the list (`listRow`), else that of the recent list
  // (`recentRow`); -1 for none. With neither the result is 0. A choice becomes the most recent
  // selection.
  SelectionChoice choose(int listRow, int recentRow);
  // The patient returned by the More Information dialog: read by identifier, made the most
  // recent selection, result 1. Result 0 when it cannot be read.
  SelectionChoice chooseById(std::uint32_t patientId);
  // "&New Patient" / "&New Family": true when the dialog ends with -2. The family button needs
  // right 48 (unless the database is open exclusively); a refusal shows message 3001, a
  // cancelled password prompt shows nothing.
  bool requestNewPatient();
  // "&More Info...": right 143, then a selected row (message 9002 without one).
  bool mayShowMoreInfo(bool haveRow);
  // After open(): with an automatic-selection mode, whether the dialog ends at once and how.
  // Mode 3 takes the selected row as OK would; modes 1 and 2 end when the first search found
  // exactly one patient whose key begins with the text (chosen) or none (cancelled).
  bool autoSelect(SelectionChoice* choice);

 private:
  struct Recent {
    RecentEntry entry;
    PatientRecord patient;
    std::string phone;  // the household's, read for phone mode only
    bool phoneRead = false;
  };
  std::string rowOf(const PatientRecord& patient, Recent* recent);
  void reformatRecent();
  SelectionChoice finish(std::uint32_t patientId, const std::string& row);
  bool readPatient(std::uint32_t id, PatientRecord* out);

  AccessLayer& db_;
  Prompter& prompter_;
  std::string initialText_;
  std::uint16_t options_;
  bool guarantorMode_;
  int newPatientMode_;
  RecentSelections store_;
  SelectionSettings settings_;
  PatientSearch search_;
  std::vector<Recent> recentPatients_;
  std::vector<RecentEntry> recent_;
  std::string text_;
  std::string openingText_;
  bool openingSelectsWhole_ = false;
};
