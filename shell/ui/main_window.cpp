#include "shell/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "controls/ui/list_box.h"
#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/users.h"
#include "editing/appointment_edit.h"
#include "lists/list_loaders.h"
#include "lists/patient_lookup.h"
#include "lists/row_composers.h"
#include "platform/ui/window_pos.h"
#include "schedule/find_time.h"
#include "schedule/ui/practice_setup_dialog.h"
#include "schedule/ui/provider_setup_dialog.h"
#include "shell/station_notify.h"
#include "shell/ui/appointment_services.h"
#include "shell/ui/appointment_status.h"
#include "shell/ui/day_list_target.h"
#include "shell/ui/header_strip.h"
#include "shell/ui/icons.h"
#include "shell/ui/list_colours.h"
#include "shell/ui/modules.h"
#include "suite/patient_alerts.h"
#include "suite/ui/patient_alerts_dialog.h"

namespace {

// The profile's fonts name faces and pixel heights of another platform ("Helv", 8): the faces are
// mapped to the system's monospaced font (the list lays its columns out in character cells) and
// the heights scaled so that the default reads comfortably at a front desk.
constexpr int kMinimumFontPixels = 15;
constexpr int kFontScaleNumerator = 15;
constexpr int kFontScaleDenominator = 8;
// Rows the window shows when it first opens (the saved position may change that).
constexpr int kInitialRows = 22;

QFont mappedFont(const FontSpec& spec) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QString face = QString::fromStdString(spec.face);
  if (!face.isEmpty() && QFontDatabase::hasFamily(face) && QFontDatabase::isFixedPitch(face)) {
    font.setFamily(face);
  }
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(std::max(
      kMinimumFontPixels,
      (spec.height * kFontScaleNumerator + kFontScaleDenominator / 2) / kFontScaleDenominator));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight, 100, 900)));
  return font;
}

QColor qColour(RgbColour c) { return {c.red, c.green, c.blue}; }

QString latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<ListColumn> dayListColumns() {
  std::vector<ListColumn> columns;
  const auto& widths = listWidths(ListKind::kDay);
  for (std::size_t i = 0; i < widths.size(); ++i)
    columns.push_back({widths[i], kListAlignments[i]});
  return columns;
}

// The sign-on name of the user whose rights are in force, for modules that want it.
std::string actingUserLogin() {
  const UserId id = QRX_GetOverrideUserID();
  std::vector<UserInfo> users;
  if (id != 0 && listUsers(&users) == 0) {
    for (const UserInfo& u : users) {
      if (u.id == id) return u.login;
    }
  }
  return std::to_string(id);
}

}  // namespace

MainWindow::MainWindow(AccessLayer& db, Prompter& prompter, const ShellSettings& settings,
                       QWidget* parent)
    : QMainWindow(parent), db_(db), prompter_(prompter), settings_(settings) {
  setObjectName(QString::fromLatin1(kMainWindowName));
  setWindowTitle(QString::fromLatin1(kMainWindowTitle));

  auto* centre = new QWidget(this);
  auto* layout = new QVBoxLayout(centre);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  header_ = new HeaderStrip(centre);
  // Sorted by the third value (the start time), rows of equal time in the order they came.
  list_ = new ListBox(QStringLiteral("2"), dayListColumns(), listHeader(ListKind::kDay),
                      kListSortModeLow | kListSortModeHigh | kListExtraSpacing, centre);
  list_->setPrompter(&prompter_);
  layout->addWidget(header_);
  layout->addWidget(list_, 1);
  setCentralWidget(centre);

  connect(list_, &ListBox::selectionChanged, this, [this] { selectionChanged(); });
  connect(list_, &ListBox::activated, this, [this] { runCommand(kCmdOpenRow); });

  buildMenus();
  buildToolbar();
  applyAppearance();

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("1"));
  connect(timer_, &QTimer::timeout, this, [this] { applyPendingChanges(); });
  if (settings_.notificationTimerRuns()) timer_->start(settings_.timerPeriodMs());

  // Wide enough for every column of the list, and tall enough for a morning's appointments.
  list_->setMinimumWidth(list_->sizeForRows(1).width());
  const QSize wanted = list_->sizeForRows(kInitialRows);
  const QScreen* screen = QGuiApplication::primaryScreen();
  int height = wanted.height() + header_->sizeHint().height() + 140;
  if (screen != nullptr) height = std::min(height, screen->availableGeometry().height() - 60);
  resize(std::max(wanted.width(), header_->sizeHint().width()), std::max(height, 300));
}

MainWindow::~MainWindow() { shutDown(); }

// ---- Building

QAction* MainWindow::makeAction(int command, const QString& text) {
  auto* action = new QAction(text, this);
  action->setObjectName(QString::number(command));
  connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
  return action;
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("menuFile"));
  for (const ModuleInfo& m : modules()) {
    QAction* a = makeAction(m.command, QString::fromLatin1(m.menuText));
    a->setIcon(commandIcon(m.command));
    a->setIconText(QString::fromLatin1(m.buttonText));
    a->setToolTip(QString::fromLatin1(m.menuText).remove(QLatin1Char('&')));
    file->addAction(a);
  }
  file->addSeparator();
  QAction* exit = makeAction(kCmdExit, QStringLiteral("E&xit"));
  exit->setShortcut(QKeySequence::Quit);
  file->addAction(exit);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("menuEdit"));
  QAction* refresh = makeAction(kCmdRefresh, QStringLiteral("&Refresh"));
  refresh->setShortcut(QKeySequence(Qt::Key_F5));
  edit->addAction(refresh);
  edit->addAction(makeAction(kCmdCopyList, QStringLiteral("Cop&y List To Clipboard")));
  edit->addSeparator();
  edit->addAction(
      makeAction(kCmdCurrentPatientNewAppt, QStringLiteral("Current Patient - Ne&w Appt...")));
  QAction* newAppt =
      makeAction(kCmdSelectPatientNewAppt, QStringLiteral("&Select Patient - New Appt..."));
  newAppt->setShortcut(QKeySequence(Qt::Key_F2));
  edit->addAction(newAppt);
  edit->addSeparator();
  edit->addAction(makeAction(kCmdPatientAlerts, QStringLiteral("Pat&ient Alerts")));

  statusMenu_ = menuBar()->addMenu(QStringLiteral("S&tatus"));
  statusMenu_->setObjectName(QStringLiteral("menuStatus"));

  QMenu* setup = menuBar()->addMenu(QStringLiteral("&Options"));
  setup->setObjectName(QStringLiteral("menuOptions"));
  setup->addAction(makeAction(kCmdPracticeSetup, QStringLiteral("&Practice Setup...")));
  setup->addAction(makeAction(kCmdProviderSetup, QStringLiteral("P&rovider Setup...")));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("menuHelp"));
  help->addAction(makeAction(kCmdAbout, QStringLiteral("&About Appointment List...")));
}

void MainWindow::buildToolbar() {
  toolbar_ = addToolBar(QStringLiteral("Toolbar"));
  toolbar_->setObjectName(QStringLiteral("12110"));
  toolbar_->setMovable(false);
  toolbar_->setIconSize(QSize(32, 32));
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  const auto addButton = [this](QAction* a) {
    toolbar_->addAction(a);
    if (QWidget* button = toolbar_->widgetForAction(a)) button->setObjectName(a->objectName());
  };
  // The suite's modules first; those that few practices install only when they are there.
  for (const ModuleInfo& m : modules()) {
    if (m.buttonNeedsProgram && !programPresent(moduleProgram(m.command))) continue;
    if (m.command == 12116) continue;  // the treatment planner is reached from the menu only
    addButton(action(m.command));
  }
  toolbar_->addSeparator();
  QAction* previous = makeAction(kCmdPreviousDate, QStringLiteral("Previous Date"));
  previous->setIcon(commandIcon(kCmdPreviousDate));
  previous->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Left), QKeySequence(Qt::ALT | Qt::Key_Left)});
  previous->setToolTip(QStringLiteral("Previous Date (Ctrl+Left)"));
  QAction* next = makeAction(kCmdNextDate, QStringLiteral("Next Date"));
  next->setIcon(commandIcon(kCmdNextDate));
  next->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Right), QKeySequence(Qt::ALT | Qt::Key_Right)});
  next->setToolTip(QStringLiteral("Next Date (Ctrl+Right)"));
  addButton(previous);
  addButton(next);
  toolbar_->addSeparator();
  QAction* newAppt = action(kCmdSelectPatientNewAppt);
  newAppt->setIcon(commandIcon(kCmdSelectPatientNewAppt));
  newAppt->setIconText(QStringLiteral("New Appt."));
  newAppt->setToolTip(QStringLiteral("New Appt. (F2)"));
  addButton(newAppt);
  toolbar_->addSeparator();
  QAction* alerts = action(kCmdPatientAlerts);
  alerts->setIcon(commandIcon(kCmdPatientAlerts));
  alerts->setIconText(QStringLiteral("Patient Alerts"));
  addButton(alerts);
}

void MainWindow::applyAppearance() {
  const QFont listFont = mappedFont(settings_.listFont);
  const QFont headingFont = mappedFont(settings_.headingFont);
  list_->setListFont(listFont);
  list_->setHeaderFont(headingFont);
  header_->setHeadingFont(headingFont);
  const ColourTable colours = dayListColours(statuses_, settings_);
  for (int slot = 0; slot < kColourSlots; ++slot) {
    const auto& colour = colours[static_cast<std::size_t>(slot)];
    if (colour) list_->setColour(slot, qColour(*colour));
  }
  // The list's own background is the system's window colour.
  list_->setBackground(list_->palette().color(QPalette::Base));
}

// ---- Setting up

bool MainWindow::setUp(PackedDate today) {
  loadDefinitions();
  state_.date = today;
  parseApptView(settings_.apptView, &state_);
  registerOwnView();
  showHeader();

  bool ready = loadPracticeSchedule(prompter_, &schedule_);
  if (ready) {
    loadProviders(db_, prompter_, &providers_, &schedule_);
    loadOperatories(db_, prompter_, &operatories_);
    // The tables stay whole: the scheduling rules look at every provider's blocks and aliases.
    // The views take the first kMaxListedResources of each from the front.
    if (providers_.providers.empty() || operatories_.operatories.empty()) {
      stop(kNoResourcesText);
      ready = false;
    }
  }
  if (!ready) {
    removeOwnRecord(settings_.stationCode);
    registered_ = false;
    return false;
  }
  makeAppointmentEnv();
  reloadList();
  list_->setFocus();
  return true;
}

void MainWindow::makeAppointmentEnv() {
  apptEnv_ = std::make_unique<ApptEditEnv>(prompter_, schedule_, providers_, statuses_, types_);
  apptEnv_->settings = readApptEditSettings();
  wireAppointmentServices(apptEnv_->services, prompter_, db_, this, settings_.stationCode,
                          [this](std::uint32_t id) { showSavedAppointment(id); });
  displayed_ = initialDisplayedResources(providers_, operatories_);
  wireFindTime(
      apptEnv_->services, prompter_, this, schedule_, providers_, operatories_,
      [this] { return displayed_.operatories; },
      [this](const FoundTime& found) { changeDate(found.date); });
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key >= Qt::Key_F1 && key <= Qt::Key_F10 && !event->isAutoRepeat()) {
    const int view = key - Qt::Key_F1 + 1;
    if (view != displayed_.view) applyScheduleView(view, providers_, operatories_, &displayed_);
    event->accept();
    return;
  }
  QMainWindow::keyReleaseEvent(event);
}

void MainWindow::loadDefinitions() {
  statuses_.load(db_);
  types_.load(db_);
  rebuildStatusMenu();
  applyAppearance();
}

void MainWindow::rebuildStatusMenu() {
  statusMenu_->clear();
  const std::vector<StatusDefinition> defined = statuses_.defined();
  for (const StatusDefinition& s : defined) {
    QString name = latin1(rowSafeText(s.name));
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const int command = kCmdStatusBase + s.number;
    QAction* a = statusMenu_->addAction(
        swatchIcon(QColor(s.colour.red, s.colour.green, s.colour.blue)), name);
    a->setObjectName(QString::number(command));
    // Status 0 is the one new appointments have; the menu does not set it back.
    a->setEnabled(s.number != 0);
    connect(a, &QAction::triggered, this, [this, command] { runCommand(command); });
  }
  if (defined.empty()) {
    statusMenu_->addAction(QStringLiteral("(The practice has no statuses)"))->setEnabled(false);
  }
}

void MainWindow::registerOwnView() {
  registerView(settings_.stationCode, state_.date, state_.mode, state_.operatoryCode,
               state_.providerCode);
  registered_ = true;
}

void MainWindow::showHeader() {
  header_->setView(latin1(viewCode(state_)));
  char date[64] = {};
  QRX_DateStr(date, sizeof date, state_.date, kDateLong);
  header_->setDate(QString::fromLatin1(date));
}

void MainWindow::reloadList() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  {
    AccessLayerPatientLookup patients(db_);
    ListBoxRowSink sink(*list_);
    loadDayList(db_, prompter_, state_, statuses_, patients, sink);
  }
  QGuiApplication::restoreOverrideCursor();
  selectionChanged();
}

// ---- Selection

void MainWindow::selectionChanged() {
  ListRow row;
  const bool selected = list_->count() > 0 && list_->getRow(-1, false, &row) >= 0;
  const std::uint32_t patient = selected ? row.second : 0;
  patientSelected_ = patient != 0;
  if (patient != patient_) {
    patient_ = patient;
    marks_ = readPatientMarks(patient_);
  }
  updateActions();
}

void MainWindow::updateActions() {
  const auto update = [this](int command) {
    QAction* a = action(command);
    if (a == nullptr) return;
    const ButtonState state = toolbarButtonState(command, patientSelected_, marks_);
    a->setEnabled(!state.disabled);
    a->setIcon(commandIcon(command, state.marked));
  };
  for (const ModuleInfo& m : modules()) update(m.command);
  update(kCmdPatientAlerts);
}

QAction* MainWindow::action(int command) const {
  return findChild<QAction*>(QString::number(command));
}

bool MainWindow::notificationTimerRuns() const { return timer_->isActive(); }

// ---- Commands

void MainWindow::runCommand(int command) {
  if (command >= kCmdStatusBase && command < kCmdStatusBase + kPracticeStatusCount) {
    setStatus(command - kCmdStatusBase);
    return;
  }
  if (findModule(command) != nullptr) {
    startModuleCommand(command);
    return;
  }
  switch (command) {
    case kCmdNextDate:
      changeDate(state_.date + 1);
      break;
    case kCmdPreviousDate:
      changeDate(state_.date - 1);
      break;
    case kCmdCopyList:
      copyList();
      break;
    case kCmdRefresh:
      refresh();
      break;
    case kCmdExit:
      close();
      break;
    case kCmdAbout:
      about();
      break;
    case kCmdApplyChanges:
      applyPendingChanges();
      break;
    case kCmdOpenRow:
      openRow();
      break;
    case kCmdCurrentPatientNewAppt:
      newApptForCurrentPatient();
      break;
    case kCmdSelectPatientNewAppt:
      newApptWithPatientChoice();
      break;
    case kCmdPracticeSetup:
      practiceSetup();
      break;
    case kCmdProviderSetup:
      providerSetup();
      break;
    case kCmdPatientAlerts:
      patientAlerts();
      break;
    default:
      break;
  }
}

void MainWindow::stop(const char* text) {
  Prompt prompt;
  prompt.caption = kListCaption;
  prompt.text = text;
  prompt.buttons = PromptButtons::kOk;
  prompt.icon = PromptIcon::kStop;
  prompter_.ask(prompt);
}

bool MainWindow::needsSelectedRow(std::uint32_t* id) {
  ListRow row;
  if (list_->getRow(-1, false, &row) < 0) {
    stop(kNoSelectionText);
    return false;
  }
  *id = row.first;
  return true;
}

void MainWindow::changeDate(PackedDate date) {
  // The calendar ends somewhere; a step past its first or last day is not taken.
  if (QRX_DateOut(date, nullptr, nullptr, nullptr) == 0) return;
  state_.date = date;
  registerOwnView();
  showHeader();
  reloadList();
}

void MainWindow::copyList() {
  const std::string title = clipboardTitle(windowTitle().toStdString(), state_.date);
  list_->copyToClipboard(latin1(title));
}

void MainWindow::refresh() {
  loadDefinitions();
  reloadList();
}

void MainWindow::setStatus(int status) {
  // Status 0 is not set from the menu.
  if (status == 0) return;
  std::uint32_t id = 0;
  if (!needsSelectedRow(&id)) return;
  AppointmentRecord appt;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const int result =
      setAppointmentStatus(db_, prompter_, id, static_cast<std::uint8_t>(status), &appt);
  QGuiApplication::restoreOverrideCursor();
  if (result != 0) return;
  ListBoxChangeTarget target(*list_, [this](std::uint32_t changed) {
    return dayListRowOf(db_, state_, statuses_, changed);
  });
  const PendingChange change{id, StationRecord::kChanged};
  applyChanges(std::span<const PendingChange>(&change, 1), target);
  notifyChange(settings_.stationCode, appt.date(), appt.operatoryCode(), appt.providerCode(), id,
               StationRecord::kChanged);
  applyPendingChanges();
}

void MainWindow::applyPendingChanges() {
  ListBoxChangeTarget target(
      *list_, [this](std::uint32_t id) { return dayListRowOf(db_, state_, statuses_, id); });
  ::applyPendingChanges(settings_.stationCode, target);
  selectionChanged();
}

void MainWindow::startModuleCommand(int command) {
  if (QAction* a = action(command); a != nullptr && !a->isEnabled()) return;
  ModuleContext context;
  context.patient = patient_;
  context.window = static_cast<std::uint64_t>(winId());
  if (command == 12128 && patient_ == 0) context.user = actingUserLogin();
  startModule(prompter_, command, context);
}

void MainWindow::about() {
  Prompt prompt;
  prompt.caption = "About Appointment List";
  prompt.text =
      "Vantrel Appointment List\nVersion 0.1\n\n"
      "The appointment list of the Vantrel practice management suite: the day's appointments "
      "of the practice's providers and operatories.";
  prompt.icon = PromptIcon::kInformation;
  prompter_.ask(prompt);
}

// ---- Appointments and setup

// A right checked with the password prompt; the override returns to the signed-on user
// afterwards whatever the answer.
bool MainWindow::checkRight(int right) {
  const bool granted = QRX_CheckRightWithPassword(prompter_, right) >= 1;
  if (!granted) QRX_SetOverrideToLoggedIn();
  return granted;
}

void MainWindow::openRow() {
  if (!apptEnv_) return;
  ListRow row;
  const bool selected = list_->count() > 0 && list_->getRow(-1, false, &row) >= 0;
  if (selected && row.first != 0) {
    if (row.second != 0) showPatientAlerts(prompter_, row.second, kAlertModeOpenAppt);
    EditAppt(*apptEnv_, row.first);
  } else {
    // A row without an appointment: a new one on the list's date, in the view's place.
    NewAppt(*apptEnv_, 0, 0, state_.date, std::nullopt,
            state_.mode == kViewModeProvider ? state_.providerCode : std::string(),
            state_.mode == kViewModeOperatory ? state_.operatoryCode : std::string());
  }
  list_->setFocus();
}

void MainWindow::newApptForCurrentPatient() {
  if (!apptEnv_) return;
  ListRow row;
  if (list_->getRow(-1, false, &row) < 0) return;
  if (row.second != 0) {
    NewApptForPatient(*apptEnv_, row.second, {});
  } else if (QRX_Message(prompter_, 9077) == 1) {
    newApptWithPatientChoice();
  }
}

void MainWindow::newApptWithPatientChoice() {
  if (!apptEnv_) return;
  NewAppt(*apptEnv_, 0, 0, state_.date, std::nullopt, std::string(), std::string());
  applyPendingChanges();
}

void MainWindow::practiceSetup() {
  if (!checkRight(kRightPracticeSetup)) return;
  const bool confirmed = runPracticeSetup(this, prompter_, schedule_, statuses_, types_);
  QRX_SetOverrideToLoggedIn();
  if (!confirmed) return;
  // The block size and the hours may have changed what the list and its header show.
  showHeader();
  reloadList();
}

void MainWindow::providerSetup() {
  if (!checkRight(kRightProviderSetup)) return;
  runProviderSetup(this, prompter_, schedule_, providers_);
  QRX_SetOverrideToLoggedIn();
}

void MainWindow::patientAlerts() {
  ListRow row;
  if (list_->getRow(-1, false, &row) < 0 || row.second == 0) return;
  editPatientAlerts(this, prompter_, row.second);
  marks_ = readPatientMarks(patient_);
  updateActions();
}

// After a save of this workstation: the list is read again (the save may have moved the
// appointment to or from this date) and the saved appointment selected when it is listed.
void MainWindow::showSavedAppointment(std::uint32_t id) {
  reloadList();
  ListRow row;
  for (int i = 0; i < list_->count(); ++i) {
    if (list_->getRow(i, false, &row) >= 0 && row.first == id) {
      list_->selectRow(i, SelectAction::kSelect, false);
      break;
    }
  }
  selectionChanged();
}

void MainWindow::activate() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

// ---- Shutdown

void MainWindow::shutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  timer_->stop();
  if (registered_) removeOwnRecord(settings_.stationCode);
  if (isVisible()) QRX_SaveWindowPosInfo(*this, kMainWindowPosName);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  shutDown();
  event->accept();
}
