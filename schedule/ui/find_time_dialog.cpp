#include "schedule/ui/find_time_dialog.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <optional>

#include "data/appointment_record.h"
#include "schedule/find_time.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "schedule/time_entry.h"
#include "schedule/ui/time_limits_dialog.h"

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }
QString trimmedCode(const std::string& code) { return qs(code).trimmed(); }

constexpr std::array<const char*, kWeekDays> kDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string dateText(PackedDate date) {
  char text[16] = {};
  QRX_FormatNDate2000(text, sizeof text, date);
  return text;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// A button as narrow as its short text (" >>", " 1"), not as wide as a dialog button.
QPushButton* smallButton(const QString& text, const char* name, QWidget* parent) {
  QPushButton* b = button(text, name, parent);
  b->setFixedWidth(b->fontMetrics().horizontalAdvance(text + QStringLiteral("  ")) + 16);
  return b;
}

void tell(Prompter& prompter, const char* text) {
  Prompt p;
  p.caption = kFindTimeCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = PromptIcon::kExclamation;
  prompter.ask(p);
}

bool sameCode(const std::string& a, const std::string& b) {
  return trimmedCode(a).compare(trimmedCode(b), Qt::CaseInsensitive) == 0;
}

// ---- The date picker of " >>".

std::optional<PackedDate> pickDate(QWidget* parent, PackedDate start) {
  QDialog d(parent);
  d.setObjectName(QStringLiteral("DatePickerDialog"));
  d.setWindowTitle(QStringLiteral("Select Date"));
  auto* calendar = new QCalendarWidget(&d);
  calendar->setObjectName(QStringLiteral("calendar"));
  std::int16_t y = 0, m = 0, day = 0;
  if (QRX_DateOut(start, &y, &m, &day) == 1) calendar->setSelectedDate(QDate(y, m, day));
  QObject::connect(calendar, &QCalendarWidget::activated, &d, &QDialog::accept);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  auto* layout = new QVBoxLayout(&d);
  layout->addWidget(calendar);
  layout->addWidget(buttons);
  if (d.exec() != QDialog::Accepted) return std::nullopt;
  const QDate chosen = calendar->selectedDate();
  return QRX_DateIn(chosen.year(), chosen.month(), chosen.day());
}

// ---------------------------------------------------------------------------------------------
// "Find Appointment Time"

class FindTimeDialog final : public QDialog {
 public:
  FindTimeDialog(QWidget* parent, Prompter& prompter, const PracticeSchedule& practice,
                 const ProviderScheduleTable& providers, const OperatoryTable& operatories,
                 const FindTimeEntry& entry)
      : QDialog(parent), prompter_(prompter), blockMinutes_(practice.blockMinutes) {
    setObjectName(QStringLiteral("FindTimeDialog"));
    setWindowTitle(QStringLiteral("Find Appointment Time"));
    lengthMinutes_ = entry.lengthMinutes;
    build(providers, operatories);
    showEntry(entry);
  }

  // The values as shown when Search or Search/View was pressed.
  const FindTimeEntry& entry() const { return entry_; }
  // REQUIRES: the dialog was accepted.
  const SearchParams& params() const { return *params_; }
  bool withView() const { return withView_; }

 private:
  void build(const ProviderScheduleTable& providers, const OperatoryTable& operatories) {
    providers_ = list("providers", QAbstractItemView::MultiSelection);
    for (const ProviderEntry& p : providers.providers) {
      if (!p.inactive) addCode(providers_, p.code);
    }
    operatories_ = list("operatories", QAbstractItemView::MultiSelection);
    for (const OperatoryEntry& o : operatories.operatories) addCode(operatories_, o.code);

    auto* provBox = new QVBoxLayout;
    provBox->addWidget(buddy(QStringLiteral("Select &Provider(s)"), providers_));
    provBox->addWidget(providers_);
    auto* opBox = new QVBoxLayout;
    opBox->addWidget(buddy(QStringLiteral("Select &Op.(s)"), operatories_));
    opBox->addWidget(operatories_);

    auto* days = new QGroupBox(QStringLiteral("S&elect Days"), this);
    auto* dayLayout = new QVBoxLayout(days);
    for (std::size_t d = 0; d < kWeekDays; ++d) {
      days_[d] = new QCheckBox(QString::fromLatin1(kDayNames[d]), days);
      days_[d]->setObjectName(QStringLiteral("day%1").arg(d));
      dayLayout->addWidget(days_[d]);
    }
    dayLayout->addStretch();

    auto* top = new QHBoxLayout;
    top->addLayout(provBox);
    top->addLayout(opBox);
    top->addWidget(days);

    // Start date with its picker and the buttons that move it on.
    startDate_ = field("startDate", 10);
    auto* pickDateButton = smallButton(QStringLiteral(" >>"), "pickDate", this);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(buddy(QStringLiteral("&Start Date"), startDate_));
    dateRow->addWidget(startDate_);
    dateRow->addWidget(pickDateButton);
    dateRow->addSpacing(12);
    steps_ = new QButtonGroup(this);
    const std::array<std::pair<const char*, const char*>, 3> stepNames = {
        {{"&Day(s)", "stepDays"}, {"&Week(s)", "stepWeeks"}, {"&Month(s)", "stepMonths"}}};
    for (std::size_t i = 0; i < stepNames.size(); ++i) {
      auto* r = new QRadioButton(QString::fromLatin1(stepNames[i].first), this);
      r->setObjectName(QString::fromLatin1(stepNames[i].second));
      steps_->addButton(r, static_cast<int>(i));
      dateRow->addWidget(r);
    }
    steps_->button(0)->setChecked(true);
    dateRow->addSpacing(12);
    const std::array<const char*, 6> addTexts = {" 1", " 2", " 3", "4", "5", "6"};
    for (int n = 1; n <= 6; ++n) {
      auto* b = smallButton(QString::fromLatin1(addTexts[static_cast<std::size_t>(n - 1)]),
                            QStringLiteral("add%1").arg(n).toLatin1().constData(), this);
      dateRow->addWidget(b);
      connect(b, &QPushButton::clicked, this, [this, n] { moveDate(n); });
    }
    dateRow->addStretch();
    connect(pickDateButton, &QPushButton::clicked, this, [this] {
      PackedDate current = kNoDate;
      if (QRX_ParseDate(ss(startDate_->text().trimmed()), &current) != 1) current = QRX_SysDate();
      if (const auto chosen = pickDate(this, current)) startDate_->setText(qs(dateText(*chosen)));
    });

    // The time window and the providers' time blocks.
    auto* blockGroup = new QGroupBox(QStringLiteral("Select &Time Block"), this);
    auto* grid = new QGridLayout(blockGroup);
    length_ = new QLabel(blockGroup);
    length_->setObjectName(QStringLiteral("length"));
    grid->addWidget(new QLabel(QStringLiteral("Appt Length:"), blockGroup), 0, 0);
    grid->addWidget(length_, 0, 1);
    timeStart_ = field("timeStart", 9);
    timeEnd_ = field("timeEnd", 9);
    auto* pickStart = smallButton(QStringLiteral(" >>"), "pickStart", blockGroup);
    auto* pickEnd = smallButton(QStringLiteral(" >>"), "pickEnd", blockGroup);
    grid->addWidget(new QLabel(QStringLiteral("Time Start:"), blockGroup), 1, 0);
    grid->addWidget(timeStart_, 1, 1);
    grid->addWidget(pickStart, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Time End:"), blockGroup), 2, 0);
    grid->addWidget(timeEnd_, 2, 1);
    grid->addWidget(pickEnd, 2, 2);
    blocks_ = list("blocks", QAbstractItemView::NoSelection);
    for (const ProviderEntry& p : providers.providers) {
      for (const ProviderTimeBlock& b : p.blocks) {
        if (!b.used()) continue;
        const QString op = b.operatory.empty() ? QStringLiteral("none") : trimmedCode(b.operatory);
        blocks_->addItem(qs(b.name) + QStringLiteral(" - ") + op + QStringLiteral(" - ") +
                         trimmedCode(p.code));
      }
    }
    // Searching within a block is not offered: the list only shows what there is.
    blocks_->setEnabled(false);
    blocks_->setMaximumHeight(blocks_->fontMetrics().lineSpacing() * 5 + 8);
    grid->addWidget(blocks_, 0, 3, 3, 1);
    grid->setColumnStretch(3, 1);
    connect(pickStart, &QPushButton::clicked, this, [this] { pickTime(timeStart_); });
    connect(pickEnd, &QPushButton::clicked, this, [this] { pickTime(timeEnd_); });

    auto* searchView = button(QStringLiteral("Search/&View"), "searchView", this);
    auto* search = button(QStringLiteral("S&earch"), "search", this);
    search->setDefault(true);
    auto* cancel = button(QStringLiteral("Cancel"), "2", this);
    connect(searchView, &QPushButton::clicked, this, [this] { trySearch(true); });
    connect(search, &QPushButton::clicked, this, [this] { trySearch(false); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(searchView);
    buttons->addWidget(search);
    buttons->addWidget(cancel);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addLayout(dateRow);
    outer->addWidget(blockGroup);
    outer->addLayout(buttons);
  }

  QListWidget* list(const char* name, QAbstractItemView::SelectionMode mode) {
    auto* l = new QListWidget(this);
    l->setObjectName(QString::fromLatin1(name));
    l->setSelectionMode(mode);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12);
    return l;
  }
  QLineEdit* field(const char* name, int chars) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(chars);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (chars + 1) + 12);
    return e;
  }
  QLabel* buddy(const QString& text, QWidget* target) {
    auto* l = new QLabel(text, this);
    l->setBuddy(target);
    return l;
  }
  static void addCode(QListWidget* list, const std::string& code) {
    auto* item = new QListWidgetItem(trimmedCode(code), list);
    item->setData(Qt::UserRole, qs(code));
  }
  static void select(QListWidget* list, const std::vector<std::string>& codes) {
    for (int i = 0; i < list->count(); ++i) {
      const std::string code = ss(list->item(i)->data(Qt::UserRole).toString());
      const bool chosen = std::any_of(codes.begin(), codes.end(),
                                      [&](const std::string& c) { return sameCode(c, code); });
      list->item(i)->setSelected(chosen);
    }
  }
  static std::vector<std::string> selected(const QListWidget* list) {
    std::vector<std::string> codes;
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->isSelected())
        codes.push_back(ss(list->item(i)->data(Qt::UserRole).toString()));
    }
    return codes;
  }

  void showEntry(const FindTimeEntry& e) {
    select(providers_, e.providers);
    select(operatories_, e.operatories);
    for (std::size_t d = 0; d < kWeekDays; ++d) days_[d]->setChecked(e.days[d]);
    startDate_->setText(qs(e.startDate));
    timeStart_->setText(qs(e.timeStart));
    timeEnd_->setText(qs(e.timeEnd));
    length_->setText(QStringLiteral("%1 min").arg(e.lengthMinutes));
  }

  FindTimeEntry collect() const {
    FindTimeEntry e;
    e.providers = selected(providers_);
    e.operatories = selected(operatories_);
    for (std::size_t d = 0; d < kWeekDays; ++d) e.days[d] = days_[d]->isChecked();
    e.startDate = ss(startDate_->text());
    e.timeStart = ss(timeStart_->text());
    e.timeEnd = ss(timeEnd_->text());
    e.lengthMinutes = lengthMinutes_;
    return e;
  }

  void moveDate(int count) {
    PackedDate date = kNoDate;
    if (QRX_ParseDate(ss(startDate_->text().trimmed()), &date) != 1) date = QRX_SysDate();
    const auto step = static_cast<DateStep>(std::max(steps_->checkedId(), 0));
    const PackedDate moved = offsetDate(date, count, step);
    if (moved != kNoDate) startDate_->setText(qs(dateText(moved)));
  }

  void pickTime(QLineEdit* target) {
    TimePickerDialog picker(this, blockMinutes_,
                            pickerStartPosition(ss(target->text()), blockMinutes_));
    if (picker.exec() == QDialog::Accepted) target->setText(qs(timeFieldText(picker.unit())));
  }

  void trySearch(bool withView) {
    entry_ = collect();
    FindTimeCheck check = checkFindTimeEntry(prompter_, entry_, blockMinutes_);
    if (!check.params) {
      focus(check.focus);
      return;
    }
    params_ = std::move(check.params);
    withView_ = withView;
    accept();
  }

  void focus(FindTimeField f) {
    QWidget* target = nullptr;
    switch (f) {
      case FindTimeField::kProviders:
        target = providers_;
        break;
      case FindTimeField::kOperatories:
        target = operatories_;
        break;
      case FindTimeField::kTimeStart:
        target = timeStart_;
        break;
      case FindTimeField::kTimeEnd:
        target = timeEnd_;
        break;
      case FindTimeField::kDays:
        target = days_[0];
        break;
      case FindTimeField::kStartDate:
        target = startDate_;
        break;
      case FindTimeField::kNone:
        return;
    }
    target->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(target)) e->selectAll();
  }

  Prompter& prompter_;
  int blockMinutes_;
  int lengthMinutes_ = 0;
  QListWidget* providers_ = nullptr;
  QListWidget* operatories_ = nullptr;
  std::array<QCheckBox*, kWeekDays> days_{};
  QLineEdit* startDate_ = nullptr;
  QButtonGroup* steps_ = nullptr;
  QLabel* length_ = nullptr;
  QLineEdit* timeStart_ = nullptr;
  QLineEdit* timeEnd_ = nullptr;
  QListWidget* blocks_ = nullptr;
  FindTimeEntry entry_;
  std::optional<SearchParams> params_;
  bool withView_ = false;
};

// ---------------------------------------------------------------------------------------------
// "Available Appointment Times"

struct SearchContext {
  Prompter& prompter;
  const PracticeSchedule& practice;
  const ProviderScheduleTable& providers;
  const std::vector<std::string>& displayed;
  const std::function<void(const FoundTime&)>& view;
};

class FoundTimesDialog final : public QDialog {
 public:
  FoundTimesDialog(QWidget* parent, const SearchContext& context, SearchParams params,
                   bool withView)
      : QDialog(parent), context_(context), params_(std::move(params)) {
    setObjectName(QStringLiteral("FoundTimesDialog"));
    setWindowTitle(QStringLiteral("Available Appointment Times"));
    times_ = new QListWidget(this);
    times_->setObjectName(QStringLiteral("times"));
    // Fixed pitch, so the times of the rows stand under each other.
    times_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The rows' tabs stand at the list's tab stops: room for the widest row without scrolling.
    times_->setMinimumWidth(times_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 72);
    times_->setMinimumHeight(times_->fontMetrics().lineSpacing() * (kFoundTimesPerBatch + 1));
    connect(times_, &QListWidget::itemDoubleClicked, this, [this] { choose(); });

    auto* buttons = new QVBoxLayout;
    auto* more = button(QStringLiteral(" &More"), "more", this);
    auto* select = button(QStringLiteral("Select"), "select", this);
    select->setDefault(true);
    auto* cancel = button(QStringLiteral("Cancel"), "2", this);
    buttons->addWidget(select);
    buttons->addWidget(more);
    if (withView) {
      auto* view = button(QStringLiteral(" &View"), "view", this);
      auto* viewNext = button(QStringLiteral("View &Next"), "viewNext", this);
      buttons->addWidget(view);
      buttons->addWidget(viewNext);
      connect(view, &QPushButton::clicked, this, [this] { showFound(times_->currentRow()); });
      connect(viewNext, &QPushButton::clicked, this, [this] { showNext(); });
    }
    buttons->addWidget(cancel);
    buttons->addStretch();
    connect(more, &QPushButton::clicked, this, [this] {
      if (!nextBatch()) reject();
    });
    connect(select, &QPushButton::clicked, this, [this] { choose(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* outer = new QHBoxLayout(this);
    outer->addWidget(times_, 1);
    outer->addLayout(buttons);
  }

  // Searches the next ten times and shows them in place of the last batch. False when the search
  // found nothing (it has told why).
  bool nextBatch() {
    std::vector<FoundTime> batch = searchFreeTimes(
        context_.prompter, context_.practice, context_.providers, params_, kFoundTimesPerBatch);
    if (batch.empty()) return false;
    found_ = std::move(batch);
    times_->clear();
    for (const FoundTime& f : found_) times_->addItem(qs(foundTimeRow(f)));
    times_->setCurrentRow(0);
    return true;
  }

  // REQUIRES: the dialog was accepted.
  const FoundTime& chosen() const { return found_[chosen_]; }

 private:
  void choose() {
    const int row = times_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= found_.size()) return;
    chosen_ = static_cast<std::size_t>(row);
    accept();
  }

  void showFound(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= found_.size()) return;
    const FoundTime& f = found_[static_cast<std::size_t>(row)];
    const bool shown =
        std::any_of(context_.displayed.begin(), context_.displayed.end(),
                    [&](const std::string& op) { return sameCode(op, f.operatory); });
    if (!shown) {
      tell(context_.prompter, kOperatoryNotShownText);
      return;
    }
    if (context_.view) context_.view(f);
  }

  void showNext() {
    const int next = times_->currentRow() + 1;
    if (next >= times_->count()) {
      tell(context_.prompter, kEndOfListText);
      return;
    }
    times_->setCurrentRow(next);
    showFound(next);
  }

  const SearchContext& context_;
  SearchParams params_;
  QListWidget* times_ = nullptr;
  std::vector<FoundTime> found_;
  std::size_t chosen_ = 0;
};

}  // namespace

bool findApptTime(QWidget* parent, Prompter& prompter, const PracticeSchedule& practice,
                  const ProviderScheduleTable& providers, const OperatoryTable& operatories,
                  const std::vector<std::string>& displayedOperatories,
                  std::function<void(const FoundTime&)> view, AppointmentRecord* appt,
                  PackedDate startDate) {
  if (appt == nullptr) return false;
  const FindTimeChoices first =
      initialFindTimeChoices(*appt, startDate, QRX_SysDate(), practice, providers, operatories);
  FindTimeEntry entry;
  entry.providers = first.providers;
  entry.operatories = first.operatories;
  entry.days = first.days;
  entry.startDate = dateText(first.startDate);
  entry.lengthMinutes = first.lengthMinutes;

  const SearchContext context{prompter, practice, providers, displayedOperatories, view};
  for (;;) {
    FindTimeDialog find(parent, prompter, practice, providers, operatories, entry);
    if (find.exec() != QDialog::Accepted) return false;
    entry = find.entry();
    FoundTimesDialog results(parent, context, find.params(), find.withView());
    if (results.nextBatch() && results.exec() == QDialog::Accepted) {
      applyFoundTime(results.chosen(), appt);
      return true;
    }
  }
}
