#include "suite/ui/patient_alerts_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "data/schema.h"
#include "suite/patient_alerts.h"
#include "suite/results.h"
#include "suite/ui/patient_name.h"

namespace {

constexpr const char* kCaption = "Patient Alerts";

class PatientAlertsDialog final : public QDialog {
 public:
  PatientAlertsDialog(QWidget* owner, Prompter& prompter, std::uint32_t patientId,
                      const std::string& name, bool medical, const std::vector<std::string>& lines)
      : QDialog(owner), prompter_(prompter), patientId_(patientId) {
    setObjectName(QStringLiteral("PatientAlertsDialog"));
    setWindowTitle(QString::fromLatin1(kCaption) + QStringLiteral(" - ") +
                   QString::fromStdString(name));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        tr("These lines pop up when the patient's appointments are booked or opened:"), this));
    const int width = fontMetrics().averageCharWidth() * static_cast<int>(kMaxAlertLineLength + 4);
    for (std::size_t i = 0; i < kAlertLineCount; ++i) {
      auto* edit = new QLineEdit(this);
      edit->setObjectName(QStringLiteral("line%1").arg(i + 1));
      edit->setMaxLength(static_cast<int>(kMaxAlertLineLength));
      edit->setMinimumWidth(width);
      if (i < lines.size()) edit->setText(QString::fromStdString(lines[i]));
      layout->addWidget(edit);
      edits_.push_back(edit);
    }
    if (medical) {
      auto* note = new QLabel(
          tr("Medical alerts are also on file for this patient (see Medical Alerts/Notes)."), this);
      note->setObjectName(QStringLiteral("medical"));
      note->setStyleSheet(QStringLiteral("color: #b00000;"));
      layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(4);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Typing starts a new line: the first empty one. Were a filled line focused, its text would
    // be selected, and the first key pressed would wipe an alert.
    QWidget* start = buttons->button(QDialogButtonBox::Ok);
    for (QLineEdit* edit : edits_) {
      if (edit->text().isEmpty()) {
        start = edit;
        break;
      }
    }
    start->setFocus();
  }

 private:
  void tell(const std::string& text) {
    Prompt p;
    p.caption = kCaption;
    p.text = text;
    p.buttons = PromptButtons::kOk;
    p.icon = PromptIcon::kExclamation;
    prompter_.ask(p);
  }

  void save() {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < edits_.size(); ++i) {
      std::string line = edits_[i]->text().toStdString();
      // The field counts characters; the record counts bytes, which letters with accents take
      // more of.
      if (line.size() > kMaxAlertLineLength) {
        tell("Alert line " + std::to_string(i + 1) + " is too long for the alert record.");
        edits_[i]->setFocus();
        return;
      }
      lines.push_back(std::move(line));
    }
    for (;;) {
      const int rc = writePatientAlerts(patientId_, lines, QRX_SysDate());
      if (rc == kQdbOk) {
        accept();
        return;
      }
      if (rc == kQdbLocked && QRX_RecordLockedQuestion(prompter_, kPatientAlertFile) == kIdRetry) {
        continue;
      }
      if (rc == kSuiteBadText) {
        tell(
            "An alert line holds a character that cannot be stored (a tab or a control "
            "character).");
      } else if (rc != kQdbLocked) {
        QRX_DatabaseErrorNotice(prompter_, kPatientAlertFile, rc, kPatientAlertFile);
      }
      return;
    }
  }

  Prompter& prompter_;
  std::uint32_t patientId_;
  std::vector<QLineEdit*> edits_;
};

}  // namespace

int editPatientAlerts(QWidget* owner, Prompter& prompter, std::uint32_t patientId) {
  if (patientId == 0) return 0;
  PatientRecord patient;
  if (!readPatientById(patientId, &patient)) {
    Prompt p;
    p.caption = kCaption;
    p.text = "The patient's record cannot be read.";
    p.icon = PromptIcon::kStop;
    prompter.ask(p);
    return 0;
  }
  std::vector<std::string> lines;
  const int rc = readPatientAlerts(patientId, &lines);
  if (rc != kQdbOk) {
    QRX_DatabaseErrorNotice(prompter, kPatientAlertFile, rc, kPatientAlertFile);
    return 0;
  }
  PatientAlertsDialog dialog(owner, prompter, patientId, patientCaptionName(patientId),
                             patient.hasMedicalAlerts(), lines);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
