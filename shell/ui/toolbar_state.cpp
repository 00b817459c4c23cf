#include "shell/ui/toolbar_state.h"

#include <array>
#include <vector>

#include "contracts/qdb.h"
#include "data/record_readers.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "suite/patient_alerts.h"

ButtonState toolbarButtonState(int command, bool patientSelected, const PatientMarks& marks) {
  switch (command) {
    case 381:
      return {false, marks.medicalAlerts};
    case 393:
      return {!patientSelected, marks.patientAlerts};
    case 12115:
      return {true, false};
    case 12118:
    case 12141:
      return {!patientSelected, false};
    case 12126:
      return {!patientSelected, marks.prescriptions};
    case 12124:
      return {false, marks.questionnaires};
    default:
      return {};
  }
}

bool patientHasRecords(int file, int key, std::uint32_t patient) {
  if (patient == 0) return false;
  const QdbFileDef* def = findFileDef(file);
  if (def == nullptr) return false;
  ShortSession s(file);
  if (s.handle() == 0) return false;
  const std::array<std::uint8_t, 4> prefix = {
      static_cast<std::uint8_t>(patient), static_cast<std::uint8_t>(patient >> 8),
      static_cast<std::uint8_t>(patient >> 16), static_cast<std::uint8_t>(patient >> 24)};
  std::vector<std::uint8_t> record(def->recordLength);
  const QdbHandle set = QDB_StartSet(s.handle(), key, 0, prefix.data(), prefix.size(),
                                     record.data(), record.size(), prefix.size());
  if (set == 0) return false;
  QDB_EndSet(set);
  return true;
}

PatientMarks readPatientMarks(std::uint32_t patient) {
  PatientMarks marks;
  if (patient == 0) return marks;
  marks.medicalAlerts = patientHasMedicalAlerts(patient);
  marks.patientAlerts = hasPatientAlerts(patient);
  marks.prescriptions = patientHasRecords(kPrescriptionFile, kPrescriptionByPatient, patient);
  marks.questionnaires = patientHasRecords(kQuestionnaireFile, kQuestionnaireByPatient, patient);
  return marks;
}
