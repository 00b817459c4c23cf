#pragma once
// The "Select Patient" dialog: a thin window over PatientSelection (patsel/patient_selection.h).
//
// Controls are named by their identifiers: prompt "157", search text "904", list "903", its
// scroll bar "926", column title "3010", recent list "909", "&Clear" "902", "&New Patient"
// "907", "&More Info..." "924", OK "1", Cancel "2", letter buttons "950"-"975", digit buttons
// "138"-"147", "," "925", "&Include Archived Patients" "927", mode buttons "148"-"153". The
// titles of the first three list columns are "3010.name", "3010.birth" and "3010.provider".
//
// REQUIRES: a QApplication, and the access layer's session started.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "patsel/patient_selection.h"

class AccessLayer;
class Prompter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTreeWidget;

// Runs the dialog modally. `nameInOut` holds the initial search text on entry and the chosen
// patient's display name on return (null: no initial text, no name back). `options` is the
// options word (patsel/patient_selection.h). Returns the chosen patient identifier, 0 when
// cancelled or nothing was chosen, 0xFFFFFFFE when a new patient was requested, 0xFFFFFFFF when
// the dialog could not be made (the user was told why).
std::uint32_t selectPatient(QWidget* parent, Prompter& prompter, AccessLayer& db,
                            std::string* nameInOut, std::uint16_t options, bool guarantorMode);

class SelectPatientDialog final : public QDialog {
 public:
  SelectPatientDialog(Prompter& prompter, AccessLayer& db, std::string_view initialText,
                      std::uint16_t options, bool guarantorMode, std::uint32_t user,
                      QWidget* parent = nullptr);
  ~SelectPatientDialog() override;

  // With an automatic-selection mode the choice may be made while opening; then true and the
  // dialog need not be shown.
  bool choseAtOnce(SelectionChoice* choice);
  // The choice once the dialog has ended (result 0 until then).
  const SelectionChoice& choice() const { return choice_; }
  PatientSelection& selection() { return selection_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void applyMode();
  void showRows();
  void showRecent();
  void scrollList(void (PatientSearch::*step)());
  void barAction(int action);
  void finish(const SelectionChoice& choice);
  void choose();
  void newPatient();
  void moreInfo();
  int selectedListRow() const;
  int selectedRecentRow() const;

  Prompter& prompter_;
  PatientSelection selection_;
  SelectionChoice choice_;
  bool updating_ = false;

  QLabel* prompt_ = nullptr;
  QLineEdit* text_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QScrollBar* bar_ = nullptr;
  QLabel* columnTitle_ = nullptr;
  QTreeWidget* recent_ = nullptr;
  QPushButton* newPatient_ = nullptr;
  QCheckBox* archived_ = nullptr;
};
