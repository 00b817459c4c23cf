// Several processes on one data directory: locks between processes, a holder or a writer killed,
// concurrent adders, files and records changed by another process. A process must not carry an
// open database across fork(), so children are forked while the parent has none open.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "platform/qrxdb/testing.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"
#include "tests/support/child_process.h"

extern char** environ;

namespace qdbtest {
namespace {

using vantrel::test::ChildProcess;

// Record bytes after the identifier carry a checksum, so a torn record cannot pass.
constexpr std::size_t kSumAt = kApptSize - 4;
std::uint32_t fnv(const Rec& r) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 6; i < kSumAt; ++i) h = (h ^ r.data()[i]) * 16777619u;
  return h;
}
Rec checkedAppt(std::uint32_t writer, std::uint32_t seq) {
  Rec r = appt(1000 + seq % 50, "OP1", writer);
  r.u32(58, seq);
  for (std::size_t i = 62; i < kSumAt; ++i) r.u8(i, static_cast<std::uint8_t>(seq * 31 + i));
  return r.u32(kSumAt, fnv(r));
}
bool whole(const Rec& r) { return r.u32(kSumAt) == fnv(r); }

class Processes : public ::testing::Test {
 protected:
  void SetUp() override { makeApptDatabase(dir_); }
  void TearDown() override {
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setEnv(nullptr);
  }
  ::testing::AssertionResult failed(std::int64_t result, int error) const {
    return qdbtest::failed(result, error, session_);
  }

  // Opens the database in this process with a session and the appointments open.
  bool openAppts() {
    if (QDB_InitDataBase(dir_.path().c_str()) != 1) return false;
    session_ = QDB_StartSession(1);
    appts_ = QDB_OpenFile(session_, kAppts);
    return appts_ != 0;
  }
  int findId(std::uint32_t id, Rec& r) { return findRec(appts_, 13, keyU32(id), r); }

  TempDir dir_;
  QdbSession session_ = 0;
  QdbHandle appts_ = 0;
  Rec r_{kApptSize};
  StoppedClockEnv clock_;
};

TEST_F(Processes, LockHeldByAnotherProcessGives42UntilThatProcessIsKilled) {
  ChildProcess holder([&](ChildProcess& self) {
    if (!openAppts() || QDB_LKISAM(session_, 2) != 1 || findId(2, r_) != 1) return 1;
    self.send('L');
    for (;;) ::pause();
  });
  ASSERT_EQ(holder.receive(), 'L');
  ASSERT_TRUE(openAppts());
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  EXPECT_TRUE(failed(findId(2, r_), kQdbLocked));
  EXPECT_EQ(findId(1, r_), 1) << "other records are free";
  ASSERT_EQ(QDB_LKISAM(session_, 0), 1);
  ASSERT_EQ(findId(2, r_), 1) << "a plain read succeeds";
  EXPECT_TRUE(failed(QDB_WriteRec(appts_, r_.data(), r_.size()), kQdbLocked));
  holder.kill();
  EXPECT_EQ(holder.wait(), 128 + SIGKILL);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  EXPECT_EQ(findId(2, r_), 1) << "the dead holder's lock is gone";
}

TEST_F(Processes, NeitherAForkedChildNorAStartedProgramHoldsTheSessionsLocks) {
  ASSERT_TRUE(openAppts());
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(findId(1, r_), 1);
  // The child shares the parent's lock file description: were it to use the inherited session,
  // ending it would free the parent's locks.
  ChildProcess child([&](ChildProcess&) {
    if (QDB_EndSession(session_) != 0) return 1;
    if (QDB_GetLastErrorNum(0) != kQdbNotInitialised) return 2;
    return QDB_LKISAM(session_, 0) != 0 ? 3 : 0;
  });
  EXPECT_EQ(child.wait(), 0);
  QdbSession other = QDB_StartSession(1);
  QdbHandle theirs = QDB_OpenFile(other, kAppts);
  ASSERT_EQ(QDB_LKISAM(other, 2), 1);
  EXPECT_TRUE(qdbtest::failed(findRec(theirs, 13, keyU32(1), r_), kQdbLocked, other))
      << "the parent still holds its lock";
  EXPECT_EQ(findId(2, r_), 1) << "and its session still works";

  // A program started now (as sibling modules are) must not inherit the lock file description.
  pid_t sleeper = 0;
  char sleep[] = "/bin/sleep", seconds[] = "30";
  char* argv[] = {sleep, seconds, nullptr};
  ASSERT_EQ(::posix_spawn(&sleeper, sleep, nullptr, nullptr, argv, environ), 0);
  ASSERT_EQ(QDB_EndSession(session_), 1);
  EXPECT_EQ(findRec(theirs, 13, keyU32(1), r_), 1)
      << "the lock went with the session, though the program lives";
  EXPECT_TRUE(qdbtest::failed(findId(2, r_), kQdbBadHandle, 0)) << "and so did its handles";
  ::kill(sleeper, SIGKILL);
  ::waitpid(sleeper, nullptr, 0);
}

TEST_F(Processes, WriterKilledMidStreamLeavesAWholeDatabase) {
  for (std::uint32_t round = 1; round <= 4; ++round) {
    ChildProcess writer([&](ChildProcess& self) {
      if (!openAppts()) return 1;
      for (std::uint32_t seq = 0;; ++seq) {
        Rec r = checkedAppt(round, seq);
        if (QDB_AddRec(appts_, r.data(), r.size()) != 1) return 2;
        if (seq % 3 == 0) {  // rewrite and delete now and then, so every kind of write is cut
          Rec again = checkedAppt(round, seq + 1000000).u32(2, r.u32(2));
          if (QDB_WriteRec(appts_, again.data(), again.size()) != 1) return 3;
        }
        if (seq % 7 == 0 && QDB_DeleteCurRec(appts_) != 1) return 4;
        if (seq == 20) self.send('S');
      }
    });
    ASSERT_EQ(writer.receive(), 'S') << "round " << round;
    std::this_thread::sleep_for(std::chrono::milliseconds((round - 1) * 13));
    writer.kill();
    ASSERT_EQ(writer.wait(), 128 + SIGKILL) << "the writer failed by itself";
    EXPECT_EQ(integrity(dir_), "ok") << "round " << round;

    ASSERT_TRUE(openAppts());
    std::set<std::uint32_t> ids;
    std::size_t writtenThisRound = 0;
    for (int ok = QDB_FirstRec(appts_, 9, r_.data(), r_.size()); ok;
         ok = QDB_NextRec(appts_, 9, r_.data(), r_.size())) {
      if (r_.u32(6) < 1000) continue;  // the three from the start
      EXPECT_TRUE(whole(r_)) << "torn record, identifier " << r_.u32(2);
      EXPECT_TRUE(ids.insert(r_.u32(2)).second) << "identifier twice: " << r_.u32(2);
      if (r_.u32(54) == round) ++writtenThisRound;
    }
    EXPECT_GE(writtenThisRound, 15u);
    EXPECT_EQ(walk(appts_, 13, kApptSize, 2).size(), ids.size() + 3)
        << "every key holds the same records";
    QDB_CloseDataBase();
  }
}

TEST_F(Processes, ConcurrentAddersNeverShareAnIdentifierAndLoseNoRecord) {
  constexpr std::uint32_t kWriters = 4;
  constexpr std::uint32_t kEach = 60;
  std::vector<std::unique_ptr<ChildProcess>> writers;
  for (std::uint32_t w = 1; w <= kWriters; ++w) {
    writers.push_back(std::make_unique<ChildProcess>([&, w](ChildProcess& self) {
      if (self.receive() != 'G' || !openAppts()) return 2;  // all start together
      for (std::uint32_t seq = 0; seq < kEach; ++seq) {
        Rec r = checkedAppt(w, seq);
        if (QDB_AddRec(appts_, r.data(), r.size()) != 1) return 3;
      }
      return 0;
    }));
  }
  for (auto& w : writers) ASSERT_TRUE(w->send('G'));
  for (auto& w : writers) EXPECT_EQ(w->wait(), 0);

  ASSERT_TRUE(openAppts());
  std::set<std::uint32_t> ids;
  std::map<std::uint32_t, std::set<std::uint32_t>> seqsOf;
  for (int ok = QDB_FirstRec(appts_, 13, r_.data(), r_.size()); ok;
       ok = QDB_NextRec(appts_, 13, r_.data(), r_.size())) {
    EXPECT_TRUE(ids.insert(r_.u32(2)).second) << r_.u32(2);
    if (r_.u32(6) >= 1000) {
      EXPECT_TRUE(whole(r_));
      EXPECT_TRUE(seqsOf[r_.u32(54)].insert(r_.u32(58)).second);
    }
  }
  EXPECT_EQ(ids.size(), 3 + kWriters * kEach);
  for (std::uint32_t w = 1; w <= kWriters; ++w) EXPECT_EQ(seqsOf[w].size(), kEach) << w;
  EXPECT_EQ(*ids.rbegin(), 3 + kWriters * kEach) << "identifiers follow each other";
}

TEST_F(Processes, FileCreatedByAnotherProcessOpensByNumber) {
  ChildProcess creator([&](ChildProcess& self) {
    if (self.receive() != 'G' || QDB_InitDataBase(dir_.path().c_str()) != 1) return 1;
    QdbSession s = QDB_StartSession(1);
    if (QDB_CREIFIL(s, peopleDef()) != 1) return 2;
    Rec p = person("Adams", "Ann", "C1");
    if (QDB_AddRec(QDB_OpenFile(s, kPeople), p.data(), p.size()) != 1) return 3;
    self.send('D');
    return 0;
  });
  ASSERT_TRUE(openAppts());
  EXPECT_TRUE(failed(QDB_OpenFile(session_, kPeople), kQdbNotCreated));
  ASSERT_TRUE(creator.send('G'));
  ASSERT_EQ(creator.receive(), 'D');
  EXPECT_EQ(creator.wait(), 0);
  QdbHandle people = QDB_OpenFile(session_, 20);
  ASSERT_NE(people, 0u) << QDB_GetLastErrorNum(session_);
  Rec r(kPersonSize);
  ASSERT_EQ(QDB_FirstRec(people, 20, r.data(), r.size()), 1);
  EXPECT_EQ(r.text(10), "Adams");
}

TEST_F(Processes, LockedReadGivesTheRecordAsItIsNotAsItWasFetched) {
  ChildProcess rewriter([&](ChildProcess& self) {
    if (self.receive() != 'G' || !openAppts() || findId(3, r_) != 1) return 2;
    r_.u32(54, 4242);
    if (QDB_WriteRec(appts_, r_.data(), r_.size()) != 1) return 3;
    self.send('D');
    return 0;
  });
  vantrel::qrxdb::testing::setEnv(&clock_);
  ASSERT_TRUE(openAppts());
  ASSERT_EQ(QDB_FirstRec(appts_, 10, r_.data(), r_.size()), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);  // fetches 300 along with 200
  EXPECT_EQ(r_.u32(6), 200u);
  ASSERT_TRUE(rewriter.send('G'));
  ASSERT_EQ(rewriter.receive(), 'D');
  EXPECT_EQ(rewriter.wait(), 0);
  ASSERT_EQ(QDB_LKISAM(session_, 2), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 300u);
  EXPECT_EQ(r_.u32(54), 4242u) << "a locked read must not hand out bytes fetched before the lock";
}

}  // namespace
}  // namespace qdbtest
