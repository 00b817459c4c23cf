#pragma once
// The "Appointment Information" dialog without its window: what the dialog shows when it opens on
// an existing or a new appointment, and what its commands do (OK, Wait/Will Call, Sc&hd. Next,
// Cancel, the new-person data), with every question and message through the environment's
// prompter. The window (editing/ui/appointment_dialog.h) only copies its controls into form()
// before a command and back out of it afterwards.
//
// Three copies of the appointment are kept: the opening copy (the bytes as read when the dialog
// opened; the change-at-another-workstation test compares the stored record with it), the
// working copy (the appointment before this save) and the edited copy (built from the form on
// OK). The suite's note, lab case, patient alert and patient selection components, the lists of
// other windows and the modal dialogs themselves are reached through ApptEditServices, so this
// file stays free of windows and of those components.
//
// REQUIRES: the database is open in this process (QDB_InitDataBase). Reads and writes use short
// sessions of their own; the scheduling rules take their locks only inside the save.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "editing/scheduling_rules.h"
#include "suite/lab_cases.h"

class StatusTable;
class TypeTable;

// ---------------------------------------------------------------------------------------------
// Texts of the dialog.

inline constexpr const char* kApptDialogTitle = "Appointment Information";
inline constexpr const char* kApptListCaption = "Appointment List";
inline constexpr const char* kApptBookCaption = "Appointment Book";
inline constexpr const char* kSetAmountCaption = "Appointment Amount";
inline constexpr const char* kSetAmountQuestion =
    "The 'Set Amount' checkbox is not checked.\nIn order for the appointment amount to be "
    "saved,\nthis box must be checked.\n\nCheck 'Set Amount'?";
inline constexpr const char* kMoveToUnscheduledQuestion =
    "Move appointment to the Unscheduled List?";
inline constexpr const char* kCancelCaption = "Cancel Appointment";
inline constexpr const char* kCancelQuestion = "Are you sure?  Your changes will not be saved.";
inline constexpr const char* kUnscheduledApptQuestion =
    "This patient has an unscheduled or broken appointment.\nWould you like to view the patient's "
    "appointment list?";
inline constexpr const char* kInvalidLengthText = "Invalid appointment length!";
inline constexpr const char* kLongLengthQuestion = "Very long appointment length! Continue?";
inline constexpr const char* kInvalidDescriptionText = "Invalid Description!";
// Told where the dialog would otherwise only move the caret to the field.
inline constexpr const char* kInvalidProviderText = "Invalid Provider!";
inline constexpr const char* kInvalidOperatoryText = "Invalid Operatory!";
inline constexpr const char* kInvalidAmountText = "Invalid Amount!";
inline constexpr const char* kInvalidPhoneText = "Invalid phone number!";
inline constexpr const char* kNoteStampLine = "---------------";

// Message numbers of the catalogue.
inline constexpr int kMsgNoRight = 3001;
inline constexpr int kMsgDefinitionsUnreadable = 3180;
inline constexpr int kMsgPastDate = 6042;
inline constexpr int kMsgNoLastName = 9018;
inline constexpr int kMsgNoFirstName = 9019;
inline constexpr int kMsgBadDate = 9047;
inline constexpr int kMsgBadTime = 9090;
inline constexpr int kMsgNoDate = 9091;

// Patient alert modes the dialog shows alerts in.
inline constexpr int kAlertsNewAppointment = 8;
inline constexpr int kAlertsOpenAppointment = 32;
// Mode of the other-appointments list when the main window's new-appointment command opens it.
inline constexpr int kOtherApptsFromMainWindow = 0;

// Text limits of the fields.
inline constexpr int kDescriptionLimit = 60;
inline constexpr int kCodeLimit = 4;
inline constexpr int kDateLimit = 10;
inline constexpr int kTimeLimit = 9;
inline constexpr int kAmountLimit = 8;
inline constexpr int kLongLength = 240;

inline constexpr std::size_t kFlagBoxes = AppointmentRecord::kFlagCount;
inline constexpr std::size_t kFlagLabelLength = 20;

// ---------------------------------------------------------------------------------------------
// What the dialog hands to and takes from the suite's other components.

// The lab case links of an appointment are the lab case component's own value (LabCaseLinks);
// the dialog holds them while it is open and only asks whether there are any.

// A person who has an appointment but no patient record. Kept in the appointment (name, phone)
// and in an address record of its own (street lines, city, state, zip code).
struct NewPersonData {
  std::string last;     // at most 20 characters
  std::string first;    // 15
  std::string initial;  // 1, upper case
  std::string phone;    // the digits as stored
  std::string street1;  // 30
  std::string street2;  // 30
  std::string city;     // 25
  std::string state;    // 20
  std::string zip;      // 14
  bool operator==(const NewPersonData&) const = default;
};

enum class PatientPick { kCancelled, kPatient, kNewPerson };
struct PatientChoice {
  PatientPick pick = PatientPick::kCancelled;
  std::uint32_t patientId = 0;
};

// What the other-appointments list gives back: an appointment to open, or a patient for a new
// appointment, or neither (both 0).
struct OtherApptChoice {
  std::uint32_t appointmentId = 0;
  std::uint32_t patientId = 0;
};

// One change for the workstation notification: StationRecord kind 1 added, 2 removed, 3 changed.
struct ApptChange {
  std::uint16_t kind = 0;
  PackedDate date = kNoDate;
  std::string operatory;
  std::string provider;
  std::uint32_t appointmentId = 0;
  bool operator==(const ApptChange&) const = default;
};

class AppointmentEdit;

// Every member may be left empty: an empty service is not there, and the dialog goes on without
// it (no note is read or written, no alert shown, no list refreshed, ...). The program fills
// them with the real components.
struct ApptEditServices {
  // The note of an appointment: its text, or nullopt when it has none or it cannot be read.
  std::function<std::optional<std::string>(std::uint32_t appt)> readNote;
  // Stores the note; `create` when the appointment had none. True when stored.
  std::function<bool(std::uint32_t appt, const std::string& text, bool create)> writeNote;
  std::function<LabCaseLinks(std::uint32_t appt)> readCaseLinks;
  std::function<bool(std::uint32_t appt, const LabCaseLinks& links)> writeCaseLinks;
  // The lab case attach dialog; non-zero when the user attached, with *links the new list.
  std::function<int(std::uint32_t patient, const std::string& provider, LabCaseLinks* links)>
      attachCases;
  std::function<void(std::uint32_t patient, int mode)> showPatientAlerts;
  // The "Select Patient" dialog.
  std::function<PatientChoice()> selectPatient;
  // The patient's other-appointments list in a mode; empty = that list is not available.
  std::function<OtherApptChoice(std::uint32_t patient, int mode)> otherAppointments;
  // Posts one change to the workstations that show its date and place.
  std::function<void(const ApptChange& change)> notifyChange;
  // The own day list after a save: redraw it, or select the saved appointment.
  std::function<void(std::uint32_t appt)> showSaved;
  // An open ASAP or Unscheduled window reloads.
  std::function<void()> refreshWaitingLists;
  // The main window's detail area (see SchedulingContext).
  std::function<std::uint32_t()> shownAppointment;
  std::function<void()> refreshShownAppointment;
  // Starts the family records module on the patient; the run result (32 or more = started).
  std::function<int(std::uint32_t patient)> startFamilyModule;
  // Shows the appointment dialog modally over the edit and returns its close code (0, 1, 2).
  std::function<int(AppointmentEdit& edit)> runDialog;
  // The "Enter New Patient Information" dialog on *person; true on OK (the data checked).
  std::function<bool(NewPersonData* person)> editNewPerson;
  // Find Time for *appt (provider, length, time pattern, type and operatory set), searching from
  // the later of tomorrow and `startDate` (0 = none). True when a time was chosen: its date,
  // start hour and minute, operatory and provider are then in *appt.
  std::function<bool(AppointmentRecord* appt, PackedDate startDate)> findTime;
};

// Settings read when a dialog opens.
struct ApptEditSettings {
  std::string defaultProvider;   // GENERAL DEF_PROV
  std::string defaultOperatory;  // GENERAL DEF_OP
  int defaultSchedule = 0;       // APPTBOOK DefaultSchedule, DefaultType, DefaultStatus
  int defaultType = 0;
  int defaultStatus = 0;
  bool alwaysCalculate = true;  // APPTBOOK AlwaysCalculate of qrxdata.inf
};
ApptEditSettings readApptEditSettings();

// What every dialog of a run needs; borrowed from the main window, which outlives the dialogs.
struct ApptEditEnv {
  ApptEditEnv(Prompter& who, const PracticeSchedule& office, const ProviderScheduleTable& table,
              const StatusTable& statusTable, const TypeTable& typeTable)
      : prompter(who),
        practice(office),
        providers(table),
        statuses(statusTable),
        types(typeTable) {}

  Prompter& prompter;
  const PracticeSchedule& practice;
  const ProviderScheduleTable& providers;
  const StatusTable& statuses;
  const TypeTable& types;
  ApptEditSettings settings;
  ApptEditServices services;
  // "Today"; 0 takes QRX_SysDate() at every use.
  PackedDate today = kNoDate;
  LockRetry lockRetry;

  PackedDate currentDate() const { return today != kNoDate ? today : QRX_SysDate(); }
};

// ---------------------------------------------------------------------------------------------
// The dialog's fields as texts and choices.

enum class ApptField {
  kNone,
  kProvider,
  kOperatory,
  kStaff,
  kDate,
  kTime,
  kLength,
  kDescription,
  kAmount,
};

struct ApptForm {
  std::string provider;
  std::string operatory;
  std::string staff;
  std::string date;    // "MM/DD/YYYY", empty for none
  std::string time;    // "9:30am", empty for none
  std::string length;  // minutes
  std::string description;
  std::string amount;  // "125.00"
  std::string note;
  int scheduleKind = 0;  // index in the Schedule list
  int type = 0;          // index in the Type list
  int status = 0;        // the value of the chosen Status item (0-15, or 150)
  std::uint16_t flags = 0;
  bool setAmount = false;
  bool reasonUpdatesCare = false;
  bool labCase = false;
  std::array<std::uint8_t, 6> pattern{};
};

struct StatusItem {
  std::string text;
  int value = 0;
  std::uint8_t red = 255, green = 255, blue = 255;
};

// Shown when the appointment was saved but its note could not be written.
inline constexpr const char* kNoteNotStoredText =
    "The appointment was saved, but its note could not be stored. Open the appointment again "
    "and enter the note once more.";
inline constexpr const char* kStatusNoneText = "<none>";
inline constexpr const char* kStatusCompleteText = "<COMPLETE>";
inline constexpr std::array<const char*, 3> kScheduleKindTexts = {"FIXED", "OPEN", "ASAP"};

enum class ApptStep {
  kStay,  // the dialog stays open; focus() names the field to go to, if any
  kClose,
  kNextAppointment,  // "Sc&hd. Next" saved; the form now holds the following appointment
};

struct ApptCommandResult {
  ApptStep step = ApptStep::kStay;
  ApptField focus = ApptField::kNone;
  int closeCode = 0;  // for kClose: 1 something was saved, 2 cancelled with changes, else 0
};

// How a new appointment opens.
struct NewApptRequest {
  std::uint32_t patientId = 0;
  PackedDate date = kNoDate;
  std::optional<PackedTime> time;
  std::string provider;   // empty: DEF_PROV
  std::string operatory;  // empty: DEF_OP
  // The person of an appointment without a patient record.
  std::optional<NewPersonData> person;
  // The continuing care type to attach (kept for the continuing care list; 0 = none).
  int careType = 0;
};

class AppointmentEdit {
 public:
  explicit AppointmentEdit(ApptEditEnv& env);
  AppointmentEdit(const AppointmentEdit&) = delete;
  AppointmentEdit& operator=(const AppointmentEdit&) = delete;

  // Reads appointment `id` and fills the form. False (nothing to show) when it cannot be read.
  bool openExisting(std::uint32_t id);
  void openNew(const NewApptRequest& request);

  // ---- What the window shows.
  ApptForm& form() { return form_; }
  const ApptForm& form() const { return form_; }
  const std::vector<StatusItem>& statusItems() const { return statusItems_; }
  // "<none>" and the practice's type names: an appointment stores the index in this list.
  std::vector<std::string> typeItems() const;
  // The twelve flag boxes' labels; nullopt = the practice defined none and the box is hidden.
  const std::array<std::optional<std::string>, kFlagBoxes>& flagLabels() const {
    return flagLabels_;
  }
  std::string title() const;
  // The patient's (or new person's) name, and the phone the appointment will carry, formatted.
  const std::string& patientName() const { return patientName_; }
  std::string phoneText() const;
  bool isNew() const { return isNew_; }
  bool hasPatient() const { return patientId() != 0; }
  std::uint32_t patientId() const { return working_.patientId(); }
  // With links, "La&b Case" is ticked and cannot be unticked.
  bool labCaseLocked() const { return !links_.empty(); }
  bool alwaysCalculate() const { return env_.settings.alwaysCalculate; }
  bool changed() const { return changed_; }
  bool notesAvailable() const {
    return static_cast<bool>(env_.services.readNote) && static_cast<bool>(env_.services.writeNote);
  }
  // Whether the program offers Find Time (command 18).
  bool findTimeAvailable() const { return static_cast<bool>(env_.services.findTime); }
  int blockMinutes() const;
  const NewPersonData& newPerson() const { return person_; }
  int careType() const { return careType_; }

  // ---- Events of the window.
  void markChanged() { changed_ = true; }
  void markNoteModified() { noteModified_ = true; }
  // The Amount field got / lost the focus: a different text on leaving marks it changed by hand.
  void amountEntered() { amountOnEntry_ = form_.amount; }
  void amountLeft();
  // The dialog got the focus: the patient's phone may have changed meanwhile.
  void refreshPatientPhone();
  // The text command 91 puts into the note at the caret.
  std::string noteStamp() const;

  // ---- Commands.
  ApptCommandResult ok();
  ApptCommandResult waitWillCall();
  // Command 8: to the Unscheduled List without the question.
  ApptCommandResult unscheduleDirect();
  ApptCommandResult scheduleNext();
  ApptCommandResult cancel();
  // "Attach Case". True when the links changed (the form's lab case box may have been ticked).
  bool attachCases();
  // Command 18, Find Time, for the appointment the provider, length, time pattern, type and
  // operatory fields describe, from the date in the Date field. A chosen time goes into the
  // Date, Time, Op and Provider fields and marks the dialog changed. False when nothing was
  // chosen (or the program offers no Find Time); the form is then unchanged.
  bool findTime();
  // "&Patient Info": the family module for a patient, else the new-person dialog. True when the
  // new-person data changed.
  bool patientInfo();

  // ---- Results and copies.
  // The appointment saved last (by OK or "Sc&hd. Next") as written; savedId() 0 when none.
  std::uint32_t savedId() const { return savedId_; }
  const AppointmentRecord& savedCopy() const { return saved_; }
  const AppointmentRecord& openingCopy() const { return opening_; }
  const AppointmentRecord& workingCopy() const { return working_; }
  const AppointmentRecord& editedCopy() const { return edited_; }

 private:
  enum class Mode { kNormal, kMoving, kDirectUnschedule };

  void reset();
  void fillLists();
  void loadFlagLabels();
  void fillFromRecord(const AppointmentRecord& appt);
  void readPatient();
  ApptCommandResult save(bool next);
  bool concurrentChangeTest();
  // Each gives nullopt when the edited copy could be built, else the field to go back to.
  std::optional<ApptField> buildEdited();
  std::optional<ApptField> buildPlacement(PackedDate date);
  std::optional<ApptField> buildPerson();
  void notifyChanges(const AppointmentRecord& before, bool anyChange);
  void turnIntoNext();
  ApptCommandResult closeAfterChange();
  int ask(const char* caption, const char* text, PromptButtons buttons, PromptIcon icon);
  void stop(const char* text);

  ApptEditEnv& env_;
  std::vector<StatusItem> statusItems_;
  std::array<std::optional<std::string>, kFlagBoxes> flagLabels_{};
  ApptForm form_;
  AppointmentRecord opening_;
  AppointmentRecord working_;
  AppointmentRecord edited_;
  bool isNew_ = true;
  bool nextPrepared_ = false;  // the new appointment that "Sc&hd. Next" prepared
  bool changed_ = false;
  bool amountChanged_ = false;
  bool noteMissing_ = false;
  bool noteModified_ = false;
  bool privacy_ = false;
  Mode mode_ = Mode::kNormal;
  std::string patientName_;
  std::string currentPhone_;  // the patient's phone as last read
  std::string amountAtOpening_;
  std::string amountOnEntry_;
  NewPersonData person_;
  // An address record this dialog added for a new appointment that was not saved yet: reused
  // by the next try, removed by Cancel.
  std::uint32_t addedAddress_ = 0;
  LabCaseLinks links_;
  int careType_ = 0;
  std::uint32_t savedId_ = 0;
  AppointmentRecord saved_;
};

// ---------------------------------------------------------------------------------------------
// Pieces the dialog and its choosers share.

// Reads a typed start time. At most the first 8 characters count, and blanks aside they must be
// 4 or more; then the schedule's time parser reads them (schedule/time_entry.h: an "a" or "p"
// ends the time and makes it am or pm, minutes are rounded down to a multiple of
// `blockMinutes`). 24:00 is refused: no appointment starts at the end of the day.
bool parseApptTime(std::string_view text, int blockMinutes, PackedTime* out);
// "9:05am", "12:30pm" (exact minutes); empty for an impossible time.
std::string apptTimeText(PackedTime time);
// "125.00": no group separators, so that every amount up to 99999.99 fits the field's 8
// characters (and a larger one is shown whole, never cut).
std::string apptAmountText(std::uint32_t cents);
// The start after an appointment: `length` minutes after date and time, hours past 23 carried
// into the following dates. *date stays 0 when it was 0.
void nextStart(PackedDate* date, PackedTime* time, int length);
// The length in minutes a time pattern covers: up to its last used slot, `slotMinutes` each.
int patternMinutes(const std::array<std::uint8_t, 6>& pattern, int slotMinutes);

// A provider, staff member or operatory for the pick lists.
struct ResourceChoice {
  std::string code;  // as typed into the field (no padding)
  std::string name;
};
// Providers (kind 1, without those left out of lists), staff (2) or operatories (3), in code
// order. Empty when the resource file cannot be read.
std::vector<ResourceChoice> readResourceChoices(std::uint8_t kind);
// Whether the resource file holds `code` as a resource of `kind`.
bool resourceExists(std::uint8_t kind, std::string_view code);
// Whether the patient has an appointment on the Unscheduled list.
bool patientHasUnscheduledAppt(std::uint32_t patientId);

// Checks the new-person data as its dialog's OK does: 9018 for an empty last name, 9019 for an
// empty first name, a phone the utility library refuses; the initial is upper-cased and the
// phone reduced to its digits. False after the message.
bool checkNewPerson(Prompter& prompter, NewPersonData* person);

// ---------------------------------------------------------------------------------------------
// Entry points. Each checks the user right, runs the dialog through services.runDialog and hands
// the rights override back to the signed-on user afterwards.

struct ApptEntryResult {
  bool ok = false;  // something was saved
  std::uint32_t appointmentId = 0;
  std::uint32_t patientId = 0;
  PackedDate date = kNoDate;
  PackedTime time{};
  std::string provider;
  std::string operatory;
};

// Right 66 with audit.
ApptEntryResult EditAppt(ApptEditEnv& env, std::uint32_t appointmentId);
// Right 37; the patient's alerts first. The last non-zero care type is the one to attach.
ApptEntryResult NewApptForPatient(ApptEditEnv& env, std::uint32_t patientId,
                                  const std::vector<int>& careTypes);
// A new appointment at a slot, for a patient or (patient 0) the person in `request`. Asks about
// the patient's unscheduled appointments unless `secondPass`, and only when the
// other-appointments list is available to answer a Yes.
ApptEntryResult NewApptAtSlot(ApptEditEnv& env, const NewApptRequest& request,
                              bool secondPass = false);
// The main window's new-appointment command.
ApptEntryResult NewAppt(ApptEditEnv& env, std::uint32_t patientId, int careType, PackedDate date,
                        std::optional<PackedTime> time, const std::string& provider,
                        const std::string& operatory);
