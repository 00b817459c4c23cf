// Writes that meet a failing disk: the 1st, 2nd, ... write, sync or truncate of an operation
// fails. The call must succeed or fail with the I/O error, the database stay whole and hold the
// records as before the call or, only if the call could have gone through, as after it.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <map>

#include "platform/qrxdb/testing.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace qdbtest {
namespace {

// A VFS over SQLite's own. Its files are SQLite's own files; only their method table is swapped
// for a copy whose write, sync and truncate count first and fail at the chosen one.
struct Faults {
  int failAt = 0;  // 0: never
  int count = 0;
  bool struck = false;
} faults;
sqlite3_vfs* realVfs = nullptr;
std::map<const sqlite3_io_methods*, sqlite3_io_methods> faultyOf;  // one copy per kind of file
constexpr const char* kFaultyVfs = "qrxdb-test-faulty";

const sqlite3_io_methods& real(sqlite3_file* f) {
  for (const auto& [real, faulty] : faultyOf) {
    if (&faulty == f->pMethods) return *real;
  }
  std::abort();
}

bool strike() {
  if (faults.failAt == 0 || ++faults.count != faults.failAt) return false;
  return faults.struck = true;
}

int faultyOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  const int rc = realVfs->xOpen(realVfs, name, f, flags, outFlags);
  if (rc != SQLITE_OK || f->pMethods == nullptr) return rc;
  auto [it, fresh] = faultyOf.try_emplace(f->pMethods, *f->pMethods);
  if (fresh) {
    it->second.xWrite = [](sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
      return strike() ? SQLITE_IOERR_WRITE : real(f).xWrite(f, p, n, at);
    };
    it->second.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
      return strike() ? SQLITE_IOERR_TRUNCATE : real(f).xTruncate(f, size);
    };
    it->second.xSync = [](sqlite3_file* f, int flags) {
      return strike() ? SQLITE_IOERR_FSYNC : real(f).xSync(f, flags);
    };
  }
  f->pMethods = &it->second;
  return rc;
}

void registerFaultyVfs() {
  static sqlite3_vfs vfs;
  if (realVfs != nullptr) return;
  realVfs = sqlite3_vfs_find(nullptr);
  vfs = *realVfs;
  vfs.pNext = nullptr;
  vfs.zName = kFaultyVfs;
  vfs.xOpen = faultyOpen;
  ASSERT_EQ(sqlite3_vfs_register(&vfs, 0), SQLITE_OK);
}

using Contents = std::map<std::uint32_t, std::vector<std::uint8_t>>;  // identifier -> record

Contents contents(QdbHandle f) {
  Contents out;
  Rec r(kPersonSize);
  for (int ok = QDB_FirstRec(f, 19, r.data(), r.size()); ok;
       ok = QDB_NextRec(f, 19, r.data(), r.size())) {
    out[r.u32(2)] = r.bytes();
  }
  return out;
}

enum class Op { kAdd, kRewrite, kDelete, kCreateFile };
constexpr const char* kOpNames[] = {"Add", "Rewrite", "Delete", "CreateFile"};

class FailingDisk : public ::testing::TestWithParam<Op> {
 protected:
  void SetUp() override { registerFaultyVfs(); }
  void TearDown() override {
    faults = Faults{};
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setSqliteVfs("");
  }
};

TEST_P(FailingDisk, EveryFailedWriteLeavesTheRecordsBeforeOrAfterAndTheFileWhole) {
  const Op op = GetParam();
  int failures = 0;
  for (int failAt = 1; failAt < 200; ++failAt) {
    TempDir dir;
    ASSERT_EQ(QDB_CreateDataBase(dir.path().c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
    QdbSession s = QDB_StartSession(1);
    ASSERT_EQ(QDB_CREIFIL(s, peopleDef()), 1);
    QdbHandle f = QDB_OpenFile(s, kPeople);
    for (const char* chart : {"C1", "C2", "C3"}) {
      ASSERT_EQ(QDB_AddRec(f, person("Name", chart, chart).data(), kPersonSize), 1);
    }
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setSqliteVfs(kFaultyVfs);
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
    f = QDB_OpenFile(s = QDB_StartSession(1), kPeople);
    const Contents before = contents(f);
    Contents after = before;
    Rec r(kPersonSize);
    ASSERT_EQ(findRec(f, 19, keyU32(2), r), 1);

    faults = Faults{failAt, 0, false};
    int result = 0;
    switch (op) {
      case Op::kAdd: {
        Rec p = person("New", "Person", "C4");
        result = QDB_AddRec(f, p.data(), p.size());
        after[4] = p.u32(2, 4).bytes();
        break;
      }
      case Op::kRewrite:
        result = QDB_WriteRec(f, r.text(10, 21, "Renamed").data(), r.size());
        after[2] = r.bytes();
        break;
      case Op::kDelete:
        result = QDB_DeleteCurRec(f);
        after.erase(2);
        break;
      case Op::kCreateFile:
        result = QDB_CREIFIL(s, apptDef());
        break;
    }
    const bool struck = faults.struck;
    const int error = QDB_GetLastErrorNum(s);
    faults = Faults{};
    if (struck) {
      ++failures;
      EXPECT_TRUE(result == 1 || error == kQdbIoError) << "write " << failAt << ": " << error;
      EXPECT_EQ(QDB_AddRec(f, person("Later", "Person", "C9").data(), kPersonSize), 1)
          << "the database goes on working after write " << failAt << " failed";
      if (QDB_GetLastErrorNum(s) == 0) QDB_DeleteCurRec(f);
    } else {
      EXPECT_EQ(result, 1) << "no fault was met, yet the call failed with " << error;
    }
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setSqliteVfs("");

    EXPECT_EQ(integrity(dir), "ok") << "write " << failAt;
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
    s = QDB_StartSession(1);
    const Contents now = contents(QDB_OpenFile(s, kPeople));
    if (op == Op::kCreateFile) {
      EXPECT_EQ(now, before);
      const bool created = QDB_OpenFile(s, kAppts) != 0;
      EXPECT_TRUE(created || result != 1) << "write " << failAt << ": a success that did not last";
      EXPECT_TRUE(created || QDB_GetLastErrorNum(s) == kQdbNotCreated) << "half made";
    } else if (result == 1) {
      EXPECT_EQ(now, after) << "write " << failAt << ": a success that did not last";
    } else {
      EXPECT_TRUE(now == before || now == after) << "write " << failAt << ": half a write";
    }
    QDB_CloseDataBase();
    if (!struck) break;
  }
  EXPECT_GE(failures, 2) << "the operation never met a fault";
}

INSTANTIATE_TEST_SUITE_P(Writes, FailingDisk,
                         ::testing::Values(Op::kAdd, Op::kRewrite, Op::kDelete, Op::kCreateFile),
                         [](const auto& info) { return std::string(kOpNames[int(info.param)]); });

}  // namespace
}  // namespace qdbtest
