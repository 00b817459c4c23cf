// Audit entries: who changed which record of which file, when, and the record before and after.
//
// Entries are only added (QDB_AddRec), each in a short session of its own; the database gives
// each its identifier. Nothing here rewrites or deletes an entry, and no call is offered that
// would. A call that cannot store its entry returns 0 and changes nothing.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/audit_record.h"
#include "data/reason_record.h"
#include "data/schema.h"

namespace {

// Seconds after local midnight, now.
std::uint32_t secondsOfDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return 0;
  return static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

// This workstation's number, as the print jobs also read it.
std::uint16_t stationNumber() {
  const int n = QRX_GetProfileInt("NETWORK", "STATION", 1);
  if (n < 0) return 0;
  return n > 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(n);
}

// A new entry stamped with the time, the users and the workstation.
AuditRecord newEntry(std::uint8_t code1, std::uint8_t code2, int fileNumber) {
  AuditRecord entry;
  entry.setDate(QRX_SysDate());
  entry.setSeconds(secondsOfDay());
  entry.setUserId(QRX_GetLoggedInUserID());
  entry.setOverrideUserId(QRX_GetOverrideUserID());
  entry.setCodes(code1, code2);
  entry.setFileNumber(static_cast<std::uint16_t>(fileNumber));
  entry.setStation(stationNumber());
  return entry;
}

int store(const AuditRecord& entry) {
  const QdbSession session = QDB_StartSession(1);
  if (session == 0) return 0;
  int stored = 0;
  if (const QdbHandle file = QDB_OpenFile(session, kAuditFile); file != 0) {
    std::vector<std::uint8_t> bytes = entry.bytes();
    stored = QDB_AddRec(file, bytes.data(), bytes.size()) != 0 ? 1 : 0;
  }
  QDB_EndSession(session);
  return stored;
}

std::span<const std::uint8_t> copyOf(const void* record, std::size_t size) {
  if (record == nullptr) return {};
  return {static_cast<const std::uint8_t*>(record), size};
}

// The entry of a record of type R (file `fileNumber`): its identifier and patient are read from
// the "after" copy, or from "before" for a deletion. `recordSize` must be the record's size, so
// that a caller handing in the wrong record is refused instead of audited as garbage.
template <typename R>
int auditRecord(int fileNumber, const void* before, const void* after, std::size_t recordSize,
                std::uint8_t code2) {
  if ((before == nullptr && after == nullptr) || recordSize != R::kSize) return 0;
  R subject;
  if (!subject.load(after != nullptr ? after : before, recordSize)) return 0;
  const std::uint8_t code1 = before == nullptr  ? AuditRecord::kAdded
                             : after == nullptr ? AuditRecord::kDeleted
                                                : AuditRecord::kChanged;
  AuditRecord entry = newEntry(code1, code2, fileNumber);
  entry.setSubjectId(subject.identifier());
  entry.setPatientId(subject.patientId());
  if (!entry.setCopies(copyOf(before, recordSize), copyOf(after, recordSize))) return 0;
  return store(entry);
}

}  // namespace

int QRX_BuildApptAudit(const void* before, const void* after, std::size_t recordSize) {
  return auditRecord<AppointmentRecord>(kAppointmentFile, before, after, recordSize,
                                        AuditRecord::kOrdinary);
}

int QRX_BuildProcAudit(const void* before, const void* after, std::size_t recordSize) {
  return auditRecord<PatientProcedureRecord>(kPatientProcedureFile, before, after, recordSize,
                                             AuditRecord::kOrdinary);
}

int QRX_BuildInitialProcAudit(const void* record, std::size_t recordSize) {
  if (record == nullptr) return 0;
  return auditRecord<PatientProcedureRecord>(kPatientProcedureFile, nullptr, record, recordSize,
                                             AuditRecord::kInitialEntry);
}

int storeRightApprovalAudit(int right, std::uint32_t patient, UserId approver) {
  if (right < 1 || right > kHighestRight || approver == 0) return 0;
  AuditRecord entry =
      newEntry(AuditRecord::kRightApproved, static_cast<std::uint8_t>(right), kUserFile);
  entry.setOverrideUserId(approver);
  entry.setSubjectId(approver);
  entry.setPatientId(patient);
  return store(entry);
}
