#include "patsel/ui/select_patient_dialog.h"

#include <QAbstractSlider>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <new>

#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/schema.h"
#include "patsel/ui/more_info_dialog.h"

namespace {

constexpr int kSearchTextLength = 31;
constexpr int kRecentRows = 3;
QString qtext(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string stdtext(const QString& s) { return s.toUtf8().toStdString(); }

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The height of one list row: the font and a little air.
int rowHeightOf(const QWidget* list) { return list->fontMetrics().height() + 3; }

QTreeWidget* makeList(const QString& name, int rows, QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setColumnCount(5);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Columns wide enough for their widest text: a 26-character name, a date, a provider code,
  // and the fourth column's 13 characters.
  const QFontMetrics fm = list->fontMetrics();
  const int widths[] = {fm.horizontalAdvance(QLatin1Char('*')) + 8,
                        fm.horizontalAdvance(QString(24, QLatin1Char('n'))) + 14,
                        fm.horizontalAdvance(QStringLiteral("00/00/0000")) + 18,
                        fm.horizontalAdvance(QStringLiteral("WWWW")) + 14,
                        fm.horizontalAdvance(QString(15, QLatin1Char('n'))) + 14};
  int total = 0;
  for (int c = 0; c < 5; ++c) {
    list->setColumnWidth(c, widths[c]);
    total += widths[c];
  }
  // Room for exactly `rows` rows: the window of the list is the file's, not the widget's.
  list->setFixedHeight(rowHeightOf(list) * rows + 2 * list->frameWidth());
  list->setMinimumWidth(total + 2 * list->frameWidth());
  return list;
}

// Fills `list` with rows: the marker and the four visible fields of each tab-separated row.
template <typename Rows, typename TextOf>
void fillList(QTreeWidget* list, const Rows& rows, TextOf textOf) {
  list->clear();
  for (const auto& row : rows) {
    const std::string_view text = textOf(row);
    // The guarantor marker stands in a narrow column of its own, so that the names line up.
    const std::string_view name = rowField(text, 0);
    QStringList fields;
    fields << (!name.empty() && name.front() == '*' ? QStringLiteral("*") : QString());
    fields << qtext(trimRight(name.empty() ? name : name.substr(1)));
    for (int c = 1; c < 4; ++c) fields << qtext(trimRight(rowField(text, c)));
    auto* item = new QTreeWidgetItem(list, fields);
    item->setSizeHint(0, QSize(0, rowHeightOf(list)));
  }
}

QPushButton* keyButton(const QString& name, const QString& label, QWidget* parent) {
  auto* b = new QPushButton(label, parent);
  b->setObjectName(name);
  b->setFocusPolicy(Qt::NoFocus);
  b->setAutoDefault(false);
  const int side = b->fontMetrics().height() + 10;
  b->setFixedSize(side + 4, side);
  return b;
}

}  // namespace

SelectPatientDialog::SelectPatientDialog(Prompter& prompter, AccessLayer& db,
                                         std::string_view initialText, std::uint16_t options,
                                         bool guarantorMode, std::uint32_t user, QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      selection_(db, prompter, initialText, options, guarantorMode, user) {
  setObjectName(QStringLiteral("LB_DLG_PATFIND"));
  build();
  selection_.open();
  setWindowTitle(qtext(selection_.title()));
  applyMode();
  {
    const QSignalBlocker block(text_);
    text_->setText(qtext(selection_.openingText()));
  }
  if (selection_.openingSelectsWhole()) text_->selectAll();
  showRows();
  showRecent();
  text_->setFocus();
}

SelectPatientDialog::~SelectPatientDialog() = default;

void SelectPatientDialog::build() {
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  auto* right = new QVBoxLayout();
  top->addLayout(left, 1);
  top->addLayout(right);

  prompt_ = new QLabel(this);
  prompt_->setObjectName(QStringLiteral("157"));
  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("904"));
  text_->setMaxLength(kSearchTextLength);
  prompt_->setBuddy(text_);
  auto* clear = new QPushButton(QStringLiteral("&Clear"), this);
  clear->setObjectName(QStringLiteral("902"));
  clear->setAutoDefault(false);
  auto* searchRow = new QHBoxLayout();
  searchRow->addWidget(text_, 1);
  searchRow->addWidget(clear);
  left->addWidget(prompt_);
  left->addLayout(searchRow);

  list_ = makeList(QStringLiteral("903"), kPatientWindowRows, this);
  recent_ = makeList(QStringLiteral("909"), kRecentRows, this);

  // Column titles over the list, on the list's column edges.
  auto* titles = new QHBoxLayout();
  titles->setSpacing(0);
  titles->setContentsMargins(list_->frameWidth() + list_->columnWidth(0) + 4, 0, 0, 0);
  const char* names[] = {"3010.name", "3010.birth", "3010.provider"};
  const char* labels[] = {"Name", "Birth Date", "Prov"};
  for (int c = 0; c < 3; ++c) {
    auto* label = new QLabel(QString::fromLatin1(labels[c]), this);
    label->setObjectName(QString::fromLatin1(names[c]));
    label->setFixedWidth(list_->columnWidth(c + 1));
    titles->addWidget(label);
  }
  columnTitle_ = new QLabel(this);
  columnTitle_->setObjectName(QStringLiteral("3010"));
  titles->addWidget(columnTitle_, 1);
  left->addLayout(titles);

  bar_ = new QScrollBar(Qt::Vertical, this);
  bar_->setObjectName(QStringLiteral("926"));
  bar_->setRange(kScrollAtStart, kScrollAtEnd);
  bar_->setPageStep(1);
  bar_->setSingleStep(1);
  bar_->setFixedHeight(list_->height());
  auto* listRow = new QHBoxLayout();
  listRow->setSpacing(0);
  listRow->addWidget(list_, 1);
  listRow->addWidget(bar_);
  left->addLayout(listRow);

  auto* recentLabel = new QLabel(QStringLiteral("&Recent Patient Selections:"), this);
  recentLabel->setBuddy(recent_);
  left->addWidget(recentLabel);
  left->addWidget(recent_);

  // The keypad types into the search text without taking the focus from it.
  auto* keys = new QGridLayout();
  keys->setSpacing(2);
  for (int i = 0; i < 26; ++i) {
    const QChar letter(static_cast<char16_t>(u'A' + i));
    QPushButton* b = keyButton(QString::number(950 + i), QString(letter), this);
    keys->addWidget(b, i / 13, i % 13);
    connect(b, &QPushButton::clicked, this, [this, letter] { text_->insert(QString(letter)); });
  }
  for (int i = 0; i < 10; ++i) {
    const QChar digit(static_cast<char16_t>(u'0' + i));
    QPushButton* b = keyButton(QString::number(138 + i), QString(digit), this);
    keys->addWidget(b, 2, i);
    connect(b, &QPushButton::clicked, this, [this, digit] { text_->insert(QString(digit)); });
  }
  QPushButton* comma = keyButton(QStringLiteral("925"), QStringLiteral(","), this);
  keys->addWidget(comma, 2, 10);
  connect(comma, &QPushButton::clicked, this, [this] { text_->insert(QStringLiteral(",")); });
  auto* keypad = new QHBoxLayout();
  keypad->addLayout(keys);
  keypad->addStretch(1);
  left->addLayout(keypad);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));
  cancel->setAutoDefault(false);
  newPatient_ = new QPushButton(QStringLiteral("&New Patient"), this);
  newPatient_->setObjectName(QStringLiteral("907"));
  newPatient_->setAutoDefault(false);
  auto* more = new QPushButton(QStringLiteral("&More Info..."), this);
  more->setObjectName(QStringLiteral("924"));
  more->setAutoDefault(false);
  right->addWidget(ok);
  right->addWidget(cancel);
  right->addSpacing(8);
  right->addWidget(newPatient_);
  right->addWidget(more);
  right->addSpacing(8);

  auto* modes = new QGroupBox(QStringLiteral("Search By"), this);
  auto* modeLayout = new QVBoxLayout(modes);
  auto* group = new QButtonGroup(this);
  const struct {
    int id;
    const char* label;
  } buttons[] = {{kModeButtonLastName, "L&ast Name"},
                 {kModeButtonFirstName, "&First Name"},
                 {kModeButtonPreferredName, "&Preferred Name"},
                 {kModeButtonPhone, "H&ome Phone #"},
                 {kModeButtonChart, "C&hart #"},
                 {kModeButtonSsn, nullptr}};
  for (const auto& b : buttons) {
    auto* radio = new QRadioButton(
        QString::fromLatin1(b.label != nullptr ? b.label : ssnButtonLabel()), modes);
    radio->setObjectName(QString::number(b.id));
    group->addButton(radio, b.id);
    modeLayout->addWidget(radio);
  }
  right->addWidget(modes);
  archived_ = new QCheckBox(QStringLiteral("&Include Archived Patients"), this);
  archived_->setObjectName(QStringLiteral("927"));
  right->addWidget(archived_);
  right->addStretch(1);

  connect(text_, &QLineEdit::textChanged, this, [this](const QString& t) {
    selection_.textChanged(stdtext(t));
    showRows();
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    text_->clear();
    selection_.search().clear();
    showRows();
    text_->setFocus();
  });
  connect(group, &QButtonGroup::idClicked, this, [this](int id) {
    selection_.changeMode(id);
    applyMode();
    {
      const QSignalBlocker block(text_);
      text_->clear();
    }
    showRows();
    showRecent();
    text_->setFocus();
  });
  connect(archived_, &QCheckBox::toggled, this, [this](bool on) {
    selection_.setIncludeArchived(on);
    showRows();
  });
  connect(ok, &QPushButton::clicked, this, [this] { choose(); });
  connect(cancel, &QPushButton::clicked, this, [this] { finish({}); });
  connect(newPatient_, &QPushButton::clicked, this, [this] { newPatient(); });
  connect(more, &QPushButton::clicked, this, [this] { moreInfo(); });

  // One selected row in both lists together: the one clicked last.
  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (updating_ || item == nullptr) return;
    selection_.search().setSelectedRow(list_->indexOfTopLevelItem(item));
    const QSignalBlocker block(recent_);
    recent_->clearSelection();
    recent_->setCurrentItem(nullptr);
  });
  connect(recent_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (updating_ || item == nullptr) return;
    const QSignalBlocker block(list_);
    list_->clearSelection();
    list_->setCurrentItem(nullptr);
    selection_.search().setSelectedRow(-1);
  });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { choose(); });
  connect(recent_, &QTreeWidget::itemDoubleClicked, this, [this] { choose(); });

  connect(bar_, &QAbstractSlider::actionTriggered, this, [this](int action) { barAction(action); });
  connect(bar_, &QAbstractSlider::sliderReleased, this, [this] {
    const int at = bar_->sliderPosition();
    if (at < kScrollMiddle) scrollList(&PatientSearch::pageUp);
    if (at > kScrollMiddle) scrollList(&PatientSearch::pageDown);
    if (at == kScrollMiddle) showRows();
  });

  text_->installEventFilter(this);
  list_->installEventFilter(this);
}

void SelectPatientDialog::applyMode() {
  prompt_->setText(qtext(selection_.prompt()));
  columnTitle_->setText(qtext(selection_.columnTitle()));
  const int checked = buttonOfMode(selection_.mode());
  for (int id = kModeButtonLastName; id <= kModeButtonSsn; ++id) {
    if (auto* radio = findChild<QRadioButton*>(QString::number(id))) {
      radio->setEnabled(selection_.modeButtonsEnabled());
      if (id == checked && !selection_.identifierMode()) radio->setChecked(true);
    }
  }
  newPatient_->setVisible(selection_.newPatientVisible());
  newPatient_->setText(qtext(selection_.newPatientLabel()));
  archived_->setEnabled(selection_.archivedEnabled());
}

void SelectPatientDialog::showRows() {
  const PatientSearch& search = selection_.search();
  updating_ = true;
  fillList(list_, search.rows(), [](const PatientRow& r) -> std::string_view { return r.text; });
  const int selected = search.selectedRow();
  if (selected >= 0 && selected < list_->topLevelItemCount()) {
    list_->setCurrentItem(list_->topLevelItem(selected));
    const QSignalBlocker block(recent_);
    recent_->clearSelection();
    recent_->setCurrentItem(nullptr);
  }
  updating_ = false;
  bar_->setEnabled(search.scrollEnabled());
  const QSignalBlocker block(bar_);
  bar_->setValue(search.scrollEnabled() ? search.scrollPosition() : kScrollAtStart);
}

void SelectPatientDialog::showRecent() {
  updating_ = true;
  fillList(recent_, selection_.recent(),
           [](const RecentEntry& e) -> std::string_view { return e.row; });
  updating_ = false;
}

void SelectPatientDialog::scrollList(void (PatientSearch::*step)()) {
  (selection_.search().*step)();
  showRows();
}

void SelectPatientDialog::barAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      scrollList(&PatientSearch::lineDown);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      scrollList(&PatientSearch::lineUp);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      scrollList(&PatientSearch::pageDown);
      break;
    case QAbstractSlider::SliderPageStepSub:
      scrollList(&PatientSearch::pageUp);
      break;
    default:
      return;  // a drag ends in sliderReleased
  }
  // The action has moved the slider already; it rests where the list says instead.
  bar_->setSliderPosition(selection_.search().scrollPosition());
}

bool SelectPatientDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != text_ && watched != list_)) {
    return QDialog::eventFilter(watched, event);
  }
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
    scrollList(key == Qt::Key_PageUp ? &PatientSearch::pageUp : &PatientSearch::pageDown);
    return true;
  }
  if (key != Qt::Key_Up && key != Qt::Key_Down) return QDialog::eventFilter(watched, event);
  const bool up = key == Qt::Key_Up;
  if (watched == list_) {
    // Inside the window the list moves its selection itself; at its top and bottom rows the
    // window moves instead.
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    const int last = list_->topLevelItemCount() - 1;
    if (!(up ? row == 0 : (row == last && row >= 0))) return QDialog::eventFilter(watched, event);
  }
  scrollList(up ? &PatientSearch::lineUp : &PatientSearch::lineDown);
  return true;
}

int SelectPatientDialog::selectedListRow() const {
  const QList<QTreeWidgetItem*> items = list_->selectedItems();
  return items.isEmpty() ? -1 : list_->indexOfTopLevelItem(items.front());
}

int SelectPatientDialog::selectedRecentRow() const {
  const QList<QTreeWidgetItem*> items = recent_->selectedItems();
  return items.isEmpty() ? -1 : recent_->indexOfTopLevelItem(items.front());
}

void SelectPatientDialog::finish(const SelectionChoice& choice) {
  choice_ = choice;
  done(choice.result == kSelectCancelled ? QDialog::Rejected : QDialog::Accepted);
}

void SelectPatientDialog::choose() {
  finish(selection_.choose(selectedListRow(), selectedRecentRow()));
}

void SelectPatientDialog::newPatient() {
  if (!selection_.requestNewPatient()) return;
  SelectionChoice choice;
  choice.result = kSelectNewPatient;
  finish(choice);
}

void SelectPatientDialog::moreInfo() {
  const int listRow = selectedListRow();
  const int recentRow = selectedRecentRow();
  std::uint32_t patient = 0;
  if (listRow >= 0) {
    patient = selection_.search().rows()[static_cast<std::size_t>(listRow)].patientId;
  } else if (recentRow >= 0) {
    patient = selection_.recent()[static_cast<std::size_t>(recentRow)].patientId;
  }
  if (!selection_.mayShowMoreInfo(patient != 0)) return;
  std::unique_ptr<MoreInfoDialog> info;
  try {
    info = std::make_unique<MoreInfoDialog>(patient, this);
  } catch (const std::bad_alloc&) {
    QRX_Message(prompter_, kNoDialogMessage);
    return;
  }
  if (info->exec() != QDialog::Accepted || info->selectedPatient() == 0) return;
  const SelectionChoice choice = selection_.chooseById(info->selectedPatient());
  if (choice.result != kSelectCancelled) finish(choice);
}

bool SelectPatientDialog::choseAtOnce(SelectionChoice* choice) {
  if (!selection_.autoSelect(choice)) return false;
  choice_ = *choice;
  return true;
}

std::uint32_t selectPatient(QWidget* parent, Prompter& prompter, AccessLayer& db,
                            std::string* nameInOut, std::uint16_t options, bool guarantorMode) {
  // The patient file must be readable; the layer tells the user when it is not.
  const FileDescriptor* file = descriptorOf(kPatientFile);
  if (file == nullptr || db.session() == 0) {
    QRX_Message(prompter, kNoDialogMessage);
    return kSelectFailedValue;
  }
  const bool opened = !db.isOpen(kPatientFile);
  if (opened && (!db.openReported(prompter, *file) || !db.isOpen(kPatientFile))) {
    return kSelectFailedValue;
  }
  SelectionChoice choice;
  {
    std::unique_ptr<SelectPatientDialog> dialog;
    try {
      dialog = std::make_unique<SelectPatientDialog>(
          prompter, db, nameInOut != nullptr ? *nameInOut : std::string(), options, guarantorMode,
          QRX_GetLoggedInUserID(), parent);
    } catch (const std::bad_alloc&) {
      if (opened) db.close(*file);
      QRX_Message(prompter, kNoDialogMessage);
      return kSelectFailedValue;
    }
    if (!dialog->choseAtOnce(&choice)) {
      dialog->exec();
      choice = dialog->choice();
    }
  }
  if (opened) db.close(*file);
  if ((choice.result == kSelectChosen || choice.result == kSelectChosenWithArchived) &&
      nameInOut != nullptr) {
    *nameInOut = choice.name;
  }
  return selectionValue(choice.result, choice.patientId);
}
