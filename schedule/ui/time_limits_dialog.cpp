#include "schedule/ui/time_limits_dialog.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "contracts/qrx.h"

namespace {

// The longest time a person types ("12:30 pm" with a blank to spare).
constexpr int kTimeFieldChars = 9;
constexpr int kMinutesPerHour = 60;

QString qs(const std::string& s) { return QString::fromStdString(s); }

void nameButtons(QDialogButtonBox* buttons) {
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
}

}  // namespace

bool editTimeLimits(QWidget* parent, Prompter& prompter, int blockMinutes, bool firstRequired,
                    DayHours* hours) {
  if (hours == nullptr) return false;
  TimeLimitsDialog dialog(parent, prompter, blockMinutes, firstRequired, *hours);
  if (dialog.exec() != QDialog::Accepted) return false;
  *hours = dialog.hours();
  return true;
}

// ---------------------------------------------------------------------------------------------

TimeLimitsDialog::TimeLimitsDialog(QWidget* parent, Prompter& prompter, int blockMinutes,
                                   bool firstRequired, const DayHours& hours)
    : QDialog(parent),
      prompter_(prompter),
      blockMinutes_(blockMinutes),
      firstRequired_(firstRequired),
      hours_(hours) {
  setObjectName(QStringLiteral("TimeLimitsDialog"));
  setWindowTitle(tr("Set Time Limits"));

  auto* grid = new QGridLayout;
  auto* startHeading = new QLabel(tr("StartTime"), this);
  startHeading->setObjectName(QStringLiteral("startHeading"));
  auto* endHeading = new QLabel(tr("EndTime"), this);
  endHeading->setObjectName(QStringLiteral("endHeading"));
  grid->addWidget(startHeading, 0, 0);
  grid->addWidget(endHeading, 0, 2);

  const int fieldWidth = fontMetrics().horizontalAdvance(QLatin1Char('0')) * (kTimeFieldChars + 2);
  for (int f = 0; f < kTimeLimitFields; ++f) {
    const auto i = static_cast<std::size_t>(f);
    const auto p = i / 2;
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("time%1").arg(f));
    field->setMaxLength(kTimeFieldChars);
    field->setMinimumWidth(fieldWidth);
    field->setText(qs(timeFieldText(f % 2 == 0 ? hours.start[p] : hours.end[p])));
    field->installEventFilter(this);
    auto* pick = new QPushButton(QStringLiteral(" >>"), this);
    pick->setObjectName(QStringLiteral("pick%1").arg(f));
    pick->setAutoDefault(false);
    pick->setFixedWidth(pick->fontMetrics().horizontalAdvance(pick->text()) * 2 + 12);
    connect(pick, &QPushButton::clicked, this, [this, f] { pickTime(f); });
    fields_[i] = field;
    picks_[i] = pick;
    const int row = 1 + f / 2;
    const int column = (f % 2) * 2;
    grid->addWidget(field, row, column);
    grid->addWidget(pick, row, column + 1);
  }
  grid->setHorizontalSpacing(6);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  nameButtons(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TimeLimitsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* outer = new QVBoxLayout(this);
  outer->addLayout(grid);
  outer->addSpacing(6);
  outer->addWidget(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  fields_[0]->setFocus();
}

bool TimeLimitsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    for (QLineEdit* field : fields_) {
      if (field != watched) continue;
      const std::string typed = field->text().toStdString();
      const std::string shown = normalisedTimeText(typed, blockMinutes_);
      if (shown != typed) field->setText(qs(shown));
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TimeLimitsDialog::pickTime(int field) {
  QLineEdit* edit = fields_[static_cast<std::size_t>(field)];
  TimePickerDialog picker(this, blockMinutes_,
                          pickerStartPosition(edit->text().toStdString(), blockMinutes_));
  if (picker.exec() == QDialog::Accepted) edit->setText(qs(timeFieldText(picker.unit())));
}

void TimeLimitsDialog::accept() {
  TimeLimitTexts texts;
  for (std::size_t f = 0; f < texts.size(); ++f) texts[f] = fields_[f]->text().toStdString();
  const TimeLimitsCheck check = checkTimeLimits(texts, blockMinutes_, firstRequired_);
  if (check.problem) {
    showTimeLimitsProblem(prompter_, *check.problem);
    const auto f = static_cast<std::size_t>(check.problem->field);
    if (check.problem->focusButton) {
      picks_[f]->setFocus();
    } else {
      fields_[f]->setFocus();
      fields_[f]->selectAll();
    }
    return;
  }
  hours_ = check.hours;
  QDialog::accept();
}

// ---------------------------------------------------------------------------------------------

TimePickerDialog::TimePickerDialog(QWidget* parent, int blockMinutes, int startPosition)
    : QDialog(parent), blockMinutes_(blockMinutes) {
  setObjectName(QStringLiteral("TimePickerDialog"));
  setWindowTitle(tr("Select Time"));

  time_ = new QLabel(this);
  time_->setObjectName(QStringLiteral("time"));
  time_->setAlignment(Qt::AlignCenter);
  QFont big = time_->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  time_->setFont(big);

  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName(QStringLiteral("scroll"));
  scroll_->setRange(0, pickerPositions(blockMinutes) - 1);
  scroll_->setSingleStep(1);
  // One hour of blocks; pickerUnit() tells the size of a block that pickerPositions() used.
  const int blockUnits = pickerUnit(1, blockMinutes);
  scroll_->setPageStep(kMinutesPerHour / (blockUnits * kMinutesPerUnit));
  scroll_->setValue(startPosition);
  scroll_->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
  connect(scroll_, &QScrollBar::valueChanged, this, [this] { showTime(); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  nameButtons(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(time_);
  outer->addWidget(scroll_);
  outer->addSpacing(6);
  outer->addWidget(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  scroll_->setFocus();
  showTime();
}

std::int32_t TimePickerDialog::unit() const { return pickerUnit(scroll_->value(), blockMinutes_); }

void TimePickerDialog::showTime() { time_->setText(qs(pickerLabel(unit()))); }
