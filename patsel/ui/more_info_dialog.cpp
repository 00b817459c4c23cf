#include "patsel/ui/more_info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QTreeWidget* makeList(const QString& name, const QStringList& headers, QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setHeaderLabels(headers);
  list->header()->setStretchLastSection(true);
  return list;
}

}  // namespace

MoreInfoDialog::MoreInfoDialog(std::uint32_t patientId, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("LB_DLG_MOREINFO"));
  setWindowTitle(QStringLiteral("More Information"));
  loaded_ = loadMoreInfo(patientId, &info_) == 0;

  auto* layout = new QVBoxLayout(this);
  members_ = makeList(QStringLiteral("members"),
                      {QStringLiteral("Family Member"), QStringLiteral("Birth Date"),
                       QStringLiteral("Status"), QStringLiteral("Chart #")},
                      this);
  members_->setMinimumHeight(members_->fontMetrics().height() * 7);
  layout->addWidget(new QLabel(QStringLiteral("Family:"), this));
  layout->addWidget(members_);

  auto* form = new QFormLayout();
  auto addLine = [&](const QString& label, const QString& name, const QString& value) {
    auto* field = new QLabel(value, this);
    field->setObjectName(name);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(label, field);
    return field;
  };
  QString street = text(info_.street1);
  if (!info_.street2.empty()) street += QStringLiteral("\n") + text(info_.street2);
  addLine(QStringLiteral("Address:"), QStringLiteral("address"),
          street + QStringLiteral("\n") + text(info_.city) + QStringLiteral(", ") +
              text(info_.state) + QStringLiteral(" ") + text(info_.zip));
  addLine(QStringLiteral("Home Phone:"), QStringLiteral("phone"), text(info_.homePhone));
  chart_ = addLine(QStringLiteral("Chart #:"), QStringLiteral("chart"), QString());
  status_ = addLine(QStringLiteral("Status:"), QStringLiteral("status"), QString());
  layout->addLayout(form);

  appointments_ = makeList(QStringLiteral("appointments"), {QStringLiteral("Appointments")}, this);
  layout->addWidget(appointments_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* select = buttons->addButton(QStringLiteral("&Select"), QDialogButtonBox::AcceptRole);
  select->setObjectName(QStringLiteral("select"));
  QPushButton* close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("close"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(select, &QPushButton::clicked, this, [this] {
    const int row = members_->indexOfTopLevelItem(members_->currentItem());
    if (row < 0 || row >= static_cast<int>(info_.members.size())) return;
    selected_ = info_.members[static_cast<std::size_t>(row)].patientId;
    accept();
  });

  int current = 0;
  for (std::size_t i = 0; i < info_.members.size(); ++i) {
    const FamilyMember& m = info_.members[i];
    auto* item =
        new QTreeWidgetItem(members_, {text((m.guarantor ? "*" : " ") + m.name), text(m.birthDate),
                                       text(m.status), text(m.chartNumber)});
    (void)item;
    if (m.patientId == info_.patientId) current = static_cast<int>(i);
  }
  for (int c = 0; c < members_->columnCount(); ++c) {
    members_->resizeColumnToContents(c);
    members_->setColumnWidth(c, members_->columnWidth(c) + 16);
  }
  connect(members_, &QTreeWidget::currentItemChanged, this,
          [this] { showMember(members_->indexOfTopLevelItem(members_->currentItem())); });
  if (!info_.members.empty()) members_->setCurrentItem(members_->topLevelItem(current));
  resize(560, 520);
}

void MoreInfoDialog::showMember(int index) {
  appointments_->clear();
  if (index < 0 || index >= static_cast<int>(info_.members.size())) return;
  const FamilyMember& m = info_.members[static_cast<std::size_t>(index)];
  chart_->setText(text(m.chartNumber));
  status_->setText(text(m.status));
  const std::vector<std::string> lines = loadAppointmentLines(m.patientId);
  for (const std::string& line : lines) new QTreeWidgetItem(appointments_, {text(line)});
  if (lines.empty()) new QTreeWidgetItem(appointments_, {QStringLiteral("(no appointments)")});
}
