// Writes that meet a failing disk: the 1st, 2nd, ... write or sync of an operation fails. Every
// time the call must succeed or fail with the I/O error, the database must stay whole, and it
// must hold the records as they were before the call or, only if the call could have gone
// through, as they are after it.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <map>

#include "platform/qrxdb/testing.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace qdbtest {
namespace {

// ---------------------------------------------------------------------------------------------
// A VFS that passes everything to SQLite's own, except that it can fail the Nth write, sync or
// truncate.

struct Faults {
  int failAt = 0;  // 0: never
  int count = 0;
  bool struck = false;
};
Faults faults;
sqlite3_vfs* realVfs = nullptr;

struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

bool strike() {
  if (faults.failAt == 0) return false;
  if (++faults.count != faults.failAt) return false;
  faults.struck = true;
  return true;
}

int shimClose(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
int shimRead(sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
  return real(f)->pMethods->xRead(real(f), p, n, at);
}
int shimWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
  if (strike()) return SQLITE_IOERR_WRITE;
  return real(f)->pMethods->xWrite(real(f), p, n, at);
}
int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (strike()) return SQLITE_IOERR_TRUNCATE;
  return real(f)->pMethods->xTruncate(real(f), size);
}
int shimSync(sqlite3_file* f, int flags) {
  if (strike()) return SQLITE_IOERR_FSYNC;
  return real(f)->pMethods->xSync(real(f), flags);
}
int shimFileSize(sqlite3_file* f, sqlite3_int64* size) {
  return real(f)->pMethods->xFileSize(real(f), size);
}
int shimLock(sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); }
int shimUnlock(sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int shimCheckReservedLock(sqlite3_file* f, int* out) {
  return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int shimFileControl(sqlite3_file* f, int op, void* arg) {
  return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int shimSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int shimDeviceCharacteristics(sqlite3_file* f) {
  return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int shimShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}
int shimShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void shimShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int shimShmUnmap(sqlite3_file* f, int deleteFlag) {
  return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int shimFetch(sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
  return real(f)->pMethods->xFetch(real(f), at, n, out);
}
int shimUnfetch(sqlite3_file* f, sqlite3_int64 at, void* p) {
  return real(f)->pMethods->xUnfetch(real(f), at, p);
}

const sqlite3_io_methods shimMethods = {3,
                                        shimClose,
                                        shimRead,
                                        shimWrite,
                                        shimTruncate,
                                        shimSync,
                                        shimFileSize,
                                        shimLock,
                                        shimUnlock,
                                        shimCheckReservedLock,
                                        shimFileControl,
                                        shimSectorSize,
                                        shimDeviceCharacteristics,
                                        shimShmMap,
                                        shimShmLock,
                                        shimShmBarrier,
                                        shimShmUnmap,
                                        shimFetch,
                                        shimUnfetch};

int shimOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  auto* shim = reinterpret_cast<ShimFile*>(f);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  int rc = realVfs->xOpen(realVfs, name, shim->real, flags, outFlags);
  shim->base.pMethods = rc == SQLITE_OK ? &shimMethods : nullptr;
  return rc;
}
int shimDelete(sqlite3_vfs*, const char* name, int sync) {
  return realVfs->xDelete(realVfs, name, sync);
}
int shimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return realVfs->xAccess(realVfs, name, flags, out);
}
int shimFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return realVfs->xFullPathname(realVfs, name, n, out);
}
int shimRandomness(sqlite3_vfs*, int n, char* out) { return realVfs->xRandomness(realVfs, n, out); }
int shimSleep(sqlite3_vfs*, int micros) { return realVfs->xSleep(realVfs, micros); }
int shimCurrentTime(sqlite3_vfs*, double* out) { return realVfs->xCurrentTime(realVfs, out); }
int shimGetLastError(sqlite3_vfs*, int n, char* out) {
  return realVfs->xGetLastError(realVfs, n, out);
}
int shimCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
  return realVfs->xCurrentTimeInt64(realVfs, out);
}

constexpr const char* kFaultyVfs = "qrxdb-test-faulty";

void registerFaultyVfs() {
  static sqlite3_vfs vfs;
  if (realVfs != nullptr) return;
  realVfs = sqlite3_vfs_find(nullptr);
  vfs.iVersion = 2;
  vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + realVfs->szOsFile;
  vfs.mxPathname = realVfs->mxPathname;
  vfs.zName = kFaultyVfs;
  vfs.xOpen = shimOpen;
  vfs.xDelete = shimDelete;
  vfs.xAccess = shimAccess;
  vfs.xFullPathname = shimFullPathname;
  vfs.xRandomness = shimRandomness;
  vfs.xSleep = shimSleep;
  vfs.xCurrentTime = shimCurrentTime;
  vfs.xGetLastError = shimGetLastError;
  vfs.xCurrentTimeInt64 = shimCurrentTimeInt64;
  ASSERT_EQ(sqlite3_vfs_register(&vfs, 0), SQLITE_OK);
}

// ---------------------------------------------------------------------------------------------

using Contents = std::map<std::uint32_t, std::vector<std::uint8_t>>;  // identifier -> record

enum class Op { kAdd, kRewrite, kDelete, kCreateFile };

class FailingDisk : public ::testing::TestWithParam<Op> {
 protected:
  void SetUp() override { registerFaultyVfs(); }
  void TearDown() override {
    faults = Faults{};
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setSqliteVfs("");
  }

  // A database with three people, closed.
  void makeDatabase(const TempDir& dir) {
    ASSERT_EQ(QDB_CreateDataBase(dir.path().c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
    QdbSession s = QDB_StartSession(1);
    ASSERT_EQ(QDB_CREIFIL(s, peopleDef()), 1);
    QdbHandle f = QDB_OpenFile(s, kPeople);
    for (const char* chart : {"C1", "C2", "C3"}) {
      Rec p = person("Name", chart, chart);
      ASSERT_EQ(QDB_AddRec(f, p.data(), p.size()), 1);
    }
    QDB_CloseDataBase();
  }

  static Contents contents(QdbHandle f) {
    Contents out;
    Rec r(kPersonSize);
    for (int ok = QDB_FirstRec(f, 19, r.data(), r.size()); ok;
         ok = QDB_NextRec(f, 19, r.data(), r.size())) {
      out[r.u32(2)] = r.bytes();
    }
    return out;
  }

  static std::string integrity(const TempDir& dir) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(dir.file("qrxdata.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string answer = "cannot check";
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      answer = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return answer;
  }
};

TEST_P(FailingDisk, EveryFailedWriteLeavesTheRecordsBeforeOrAfterAndTheFileWhole) {
  const Op op = GetParam();
  int failures = 0;
  for (int failAt = 1; failAt < 200; ++failAt) {
    TempDir dir;
    makeDatabase(dir);
    vantrel::qrxdb::testing::setSqliteVfs(kFaultyVfs);
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
    QdbSession s = QDB_StartSession(1);
    QdbHandle f = QDB_OpenFile(s, kPeople);
    const Contents before = contents(f);
    Contents after = before;
    Rec r(kPersonSize);
    const auto two = keyU32(2);
    ASSERT_EQ(QDB_FindRec(f, 19, two.data(), two.size(), r.data(), r.size()), 1);

    faults = Faults{failAt, 0, false};
    int result = 0;
    switch (op) {
      case Op::kAdd: {
        Rec p = person("New", "Person", "C4");
        result = QDB_AddRec(f, p.data(), p.size());
        p.u32(2, 4);
        after[4] = p.bytes();
        break;
      }
      case Op::kRewrite:
        r.text(10, 21, "Renamed");
        result = QDB_WriteRec(f, r.data(), r.size());
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
      if (result == 0) {
        EXPECT_EQ(error, kQdbIoError) << "write " << failAt;
      }
      // The database goes on working after a failed write.
      Rec p = person("Later", "Person", "C9");
      EXPECT_EQ(QDB_AddRec(f, p.data(), p.size()), 1)
          << "write " << failAt << " error " << QDB_GetLastErrorNum(s);
      if (QDB_GetLastErrorNum(s) == 0) QDB_DeleteCurRec(f);
    } else {
      EXPECT_EQ(result, 1) << "no fault was met, yet the call failed with " << error;
    }
    QDB_CloseDataBase();
    vantrel::qrxdb::testing::setSqliteVfs("");

    EXPECT_EQ(integrity(dir), "ok") << "write " << failAt;
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), 1);
    s = QDB_StartSession(1);
    f = QDB_OpenFile(s, kPeople);
    const Contents now = contents(f);
    if (op == Op::kCreateFile) {
      EXPECT_EQ(now, before);
      const bool created = QDB_OpenFile(s, kAppts) != 0;
      if (result == 1) {
        EXPECT_TRUE(created) << "write " << failAt;
      }
      if (!created) {
        EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbNotCreated) << "half made";
      }
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
                         [](const auto& info) {
                           switch (info.param) {
                             case Op::kAdd:
                               return std::string("Add");
                             case Op::kRewrite:
                               return std::string("Rewrite");
                             case Op::kDelete:
                               return std::string("Delete");
                             case Op::kCreateFile:
                               return std::string("CreateFile");
                           }
                           return std::string("Unknown");
                         });

}  // namespace
}  // namespace qdbtest
