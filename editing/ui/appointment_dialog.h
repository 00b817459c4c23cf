#pragma once
// The "Appointment Information" window over an AppointmentEdit, and the small dialogs it opens:
// the provider, staff and operatory pick lists, the date and time choosers, the time pattern and
// "Enter New Patient Information". The window decides nothing: before a command it copies its
// controls into the edit's form, runs the command, and shows the form again.
//
// Control names (objectName), for tests and scripts:
//   numbered as the appointment dialog numbers them: ">>" buttons "24" provider, "26" operatory,
//   "61" staff, "30" date, "32" time, "55" length (time pattern); "53" Amount; "380" Set Amount;
//   "378" Use Reason to Auto Update CC; "56" Status, "62" Schedule, "63" Type; "242"-"253" the
//   flag boxes; "73" Attach Case; "67" Patient Info; "68" Other Appt(s), "69" Ins Claim Info and
//   "70" Dial (not available here: disabled, with a tooltip); "48" Wait/Will Call; "49" Schd.
//   Next; "1" OK; "2" Cancel; "18" Find Time... beside the time (also the action "findTime",
//   Ctrl+F; disabled when the program offers no Find Time).
//   without a number: "patient" (name and phone shown), "provider", "operatory", "staff", "date",
//   "time", "length", "description", "labCase" (La&b Case), "note", and the action "stamp" (Ctrl+T
//   puts the dated separator line into the note at the caret).
// Enter is OK; Escape and closing the window are Cancel, with its question.
//
// The new-person dialog: "last", "first", "initial", "phone", "street1", "street2", "city",
// "state", "zip", "1" OK, "2" Cancel. The pick lists "pickList", the date chooser "calendar", the
// time chooser "timeList", the time pattern "slotCount" and "slot0" ... "slot23"; each with
// "1" and "2".
//
// REQUIRES: a QApplication, and calls from its thread.

#include <QDialog>
#include <array>

#include "editing/appointment_edit.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class AppointmentDialog final : public QDialog {
 public:
  // The edit must have been opened (openExisting or openNew) and outlive the window.
  explicit AppointmentDialog(AppointmentEdit& edit, QWidget* parent = nullptr);

 protected:
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void build();
  void showForm();
  void showPatient();
  void collect();
  void finish(const ApptCommandResult& result);
  void focusField(ApptField field);
  void pickResource(std::uint8_t kind, QLineEdit* field);
  void chooseDate();
  void chooseTime();
  void choosePattern();
  // Command 18: Find Time; a chosen time shows in the Date, Time, Op and Provider fields.
  void findTime();
  void watchChanges();

  AppointmentEdit& edit_;
  bool filling_ = false;
  QLabel* patient_ = nullptr;
  QLineEdit* provider_ = nullptr;
  QLineEdit* operatory_ = nullptr;
  QLineEdit* staff_ = nullptr;
  QLineEdit* date_ = nullptr;
  QLineEdit* time_ = nullptr;
  QLineEdit* length_ = nullptr;
  QLineEdit* description_ = nullptr;
  QLineEdit* amount_ = nullptr;
  QCheckBox* setAmount_ = nullptr;
  QCheckBox* reasonCare_ = nullptr;
  QComboBox* status_ = nullptr;
  QComboBox* schedule_ = nullptr;
  QComboBox* type_ = nullptr;
  std::array<QCheckBox*, kFlagBoxes> flags_{};
  QCheckBox* labCase_ = nullptr;
  QPushButton* attachCase_ = nullptr;
  QPlainTextEdit* note_ = nullptr;
  QPushButton* patientInfo_ = nullptr;
  QPushButton* wait_ = nullptr;
  QPushButton* next_ = nullptr;
};

class NewPersonDialog final : public QDialog {
 public:
  NewPersonDialog(Prompter& prompter, const NewPersonData& person, QWidget* parent = nullptr);
  // The data as checked by OK.
  const NewPersonData& person() const { return person_; }

  void accept() override;

 private:
  Prompter& prompter_;
  NewPersonData person_;
  std::array<QLineEdit*, 9> fields_{};
};

// Shows the appointment dialog over `owner` (may be null); its close code (0, 1 or 2).
int runAppointmentDialog(AppointmentEdit& edit, QWidget* owner);
// Fills services.runDialog and services.editNewPerson with the windows of this file. The
// prompter and the owner are borrowed for as long as the services are used.
void useQtApptDialogs(ApptEditServices& services, Prompter& prompter, QWidget* owner);
