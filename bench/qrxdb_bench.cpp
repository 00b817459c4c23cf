// The record database engine against the same work done with raw prepared SQLite statements on
// an equivalent plain table, in the same run: find by key, a day's set of appointments, add,
// rewrite, and a locking read.
//
// Data: 30,000 appointment-like records of 286 bytes over 60 days (500 a day, ten operatories),
// added in random order. Engine key: date (4, unsigned), operatory kind (1), code (4); the
// plain table has the same fields as columns with one index on them.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "contracts/qdb.h"

namespace {

constexpr std::uint32_t kDays = 60;
constexpr std::uint32_t kPerDay = 500;
constexpr std::uint32_t kFirstDay = 200000;
constexpr std::uint32_t kRecordSize = 286;
constexpr int kFile = 9;
constexpr int kDayKey = 10;
constexpr int kIdKey = 13;

using Record = std::array<std::uint8_t, kRecordSize>;

void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct Appt {
  std::uint32_t date;
  std::uint8_t op;  // operatory 0-9, code "OP0 ".."OP9 "
  std::uint32_t patient;
};

Record recordOf(const Appt& a, std::uint32_t salt) {
  Record r{};
  putU32(r.data() + 6, a.date);
  r[10] = 3;
  std::memcpy(r.data() + 11, "OP", 2);
  r[13] = static_cast<std::uint8_t>('0' + a.op);
  r[14] = ' ';
  putU32(r.data() + 54, a.patient);
  for (std::size_t i = 60; i < kRecordSize; ++i) r[i] = static_cast<std::uint8_t>(salt * 7 + i);
  return r;
}

std::array<std::uint8_t, 9> keyOf(const Appt& a) {
  Record r = recordOf(a, 0);
  std::array<std::uint8_t, 9> k{};
  std::memcpy(k.data(), r.data() + 6, 9);
  return k;
}

QdbFileDef appointmentFile() {
  QdbFileDef def;
  def.fileNumber = kFile;
  def.name = "appointments";
  def.recordLength = kRecordSize;
  def.hasIdentifier = true;
  def.keys = {
      {9, true, {}, "every appointment"},
      {kDayKey,
       false,
       {{6, 4, QdbSegmentKind::kUnsigned},
        {10, 1, QdbSegmentKind::kBytes},
        {11, 4, QdbSegmentKind::kText}},
       "a day, or a day and operatory"},
      {kIdKey, true, {{2, 4, QdbSegmentKind::kUnsigned}}, "one appointment"},
      {14, false, {{54, 4, QdbSegmentKind::kUnsigned}}, "a patient's appointments"},
  };
  return def;
}

void must(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "bench setup failed: %s\n", what);
    std::abort();
  }
}

void exec(sqlite3* db, const char* sql) {
  must(sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql);
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  must(sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) == SQLITE_OK, sql);
  return st;
}

// Both stores, filled once with the same records.
class World {
 public:
  static World& get() {
    static World world;
    return world;
  }

  QdbSession session = 0;
  QdbHandle file = 0;
  sqlite3* raw = nullptr;
  sqlite3_stmt* rawFind = nullptr;
  sqlite3_stmt* rawById = nullptr;
  sqlite3_stmt* rawDay = nullptr;
  sqlite3_stmt* rawInsert = nullptr;
  sqlite3_stmt* rawUpdate = nullptr;
  int rawLocks = -1;
  std::vector<Appt> appts;
  std::mt19937 random{42};

 private:
  World() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qrxdb-bench-XXXXXX").string();
    must(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    dir_ = pattern;

    for (std::uint32_t day = 0; day < kDays; ++day) {
      for (std::uint32_t i = 0; i < kPerDay; ++i) {
        appts.push_back({kFirstDay + day, static_cast<std::uint8_t>(i % 10),
                         static_cast<std::uint32_t>(random() % 5000)});
      }
    }
    std::shuffle(appts.begin(), appts.end(), random);

    must(QDB_CreateDataBase(dir_.c_str()) == 1, "create");
    must(QDB_InitDataBase(dir_.c_str()) == 1, "init");
    session = QDB_StartSession(1);
    must(QDB_CREIFIL(session, appointmentFile()) == 1, "create file");
    file = QDB_OpenFile(session, kFile);
    must(file != 0, "open");

    must(sqlite3_open((dir_ + "/raw.db").c_str(), &raw) == SQLITE_OK, "raw open");
    exec(raw, "PRAGMA journal_mode = WAL");
    exec(raw, "PRAGMA synchronous = FULL");
    sqlite3_busy_timeout(raw, 2000);
    exec(raw,
         "CREATE TABLE appt(id INTEGER PRIMARY KEY, date INTEGER NOT NULL, kind INTEGER NOT NULL,"
         " code BLOB NOT NULL, patient INTEGER NOT NULL, rec BLOB NOT NULL)");
    exec(raw, "CREATE INDEX appt_day ON appt(date, kind, code)");
    exec(raw, "CREATE INDEX appt_patient ON appt(patient)");
    rawInsert =
        prepare(raw, "INSERT INTO appt(date, kind, code, patient, rec) VALUES(?1, 3, ?2, ?3, ?4)");
    rawFind = prepare(raw,
                      "SELECT rec FROM appt WHERE date = ?1 AND kind = 3 AND code = ?2"
                      " ORDER BY date, kind, code, id LIMIT 1");
    rawById = prepare(raw, "SELECT rec FROM appt WHERE id = ?1");
    rawDay = prepare(raw, "SELECT rec FROM appt WHERE date = ?1 ORDER BY date, kind, code, id");
    rawUpdate = prepare(raw, "UPDATE appt SET rec = ?2 WHERE id = ?1");

    // The plain table is filled in one transaction; the engine has no bulk load, so it takes
    // one durable add per record.
    exec(raw, "BEGIN");
    std::uint32_t salt = 0;
    for (const Appt& a : appts) {
      Record r = recordOf(a, ++salt);
      must(QDB_AddRec(file, r.data(), r.size()) == 1, "engine add");
      insertRaw(a, r);
    }
    exec(raw, "COMMIT");
    rawLocks = ::open((dir_ + "/raw.lck").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  }

 public:
  ~World() {
    for (sqlite3_stmt* st : {rawFind, rawById, rawDay, rawInsert, rawUpdate}) sqlite3_finalize(st);
    sqlite3_close(raw);
    QDB_CloseDataBase();
    ::close(rawLocks);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  void insertRaw(const Appt& a, const Record& r) {
    Record key = recordOf(a, 0);
    sqlite3_bind_int64(rawInsert, 1, a.date);
    sqlite3_bind_blob(rawInsert, 2, key.data() + 11, 4, SQLITE_STATIC);
    sqlite3_bind_int64(rawInsert, 3, a.patient);
    sqlite3_bind_blob(rawInsert, 4, r.data(), kRecordSize, SQLITE_STATIC);
    must(sqlite3_step(rawInsert) == SQLITE_DONE, "raw insert");
    sqlite3_reset(rawInsert);
  }

  const Appt& anyAppt() { return appts[random() % appts.size()]; }
  std::uint32_t anyId() { return static_cast<std::uint32_t>(1 + random() % appts.size()); }
  std::uint32_t anyDay() { return static_cast<std::uint32_t>(kFirstDay + random() % kDays); }

 private:
  std::string dir_;
};

bool rawLock(int fd, std::uint64_t offset, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// ---------------------------------------------------------------------------------------------
// Find by key (the first of a day's appointments in one operatory)

void BM_FindByKey_Engine(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    const auto key = keyOf(w.anyAppt());
    if (QDB_FindRec(w.file, kDayKey, key.data(), key.size(), buffer.data(), buffer.size()) != 1) {
      state.SkipWithError("not found");
    }
    benchmark::DoNotOptimize(buffer);
  }
}

void BM_FindByKey_Raw(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    const Appt& a = w.anyAppt();
    const auto key = keyOf(a);
    sqlite3_bind_int64(w.rawFind, 1, a.date);
    sqlite3_bind_blob(w.rawFind, 2, key.data() + 5, 4, SQLITE_STATIC);
    if (sqlite3_step(w.rawFind) != SQLITE_ROW) state.SkipWithError("not found");
    std::memcpy(buffer.data(), sqlite3_column_blob(w.rawFind, 0), kRecordSize);
    sqlite3_reset(w.rawFind);
    benchmark::DoNotOptimize(buffer);
  }
}

// Find by identifier (a unique key; the plain table's rowid)

void BM_FindById_Engine(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    std::uint8_t key[4];
    putU32(key, w.anyId());
    if (QDB_FindRec(w.file, kIdKey, key, sizeof key, buffer.data(), buffer.size()) != 1) {
      state.SkipWithError("not found");
    }
    benchmark::DoNotOptimize(buffer);
  }
}

void BM_FindById_Raw(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    sqlite3_bind_int64(w.rawById, 1, w.anyId());
    if (sqlite3_step(w.rawById) != SQLITE_ROW) state.SkipWithError("not found");
    std::memcpy(buffer.data(), sqlite3_column_blob(w.rawById, 0), kRecordSize);
    sqlite3_reset(w.rawById);
    benchmark::DoNotOptimize(buffer);
  }
}

// ---------------------------------------------------------------------------------------------
// One day's 500 appointments, in key order

void BM_DaySet_Engine(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    std::uint8_t key[9] = {};
    putU32(key, w.anyDay());
    std::size_t count = 0;
    QdbHandle set =
        QDB_StartSet(w.file, kDayKey, 0, key, sizeof key, buffer.data(), buffer.size(), 4);
    if (set != 0) {
      do {
        ++count;
        benchmark::DoNotOptimize(buffer);
      } while (QDB_NextRecInSet(set, buffer.data(), buffer.size()));
      QDB_EndSet(set);
    }
    if (count != kPerDay) state.SkipWithError("wrong count");
  }
  state.SetItemsProcessed(state.iterations() * kPerDay);
}

void BM_DaySet_Raw(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    sqlite3_bind_int64(w.rawDay, 1, w.anyDay());
    std::size_t count = 0;
    while (sqlite3_step(w.rawDay) == SQLITE_ROW) {
      std::memcpy(buffer.data(), sqlite3_column_blob(w.rawDay, 0), kRecordSize);
      ++count;
      benchmark::DoNotOptimize(buffer);
    }
    sqlite3_reset(w.rawDay);
    if (count != kPerDay) state.SkipWithError("wrong count");
  }
  state.SetItemsProcessed(state.iterations() * kPerDay);
}

// ---------------------------------------------------------------------------------------------
// Add (durable: synchronous FULL on both)

void BM_Add_Engine(benchmark::State& state) {
  World& w = World::get();
  std::uint32_t salt = 1u << 20;
  for (auto _ : state) {
    Appt a{w.anyDay(), static_cast<std::uint8_t>(w.random() % 10), 1};
    Record r = recordOf(a, ++salt);
    if (QDB_AddRec(w.file, r.data(), r.size()) != 1) state.SkipWithError("add failed");
  }
}

void BM_Add_Raw(benchmark::State& state) {
  World& w = World::get();
  std::uint32_t salt = 1u << 20;
  for (auto _ : state) {
    Appt a{w.anyDay(), static_cast<std::uint8_t>(w.random() % 10), 1};
    w.insertRaw(a, recordOf(a, ++salt));
  }
}

// ---------------------------------------------------------------------------------------------
// Rewrite (new bytes each time: SQLite skips identical rewrites)

void BM_Rewrite_Engine(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  std::uint8_t key[4];
  putU32(key, 1234);
  must(QDB_FindRec(w.file, kIdKey, key, sizeof key, buffer.data(), buffer.size()) == 1, "find");
  std::uint32_t n = 0;
  for (auto _ : state) {
    putU32(buffer.data() + 100, ++n);
    if (QDB_WriteRec(w.file, buffer.data(), buffer.size()) != 1) state.SkipWithError("rewrite");
  }
}

void BM_Rewrite_Raw(benchmark::State& state) {
  World& w = World::get();
  Record buffer = recordOf(w.appts[1233], 0);
  std::uint32_t n = 0;
  for (auto _ : state) {
    putU32(buffer.data() + 100, ++n);
    sqlite3_bind_int64(w.rawUpdate, 1, 1234);
    sqlite3_bind_blob(w.rawUpdate, 2, buffer.data(), kRecordSize, SQLITE_STATIC);
    if (sqlite3_step(w.rawUpdate) != SQLITE_DONE) state.SkipWithError("update");
    sqlite3_reset(w.rawUpdate);
  }
}

// ---------------------------------------------------------------------------------------------
// Locking read: lock the record, read it, free the lock

void BM_LockingRead_Engine(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  QDB_LKISAM(w.session, 2);
  for (auto _ : state) {
    std::uint8_t key[4];
    putU32(key, w.anyId());
    if (QDB_FindRec(w.file, kIdKey, key, sizeof key, buffer.data(), buffer.size()) != 1) {
      state.SkipWithError("not found");
    }
    QDB_UnlockCurRecord(w.file);
    benchmark::DoNotOptimize(buffer);
  }
  QDB_LKISAM(w.session, 0);
}

void BM_LockingRead_Raw(benchmark::State& state) {
  World& w = World::get();
  Record buffer{};
  for (auto _ : state) {
    const std::uint32_t id = w.anyId();
    const std::uint64_t offset = (std::uint64_t{kFile} << 32) | id;
    if (!rawLock(w.rawLocks, offset, F_WRLCK)) state.SkipWithError("lock");
    sqlite3_bind_int64(w.rawById, 1, id);
    if (sqlite3_step(w.rawById) != SQLITE_ROW) state.SkipWithError("not found");
    std::memcpy(buffer.data(), sqlite3_column_blob(w.rawById, 0), kRecordSize);
    sqlite3_reset(w.rawById);
    rawLock(w.rawLocks, offset, F_UNLCK);
    benchmark::DoNotOptimize(buffer);
  }
}

BENCHMARK(BM_FindByKey_Engine);
BENCHMARK(BM_FindByKey_Raw);
BENCHMARK(BM_FindById_Engine);
BENCHMARK(BM_FindById_Raw);
BENCHMARK(BM_DaySet_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DaySet_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LockingRead_Engine);
BENCHMARK(BM_LockingRead_Raw);
BENCHMARK(BM_Add_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Add_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rewrite_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rewrite_Raw)->Unit(benchmark::kMicrosecond);

}  // namespace
