// The QDB_ functions: the process's one engine, and the calls handed to it.

#include <pthread.h>

#include <memory>
#include <string>

#include "contracts/qdb.h"
#include "platform/qrxdb/engine.h"
#include "platform/qrxdb/sqlite_storage.h"
#include "platform/qrxdb/testing.h"

namespace vantrel::qrxdb {
namespace {

constexpr const char* kDatabaseFile = "/qrxdata.db";

struct Library {
  CallStatus status;
  Env* testEnv = nullptr;
  std::string testVfs;
  bool forked = false;             // set in a child made by fork() since the engine was made
  std::unique_ptr<Engine> engine;  // last: goes first, while the status it writes to is alive
};

Library& library() {
  defaultEnv();  // made first, so that it outlives the engine at exit
  static Library lib;
  return lib;
}

Env& env() {
  Library& lib = library();
  return lib.testEnv != nullptr ? *lib.testEnv : defaultEnv();
}

void noteFork() { library().forked = true; }

// The engine of this process, or null. A child made by fork() inherits its parent's engine,
// connection and lock descriptions; using or closing them would disturb the parent, so the
// child leaves them alone (and never frees them) and must open the database afresh.
// (fork() is noticed by a handler rather than by asking for the process id on every call,
// which costs a system call.)
Engine* engine() {
  Library& lib = library();
  if (lib.forked) {
    static_cast<void>(lib.engine.release());
    lib.forked = false;
  }
  return lib.engine.get();
}

int failed(int error) {
  library().status = CallStatus{error, 0};
  return 0;
}

std::string directoryOf(const char* dataPath) {
  std::string directory = dataPath;
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  return directory;
}

}  // namespace

namespace testing {
void setEnv(Env* testEnv) { library().testEnv = testEnv; }
void setSqliteVfs(const std::string& name) { library().testVfs = name; }
}  // namespace testing

}  // namespace vantrel::qrxdb

using vantrel::qrxdb::CallStatus;
using vantrel::qrxdb::Engine;
using vantrel::qrxdb::engine;
using vantrel::qrxdb::failed;
using vantrel::qrxdb::library;

int QDB_InitDataBase(const char* dataPath) {
  using namespace vantrel::qrxdb;
  if (dataPath == nullptr || *dataPath == '\0') return failed(kQdbBadArgument);
  const std::string directory = directoryOf(dataPath);
  Library& lib = library();
  if (Engine* current = engine()) {
    if (current->directory() == directory) {
      lib.status = CallStatus{};
      return 1;
    }
    if (current->hasSessions()) return failed(kQdbInUse);
    lib.engine.reset();
  }
  const std::string path = directory + kDatabaseFile;
  switch (env().pathKind(path)) {
    case PathKind::kMissing:
      lib.status = CallStatus{kQdbNotFound, 0};
      return 2;
    case PathKind::kFile:
      break;
    case PathKind::kInaccessible:
      return failed(kQdbIoError);
    default:
      return failed(kQdbDamaged);
  }
  std::unique_ptr<SqliteStorage> storage;
  int status = SqliteStorage::open(env(), path, lib.testVfs, &storage);
  if (status != kQdbOk) return failed(status);
  // The lock file must be usable before any session needs it.
  if (env().openLockFile(directory + "/qrxdata.lck") == nullptr) return failed(kQdbIoError);
  static const bool watchingForks = ::pthread_atfork(nullptr, nullptr, noteFork) == 0;
  if (!watchingForks) return failed(kQdbIoError);
  lib.engine = std::make_unique<Engine>(env(), directory, std::move(storage), lib.status);
  lib.forked = false;
  lib.status = CallStatus{};
  return 1;
}

int QDB_CreateDataBase(const char* dataPath) {
  using namespace vantrel::qrxdb;
  if (dataPath == nullptr || *dataPath == '\0') return failed(kQdbBadArgument);
  const std::string directory = directoryOf(dataPath);
  bool existed = false;
  int status = SqliteStorage::create(env(), directory, directory + kDatabaseFile, &existed);
  if (status != kQdbOk) return failed(status);
  library().status = CallStatus{};
  return existed ? 3 : 1;
}

int QDB_CloseDataBase() {
  engine();  // drops what a parent process left
  library().engine.reset();
  library().status = CallStatus{};
  return 1;
}

// Every other call needs the engine.
#define QDB_ENGINE_OR(failure)  \
  Engine* e = engine();         \
  if (e == nullptr) {           \
    failed(kQdbNotInitialised); \
    return failure;             \
  }

QdbSession QDB_StartSession(int mode) {
  QDB_ENGINE_OR(0);
  return e->startSession(mode);
}
int QDB_EndSession(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->endSession(session);
}
int QDB_SetAccessMode(QdbSession session, int mode) {
  QDB_ENGINE_OR(0);
  return e->setAccessMode(session, mode);
}
int QDB_GetAccessMode(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->accessMode(session);
}
QdbHandle QDB_OpenFile(QdbSession session, int fileOrKeyNumber) {
  QDB_ENGINE_OR(0);
  return e->openFile(session, fileOrKeyNumber, false);
}
QdbHandle QDB_OpenFileExclusive(QdbSession session, int fileOrKeyNumber) {
  QDB_ENGINE_OR(0);
  return e->openFile(session, fileOrKeyNumber, true);
}
int QDB_CloseFile(QdbHandle file) {
  QDB_ENGINE_OR(0);
  return e->closeFile(file);
}
int QDB_CREIFIL(QdbSession session, const QdbFileDef& definition) {
  QDB_ENGINE_OR(0);
  return e->createFile(session, definition);
}

int QDB_FindRec(QdbHandle file, int keyNumber, const void* key, std::size_t keyLength, void* buffer,
                std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->seek(file, Engine::Seek::kEqual, keyNumber, key, keyLength, buffer, bufferSize);
}
int QDB_GreaterThanOrEqualRec(QdbHandle file, int keyNumber, const void* key, std::size_t keyLength,
                              void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->seek(file, Engine::Seek::kAtLeast, keyNumber, key, keyLength, buffer, bufferSize);
}
int QDB_LessThanOrEqualRec(QdbHandle file, int keyNumber, const void* key, std::size_t keyLength,
                           void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->seek(file, Engine::Seek::kAtMost, keyNumber, key, keyLength, buffer, bufferSize);
}
int QDB_FirstRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->edge(file, false, keyNumber, buffer, bufferSize);
}
int QDB_LastRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->edge(file, true, keyNumber, buffer, bufferSize);
}
int QDB_NextRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->step(file, false, keyNumber, buffer, bufferSize);
}
int QDB_PrevRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->step(file, true, keyNumber, buffer, bufferSize);
}
QdbHandle QDB_StartSet(QdbHandle file, int keyNumber, int direction, const void* key,
                       std::size_t keyLength, void* buffer, std::size_t bufferSize,
                       std::size_t prefixLength) {
  QDB_ENGINE_OR(0);
  return e->startSet(file, keyNumber, direction, key, keyLength, buffer, bufferSize, prefixLength);
}
int QDB_NextRecInSet(QdbHandle set, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->stepSet(set, false, buffer, bufferSize);
}
int QDB_PrevRecInSet(QdbHandle set, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->stepSet(set, true, buffer, bufferSize);
}
int QDB_MIDSET(QdbHandle set, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->middleOfSet(set, buffer, bufferSize);
}
int QDB_EndSet(QdbHandle set) {
  QDB_ENGINE_OR(0);
  return e->endSet(set);
}
int QDB_ReadRec(QdbHandle file, QdbPosition position, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->readAt(file, position, buffer, bufferSize);
}
QdbPosition QDB_GetFilePos(QdbHandle file) {
  QDB_ENGINE_OR(0);
  return e->currentPosition(file);
}
int QDB_SETCURI(QdbHandle file, QdbPosition position) {
  QDB_ENGINE_OR(0);
  return e->makeCurrentAt(file, position);
}
int QDB_UPDCURI(QdbHandle file, int keyNumber, const void* record, std::size_t recordSize) {
  QDB_ENGINE_OR(0);
  return e->makeCurrentFromImage(file, keyNumber, record, recordSize);
}

int QDB_AddRec(QdbHandle file, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->add(file, buffer, bufferSize);
}
int QDB_WriteRec(QdbHandle file, const void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->rewrite(file, buffer, bufferSize, false);
}
int QDB_DeleteCurRec(QdbHandle file) {
  QDB_ENGINE_OR(0);
  return e->removeCurrent(file);
}
QdbHandle QDB_StartUpdate(QdbHandle file, int lockMode, int keyNumber, const void* key,
                          std::size_t keyLength, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->startUpdate(file, lockMode, keyNumber, key, keyLength, buffer, bufferSize);
}
int QDB_CommitUpdate(QdbHandle update) {
  QDB_ENGINE_OR(0);
  return e->finishUpdate(update, true);
}
int QDB_AbortUpdate(QdbHandle update) {
  QDB_ENGINE_OR(0);
  return e->finishUpdate(update, false);
}

int QDB_LKISAM(QdbSession session, int mode) {
  QDB_ENGINE_OR(0);
  return e->setLocking(session, mode);
}
int QDB_StartLocking(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->setLocking(session, 2);
}
int QDB_StopLocking(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->setLocking(session, 0);
}
int QDB_PauseLocking(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->pauseLocking(session, true);
}
int QDB_ResumeLocking(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->pauseLocking(session, false);
}
int QDB_UnlockCurRecord(QdbHandle file) {
  QDB_ENGINE_OR(0);
  return e->unlockCurrent(file);
}
int QDB_GetLockMode(QdbSession session) {
  QDB_ENGINE_OR(0);
  return e->lockMode(session);
}

std::size_t QDB_GetVarRecLength(QdbHandle file) {
  QDB_ENGINE_OR(0);
  return e->wholeLength(file);
}
int QDB_ReadEntireVarRec(QdbHandle file, void* buffer, std::size_t bufferSize) {
  QDB_ENGINE_OR(0);
  return e->readWhole(file, buffer, bufferSize);
}
int QDB_WriteVRec(QdbHandle file, const void* buffer, std::size_t length) {
  QDB_ENGINE_OR(0);
  return e->rewrite(file, buffer, length, true);
}

namespace {
const CallStatus& statusFor(QdbSession session) {
  Engine* e = engine();
  return e != nullptr ? e->statusOf(session) : library().status;
}
}  // namespace

int QDB_GetLastResultNum(QdbSession session) { return statusFor(session).error; }
int QDB_GetLastErrorNum(QdbSession session) { return statusFor(session).error; }
int QDB_GetLastFileNum(QdbSession session) { return statusFor(session).fileNumber; }

int QDB_GetPracticeState(QdbSession session, char* out, std::size_t outSize) {
  if (out != nullptr && outSize > 0) out[0] = '\0';
  QDB_ENGINE_OR(0);
  return e->practiceState(session, out, outSize);
}
