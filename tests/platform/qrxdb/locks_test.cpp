// Record locks, update holds and exclusive opens between sessions of one process (each session
// has its own lock file description, so they meet exactly as two processes would).

#include <gtest/gtest.h>

#include "platform/qrxdb/env.h"
#include "platform/qrxdb/testing.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace qdbtest {
namespace {

class Locks : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    mine_ = createAndOpen(apptDef());
    for (std::uint32_t date : {100u, 200u, 300u}) {
      Rec r = appt(date, "OP1", date);
      ASSERT_EQ(QDB_AddRec(mine_, r.data(), r.size()), 1);
    }
    other_ = QDB_StartSession(1);
    ASSERT_NE(other_, 0);
    theirs_ = open(kAppts, other_);
    ASSERT_NE(theirs_, 0u);
  }

  static std::vector<std::uint8_t> idKey(std::uint32_t id) { return keyU32(id); }
  // Finds the appointment with identifier `id` (1, 2, 3 = dates 100, 200, 300).
  int find(QdbHandle file, std::uint32_t id, Rec* r) {
    const auto key = idKey(id);
    return QDB_FindRec(file, 13, key.data(), key.size(), r->data(), r->size());
  }

  QdbHandle mine_ = 0;
  QdbSession other_ = 0;
  QdbHandle theirs_ = 0;
};

TEST_F(Locks, LockingReadOfARecordAnotherSessionHoldsGives42AtOnce) {
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(find(mine_, 2, &r), 1);

  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  ASSERT_EQ(find(theirs_, 1, &t), 1);
  const QdbPosition before = QDB_GetFilePos(theirs_);
  const Rec untouched = t;
  EXPECT_EQ(find(theirs_, 2, &t), 0);
  EXPECT_EQ(lastError(other_), kQdbLocked);
  EXPECT_EQ(t, untouched) << "a refused read copies nothing";
  EXPECT_EQ(QDB_GetFilePos(theirs_), before) << "and makes nothing current";
  EXPECT_EQ(QDB_NextRec(theirs_, 13, t.data(), t.size()), 0) << "the walk meets it too";
  EXPECT_EQ(lastError(other_), kQdbLocked);

  ASSERT_EQ(QDB_LKISAM(other_, 0), 1);
  EXPECT_EQ(find(theirs_, 2, &t), 1) << "a plain read never fails for a lock";
  EXPECT_EQ(t.u32(6), 200u);
}

TEST_F(Locks, SessionNeverConflictsWithItself) {
  QdbHandle second = open(kAppts);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(find(mine_, 2, &r), 1);
  EXPECT_EQ(find(second, 2, &r), 1);
  r.u32(54, 999);
  EXPECT_EQ(QDB_WriteRec(second, r.data(), r.size()), 1);
}

TEST_F(Locks, RewriteOrDeleteOfAHeldRecordGives42AndChangesNothing) {
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(find(mine_, 2, &r), 1);
  Rec t(kApptSize);
  ASSERT_EQ(find(theirs_, 2, &t), 1);
  Rec changed = t;
  changed.u32(54, 4242);
  EXPECT_EQ(QDB_WriteRec(theirs_, changed.data(), changed.size()), 0);
  EXPECT_EQ(lastError(other_), kQdbLocked);
  EXPECT_EQ(QDB_DeleteCurRec(theirs_), 0);
  EXPECT_EQ(lastError(other_), kQdbLocked);
  ASSERT_EQ(find(theirs_, 2, &t), 1);
  EXPECT_EQ(t, r);
  ASSERT_EQ(QDB_UnlockCurRecord(mine_), 1);
  EXPECT_EQ(QDB_WriteRec(theirs_, changed.data(), changed.size()), 1);
}

TEST_F(Locks, FreeingAllAndFreeingOne) {
  Rec r(kApptSize);
  ASSERT_EQ(QDB_StartLocking(session_), 1);
  ASSERT_EQ(find(mine_, 1, &r), 1);
  ASSERT_EQ(find(mine_, 2, &r), 1);
  ASSERT_EQ(QDB_UnlockCurRecord(mine_), 1);  // frees 2 only
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  EXPECT_EQ(find(theirs_, 1, &t), 0);
  EXPECT_EQ(find(theirs_, 2, &t), 1);
  ASSERT_EQ(QDB_UnlockCurRecord(theirs_), 1);

  ASSERT_EQ(find(mine_, 3, &r), 1);
  ASSERT_EQ(QDB_LKISAM(session_, 0), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 0);
  for (std::uint32_t id : {1u, 2u, 3u}) EXPECT_EQ(find(theirs_, id, &t), 1) << id;
  ASSERT_EQ(find(mine_, 1, &r), 1);
  EXPECT_EQ(QDB_LKISAM(other_, 0), 1);
  EXPECT_EQ(find(mine_, 1, &r), 1) << "locking stopped: reads lock nothing";
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  EXPECT_EQ(find(theirs_, 1, &t), 1);
}

TEST_F(Locks, EndingASessionFreesItsLocks) {
  Rec t(kApptSize);
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  ASSERT_EQ(find(theirs_, 3, &t), 1);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  Rec r(kApptSize);
  EXPECT_EQ(find(mine_, 3, &r), 0);
  ASSERT_EQ(QDB_EndSession(other_), 1);
  EXPECT_EQ(find(mine_, 3, &r), 1);
  EXPECT_EQ(QDB_FirstRec(theirs_, 10, t.data(), t.size()), 0) << "its handles went with it";
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadHandle);
}

TEST_F(Locks, PauseKeepsHeldLocksAndLocksNothingNew) {
  Rec r(kApptSize);
  ASSERT_EQ(QDB_StartLocking(session_), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 2);
  ASSERT_EQ(find(mine_, 1, &r), 1);
  ASSERT_EQ(QDB_PauseLocking(session_), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 1);
  ASSERT_EQ(find(mine_, 2, &r), 1);
  ASSERT_EQ(QDB_ResumeLocking(session_), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 2);
  ASSERT_EQ(find(mine_, 3, &r), 1);

  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  EXPECT_EQ(find(theirs_, 1, &t), 0);
  EXPECT_EQ(find(theirs_, 2, &t), 1);
  EXPECT_EQ(find(theirs_, 3, &t), 0);
  ASSERT_EQ(QDB_StopLocking(session_), 1);
  EXPECT_EQ(find(theirs_, 3, &t), 1);
}

TEST_F(Locks, AddWhileLockingLocksTheNewRecord) {
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  Rec r = appt(400, "OP1");
  ASSERT_EQ(QDB_AddRec(mine_, r.data(), r.size()), 1);
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  EXPECT_EQ(find(theirs_, 4, &t), 0);
  EXPECT_EQ(lastError(other_), kQdbLocked);
  ASSERT_EQ(QDB_LKISAM(session_, 0), 1);
  EXPECT_EQ(find(theirs_, 4, &t), 1);
}

TEST_F(Locks, LockedWalkWaitsOnTheSameRecordAfter42) {
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  ASSERT_EQ(find(theirs_, 2, &t), 1);

  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  Rec r(kApptSize);
  const auto all = std::vector<std::uint8_t>(9, 0);
  QdbHandle set = QDB_StartSet(mine_, 10, 0, all.data(), all.size(), r.data(), r.size(), 0);
  ASSERT_NE(set, 0u);
  EXPECT_EQ(r.u32(6), 100u);
  EXPECT_EQ(QDB_NextRecInSet(set, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbLocked);
  EXPECT_EQ(QDB_NextRecInSet(set, r.data(), r.size()), 0) << "a retry meets the same record";
  ASSERT_EQ(QDB_LKISAM(other_, 0), 1);
  ASSERT_EQ(QDB_NextRecInSet(set, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 200u) << "nothing was skipped";
  ASSERT_EQ(QDB_NextRecInSet(set, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 300u);
}

TEST_F(Locks, UpdateHoldsTheRecordAndCommitWritesTheBufferBack) {
  Rec r(kApptSize);
  const auto key = idKey(2);
  QdbHandle update = QDB_StartUpdate(mine_, 2, 13, key.data(), key.size(), r.data(), r.size());
  ASSERT_NE(update, 0u);
  EXPECT_EQ(r.u32(6), 200u);
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  EXPECT_EQ(find(theirs_, 2, &t), 0);
  EXPECT_EQ(lastError(other_), kQdbLocked);
  EXPECT_EQ(QDB_GetLockMode(session_), 0) << "an update holds without turning locking on";

  r.u32(6, 250);
  ASSERT_EQ(QDB_CommitUpdate(update), 1);
  ASSERT_EQ(find(theirs_, 2, &t), 1) << "commit released the record";
  EXPECT_EQ(t.u32(6), 250u);
  EXPECT_EQ(QDB_CommitUpdate(update), 0) << "the update ended";
  EXPECT_EQ(lastError(), kQdbBadHandle);
}

TEST_F(Locks, AbortReleasesAndChangesNothing) {
  Rec r(kApptSize);
  const auto key = idKey(3);
  QdbHandle update = QDB_StartUpdate(mine_, 2, 13, key.data(), key.size(), r.data(), r.size());
  ASSERT_NE(update, 0u);
  r.u32(6, 999);
  ASSERT_EQ(QDB_AbortUpdate(update), 1);
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  ASSERT_EQ(find(theirs_, 3, &t), 1);
  EXPECT_EQ(t.u32(6), 300u);
}

TEST_F(Locks, UpdateOfMissingOrHeldRecordGivesNoHandle) {
  Rec r(kApptSize);
  const auto missing = idKey(9);
  EXPECT_EQ(QDB_StartUpdate(mine_, 2, 13, missing.data(), missing.size(), r.data(), r.size()), 0u);
  EXPECT_EQ(lastError(), kQdbNotFound);
  const auto key = idKey(1);
  EXPECT_EQ(QDB_StartUpdate(mine_, 1, 13, key.data(), key.size(), r.data(), r.size()), 0u);
  EXPECT_EQ(lastError(), kQdbBadArgument);
  Rec t(kApptSize);
  QdbHandle theirs = QDB_StartUpdate(theirs_, 2, 13, key.data(), key.size(), t.data(), t.size());
  ASSERT_NE(theirs, 0u);
  EXPECT_EQ(QDB_StartUpdate(mine_, 2, 13, key.data(), key.size(), r.data(), r.size()), 0u);
  EXPECT_EQ(lastError(), kQdbLocked);
  QDB_AbortUpdate(theirs);
}

TEST_F(Locks, CommitAfterTheHoldWasLostGives42AndChangesNothing) {
  Rec r(kApptSize);
  const auto key = idKey(1);
  QdbHandle update = QDB_StartUpdate(mine_, 2, 13, key.data(), key.size(), r.data(), r.size());
  ASSERT_NE(update, 0u);
  ASSERT_EQ(QDB_LKISAM(session_, 0), 1);  // frees the update's lock too
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  ASSERT_EQ(find(theirs_, 1, &t), 1);
  r.u32(6, 111);
  EXPECT_EQ(QDB_CommitUpdate(update), 0);
  EXPECT_EQ(lastError(), kQdbLocked);
  ASSERT_EQ(find(theirs_, 1, &t), 1);
  EXPECT_EQ(t.u32(6), 100u);
}

TEST_F(Locks, ClosingAFileAbortsItsUpdates) {
  QdbHandle file = open(kAppts);
  Rec r(kApptSize);
  const auto key = idKey(1);
  QdbHandle update = QDB_StartUpdate(file, 2, 13, key.data(), key.size(), r.data(), r.size());
  ASSERT_NE(update, 0u);
  ASSERT_EQ(QDB_CloseFile(file), 1);
  EXPECT_EQ(QDB_AbortUpdate(update), 0);
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  Rec t(kApptSize);
  EXPECT_EQ(find(theirs_, 1, &t), 1) << "its hold went with it";
}

TEST_F(Locks, ExclusiveOpenKeepsOtherSessionsOut) {
  EXPECT_EQ(QDB_OpenFileExclusive(session_, kAppts), 0u) << "the other session has it open";
  EXPECT_EQ(lastError(), kQdbLocked);
  ASSERT_EQ(QDB_CloseFile(theirs_), 1);
  QdbHandle only = QDB_OpenFileExclusive(session_, kAppts);
  ASSERT_NE(only, 0u) << "its own shared open does not stand in the way";
  EXPECT_EQ(open(kAppts, other_), 0u);
  EXPECT_EQ(lastError(other_), kQdbLocked);
  ASSERT_EQ(QDB_CloseFile(only), 1);
  ASSERT_NE(open(kAppts, other_), 0u) << "closing gave the file back";

  ASSERT_EQ(QDB_SetAccessMode(other_, 2), 1);
  EXPECT_EQ(QDB_GetAccessMode(other_), 2);
  EXPECT_EQ(open(kAppts, other_), 0u) << "mode 2 opens exclusively; this session has it open";
  EXPECT_EQ(lastError(other_), kQdbLocked);
  EXPECT_EQ(QDB_SetAccessMode(other_, 3), 0);
  EXPECT_EQ(lastError(other_), kQdbBadArgument);
}

// ---------------------------------------------------------------------------------------------
// A lock file that fails

class FailingLocks final : public vantrel::qrxdb::Env {
 public:
  class File final : public vantrel::qrxdb::LockFile {
   public:
    File(FailingLocks& owner, std::unique_ptr<LockFile> real)
        : owner_(owner), real_(std::move(real)) {}
    vantrel::qrxdb::LockOutcome tryLock(std::uint64_t offset, bool exclusive) override {
      if (owner_.failLocks) return vantrel::qrxdb::LockOutcome::kFailed;
      return real_->tryLock(offset, exclusive);
    }
    vantrel::qrxdb::LockOutcome unlock(std::uint64_t offset) override {
      return real_->unlock(offset);
    }

   private:
    FailingLocks& owner_;
    std::unique_ptr<LockFile> real_;
  };

  std::unique_ptr<vantrel::qrxdb::LockFile> openLockFile(const std::string& path) override {
    if (failOpen) return nullptr;
    return std::make_unique<File>(*this, real().openLockFile(path));
  }
  vantrel::qrxdb::PathKind pathKind(const std::string& p) override { return real().pathKind(p); }
  bool makeDirectories(const std::string& p) override { return real().makeDirectories(p); }
  int linkNoReplace(const std::string& a, const std::string& b) override {
    return real().linkNoReplace(a, b);
  }
  void removeFile(const std::string& p) override { real().removeFile(p); }
  bool syncDirectory(const std::string& p) override { return real().syncDirectory(p); }
  std::uint64_t nowMicros() override { return real().nowMicros(); }
  void sleepMicros(std::uint64_t m) override { real().sleepMicros(m); }
  int processId() override { return real().processId(); }

  bool failOpen = false;
  bool failLocks = false;

 private:
  static vantrel::qrxdb::Env& real() { return vantrel::qrxdb::defaultEnv(); }
};

class LockFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    vantrel::qrxdb::testing::setEnv(&env_);
    ASSERT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  }
  void TearDown() override {
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setEnv(nullptr);
  }
  TempDir dir_;
  FailingLocks env_;
};

TEST_F(LockFailures, UnusableLockFileRefusesTheSessionWith408) {
  env_.failOpen = true;
  EXPECT_EQ(QDB_StartSession(1), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbIoError);
}

TEST_F(LockFailures, FailedLockIsAnIoErrorNeverALockConflictOrASilentRead) {
  QdbSession s = QDB_StartSession(1);
  ASSERT_EQ(QDB_CREIFIL(s, apptDef()), 1);
  QdbHandle f = QDB_OpenFile(s, kAppts);
  Rec a = appt(100, "OP1");
  ASSERT_EQ(QDB_AddRec(f, a.data(), a.size()), 1);
  ASSERT_EQ(QDB_LKISAM(s, 2), 1);
  env_.failLocks = true;
  Rec r(kApptSize);
  const QdbPosition before = QDB_GetFilePos(f);
  ASSERT_EQ(QDB_SETCURI(f, before), 1);
  EXPECT_EQ(QDB_FirstRec(f, 10, r.data(), r.size()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbIoError);
  EXPECT_EQ(r, Rec(kApptSize));
  Rec b = appt(200, "OP1");
  EXPECT_EQ(QDB_AddRec(f, b.data(), b.size()), 0) << "an add that cannot lock is undone";
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbIoError);
  ASSERT_EQ(QDB_LKISAM(s, 0), 1);
  EXPECT_EQ(QDB_WriteRec(f, a.data(), a.size()), 0) << "a rewrite needs the lock too";
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbIoError);
  env_.failLocks = false;
  std::size_t count = 0;
  for (int ok = QDB_FirstRec(f, 10, r.data(), r.size()); ok;
       ok = QDB_NextRec(f, 10, r.data(), r.size())) {
    ++count;
  }
  EXPECT_EQ(count, 1u);
}

}  // namespace
}  // namespace qdbtest
