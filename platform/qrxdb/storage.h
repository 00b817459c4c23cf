#pragma once
// Where records are kept. The engine (sessions, keys, walks, record locks) talks only to this
// interface, so that another backend (a server database for workstations on separate machines)
// can take SQLite's place without any caller noticing.
//
// Every function returns a status number of contracts/qdb.h (kQdbOk on success); the backend
// translates its own failures. Only one thread calls a Storage.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "contracts/qdb.h"
#include "platform/qrxdb/definition.h"

namespace vantrel::qrxdb {

// Rows fetched by one range query, packed in one block.
class RowBatch {
 public:
  struct Row {
    QdbPosition position = 0;
    std::size_t keyAt = 0, keyLength = 0;
    std::size_t recordAt = 0, recordLength = 0;
  };

  void clear() {
    arena_.clear();
    rows_.clear();
  }
  void add(QdbPosition position, const void* key, std::size_t keyLength, const void* record,
           std::size_t recordLength) {
    Row row;
    row.position = position;
    row.keyAt = append(key, keyLength);
    row.keyLength = keyLength;
    row.recordAt = append(record, recordLength);
    row.recordLength = recordLength;
    rows_.push_back(row);
  }
  std::size_t size() const { return rows_.size(); }
  const Row& row(std::size_t i) const { return rows_[i]; }
  const std::uint8_t* key(const Row& r) const { return arena_.data() + r.keyAt; }
  const std::uint8_t* record(const Row& r) const { return arena_.data() + r.recordAt; }

 private:
  std::size_t append(const void* data, std::size_t size) {
    std::size_t at = arena_.size();
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (size > 0) arena_.insert(arena_.end(), p, p + size);
    return at;
  }

  std::vector<std::uint8_t> arena_;
  std::vector<Row> rows_;
};

// A range of stored keys of one key: from `low` (included; null or empty = from the start) up
// to `high` (excluded; null = to the end).
struct KeyRange {
  const Bytes* low = nullptr;
  const Bytes* high = nullptr;
};

class Storage {
 public:
  virtual ~Storage() = default;

  // The catalogue. Finds the file that has `fileOrKeyNumber` as its number or a key number:
  // kQdbNotCreated when none, kQdbDamaged, kQdbOtherVersion.
  virtual int loadDefinition(int fileOrKeyNumber, FileDefinition* out) = 0;
  // Creates the file in one transaction. kQdbOtherVersion when it exists with another shape
  // (kQdbOk when with the same), kQdbBadDefinition when one of its key numbers belongs to
  // another file.
  virtual int createFile(const FileDefinition& def) = 0;

  // Reads. They see every committed write, and inside a write transaction its own writes.
  // The record at `position`; kQdbNotFound when there is none.
  virtual int readAt(const FileDefinition& def, QdbPosition position, Bytes* record) = 0;
  // Up to `limit` rows whose key `keyIndex` lies in `range`, ascending or descending, after
  // skipping `offset` of them. Without `withRecords` only positions and keys (the rows'
  // records are empty): what a caller needs that reads each record again under a lock.
  virtual int fetch(const FileDefinition& def, std::size_t keyIndex, const KeyRange& range,
                    bool descending, std::size_t limit, std::size_t offset, bool withRecords,
                    RowBatch* out) = 0;
  virtual int count(const FileDefinition& def, std::size_t keyIndex, const KeyRange& range,
                    std::uint64_t* out) = 0;

  // A quiet moment (a session ended): housekeeping that would otherwise stall a later write.
  virtual void tidy() = 0;

  // Writes, each between beginWrite and commitWrite (or abortWrite). beginWrite waits for other
  // writers (kQdbBusy when that takes too long); the transaction excludes every other writer
  // from its start, so what it reads stays true until it commits.
  virtual int beginWrite() = 0;
  virtual int commitWrite() = 0;
  virtual void abortWrite() = 0;
  // The file's next position and next identifier.
  virtual int readCounters(const FileDefinition& def, std::uint64_t* nextPosition,
                           std::uint64_t* nextIdentifier) = 0;
  virtual int writeCounters(const FileDefinition& def, std::uint64_t nextPosition,
                            std::uint64_t nextIdentifier) = 0;
  // The position of the record whose stored key `keyIndex` is exactly `key`; kQdbNotFound.
  virtual int keyHolder(const FileDefinition& def, std::size_t keyIndex, const Bytes& key,
                        QdbPosition* holder) = 0;
  // `keys` holds one stored key per key of the definition, in order.
  virtual int insertRecord(const FileDefinition& def, QdbPosition position,
                           const std::uint8_t* record, std::size_t length,
                           const std::vector<Bytes>& keys) = 0;
  // `keys` null: no stored key changes, only the record's bytes.
  virtual int updateRecord(const FileDefinition& def, QdbPosition position,
                           const std::uint8_t* record, std::size_t length,
                           const std::vector<Bytes>* keys) = 0;
  // kQdbNotFound when there is no record at `position`.
  virtual int deleteRecord(const FileDefinition& def, QdbPosition position) = 0;
};

}  // namespace vantrel::qrxdb
