#include "suite/lab_cases.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "contracts/qdb.h"
#include "data/lab_case_record.h"
#include "data/record_bytes.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "suite/record_store.h"
#include "suite/results.h"

static_assert(LabCaseLinks::kMaxCases == ApptCaseLinkRecord::kMaxCases);
static_assert(static_cast<std::uint8_t>(LabCaseState::kSent) == LabCaseRecord::kStateSent &&
              static_cast<std::uint8_t>(LabCaseState::kReturned) == LabCaseRecord::kStateReturned &&
              static_cast<std::uint8_t>(LabCaseState::kCancelled) ==
                  LabCaseRecord::kStateCancelled);

namespace {

bool hasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 32 || u == 127;
  });
}

// 0 when every field fits its place in the record, else the refusal.
int check(const LabCase& c) {
  if (c.patientId == 0 || static_cast<std::uint8_t>(c.state) > LabCaseRecord::kStateCancelled)
    return kQdbBadArgument;
  const std::string_view texts[] = {c.providerCode, c.lab, c.description};
  if (c.providerCode.size() > rec::kCodeWidth || c.lab.size() > LabCaseRecord::kMaxLab ||
      c.description.size() > LabCaseRecord::kMaxDescription) {
    return kSuiteTextTooLong;
  }
  for (std::string_view t : texts) {
    if (hasControl(t)) return kSuiteBadText;
  }
  return kQdbOk;
}

void fill(LabCaseRecord* r, const LabCase& c, PackedDate today) {
  r->setPatientId(c.patientId);
  r->setProviderCode(c.providerCode);
  r->setState(static_cast<std::uint8_t>(c.state));
  r->setSent(c.sent);
  r->setDue(c.due);
  r->setReturned(c.returned);
  r->setLab(c.lab);
  r->setDescription(c.description);
  r->setChanged(today);
}

LabCase caseOf(const LabCaseRecord& r) {
  LabCase c;
  c.id = r.identifier();
  c.patientId = r.patientId();
  c.providerCode = r.providerCode();
  while (!c.providerCode.empty() && c.providerCode.back() == ' ') c.providerCode.pop_back();
  c.lab = r.lab();
  c.description = r.description();
  c.sent = r.sent();
  c.due = r.due();
  c.returned = r.returned();
  // A state this component never writes reads as cancelled: it is then shown but waited for by
  // no appointment.
  c.state = r.state() <= LabCaseRecord::kStateCancelled ? static_cast<LabCaseState>(r.state())
                                                        : LabCaseState::kCancelled;
  return c;
}

suite_store::Bytes bytesOf(const LabCaseRecord& r) {
  return suite_store::Bytes(r.bytes().begin(), r.bytes().end());
}

// Higher is more pressing.
int weight(LabCaseStatus s) {
  switch (s) {
    case LabCaseStatus::kOverdue:
      return 4;
    case LabCaseStatus::kNotSent:
      return 3;
    case LabCaseStatus::kSent:
      return 2;
    case LabCaseStatus::kReturned:
      return 1;
    case LabCaseStatus::kNone:
      break;
  }
  return 0;
}

}  // namespace

const char* labCaseStatusText(LabCaseStatus status) {
  switch (status) {
    case LabCaseStatus::kNotSent:
      return "Lab Not Sent";
    case LabCaseStatus::kSent:
      return "Lab Sent";
    case LabCaseStatus::kReturned:
      return "Lab Returned";
    case LabCaseStatus::kOverdue:
      return "Lab Overdue";
    case LabCaseStatus::kNone:
      break;
  }
  return "";
}

LabCaseStatus labCaseStatusOf(const LabCase& c, PackedDate today) {
  switch (c.state) {
    case LabCaseState::kCancelled:
      return LabCaseStatus::kNone;
    case LabCaseState::kReturned:
      return LabCaseStatus::kReturned;
    case LabCaseState::kNotSent:
    case LabCaseState::kSent:
      break;
  }
  if (c.due != 0 && c.due < today) return LabCaseStatus::kOverdue;
  return c.state == LabCaseState::kSent ? LabCaseStatus::kSent : LabCaseStatus::kNotSent;
}

int addLabCase(LabCase* labCase, PackedDate today) {
  if (labCase == nullptr) return kQdbBadArgument;
  const int rc = check(*labCase);
  if (rc != kQdbOk) return rc;
  LabCaseRecord r;
  fill(&r, *labCase, today);
  suite_store::Bytes bytes = bytesOf(r);
  const int added = suite_store::addRecord(kLabCaseFile, &bytes);
  if (added != kQdbOk) return added;
  labCase->id = rec::loadU32(bytes.data() + LabCaseRecord::kIdentifier.offset);
  return kQdbOk;
}

int updateLabCase(const LabCase& labCase, PackedDate today) {
  if (labCase.id == 0) return kQdbBadArgument;
  const int rc = check(labCase);
  if (rc != kQdbOk) return rc;
  return suite_store::updateRecord(kLabCaseById, suite_store::idKey(labCase.id),
                                   [&](const suite_store::Bytes& stored) {
                                     LabCaseRecord r;
                                     r.load(stored);
                                     fill(&r, labCase, today);
                                     return bytesOf(r);
                                   });
}

int readLabCase(std::uint32_t caseId, LabCase* out) {
  if (caseId == 0 || out == nullptr) return kQdbBadArgument;
  suite_store::Bytes stored;
  const int rc = suite_store::readRecord(kLabCaseById, suite_store::idKey(caseId), &stored);
  if (rc != kQdbOk) return rc;
  LabCaseRecord r;
  if (!r.load(stored)) return kQdbDamaged;
  *out = caseOf(r);
  return kQdbOk;
}

int readPatientLabCases(std::uint32_t patientId, std::vector<LabCase>* out) {
  if (patientId == 0 || out == nullptr) return kQdbBadArgument;
  ShortSession s(kLabCaseFile);
  if (s.handle() == 0) {
    const int error = QDB_GetLastErrorNum(s.session());
    return error != kQdbOk ? error : kQdbIoError;
  }
  std::array<std::uint8_t, 8> key{};
  rec::storeU32(key.data(), patientId);
  LabCaseRecord r;
  std::vector<LabCase> found;
  const QdbHandle set =
      QDB_StartSet(s.handle(), kLabCaseByPatient, 0, key.data(), key.size(), r.data(), r.size(), 4);
  int rc = set == 0 ? QDB_GetLastErrorNum(s.session()) : kQdbOk;
  if (set != 0) {
    do {
      found.push_back(caseOf(r));
    } while (QDB_NextRecInSet(set, r.data(), r.size()) == 1);
    rc = QDB_GetLastErrorNum(s.session());
    QDB_EndSet(set);
  }
  if (rc != kQdbNotFound) return rc != kQdbOk ? rc : kQdbIoError;
  *out = std::move(found);
  return kQdbOk;
}

bool LabCaseLinks::contains(std::uint32_t caseId) const {
  return std::find(ids_.begin(), ids_.end(), caseId) != ids_.end();
}

bool LabCaseLinks::add(std::uint32_t caseId) {
  if (caseId == 0) return false;
  if (contains(caseId)) return true;
  if (ids_.size() >= kMaxCases) return false;
  ids_.push_back(caseId);
  return true;
}

void LabCaseLinks::remove(std::uint32_t caseId) {
  ids_.erase(std::remove(ids_.begin(), ids_.end(), caseId), ids_.end());
}

int ReadApptToCaseLinks(std::uint32_t appointmentId, LabCaseLinks* out) {
  if (appointmentId == 0 || out == nullptr) return kQdbBadArgument;
  suite_store::Bytes stored;
  const int rc =
      suite_store::readRecord(kCaseLinkByAppt, suite_store::idKey(appointmentId), &stored);
  if (rc == kQdbNotFound) {
    out->clear();
    return kQdbOk;
  }
  if (rc != kQdbOk) return rc;
  ApptCaseLinkRecord r;
  if (!r.load(stored)) return kQdbDamaged;
  LabCaseLinks links;
  for (std::size_t i = 0; i < r.count(); ++i) links.add(r.caseAt(i));
  *out = std::move(links);
  return kQdbOk;
}

int WriteApptToCaseLinks(std::uint32_t appointmentId, const LabCaseLinks& links) {
  if (appointmentId == 0) return kQdbBadArgument;
  if (links.empty()) return DeleteApptCaseLinks(appointmentId);
  return suite_store::putRecord(kCaseLinkByAppt, suite_store::idKey(appointmentId),
                                [&](const suite_store::Bytes*) {
                                  // The list is written whole; nothing of the stored one is kept.
                                  ApptCaseLinkRecord r;
                                  r.setAppointmentId(appointmentId);
                                  for (const std::uint32_t id : links.caseIds()) r.append(id);
                                  return suite_store::Bytes(r.bytes().begin(), r.bytes().end());
                                });
}

int DeleteApptCaseLinks(std::uint32_t appointmentId) {
  if (appointmentId == 0) return kQdbBadArgument;
  return suite_store::deleteRecord(kCaseLinkByAppt, suite_store::idKey(appointmentId));
}

LabCaseStatus GetApptLabCaseStatus(std::uint32_t appointmentId, PackedDate today) {
  LabCaseLinks links;
  if (appointmentId == 0 || ReadApptToCaseLinks(appointmentId, &links) != kQdbOk) {
    return LabCaseStatus::kNone;
  }
  LabCaseStatus worst = LabCaseStatus::kNone;
  for (const std::uint32_t id : links.caseIds()) {
    LabCase c;
    if (readLabCase(id, &c) != kQdbOk) continue;
    const LabCaseStatus s = labCaseStatusOf(c, today);
    if (weight(s) > weight(worst)) worst = s;
  }
  return worst;
}
