#pragma once
// The engine behind the QDB_ functions: sessions and their handles, key walks and sets, writes,
// record locks and update holds, over a Storage and an Env. One per process; one thread.
//
// Every public function leaves the status of its call with the session it concerns (or with
// the process status when none) and returns what the QDB_ function returns.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "contracts/qdb.h"
#include "platform/qrxdb/definition.h"
#include "platform/qrxdb/env.h"
#include "platform/qrxdb/storage.h"

namespace vantrel::qrxdb {

struct CallStatus {
  int error = 0;
  int fileNumber = 0;
};

class Engine {
 public:
  enum class Seek { kEqual, kAtLeast, kAtMost };

  // REQUIRES: `env` and `processStatus` outlive the engine.
  Engine(Env& env, std::string directory, std::unique_ptr<Storage> storage,
         CallStatus& processStatus);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  const std::string& directory() const { return directory_; }
  bool hasSessions() const { return !sessions_.empty(); }

  QdbSession startSession(int mode);
  int endSession(QdbSession session);
  int setAccessMode(QdbSession session, int mode);
  int accessMode(QdbSession session);
  int createFile(QdbSession session, const QdbFileDef& definition);

  QdbHandle openFile(QdbSession session, int number, bool exclusive);
  int closeFile(QdbHandle file);

  int seek(QdbHandle file, Seek how, int keyNumber, const void* key, std::size_t keyLength,
           void* buffer, std::size_t bufferSize);
  int edge(QdbHandle file, bool last, int keyNumber, void* buffer, std::size_t bufferSize);
  int step(QdbHandle file, bool backward, int keyNumber, void* buffer, std::size_t bufferSize);
  QdbHandle startSet(QdbHandle file, int keyNumber, int direction, const void* key,
                     std::size_t keyLength, void* buffer, std::size_t bufferSize,
                     std::size_t prefixLength);
  int stepSet(QdbHandle set, bool backward, void* buffer, std::size_t bufferSize);
  int middleOfSet(QdbHandle set, void* buffer, std::size_t bufferSize);
  int endSet(QdbHandle set);
  int readAt(QdbHandle file, QdbPosition position, void* buffer, std::size_t bufferSize);
  QdbPosition currentPosition(QdbHandle file);
  int makeCurrentAt(QdbHandle file, QdbPosition position);
  int makeCurrentFromImage(QdbHandle file, int keyNumber, const void* record,
                           std::size_t recordSize);

  int add(QdbHandle file, void* buffer, std::size_t bufferSize);
  // `whole`: the buffer is the whole record (QDB_WriteVRec); else the fixed part (QDB_WriteRec).
  int rewrite(QdbHandle file, const void* buffer, std::size_t bufferSize, bool whole);
  int removeCurrent(QdbHandle file);
  QdbHandle startUpdate(QdbHandle file, int lockMode, int keyNumber, const void* key,
                        std::size_t keyLength, void* buffer, std::size_t bufferSize);
  int finishUpdate(QdbHandle update, bool commit);

  int setLocking(QdbSession session, int mode);
  int pauseLocking(QdbSession session, bool pause);
  int unlockCurrent(QdbHandle file);
  int lockMode(QdbSession session);

  std::size_t wholeLength(QdbHandle file);
  int readWhole(QdbHandle file, void* buffer, std::size_t bufferSize);

  // The status of `session`, or the process status when it is 0 or not live.
  const CallStatus& statusOf(QdbSession session);
  int practiceState(QdbSession session, char* out, std::size_t outSize);

 private:
  struct Batch;
  struct Cursor;
  struct Bounds;
  struct OpenFile;
  struct OpenSet;
  struct OpenUpdate;
  struct Session;
  struct Scratch;
  class HeldLocks;

  Session* findSession(QdbSession id);
  // Resolves a handle; on failure leaves 403 with the session (when live) or the process.
  bool resolveFile(QdbHandle handle, Session** session, OpenFile** file);
  bool resolveSet(QdbHandle handle, Session** session, OpenSet** set, OpenFile** file);
  bool resolveUpdate(QdbHandle handle, Session** session, OpenUpdate** update, OpenFile** file);
  // resolveFile, then checkRead: on failure leaves the read's error with `keyNumber` (403 when
  // the handle is bad) and returns false.
  bool resolveRead(QdbHandle handle, int keyNumber, const void* buffer, std::size_t bufferSize,
                   Session** session, OpenFile** file, int* keyIndex);
  // resolveFile, then requires a current record: without one leaves 112 with the file number.
  bool resolveCurrent(QdbHandle handle, Session** session, OpenFile** file);
  int finish(Session* session, int error, int fileNumber);
  QdbHandle finishHandle(Session* session, int error, int fileNumber, std::uint16_t id);
  std::uint16_t freeHandleId(Session& session);

  int definitionOf(int number, std::shared_ptr<const FileDefinition>* out);
  int checkRead(const OpenFile& file, int keyNumber, int* keyIndex, const void* buffer,
                std::size_t bufferSize);
  bool fresh(const Batch& batch, bool descending, bool withRecords);
  int refill(const FileDefinition& def, Cursor& cursor, bool descending, const Bounds& bounds,
             bool withRecords);
  int advance(Session& session, OpenFile& file, Cursor& cursor, bool descending,
              const Bounds& bounds, bool lock, void* buffer);
  int lockAndReread(Session& session, const FileDefinition& def, QdbPosition position,
                    const Bytes* expectedKey, std::size_t keyIndex, Bytes* record);
  void makeCurrent(OpenFile& file, QdbPosition position, const std::uint8_t* record,
                   std::size_t length);
  int writeAt(Session& session, OpenFile& file, QdbPosition position, const std::uint8_t* data,
              std::size_t length, bool keepTail, int* failedKey);
  int uniqueClash(const FileDefinition& def, const std::vector<Bytes>& keys, QdbPosition position,
                  int* failedKey);
  int takeOpenLock(Session& session, int fileNumber, bool exclusive);
  void dropOpenLock(Session& session, int fileNumber, bool exclusive);
  void releaseLock(Session& session, std::uint64_t offset);
  void releaseAllLocks(Session& session);
  void closeFileHandle(Session& session, std::uint16_t id);

  Env& env_;
  std::string directory_;
  std::unique_ptr<Storage> storage_;
  CallStatus& processStatus_;
  std::map<QdbSession, std::unique_ptr<Session>> sessions_;
  QdbSession nextSession_ = 1;
  std::map<int, std::shared_ptr<const FileDefinition>> definitions_;
  std::map<int, int> fileOfKey_;
  std::unique_ptr<Scratch> scratch_;
  // Counts this process's write attempts: a fetched batch is trusted only while it is unchanged.
  std::uint64_t writeStamp_ = 0;
};

}  // namespace vantrel::qrxdb
