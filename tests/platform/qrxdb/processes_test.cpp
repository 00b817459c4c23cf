// Several processes on one data directory: record locks between processes and what happens
// when a holder or a writer is killed, concurrent adders, and files or records changed by
// another process while this one has the database open.
//
// A process must not carry an open database across fork(), so every child here is forked
// while the parent has none open, and opens its own.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "platform/qrxdb/env.h"
#include "platform/qrxdb/testing.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"
#include "tests/support/child_process.h"

extern char** environ;

namespace qdbtest {
namespace {

using vantrel::test::ChildProcess;

// Record bytes after the identifier carry a checksum, so a torn record cannot pass.
std::uint32_t fnv(const std::uint8_t* p, std::size_t n) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}
constexpr std::size_t kSumAt = kApptSize - 4;

Rec checkedAppt(std::uint32_t writer, std::uint32_t seq) {
  Rec r = appt(1000 + seq % 50, "OP1", writer);
  r.u32(58, seq);
  for (std::size_t i = 62; i < kSumAt; ++i) r.u8(i, static_cast<std::uint8_t>(seq * 31 + i));
  r.u32(kSumAt, fnv(r.data() + 6, kSumAt - 6));
  return r;
}
bool whole(const Rec& r) { return r.u32(kSumAt) == fnv(r.data() + 6, kSumAt - 6); }

// Opens the database of `dir` in this process with a session and the appointments open.
struct Opened {
  QdbSession session = 0;
  QdbHandle appts = 0;
};
Opened openAppts(const TempDir& dir) {
  Opened o;
  if (QDB_InitDataBase(dir.path().c_str()) != 1) return o;
  o.session = QDB_StartSession(1);
  o.appts = QDB_OpenFile(o.session, kAppts);
  return o;
}

class Processes : public ::testing::Test {
 protected:
  // A database with three appointments (identifiers 1-3), closed again before any fork.
  void SetUp() override {
    ASSERT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
    QdbSession s = QDB_StartSession(1);
    ASSERT_EQ(QDB_CREIFIL(s, apptDef()), 1);
    QdbHandle f = QDB_OpenFile(s, kAppts);
    for (std::uint32_t date : {100u, 200u, 300u}) {
      Rec r = appt(date, "OP1", date);
      ASSERT_EQ(QDB_AddRec(f, r.data(), r.size()), 1);
    }
    QDB_CloseDataBase();
  }
  void TearDown() override { QDB_CloseDataBase(); }

  static int findId(QdbHandle f, std::uint32_t id, Rec* r) {
    const auto key = keyU32(id);
    return QDB_FindRec(f, 13, key.data(), key.size(), r->data(), r->size());
  }

  TempDir dir_;
};

TEST_F(Processes, LockHeldByAnotherProcessGives42UntilThatProcessIsKilled) {
  ChildProcess holder([&](ChildProcess& self) {
    Opened o = openAppts(dir_);
    Rec r(kApptSize);
    if (o.appts == 0 || QDB_LKISAM(o.session, 2) != 1 || findId(o.appts, 2, &r) != 1) return 1;
    self.send('L');
    for (;;) ::pause();
  });
  ASSERT_EQ(holder.receive(), 'L');

  Opened o = openAppts(dir_);
  ASSERT_NE(o.appts, 0u);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LKISAM(o.session, 2), 1);
  EXPECT_EQ(findId(o.appts, 2, &r), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(o.session), kQdbLocked);
  EXPECT_EQ(findId(o.appts, 1, &r), 1) << "other records are free";
  ASSERT_EQ(QDB_LKISAM(o.session, 0), 1);
  ASSERT_EQ(findId(o.appts, 2, &r), 1) << "a plain read succeeds";
  EXPECT_EQ(r.u32(6), 200u);
  EXPECT_EQ(QDB_WriteRec(o.appts, r.data(), r.size()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(o.session), kQdbLocked);

  holder.kill();
  EXPECT_EQ(holder.wait(), 128 + SIGKILL);
  ASSERT_EQ(QDB_LKISAM(o.session, 2), 1);
  EXPECT_EQ(findId(o.appts, 2, &r), 1) << "the dead holder's lock is gone";
}

TEST_F(Processes, ForkedChildCannotUseOrFreeItsParentsSession) {
  Opened o = openAppts(dir_);
  ASSERT_NE(o.appts, 0u);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LKISAM(o.session, 2), 1);
  ASSERT_EQ(findId(o.appts, 1, &r), 1);
  // The child shares the parent's lock file description: were it to use the inherited session,
  // ending it would free the parent's locks.
  ChildProcess child([&](ChildProcess&) {
    if (QDB_EndSession(o.session) != 0) return 1;
    if (QDB_GetLastErrorNum(0) != kQdbNotInitialised) return 2;
    if (QDB_LKISAM(o.session, 0) != 0) return 3;
    return 0;
  });
  EXPECT_EQ(child.wait(), 0);

  QdbSession other = QDB_StartSession(1);
  QdbHandle theirs = QDB_OpenFile(other, kAppts);
  ASSERT_EQ(QDB_LKISAM(other, 2), 1);
  EXPECT_EQ(findId(theirs, 1, &r), 0) << "the parent still holds its lock";
  EXPECT_EQ(QDB_GetLastErrorNum(other), kQdbLocked);
  EXPECT_EQ(findId(o.appts, 2, &r), 1) << "and its session still works";
}

TEST_F(Processes, StartedProgramDoesNotKeepTheSessionsLocks) {
  Opened o = openAppts(dir_);
  ASSERT_NE(o.appts, 0u);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LKISAM(o.session, 2), 1);
  ASSERT_EQ(findId(o.appts, 1, &r), 1);
  // A program started now (as sibling modules are) must not inherit the lock file description.
  pid_t sleeper = 0;
  char sleepPath[] = "/bin/sleep";
  char seconds[] = "30";
  char* argv[] = {sleepPath, seconds, nullptr};
  ASSERT_EQ(::posix_spawn(&sleeper, sleepPath, nullptr, nullptr, argv, environ), 0);
  ASSERT_EQ(QDB_EndSession(o.session), 1);

  QdbSession other = QDB_StartSession(1);
  QdbHandle f = QDB_OpenFile(other, kAppts);
  ASSERT_EQ(QDB_LKISAM(other, 2), 1);
  EXPECT_EQ(findId(f, 1, &r), 1) << "the lock went with the session, though the program lives";
  ::kill(sleeper, SIGKILL);
  ::waitpid(sleeper, nullptr, 0);
}

TEST_F(Processes, WriterKilledMidStreamLeavesAWholeDatabase) {
  std::uint32_t round = 0;
  for (int delayMs : {0, 7, 23, 41}) {
    ++round;
    ChildProcess writer([&](ChildProcess& self) {
      Opened o = openAppts(dir_);
      if (o.appts == 0) return 1;
      for (std::uint32_t seq = 0;; ++seq) {
        Rec r = checkedAppt(round, seq);
        if (QDB_AddRec(o.appts, r.data(), r.size()) != 1) return 2;
        if (seq % 3 == 0) {  // rewrite and delete now and then, so every kind of write is cut
          Rec again = checkedAppt(round, seq + 1000000);
          again.u32(2, r.u32(2));  // keeps its identifier
          if (QDB_WriteRec(o.appts, again.data(), again.size()) != 1) return 3;
        }
        if (seq % 7 == 0 && QDB_DeleteCurRec(o.appts) != 1) return 4;
        if (seq == 20) self.send('S');
      }
    });
    ASSERT_EQ(writer.receive(), 'S') << "round " << round;
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    writer.kill();
    ASSERT_EQ(writer.wait(), 128 + SIGKILL) << "the writer failed by itself";

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(dir_.file("qrxdata.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
    sqlite3_finalize(st);
    sqlite3_close(db);

    Opened o = openAppts(dir_);
    ASSERT_NE(o.appts, 0u);
    Rec r(kApptSize);
    std::set<std::uint32_t> ids;
    std::size_t writtenThisRound = 0;
    for (int ok = QDB_FirstRec(o.appts, 9, r.data(), r.size()); ok;
         ok = QDB_NextRec(o.appts, 9, r.data(), r.size())) {
      if (r.u32(6) < 1000) continue;  // the three from the start
      EXPECT_TRUE(whole(r)) << "torn record, identifier " << r.u32(2);
      EXPECT_TRUE(ids.insert(r.u32(2)).second) << "identifier twice: " << r.u32(2);
      if (r.u32(54) == round) ++writtenThisRound;
    }
    EXPECT_GE(writtenThisRound, 15u);
    std::size_t byIdentifier = 0;
    for (int ok = QDB_FirstRec(o.appts, 13, r.data(), r.size()); ok;
         ok = QDB_NextRec(o.appts, 13, r.data(), r.size())) {
      ++byIdentifier;
    }
    EXPECT_EQ(byIdentifier, ids.size() + 3) << "every key holds the same records";
    QDB_CloseDataBase();
  }
}

TEST_F(Processes, ConcurrentAddersNeverShareAnIdentifierAndLoseNoRecord) {
  constexpr std::uint32_t kWriters = 4;
  constexpr std::uint32_t kEach = 60;
  std::vector<std::unique_ptr<ChildProcess>> writers;
  for (std::uint32_t w = 1; w <= kWriters; ++w) {
    writers.push_back(std::make_unique<ChildProcess>([&, w](ChildProcess& self) {
      if (self.receive() != 'G') return 1;  // all start together
      Opened o = openAppts(dir_);
      if (o.appts == 0) return 2;
      for (std::uint32_t seq = 0; seq < kEach; ++seq) {
        Rec r = checkedAppt(w, seq);
        if (QDB_AddRec(o.appts, r.data(), r.size()) != 1) return 3;
      }
      return 0;
    }));
  }
  for (auto& w : writers) ASSERT_TRUE(w->send('G'));
  for (auto& w : writers) EXPECT_EQ(w->wait(), 0);

  Opened o = openAppts(dir_);
  ASSERT_NE(o.appts, 0u);
  Rec r(kApptSize);
  std::set<std::uint32_t> ids;
  std::map<std::uint32_t, std::set<std::uint32_t>> seqsOf;
  for (int ok = QDB_FirstRec(o.appts, 13, r.data(), r.size()); ok;
       ok = QDB_NextRec(o.appts, 13, r.data(), r.size())) {
    EXPECT_TRUE(ids.insert(r.u32(2)).second) << r.u32(2);
    if (r.u32(6) >= 1000) {
      EXPECT_TRUE(whole(r));
      EXPECT_TRUE(seqsOf[r.u32(54)].insert(r.u32(58)).second);
    }
  }
  EXPECT_EQ(ids.size(), 3 + kWriters * kEach);
  for (std::uint32_t w = 1; w <= kWriters; ++w) EXPECT_EQ(seqsOf[w].size(), kEach) << w;
  EXPECT_EQ(*ids.rbegin(), 3 + kWriters * kEach) << "identifiers follow each other";
}

TEST_F(Processes, FileCreatedByAnotherProcessOpensByNumber) {
  ChildProcess creator([&](ChildProcess& self) {
    if (self.receive() != 'G') return 1;
    if (QDB_InitDataBase(dir_.path().c_str()) != 1) return 2;
    QdbSession s = QDB_StartSession(1);
    if (QDB_CREIFIL(s, peopleDef()) != 1) return 3;
    QdbHandle f = QDB_OpenFile(s, kPeople);
    Rec p = person("Adams", "Ann", "C1");
    if (QDB_AddRec(f, p.data(), p.size()) != 1) return 4;
    self.send('D');
    return 0;
  });
  Opened o = openAppts(dir_);
  ASSERT_NE(o.appts, 0u);
  EXPECT_EQ(QDB_OpenFile(o.session, kPeople), 0u);
  EXPECT_EQ(QDB_GetLastErrorNum(o.session), kQdbNotCreated);
  ASSERT_TRUE(creator.send('G'));
  ASSERT_EQ(creator.receive(), 'D');
  EXPECT_EQ(creator.wait(), 0);
  QdbHandle people = QDB_OpenFile(o.session, 20);
  ASSERT_NE(people, 0u) << QDB_GetLastErrorNum(o.session);
  Rec r(kPersonSize);
  ASSERT_EQ(QDB_FirstRec(people, 20, r.data(), r.size()), 1);
  EXPECT_EQ(r.text(10), "Adams");
}

TEST_F(Processes, LockedReadGivesTheRecordAsItIsNotAsItWasFetched) {
  ChildProcess rewriter([&](ChildProcess& self) {
    if (self.receive() != 'G') return 1;
    Opened o = openAppts(dir_);
    Rec r(kApptSize);
    if (o.appts == 0 || findId(o.appts, 3, &r) != 1) return 2;
    r.u32(54, 4242);
    if (QDB_WriteRec(o.appts, r.data(), r.size()) != 1) return 3;
    self.send('D');
    return 0;
  });
  StoppedClockEnv clock;
  vantrel::qrxdb::testing::setEnv(&clock);
  Opened o = openAppts(dir_);
  ASSERT_NE(o.appts, 0u);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_FirstRec(o.appts, 10, r.data(), r.size()), 1);
  ASSERT_EQ(QDB_NextRec(o.appts, 10, r.data(), r.size()), 1);  // fetches 300 along with 200
  EXPECT_EQ(r.u32(6), 200u);
  ASSERT_TRUE(rewriter.send('G'));
  ASSERT_EQ(rewriter.receive(), 'D');
  EXPECT_EQ(rewriter.wait(), 0);
  ASSERT_EQ(QDB_LKISAM(o.session, 2), 1);
  ASSERT_EQ(QDB_NextRec(o.appts, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 300u);
  EXPECT_EQ(r.u32(54), 4242u) << "a locked read must not hand out bytes fetched before the lock";
  QDB_CloseDataBase();
  vantrel::qrxdb::testing::setEnv(nullptr);
}

}  // namespace
}  // namespace qdbtest
