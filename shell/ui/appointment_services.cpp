#include "shell/ui/appointment_services.h"

#include <QApplication>
#include <QWidget>
#include <optional>
#include <string>
#include <utility>

#include "editing/appointment_edit.h"
#include "editing/ui/appointment_dialog.h"
#include "patsel/patient_selection.h"
#include "patsel/ui/select_patient_dialog.h"
#include "schedule/find_time.h"
#include "schedule/ui/find_time_dialog.h"
#include "shell/station_notify.h"
#include "shell/ui/modules.h"
#include "suite/lab_cases.h"
#include "suite/notes.h"
#include "suite/patient_alerts.h"
#include "suite/ui/attach_cases.h"

namespace {

constexpr int kFamilyRecordsCommand = 12113;

// The patient choice of a new appointment: a patient, or a person who is not yet one.
PatientChoice choosePatient(QWidget* owner, Prompter& prompter, AccessLayer& db) {
  const auto options =
      static_cast<std::uint16_t>(kNewPatientButton << kNewPatientShift);  // "&New Patient"
  const std::uint32_t value = selectPatient(owner, prompter, db, nullptr, options, false);
  PatientChoice choice;
  if (value == kSelectNewPatientValue) {
    choice.pick = PatientPick::kNewPerson;
  } else if (value != 0 && value != kSelectFailedValue) {
    warnSelectedPatientStatus(prompter, value);
    choice.pick = PatientPick::kPatient;
    choice.patientId = value;
  }
  return choice;
}

}  // namespace

void wireAppointmentServices(ApptEditServices& services, Prompter& prompter, AccessLayer& db,
                             QWidget* owner, std::uint8_t stationCode,
                             std::function<void(std::uint32_t)> showSaved) {
  services.readNote = [](std::uint32_t appt) -> std::optional<std::string> {
    std::string text;
    if (readApptNote(appt, &text) != 0) return std::nullopt;
    return text;
  };
  services.writeNote = [](std::uint32_t appt, const std::string& text, bool) {
    return writeApptNote(appt, text, QRX_SysDate()) == 0;
  };
  services.readCaseLinks = [](std::uint32_t appt) {
    LabCaseLinks links;
    ReadApptToCaseLinks(appt, &links);
    return links;
  };
  services.writeCaseLinks = [](std::uint32_t appt, const LabCaseLinks& links) {
    return WriteApptToCaseLinks(appt, links) == 0;
  };
  services.attachCases = [&prompter, owner](std::uint32_t patient, const std::string& provider,
                                            LabCaseLinks* links) {
    return AttachCases(owner, prompter, patient, provider, links);
  };
  services.showPatientAlerts = [&prompter](std::uint32_t patient, int mode) {
    showPatientAlerts(prompter, patient, mode);
  };
  services.selectPatient = [&prompter, &db, owner] { return choosePatient(owner, prompter, db); };
  services.notifyChange = [stationCode](const ApptChange& c) {
    notifyChange(stationCode, c.date, c.operatory, c.provider, c.appointmentId, c.kind);
  };
  services.showSaved = std::move(showSaved);
  services.startFamilyModule = [&prompter](std::uint32_t patient) {
    ModuleContext context;
    context.patient = patient;
    return startModule(prompter, kFamilyRecordsCommand, context);
  };
  useQtApptDialogs(services, prompter, owner);
}

void wireFindTime(ApptEditServices& services, Prompter& prompter, QWidget* owner,
                  const PracticeSchedule& practice, const ProviderScheduleTable& providers,
                  const OperatoryTable& operatories,
                  std::function<std::vector<std::string>()> displayedOperatories,
                  std::function<void(const FoundTime&)> view) {
  services.findTime = [&prompter, owner, &practice, &providers, &operatories,
                       displayed = std::move(displayedOperatories),
                       view = std::move(view)](AppointmentRecord* appt, PackedDate startDate) {
    // Over the appointment dialog that asks, so the windows come up in front of it.
    QWidget* parent =
        QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget() : owner;
    const std::vector<std::string> shown = displayed ? displayed() : std::vector<std::string>{};
    return findApptTime(parent, prompter, practice, providers, operatories, shown, view, appt,
                        startDate);
  };
}
