#include "suite/ui/attach_cases.h"

#include <QColor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <vector>

#include "contracts/qdb.h"
#include "data/schema.h"
#include "suite/ui/patient_name.h"

namespace {

constexpr const char* kCaption = "Attach Lab Cases";

enum Column { kDescription, kLab, kProvider, kSent, kDue, kReturned, kStatus, kColumns };

QString dateText(PackedDate date) {
  std::array<char, 16> text{};
  QRX_FormatNDate2000(text.data(), text.size(), date);
  return QString::fromLatin1(text.data());
}

QString stateText(const LabCase& c, PackedDate today) {
  if (c.state == LabCaseState::kCancelled) return QStringLiteral("Cancelled");
  switch (labCaseStatusOf(c, today)) {
    case LabCaseStatus::kOverdue:
      return QStringLiteral("Overdue");
    case LabCaseStatus::kSent:
      return QStringLiteral("Sent");
    case LabCaseStatus::kReturned:
      return QStringLiteral("Returned");
    case LabCaseStatus::kNotSent:
    case LabCaseStatus::kNone:
      break;
  }
  return QStringLiteral("Not sent");
}

void notify(Prompter& prompter, const std::string& text, PromptIcon icon) {
  Prompt p;
  p.caption = kCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = icon;
  prompter.ask(p);
}

class AttachCasesDialog final : public QDialog {
 public:
  AttachCasesDialog(QWidget* owner, Prompter& prompter, const std::string& patientName,
                    const std::vector<LabCase>& cases, const LabCaseLinks& links)
      : QDialog(owner), prompter_(prompter), links_(links) {
    setObjectName(QStringLiteral("AttachCasesDialog"));
    QString title = QString::fromLatin1(kCaption);
    if (!patientName.empty()) title += QStringLiteral(" - ") + QString::fromStdString(patientName);
    setWindowTitle(title);

    auto* intro = new QLabel(tr("Tick the lab cases this appointment waits for:"), this);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("cases"));
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels(
        {tr("Case"), tr("Lab"), tr("Prov"), tr("Sent"), tr("Due"), tr("Returned"), tr("Status")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    const PackedDate today = QRX_SysDate();
    for (const LabCase& c : cases) {
      auto* item = new QTreeWidgetItem(list_);
      item->setText(kDescription, QString::fromStdString(c.description));
      item->setText(kLab, QString::fromStdString(c.lab));
      item->setText(kProvider, QString::fromStdString(c.providerCode));
      item->setText(kSent, dateText(c.sent));
      item->setText(kDue, dateText(c.due));
      item->setText(kReturned, dateText(c.returned));
      item->setText(kStatus, stateText(c, today));
      if (labCaseStatusOf(c, today) == LabCaseStatus::kOverdue) {
        item->setForeground(kStatus, QColor(176, 0, 0));
      }
      item->setData(0, Qt::UserRole, c.id);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, links.contains(c.id) ? Qt::Checked : Qt::Unchecked);
    }
    // Columns as wide as their widest text, with a gap so that neighbours do not run together.
    const int gap = fontMetrics().averageCharWidth() * 2;
    for (int col = 0; col < kColumns; ++col) {
      list_->resizeColumnToContents(col);
      list_->setColumnWidth(col, list_->columnWidth(col) + gap);
    }
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(kDescription, QHeaderView::Stretch);
    // The keyboard starts on the first case without highlighting it: the ticks are the choice,
    // and a highlighted row would read as one.
    if (list_->topLevelItemCount() > 0) {
      list_->selectionModel()->setCurrentIndex(list_->model()->index(0, 0),
                                               QItemSelectionModel::NoUpdate);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { takeTicked(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);

    // Wide enough for every column without a scroll bar, tall enough for a handful of cases.
    const int width = list_->header()->length() + 2 * list_->frameWidth() + 24;
    const int rows = std::clamp(list_->topLevelItemCount(), 4, 12);
    const int row =
        list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : fontMetrics().height() + 4;
    list_->setMinimumSize(std::max(width, fontMetrics().averageCharWidth() * 70),
                          list_->header()->sizeHint().height() + rows * row + 8);
    list_->setFocus();
  }

  const LabCaseLinks& links() const { return links_; }

 private:
  // OK: the shown cases as ticked, after the cases the list does not show.
  void takeTicked() {
    LabCaseLinks result;
    std::vector<std::uint32_t> shown;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
      shown.push_back(list_->topLevelItem(i)->data(0, Qt::UserRole).toUInt());
    }
    std::vector<std::uint32_t> wanted;
    for (const std::uint32_t id : links_.caseIds()) {
      if (std::find(shown.begin(), shown.end(), id) == shown.end()) wanted.push_back(id);
    }
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
      if (list_->topLevelItem(i)->checkState(0) == Qt::Checked) wanted.push_back(shown[i]);
    }
    if (wanted.size() > LabCaseLinks::kMaxCases) {
      notify(prompter_,
             "At most " + std::to_string(LabCaseLinks::kMaxCases) +
                 " lab cases can be attached to one appointment.",
             PromptIcon::kExclamation);
      return;
    }
    for (const std::uint32_t id : wanted) result.add(id);
    links_ = result;
    accept();
  }

  Prompter& prompter_;
  LabCaseLinks links_;
  QTreeWidget* list_ = nullptr;
};

}  // namespace

int AttachCases(QWidget* owner, Prompter& prompter, std::uint32_t patientId,
                const std::string& providerCode, LabCaseLinks* links) {
  if (patientId == 0 || links == nullptr) return 0;
  std::vector<LabCase> all;
  const int rc = readPatientLabCases(patientId, &all);
  if (rc != kQdbOk) {
    QRX_DatabaseErrorNotice(prompter, kLabCaseFile, rc, kLabCaseFile);
    return 0;
  }
  std::vector<LabCase> cases;
  for (const LabCase& c : all) {
    if (c.state != LabCaseState::kCancelled || links->contains(c.id)) cases.push_back(c);
  }
  if (cases.empty()) {
    notify(prompter, "There are no lab cases on file for this patient.", PromptIcon::kInformation);
    return 0;
  }
  std::string provider = providerCode;
  while (!provider.empty() && provider.back() == ' ') provider.pop_back();
  std::stable_sort(cases.begin(), cases.end(), [&](const LabCase& a, const LabCase& b) {
    const bool mineA = !provider.empty() && a.providerCode == provider;
    const bool mineB = !provider.empty() && b.providerCode == provider;
    if (mineA != mineB) return mineA;
    return a.id > b.id;
  });

  AttachCasesDialog dialog(owner, prompter, patientCaptionName(patientId), cases, *links);
  if (dialog.exec() != QDialog::Accepted) return 0;
  *links = dialog.links();
  return 1;
}
