#include "patsel/patient_selection.h"

#include <algorithm>
#include <array>

#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/address_record.h"
#include "data/record_readers.h"
#include "data/schema.h"

namespace {

constexpr const char* kSection = "SELPAT";

}  // namespace

std::uint32_t selectionValue(int result, std::uint32_t patientId) {
  switch (result) {
    case kSelectChosen:
    case kSelectChosenWithArchived:
      return patientId;
    case kSelectNewPatient:
      return kSelectNewPatientValue;
    default:
      return 0;
  }
}

SelectionSettings readSelectionSettings() {
  SelectionSettings s;
  if (!modeOfButton(QRX_GetProfileInt(kSection, "SelectBy", kModeButtonLastName), &s.mode)) {
    s.mode = SearchMode::kLastName;
  }
  s.identifierMode = QRX_GetProfileInt(kSection, "SelectByID", 0) == 1;
  s.editFamilyId = QRX_GetProfileInt("FAMILY", "EditFamilyID", 0) == 1;
  return s;
}

int writeSelectBy(SearchMode mode) {
  return QRX_WriteProfileInt(kSection, "SelectBy", buttonOfMode(mode));
}

int warnSelectedPatientStatus(Prompter& prompter, std::uint32_t patientId) {
  PatientRecord patient;
  if (!readPatientById(patientId, &patient)) return 0;
  const char* text = nullptr;
  if (patient.status() == PatientRecord::kNonPatient) {
    text = "Selected Patient has a Non-Patient Status";
  } else if (patient.status() == PatientRecord::kInactive) {
    text = "Selected Patient has an Inactive Status";
  }
  if (text != nullptr) {
    Prompt p;
    p.caption = "Warning";
    p.text = text;
    p.buttons = PromptButtons::kOk;
    p.icon = PromptIcon::kExclamation;
    prompter.ask(p);
  }
  return patient.status();
}

PatientSelection::PatientSelection(AccessLayer& db, Prompter& prompter,
                                   std::string_view initialText, std::uint16_t options,
                                   bool guarantorMode, std::uint32_t user)
    : db_(db),
      prompter_(prompter),
      initialText_(initialText),
      options_(options),
      guarantorMode_(guarantorMode),
      newPatientMode_((options & kNewPatientMask) >> kNewPatientShift),
      store_(user),
      search_(db, prompter) {}

std::string PatientSelection::title() const {
  return guarantorMode_ ? "Select Guarantor" : "Select Patient";
}

std::string PatientSelection::newPatientLabel() const {
  return newPatientMode_ == kNewFamilyButton ? "&New Family" : "&New Patient";
}

bool PatientSelection::archivedEnabled() const {
  return newPatientMode_ == kNewFamilyButton && !guarantorMode_;
}

bool PatientSelection::readPatient(std::uint32_t id, PatientRecord* out) {
  if (id == 0 || !db_.isOpen(kPatientFile)) return false;
  const std::array<std::uint8_t, 4> key = {
      static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
      static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
  return db_.find(kPatientById, key.data(), key.size(), out->data(), out->size()) == 0;
}

void PatientSelection::open() {
  settings_ = readSelectionSettings();
  RowOptions rows;
  rows.mode = settings_.identifierMode ? SearchMode::kIdentifier : settings_.mode;
  rows.markGuarantors = (options_ & kNoGuarantorMarks) == 0;
  rows.showFamilyId = settings_.editFamilyId;
  search_.setRowOptions(rows);
  SearchFilter filter;
  filter.guarantorsOnly = guarantorMode_;
  search_.setFilter(filter);

  // A recent patient who is gone or archived leaves the store; one who is only not a guarantor
  // stays there for the next ordinary selection but is not shown here.
  recentPatients_.clear();
  for (const RecentEntry& entry : store_.load()) {
    Recent r;
    r.entry = entry;
    if (!readPatient(entry.patientId, &r.patient) ||
        r.patient.status() == PatientRecord::kArchived) {
      store_.remove(entry.patientId);
      continue;
    }
    if (search_.filter().passes(r.patient)) recentPatients_.push_back(std::move(r));
  }
  reformatRecent();

  openingSelectsWhole_ = false;
  if (!initialText_.empty()) {
    // A caller's text is a name: it means nothing to the other modes, which start empty.
    openingText_ = isNameMode(mode()) ? initialText_ : std::string();
  } else if (!recent_.empty()) {
    openingText_ =
        isNameMode(mode()) ? rowName(recent_.front().row) : rowFourthColumn(recent_.front().row);
    openingSelectsWhole_ = !openingText_.empty();
  } else {
    openingText_.clear();
  }
  textChanged(openingText_);
}

std::string PatientSelection::rowOf(const PatientRecord& patient, Recent* recent) {
  std::string phone;
  if (mode() == SearchMode::kPhone) {
    if (recent != nullptr && recent->phoneRead) {
      phone = recent->phone;
    } else {
      AddressRecord address;
      if (readAddressById(patient.addressId(), &address)) phone = address.phone();
      if (recent != nullptr) {
        recent->phone = phone;
        recent->phoneRead = true;
      }
    }
  }
  return formatPatientRow(patient, phone, search_.rowOptions());
}

void PatientSelection::reformatRecent() {
  recent_.clear();
  for (Recent& r : recentPatients_) {
    // The row as this mode shows it, from the patient as read at opening.
    r.entry.row = rowOf(r.patient, &r);
    recent_.push_back(r.entry);
  }
}

void PatientSelection::textChanged(std::string_view text) {
  text_ = std::string(text);
  search_.search(text_);
}

void PatientSelection::setIncludeArchived(bool include) {
  SearchFilter filter = search_.filter();
  filter.includeArchived = include && archivedEnabled();
  search_.setFilter(filter);
  search_.search(text_);
}

void PatientSelection::changeMode(int button) {
  SearchMode next;
  if (settings_.identifierMode || !modeOfButton(button, &next)) return;
  RowOptions rows = search_.rowOptions();
  const bool changed = rows.mode != next;
  rows.mode = next;
  search_.setRowOptions(rows);
  text_.clear();
  search_.clear();
  reformatRecent();
  if (changed) writeSelectBy(next);
}

SelectionChoice PatientSelection::finish(std::uint32_t patientId, const std::string& row) {
  SelectionChoice choice;
  if (patientId == 0) return choice;
  choice.result = includeArchived() ? kSelectChosenWithArchived : kSelectChosen;
  choice.patientId = patientId;
  choice.name = rowName(row);
  store_.add({patientId, row});
  return choice;
}

SelectionChoice PatientSelection::choose(int listRow, int recentRow) {
  const std::vector<PatientRow>& rows = search_.rows();
  if (listRow >= 0 && listRow < static_cast<int>(rows.size())) {
    const PatientRow& row = rows[static_cast<std::size_t>(listRow)];
    return finish(row.patientId, row.text);
  }
  if (recentRow >= 0 && recentRow < static_cast<int>(recent_.size())) {
    const RecentEntry& entry = recent_[static_cast<std::size_t>(recentRow)];
    return finish(entry.patientId, entry.row);
  }
  return {};
}

SelectionChoice PatientSelection::chooseById(std::uint32_t patientId) {
  PatientRecord patient;
  if (!readPatient(patientId, &patient)) return {};
  SelectionChoice choice = finish(patientId, rowOf(patient, nullptr));
  if (choice.result == kSelectChosenWithArchived) choice.result = kSelectChosen;
  return choice;
}

bool PatientSelection::requestNewPatient() {
  if (newPatientMode_ == kNewPatientButton) return true;
  if (newPatientMode_ != kNewFamilyButton) return false;
  if (QDB_GetAccessMode(db_.session()) == 2) return true;
  const int granted = QRX_CheckRightWithPassword(prompter_, kRightAddFamily);
  if (granted > 0) {
    QRX_SetOverrideToLoggedIn();
    return true;
  }
  if (granted == 0) QRX_Message(prompter_, kNoRightMessage);
  return false;
}

bool PatientSelection::mayShowMoreInfo(bool haveRow) {
  const int granted = QRX_CheckRightWithPassword(prompter_, kRightMoreInfo);
  QRX_SetOverrideToLoggedIn();
  if (granted < 1) {
    if (granted == 0) QRX_Message(prompter_, kNoRightMessage);
    return false;
  }
  if (!haveRow) {
    QRX_Message(prompter_, kNoRowSelectedMessage);
    return false;
  }
  return true;
}

bool PatientSelection::autoSelect(SelectionChoice* choice) {
  const int mode = options_ & kAutoSelectMask;
  if (mode == 3) {
    *choice = choose(search_.selectedRow(), -1);
    return true;
  }
  if (mode != 1 && mode != 2) return false;
  const int matches = search_.matchCount();
  if (matches > 1) return false;
  if (matches == 0) {
    *choice = {};
    return true;
  }
  const std::vector<PatientRow>& rows = search_.rows();
  const auto match =
      std::find_if(rows.begin(), rows.end(), [](const PatientRow& r) { return r.matches; });
  *choice = choose(static_cast<int>(match - rows.begin()), -1);
  return true;
}
