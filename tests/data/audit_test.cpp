// Audit entries as stored: who, when, which record, what was done, the exact bytes before and
// after; approvals by another user's password and only those; nothing for what cannot be audited.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "data/appointment_record.h"
#include "data/audit_record.h"
#include "data/reason_record.h"
#include "data/schema.h"
#include "data/users.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/data/patterned.h"
#include "tests/data/practice_database.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every audit entry, whole, in the order written.
std::vector<AuditRecord> storedEntries() {
  std::vector<AuditRecord> out;
  ShortSession s(kAuditFile);
  std::vector<std::uint8_t> fixed(AuditRecord::kFixedSize);
  for (int ok = QDB_FirstRec(s.handle(), kAuditFile, fixed.data(), fixed.size()); ok != 0;
       ok = QDB_NextRec(s.handle(), kAuditFile, fixed.data(), fixed.size())) {
    std::vector<std::uint8_t> whole(QDB_GetVarRecLength(s.handle()));
    EXPECT_EQ(QDB_ReadEntireVarRec(s.handle(), whole.data(), whole.size()), 1);
    EXPECT_TRUE(out.emplace_back().load(whole));
  }
  EXPECT_EQ(QDB_GetLastErrorNum(s.session()), kQdbNotFound);
  return out;
}

// A record of type R with every byte set (none zero), then the given identifier and patient.
template <typename R>
R patterned(std::uint8_t seed, std::uint32_t id, std::uint32_t patient) {
  R r = ::patterned<R>(seed);
  r.setIdentifier(id);
  r.setPatientId(patient);
  return r;
}

template <typename R>
Bytes bytesOf(const R& r) {
  return Bytes(r.bytes().begin(), r.bytes().end());
}

std::uint32_t secondsNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

class AuditTest : public PracticeDatabase {
 protected:
  void SetUp() override {
    PracticeDatabase::SetUp();
    today_.set("2026-12-06");
    ASSERT_EQ(QRX_WriteProfileInt("NETWORK", "STATION", 3), 1);
    std::string why;
    ASSERT_EQ(addUser("clerk", "Casey Clerk", "clerk-pass", {1, 66}, &clerk_, &why), 0) << why;
    ASSERT_EQ(QRX_SignOn("clerk", "clerk-pass"), 1);
  }
  void TearDown() override {
    QRX_SignOff();
    PracticeDatabase::TearDown();
  }

  // Checks the parts every entry carries: time, users and workstation.
  void expectStamp(const AuditRecord& e, std::uint32_t from, std::uint32_t to,
                   std::uint32_t overrideUser, const char* what) {
    EXPECT_EQ(e.date(), QRX_DateIn(2026, 12, 6)) << what;
    if (from <= to) {  // not across midnight
      EXPECT_GE(e.seconds(), from) << what;
      EXPECT_LE(e.seconds(), to) << what;
    }
    EXPECT_EQ(e.userId(), clerk_) << what;
    EXPECT_EQ(e.overrideUserId(), overrideUser) << what;
    EXPECT_EQ(e.station(), 3) << what;
  }

  std::uint32_t clerk_ = 0;
};

TEST_F(AuditTest, EntriesKeepExactCopiesOfWhatWasAddedChangedAndDeleted) {
  const auto old = patterned<AppointmentRecord>(1, 4711, 9001);
  const auto edited = patterned<AppointmentRecord>(2, 4711, 9001);
  const auto gone = patterned<AppointmentRecord>(3, 4712, 9002);  // named by its "before" copy
  const auto planned = patterned<PatientProcedureRecord>(5, 300, 42);
  const auto done = patterned<PatientProcedureRecord>(6, 300, 42);
  const std::size_t kAppt = AppointmentRecord::kSize;
  const std::size_t kProc = PatientProcedureRecord::kSize;
  using A = AuditRecord;
  const std::uint32_t from = secondsNow();
  const struct {
    const char* what;
    int written;  // the calls run in the order of the rows
    int file;
    std::uint8_t code1, code2;
    std::uint32_t subject, patient;
    Bytes before, after;
  } cases[] = {
      {"appointment added", QRX_BuildApptAudit(nullptr, &old, kAppt), kAppointmentFile, A::kAdded,
       A::kOrdinary, 4711, 9001, Bytes{}, bytesOf(old)},
      {"appointment changed", QRX_BuildApptAudit(&old, &edited, kAppt), kAppointmentFile,
       A::kChanged, A::kOrdinary, 4711, 9001, bytesOf(old), bytesOf(edited)},
      {"appointment deleted", QRX_BuildApptAudit(&gone, nullptr, kAppt), kAppointmentFile,
       A::kDeleted, A::kOrdinary, 4712, 9002, bytesOf(gone), Bytes{}},
      {"procedure planned", QRX_BuildInitialProcAudit(planned.data(), kProc), kPatientProcedureFile,
       A::kAdded, A::kInitialEntry, 300, 42, Bytes{}, bytesOf(planned)},
      {"procedure done", QRX_BuildProcAudit(planned.data(), done.data(), kProc),
       kPatientProcedureFile, A::kChanged, A::kOrdinary, 300, 42, bytesOf(planned), bytesOf(done)},
      {"procedure deleted", QRX_BuildProcAudit(done.data(), nullptr, kProc), kPatientProcedureFile,
       A::kDeleted, A::kOrdinary, 300, 42, bytesOf(done), Bytes{}},
  };
  const std::uint32_t to = secondsNow();
  const std::vector<AuditRecord> entries = storedEntries();
  ASSERT_EQ(entries.size(), std::size(cases));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& c = cases[i];
    const AuditRecord& e = entries[i];
    EXPECT_EQ(c.written, 1) << c.what;
    expectStamp(e, from, to, clerk_, c.what);
    EXPECT_EQ(e.fileNumber(), c.file) << c.what;
    EXPECT_EQ(e.code1(), c.code1) << c.what;
    EXPECT_EQ(e.code2(), c.code2) << c.what;
    EXPECT_EQ(e.subjectId(), c.subject) << c.what;
    EXPECT_EQ(e.patientId(), c.patient) << c.what;
    EXPECT_EQ(e.before(), c.before) << c.what;
    EXPECT_EQ(e.after(), c.after) << c.what;
  }
}

TEST_F(AuditTest, RefusesWhatCannotBeAuditedAndStoresNothing) {
  const AppointmentRecord appt = patterned<AppointmentRecord>(1, 1, 2);
  const PatientProcedureRecord proc = patterned<PatientProcedureRecord>(1, 1, 2);
  EXPECT_EQ(QRX_BuildApptAudit(nullptr, nullptr, AppointmentRecord::kSize), 0);
  EXPECT_EQ(QRX_BuildApptAudit(appt.data(), appt.data(), AppointmentRecord::kSize - 1), 0);
  EXPECT_EQ(QRX_BuildApptAudit(nullptr, appt.data(), AppointmentRecord::kSize + 1), 0);
  EXPECT_EQ(QRX_BuildApptAudit(nullptr, proc.data(), PatientProcedureRecord::kSize), 0)
      << "a procedure is not an appointment";
  EXPECT_EQ(QRX_BuildProcAudit(nullptr, nullptr, PatientProcedureRecord::kSize), 0);
  EXPECT_EQ(QRX_BuildProcAudit(appt.data(), nullptr, AppointmentRecord::kSize), 0);
  EXPECT_EQ(QRX_BuildInitialProcAudit(nullptr, PatientProcedureRecord::kSize), 0);
  EXPECT_EQ(QRX_BuildInitialProcAudit(proc.data(), 0), 0);
  EXPECT_TRUE(storedEntries().empty());

  QDB_CloseDataBase();
  EXPECT_EQ(QRX_BuildApptAudit(nullptr, appt.data(), AppointmentRecord::kSize), 0);
  EXPECT_EQ(QRX_BuildInitialProcAudit(proc.data(), PatientProcedureRecord::kSize), 0);
  ASSERT_EQ(QDB_InitDataBase(dataPath().c_str()), 1);
  EXPECT_TRUE(storedEntries().empty());
}

TEST_F(AuditTest, OnlyAnApprovalByAnotherUsersPasswordIsAudited) {
  std::uint32_t admin = 0;
  std::uint32_t helper = 0;
  ASSERT_EQ(addUser("admin", "Ada Admin", "admin-pass", {1, 31, 32, 33}, &admin), 0);
  ASSERT_EQ(addUser("helper", "Hal Helper", "helper-pass", {1}, &helper), 0);
  ScriptedPrompter prompter;

  // The clerk's own right: granted, nothing to audit.
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightEditAppointment, 777), 1);
  // Refused and cancelled approvals grant nothing and leave nothing.
  prompter.credentials("admin", "wrong-pass");
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightDeleteAppointment, 777), 0);
  prompter.credentials("helper", "helper-pass");
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightDeleteAppointment, 777), 0);
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightDeleteAppointment, 777), -1);
  EXPECT_TRUE(storedEntries().empty());

  const std::uint32_t from = secondsNow();
  prompter.credentials("Admin", "admin-pass");
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightDeleteAppointment, 777), 1);
  // What is done under the approval names the approver as the override user.
  const AppointmentRecord appt = patterned<AppointmentRecord>(1, 55, 777);
  ASSERT_EQ(QRX_BuildApptAudit(appt.data(), nullptr, AppointmentRecord::kSize), 1);
  // Still under the approval: granted at once, no second entry.
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightDeleteAppointment, 777), 1);
  const std::uint32_t to = secondsNow();
  QRX_SetOverrideToLoggedIn();

  const std::vector<AuditRecord> entries = storedEntries();
  ASSERT_EQ(entries.size(), 2u);
  const AuditRecord& approval = entries[0];
  expectStamp(approval, from, to, admin, "approval");
  EXPECT_EQ(approval.code1(), AuditRecord::kRightApproved);
  EXPECT_EQ(approval.code2(), kRightDeleteAppointment);
  EXPECT_EQ(approval.fileNumber(), kUserFile);
  EXPECT_EQ(approval.subjectId(), admin);
  EXPECT_EQ(approval.patientId(), 777u);
  EXPECT_TRUE(approval.before().empty());
  EXPECT_TRUE(approval.after().empty());

  const AuditRecord& deletion = entries[1];
  expectStamp(deletion, from, to, admin, "deletion");
  EXPECT_EQ(deletion.code1(), AuditRecord::kDeleted);
  EXPECT_EQ(deletion.subjectId(), 55u);

  // Back to the clerk: his next entry names him twice.
  ASSERT_EQ(QRX_BuildApptAudit(nullptr, appt.data(), AppointmentRecord::kSize), 1);
  const std::vector<AuditRecord> after = storedEntries();
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[2].overrideUserId(), clerk_);
}

// An approval must leave its trace: when the audit file cannot be written, the approval is
// withdrawn and the user is told.
TEST_F(AuditTest, ApprovalThatCannotBeAuditedIsNotUsed) {
  std::uint32_t admin = 0;
  ASSERT_EQ(addUser("admin", "Ada Admin", "admin-pass", {1, 31}, &admin), 0);
  const QdbSession holder = QDB_StartSession(1);
  ASSERT_NE(holder, 0);
  ASSERT_NE(QDB_OpenFileExclusive(holder, kAuditFile), 0u);

  ScriptedPrompter prompter;
  prompter.credentials("admin", "admin-pass");
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter, kRightDeleteAppointment, 777), 0);
  EXPECT_EQ(QRX_GetOverrideUserID(), clerk_);
  ASSERT_EQ(prompter.asked().size(), 2u);
  EXPECT_EQ(prompter.asked()[1].prompt.icon, PromptIcon::kStop);
  const AppointmentRecord appt = patterned<AppointmentRecord>(1, 55, 777);
  EXPECT_EQ(QRX_BuildApptAudit(nullptr, appt.data(), AppointmentRecord::kSize), 0);

  QDB_EndSession(holder);
  EXPECT_TRUE(storedEntries().empty());
}

}  // namespace
