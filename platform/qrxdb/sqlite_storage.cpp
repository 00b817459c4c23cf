#include "platform/qrxdb/sqlite_storage.h"

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <string_view>

#include "platform/qrxdb/sqlite_status.h"

namespace vantrel::qrxdb {
namespace {

// SQLite waits this long for another writer by itself; we ask again this many times, so a
// caller waits over a minute before kQdbBusy, and never sees "database is locked".
constexpr int kBusyTimeoutMs = 2000;
constexpr int kBusyRounds = 30;
constexpr std::uint64_t kBusyPauseMicros = 1000;
// The write-ahead log is folded into the database file when a session ends and the log holds
// this many pages; a commit that finds it this long does it at once (as SQLite by itself would),
// which stalls that commit.
constexpr int kTidyLogPages = 100;
constexpr int kLongLogPages = 1000;

// Above every stored key (they are at most kQdbMaxKeyLength + 4 bytes): stands for "no upper
// bound", so that one statement serves bounded and unbounded ranges.
const std::array<std::uint8_t, kQdbMaxKeyLength + 16>& aboveEveryKey() {
  static const std::array<std::uint8_t, kQdbMaxKeyLength + 16> bytes = [] {
    std::array<std::uint8_t, kQdbMaxKeyLength + 16> b{};
    b.fill(0xFF);
    return b;
  }();
  return bytes;
}

// A letter and a number. (Built by appending: GCC 12 warns falsely on "literal" + string.)
std::string numbered(char letter, long long number) {
  std::string name(1, letter);
  name += std::to_string(number);
  return name;
}
std::string tableName(const FileDefinition& def) { return numbered('f', def.fileNumber); }
std::string columnName(const KeyLayout& key) { return numbered('k', key.keyNumber); }

// Binds a blob, never NULL: SQLite binds a null pointer as NULL, which compares as nothing.
int bindBytes(sqlite3_stmt* st, int index, const std::uint8_t* data, std::size_t size) {
  if (size == 0) return sqlite3_bind_zeroblob(st, index, 0);
  return sqlite3_bind_blob64(st, index, data, size, SQLITE_STATIC);
}

int bindRange(sqlite3_stmt* st, const KeyRange& range) {
  int rc = range.low != nullptr ? bindBytes(st, 1, range.low->data(), range.low->size())
                                : bindBytes(st, 1, nullptr, 0);
  if (rc != SQLITE_OK) return rc;
  if (range.high != nullptr) return bindBytes(st, 2, range.high->data(), range.high->size());
  return bindBytes(st, 2, aboveEveryKey().data(), aboveEveryKey().size());
}

const std::uint8_t* columnBytes(sqlite3_stmt* st, int column, std::size_t* size) {
  const void* data = sqlite3_column_blob(st, column);  // before sqlite3_column_bytes
  *size = static_cast<std::size_t>(sqlite3_column_bytes(st, column));
  return static_cast<const std::uint8_t*>(data);
}

constexpr const char* kSchema =
    "CREATE TABLE qdb_meta(name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE qdb_files(file INTEGER PRIMARY KEY, version INTEGER NOT NULL,"
    " name TEXT NOT NULL, definition BLOB NOT NULL);"
    "CREATE TABLE qdb_keys(key INTEGER PRIMARY KEY, file INTEGER NOT NULL, why TEXT NOT NULL);"
    "CREATE TABLE qdb_counters(file INTEGER PRIMARY KEY, next_pos INTEGER NOT NULL,"
    " next_id INTEGER NOT NULL);";

}  // namespace

// A prepared statement, finalized with its owner.
class SqliteStorage::Statement {
 public:
  Statement() = default;
  ~Statement() { sqlite3_finalize(st_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void reset(sqlite3_stmt* st) {
    sqlite3_finalize(st_);
    st_ = st;
  }
  sqlite3_stmt* get() const { return st_; }

 private:
  sqlite3_stmt* st_ = nullptr;
};

struct SqliteStorage::FileStatements {
  // updateRecord: the record's bytes alone (no index is touched), or with its keys.
  Statement readAt, insert, updateBytes, update, remove;
  // [key]: rows with records, then positions and keys only (answered from the key's index).
  std::vector<std::unique_ptr<Statement>> fetchAscending, fetchDescending, probeAscending,
      probeDescending, count, holder;
};

SqliteStorage::SqliteStorage(Env& env, sqlite3* db) : env_(env), db_(db) {}

SqliteStorage::~SqliteStorage() {
  files_.clear();
  begin_.reset();
  commit_.reset();
  rollback_.reset();
  readCounters_.reset();
  writeCounters_.reset();
  loadDefinition_.reset();
  sqlite3_close(db_);
}

int SqliteStorage::prepare(const std::string& sql, Statement* out) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  for (int round = 0; isSqliteBusy(rc) && round < kBusyRounds; ++round) {
    env_.sleepMicros(kBusyPauseMicros);
    rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                            SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  }
  if (rc != SQLITE_OK) {
    sqlite3_finalize(st);
    return statusOfSqliteOpening(rc);
  }
  out->reset(st);
  return kQdbOk;
}

// Steps a statement to its end, handing each row to `onRow`, and resets it so that it holds no
// read snapshot afterwards. A busy database before the first row is waited for.
template <typename OnRow>
int SqliteStorage::run(sqlite3_stmt* st, OnRow onRow) {
  for (int round = 0;; ++round) {
    bool anyRow = false;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      anyRow = true;
      onRow(st);
    }
    sqlite3_reset(st);
    if (rc == SQLITE_DONE) return kQdbOk;
    if (!isSqliteBusy(rc) || anyRow || round >= kBusyRounds) return statusOfSqlite(rc);
    env_.sleepMicros(kBusyPauseMicros);
  }
}

int SqliteStorage::runWrite(sqlite3_stmt* st) {
  return run(st, [](sqlite3_stmt*) {});
}

int SqliteStorage::execute(const std::string& sql) {
  Statement st;
  int status = prepare(sql, &st);
  if (status != kQdbOk) return status;
  return runWrite(st.get());
}

int SqliteStorage::readFormat(int* format) {
  Statement st;
  int status = prepare("SELECT value FROM qdb_meta WHERE name = 'format'", &st);
  if (status != kQdbOk) return status;
  bool found = false;
  status = run(st.get(), [&](sqlite3_stmt* s) {
    found = true;
    *format = sqlite3_column_int(s, 0);
  });
  if (status != kQdbOk) return status == kQdbIoError ? kQdbIoError : kQdbDamaged;
  return found ? kQdbOk : kQdbDamaged;
}

int SqliteStorage::ensureWal() {
  Statement st;
  int status = prepare("PRAGMA journal_mode", &st);
  if (status != kQdbOk) return status;
  std::string mode;
  status = run(st.get(), [&](sqlite3_stmt* s) {
    const unsigned char* text = sqlite3_column_text(s, 0);
    if (text != nullptr) mode = reinterpret_cast<const char*>(text);
  });
  if (status != kQdbOk) return status;
  if (mode == "wal") return kQdbOk;
  status = prepare("PRAGMA journal_mode = WAL", &st);
  if (status != kQdbOk) return status;
  status = run(st.get(), [&](sqlite3_stmt* s) {
    const unsigned char* text = sqlite3_column_text(s, 0);
    mode = text != nullptr ? reinterpret_cast<const char*>(text) : "";
  });
  if (status != kQdbOk) return status;
  return mode == "wal" ? kQdbOk : kQdbIoError;
}

int SqliteStorage::open(Env& env, const std::string& path, const std::string& vfs,
                        std::unique_ptr<SqliteStorage>* out) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
                           vfs.empty() ? nullptr : vfs.c_str());
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return statusOfSqliteOpening(rc);
  }
  std::unique_ptr<SqliteStorage> storage(new SqliteStorage(env, db));
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_wal_hook(db, &SqliteStorage::afterCommit, storage.get());
  // SQLite quietly opens a file it may not write read-only; we need to write.
  if (sqlite3_db_readonly(db, "main") == 1) return kQdbIoError;

  int format = 0;
  int status = storage->readFormat(&format);
  if (status != kQdbOk) return status;
  if (format != kFormatVersion) return kQdbOtherVersion;
  status = storage->ensureWal();
  if (status != kQdbOk) return status;
  // FULL: a write that returned success survives a power cut, not only a crash.
  status = storage->execute("PRAGMA synchronous = FULL");
  if (status != kQdbOk) return status;
  status = storage->execute("PRAGMA trusted_schema = OFF");
  if (status != kQdbOk) return status;

  auto prepared = [&](std::unique_ptr<Statement>* slot, const char* sql) {
    *slot = std::make_unique<Statement>();
    return storage->prepare(sql, slot->get());
  };
  for (auto [slot, sql] : {
           std::pair{&storage->begin_, "BEGIN IMMEDIATE"},
           std::pair{&storage->commit_, "COMMIT"},
           std::pair{&storage->rollback_, "ROLLBACK"},
           std::pair{&storage->readCounters_,
                     "SELECT next_pos, next_id FROM qdb_counters WHERE file = ?1"},
           std::pair{&storage->writeCounters_,
                     "UPDATE qdb_counters SET next_pos = ?2, next_id = ?3 WHERE file = ?1"},
           std::pair{&storage->loadDefinition_,
                     "SELECT f.file, f.version, f.definition, f.name FROM qdb_keys AS k"
                     " JOIN qdb_files AS f ON f.file = k.file WHERE k.key = ?1"},
       }) {
    status = prepared(slot, sql);
    if (status != kQdbOk) return status;
  }
  *out = std::move(storage);
  return kQdbOk;
}

int SqliteStorage::create(Env& env, const std::string& directory, const std::string& path,
                          bool* existed) {
  *existed = false;
  if (!env.makeDirectories(directory)) return kQdbIoError;
  if (env.pathKind(path) != PathKind::kMissing) {
    *existed = true;
    return kQdbOk;
  }
  std::string temporary = path + ".new-";
  temporary += std::to_string(env.processId());
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) env.removeFile(temporary + suffix);

  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(temporary.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  int status = kQdbOk;
  if (rc != SQLITE_OK) {
    status = statusOfSqlite(rc);
  } else {
    std::unique_ptr<SqliteStorage> storage(new SqliteStorage(env, db));
    db = nullptr;  // owned by storage now
    status = storage->execute("PRAGMA journal_mode = WAL");
    if (status == kQdbOk) status = storage->execute("PRAGMA synchronous = FULL");
    if (status == kQdbOk) status = storage->execute("BEGIN IMMEDIATE");
    if (status == kQdbOk) {
      rc = sqlite3_exec(storage->db_, kSchema, nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) status = statusOfSqlite(rc);
    }
    if (status == kQdbOk) {
      Statement st;
      status = storage->prepare("INSERT INTO qdb_meta(name, value) VALUES('format', ?1)", &st);
      if (status == kQdbOk) {
        sqlite3_bind_int(st.get(), 1, kFormatVersion);
        status = storage->runWrite(st.get());
      }
    }
    if (status == kQdbOk) status = storage->execute("COMMIT");
    // Closing the last connection checkpoints the log into the file and removes it.
  }
  sqlite3_close(db);
  if (status == kQdbOk) {
    int linked = env.linkNoReplace(temporary, path);
    if (linked == EEXIST) {
      *existed = true;
    } else if (linked != 0) {
      status = kQdbIoError;
    } else if (!env.syncDirectory(directory)) {
      status = kQdbIoError;
    }
  }
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) env.removeFile(temporary + suffix);
  return status == kQdbOk ? kQdbOk : kQdbIoError;
}

int SqliteStorage::statementsFor(const FileDefinition& def, FileStatements** out) {
  auto found = files_.find(def.fileNumber);
  if (found != files_.end()) {
    *out = found->second.get();
    return kQdbOk;
  }
  auto fs = std::make_unique<FileStatements>();
  const std::string table = tableName(def);
  std::string insertColumns = "pos, rec";
  std::string insertValues = "?1, ?2";
  std::string updateSet = "rec = ?2";
  int index = 3;
  for (const KeyLayout& key : def.keys) {
    const std::string column = columnName(key);
    insertColumns += ", " + column;
    const std::string parameter = numbered('?', index);
    insertValues += ", " + parameter;
    updateSet += ", " + column + " = " + parameter;
    ++index;
  }
  int status = prepare("SELECT rec FROM " + table + " WHERE pos = ?1", &fs->readAt);
  if (status == kQdbOk) {
    status =
        prepare("INSERT INTO " + table + "(" + insertColumns + ") VALUES(" + insertValues + ")",
                &fs->insert);
  }
  if (status == kQdbOk) {
    status = prepare("UPDATE " + table + " SET " + updateSet + " WHERE pos = ?1", &fs->update);
  }
  if (status == kQdbOk) {
    status = prepare("UPDATE " + table + " SET rec = ?2 WHERE pos = ?1", &fs->updateBytes);
  }
  if (status == kQdbOk) status = prepare("DELETE FROM " + table + " WHERE pos = ?1", &fs->remove);
  for (const KeyLayout& key : def.keys) {
    if (status != kQdbOk) break;
    const std::string column = columnName(key);
    const std::string range =
        " FROM " + table + " WHERE " + column + " >= ?1 AND " + column + " < ?2";
    for (auto [list, sql] : {
             std::pair{&fs->fetchAscending, "SELECT pos, rec, " + column + range + " ORDER BY " +
                                                column + " LIMIT ?3 OFFSET ?4"},
             std::pair{&fs->fetchDescending, "SELECT pos, rec, " + column + range + " ORDER BY " +
                                                 column + " DESC LIMIT ?3 OFFSET ?4"},
             std::pair{&fs->probeAscending, "SELECT pos, NULL, " + column + range + " ORDER BY " +
                                                column + " LIMIT ?3 OFFSET ?4"},
             std::pair{&fs->probeDescending, "SELECT pos, NULL, " + column + range + " ORDER BY " +
                                                 column + " DESC LIMIT ?3 OFFSET ?4"},
             std::pair{&fs->count, "SELECT count(*)" + range},
             std::pair{&fs->holder, "SELECT pos FROM " + table + " WHERE " + column + " = ?1"},
         }) {
      list->push_back(std::make_unique<Statement>());
      status = prepare(sql, list->back().get());
      if (status != kQdbOk) break;
    }
  }
  // A catalogued file whose table or index cannot be used is damaged.
  if (status != kQdbOk) return status == kQdbIoError || status == kQdbBusy ? status : kQdbDamaged;
  *out = fs.get();
  files_.emplace(def.fileNumber, std::move(fs));
  return kQdbOk;
}

int SqliteStorage::loadDefinition(int fileOrKeyNumber, FileDefinition* out) {
  sqlite3_stmt* st = loadDefinition_->get();
  sqlite3_bind_int64(st, 1, fileOrKeyNumber);
  bool found = false;
  int file = 0;
  int version = 0;
  Bytes stored;
  std::string name;
  int status = run(st, [&](sqlite3_stmt* s) {
    found = true;
    file = sqlite3_column_int(s, 0);
    version = sqlite3_column_int(s, 1);
    std::size_t size = 0;
    const std::uint8_t* data = columnBytes(s, 2, &size);
    stored.assign(data, data + size);
    const unsigned char* text = sqlite3_column_text(s, 3);
    name = text != nullptr ? reinterpret_cast<const char*>(text) : "";
  });
  if (status != kQdbOk) return status;
  if (!found) return kQdbNotCreated;
  if (version != kDefinitionVersion) return kQdbOtherVersion;
  FileDefinition def;
  status = decodeDefinition(stored.data(), stored.size(), &def);
  if (status != kQdbOk) return status;
  if (def.fileNumber != file || def.keyIndex(fileOrKeyNumber) < 0) return kQdbDamaged;
  def.name = name;
  FileStatements* unused = nullptr;
  status = statementsFor(def, &unused);
  if (status != kQdbOk) return status;
  *out = std::move(def);
  return kQdbOk;
}

int SqliteStorage::createFile(const FileDefinition& def) {
  int status = beginWrite();
  if (status != kQdbOk) return status;
  auto fail = [&](int why) {
    abortWrite();
    return why;
  };

  Statement st;
  status = prepare("SELECT version, definition FROM qdb_files WHERE file = ?1", &st);
  if (status != kQdbOk) return fail(status);
  sqlite3_bind_int64(st.get(), 1, def.fileNumber);
  bool exists = false;
  int version = 0;
  Bytes stored;
  status = run(st.get(), [&](sqlite3_stmt* s) {
    exists = true;
    version = sqlite3_column_int(s, 0);
    std::size_t size = 0;
    const std::uint8_t* data = columnBytes(s, 1, &size);
    stored.assign(data, data + size);
  });
  if (status != kQdbOk) return fail(status);
  if (exists) {
    abortWrite();
    if (version != kDefinitionVersion) return kQdbOtherVersion;
    FileDefinition current;
    status = decodeDefinition(stored.data(), stored.size(), &current);
    if (status != kQdbOk) return status;
    return current.sameShape(def) ? kQdbOk : kQdbOtherVersion;
  }

  status = prepare("SELECT file FROM qdb_keys WHERE key = ?1", &st);
  if (status != kQdbOk) return fail(status);
  for (const KeyLayout& key : def.keys) {
    sqlite3_bind_int64(st.get(), 1, key.keyNumber);
    bool taken = false;
    status = run(st.get(), [&](sqlite3_stmt*) { taken = true; });
    if (status != kQdbOk) return fail(status);
    if (taken) return fail(kQdbBadDefinition);
  }

  const Bytes encoded = encodeDefinition(def);
  status =
      prepare("INSERT INTO qdb_files(file, version, name, definition) VALUES(?1, ?2, ?3, ?4)", &st);
  if (status != kQdbOk) return fail(status);
  sqlite3_bind_int64(st.get(), 1, def.fileNumber);
  sqlite3_bind_int(st.get(), 2, kDefinitionVersion);
  sqlite3_bind_text(st.get(), 3, def.name.c_str(), -1, SQLITE_STATIC);
  bindBytes(st.get(), 4, encoded.data(), encoded.size());
  status = runWrite(st.get());
  if (status != kQdbOk) return fail(status);

  status = prepare("INSERT INTO qdb_keys(key, file, why) VALUES(?1, ?2, ?3)", &st);
  if (status != kQdbOk) return fail(status);
  for (std::size_t i = 0; i < def.keys.size(); ++i) {
    sqlite3_bind_int64(st.get(), 1, def.keys[i].keyNumber);
    sqlite3_bind_int64(st.get(), 2, def.fileNumber);
    const std::string& why = i < def.whys.size() ? def.whys[i] : std::string();
    sqlite3_bind_text(st.get(), 3, why.c_str(), -1, SQLITE_STATIC);
    status = runWrite(st.get());
    if (status != kQdbOk) return fail(status);
  }

  status = prepare("INSERT INTO qdb_counters(file, next_pos, next_id) VALUES(?1, 1, 1)", &st);
  if (status != kQdbOk) return fail(status);
  sqlite3_bind_int64(st.get(), 1, def.fileNumber);
  status = runWrite(st.get());
  if (status != kQdbOk) return fail(status);

  const std::string table = tableName(def);
  std::string create = "CREATE TABLE " + table + "(pos INTEGER PRIMARY KEY, rec BLOB NOT NULL";
  for (const KeyLayout& key : def.keys) create += ", " + columnName(key) + " BLOB NOT NULL";
  create += ")";
  status = execute(create);
  for (const KeyLayout& key : def.keys) {
    if (status != kQdbOk) break;
    status = execute("CREATE UNIQUE INDEX " + table + "_" + columnName(key) + " ON " + table + "(" +
                     columnName(key) + ")");
  }
  if (status != kQdbOk) return fail(status);
  return commitWrite();
}

int SqliteStorage::readAt(const FileDefinition& def, QdbPosition position, Bytes* record) {
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  sqlite3_stmt* st = fs->readAt.get();
  sqlite3_bind_int64(st, 1, position);
  bool found = false;
  status = run(st, [&](sqlite3_stmt* s) {
    found = true;
    std::size_t size = 0;
    const std::uint8_t* data = columnBytes(s, 0, &size);
    record->assign(data, data + size);
  });
  if (status != kQdbOk) return status;
  return found ? kQdbOk : kQdbNotFound;
}

int SqliteStorage::fetch(const FileDefinition& def, std::size_t keyIndex, const KeyRange& range,
                         bool descending, std::size_t limit, std::size_t offset, bool withRecords,
                         RowBatch* out) {
  out->clear();
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  const auto& statements = withRecords ? (descending ? fs->fetchDescending : fs->fetchAscending)
                                       : (descending ? fs->probeDescending : fs->probeAscending);
  sqlite3_stmt* st = statements[keyIndex]->get();
  int rc = bindRange(st, range);
  if (rc != SQLITE_OK) return statusOfSqlite(rc);
  sqlite3_bind_int64(st, 3, static_cast<sqlite3_int64>(limit));
  sqlite3_bind_int64(st, 4, static_cast<sqlite3_int64>(offset));
  return run(st, [&](sqlite3_stmt* s) {
    std::size_t keySize = 0;
    std::size_t recordSize = 0;
    const std::uint8_t* record = columnBytes(s, 1, &recordSize);
    const std::uint8_t* key = columnBytes(s, 2, &keySize);
    out->add(static_cast<QdbPosition>(sqlite3_column_int64(s, 0)), key, keySize, record,
             recordSize);
  });
}

int SqliteStorage::count(const FileDefinition& def, std::size_t keyIndex, const KeyRange& range,
                         std::uint64_t* out) {
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  sqlite3_stmt* st = fs->count[keyIndex]->get();
  int rc = bindRange(st, range);
  if (rc != SQLITE_OK) return statusOfSqlite(rc);
  *out = 0;
  return run(
      st, [&](sqlite3_stmt* s) { *out = static_cast<std::uint64_t>(sqlite3_column_int64(s, 0)); });
}

int SqliteStorage::afterCommit(void* self, sqlite3* db, const char* name, int pages) {
  auto* storage = static_cast<SqliteStorage*>(self);
  storage->logPages_ = pages;
  if (pages >= kLongLogPages) storage->foldLog(db, name);
  return SQLITE_OK;
}

void SqliteStorage::foldLog(sqlite3* db, const char* name) {
  int logged = 0;
  int folded = 0;
  // PASSIVE: never waits for readers or writers; what it cannot fold now waits for next time.
  if (sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, &logged, &folded) ==
      SQLITE_OK) {
    logPages_ = logged - folded;
  }
}

void SqliteStorage::tidy() {
  if (logPages_ >= kTidyLogPages) foldLog(db_, nullptr);
}

int SqliteStorage::beginWrite() {
  // BEGIN IMMEDIATE takes the write lock at once: a transaction that read first and wrote later
  // would fail on a busy database whatever the timeout.
  return runWrite(begin_->get());
}

int SqliteStorage::commitWrite() {
  int status = runWrite(commit_->get());
  if (status != kQdbOk) abortWrite();
  return status;
}

void SqliteStorage::abortWrite() {
  // After some I/O errors SQLite has already rolled back by itself.
  if (sqlite3_get_autocommit(db_) == 0) runWrite(rollback_->get());
}

int SqliteStorage::readCounters(const FileDefinition& def, std::uint64_t* nextPosition,
                                std::uint64_t* nextIdentifier) {
  sqlite3_stmt* st = readCounters_->get();
  sqlite3_bind_int64(st, 1, def.fileNumber);
  bool found = false;
  int status = run(st, [&](sqlite3_stmt* s) {
    found = true;
    *nextPosition = static_cast<std::uint64_t>(sqlite3_column_int64(s, 0));
    *nextIdentifier = static_cast<std::uint64_t>(sqlite3_column_int64(s, 1));
  });
  if (status != kQdbOk) return status;
  return found ? kQdbOk : kQdbDamaged;
}

int SqliteStorage::writeCounters(const FileDefinition& def, std::uint64_t nextPosition,
                                 std::uint64_t nextIdentifier) {
  sqlite3_stmt* st = writeCounters_->get();
  sqlite3_bind_int64(st, 1, def.fileNumber);
  sqlite3_bind_int64(st, 2, static_cast<sqlite3_int64>(nextPosition));
  sqlite3_bind_int64(st, 3, static_cast<sqlite3_int64>(nextIdentifier));
  int status = runWrite(st);
  if (status != kQdbOk) return status;
  return sqlite3_changes(db_) == 1 ? kQdbOk : kQdbDamaged;
}

int SqliteStorage::keyHolder(const FileDefinition& def, std::size_t keyIndex, const Bytes& key,
                             QdbPosition* holder) {
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  sqlite3_stmt* st = fs->holder[keyIndex]->get();
  bindBytes(st, 1, key.data(), key.size());
  bool found = false;
  status = run(st, [&](sqlite3_stmt* s) {
    found = true;
    *holder = static_cast<QdbPosition>(sqlite3_column_int64(s, 0));
  });
  if (status != kQdbOk) return status;
  return found ? kQdbOk : kQdbNotFound;
}

int SqliteStorage::insertRecord(const FileDefinition& def, QdbPosition position,
                                const std::uint8_t* record, std::size_t length,
                                const std::vector<Bytes>& keys) {
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  sqlite3_stmt* st = fs->insert.get();
  sqlite3_bind_int64(st, 1, position);
  bindBytes(st, 2, record, length);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    bindBytes(st, static_cast<int>(i) + 3, keys[i].data(), keys[i].size());
  }
  return runWrite(st);
}

int SqliteStorage::updateRecord(const FileDefinition& def, QdbPosition position,
                                const std::uint8_t* record, std::size_t length,
                                const std::vector<Bytes>* keys) {
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  sqlite3_stmt* st = keys != nullptr ? fs->update.get() : fs->updateBytes.get();
  sqlite3_bind_int64(st, 1, position);
  bindBytes(st, 2, record, length);
  if (keys != nullptr) {
    for (std::size_t i = 0; i < keys->size(); ++i) {
      bindBytes(st, static_cast<int>(i) + 3, (*keys)[i].data(), (*keys)[i].size());
    }
  }
  status = runWrite(st);
  if (status != kQdbOk) return status;
  return sqlite3_changes(db_) == 1 ? kQdbOk : kQdbNotFound;
}

int SqliteStorage::deleteRecord(const FileDefinition& def, QdbPosition position) {
  FileStatements* fs = nullptr;
  int status = statementsFor(def, &fs);
  if (status != kQdbOk) return status;
  sqlite3_stmt* st = fs->remove.get();
  sqlite3_bind_int64(st, 1, position);
  status = runWrite(st);
  if (status != kQdbOk) return status;
  return sqlite3_changes(db_) == 1 ? kQdbOk : kQdbNotFound;
}

}  // namespace vantrel::qrxdb
