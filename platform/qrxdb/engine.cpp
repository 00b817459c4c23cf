#include "platform/qrxdb/engine.h"

#include <algorithm>
#include <cstring>

#include "platform/qrxdb/key_codec.h"

namespace vantrel::qrxdb {
namespace {

// A plain walk may hand out a record fetched this long ago (the same as a read made a moment
// earlier); older batches are fetched again.
constexpr std::uint64_t kBatchLifeMicros = 20'000;
constexpr std::size_t kLargestBatch = 128;
constexpr std::size_t kFirstWalkBatch = 8;
constexpr std::size_t kFirstSetBatch = 16;
// A walk whose next record keeps moving away under it gives up after this many tries.
constexpr int kMaxRounds = 1000;
// Past this, kQdbFileFull: positions and identifiers are 32-bit.
constexpr std::uint64_t kLastNumber = 0xFFFFFFFFu;
constexpr int kPracticeFile = 6;
constexpr int kPracticeKey = 7;
constexpr std::size_t kPracticeStateAt = 60;
// Internal: the record a walk was about to give changed its key or went away meanwhile.
constexpr int kMoved = -1;

QdbHandle makeHandle(QdbSession session, std::uint16_t id) {
  return (static_cast<QdbHandle>(session) << 16) | id;
}
QdbSession sessionOf(QdbHandle handle) { return static_cast<QdbSession>(handle >> 16); }
std::uint16_t idOf(QdbHandle handle) { return static_cast<std::uint16_t>(handle & 0xFFFF); }

// The entry that `handle` names in one of the tables of `session` (its open files, sets or
// updates), or null when the session is gone or holds no such entry.
template <typename S, typename Table>
typename Table::mapped_type* entryOf(S* session, Table S::*table, QdbHandle handle) {
  if (session == nullptr) return nullptr;
  auto found = (session->*table).find(idOf(handle));
  return found == (session->*table).end() ? nullptr : &found->second;
}

// The handle of the open file that a set or an update belongs to. When `entry` is null: a
// handle of the same session that names no file, since id 0 is never given out.
template <typename Entry>
QdbHandle fileHandleOf(QdbHandle handle, const Entry* entry) {
  return makeHandle(sessionOf(handle), entry != nullptr ? entry->file : 0);
}

// What a lock attempt means for the caller: 0, 42 when another session holds a conflicting
// lock, or an I/O error.
int lockStatus(LockOutcome outcome) {
  if (outcome == LockOutcome::kDone) return kQdbOk;
  return outcome == LockOutcome::kConflict ? kQdbLocked : kQdbIoError;
}

// One byte of the lock file per record; byte 0 of a file's range stands for the file itself.
std::uint64_t lockOffset(int fileNumber, QdbPosition position) {
  return (static_cast<std::uint64_t>(fileNumber) << 32) | position;
}

void putLittleEndian32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

// The record locks a session holds: few as a rule, so a sorted vector (no allocation per lock).
class Engine::HeldLocks {
 public:
  bool contains(std::uint64_t offset) const {
    return std::binary_search(offsets_.begin(), offsets_.end(), offset);
  }
  void insert(std::uint64_t offset) {
    auto at = std::lower_bound(offsets_.begin(), offsets_.end(), offset);
    if (at == offsets_.end() || *at != offset) offsets_.insert(at, offset);
  }
  void erase(std::uint64_t offset) {
    auto at = std::lower_bound(offsets_.begin(), offsets_.end(), offset);
    if (at != offsets_.end() && *at == offset) offsets_.erase(at);
  }
  void clear() { offsets_.clear(); }
  auto begin() const { return offsets_.begin(); }
  auto end() const { return offsets_.end(); }

 private:
  std::vector<std::uint64_t> offsets_;
};

// Rows fetched ahead by a walk.
struct Engine::Batch {
  RowBatch rows;
  std::size_t next = 0;
  bool valid = false;
  bool descending = false;
  bool exhausted = false;    // the fetch reached the end of its range
  bool withRecords = false;  // else positions and keys only
  std::uint64_t writeStamp = 0;
  std::uint64_t fetchedAt = 0;
};

// Where a walk stands in one key's order: after (or before) the stored key it gave last.
struct Engine::Cursor {
  std::size_t keyIndex = 0;
  bool positioned = false;
  Bytes key;
  Batch batch;
  std::size_t nextLimit = 1;
};

// The stored keys a walk keeps to: from `low` (included) up to `high` (excluded) if `bounded`.
struct Engine::Bounds {
  Bytes low;
  bool bounded = false;
  Bytes high;
};

struct Engine::OpenFile {
  std::shared_ptr<const FileDefinition> def;
  bool exclusive = false;
  bool hasCurrent = false;
  QdbPosition currentPosition = 0;
  Bytes currentRecord;  // as read (whole, tail included)
  // Changes whenever the current record changes, so that the file walk knows whether it still
  // stands on the current record.
  std::uint64_t generation = 0;
  Cursor walk;
  std::uint64_t walkGeneration = ~std::uint64_t{0};
};

struct Engine::OpenSet {
  std::uint16_t file = 0;
  int keyNumber = 0;
  Bounds bounds;
  Cursor cursor;
};

struct Engine::OpenUpdate {
  std::uint16_t file = 0;
  QdbPosition position = 0;
  std::uint8_t* buffer = nullptr;  // the caller's, held until commit or abort
  std::size_t size = 0;
};

// Buffers reused from call to call, so that a warm read allocates nothing of its own.
struct Engine::Scratch {
  Cursor cursor;
  Bounds bounds;
  Bytes expected;
  Bytes reread;
  Bytes now;
};

namespace {
template <typename C>
void resetCursor(C& cursor, std::size_t keyIndex, std::size_t firstLimit) {
  cursor.keyIndex = keyIndex;
  cursor.positioned = false;
  cursor.key.clear();
  cursor.batch.valid = false;
  cursor.batch.next = 0;
  cursor.batch.rows.clear();
  cursor.nextLimit = firstLimit;
}
}  // namespace

struct Engine::Session {
  QdbSession id = 0;
  std::unique_ptr<LockFile> locks;
  int accessMode = 1;
  int lockMode = 0;  // 0 off, 1 paused, 2 on
  HeldLocks held;
  CallStatus status;
  std::map<std::uint16_t, OpenFile> files;
  std::map<std::uint16_t, OpenSet> sets;
  std::map<std::uint16_t, OpenUpdate> updates;
  struct Opens {
    int shared = 0;
    int exclusive = 0;
  };
  std::map<int, Opens> opens;
  std::uint16_t nextHandle = 1;
};

Engine::Engine(Env& env, std::string directory, std::unique_ptr<Storage> storage,
               CallStatus& processStatus)
    : env_(env),
      directory_(std::move(directory)),
      storage_(std::move(storage)),
      processStatus_(processStatus),
      scratch_(std::make_unique<Scratch>()) {}

Engine::~Engine() {
  while (!sessions_.empty()) endSession(sessions_.begin()->first);
}

// ---------------------------------------------------------------------------------------------
// Status and handles

int Engine::finish(Session* session, int error, int fileNumber) {
  CallStatus& status = session != nullptr ? session->status : processStatus_;
  status.error = error;
  status.fileNumber = fileNumber;
  return error == kQdbOk ? 1 : 0;
}

QdbHandle Engine::finishHandle(Session* session, int error, int fileNumber, std::uint16_t id) {
  finish(session, error, fileNumber);
  return error == kQdbOk ? makeHandle(session->id, id) : 0;
}

const CallStatus& Engine::statusOf(QdbSession id) {
  Session* session = findSession(id);
  return session != nullptr ? session->status : processStatus_;
}

Engine::Session* Engine::findSession(QdbSession id) {
  auto found = sessions_.find(id);
  return found == sessions_.end() ? nullptr : found->second.get();
}

bool Engine::resolveFile(QdbHandle handle, Session** session, OpenFile** file) {
  *session = findSession(sessionOf(handle));
  *file = entryOf(*session, &Session::files, handle);
  if (*file == nullptr) finish(*session, kQdbBadHandle, 0);
  return *file != nullptr;
}

// Sets and updates end with their file, so resolving the file they belong to gives their
// session and file, and leaves the status when the set or update itself is gone.
bool Engine::resolveSet(QdbHandle handle, Session** session, OpenSet** set, OpenFile** file) {
  *set = entryOf(findSession(sessionOf(handle)), &Session::sets, handle);
  return resolveFile(fileHandleOf(handle, *set), session, file);
}

bool Engine::resolveUpdate(QdbHandle handle, Session** session, OpenUpdate** update,
                           OpenFile** file) {
  *update = entryOf(findSession(sessionOf(handle)), &Session::updates, handle);
  return resolveFile(fileHandleOf(handle, *update), session, file);
}

bool Engine::resolveRead(QdbHandle handle, int keyNumber, const void* buffer,
                         std::size_t bufferSize, Session** session, OpenFile** file,
                         int* keyIndex) {
  if (!resolveFile(handle, session, file)) return false;
  const int status = checkRead(**file, keyNumber, keyIndex, buffer, bufferSize);
  if (status != kQdbOk) finish(*session, status, keyNumber);
  return status == kQdbOk;
}

bool Engine::resolveCurrent(QdbHandle handle, Session** session, OpenFile** file) {
  if (!resolveFile(handle, session, file)) return false;
  if (!(*file)->hasCurrent) finish(*session, kQdbNoCurrentRecord, (*file)->def->fileNumber);
  return (*file)->hasCurrent;
}

std::uint16_t Engine::freeHandleId(Session& session) {
  for (int tries = 0; tries < 0x10000; ++tries) {
    std::uint16_t id = session.nextHandle++;
    if (session.nextHandle == 0) session.nextHandle = 1;
    if (id != 0 && !session.files.count(id) && !session.sets.count(id) &&
        !session.updates.count(id)) {
      return id;
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Sessions

QdbSession Engine::startSession(int mode) {
  if (mode != 1 && mode != 2) {
    finish(nullptr, kQdbBadArgument, 0);
    return 0;
  }
  QdbSession id = 0;
  for (int tries = 0; tries < 0x10000 && id == 0; ++tries) {
    QdbSession candidate = nextSession_++;
    if (nextSession_ == 0) nextSession_ = 1;
    if (candidate != 0 && !sessions_.count(candidate)) id = candidate;
  }
  if (id == 0) {
    finish(nullptr, kQdbTooManyHandles, 0);
    return 0;
  }
  auto session = std::make_unique<Session>();
  session->id = id;
  session->accessMode = mode;
  // Each session has its own description of the lock file: its locks conflict with every
  // other session's, in this process or another.
  session->locks = env_.openLockFile(directory_ + "/qrxdata.lck");
  if (session->locks == nullptr) {
    finish(nullptr, kQdbIoError, 0);
    return 0;
  }
  Session* raw = session.get();
  sessions_.emplace(id, std::move(session));
  finish(raw, kQdbOk, 0);
  return id;
}

int Engine::endSession(QdbSession id) {
  Session* session = findSession(id);
  if (session == nullptr) return finish(nullptr, kQdbBadHandle, 0);
  while (!session->files.empty()) closeFileHandle(*session, session->files.begin()->first);
  releaseAllLocks(*session);
  sessions_.erase(id);  // closes the lock file description: the kernel frees what is left
  storage_->tidy();
  processStatus_ = CallStatus{};
  return 1;
}

int Engine::setAccessMode(QdbSession id, int mode) {
  Session* session = findSession(id);
  if (session == nullptr) return finish(nullptr, kQdbBadHandle, 0);
  if (mode != 1 && mode != 2) return finish(session, kQdbBadArgument, 0);
  session->accessMode = mode;
  return finish(session, kQdbOk, 0);
}

int Engine::accessMode(QdbSession id) {
  Session* session = findSession(id);
  return session != nullptr ? session->accessMode : 0;
}

int Engine::createFile(QdbSession id, const QdbFileDef& definition) {
  Session* session = findSession(id);
  if (session == nullptr) return finish(nullptr, kQdbBadHandle, definition.fileNumber);
  FileDefinition def;
  int status = buildDefinition(definition, &def);
  if (status == kQdbOk) status = storage_->createFile(def);
  return finish(session, status, definition.fileNumber);
}

// ---------------------------------------------------------------------------------------------
// Files

int Engine::definitionOf(int number, std::shared_ptr<const FileDefinition>* out) {
  auto known = fileOfKey_.find(number);
  if (known != fileOfKey_.end()) {
    *out = definitions_.at(known->second);
    return kQdbOk;
  }
  if (number < 1) return kQdbNotCreated;
  // Definitions never change once made, so what another process created is safe to keep.
  auto def = std::make_shared<FileDefinition>();
  int status = storage_->loadDefinition(number, def.get());
  if (status != kQdbOk) return status;
  for (const KeyLayout& key : def->keys) fileOfKey_[key.keyNumber] = def->fileNumber;
  definitions_[def->fileNumber] = def;
  *out = def;
  return kQdbOk;
}

int Engine::takeOpenLock(Session& session, int fileNumber, bool exclusive) {
  Session::Opens& opens = session.opens[fileNumber];
  bool any = opens.shared + opens.exclusive > 0;
  bool wantExclusive = exclusive || opens.exclusive > 0;
  if (!any || (wantExclusive && opens.exclusive == 0)) {
    const int status = lockStatus(session.locks->tryLock(lockOffset(fileNumber, 0), wantExclusive));
    if (status != kQdbOk) {
      if (!any) session.opens.erase(fileNumber);
      return status;
    }
  }
  ++(exclusive ? opens.exclusive : opens.shared);
  return kQdbOk;
}

void Engine::dropOpenLock(Session& session, int fileNumber, bool exclusive) {
  auto found = session.opens.find(fileNumber);
  if (found == session.opens.end()) return;
  Session::Opens& opens = found->second;
  --(exclusive ? opens.exclusive : opens.shared);
  if (opens.shared + opens.exclusive == 0) {
    session.locks->unlock(lockOffset(fileNumber, 0));
    session.opens.erase(found);
  } else if (exclusive && opens.exclusive == 0) {
    session.locks->tryLock(lockOffset(fileNumber, 0), false);  // a downgrade never conflicts
  }
}

QdbHandle Engine::openFile(QdbSession id, int number, bool exclusive) {
  Session* session = findSession(id);
  if (session == nullptr) {
    finish(nullptr, kQdbBadHandle, number);
    return 0;
  }
  std::shared_ptr<const FileDefinition> def;
  int status = definitionOf(number, &def);
  if (status != kQdbOk) return finishHandle(session, status, number, 0);
  std::uint16_t handle = freeHandleId(*session);
  if (handle == 0) return finishHandle(session, kQdbTooManyHandles, number, 0);
  exclusive = exclusive || session->accessMode == 2;
  status = takeOpenLock(*session, def->fileNumber, exclusive);
  if (status != kQdbOk) return finishHandle(session, status, def->fileNumber, 0);
  OpenFile& file = session->files[handle];
  file.def = def;
  file.exclusive = exclusive;
  return finishHandle(session, kQdbOk, def->fileNumber, handle);
}

void Engine::closeFileHandle(Session& session, std::uint16_t id) {
  for (auto it = session.updates.begin(); it != session.updates.end();) {
    if (it->second.file == id) {
      releaseLock(session, lockOffset(session.files.at(id).def->fileNumber, it->second.position));
      it = session.updates.erase(it);
    } else {
      ++it;
    }
  }
  std::erase_if(session.sets, [id](const auto& entry) { return entry.second.file == id; });
  OpenFile& file = session.files.at(id);
  dropOpenLock(session, file.def->fileNumber, file.exclusive);
  session.files.erase(id);
}

int Engine::closeFile(QdbHandle handle) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveFile(handle, &session, &file)) return 0;
  int fileNumber = file->def->fileNumber;
  closeFileHandle(*session, idOf(handle));
  return finish(session, kQdbOk, fileNumber);
}

// ---------------------------------------------------------------------------------------------
// Reading

int Engine::checkRead(const OpenFile& file, int keyNumber, int* keyIndex, const void* buffer,
                      std::size_t bufferSize) {
  *keyIndex = file.def->keyIndex(keyNumber);
  if (*keyIndex < 0) return kQdbUnknownKey;
  if (buffer == nullptr || bufferSize < file.def->recordLength) return kQdbBadBufferSize;
  return kQdbOk;
}

bool Engine::fresh(const Batch& batch, bool descending, bool withRecords) {
  return batch.valid && batch.descending == descending && (batch.withRecords || !withRecords) &&
         batch.writeStamp == writeStamp_ && env_.nowMicros() - batch.fetchedAt < kBatchLifeMicros;
}

int Engine::refill(const FileDefinition& def, Cursor& cursor, bool descending, const Bounds& bounds,
                   bool withRecords) {
  Batch& batch = cursor.batch;
  batch.valid = false;
  Bytes after;
  KeyRange range;
  if (!descending) {
    if (cursor.positioned) {
      // The smallest stored key above the cursor's: its key followed by a zero byte.
      after = cursor.key;
      after.push_back(0);
      range.low = after < bounds.low ? &bounds.low : &after;
    } else {
      range.low = &bounds.low;
    }
    range.high = bounds.bounded ? &bounds.high : nullptr;
  } else {
    range.low = &bounds.low;
    if (cursor.positioned && (!bounds.bounded || cursor.key < bounds.high)) {
      range.high = &cursor.key;
    } else {
      range.high = bounds.bounded ? &bounds.high : nullptr;
    }
  }
  std::size_t limit = cursor.nextLimit;
  int status =
      storage_->fetch(def, cursor.keyIndex, range, descending, limit, 0, withRecords, &batch.rows);
  if (status != kQdbOk) return status;
  batch.valid = true;
  batch.withRecords = withRecords;
  batch.next = 0;
  batch.descending = descending;
  batch.exhausted = batch.rows.size() < limit;
  batch.writeStamp = writeStamp_;
  batch.fetchedAt = env_.nowMicros();
  cursor.nextLimit = std::min(kLargestBatch, std::max(kFirstWalkBatch, limit * 2));
  return kQdbOk;
}

int Engine::lockAndReread(Session& session, const FileDefinition& def, QdbPosition position,
                          const Bytes* expectedKey, std::size_t keyIndex, Bytes* record) {
  const std::uint64_t offset = lockOffset(def.fileNumber, position);
  const bool had = session.held.contains(offset);
  if (!had) {
    const int status = lockStatus(session.locks->tryLock(offset, true));
    if (status != kQdbOk) return status;
    session.held.insert(offset);
  }
  auto giveBack = [&](int status) {
    if (!had) releaseLock(session, offset);
    return status;
  };
  // Read again under the lock: what was fetched before may have been rewritten meanwhile, and
  // a caller that rewrites what it read under a lock must not undo another's change.
  int status = storage_->readAt(def, position, record);
  if (status == kQdbNotFound) return giveBack(expectedKey != nullptr ? kMoved : kQdbNotFound);
  if (status != kQdbOk) return giveBack(status);
  if (record->size() < def.recordLength) return giveBack(kQdbDamaged);
  if (expectedKey != nullptr) {
    Bytes& now = scratch_->now;
    encodeRecordKey(def.keys[keyIndex], record->data(), position, &now);
    if (now != *expectedKey) return giveBack(kMoved);
  }
  return kQdbOk;
}

void Engine::makeCurrent(OpenFile& file, QdbPosition position, const std::uint8_t* record,
                         std::size_t length) {
  file.hasCurrent = true;
  file.currentPosition = position;
  file.currentRecord.assign(record, record + length);
  ++file.generation;
}

// Gives the next record of a walk. On success the cursor stands on it, it is current for the
// file, and its record (the fixed part) is in `buffer`. On failure nothing moves. A locked
// walk reads each record once it holds its lock, so it fetches only positions and keys ahead.
int Engine::advance(Session& session, OpenFile& file, Cursor& cursor, bool descending,
                    const Bounds& bounds, bool lock, void* buffer) {
  const FileDefinition& def = *file.def;
  const bool withRecords = !lock;
  for (int round = 0; round < kMaxRounds; ++round) {
    Batch& batch = cursor.batch;
    if (!fresh(batch, descending, withRecords) ||
        (batch.next >= batch.rows.size() && !batch.exhausted)) {
      int status = refill(def, cursor, descending, bounds, withRecords);
      if (status != kQdbOk) return status;
    }
    if (batch.next >= batch.rows.size()) return kQdbNotFound;

    const RowBatch::Row& row = batch.rows.row(batch.next);
    const std::uint8_t* key = batch.rows.key(row);
    const std::uint8_t* record = batch.rows.record(row);
    std::size_t length = row.recordLength;
    Bytes& reread = scratch_->reread;
    if (lock) {
      Bytes& expected = scratch_->expected;
      expected.assign(key, key + row.keyLength);
      int status = lockAndReread(session, def, row.position, &expected, cursor.keyIndex, &reread);
      if (status == kMoved) {
        batch.valid = false;
        continue;
      }
      if (status != kQdbOk) return status;
      record = reread.data();
      length = reread.size();
    }
    if (length < def.recordLength) return kQdbDamaged;
    cursor.key.assign(key, key + row.keyLength);
    cursor.positioned = true;
    ++batch.next;
    makeCurrent(file, row.position, record, length);
    std::memcpy(buffer, record, def.recordLength);
    return kQdbOk;
  }
  return kQdbBusy;
}

int Engine::seek(QdbHandle handle, Seek how, int keyNumber, const void* key, std::size_t keyLength,
                 void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  int keyIndex = 0;
  if (!resolveRead(handle, keyNumber, buffer, bufferSize, &session, &file, &keyIndex)) return 0;
  const KeyLayout& layout = file->def->keys[static_cast<std::size_t>(keyIndex)];
  if (key == nullptr || keyLength < layout.length) {
    return finish(session, kQdbBadKeyLength, keyNumber);
  }
  Bounds& bounds = scratch_->bounds;
  bounds.bounded = false;
  encodeKeyBytes(layout, static_cast<const std::uint8_t*>(key), &bounds.low);
  bool descending = false;
  switch (how) {
    case Seek::kEqual:
      bounds.bounded = prefixUpperBound(bounds.low, &bounds.high);
      break;
    case Seek::kAtLeast:
      break;
    case Seek::kAtMost:
      // Of equal keys the last: everything below the first key after them.
      bounds.bounded = prefixUpperBound(bounds.low, &bounds.high);
      bounds.low.clear();
      descending = true;
      break;
  }
  Cursor& cursor = scratch_->cursor;
  resetCursor(cursor, static_cast<std::size_t>(keyIndex), 1);
  int status = advance(*session, *file, cursor, descending, bounds, session->lockMode == 2, buffer);
  if (status == kQdbOk) {
    // The walk goes on from here; a batch bounded to equal keys would end it too early.
    if (how == Seek::kEqual) cursor.batch.valid = false;
    std::swap(file->walk, cursor);  // the old walk's buffers serve the next seek
    file->walkGeneration = file->generation;
  }
  return finish(session, status, keyNumber);
}

int Engine::edge(QdbHandle handle, bool last, int keyNumber, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  int keyIndex = 0;
  if (!resolveRead(handle, keyNumber, buffer, bufferSize, &session, &file, &keyIndex)) return 0;
  Cursor& cursor = scratch_->cursor;
  resetCursor(cursor, static_cast<std::size_t>(keyIndex), 1);
  int status = advance(*session, *file, cursor, last, Bounds{}, session->lockMode == 2, buffer);
  if (status == kQdbOk) {
    std::swap(file->walk, cursor);
    file->walkGeneration = file->generation;
  }
  return finish(session, status, keyNumber);
}

int Engine::step(QdbHandle handle, bool backward, int keyNumber, void* buffer,
                 std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  int keyIndex = 0;
  if (!resolveRead(handle, keyNumber, buffer, bufferSize, &session, &file, &keyIndex)) return 0;
  if (!file->hasCurrent) return finish(session, kQdbNoCurrentRecord, keyNumber);
  const std::size_t index = static_cast<std::size_t>(keyIndex);
  Cursor& walk = file->walk;
  if (!walk.positioned || walk.keyIndex != index || file->walkGeneration != file->generation) {
    // Another read, another key or a rewrite moved the current record: start from its key.
    resetCursor(walk, index, kFirstWalkBatch);
    encodeRecordKey(file->def->keys[index], file->currentRecord.data(), file->currentPosition,
                    &walk.key);
    walk.positioned = true;
  }
  int status = advance(*session, *file, walk, backward, Bounds{}, session->lockMode == 2, buffer);
  if (status == kQdbOk) file->walkGeneration = file->generation;
  return finish(session, status, keyNumber);
}

QdbHandle Engine::startSet(QdbHandle handle, int keyNumber, int direction, const void* key,
                           std::size_t keyLength, void* buffer, std::size_t bufferSize,
                           std::size_t prefixLength) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  int keyIndex = 0;
  if (!resolveRead(handle, keyNumber, buffer, bufferSize, &session, &file, &keyIndex)) return 0;
  if (direction != 0 && direction != 1) {
    return finishHandle(session, kQdbBadArgument, keyNumber, 0);
  }
  const KeyLayout& layout = file->def->keys[static_cast<std::size_t>(keyIndex)];
  if (prefixLength > layout.length) return finishHandle(session, kQdbBadPrefix, keyNumber, 0);
  if (keyLength < prefixLength || (key == nullptr && prefixLength > 0)) {
    return finishHandle(session, kQdbBadKeyLength, keyNumber, 0);
  }
  OpenSet set;
  set.file = idOf(handle);
  set.keyNumber = keyNumber;
  if (!encodePrefix(layout, static_cast<const std::uint8_t*>(key), prefixLength, &set.bounds.low)) {
    return finishHandle(session, kQdbBadPrefix, keyNumber, 0);
  }
  set.bounds.bounded = prefixUpperBound(set.bounds.low, &set.bounds.high);
  set.cursor.keyIndex = static_cast<std::size_t>(keyIndex);
  set.cursor.nextLimit = kFirstSetBatch;
  std::uint16_t id = freeHandleId(*session);
  if (id == 0) return finishHandle(session, kQdbTooManyHandles, keyNumber, 0);
  int status = advance(*session, *file, set.cursor, direction == 1, set.bounds,
                       session->lockMode == 2, buffer);
  if (status != kQdbOk) return finishHandle(session, status, keyNumber, 0);
  session->sets.emplace(id, std::move(set));
  return finishHandle(session, kQdbOk, keyNumber, id);
}

int Engine::stepSet(QdbHandle handle, bool backward, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenSet* set = nullptr;
  OpenFile* file = nullptr;
  if (!resolveSet(handle, &session, &set, &file)) return 0;
  if (buffer == nullptr || bufferSize < file->def->recordLength) {
    return finish(session, kQdbBadBufferSize, set->keyNumber);
  }
  int status =
      advance(*session, *file, set->cursor, backward, set->bounds, session->lockMode == 2, buffer);
  return finish(session, status, set->keyNumber);
}

int Engine::middleOfSet(QdbHandle handle, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenSet* set = nullptr;
  OpenFile* file = nullptr;
  if (!resolveSet(handle, &session, &set, &file)) return 0;
  const FileDefinition& def = *file->def;
  if (buffer == nullptr || bufferSize < def.recordLength) {
    return finish(session, kQdbBadBufferSize, set->keyNumber);
  }
  KeyRange range;
  range.low = &set->bounds.low;
  range.high = set->bounds.bounded ? &set->bounds.high : nullptr;
  const std::size_t keyIndex = set->cursor.keyIndex;
  for (int round = 0; round < kMaxRounds; ++round) {
    std::uint64_t count = 0;
    int status = storage_->count(def, keyIndex, range, &count);
    if (status != kQdbOk) return finish(session, status, set->keyNumber);
    if (count == 0) return finish(session, kQdbNotFound, set->keyNumber);
    RowBatch rows;
    status = storage_->fetch(def, keyIndex, range, false, 1,
                             static_cast<std::size_t>((count - 1) / 2), true, &rows);
    if (status != kQdbOk) return finish(session, status, set->keyNumber);
    if (rows.size() == 0) continue;  // the set shrank between the two reads
    const RowBatch::Row& row = rows.row(0);
    Bytes key(rows.key(row), rows.key(row) + row.keyLength);
    Bytes record(rows.record(row), rows.record(row) + row.recordLength);
    if (session->lockMode == 2) {
      status = lockAndReread(*session, def, row.position, &key, keyIndex, &record);
      if (status == kMoved) continue;
      if (status != kQdbOk) return finish(session, status, set->keyNumber);
    }
    if (record.size() < def.recordLength) return finish(session, kQdbDamaged, set->keyNumber);
    set->cursor.key = key;
    set->cursor.positioned = true;
    set->cursor.batch.valid = false;
    makeCurrent(*file, row.position, record.data(), record.size());
    std::memcpy(buffer, record.data(), def.recordLength);
    return finish(session, kQdbOk, set->keyNumber);
  }
  return finish(session, kQdbBusy, set->keyNumber);
}

int Engine::endSet(QdbHandle handle) {
  Session* session = nullptr;
  OpenSet* set = nullptr;
  OpenFile* file = nullptr;
  if (!resolveSet(handle, &session, &set, &file)) return 0;
  int keyNumber = set->keyNumber;
  session->sets.erase(idOf(handle));
  return finish(session, kQdbOk, keyNumber);
}

int Engine::readAt(QdbHandle handle, QdbPosition position, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveFile(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  if (buffer == nullptr || bufferSize < def.recordLength) {
    return finish(session, kQdbBadBufferSize, def.fileNumber);
  }
  if (position == 0) return finish(session, kQdbNotFound, def.fileNumber);
  Bytes record;
  int status = session->lockMode == 2 ? lockAndReread(*session, def, position, nullptr, 0, &record)
                                      : storage_->readAt(def, position, &record);
  if (status == kQdbOk && record.size() < def.recordLength) status = kQdbDamaged;
  if (status != kQdbOk) return finish(session, status, def.fileNumber);
  makeCurrent(*file, position, record.data(), record.size());
  std::memcpy(buffer, record.data(), def.recordLength);
  return finish(session, kQdbOk, def.fileNumber);
}

QdbPosition Engine::currentPosition(QdbHandle handle) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveCurrent(handle, &session, &file)) return 0;
  finish(session, kQdbOk, file->def->fileNumber);
  return file->currentPosition;
}

int Engine::makeCurrentAt(QdbHandle handle, QdbPosition position) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveFile(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  Bytes record;
  int status = position == 0 ? kQdbNotFound : storage_->readAt(def, position, &record);
  if (status == kQdbOk && record.size() < def.recordLength) status = kQdbDamaged;
  if (status == kQdbOk) makeCurrent(*file, position, record.data(), record.size());
  return finish(session, status, def.fileNumber);
}

int Engine::makeCurrentFromImage(QdbHandle handle, int keyNumber, const void* image,
                                 std::size_t imageSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  int keyIndex = 0;
  if (!resolveRead(handle, keyNumber, image, imageSize, &session, &file, &keyIndex)) return 0;
  const FileDefinition& def = *file->def;
  const KeyLayout& layout = def.keys[static_cast<std::size_t>(keyIndex)];
  // An image does not carry its own position.
  if (layout.positionOrder()) return finish(session, kQdbBadArgument, keyNumber);
  Bounds bounds;
  encodeImageKey(layout, static_cast<const std::uint8_t*>(image), &bounds.low);
  bounds.bounded = prefixUpperBound(bounds.low, &bounds.high);
  KeyRange range{&bounds.low, bounds.bounded ? &bounds.high : nullptr};
  // Of equal keys the one stored as the image; the first when none is.
  RowBatch rows;
  std::size_t chosen = 0;
  bool matched = false;
  int status = kQdbOk;
  for (std::size_t offset = 0; !matched; offset += kLargestBatch) {
    status = storage_->fetch(def, static_cast<std::size_t>(keyIndex), range, false, kLargestBatch,
                             offset, true, &rows);
    if (status != kQdbOk) return finish(session, status, keyNumber);
    if (offset == 0 && rows.size() == 0) return finish(session, kQdbNotFound, keyNumber);
    for (std::size_t i = 0; i < rows.size() && !matched; ++i) {
      const RowBatch::Row& row = rows.row(i);
      if (row.recordLength >= def.recordLength &&
          std::memcmp(rows.record(row), image, def.recordLength) == 0) {
        chosen = i;
        matched = true;
      }
    }
    if (rows.size() < kLargestBatch) break;
  }
  if (!matched) {
    status =
        storage_->fetch(def, static_cast<std::size_t>(keyIndex), range, false, 1, 0, true, &rows);
    if (status == kQdbOk && rows.size() == 0) status = kQdbNotFound;
    if (status != kQdbOk) return finish(session, status, keyNumber);
    chosen = 0;
  }
  const RowBatch::Row& row = rows.row(chosen);
  if (row.recordLength < def.recordLength) return finish(session, kQdbDamaged, keyNumber);
  makeCurrent(*file, row.position, rows.record(row), row.recordLength);
  return finish(session, kQdbOk, keyNumber);
}

// ---------------------------------------------------------------------------------------------
// Writing

int Engine::uniqueClash(const FileDefinition& def, const std::vector<Bytes>& keys,
                        QdbPosition position, int* failedKey) {
  for (std::size_t i = 0; i < def.keys.size(); ++i) {
    if (!def.keys[i].unique || def.keys[i].positionOrder()) continue;
    QdbPosition holder = 0;
    int status = storage_->keyHolder(def, i, keys[i], &holder);
    if (status == kQdbNotFound) continue;
    if (status != kQdbOk) return status;
    if (holder != position) {
      *failedKey = def.keys[i].keyNumber;
      return kQdbDuplicateKey;
    }
  }
  return kQdbOk;
}

int Engine::add(QdbHandle handle, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveFile(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  const bool sizeFits = def.variableLength
                            ? bufferSize >= def.recordLength && bufferSize <= kQdbMaxRecordLength
                            : bufferSize == def.recordLength;
  if (buffer == nullptr || !sizeFits) return finish(session, kQdbBadBufferSize, def.fileNumber);

  Bytes record(static_cast<const std::uint8_t*>(buffer),
               static_cast<const std::uint8_t*>(buffer) + bufferSize);
  int failedKey = def.fileNumber;
  bool locked = false;
  QdbPosition position = 0;
  std::uint64_t identifier = 0;
  ++writeStamp_;
  int status = storage_->beginWrite();
  if (status == kQdbOk) {
    status = [&] {
      std::uint64_t nextPosition = 0;
      std::uint64_t nextIdentifier = 0;
      int s = storage_->readCounters(def, &nextPosition, &nextIdentifier);
      if (s != kQdbOk) return s;
      if (nextPosition == 0 || nextPosition > kLastNumber) return kQdbFileFull;
      position = static_cast<QdbPosition>(nextPosition);
      if (def.hasIdentifier) {
        if (nextIdentifier == 0 || nextIdentifier > kLastNumber) return kQdbFileFull;
        identifier = nextIdentifier;
        // The identifier first: its key is made of it.
        putLittleEndian32(record.data() + 2, static_cast<std::uint32_t>(identifier));
      }
      std::vector<Bytes> keys(def.keys.size());
      for (std::size_t i = 0; i < def.keys.size(); ++i) {
        encodeRecordKey(def.keys[i], record.data(), position, &keys[i]);
      }
      s = uniqueClash(def, keys, position, &failedKey);
      if (s != kQdbOk) return s;
      s = storage_->insertRecord(def, position, record.data(), record.size(), keys);
      if (s != kQdbOk) return s;
      s = storage_->writeCounters(def, nextPosition + 1,
                                  def.hasIdentifier ? identifier + 1 : nextIdentifier);
      if (s != kQdbOk) return s;
      if (session->lockMode == 2) {
        // Taken before the commit, so no other session can lock the new record first.
        const std::uint64_t offset = lockOffset(def.fileNumber, position);
        s = lockStatus(session->locks->tryLock(offset, true));
        if (s != kQdbOk) return s;
        session->held.insert(offset);
        locked = true;
      }
      return storage_->commitWrite();
    }();
    if (status != kQdbOk) {
      storage_->abortWrite();
      if (locked) releaseLock(*session, lockOffset(def.fileNumber, position));
    }
  }
  if (status != kQdbOk) {
    return finish(session, status, status == kQdbDuplicateKey ? failedKey : def.fileNumber);
  }
  if (def.hasIdentifier) {
    putLittleEndian32(static_cast<std::uint8_t*>(buffer) + 2,
                      static_cast<std::uint32_t>(identifier));
  }
  makeCurrent(*file, position, record.data(), record.size());
  return finish(session, kQdbOk, def.fileNumber);
}

int Engine::writeAt(Session& session, OpenFile& file, QdbPosition position,
                    const std::uint8_t* data, std::size_t length, bool keepTail, int* failedKey) {
  const FileDefinition& def = *file.def;
  const std::uint64_t offset = lockOffset(def.fileNumber, position);
  const bool had = session.held.contains(offset);
  if (!had) {
    // Held for the write alone: a record another session holds is not ours to change.
    const int status = lockStatus(session.locks->tryLock(offset, true));
    if (status != kQdbOk) return status;
  }
  Bytes record;
  ++writeStamp_;
  int status = storage_->beginWrite();
  if (status == kQdbOk) {
    status = [&] {
      Bytes stored;
      int s = storage_->readAt(def, position, &stored);
      if (s != kQdbOk) return s;
      record.assign(data, data + length);
      if (keepTail && def.variableLength && stored.size() > def.recordLength) {
        record.insert(record.end(), stored.begin() + def.recordLength, stored.end());
      }
      if (stored.size() < def.recordLength) return kQdbDamaged;
      std::vector<Bytes> keys(def.keys.size());
      Bytes before;
      bool keysChanged = false;
      for (std::size_t i = 0; i < def.keys.size(); ++i) {
        encodeRecordKey(def.keys[i], record.data(), position, &keys[i]);
        encodeRecordKey(def.keys[i], stored.data(), position, &before);
        keysChanged = keysChanged || keys[i] != before;
      }
      // Unchanged keys can repeat nothing, and their index entries need no rewriting.
      if (keysChanged) {
        s = uniqueClash(def, keys, position, failedKey);
        if (s != kQdbOk) return s;
      }
      s = storage_->updateRecord(def, position, record.data(), record.size(),
                                 keysChanged ? &keys : nullptr);
      if (s != kQdbOk) return s;
      return storage_->commitWrite();
    }();
    if (status != kQdbOk) storage_->abortWrite();
  }
  if (!had) session.locks->unlock(offset);
  if (status == kQdbOk) makeCurrent(file, position, record.data(), record.size());
  return status;
}

int Engine::rewrite(QdbHandle handle, const void* buffer, std::size_t bufferSize, bool whole) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveFile(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  bool sizeFits = bufferSize == def.recordLength;
  if (whole && def.variableLength) {
    sizeFits = bufferSize >= def.recordLength && bufferSize <= kQdbMaxRecordLength;
  }
  if (buffer == nullptr || !sizeFits) return finish(session, kQdbBadBufferSize, def.fileNumber);
  if (!file->hasCurrent) return finish(session, kQdbNoCurrentRecord, def.fileNumber);
  int failedKey = def.fileNumber;
  int status = writeAt(*session, *file, file->currentPosition,
                       static_cast<const std::uint8_t*>(buffer), bufferSize, !whole, &failedKey);
  return finish(session, status, status == kQdbDuplicateKey ? failedKey : def.fileNumber);
}

int Engine::removeCurrent(QdbHandle handle) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveCurrent(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  const std::uint64_t offset = lockOffset(def.fileNumber, file->currentPosition);
  const bool had = session->held.contains(offset);
  if (!had) {
    const int status = lockStatus(session->locks->tryLock(offset, true));
    if (status != kQdbOk) return finish(session, status, def.fileNumber);
    session->held.insert(offset);
  }
  ++writeStamp_;
  int status = storage_->beginWrite();
  if (status == kQdbOk) {
    status = storage_->deleteRecord(def, file->currentPosition);
    if (status == kQdbOk) status = storage_->commitWrite();
    if (status != kQdbOk) storage_->abortWrite();
  }
  // A deleted record keeps no lock; a record that is still there keeps what it had.
  if (status == kQdbOk || !had) releaseLock(*session, offset);
  // The current record stays, so that walks go on from its key.
  return finish(session, status, def.fileNumber);
}

QdbHandle Engine::startUpdate(QdbHandle handle, int lockMode, int keyNumber, const void* key,
                              std::size_t keyLength, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  int keyIndex = 0;
  if (!resolveRead(handle, keyNumber, buffer, bufferSize, &session, &file, &keyIndex)) return 0;
  if (lockMode != 2) return finishHandle(session, kQdbBadArgument, keyNumber, 0);
  const KeyLayout& layout = file->def->keys[static_cast<std::size_t>(keyIndex)];
  if (key == nullptr || keyLength < layout.length) {
    return finishHandle(session, kQdbBadKeyLength, keyNumber, 0);
  }
  std::uint16_t id = freeHandleId(*session);
  if (id == 0) return finishHandle(session, kQdbTooManyHandles, keyNumber, 0);
  Bounds& bounds = scratch_->bounds;
  encodeKeyBytes(layout, static_cast<const std::uint8_t*>(key), &bounds.low);
  bounds.bounded = prefixUpperBound(bounds.low, &bounds.high);
  Cursor& cursor = scratch_->cursor;
  resetCursor(cursor, static_cast<std::size_t>(keyIndex), 1);
  int status = advance(*session, *file, cursor, false, bounds, /*lock=*/true, buffer);
  if (status != kQdbOk) return finishHandle(session, status, keyNumber, 0);
  cursor.batch.valid = false;
  std::swap(file->walk, cursor);
  file->walkGeneration = file->generation;
  OpenUpdate& update = session->updates[id];
  update.file = idOf(handle);
  update.position = file->currentPosition;
  update.buffer = static_cast<std::uint8_t*>(buffer);
  update.size = bufferSize;
  return finishHandle(session, kQdbOk, keyNumber, id);
}

int Engine::finishUpdate(QdbHandle handle, bool commit) {
  Session* session = nullptr;
  OpenUpdate* update = nullptr;
  OpenFile* file = nullptr;
  if (!resolveUpdate(handle, &session, &update, &file)) return 0;
  const FileDefinition& def = *file->def;
  const std::uint64_t offset = lockOffset(def.fileNumber, update->position);
  int status = kQdbOk;
  int failedKey = def.fileNumber;
  if (commit) {
    status = writeAt(*session, *file, update->position, update->buffer, def.recordLength,
                     /*keepTail=*/true, &failedKey);
  }
  releaseLock(*session, offset);
  session->updates.erase(idOf(handle));
  return finish(session, status, status == kQdbDuplicateKey ? failedKey : def.fileNumber);
}

// ---------------------------------------------------------------------------------------------
// Locks

void Engine::releaseLock(Session& session, std::uint64_t offset) {
  session.locks->unlock(offset);
  session.held.erase(offset);
}

void Engine::releaseAllLocks(Session& session) {
  for (std::uint64_t offset : session.held) session.locks->unlock(offset);
  session.held.clear();
}

int Engine::setLocking(QdbSession id, int mode) {
  Session* session = findSession(id);
  if (session == nullptr) return finish(nullptr, kQdbBadHandle, 0);
  if (mode == 2) {
    session->lockMode = 2;
  } else if (mode == 0) {
    releaseAllLocks(*session);
    session->lockMode = 0;
  } else {
    return finish(session, kQdbBadArgument, 0);
  }
  return finish(session, kQdbOk, 0);
}

int Engine::pauseLocking(QdbSession id, bool pause) {
  Session* session = findSession(id);
  if (session == nullptr) return finish(nullptr, kQdbBadHandle, 0);
  if (pause && session->lockMode == 2) session->lockMode = 1;
  if (!pause && session->lockMode == 1) session->lockMode = 2;
  return finish(session, kQdbOk, 0);
}

int Engine::unlockCurrent(QdbHandle handle) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveCurrent(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  const std::uint64_t offset = lockOffset(def.fileNumber, file->currentPosition);
  if (session->held.contains(offset)) releaseLock(*session, offset);
  return finish(session, kQdbOk, def.fileNumber);
}

int Engine::lockMode(QdbSession id) {
  Session* session = findSession(id);
  return session != nullptr ? session->lockMode : 0;
}

// ---------------------------------------------------------------------------------------------
// Variable-length records

std::size_t Engine::wholeLength(QdbHandle handle) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveCurrent(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  Bytes record;
  int status = storage_->readAt(def, file->currentPosition, &record);
  finish(session, status, def.fileNumber);
  return status == kQdbOk ? record.size() : 0;
}

int Engine::readWhole(QdbHandle handle, void* buffer, std::size_t bufferSize) {
  Session* session = nullptr;
  OpenFile* file = nullptr;
  if (!resolveFile(handle, &session, &file)) return 0;
  const FileDefinition& def = *file->def;
  if (buffer == nullptr) return finish(session, kQdbBadBufferSize, def.fileNumber);
  if (!file->hasCurrent) return finish(session, kQdbNoCurrentRecord, def.fileNumber);
  Bytes record;
  int status = session->lockMode == 2
                   ? lockAndReread(*session, def, file->currentPosition, nullptr, 0, &record)
                   : storage_->readAt(def, file->currentPosition, &record);
  if (status == kQdbOk && record.size() > bufferSize) status = kQdbBadBufferSize;
  if (status != kQdbOk) return finish(session, status, def.fileNumber);
  std::memcpy(buffer, record.data(), record.size());
  file->currentRecord = record;
  return finish(session, kQdbOk, def.fileNumber);
}

// ---------------------------------------------------------------------------------------------
// The practice record

int Engine::practiceState(QdbSession id, char* out, std::size_t outSize) {
  Session* session = findSession(id);
  if (session == nullptr) return finish(nullptr, kQdbBadHandle, kPracticeFile);
  if (out == nullptr || outSize < 3) return finish(session, kQdbBadBufferSize, kPracticeFile);
  std::shared_ptr<const FileDefinition> def;
  int status = definitionOf(kPracticeFile, &def);
  if (status != kQdbOk) return finish(session, status, kPracticeFile);
  if (def->fileNumber != kPracticeFile) return finish(session, kQdbNotCreated, kPracticeFile);
  const int keyIndex = def->keyIndex(kPracticeKey);
  if (keyIndex < 0) return finish(session, kQdbUnknownKey, kPracticeKey);
  const KeyLayout& layout = def->keys[static_cast<std::size_t>(keyIndex)];
  // Kind 0, code "-PR-", four zero bytes: as much of it as the key holds, as a prefix.
  static constexpr std::uint8_t kPracticeKeyBytes[9] = {0, '-', 'P', 'R', '-', 0, 0, 0, 0};
  Bytes low;
  Bytes high;
  if (layout.positionOrder() ||
      !encodePrefix(layout, kPracticeKeyBytes, std::min(layout.length, sizeof kPracticeKeyBytes),
                    &low)) {
    return finish(session, kQdbBadKeyLength, kPracticeKey);
  }
  const bool bounded = prefixUpperBound(low, &high);
  RowBatch rows;
  status = storage_->fetch(*def, static_cast<std::size_t>(keyIndex),
                           KeyRange{&low, bounded ? &high : nullptr}, false, 1, 0, true, &rows);
  if (status == kQdbOk && rows.size() == 0) status = kQdbNotFound;
  if (status != kQdbOk) return finish(session, status, kPracticeKey);
  const RowBatch::Row& row = rows.row(0);
  if (row.recordLength < kPracticeStateAt + 3) return finish(session, kQdbDamaged, kPracticeKey);
  const std::uint8_t* state = rows.record(row) + kPracticeStateAt;
  out[0] = static_cast<char>(state[0]);
  out[1] = state[0] == 0 ? '\0' : static_cast<char>(state[1]);
  out[2] = '\0';
  return finish(session, kQdbOk, kPracticeFile);
}

}  // namespace vantrel::qrxdb
