#include "suite/record_store.h"

#include <chrono>
#include <thread>

#include "contracts/qdb.h"
#include "data/schema.h"
#include "data/short_session.h"

namespace suite_store {
namespace {

// The calls give 1 for success; the reason of a failure is the session's last error.
int statusOf(QdbSession session, int ok) {
  if (ok == 1) return kQdbOk;
  const int error = QDB_GetLastErrorNum(session);
  return error != kQdbOk ? error : kQdbIoError;
}

// Why a short session has no file: the session's error, or the process's when no session could
// be started.
int sessionError(const ShortSession& s) {
  const int error = QDB_GetLastErrorNum(s.session());
  return error != kQdbOk ? error : kQdbIoError;
}

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(kLockPauseMs)); }

// The whole current record: the fixed part already read, or for a variable-length file the
// record as stored now. A record that grows between the length and the read is read again.
int readWhole(const ShortSession& s, const QdbFileDef& def, Bytes fixed, Bytes* out) {
  if (!def.variableLength) {
    *out = std::move(fixed);
    return kQdbOk;
  }
  for (int tries = 0; tries < 3; ++tries) {
    const std::size_t length = QDB_GetVarRecLength(s.handle());
    if (length == 0) return statusOf(s.session(), 0);
    Bytes whole(length);
    const int rc =
        statusOf(s.session(), QDB_ReadEntireVarRec(s.handle(), whole.data(), whole.size()));
    if (rc == kQdbOk) {
      *out = std::move(whole);
      return kQdbOk;
    }
    if (rc != kQdbBadBufferSize) return rc;
  }
  return kQdbBadBufferSize;
}

// Finds the record of the key in the locking session `s`, trying again while another
// workstation holds it. 0 (found, locked, whole in *out), 101, or the error.
int findLocked(const ShortSession& s, const QdbFileDef& def, int key,
               std::span<const std::uint8_t> keyBytes, Bytes* out) {
  Bytes fixed(def.recordLength);
  int rc = kQdbLocked;
  for (int tries = 0; tries < kLockTries; ++tries) {
    if (tries > 0) pause();
    rc = statusOf(s.session(), QDB_FindRec(s.handle(), key, keyBytes.data(), keyBytes.size(),
                                           fixed.data(), fixed.size()));
    if (rc != kQdbLocked) break;
  }
  if (rc != kQdbOk) return rc;
  return readWhole(s, def, std::move(fixed), out);
}

int rewriteCurrent(const ShortSession& s, const QdbFileDef& def, const Bytes& record) {
  return statusOf(s.session(), def.variableLength
                                   ? QDB_WriteVRec(s.handle(), record.data(), record.size())
                                   : QDB_WriteRec(s.handle(), record.data(), record.size()));
}

// A short session on the file of `key` with record locks on; 0 or the error.
int openLocking(const ShortSession& s) {
  if (s.handle() == 0) return sessionError(s);
  return statusOf(s.session(), QDB_StartLocking(s.session()));
}

}  // namespace

std::array<std::uint8_t, 4> idKey(std::uint32_t id) {
  return {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
          static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
}

int readRecord(int key, std::span<const std::uint8_t> keyBytes, Bytes* out) {
  const QdbFileDef* def = findFileOfKey(key);
  if (def == nullptr || out == nullptr) return kQdbBadArgument;
  ShortSession s(def->fileNumber);
  if (s.handle() == 0) return sessionError(s);
  Bytes fixed(def->recordLength);
  const int rc = statusOf(s.session(), QDB_FindRec(s.handle(), key, keyBytes.data(),
                                                   keyBytes.size(), fixed.data(), fixed.size()));
  if (rc != kQdbOk) return rc;
  return readWhole(s, *def, std::move(fixed), out);
}

int putRecord(int key, std::span<const std::uint8_t> keyBytes,
              const std::function<Bytes(const Bytes* stored)>& build) {
  const QdbFileDef* def = findFileOfKey(key);
  if (def == nullptr) return kQdbBadArgument;
  ShortSession s(def->fileNumber);
  int rc = openLocking(s);
  if (rc != kQdbOk) return rc;
  // Each round either writes, or loses the race to add the record and finds it the next time.
  for (int round = 0; round < kLockTries; ++round) {
    Bytes stored;
    rc = findLocked(s, *def, key, keyBytes, &stored);
    if (rc == kQdbOk) return rewriteCurrent(s, *def, build(&stored));
    if (rc != kQdbNotFound) return rc;
    Bytes fresh = build(nullptr);
    rc = statusOf(s.session(), QDB_AddRec(s.handle(), fresh.data(), fresh.size()));
    if (rc != kQdbDuplicateKey) return rc;
  }
  return kQdbLocked;
}

int updateRecord(int key, std::span<const std::uint8_t> keyBytes,
                 const std::function<Bytes(const Bytes& stored)>& build) {
  const QdbFileDef* def = findFileOfKey(key);
  if (def == nullptr) return kQdbBadArgument;
  ShortSession s(def->fileNumber);
  int rc = openLocking(s);
  if (rc != kQdbOk) return rc;
  Bytes stored;
  rc = findLocked(s, *def, key, keyBytes, &stored);
  if (rc != kQdbOk) return rc;
  return rewriteCurrent(s, *def, build(stored));
}

int deleteRecord(int key, std::span<const std::uint8_t> keyBytes) {
  const QdbFileDef* def = findFileOfKey(key);
  if (def == nullptr) return kQdbBadArgument;
  ShortSession s(def->fileNumber);
  int rc = openLocking(s);
  if (rc != kQdbOk) return rc;
  Bytes stored;
  rc = findLocked(s, *def, key, keyBytes, &stored);
  if (rc == kQdbNotFound) return kQdbOk;
  if (rc != kQdbOk) return rc;
  return statusOf(s.session(), QDB_DeleteCurRec(s.handle()));
}

int addRecord(int key, Bytes* record) {
  const QdbFileDef* def = findFileOfKey(key);
  if (def == nullptr || record == nullptr) return kQdbBadArgument;
  ShortSession s(def->fileNumber);
  if (s.handle() == 0) return sessionError(s);
  return statusOf(s.session(), QDB_AddRec(s.handle(), record->data(), record->size()));
}

}  // namespace suite_store
