#include "editing/week_record_set.h"

#include <chrono>
#include <string_view>
#include <thread>

#include "data/record_bytes.h"
#include "data/schema.h"

namespace {

constexpr std::size_t kKeyLength = 9;

RscUseRecord blankRecordOf(const WeekKey& key) {
  const std::string_view code(reinterpret_cast<const char*>(key.bytes.data() + 1), rec::kCodeWidth);
  return RscUseRecord::withKey(key.kind(), code, rec::loadU32(key.bytes.data() + 5));
}

}  // namespace

WeekKey weekKey(std::uint8_t kind, std::string_view code, PackedDate week) {
  WeekKey key;
  key.bytes[0] = kind;
  rec::storeCode(key.bytes.data() + 1, code);
  rec::storeU32(key.bytes.data() + 5, week);
  return key;
}

WeekRecordSet::WeekRecordSet(LockRetry retry) : retry_(retry) {}

WeekRecordSet::~WeekRecordSet() {
  if (!finished_) undo();
  if (session_ != 0) QDB_EndSession(session_);  // frees every lock of the session
}

int WeekRecordSet::open() {
  session_ = QDB_StartSession(1);
  if (session_ == 0) {
    const int error = QDB_GetLastErrorNum(0);
    return error != kQdbOk ? error : kQdbIoError;
  }
  file_ = QDB_OpenFile(session_, kRscUseFile);
  if (file_ == 0) return lastError();
  if (QDB_LKISAM(session_, 2) == 0) return lastError();
  return kQdbOk;
}

int WeekRecordSet::lastError() const {
  const int error = QDB_GetLastErrorNum(session_);
  return error != kQdbOk ? error : kQdbIoError;  // a failure always carries a number
}

void WeekRecordSet::pause() const {
  if (retry_.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(retry_.pauseMs));
}

WeekRecordSet::Entry* WeekRecordSet::entry(const WeekKey& key) {
  for (Entry& e : entries_) {
    if (e.key == key) return &e;
  }
  return nullptr;
}

int WeekRecordSet::lock(const WeekKey& key, bool forReservation) {
  if (file_ == 0) return kQdbBadHandle;
  Entry* held = entry(key);
  if (held != nullptr && (held->onDisk || !forReservation)) return kQdbOk;

  const int tries = retry_.tries < 1 ? 1 : retry_.tries;
  for (int attempt = 0; attempt < tries; ++attempt) {
    Entry e;
    e.key = key;
    RscUseRecord found;
    if (QDB_FindRec(file_, kRscUseByKey, key.bytes.data(), kKeyLength, found.data(),
                    found.size()) != 0) {
      e.record = found;
      e.original = found;
      e.diskBytes = found;
      e.stored = true;
      e.present = true;
      e.onDisk = true;
      e.position = QDB_GetFilePos(file_);
    } else {
      const int error = lastError();
      if (error == kQdbLocked) {
        pause();
        continue;
      }
      if (error != kQdbNotFound) return error;
      e.record = blankRecordOf(key);
      e.original = e.record;
      if (forReservation) {
        RscUseRecord placeholder = e.record;
        if (QDB_AddRec(file_, placeholder.data(), placeholder.size()) == 0) {
          const int addError = lastError();
          if (addError == kQdbDuplicateKey) continue;  // made elsewhere this moment: lock that
          return addError;
        }
        e.onDisk = true;
        e.diskBytes = placeholder;
        e.position = QDB_GetFilePos(file_);
      }
    }
    if (held != nullptr) {
      *held = e;
    } else {
      entries_.push_back(e);
    }
    return kQdbOk;
  }
  return kQdbLocked;
}

int WeekRecordSet::peek(const WeekKey& key, RscUseRecord* out) {
  if (const Entry* held = entry(key); held != nullptr) {
    if (!held->present) return kQdbNotFound;
    if (out != nullptr) *out = held->record;
    return kQdbOk;
  }
  if (file_ == 0) return kQdbBadHandle;
  RscUseRecord found;
  QDB_PauseLocking(session_);
  const int got =
      QDB_FindRec(file_, kRscUseByKey, key.bytes.data(), kKeyLength, found.data(), found.size());
  const int error = got != 0 ? kQdbOk : lastError();
  QDB_ResumeLocking(session_);
  if (error == kQdbOk && out != nullptr) *out = found;
  return error;
}

int WeekRecordSet::apply(Entry& e, const RscUseRecord* want) {
  if (want != nullptr) {
    if (e.onDisk) {
      if (e.diskBytes.sameBytes(*want)) return kQdbOk;
      if (QDB_SETCURI(file_, e.position) == 0) return lastError();
      if (QDB_WriteRec(file_, want->data(), want->size()) == 0) return lastError();
    } else {
      // A record deleted earlier comes back under a new position; its key is what others use.
      RscUseRecord again = *want;
      if (QDB_AddRec(file_, again.data(), again.size()) == 0) return lastError();
      e.position = QDB_GetFilePos(file_);
      e.onDisk = true;
    }
    e.diskBytes = *want;
    return kQdbOk;
  }
  if (!e.onDisk) return kQdbOk;
  if (QDB_SETCURI(file_, e.position) == 0) return lastError();
  if (QDB_DeleteCurRec(file_) == 0) return lastError();
  e.onDisk = false;
  return kQdbOk;
}

int WeekRecordSet::flush() {
  if (finished_ || file_ == 0) return kQdbBadHandle;
  for (Entry& e : entries_) {
    const int error = apply(e, e.present ? &e.record : nullptr);
    if (error != kQdbOk) {
      undo();
      return error;
    }
  }
  flushed_ = true;
  return kQdbOk;
}

int WeekRecordSet::undo() {
  flushed_ = false;
  if (file_ == 0) return kQdbOk;
  int first = kQdbOk;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    const int error = apply(*it, it->stored ? &it->original : nullptr);
    if (error != kQdbOk && first == kQdbOk) first = error;
  }
  return first;
}

void WeekRecordSet::finish() {
  if (finished_) return;
  if (!flushed_) undo();
  finished_ = true;
  if (session_ != 0) QDB_LKISAM(session_, 0);
}
