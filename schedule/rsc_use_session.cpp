#include "schedule/rsc_use_session.h"

#include <algorithm>

#include "contracts/qrx.h"
#include "data/schema.h"

namespace {

const FileDescriptor& rscUseDescriptor() {
  static const FileDescriptor* const d = descriptorOf(kRscUseFile);
  return *d;
}

}  // namespace

RscUseKeyBytes rscUseKeyOf(const RscUseRecord& record) {
  RscUseKeyBytes key{};
  key[0] = record.kind();
  std::copy_n(record.data() + RscUseRecord::kCode.offset, rec::kCodeWidth, key.begin() + 1);
  rec::storeU32(key.data() + 1 + rec::kCodeWidth, record.week());
  return key;
}

int RscUseSession::start() {
  const int error = db_.startSession();
  if (error != 0) QRX_DatabaseErrorNotice(prompter_, kRscUseFile, error, 0);
  return error;
}

int RscUseSession::readLocked(RscUseRecord* record) {
  const RscUseKeyBytes key = rscUseKeyOf(*record);
  RscUseRecord found;
  int file = 0;
  const int result = db_.readReported(prompter_, true, rscUseDescriptor(), kRscUseByKey,
                                      key.data(), key.size(), found.data(), found.size(), &file);
  if (result == kQdbOk) *record = found;
  return result;
}

int RscUseSession::write(bool add, RscUseRecord& record) {
  const RscUseKeyBytes key = rscUseKeyOf(record);
  RscUseRecord scratch;
  int file = 0;
  const int result =
      db_.writeReported(prompter_, add, rscUseDescriptor(), kRscUseByKey, key.data(), key.size(),
                        scratch.data(), record.data(), record.size(), &file);
  release();  // a write that could not even open the file leaves its lock otherwise
  return result;
}

int RscUseSession::addOrRace(RscUseRecord& record) {
  const FileDescriptor& d = rscUseDescriptor();
  if (!db_.openReported(prompter_, d)) {
    const int error = db_.status().error;
    release();
    return error != 0 ? error : kQdbIoError;
  }
  const int result = db_.add(kRscUseFile, record.data(), record.size());
  const DbStatus status = db_.status();
  db_.close(d);
  release();
  if (result != kQdbOk && result != kQdbDuplicateKey) {
    QRX_DatabaseErrorNotice(prompter_, kRscUseFile, status.error, status.fileNumber);
  }
  return result;
}

void RscUseSession::release() {
  if (db_.session() != 0) db_.lockMode(0);
}
