#pragma once
// The appointment dialog's services as the program gives them: the suite's note, lab case and
// patient alert components, the patient selection dialog, the family records module and the
// workstation change notification. Kept apart from the main window so that the window only says
// what happens to its own list after a save.

#include <cstdint>
#include <functional>

class AccessLayer;
class Prompter;
class QWidget;
struct ApptEditServices;

// Fills `services` with the program's components. `owner` is the window the dialogs belong to;
// `showSaved` is called with the identifier of every appointment saved. `prompter`, `db` and
// `owner` are borrowed for as long as the services are used.
void wireAppointmentServices(ApptEditServices& services, Prompter& prompter, AccessLayer& db,
                             QWidget* owner, std::uint8_t stationCode,
                             std::function<void(std::uint32_t)> showSaved);
