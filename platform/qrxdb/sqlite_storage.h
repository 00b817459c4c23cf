#pragma once
// Records in one SQLite file (WAL mode, synchronous FULL). Layout:
//   qdb_meta(name, value)                   the format version of the database
//   qdb_files(file, version, name, definition)  each file's stored definition
//   qdb_keys(key, file, why)                which file each key number belongs to
//   qdb_counters(file, next_pos, next_id)   never decreased: positions and identifiers are
//                                           never given twice
//   f<file>(pos INTEGER PRIMARY KEY, rec, k<key>...)  one table per file, one stored key per
//                                           column, a unique index on each key column
// SQL values are always bound; table and column names are made from numbers only.

#include <map>
#include <memory>
#include <string>

#include "platform/qrxdb/env.h"
#include "platform/qrxdb/storage.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vantrel::qrxdb {

class SqliteStorage final : public Storage {
 public:
  // The format version of the database as a whole.
  static constexpr int kFormatVersion = 1;

  // Opens the existing database file at `path` with the VFS `vfs` (empty: SQLite's default).
  // kQdbOk; kQdbDamaged for a file that is not a database of ours; kQdbOtherVersion;
  // kQdbIoError when it cannot be written (read-only file, unwritable directory).
  static int open(Env& env, const std::string& path, const std::string& vfs,
                  std::unique_ptr<SqliteStorage>* out);
  // Makes an empty database named `path` inside `directory`: built under a temporary name and
  // then linked to `path` only if that name is free, so it appears whole or not at all.
  // kQdbOk (with *existed when another database already had the name) or kQdbIoError.
  static int create(Env& env, const std::string& directory, const std::string& path, bool* existed);

  ~SqliteStorage() override;
  SqliteStorage(const SqliteStorage&) = delete;
  SqliteStorage& operator=(const SqliteStorage&) = delete;

  int loadDefinition(int fileOrKeyNumber, FileDefinition* out) override;
  int createFile(const FileDefinition& def) override;
  int readAt(const FileDefinition& def, QdbPosition position, Bytes* record) override;
  int fetch(const FileDefinition& def, std::size_t keyIndex, const KeyRange& range, bool descending,
            std::size_t limit, std::size_t offset, bool withRecords, RowBatch* out) override;
  int count(const FileDefinition& def, std::size_t keyIndex, const KeyRange& range,
            std::uint64_t* out) override;
  void tidy() override;
  int beginWrite() override;
  int commitWrite() override;
  void abortWrite() override;
  int readCounters(const FileDefinition& def, std::uint64_t* nextPosition,
                   std::uint64_t* nextIdentifier) override;
  int writeCounters(const FileDefinition& def, std::uint64_t nextPosition,
                    std::uint64_t nextIdentifier) override;
  int keyHolder(const FileDefinition& def, std::size_t keyIndex, const Bytes& key,
                QdbPosition* holder) override;
  int insertRecord(const FileDefinition& def, QdbPosition position, const std::uint8_t* record,
                   std::size_t length, const std::vector<Bytes>& keys) override;
  int updateRecord(const FileDefinition& def, QdbPosition position, const std::uint8_t* record,
                   std::size_t length, const std::vector<Bytes>* keys) override;
  int deleteRecord(const FileDefinition& def, QdbPosition position) override;

 private:
  class Statement;
  struct FileStatements;

  SqliteStorage(Env& env, sqlite3* db);
  int prepare(const std::string& sql, Statement* out);
  int execute(const std::string& sql);
  int statementsFor(const FileDefinition& def, FileStatements** out);
  int readFormat(int* format);
  int ensureWal();
  template <typename OnRow>
  int run(sqlite3_stmt* st, OnRow onRow);
  int runWrite(sqlite3_stmt* st);
  static int afterCommit(void* self, sqlite3* db, const char* name, int pages);
  void foldLog(sqlite3* db, const char* name);

  Env& env_;
  sqlite3* db_;
  std::unique_ptr<Statement> begin_, commit_, rollback_, readCounters_, writeCounters_,
      loadDefinition_;
  std::map<int, std::unique_ptr<FileStatements>> files_;
  int logPages_ = 0;  // pages in the write-ahead log not yet folded into the file
};

}  // namespace vantrel::qrxdb
