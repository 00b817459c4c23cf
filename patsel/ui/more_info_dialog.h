#pragma once
// The "More Information" dialog of the patient selection: the family's members (list
// "members"), the household address and home phone ("address", "phone"), the chosen member's
// chart number and status ("chart", "status") and appointments (list "appointments"), with
// "&Select" ("select") and "&Close" ("close"). Dialling is not offered.

#include <QDialog>
#include <cstdint>
#include <vector>

#include "patsel/more_info.h"

class QLabel;
class QTreeWidget;

class MoreInfoDialog final : public QDialog {
 public:
  // Reads the patient's information; loaded() is false when the patient cannot be read.
  MoreInfoDialog(std::uint32_t patientId, QWidget* parent = nullptr);

  bool loaded() const { return loaded_; }
  // The member "&Select" returned; 0 after "&Close".
  std::uint32_t selectedPatient() const { return selected_; }

 private:
  void showMember(int index);

  MoreInfo info_;
  bool loaded_ = false;
  std::uint32_t selected_ = 0;
  QTreeWidget* members_ = nullptr;
  QTreeWidget* appointments_ = nullptr;
  QLabel* chart_ = nullptr;
  QLabel* status_ = nullptr;
};
