#pragma once
// The main window: the day list of the current date and view, the header strip above it, the
// toolbar and the menus, and the commands that reach everything else. It owns the list state,
// the status and type tables, the practice schedule and the provider and operatory tables from
// start-up to shutdown; the database session and the prompter are the caller's.
//
// Controls are named by their command numbers for tests and scripts: the toolbar "12110" with
// buttons "101", "102" and the module numbers; the header strip "3"; the day list "2"; every menu
// action by its command ("110", "128", "301", ...); the notification timer "1".

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <string>

#include "lists/definitions.h"
#include "lists/list_state.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "schedule/schedule_views.h"
#include "shell/shell_settings.h"
#include "shell/ui/toolbar_state.h"

class AccessLayer;
struct ApptEditEnv;
class HeaderStrip;
class ListBox;
class Prompter;
class QAction;
class QMenu;
class QTimer;
class QToolBar;

inline constexpr const char* kMainWindowTitle = "Vantrel Appointment List";
inline constexpr const char* kMainWindowName = "ApptBook";
inline constexpr const char* kMainWindowPosName = "APPTBOOK";
inline constexpr const char* kListCaption = "Appointment List";
inline constexpr const char* kNoSelectionText = "No appointment selected!";
inline constexpr const char* kNoResourcesText =
    "No Provider or No Operatory! Practice must be setup.";

// Commands the window carries out now.
inline constexpr int kCmdOpenRow = 2;  // Enter or a double click on the day list
inline constexpr int kCmdNextDate = 101;
inline constexpr int kCmdPreviousDate = 102;
inline constexpr int kCmdCopyList = 110;
inline constexpr int kCmdCurrentPatientNewAppt = 120;
inline constexpr int kCmdSelectPatientNewAppt = 121;
inline constexpr int kCmdRefresh = 128;
inline constexpr int kCmdPracticeSetup = 140;
inline constexpr int kCmdProviderSetup = 141;
inline constexpr int kCmdPatientAlerts = 393;
inline constexpr int kCmdExit = 145;
inline constexpr int kCmdStatusBase = 300;  // + status number 0-14
inline constexpr int kCmdAbout = 702;
inline constexpr int kCmdApplyChanges = 1028;

class MainWindow final : public QMainWindow {
 public:
  // REQUIRES: `db` has a started session and a user is signed on (the window's commands read and
  // write appointments and check rights); both `db` and `prompter` outlive the window.
  MainWindow(AccessLayer& db, Prompter& prompter, const ShellSettings& settings,
             QWidget* parent = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Loads the statuses (and the Status menu), the appointment types, the practice schedule, the
  // providers and operatories, registers the workstation's view of `today` and loads the day
  // list. False after the user was told why the program cannot go on (no practice, no provider
  // or no operatory); the workstation's record is then removed again.
  bool setUp(PackedDate today);

  // Runs command `command` as its menu item, toolbar button or key does. Unknown commands do
  // nothing.
  void runCommand(int command);
  // Applies the changes other workstations left for this one to the day list (the timer's work).
  void applyPendingChanges();
  // Another start of the program asked this one to come to the front.
  void activate();
  // Removes the workstation's record and saves the window position; later calls do nothing.
  // Closing the window does this.
  void shutDown();

  const ListState& listState() const { return state_; }
  ListBox& dayList() const { return *list_; }
  HeaderStrip& headerStrip() const { return *header_; }
  // The patient of the selected row (0 when no row, or a row without a patient, is selected).
  std::uint32_t rememberedPatient() const { return patient_; }
  const PatientMarks& patientMarks() const { return marks_; }
  const StatusTable& statuses() const { return statuses_; }
  const TypeTable& types() const { return types_; }
  const ProviderScheduleTable& providers() const { return providers_; }
  const OperatoryTable& operatories() const { return operatories_; }
  const DisplayedResources& displayedResources() const { return displayed_; }
  // The action of a command, or nullptr.
  QAction* action(int command) const;
  bool notificationTimerRuns() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // F1 to F10 apply the numbered schedule views 1 to 10 when the key is released.
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void buildMenus();
  void buildToolbar();
  QAction* makeAction(int command, const QString& text);
  void applyAppearance();
  void loadDefinitions();
  void rebuildStatusMenu();
  void reloadList();
  void changeDate(PackedDate date);
  void registerOwnView();
  void showHeader();
  void selectionChanged();
  void updateActions();
  void stop(const char* text);
  bool needsSelectedRow(std::uint32_t* id);

  void copyList();
  void refresh();
  void setStatus(int status);
  void startModuleCommand(int command);
  void about();
  bool checkRight(int right);
  void openRow();
  void newApptForCurrentPatient();
  void newApptWithPatientChoice();
  void practiceSetup();
  void providerSetup();
  void patientAlerts();
  void showSavedAppointment(std::uint32_t id);
  void makeAppointmentEnv();

  AccessLayer& db_;
  Prompter& prompter_;
  ShellSettings settings_;
  ListState state_;
  StatusTable statuses_;
  TypeTable types_;
  PracticeSchedule schedule_;
  ProviderScheduleTable providers_;
  OperatoryTable operatories_;
  // What the appointment dialog borrows from the window; made once the tables are loaded.
  std::unique_ptr<ApptEditEnv> apptEnv_;
  // The providers and operatories the schedule views display; Find Time's " &View" looks here.
  DisplayedResources displayed_;
  std::uint32_t patient_ = 0;
  bool patientSelected_ = false;
  PatientMarks marks_;
  bool shutDown_ = false;
  bool registered_ = false;

  ListBox* list_ = nullptr;  // children of the window
  HeaderStrip* header_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QMenu* statusMenu_ = nullptr;
  QTimer* timer_ = nullptr;
};
