// The provider selection and provider setup dialogs, built in code.

#include "schedule/ui/provider_setup_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "contracts/qrx.h"
#include "schedule/practice_schedule.h"
#include "schedule/provider_setup.h"
#include "schedule/resource_tables.h"
#include "schedule/ui/time_limits_dialog.h"

namespace {

constexpr const char* kCaption = "Appointment List";
constexpr const char* kNoProviderSelected = "No Provider Selected!";
constexpr const char* kTooManyAliases = "No more than 10 provider aliases may be selected.";
// Widths in average characters: the lists show 4-character codes; the periods label fits three
// periods ("12:00a-12:00p" each).
constexpr int kListChars = 14;
constexpr int kHoursChars = 44;
constexpr int kListRows = 10;

void tell(Prompter& prompter, const char* text, PromptIcon icon) {
  Prompt p;
  p.caption = kCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = icon;
  prompter.ask(p);
}

// A code as listed: the stored code without its padding blanks.
QString shownCode(const std::string& code) { return QString::fromStdString(code).trimmed(); }

QString periodsText(const DayHours& day) {
  QStringList parts;
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    if (day.start[p] == kNoWorkingTime) continue;
    parts << QString::fromStdString(unitText(day.start[p])) + QStringLiteral("-") +
                 QString::fromStdString(unitText(day.end[p]));
  }
  return parts.join(QStringLiteral(",  "));
}

QPushButton* namedButton(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

ProviderSelectionDialog::ProviderSelectionDialog(QWidget* parent, Prompter& prompter,
                                                 const ProviderScheduleTable& table,
                                                 SetupOpener setup, ScheduleOpener schedule)
    : QDialog(parent),
      prompter_(prompter),
      table_(table),
      setup_(std::move(setup)),
      schedule_(std::move(schedule)) {
  setObjectName(QStringLiteral("ProviderSelectionDialog"));
  setWindowTitle(QStringLiteral("Provider Setup"));

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("providers"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const std::size_t i : selectableProviders(table_)) {
    auto* item = new QListWidgetItem(shownCode(table_.providers[i].code), list_);
    item->setData(Qt::UserRole, static_cast<qulonglong>(i));
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  const int character = fontMetrics().averageCharWidth();
  list_->setMinimumWidth(character * kListChars);
  list_->setMinimumHeight(fontMetrics().height() * kListRows);

  auto* setupButton = namedButton(QStringLiteral("&Setup"), "setup", this);
  auto* scheduleButton = namedButton(QStringLiteral("S&chedule"), "schedule", this);
  auto* closeButton = namedButton(QStringLiteral("Close"), "close", this);
  setupButton->setDefault(true);

  const auto openSetup = [this] {
    const int index = selectedIndex();
    if (index >= 0 && setup_) setup_(this, static_cast<std::size_t>(index));
  };
  const auto openSchedule = [this] {
    const int index = selectedIndex();
    if (index >= 0 && schedule_) {
      schedule_(this, table_.providers[static_cast<std::size_t>(index)].code);
    }
  };
  connect(setupButton, &QPushButton::clicked, this, openSetup);
  connect(scheduleButton, &QPushButton::clicked, this, openSchedule);
  connect(list_, &QListWidget::itemDoubleClicked, this, openSchedule);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(setupButton);
  buttons->addWidget(scheduleButton);
  buttons->addStretch(1);
  buttons->addWidget(closeButton);
  auto* outer = new QHBoxLayout(this);
  outer->addWidget(list_, 1);
  outer->addLayout(buttons);
  list_->setFocus();
}

int ProviderSelectionDialog::selectedIndex() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) {
    tell(prompter_, kNoProviderSelected, PromptIcon::kStop);
    return -1;
  }
  return static_cast<int>(selected.front()->data(Qt::UserRole).toULongLong());
}

// ---------------------------------------------------------------------------------------------

ProviderSetupDialog::ProviderSetupDialog(QWidget* parent, Prompter& prompter, ProviderSetup& setup,
                                         int blockMinutes, DayHoursEditor dayEditor)
    : QDialog(parent),
      prompter_(prompter),
      setup_(setup),
      blockMinutes_(blockMinutes),
      editDay_(std::move(dayEditor)) {
  setObjectName(QStringLiteral("ProviderSetupDialog"));
  setWindowTitle(QStringLiteral("Provider Setup [%1]")
                     .arg(QString::fromStdString(setup_.working().code).left(4)));
  const int character = fontMetrics().averageCharWidth();

  auto* schedule = new QGroupBox(QStringLiteral("&Default Schedule"), this);
  auto* grid = new QGridLayout(schedule);
  for (std::size_t day = 0; day < kWeekDays; ++day) {
    const int row = static_cast<int>(day);
    const QString n = QString::number(row);
    days_[day] = new QCheckBox(QString::fromLatin1(QRX_getday_name(row + 1)), schedule);
    days_[day]->setObjectName(QStringLiteral("day") + n);
    times_[day] = new QPushButton(QStringLiteral(" >>"), schedule);
    times_[day]->setObjectName(QStringLiteral("times") + n);
    times_[day]->setAutoDefault(false);
    times_[day]->setFixedWidth(character * 5);
    hours_[day] = new QLabel(schedule);
    hours_[day]->setObjectName(QStringLiteral("hours") + n);
    hours_[day]->setMinimumWidth(character * kHoursChars);
    grid->addWidget(days_[day], row, 0);
    grid->addWidget(times_[day], row, 1);
    grid->addWidget(hours_[day], row, 2);
    connect(days_[day], &QCheckBox::clicked, this,
            [this, day](bool checked) { dayClicked(day, checked); });
    connect(times_[day], &QPushButton::clicked, this, [this, day] { editDay(day); });
    showDay(day);
  }
  grid->setColumnStretch(2, 1);

  auto* aliasGroup = new QGroupBox(QStringLiteral("Provider &Alias"), this);
  aliases_ = new QListWidget(aliasGroup);
  aliases_->setObjectName(QStringLiteral("aliases"));
  aliases_->setSelectionMode(QAbstractItemView::MultiSelection);
  aliases_->setMinimumWidth(character * kListChars);
  const std::vector<std::string>& saved = setup_.working().aliases;
  for (const std::string& code : setup_.aliasCandidates()) {
    auto* item = new QListWidgetItem(shownCode(code), aliases_);
    item->setData(Qt::UserRole, QString::fromStdString(code));
    for (const std::string& alias : saved) {
      if (shownCode(alias) == shownCode(code)) item->setSelected(true);
    }
  }
  auto* aliasLayout = new QVBoxLayout(aliasGroup);
  aliasLayout->addWidget(aliases_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* groups = new QHBoxLayout;
  groups->addWidget(schedule, 1);
  groups->addWidget(aliasGroup);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(groups);
  outer->addWidget(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

void ProviderSetupDialog::accept() {
  std::vector<std::string> chosen;
  for (int row = 0; row < aliases_->count(); ++row) {
    const QListWidgetItem* item = aliases_->item(row);
    if (item->isSelected()) chosen.push_back(item->data(Qt::UserRole).toString().toStdString());
  }
  if (chosen.size() > kMaxAliases) {
    tell(prompter_, kTooManyAliases, PromptIcon::kStop);
    aliases_->setFocus();
    return;
  }
  setup_.setAliases(chosen);
  QDialog::accept();
}

void ProviderSetupDialog::dayClicked(std::size_t day, bool checked) {
  DayHours& hours = setup_.working().hours[day];
  if (checked) {
    DayHours edited;
    if (editDay_ && editDay_(this, prompter_, blockMinutes_, true, &edited) && edited.works()) {
      hours = edited;
    }
  } else {
    hours = DayHours{};
  }
  showDay(day);
}

void ProviderSetupDialog::editDay(std::size_t day) {
  DayHours edited = setup_.working().hours[day];
  if (editDay_ && editDay_(this, prompter_, blockMinutes_, true, &edited)) {
    setup_.working().hours[day] = edited;
  }
  showDay(day);
}

void ProviderSetupDialog::showDay(std::size_t day) {
  const DayHours& hours = setup_.working().hours[day];
  days_[day]->setChecked(hours.works());
  times_[day]->setEnabled(hours.works());
  hours_[day]->setText(periodsText(hours));
}

// ---------------------------------------------------------------------------------------------

void runProviderSetup(QWidget* parent, Prompter& prompter, const PracticeSchedule& practice,
                      ProviderScheduleTable& table, const ProviderSetupHooks& hooks) {
  const DayHoursEditor editDay = hooks.editDay ? hooks.editDay : DayHoursEditor(editTimeLimits);
  ScheduleOpener openSchedule = hooks.openSchedule;
  if (!openSchedule) {
    openSchedule = [&prompter](QWidget*, const std::string&) {
      tell(prompter, kCalendarUnavailable, PromptIcon::kInformation);
    };
  }
  const int blockMinutes = practice.blockMinutes;
  const SetupOpener openSetup = [&](QWidget* owner, std::size_t index) {
    ProviderSetup setup(prompter, table);
    if (setup.begin(index) != 0) return;  // already told
    ProviderSetupDialog dialog(owner, prompter, setup, blockMinutes, editDay);
    if (dialog.exec() == QDialog::Accepted) {
      setup.commit();  // a failure is told by the database layer
    } else {
      setup.cancel();
    }
  };
  ProviderSelectionDialog dialog(parent, prompter, table, openSetup, openSchedule);
  dialog.exec();
}
