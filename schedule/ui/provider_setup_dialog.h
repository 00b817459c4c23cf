#pragma once
// The provider setup windows: the "Provider Setup" selection dialog, which lists the active
// providers and opens a provider's setup or schedule calendar, and the provider setup dialog,
// which edits one provider's default weekly hours and provider aliases. The decisions (who is
// listed, what is stored, locking) are in schedule/provider_setup.h; these windows only show
// and collect.
//
// Names for tests and scripts:
// - selection dialog "ProviderSelectionDialog": the list "providers", the buttons "setup"
//   ("&Setup"), "schedule" ("S&chedule") and "close" ("Close");
// - setup dialog "ProviderSetupDialog": per weekday (0 = Sunday) the check box "day<N>", its
//   " >>" button "times<N>" and the label "hours<N>" that shows the day's periods; the alias list
//   "aliases"; the buttons "1" (OK) and "2" (Cancel).

#include <QDialog>
#include <array>
#include <cstddef>
#include <functional>
#include <string>

#include "schedule/schedule_time.h"

class Prompter;
class ProviderSetup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
struct PracticeSchedule;
struct ProviderScheduleTable;

// Edits the three periods of one day ("Set Time Limits"); true when confirmed. With
// `firstRequired` the first period must be given.
using DayHoursEditor = std::function<bool(QWidget* parent, Prompter& prompter, int blockMinutes,
                                          bool firstRequired, DayHours* hours)>;
// Opens the schedule calendar of a provider (its code as stored), starting at today's date.
using ScheduleOpener = std::function<void(QWidget* parent, const std::string& providerCode)>;
// Runs the setup of the provider at this index of the table.
using SetupOpener = std::function<void(QWidget* parent, std::size_t index)>;

class ProviderSelectionDialog final : public QDialog {
 public:
  // Lists the codes of the active providers of `table`, sorted, the first one selected.
  // "&Setup" calls `setup`, "S&chedule" and a double click call `schedule`, each with the
  // selected provider; with none selected they show "No Provider Selected!". All are borrowed.
  ProviderSelectionDialog(QWidget* parent, Prompter& prompter, const ProviderScheduleTable& table,
                          SetupOpener setup, ScheduleOpener schedule);

 private:
  // The table index of the selected provider, or -1 after telling the user none is selected.
  int selectedIndex();

  Prompter& prompter_;
  const ProviderScheduleTable& table_;
  SetupOpener setup_;
  ScheduleOpener schedule_;
  QListWidget* list_;
};

class ProviderSetupDialog final : public QDialog {
 public:
  // Edits the hours and aliases of `setup`'s working copy. REQUIRES: setup.isOpen(). The caller
  // commits the setup when the dialog is accepted and cancels it otherwise. All are borrowed.
  ProviderSetupDialog(QWidget* parent, Prompter& prompter, ProviderSetup& setup, int blockMinutes,
                      DayHoursEditor dayEditor);

  // Takes the selected aliases into the setup. More than 10 selected is refused with a message
  // and the dialog stays open, so no selection is dropped unseen.
  void accept() override;

 private:
  // Checking a weekday asks for its periods, the first one required; cancelling unchecks it
  // again. Unchecking sets the day's six values to -1.
  void dayClicked(std::size_t day, bool checked);
  // " >>" (enabled only on a checked weekday): the day's periods in "Set Time Limits", the first
  // period again required, so a checked day always keeps one.
  void editDay(std::size_t day);
  // Check box, " >>" and the periods label of a day as the working hours have them.
  void showDay(std::size_t day);

  Prompter& prompter_;
  ProviderSetup& setup_;
  int blockMinutes_;
  DayHoursEditor editDay_;
  std::array<QCheckBox*, kWeekDays> days_{};
  std::array<QPushButton*, kWeekDays> times_{};
  std::array<QLabel*, kWeekDays> hours_{};
  QListWidget* aliases_;
};

// What runProviderSetup may be given instead of the real windows.
struct ProviderSetupHooks {
  DayHoursEditor editDay;       // empty: editTimeLimits
  ScheduleOpener openSchedule;  // empty: a message that the calendar is not available
};

// The message shown for "S&chedule" while no calendar is given.
inline constexpr const char* kCalendarUnavailable =
    "The schedule calendar is not available in this version.";

// Command 141, "P&rovider Setup...": the selection dialog over `table`; "&Setup" locks the
// provider's default record, shows the setup dialog and stores it on OK (adding the record when
// the provider has none), updating the provider's entry of `table`. The practice's block size
// is the grain of the hours entered. REQUIRES: the database is open in this process; the
// caller has checked the user's right to the command.
void runProviderSetup(QWidget* parent, Prompter& prompter, const PracticeSchedule& practice,
                      ProviderScheduleTable& table, const ProviderSetupHooks& hooks = {});
