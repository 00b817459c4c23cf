#pragma once
// "Practice Appointment Setup": the practice's default weekly hours, the time block size and the
// practice-wide defaults of new appointments. What is read, locked and stored is decided in
// schedule/practice_setup.h; this window only shows and collects.
//
// Names for tests and scripts: the dialog "PracticeSetupDialog"; per weekday (0 = Sunday) the
// check box "day<N>" and its " >>" button "times<N>"; the block size radio buttons "block1",
// "block2", "block3", "block4", "block6" (by block code: 5, 10, 15, 20, 30 minutes); the combos
// "status", "schedule" and "type"; the radio buttons "alwaysCalculate" and "allowAmount"; the
// buttons "1" (OK) and "2" (Cancel).

#include <QDialog>
#include <array>
#include <cstddef>

#include "schedule/practice_setup.h"
#include "schedule/schedule_time.h"

class Prompter;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QWidget;
class StatusTable;
class TypeTable;
struct PracticeSchedule;

class PracticeSetupDialog final : public QDialog {
 public:
  // Shows `values`; the status list holds "<none>" and the practice's statuses 1 to 14 up to the
  // first without a name, the type list "<none>" and the appointment types, so that a position
  // in either list is what an appointment stores. A stored position the list does not have
  // selects "<none>". `prompter` is borrowed and must outlive the dialog.
  PracticeSetupDialog(QWidget* parent, Prompter& prompter, const PracticeSetupValues& values,
                      const StatusTable& statuses, const TypeTable& types);

  // The values as the controls hold them now.
  PracticeSetupValues values() const;

 private:
  // Checking a weekday asks for its periods (the first one required); cancelling unchecks it
  // again. Unchecking sets the day's six values to -1.
  void dayClicked(std::size_t day, bool checked);
  // " >>" (enabled only on a checked weekday): the day's periods, the first one again required
  // so that a checked day always keeps one.
  void editDay(std::size_t day);

  Prompter& prompter_;
  PracticeSetupValues values_;
  std::array<QCheckBox*, kWeekDays> days_{};
  std::array<QPushButton*, kWeekDays> times_{};
  QButtonGroup* blocks_;
  QComboBox* status_;
  QComboBox* schedule_;
  QComboBox* type_;
  QRadioButton* alwaysCalculate_;
};

// Command 140, "&Practice Setup...": locks the practice's default record, shows the dialog and
// stores it on OK. True when the setup was stored (the caller then lays its window out again);
// false when it was cancelled or could not be read or stored (the user has been told). The
// in-memory schedule follows what was stored. REQUIRES: the database is open in this process;
// the caller has checked the user's right to the command.
bool runPracticeSetup(QWidget* parent, Prompter& prompter, PracticeSchedule& practice,
                      const StatusTable& statuses, const TypeTable& types);
