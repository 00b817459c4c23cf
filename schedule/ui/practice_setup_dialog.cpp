#include "schedule/ui/practice_setup_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "contracts/qrx.h"
#include "lists/definitions.h"
#include "schedule/practice_schedule.h"
#include "schedule/ui/time_limits_dialog.h"

namespace {

constexpr std::array<const char*, kWeekDays> kDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr std::array<int, 5> kBlockCodes = {1, 2, 3, 4, 6};
constexpr const char* kNone = "<none>";

QString trailingBlanksCut(const std::string& name) {
  return QString::fromStdString(name.substr(0, name.find_last_not_of(' ') + 1));
}

void select(QComboBox* combo, int position) {
  combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : 0);
}

}  // namespace

PracticeSetupDialog::PracticeSetupDialog(QWidget* parent, Prompter& prompter,
                                         const PracticeSetupValues& values,
                                         const StatusTable& statuses, const TypeTable& types)
    : QDialog(parent), prompter_(prompter), values_(values) {
  setObjectName(QStringLiteral("PracticeSetupDialog"));
  setWindowTitle(tr("Practice Appointment Setup"));

  // Weekdays.
  auto* week = new QGroupBox(tr("&Default Schedule"), this);
  auto* weekGrid = new QGridLayout(week);
  for (std::size_t d = 0; d < kWeekDays; ++d) {
    auto* box = new QCheckBox(tr(kDayNames[d]), week);
    box->setObjectName(QStringLiteral("day%1").arg(d));
    box->setChecked(values_.hours[d].works());
    auto* times = new QPushButton(QStringLiteral(" >>"), week);
    times->setObjectName(QStringLiteral("times%1").arg(d));
    times->setAutoDefault(false);
    times->setFixedWidth(times->fontMetrics().horizontalAdvance(times->text()) * 2 + 12);
    times->setEnabled(box->isChecked());
    connect(box, &QCheckBox::clicked, this, [this, d](bool checked) { dayClicked(d, checked); });
    connect(times, &QPushButton::clicked, this, [this, d] { editDay(d); });
    days_[d] = box;
    times_[d] = times;
    weekGrid->addWidget(box, static_cast<int>(d), 0);
    weekGrid->addWidget(times, static_cast<int>(d), 1);
  }

  // Block size.
  auto* blockBox = new QGroupBox(tr("Select Time &Block Size"), this);
  auto* blockLayout = new QVBoxLayout(blockBox);
  blocks_ = new QButtonGroup(this);
  for (const int code : kBlockCodes) {
    auto* radio = new QRadioButton(tr("%1 min").arg(code * kMinutesPerUnit), blockBox);
    radio->setObjectName(QStringLiteral("block%1").arg(code));
    radio->setChecked(code == values_.timeBlockCode);
    blocks_->addButton(radio, code);
    blockLayout->addWidget(radio);
  }

  // Appointment defaults.
  auto* defaults = new QGroupBox(tr("*Default Appt. Settings"), this);
  auto* form = new QFormLayout(defaults);
  status_ = new QComboBox(defaults);
  status_->setObjectName(QStringLiteral("status"));
  status_->addItem(QString::fromLatin1(kNone));
  for (int number = 1; number < kPracticeStatusCount; ++number) {
    const StatusDefinition* s = statuses.find(number);
    const QString name = s != nullptr ? trailingBlanksCut(s->name) : QString();
    if (name.isEmpty()) break;  // positions must stay the status numbers
    status_->addItem(name);
  }
  schedule_ = new QComboBox(defaults);
  schedule_->setObjectName(QStringLiteral("schedule"));
  schedule_->addItems({QStringLiteral("FIXED"), QStringLiteral("OPEN"), QStringLiteral("ASAP")});
  type_ = new QComboBox(defaults);
  type_->setObjectName(QStringLiteral("type"));
  type_->addItem(QString::fromLatin1(kNone));
  for (const ApptType& t : types.types()) type_->addItem(QString::fromStdString(t.name));
  select(status_, values_.defaultStatus);
  select(schedule_, values_.defaultSchedule);
  select(type_, values_.defaultType);
  const auto addRow = [&](const QString& label, QComboBox* combo) {
    auto* text = new QLabel(label, defaults);
    text->setBuddy(combo);
    form->addRow(text, combo);
  };
  addRow(tr("&Status:"), status_);
  addRow(tr("S&chedule:"), schedule_);
  addRow(tr("&Type:"), type_);

  // Appointment amount.
  auto* amount = new QGroupBox(tr("Appointment Amount"), this);
  auto* amountLayout = new QVBoxLayout(amount);
  alwaysCalculate_ = new QRadioButton(tr("Always Calculate"), amount);
  alwaysCalculate_->setObjectName(QStringLiteral("alwaysCalculate"));
  auto* allow = new QRadioButton(tr("Allow Amount to be "), amount);
  allow->setObjectName(QStringLiteral("allowAmount"));
  auto* allowMore = new QLabel(tr("entered/fixed"), amount);
  // Under the radio button's text, not under its indicator.
  allowMore->setIndent(allow->sizeHint().width() - allow->fontMetrics().horizontalAdvance(
                                                       allow->text()) - 2);
  (values_.alwaysCalculate ? alwaysCalculate_ : allow)->setChecked(true);
  amountLayout->addWidget(alwaysCalculate_);
  amountLayout->addWidget(allow);
  amountLayout->addWidget(allowMore);
  amountLayout->setSpacing(2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* right = new QVBoxLayout;
  right->addWidget(blockBox);
  right->addWidget(defaults);
  right->addWidget(amount);
  right->addStretch(1);
  auto* columns = new QHBoxLayout;
  columns->addWidget(week, 0, Qt::AlignTop);
  columns->addLayout(right, 1);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(columns);
  outer->addWidget(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

PracticeSetupValues PracticeSetupDialog::values() const {
  PracticeSetupValues out = values_;
  const int code = blocks_->checkedId();
  if (code > 0) out.timeBlockCode = code;
  out.defaultStatus = std::max(status_->currentIndex(), 0);
  out.defaultSchedule = std::max(schedule_->currentIndex(), 0);
  out.defaultType = std::max(type_->currentIndex(), 0);
  out.alwaysCalculate = alwaysCalculate_->isChecked();
  return out;
}

void PracticeSetupDialog::dayClicked(std::size_t day, bool checked) {
  if (!checked) {
    values_.hours[day] = DayHours{};
    times_[day]->setEnabled(false);
    return;
  }
  DayHours hours = values_.hours[day];
  const bool confirmed =
      editTimeLimits(this, prompter_, values_.timeBlockCode * kMinutesPerUnit, true, &hours);
  if (confirmed) values_.hours[day] = hours;
  days_[day]->setChecked(confirmed);
  times_[day]->setEnabled(confirmed);
}

void PracticeSetupDialog::editDay(std::size_t day) {
  DayHours hours = values_.hours[day];
  if (editTimeLimits(this, prompter_, values_.timeBlockCode * kMinutesPerUnit, true, &hours)) {
    values_.hours[day] = hours;
  }
}

bool runPracticeSetup(QWidget* parent, Prompter& prompter, PracticeSchedule& practice,
                      const StatusTable& statuses, const TypeTable& types) {
  PracticeSetup setup(prompter, practice);
  if (setup.begin() != 0) return false;
  PracticeSetupDialog dialog(parent, prompter, setup.values(), statuses, types);
  if (dialog.exec() != QDialog::Accepted) {
    setup.cancel();
    return false;
  }
  const int stored = setup.commit(dialog.values());
  return stored == 0 || stored == kSetupSettingsNotSaved;
}
