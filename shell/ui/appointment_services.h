#pragma once
// The appointment dialog's services as the program gives them: the suite's note, lab case and
// patient alert components, the patient selection dialog, the family records module and the
// workstation change notification. Kept apart from the main window so that the window only says
// what happens to its own list after a save.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class AccessLayer;
class Prompter;
class QWidget;
struct ApptEditServices;
struct FoundTime;
struct OperatoryTable;
struct PracticeSchedule;
struct ProviderScheduleTable;

// Fills `services` with the program's components. `owner` is the window the dialogs belong to;
// `showSaved` is called with the identifier of every appointment saved. `prompter`, `db` and
// `owner` are borrowed for as long as the services are used.
void wireAppointmentServices(ApptEditServices& services, Prompter& prompter, AccessLayer& db,
                             QWidget* owner, std::uint8_t stationCode,
                             std::function<void(std::uint32_t)> showSaved);

// Fills services.findTime with the Find Time windows over the program's tables (the appointment
// dialog's command 18). `displayedOperatories` gives the operatories the main window shows when
// a found time is to be viewed; `view` shows the found time's date there (may be empty). All
// borrowed for as long as the services are used.
void wireFindTime(ApptEditServices& services, Prompter& prompter, QWidget* owner,
                  const PracticeSchedule& practice, const ProviderScheduleTable& providers,
                  const OperatoryTable& operatories,
                  std::function<std::vector<std::string>()> displayedOperatories,
                  std::function<void(const FoundTime&)> view);
