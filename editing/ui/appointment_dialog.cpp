#include "editing/ui/appointment_dialog.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "data/record_bytes.h"
#include "schedule/time_entry.h"

namespace {

constexpr const char* kNotHereTip = "Not available in this version of the Appointment List.";

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// A field about `chars` characters wide; short fields do not stretch with the window.
QLineEdit* lineEdit(const char* name, int limit, int chars, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaxLength(limit);
  const int width = e->fontMetrics().horizontalAdvance(QLatin1Char('M')) * chars + 12;
  e->setMinimumWidth(width);
  if (chars <= 10) e->setMaximumWidth(width);
  return e;
}

// A small square of the status colour, so the chosen status shows its colour in the closed list.
QIcon swatch(const QColor& colour) {
  QPixmap p(12, 12);
  p.fill(colour);
  return QIcon(p);
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QToolButton* moreButton(const char* name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setText(QStringLiteral(">>"));
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

// OK and Cancel named "1" and "2", wired to the dialog.
QDialogButtonBox* okCancel(QDialog* dialog) {
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
  box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
  QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return box;
}

QDate toQDate(PackedDate date) {
  std::int16_t y = 0, m = 0, d = 0;
  if (QRX_DateOut(date, &y, &m, &d) != 1) return {};
  return QDate(y, m, d);
}

// ---- The small choosers.

std::optional<std::string> pickResource(QWidget* parent, const QString& title,
                                        const std::vector<ResourceChoice>& choices,
                                        const QString& current) {
  QDialog d(parent);
  d.setWindowTitle(title);
  auto* list = new QListWidget(&d);
  list->setObjectName(QStringLiteral("pickList"));
  for (const ResourceChoice& c : choices) {
    auto* item = new QListWidgetItem(qs(c.code).leftJustified(6) + qs(c.name), list);
    item->setData(Qt::UserRole, qs(c.code));
    if (qs(c.code).compare(current.trimmed(), Qt::CaseInsensitive) == 0) list->setCurrentItem(item);
  }
  if (list->currentRow() < 0 && list->count() > 0) list->setCurrentRow(0);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
  auto* layout = new QVBoxLayout(&d);
  layout->addWidget(list);
  layout->addWidget(okCancel(&d));
  if (d.exec() != QDialog::Accepted || list->currentItem() == nullptr) return std::nullopt;
  return ss(list->currentItem()->data(Qt::UserRole).toString());
}

std::optional<QDate> chooseDate(QWidget* parent, QDate start) {
  QDialog d(parent);
  d.setWindowTitle(QStringLiteral("Choose Date"));
  auto* calendar = new QCalendarWidget(&d);
  calendar->setObjectName(QStringLiteral("calendar"));
  calendar->setSelectedDate(start);
  QObject::connect(calendar, &QCalendarWidget::activated, &d, &QDialog::accept);
  auto* layout = new QVBoxLayout(&d);
  layout->addWidget(calendar);
  layout->addWidget(okCancel(&d));
  if (d.exec() != QDialog::Accepted) return std::nullopt;
  return calendar->selectedDate();
}

// The time picker of the schedule dialogs, in block steps.
std::optional<PackedTime> chooseTime(QWidget* parent, const std::string& fieldText, int block) {
  QDialog d(parent);
  d.setWindowTitle(QStringLiteral("Choose Time"));
  auto* list = new QListWidget(&d);
  list->setObjectName(QStringLiteral("timeList"));
  for (int p = 0; p < pickerPositions(block); ++p) {
    list->addItem(qs(pickerLabel(pickerUnit(p, block))));
  }
  list->setCurrentRow(pickerStartPosition(fieldText, block));
  QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
  auto* layout = new QVBoxLayout(&d);
  layout->addWidget(list);
  layout->addWidget(okCancel(&d));
  list->scrollToItem(list->currentItem(), QAbstractItemView::PositionAtCenter);
  if (d.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
  const std::int32_t unit = pickerUnit(list->currentRow(), block);
  return PackedTime{static_cast<std::uint8_t>(unit / 12),
                    static_cast<std::uint8_t>(unit % 12 * kMinutesPerUnit)};
}

// The time pattern: how many slots the appointment takes and which of them are provider time
// (slot value 2; the others used take 1, the rest 0). Gives the length in minutes.
std::optional<int> choosePattern(QWidget* parent, std::array<std::uint8_t, 6>* pattern,
                                 int slotMinutes, int lengthMinutes) {
  AppointmentRecord probe;
  probe.setPattern(*pattern);
  constexpr int kSlots = static_cast<int>(AppointmentRecord::kPatternSlots);
  QDialog d(parent);
  d.setWindowTitle(QStringLiteral("Time Pattern"));
  auto* count = new QSpinBox(&d);
  count->setObjectName(QStringLiteral("slotCount"));
  count->setRange(1, kSlots);
  count->setSuffix(QStringLiteral(" x %1 min").arg(slotMinutes));
  const int fromLength = (lengthMinutes + slotMinutes - 1) / slotMinutes;
  count->setValue(std::clamp(fromLength > 0 ? fromLength : 1, 1, kSlots));
  auto* grid = new QGridLayout;
  std::array<QToolButton*, kSlots> slotButtons{};
  for (int k = 0; k < kSlots; ++k) {
    auto* b = new QToolButton(&d);
    b->setObjectName(QStringLiteral("slot%1").arg(k));
    b->setCheckable(true);
    b->setChecked(probe.patternSlot(static_cast<std::size_t>(k)) ==
                  AppointmentRecord::kProviderTime);
    b->setText(QString::number(k + 1));
    b->setToolTip(QStringLiteral("Checked: the provider is busy in this slot"));
    grid->addWidget(b, k / 12, k % 12);
    slotButtons[static_cast<std::size_t>(k)] = b;
  }
  auto enable = [&] {
    for (int k = 0; k < kSlots; ++k)
      slotButtons[static_cast<std::size_t>(k)]->setEnabled(k < count->value());
  };
  enable();
  QObject::connect(count, &QSpinBox::valueChanged, &d, enable);
  auto* layout = new QVBoxLayout(&d);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Slots:"), &d));
  top->addWidget(count);
  top->addStretch();
  layout->addLayout(top);
  layout->addWidget(new QLabel(QStringLiteral("Provider time:"), &d));
  layout->addLayout(grid);
  layout->addWidget(okCancel(&d));
  if (d.exec() != QDialog::Accepted) return std::nullopt;
  for (int k = 0; k < kSlots; ++k) {
    std::uint8_t v = 0;
    if (k < count->value()) v = slotButtons[static_cast<std::size_t>(k)]->isChecked() ? 2 : 1;
    probe.setPatternSlot(static_cast<std::size_t>(k), v);
  }
  *pattern = probe.pattern();
  return count->value() * slotMinutes;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

AppointmentDialog::AppointmentDialog(AppointmentEdit& edit, QWidget* parent)
    : QDialog(parent), edit_(edit) {
  build();
  showForm();
  watchChanges();
}

void AppointmentDialog::build() {
  auto* fields = new QGridLayout;
  int row = 0;
  auto label = [&](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  // A field with what belongs to it (">>", a unit), kept together at the left of its cell.
  auto cell = [](std::initializer_list<QWidget*> widgets) {
    auto* box = new QHBoxLayout;
    box->setSpacing(4);
    for (QWidget* w : widgets) box->addWidget(w);
    box->addStretch();
    return box;
  };
  patient_ = new QLabel(this);
  patient_->setObjectName(QStringLiteral("patient"));
  QFont bold = patient_->font();
  bold.setBold(true);
  patient_->setFont(bold);
  fields->addWidget(patient_, row++, 0, 1, 4);

  provider_ = lineEdit("provider", kCodeLimit, 5, this);
  staff_ = lineEdit("staff", kCodeLimit, 5, this);
  auto* provMore = moreButton("24", this);
  auto* staffMore = moreButton("61", this);
  fields->addWidget(label(QStringLiteral("Pro&vider:"), provider_), row, 0);
  fields->addLayout(cell({provider_, provMore}), row, 1);
  fields->addWidget(label(QStringLiteral("St&aff:"), staff_), row, 2);
  fields->addLayout(cell({staff_, staffMore}), row++, 3);

  operatory_ = lineEdit("operatory", kCodeLimit, 5, this);
  auto* opMore = moreButton("26", this);
  fields->addWidget(label(QStringLiteral("Op&eratory:"), operatory_), row, 0);
  fields->addLayout(cell({operatory_, opMore}), row++, 1);

  date_ = lineEdit("date", kDateLimit, 10, this);
  time_ = lineEdit("time", kTimeLimit, 8, this);
  auto* dateMore = moreButton("30", this);
  auto* timeMore = moreButton("32", this);
  fields->addWidget(label(QStringLiteral("&Date:"), date_), row, 0);
  fields->addLayout(cell({date_, dateMore}), row, 1);
  // Command 18: Find Time, for the appointment the fields describe.
  auto* findTime = button(QStringLiteral("&Find Time..."), "18", this);
  auto* findKey = new QAction(this);
  findKey->setObjectName(QStringLiteral("findTime"));
  findKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  addAction(findKey);
  findTime->setEnabled(edit_.findTimeAvailable());
  findKey->setEnabled(edit_.findTimeAvailable());
  findTime->setToolTip(edit_.findTimeAvailable()
                           ? QStringLiteral("Find an available time for this appointment (Ctrl+F)")
                           : QString::fromLatin1(kNotHereTip));
  fields->addWidget(label(QStringLiteral("T&ime:"), time_), row, 2);
  fields->addLayout(cell({time_, timeMore, findTime}), row++, 3);

  length_ = lineEdit("length", 4, 4, this);
  auto* lengthMore = moreButton("55", this);
  fields->addWidget(label(QStringLiteral("Len&gth:"), length_), row, 0);
  fields->addLayout(cell({length_, new QLabel(QStringLiteral("min"), this), lengthMore}), row++, 1);

  description_ = lineEdit("description", kDescriptionLimit, 36, this);
  fields->addWidget(label(QStringLiteral("Descriptio&n:"), description_), row, 0);
  fields->addWidget(description_, row++, 1, 1, 3);

  amount_ = lineEdit("53", kAmountLimit, 8, this);
  amount_->setAlignment(Qt::AlignRight);
  amount_->installEventFilter(this);
  setAmount_ = new QCheckBox(QStringLiteral("Set Amount"), this);
  setAmount_->setObjectName(QStringLiteral("380"));
  fields->addWidget(label(QStringLiteral("A&mount:"), amount_), row, 0);
  fields->addLayout(cell({amount_, setAmount_}), row++, 1, 1, 3);

  status_ = new QComboBox(this);
  status_->setObjectName(QStringLiteral("56"));
  schedule_ = new QComboBox(this);
  schedule_->setObjectName(QStringLiteral("62"));
  type_ = new QComboBox(this);
  type_->setObjectName(QStringLiteral("63"));
  fields->addWidget(label(QStringLiteral("&Status:"), status_), row, 0);
  fields->addLayout(cell({status_}), row, 1);
  fields->addWidget(label(QStringLiteral("Sched&ule:"), schedule_), row, 2);
  fields->addLayout(cell({schedule_}), row++, 3);
  fields->addWidget(label(QStringLiteral("T&ype:"), type_), row, 0);
  fields->addLayout(cell({type_}), row++, 1, 1, 3);

  reasonCare_ = new QCheckBox(QStringLiteral("Use Reason to Auto Update CC"), this);
  reasonCare_->setObjectName(QStringLiteral("378"));
  fields->addWidget(reasonCare_, row++, 1, 1, 3);

  auto* flagBox = new QGroupBox(QStringLiteral("Flags"), this);
  auto* flagGrid = new QGridLayout(flagBox);
  for (std::size_t i = 0; i < kFlagBoxes; ++i) {
    auto* box = new QCheckBox(flagBox);
    box->setObjectName(QString::number(242 + static_cast<int>(i)));
    flagGrid->addWidget(box, static_cast<int>(i / 3), static_cast<int>(i % 3));
    flags_[i] = box;
  }
  bool anyFlag = false;
  for (std::size_t i = 0; i < kFlagBoxes; ++i) {
    const auto& text = edit_.flagLabels()[i];
    flags_[i]->setVisible(text.has_value());
    if (text) flags_[i]->setText(qs(*text).replace(QLatin1Char('&'), QStringLiteral("&&")));
    anyFlag = anyFlag || text.has_value();
  }
  flagBox->setVisible(anyFlag);

  labCase_ = new QCheckBox(QStringLiteral("La&b Case"), this);
  labCase_->setObjectName(QStringLiteral("labCase"));
  attachCase_ = button(QStringLiteral("Attach Case"), "73", this);
  auto* labRow = new QHBoxLayout;
  labRow->addWidget(labCase_);
  labRow->addWidget(attachCase_);
  labRow->addStretch();

  note_ = new QPlainTextEdit(this);
  note_->setObjectName(QStringLiteral("note"));
  note_->setTabChangesFocus(true);
  note_->setMinimumHeight(note_->fontMetrics().lineSpacing() * 4 + 10);
  auto* stamp = new QAction(this);
  stamp->setObjectName(QStringLiteral("stamp"));
  stamp->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  addAction(stamp);
  connect(stamp, &QAction::triggered, this,
          [this] { note_->insertPlainText(qs(edit_.noteStamp())); });

  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addWidget(flagBox);
  left->addLayout(labRow);
  left->addWidget(label(QStringLiteral("No&te:  (Ctrl+T inserts a dated line)"), note_));
  left->addWidget(note_, 1);

  auto* ok = button(QStringLiteral("OK"), "1", this);
  ok->setDefault(true);
  auto* cancel = button(QStringLiteral("Cancel"), "2", this);
  wait_ = button(QStringLiteral("&Wait/Will Call"), "48", this);
  next_ = button(QStringLiteral("Sc&hd. Next"), "49", this);
  patientInfo_ = button(QStringLiteral("&Patient Info"), "67", this);
  auto* other = button(QStringLiteral("&Other Appt(s)"), "68", this);
  auto* claim = button(QStringLiteral("Ins &Claim Info"), "69", this);
  auto* dial = button(QStringLiteral("Dia&l"), "70", this);
  for (QPushButton* b : {other, claim, dial}) {
    b->setEnabled(false);
    b->setToolTip(QString::fromLatin1(kNotHereTip));
  }
  auto* right = new QVBoxLayout;
  for (QPushButton* b : {ok, cancel}) right->addWidget(b);
  right->addSpacing(12);
  for (QPushButton* b : {wait_, next_, patientInfo_, other, claim, dial}) right->addWidget(b);
  right->addStretch();

  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(right);

  connect(provMore, &QToolButton::clicked, this,
          [this] { pickResource(rec::kKindProvider, provider_); });
  connect(opMore, &QToolButton::clicked, this,
          [this] { pickResource(rec::kKindOperatory, operatory_); });
  connect(staffMore, &QToolButton::clicked, this,
          [this] { pickResource(rec::kKindStaff, staff_); });
  connect(dateMore, &QToolButton::clicked, this, &AppointmentDialog::chooseDate);
  connect(timeMore, &QToolButton::clicked, this, &AppointmentDialog::chooseTime);
  connect(lengthMore, &QToolButton::clicked, this, &AppointmentDialog::choosePattern);
  connect(findTime, &QPushButton::clicked, this, &AppointmentDialog::findTime);
  connect(findKey, &QAction::triggered, this, &AppointmentDialog::findTime);
  connect(ok, &QPushButton::clicked, this, [this] {
    collect();
    finish(edit_.ok());
  });
  connect(cancel, &QPushButton::clicked, this, &AppointmentDialog::reject);
  connect(wait_, &QPushButton::clicked, this, [this] {
    collect();
    finish(edit_.waitWillCall());
  });
  connect(next_, &QPushButton::clicked, this, [this] {
    collect();
    finish(edit_.scheduleNext());
  });
  connect(patientInfo_, &QPushButton::clicked, this, [this] {
    collect();
    if (edit_.patientInfo()) showForm();
  });
  connect(attachCase_, &QPushButton::clicked, this, [this] {
    collect();
    if (edit_.attachCases()) showForm();
  });

  setTabOrder(provider_, provMore);
  setTabOrder(provMore, staff_);
  setTabOrder(staff_, staffMore);
  setTabOrder(staffMore, operatory_);
  setTabOrder(operatory_, opMore);
  setTabOrder(opMore, date_);
  setTabOrder(date_, dateMore);
  setTabOrder(dateMore, time_);
  setTabOrder(time_, timeMore);
  setTabOrder(timeMore, findTime);
  setTabOrder(findTime, length_);
  setTabOrder(length_, lengthMore);
  setTabOrder(lengthMore, description_);
  setTabOrder(description_, amount_);
  setTabOrder(amount_, setAmount_);
  setTabOrder(setAmount_, status_);
  setTabOrder(status_, schedule_);
  setTabOrder(schedule_, type_);
  setTabOrder(type_, reasonCare_);
  QWidget* previous = reasonCare_;
  for (QCheckBox* box : flags_) {
    setTabOrder(previous, box);
    previous = box;
  }
  setTabOrder(previous, labCase_);
  setTabOrder(labCase_, attachCase_);
  setTabOrder(attachCase_, note_);
  setTabOrder(note_, ok);
}

void AppointmentDialog::showForm() {
  filling_ = true;
  const ApptForm& f = edit_.form();
  setWindowTitle(qs(edit_.title()));
  showPatient();

  provider_->setText(qs(f.provider));
  operatory_->setText(qs(f.operatory));
  staff_->setText(qs(f.staff));
  date_->setText(qs(f.date));
  time_->setText(qs(f.time));
  length_->setText(qs(f.length));
  description_->setText(qs(f.description));
  // A stored amount wider than the field is shown whole: cutting it would change it.
  amount_->setMaxLength(std::max(kAmountLimit, static_cast<int>(f.amount.size())));
  amount_->setText(qs(f.amount));
  amount_->setEnabled(!edit_.alwaysCalculate());
  setAmount_->setVisible(!edit_.alwaysCalculate());
  setAmount_->setChecked(f.setAmount);
  reasonCare_->setChecked(f.reasonUpdatesCare);

  status_->clear();
  for (const StatusItem& item : edit_.statusItems()) {
    const QColor colour(item.red, item.green, item.blue);
    status_->addItem(swatch(colour), qs(item.text), item.value);
    status_->setItemData(status_->count() - 1, colour, Qt::BackgroundRole);
    status_->setItemData(status_->count() - 1,
                         colour.lightness() < 140 ? QColor(Qt::white) : QColor(Qt::black),
                         Qt::ForegroundRole);
  }
  status_->setCurrentIndex(std::max(0, status_->findData(f.status)));
  schedule_->clear();
  for (const char* kind : kScheduleKindTexts) schedule_->addItem(QString::fromLatin1(kind));
  schedule_->setCurrentIndex(std::clamp(f.scheduleKind, 0, schedule_->count() - 1));
  type_->clear();
  for (const std::string& t : edit_.typeItems()) type_->addItem(qs(t));
  // A stored type beyond the practice's list keeps its number.
  while (f.type >= type_->count()) type_->addItem(QStringLiteral("#%1").arg(type_->count()));
  type_->setCurrentIndex(std::max(0, f.type));

  for (std::size_t i = 0; i < kFlagBoxes; ++i) flags_[i]->setChecked(((f.flags >> i) & 1) != 0);
  labCase_->setChecked(f.labCase);
  labCase_->setEnabled(!edit_.labCaseLocked());
  note_->setPlainText(qs(f.note));
  note_->setReadOnly(!edit_.notesAvailable());
  note_->setToolTip(edit_.notesAvailable() ? QString()
                                           : QStringLiteral("Notes are not available."));

  const bool patient = edit_.hasPatient();
  for (QPushButton* b : {wait_, next_, attachCase_}) b->setEnabled(patient);
  patientInfo_->setText(patient ? QStringLiteral("&Patient Info") : QStringLiteral("New Pat Inf"));
  filling_ = false;
}

void AppointmentDialog::showPatient() {
  QString who = qs(edit_.patientName());
  if (!edit_.phoneText().empty()) who += QStringLiteral("    ") + qs(edit_.phoneText());
  patient_->setText(who);
}

void AppointmentDialog::collect() {
  ApptForm& f = edit_.form();
  f.provider = ss(provider_->text());
  f.operatory = ss(operatory_->text());
  f.staff = ss(staff_->text());
  f.date = ss(date_->text());
  f.time = ss(time_->text());
  f.length = ss(length_->text());
  f.description = ss(description_->text());
  f.amount = ss(amount_->text());
  f.note = ss(note_->toPlainText());
  f.status = status_->currentData().toInt();
  f.scheduleKind = schedule_->currentIndex();
  f.type = type_->currentIndex();
  std::uint16_t flags = 0;
  for (std::size_t i = 0; i < kFlagBoxes; ++i) {
    if (flags_[i]->isChecked()) flags = static_cast<std::uint16_t>(flags | (1u << i));
  }
  f.flags = flags;
  f.setAmount = setAmount_->isChecked();
  f.reasonUpdatesCare = reasonCare_->isChecked();
  f.labCase = labCase_->isChecked();
}

void AppointmentDialog::watchChanges() {
  auto changed = [this] {
    if (!filling_) edit_.markChanged();
  };
  for (QLineEdit* e :
       {provider_, operatory_, staff_, date_, time_, length_, description_, amount_}) {
    connect(e, &QLineEdit::textEdited, this, changed);
  }
  for (QComboBox* c : {status_, schedule_, type_}) connect(c, &QComboBox::activated, this, changed);
  for (QCheckBox* b : flags_) connect(b, &QCheckBox::clicked, this, changed);
  connect(labCase_, &QCheckBox::clicked, this, changed);
  connect(note_, &QPlainTextEdit::textChanged, this, [this] {
    if (!filling_) edit_.markNoteModified();
  });
}

void AppointmentDialog::finish(const ApptCommandResult& result) {
  if (result.step == ApptStep::kClose) {
    done(result.closeCode);
    return;
  }
  showForm();
  focusField(result.step == ApptStep::kNextAppointment ? ApptField::kLength : result.focus);
}

void AppointmentDialog::focusField(ApptField field) {
  QLineEdit* target = nullptr;
  switch (field) {
    case ApptField::kProvider:
      target = provider_;
      break;
    case ApptField::kOperatory:
      target = operatory_;
      break;
    case ApptField::kStaff:
      target = staff_;
      break;
    case ApptField::kDate:
      target = date_;
      break;
    case ApptField::kTime:
      target = time_;
      break;
    case ApptField::kLength:
      target = length_;
      break;
    case ApptField::kDescription:
      target = description_;
      break;
    case ApptField::kAmount:
      target = amount_;
      break;
    case ApptField::kNone:
      return;
  }
  target->setFocus(Qt::OtherFocusReason);
  target->selectAll();
}

void AppointmentDialog::reject() {
  collect();
  const ApptCommandResult r = edit_.cancel();
  if (r.step == ApptStep::kClose) done(r.closeCode);
}

bool AppointmentDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == amount_) {
    if (event->type() == QEvent::FocusIn) {
      collect();
      edit_.amountEntered();
    } else if (event->type() == QEvent::FocusOut) {
      collect();
      edit_.amountLeft();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void AppointmentDialog::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && patient_ != nullptr) {
    edit_.refreshPatientPhone();
    showPatient();
  }
  QDialog::changeEvent(event);
}

void AppointmentDialog::pickResource(std::uint8_t kind, QLineEdit* field) {
  static constexpr std::array<const char*, 4> kTitles = {"", "Providers", "Staff", "Operatories"};
  const auto chosen = ::pickResource(this, QString::fromLatin1(kTitles[kind]),
                                     readResourceChoices(kind), field->text());
  if (!chosen) return;
  field->setText(qs(*chosen));
  edit_.markChanged();
}

void AppointmentDialog::chooseDate() {
  PackedDate current = kNoDate;
  QDate start = QRX_ParseDate(ss(date_->text()), &current) == 1 ? toQDate(current) : QDate();
  if (!start.isValid()) start = toQDate(QRX_SysDate());
  const auto chosen = ::chooseDate(this, start);
  if (!chosen) return;
  char text[16] = {};
  QRX_FormatNDate2000(text, sizeof text,
                      QRX_DateIn(chosen->year(), chosen->month(), chosen->day()));
  date_->setText(QString::fromLatin1(text));
  edit_.markChanged();
}

void AppointmentDialog::chooseTime() {
  const auto chosen = ::chooseTime(this, ss(time_->text()), edit_.blockMinutes());
  if (!chosen) return;
  time_->setText(qs(apptTimeText(*chosen)));
  edit_.markChanged();
}

void AppointmentDialog::findTime() {
  collect();
  if (edit_.findTime()) showForm();
}

void AppointmentDialog::choosePattern() {
  collect();
  ApptForm& f = edit_.form();
  const auto minutes =
      ::choosePattern(this, &f.pattern, edit_.blockMinutes(), length_->text().trimmed().toInt());
  if (!minutes) return;
  length_->setText(QString::number(*minutes));
  edit_.markChanged();
}

// ---------------------------------------------------------------------------------------------

NewPersonDialog::NewPersonDialog(Prompter& prompter, const NewPersonData& person, QWidget* parent)
    : QDialog(parent), prompter_(prompter), person_(person) {
  setWindowTitle(QStringLiteral("Enter New Patient Information"));
  struct Field {
    const char* name;
    const char* label;
    int limit;
    std::string* value;
  };
  const std::array<Field, 9> table = {{
      {"last", "&Last:", 20, &person_.last},
      {"first", "&First:", 15, &person_.first},
      {"initial", "&MI:", 1, &person_.initial},
      {"phone", "&Phone:", 16, &person_.phone},
      {"street1", "&Street:", 30, &person_.street1},
      {"street2", "", 30, &person_.street2},
      {"city", "&City:", 25, &person_.city},
      {"state", "S&t:", 20, &person_.state},
      {"zip", "&Zip Code:", 14, &person_.zip},
  }};
  auto* grid = new QGridLayout;
  for (std::size_t i = 0; i < table.size(); ++i) {
    QLineEdit* e = lineEdit(table[i].name, table[i].limit, std::min(table[i].limit, 24), this);
    e->setText(qs(*table[i].value));
    if (table[i].value == &person_.phone) {
      char shown[32] = {};
      QRX_FormatPhone(shown, sizeof shown, person_.phone);
      e->setText(QString::fromLatin1(shown));
    }
    auto* l = new QLabel(QString::fromLatin1(table[i].label), this);
    l->setBuddy(e);
    grid->addWidget(l, static_cast<int>(i), 0);
    grid->addWidget(e, static_cast<int>(i), 1);
    fields_[i] = e;
  }
  connect(fields_[2], &QLineEdit::textEdited, this,
          [this](const QString& t) { fields_[2]->setText(t.toUpper()); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(okCancel(this));
}

void NewPersonDialog::accept() {
  NewPersonData p;
  std::array<std::string*, 9> values = {&p.last,    &p.first, &p.initial, &p.phone, &p.street1,
                                        &p.street2, &p.city,  &p.state,   &p.zip};
  for (std::size_t i = 0; i < values.size(); ++i) *values[i] = ss(fields_[i]->text());
  if (!checkNewPerson(prompter_, &p)) {
    QLineEdit* focus = p.last.empty() ? fields_[0] : p.first.empty() ? fields_[1] : fields_[3];
    focus->setFocus();
    return;
  }
  person_ = p;
  QDialog::accept();
}

// ---------------------------------------------------------------------------------------------

int runAppointmentDialog(AppointmentEdit& edit, QWidget* owner) {
  AppointmentDialog dialog(edit, owner);
  return dialog.exec();
}

void useQtApptDialogs(ApptEditServices& services, Prompter& prompter, QWidget* owner) {
  services.runDialog = [owner](AppointmentEdit& edit) { return runAppointmentDialog(edit, owner); };
  services.editNewPerson = [&prompter, owner](NewPersonData* person) {
    NewPersonDialog dialog(prompter, *person, owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    *person = dialog.person();
    return true;
  };
}
