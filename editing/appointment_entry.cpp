// The ways into the appointment dialog: editing an appointment, a new appointment for a patient,
// at a slot of the day list, and the main window's new-appointment command.

#include <algorithm>

#include "data/record_readers.h"
#include "editing/appointment_edit.h"

namespace {

// A right check's result: 1 or more lets the command go on; 0 is told; below 0 the user
// cancelled the password prompt and is told nothing. A refusal hands the override back.
bool granted(ApptEditEnv& env, int result) {
  if (result >= 1) return true;
  if (result == 0) QRX_MessageBox(env.prompter, kStyleError, kMsgNoRight);
  QRX_SetOverrideToLoggedIn();
  return false;
}

void showAlerts(ApptEditEnv& env, std::uint32_t patient, int mode) {
  if (patient != 0 && env.services.showPatientAlerts) env.services.showPatientAlerts(patient, mode);
}

// Runs the opened dialog and reads what it saved.
ApptEntryResult run(ApptEditEnv& env, AppointmentEdit& edit) {
  const int code = env.services.runDialog ? env.services.runDialog(edit) : 0;
  QRX_SetOverrideToLoggedIn();
  ApptEntryResult r;
  r.patientId = edit.patientId();
  if (code != 1 || edit.savedId() == 0) return r;
  const AppointmentRecord& saved = edit.savedCopy();
  r.ok = true;
  r.appointmentId = edit.savedId();
  r.patientId = saved.patientId();
  r.date = saved.date();
  r.time = saved.startTime();
  r.provider = saved.providerCode();
  r.operatory = saved.operatoryCode();
  for (std::string* code : {&r.provider, &r.operatory}) {
    code->erase(code->find_last_not_of(' ') + 1);
  }
  return r;
}

}  // namespace

ApptEntryResult EditAppt(ApptEditEnv& env, std::uint32_t appointmentId) {
  AppointmentRecord stored;
  const std::uint32_t patient =
      readAppointmentById(appointmentId, &stored) ? stored.patientId() : 0;
  if (!granted(env, QRX_PasswordCheckwAudit(env.prompter, kRightEditAppointment, patient))) {
    return {};
  }
  AppointmentEdit edit(env);
  if (!edit.openExisting(appointmentId)) {
    QRX_SetOverrideToLoggedIn();
    return {};
  }
  return run(env, edit);
}

ApptEntryResult NewApptForPatient(ApptEditEnv& env, std::uint32_t patientId,
                                  const std::vector<int>& careTypes) {
  if (!granted(env, QRX_CheckRightWithPassword(env.prompter, kRightNewAppointment, patientId))) {
    return {};
  }
  showAlerts(env, patientId, kAlertsNewAppointment);
  NewApptRequest request;
  request.patientId = patientId;
  const auto last =
      std::find_if(careTypes.rbegin(), careTypes.rend(), [](int t) { return t != 0; });
  request.careType = last != careTypes.rend() ? *last : 0;
  AppointmentEdit edit(env);
  edit.openNew(request);
  return run(env, edit);
}

ApptEntryResult NewApptAtSlot(ApptEditEnv& env, const NewApptRequest& request, bool secondPass) {
  const std::uint32_t patient = request.patientId;
  showAlerts(env, patient, kAlertsNewAppointment);
  // The question only makes sense when its Yes can show the list.
  if (!secondPass && env.services.otherAppointments && patientHasUnscheduledAppt(patient)) {
    Prompt p;
    p.caption = kApptBookCaption;
    p.text = kUnscheduledApptQuestion;
    p.buttons = PromptButtons::kYesNo;
    p.icon = PromptIcon::kExclamation;
    if (env.prompter.ask(p) == kIdYes) {
      const OtherApptChoice choice =
          env.services.otherAppointments(patient, kOtherApptsFromMainWindow);
      if (choice.appointmentId != 0) {
        showAlerts(env, choice.patientId != 0 ? choice.patientId : patient, kAlertsOpenAppointment);
        return EditAppt(env, choice.appointmentId);
      }
      if (choice.patientId == 0) {
        QRX_SetOverrideToLoggedIn();
        return {};
      }
      NewApptRequest again = request;
      again.patientId = choice.patientId;
      return NewApptAtSlot(env, again, true);
    }
  }
  AppointmentEdit edit(env);
  edit.openNew(request);
  return run(env, edit);
}

ApptEntryResult NewAppt(ApptEditEnv& env, std::uint32_t patientId, int careType, PackedDate date,
                        std::optional<PackedTime> time, const std::string& provider,
                        const std::string& operatory) {
  if (patientId != 0) return NewApptForPatient(env, patientId, {careType});
  if (!granted(env, QRX_CheckRightWithPassword(env.prompter, kRightNewAppointment, 0))) return {};
  NewApptRequest request;
  request.date = date;
  request.time = time;
  request.provider = provider;
  request.operatory = operatory;
  request.careType = careType;
  const PatientChoice choice =
      env.services.selectPatient ? env.services.selectPatient() : PatientChoice{};
  switch (choice.pick) {
    case PatientPick::kPatient:
      request.patientId = choice.patientId;
      return NewApptAtSlot(env, request);
    case PatientPick::kNewPerson: {
      NewPersonData person;
      if (env.services.editNewPerson && env.services.editNewPerson(&person)) {
        request.person = person;
        return NewApptAtSlot(env, request);
      }
      break;
    }
    case PatientPick::kCancelled:
      break;
  }
  QRX_SetOverrideToLoggedIn();
  return {};
}
