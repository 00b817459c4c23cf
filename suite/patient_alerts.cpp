#include "suite/patient_alerts.h"

#include <algorithm>
#include <array>

#include "contracts/qdb.h"
#include "data/patient_alert_record.h"
#include "data/patient_record.h"
#include "data/record_readers.h"
#include "data/schema.h"
#include "suite/record_store.h"
#include "suite/results.h"

static_assert(kAlertLineCount == PatientAlertRecord::kLineCount);
static_assert(kMaxAlertLineLength == PatientAlertRecord::kMaxLineLength);

namespace {

bool blank(const std::string& line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' '; });
}

// A byte below 32 (tab, line break, zero) or DEL: a one-line field shows none of them.
bool hasControl(const std::string& line) {
  return std::any_of(line.begin(), line.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 32 || u == 127;
  });
}

const char* captionOf(int mode) {
  switch (mode) {
    case kAlertModeContinuingCare:
      return "Patient Alerts - Continuing Care";
    case kAlertModeNewAppt:
      return "Patient Alerts - New Appointment";
    case kAlertModeOpenAppt:
      return "Patient Alerts - Appointment";
    default:
      return "Patient Alerts";
  }
}

}  // namespace

int readPatientAlerts(std::uint32_t patientId, std::vector<std::string>* lines) {
  if (patientId == 0 || lines == nullptr) return kQdbBadArgument;
  suite_store::Bytes stored;
  const int rc =
      suite_store::readRecord(kPatientAlertByPatient, suite_store::idKey(patientId), &stored);
  if (rc == kQdbNotFound) {
    lines->assign(kAlertLineCount, std::string());
    return kQdbOk;
  }
  if (rc != kQdbOk) return rc;
  PatientAlertRecord record;
  if (!record.load(stored)) return kQdbDamaged;
  std::vector<std::string> out;
  for (std::size_t i = 0; i < kAlertLineCount; ++i) out.push_back(record.line(i));
  *lines = std::move(out);
  return kQdbOk;
}

int writePatientAlerts(std::uint32_t patientId, const std::vector<std::string>& lines,
                       PackedDate today) {
  if (patientId == 0) return kQdbBadArgument;
  if (lines.size() > kAlertLineCount) return kSuiteListFull;
  for (const std::string& line : lines) {
    if (line.size() > kMaxAlertLineLength) return kSuiteTextTooLong;
    if (hasControl(line)) return kSuiteBadText;
  }
  const auto key = suite_store::idKey(patientId);
  if (std::all_of(lines.begin(), lines.end(), blank)) {
    return suite_store::deleteRecord(kPatientAlertByPatient, key);
  }
  return suite_store::putRecord(kPatientAlertByPatient, key, [&](const suite_store::Bytes* stored) {
    PatientAlertRecord record;
    if (stored != nullptr) record.load(*stored);
    record.setPatientId(patientId);
    record.setChanged(today);
    for (std::size_t i = 0; i < kAlertLineCount; ++i) {
      record.setLine(i, i < lines.size() && !blank(lines[i]) ? lines[i] : std::string());
    }
    const auto bytes = record.bytes();
    return suite_store::Bytes(bytes.begin(), bytes.end());
  });
}

bool hasPatientAlerts(std::uint32_t patientId) {
  if (patientId == 0) return false;
  std::vector<std::string> lines;
  if (readPatientAlerts(patientId, &lines) == kQdbOk &&
      !std::all_of(lines.begin(), lines.end(), blank)) {
    return true;
  }
  return patientHasMedicalAlerts(patientId);
}

std::optional<Prompt> patientAlertsPrompt(std::uint32_t patientId, int mode) {
  if (patientId == 0) return std::nullopt;
  std::vector<std::string> lines;
  const int rc = readPatientAlerts(patientId, &lines);
  PatientRecord patient;
  const bool known = readPatientById(patientId, &patient);
  const bool medical = known && patient.hasMedicalAlerts();

  std::string body;
  if (rc != kQdbOk) {
    body = "The patient's alerts cannot be read (error " + std::to_string(rc) + ").\n";
  }
  for (const std::string& line : lines) {
    if (!blank(line)) body += line + "\n";
  }
  if (medical) body += "Medical alerts are on file: see Medical Alerts/Notes.\n";
  if (body.empty()) return std::nullopt;
  body.pop_back();

  Prompt prompt;
  prompt.caption = captionOf(mode);
  if (known) {
    std::array<char, 64> name{};
    QRX_PackName(name.data(), name.size(), patient.lastName(), patient.firstName(),
                 patient.middleInitial(), 0);
    prompt.text = std::string(name.data()) + "\n\n";
  }
  prompt.text += body;
  prompt.buttons = PromptButtons::kOk;
  prompt.icon = PromptIcon::kExclamation;
  return prompt;
}

int showPatientAlerts(Prompter& prompter, std::uint32_t patientId, int mode) {
  const std::optional<Prompt> prompt = patientAlertsPrompt(patientId, mode);
  if (!prompt) return 0;
  prompter.ask(*prompt);
  return 1;
}
