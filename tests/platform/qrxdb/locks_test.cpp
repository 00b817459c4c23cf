// Record locks, update holds and exclusive opens between sessions of one process (each session
// has its own lock file description, so they meet exactly as two processes would), and a lock
// file that fails.

#include <gtest/gtest.h>

#include "platform/qrxdb/env.h"
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
    theirs_ = open(kAppts, other_);
    ASSERT_NE(theirs_, 0u);
  }

  // Finds the appointment with identifier `id` (1, 2, 3 = dates 100, 200, 300).
  static int find(QdbHandle file, std::uint32_t id, Rec& r) {
    return findRec(file, 13, keyU32(id), r);
  }
  // The date their session reads for `id`, 0 when it cannot.
  std::uint32_t theirDate(std::uint32_t id) { return find(theirs_, id, t_) == 1 ? t_.u32(6) : 0; }
  QdbHandle startUpdate(QdbHandle file, std::uint32_t id, Rec& r, int mode = 2) {
    return QDB_StartUpdate(file, mode, 13, keyU32(id).data(), 4, r.data(), r.size());
  }

  QdbHandle mine_ = 0;
  QdbSession other_ = 0;
  QdbHandle theirs_ = 0;
  Rec r_{kApptSize};
  Rec t_{kApptSize};
};

TEST_F(Locks, LockingReadOfARecordAnotherSessionHoldsGives42AtOnce) {
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(find(mine_, 2, r_), 1);
  const QdbHandle second = open(kAppts);
  EXPECT_EQ(find(second, 2, r_), 1) << "a session never conflicts with itself";
  EXPECT_EQ(QDB_WriteRec(second, r_.data(), r_.size()), 1);

  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  ASSERT_EQ(find(theirs_, 1, t_), 1);
  const QdbPosition before = QDB_GetFilePos(theirs_);
  const Rec untouched = t_;
  EXPECT_TRUE(failed(find(theirs_, 2, t_), kQdbLocked, other_));
  EXPECT_EQ(t_, untouched) << "a refused read copies nothing";
  EXPECT_EQ(QDB_GetFilePos(theirs_), before) << "and makes nothing current";
  EXPECT_TRUE(failed(QDB_NextRec(theirs_, 13, t_.data(), t_.size()), kQdbLocked, other_))
      << "the walk meets it too";
  ASSERT_EQ(QDB_LKISAM(other_, 0), 1);
  EXPECT_EQ(theirDate(2), 200u) << "a plain read never fails for a lock";
}

TEST_F(Locks, RewriteOrDeleteOfAHeldRecordGives42AndChangesNothing) {
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(find(mine_, 2, r_), 1);
  ASSERT_EQ(find(theirs_, 2, t_), 1);
  Rec changed = t_;
  changed.u32(6, 4242);
  EXPECT_TRUE(failed(QDB_WriteRec(theirs_, changed.data(), changed.size()), kQdbLocked, other_));
  EXPECT_TRUE(failed(QDB_DeleteCurRec(theirs_), kQdbLocked, other_));
  EXPECT_EQ(theirDate(2), 200u);
  ASSERT_EQ(QDB_UnlockCurRecord(mine_), 1);
  EXPECT_EQ(QDB_WriteRec(theirs_, changed.data(), changed.size()), 1);
}

TEST_F(Locks, PauseKeepsHeldLocksAndUnlockFreesOnlyTheCurrentRecord) {
  ASSERT_EQ(QDB_StartLocking(session_), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 2);
  ASSERT_EQ(find(mine_, 1, r_), 1);
  ASSERT_EQ(QDB_PauseLocking(session_), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 1);
  ASSERT_EQ(find(mine_, 2, r_), 1);
  ASSERT_EQ(QDB_ResumeLocking(session_), 1);
  ASSERT_EQ(find(mine_, 3, r_), 1);
  Rec added = appt(400, "OP1");
  ASSERT_EQ(QDB_AddRec(mine_, added.data(), added.size()), 1) << "an add locks its record";
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  for (std::uint32_t id : {1u, 2u, 3u, 4u}) EXPECT_EQ(find(theirs_, id, t_), id == 2 ? 1 : 0) << id;
  ASSERT_EQ(find(mine_, 3, r_), 1);
  ASSERT_EQ(QDB_UnlockCurRecord(mine_), 1);
  EXPECT_EQ(find(theirs_, 3, t_), 1);
  EXPECT_EQ(find(theirs_, 1, t_), 0) << "the others stay held";
  ASSERT_EQ(QDB_StopLocking(session_), 1);
  EXPECT_EQ(QDB_GetLockMode(session_), 0);
  for (std::uint32_t id : {1u, 4u}) EXPECT_EQ(find(theirs_, id, t_), 1) << id;
  ASSERT_EQ(QDB_UnlockCurRecord(theirs_), 1);
  ASSERT_EQ(find(mine_, 4, r_), 1);
  EXPECT_EQ(find(theirs_, 4, t_), 1) << "locking stopped: reads lock nothing";
}

TEST_F(Locks, LockedWalkWaitsOnTheSameRecordAfter42) {
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  ASSERT_EQ(find(theirs_, 2, t_), 1);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  const Key all(9, 0);
  QdbHandle set = QDB_StartSet(mine_, 10, 0, all.data(), all.size(), r_.data(), r_.size(), 0);
  ASSERT_NE(set, 0u);
  EXPECT_EQ(r_.u32(6), 100u);
  EXPECT_TRUE(failed(QDB_NextRecInSet(set, r_.data(), r_.size()), kQdbLocked));
  EXPECT_EQ(QDB_NextRecInSet(set, r_.data(), r_.size()), 0) << "a retry meets the same record";
  ASSERT_EQ(QDB_LKISAM(other_, 0), 1);
  for (std::uint32_t date : {200u, 300u}) {
    EXPECT_EQ(QDB_NextRecInSet(set, r_.data(), r_.size()) == 1 ? r_.u32(6) : 0, date) << "skipped";
  }
}

TEST_F(Locks, UpdateHoldsTheRecordUntilCommitAbortOrClose) {
  QdbHandle update = startUpdate(mine_, 2, r_);
  ASSERT_EQ(update != 0 ? r_.u32(6) : 0, 200u);
  EXPECT_EQ(QDB_GetLockMode(session_), 0) << "an update holds without turning locking on";
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  EXPECT_TRUE(failed(find(theirs_, 2, t_), kQdbLocked, other_));
  r_.u32(6, 250);
  ASSERT_EQ(QDB_CommitUpdate(update), 1);
  EXPECT_EQ(theirDate(2), 250u) << "commit wrote the buffer back and let go";
  EXPECT_TRUE(failed(QDB_CommitUpdate(update), kQdbBadHandle)) << "the update ended";
  ASSERT_EQ(QDB_UnlockCurRecord(theirs_), 1);

  update = startUpdate(mine_, 3, r_);
  r_.u32(6, 999);
  ASSERT_EQ(QDB_AbortUpdate(update), 1);
  EXPECT_EQ(theirDate(3), 300u);
  ASSERT_EQ(QDB_UnlockCurRecord(theirs_), 1);

  QdbHandle file = open(kAppts);
  update = startUpdate(file, 1, r_);
  ASSERT_NE(update, 0u);
  ASSERT_EQ(QDB_CloseFile(file), 1);
  EXPECT_EQ(QDB_AbortUpdate(update), 0) << "closing the file ended its update";
  EXPECT_EQ(find(theirs_, 1, t_), 1) << "and its hold";
}

TEST_F(Locks, RefusedOrLostUpdateChangesNothing) {
  EXPECT_TRUE(failed(startUpdate(mine_, 9, r_), kQdbNotFound));
  EXPECT_TRUE(failed(startUpdate(mine_, 1, r_, 1), kQdbBadArgument));
  QdbHandle held = startUpdate(theirs_, 2, t_);
  ASSERT_NE(held, 0u);
  EXPECT_TRUE(failed(startUpdate(mine_, 2, r_), kQdbLocked));
  ASSERT_EQ(QDB_AbortUpdate(held), 1);

  QdbHandle update = startUpdate(mine_, 1, r_);
  ASSERT_NE(update, 0u);
  ASSERT_EQ(QDB_LKISAM(session_, 0), 1);  // frees the update's lock too
  ASSERT_EQ(QDB_LKISAM(other_, 2), 1);
  ASSERT_EQ(find(theirs_, 1, t_), 1);
  r_.u32(6, 111);
  EXPECT_TRUE(failed(QDB_CommitUpdate(update), kQdbLocked));
  EXPECT_EQ(theirDate(1), 100u);
}

TEST_F(Locks, ExclusiveOpenKeepsOtherSessionsOut) {
  EXPECT_TRUE(failed(QDB_OpenFileExclusive(session_, kAppts), kQdbLocked))
      << "the other session has it open";
  ASSERT_EQ(QDB_CloseFile(theirs_), 1);
  QdbHandle only = QDB_OpenFileExclusive(session_, kAppts);
  ASSERT_NE(only, 0u) << "its own shared open does not stand in the way";
  EXPECT_TRUE(failed(open(kAppts, other_), kQdbLocked, other_));
  ASSERT_EQ(QDB_CloseFile(only), 1);
  ASSERT_NE(open(kAppts, other_), 0u) << "closing gave the file back";
  ASSERT_EQ(QDB_SetAccessMode(other_, 2), 1);
  EXPECT_EQ(QDB_GetAccessMode(other_), 2);
  EXPECT_TRUE(failed(open(kAppts, other_), kQdbLocked, other_))
      << "mode 2 opens exclusively; this session has it open";
  EXPECT_TRUE(failed(QDB_SetAccessMode(other_, 3), kQdbBadArgument, other_));
}

// A lock file the system cannot open or lock.
class FailingLocks final : public ForwardingEnv {
 public:
  struct File final : vantrel::qrxdb::LockFile {
    File(FailingLocks& owner, std::unique_ptr<LockFile> real)
        : owner(owner), real(std::move(real)) {}
    vantrel::qrxdb::LockOutcome tryLock(std::uint64_t offset, bool exclusive) override {
      return owner.failLocks ? vantrel::qrxdb::LockOutcome::kFailed
                             : real->tryLock(offset, exclusive);
    }
    vantrel::qrxdb::LockOutcome unlock(std::uint64_t offset) override {
      return real->unlock(offset);
    }
    FailingLocks& owner;
    std::unique_ptr<LockFile> real;
  };
  std::unique_ptr<vantrel::qrxdb::LockFile> openLockFile(const std::string& path) override {
    return failOpen ? nullptr : std::make_unique<File>(*this, ForwardingEnv::openLockFile(path));
  }
  bool failOpen = false, failLocks = false;
};

struct LockFailures : DatabaseTest {
  FailingLocks env_;
};

TEST_F(LockFailures, FailedLockIsAnIoErrorNeverALockConflictOrASilentRead) {
  reopenWith(&env_);
  env_.failOpen = true;
  EXPECT_TRUE(qdbtest::failed(QDB_StartSession(1), kQdbIoError, 0)) << "no lock file, no session";
  env_.failOpen = false;
  QdbHandle f = createAndOpen(apptDef());
  Rec a = appt(100, "OP1");
  ASSERT_EQ(QDB_AddRec(f, a.data(), a.size()), 1);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  env_.failLocks = true;
  Rec r(kApptSize);
  EXPECT_TRUE(failed(QDB_FirstRec(f, 10, r.data(), r.size()), kQdbIoError));
  EXPECT_EQ(r, Rec(kApptSize));
  Rec b = appt(200, "OP1");
  EXPECT_TRUE(failed(QDB_AddRec(f, b.data(), b.size()), kQdbIoError))
      << "an add that cannot lock is undone";
  ASSERT_EQ(QDB_LKISAM(session_, 0), 1);
  EXPECT_TRUE(failed(QDB_WriteRec(f, a.data(), a.size()), kQdbIoError))
      << "a rewrite needs the lock too";
  env_.failLocks = false;
  EXPECT_EQ(walk(f, 10, kApptSize, 6), (std::vector<std::uint32_t>{100}));
}

}  // namespace
}  // namespace qdbtest
