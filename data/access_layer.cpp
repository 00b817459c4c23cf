#include "data/access_layer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "contracts/qrx.h"

namespace {

constexpr std::array<FileDescriptor, kDescriptorCount> kDescriptors = {{
    {1, 0, 3, 0, 0, 0},        {2, 1, 1, 0, 1, 5},        {3, 6, 1, 0, 6, 8},
    {4, 18, 1, 0, 18, 27},     {5, 49, 1, 0, 49, 51},     {6, 34, 1, 0, 34, 35},
    {7, 36, 1, 0, 36, 38},     {8, 268, 1, 0, 268, 275},  {9, 207, 1, 0, 207, 209},
    {10, 46, 1, 0, 46, 48},    {11, 42, 5, 0, 42, 43},    {12, 44, 1, 0, 44, 45},
    {13, 108, 1, 0, 108, 109}, {14, 9, 1, 0, 9, 15},      {15, 52, 1, 0, 52, 61},
    {16, 92, 5, 0, 92, 93},    {17, 16, 1, 0, 16, 17},    {18, 78, 1, 0, 78, 80},
    {19, 64, 1, 0, 64, 65},    {20, 70, 1, 0, 70, 71},    {21, 72, 1, 0, 72, 75},
    {22, 282, 1, 0, 282, 287}, {23, 87, 1, 0, 87, 89},    {24, 66, 1, 0, 66, 69},
    {25, 97, 1, 0, 97, 99},    {26, 100, 1, 0, 100, 105}, {27, 106, 1, 0, 106, 107},
    {28, 90, 1, 0, 90, 91},    {29, 94, 1, 0, 94, 96},    {30, 116, 1, 0, 116, 118},
    {31, 110, 1, 0, 110, 112}, {32, 113, 1, 0, 113, 115}, {33, 120, 1, 0, 120, 121},
}};

// The message numbers of one data file: open, close, lock, delete, write.
struct FileMessages {
  int fileNumber;
  int open;  // 0: the database-not-found notice
  int close;
  int lock;
  int remove;
  int write;
};

constexpr FileMessages kFileMessages[] = {
    {0, 0, 3205, 3206, 3207, 3208},      {1, 3062, 3086, 3109, 3132, 3155},
    {6, 3063, 3087, 3110, 3133, 3156},   {9, 3064, 3088, 3111, 3134, 3157},
    {16, 3065, 3089, 3112, 3135, 3158},  {18, 3066, 3090, 3113, 3136, 3159},
    {268, 3067, 3091, 3114, 3137, 3160}, {34, 3068, 3092, 3115, 3138, 3161},
    {36, 3069, 3093, 3116, 3139, 3162},  {207, 3070, 3094, 3117, 3140, 3163},
    {46, 3071, 3095, 3118, 3141, 3164},  {42, 3072, 3096, 3119, 3142, 3165},
    {44, 3073, 3097, 3120, 3143, 3166},  {49, 3075, 3099, 3122, 3145, 3168},
    {52, 3076, 3100, 3123, 3146, 3169},  {92, 3077, 3101, 3124, 3147, 3170},
    {78, 3079, 3103, 3126, 3149, 3172},  {64, 3080, 3104, 3127, 3150, 3173},
    {70, 3081, 3105, 3128, 3151, 3174},  {72, 3082, 3106, 3129, 3152, 3175},
    {282, 3083, 3107, 3130, 3153, 3176},
};
constexpr FileMessages kOtherFileMessages = {-1, 3084, 3108, 3131, 3154, 3177};
// A repeated key in the notes file has a message of its own.
constexpr int kNotesFile = 42;
constexpr int kNotesDuplicateMessage = 3283;
constexpr int kNoMemoryMessage = 3040;
constexpr int kOpenNotCreatedMessage = 9048;
constexpr int kOpenDamagedMessage = 9049;

const FileMessages& messagesOf(int fileNumber) {
  for (const FileMessages& m : kFileMessages) {
    if (m.fileNumber == fileNumber) return m;
  }
  return kOtherFileMessages;
}

constexpr int kMaxPauseMs = 200;
constexpr int kMaxRetryTimeMs = 2000;
constexpr int kMaxNestedDepth = 220;
constexpr int kNestedBase = 35;
constexpr int kMaxSetBase = 255;
// Key buffers of the reporting calls: the key plus room, or a fixed 100 bytes for rewrites.
constexpr std::size_t kKeyPadding = 20;
constexpr std::size_t kRewriteKeySource = 50;
constexpr std::size_t kRewriteKeyBuffer = 100;

}  // namespace

const std::array<FileDescriptor, kDescriptorCount>& fileDescriptors() { return kDescriptors; }

const FileDescriptor* descriptorOf(int number) {
  for (const FileDescriptor& d : kDescriptors) {
    if (d.fileNumber == number && (number != 0 || d.slot == 1)) return &d;
    if (d.firstKey != 0 && number >= d.firstKey && number <= d.lastKey) return &d;
  }
  return nullptr;
}

AccessLayer::~AccessLayer() {
  if (ownsSession_ && session_ != 0) QDB_EndSession(session_);
}

void AccessLayer::setStatus(int result, int error, int fileNumber) {
  status_.result = static_cast<std::uint16_t>(result);
  status_.error = static_cast<std::uint16_t>(error);
  status_.fileNumber = static_cast<std::uint16_t>(fileNumber);
}

void AccessLayer::takeStatus() {
  setStatus(QDB_GetLastResultNum(session_), QDB_GetLastErrorNum(session_),
            QDB_GetLastFileNum(session_));
}

void AccessLayer::loadRetrySettings() {
  retryCount_ = QRX_GetSuiteSetting("QXCTREEM", "RETRY", 10);
  pauseMs_ = std::clamp(QRX_GetSuiteSetting("QXCTREEM", "PAUSE", 0), 0, kMaxPauseMs);
  if (retryCount_ < 1) retryCount_ = 1;
  if (pauseMs_ >= 1 && retryCount_ > kMaxRetryTimeMs / pauseMs_) {
    retryCount_ = kMaxRetryTimeMs / pauseMs_;
  }
}

// The pause between tries. It sleeps rather than spinning: the wait is the same for the caller
// and the other workstation's process gets the processor meanwhile.
void AccessLayer::pause() const {
  if (pauseMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_));
}

int AccessLayer::startSession() {
  if (session_ != 0) endSession();
  session_ = QDB_StartSession(1);
  if (session_ == 0) {
    const int error = QDB_GetLastErrorNum(0);
    setStatus(error, error, 0);
    return error;
  }
  ownsSession_ = true;
  loadRetrySettings();
  setStatus(0, 0, 0);
  return 0;
}

int AccessLayer::adoptSession(QdbSession session) {
  session_ = session;
  ownsSession_ = false;
  loadRetrySettings();
  setStatus(0, 0, 0);
  return 0;
}

int AccessLayer::endSession() {
  if (ownsSession_ && session_ != 0) QDB_EndSession(session_);
  session_ = 0;
  ownsSession_ = false;
  files_.fill(0);
  sets_.fill(0);
  setBase_ = 0;
  setStatus(0, 0, 0);
  return 0;
}

bool AccessLayer::hasSession() {
  if (session_ != 0) return true;
  setStatus(kDbNoSession, kDbNoSession, 0);
  return false;
}

template <typename Call>
int AccessLayer::onFile(int number, Kind kind, Call call) {
  const QdbHandle h = handleFor(number);
  if (h == 0) return status_.result;
  return run(kind, [&] { call(h); });
}

QdbHandle AccessLayer::handleFor(int number) {
  if (!hasSession()) return 0;
  const FileDescriptor* d = descriptorOf(number);
  const QdbHandle handle = d != nullptr ? files_[static_cast<std::size_t>(d->slot)] : 0;
  if (handle == 0) setStatus(kDbFileNotOpen, kDbFileNotOpen, number);
  return handle;
}

bool AccessLayer::isOpen(int number) const {
  const FileDescriptor* d = descriptorOf(number);
  return session_ != 0 && d != nullptr && files_[static_cast<std::size_t>(d->slot)] != 0;
}

std::size_t AccessLayer::setIndex(const FileDescriptor& descriptor) const {
  return static_cast<std::size_t>(descriptor.slot + std::max(setBase_, 0));
}

template <typename Call>
int AccessLayer::run(Kind kind, Call call) {
  lastTries_ = 0;
  for (;;) {
    ++lastTries_;
    call();
    if (kind != Kind::kRead || QDB_GetLastResultNum(session_) != kQdbLocked ||
        lastTries_ >= retryCount_) {
      break;
    }
    pause();
  }
  takeStatus();
  return status_.result;
}

int AccessLayer::open(const FileDescriptor& descriptor) {
  if (!hasSession()) return kDbNoSession;
  if (descriptor.fileNumber == 0) {
    return run(Kind::kOther,
               [&] { QDB_SetAccessMode(session_, (descriptor.flags & 1) != 0 ? 1 : 2); });
  }
  QdbHandle& slot = files_[static_cast<std::size_t>(descriptor.slot)];
  return run(Kind::kOther, [&] {
    slot = (descriptor.flags & 1) != 0 ? QDB_OpenFile(session_, descriptor.fileNumber)
                                       : QDB_OpenFileExclusive(session_, descriptor.fileNumber);
  });
}

int AccessLayer::close(const FileDescriptor& descriptor) {
  if (!hasSession()) return kDbNoSession;
  QdbHandle& slot = files_[static_cast<std::size_t>(descriptor.slot)];
  if (slot == 0) {
    setStatus(0, 0, 0);
    return 0;
  }
  const QdbHandle handle = slot;
  slot = 0;
  return run(Kind::kOther, [&] { QDB_CloseFile(handle); });
}

int AccessLayer::add(int number, void* record, std::size_t size) {
  return onFile(number, Kind::kOther, [&](QdbHandle h) { QDB_AddRec(h, record, size); });
}

int AccessLayer::rewrite(int number, const void* record, std::size_t size) {
  return onFile(number, Kind::kOther, [&](QdbHandle h) { QDB_WriteRec(h, record, size); });
}

int AccessLayer::deleteCurrent(int number) {
  return onFile(number, Kind::kOther, [&](QdbHandle h) { QDB_DeleteCurRec(h); });
}

int AccessLayer::unlockCurrent(int number) {
  return onFile(number, Kind::kOther, [&](QdbHandle h) { QDB_UnlockCurRecord(h); });
}

int AccessLayer::find(int key, const void* keyBytes, std::size_t keyLength, void* record,
                      std::size_t size) {
  return onFile(key, Kind::kRead,
                [&](QdbHandle h) { QDB_FindRec(h, key, keyBytes, keyLength, record, size); });
}

int AccessLayer::greaterOrEqual(int key, const void* keyBytes, std::size_t keyLength, void* record,
                                std::size_t size) {
  return onFile(key, Kind::kRead, [&](QdbHandle h) {
    QDB_GreaterThanOrEqualRec(h, key, keyBytes, keyLength, record, size);
  });
}

int AccessLayer::lessOrEqual(int key, const void* keyBytes, std::size_t keyLength, void* record,
                             std::size_t size) {
  return onFile(key, Kind::kRead, [&](QdbHandle h) {
    QDB_LessThanOrEqualRec(h, key, keyBytes, keyLength, record, size);
  });
}

int AccessLayer::first(int key, void* record, std::size_t size) {
  return onFile(key, Kind::kRead, [&](QdbHandle h) { QDB_FirstRec(h, key, record, size); });
}

int AccessLayer::last(int key, void* record, std::size_t size) {
  return onFile(key, Kind::kRead, [&](QdbHandle h) { QDB_LastRec(h, key, record, size); });
}

int AccessLayer::next(int key, void* record, std::size_t size) {
  return onFile(key, Kind::kRead, [&](QdbHandle h) { QDB_NextRec(h, key, record, size); });
}

int AccessLayer::previous(int key, void* record, std::size_t size) {
  return onFile(key, Kind::kRead, [&](QdbHandle h) { QDB_PrevRec(h, key, record, size); });
}

int AccessLayer::startSet(int key, int direction, const void* keyBytes, std::size_t keyLength,
                          void* record, std::size_t size, std::size_t prefixLength) {
  const QdbHandle h = handleFor(key);
  if (h == 0) return status_.result;
  QdbHandle& set = sets_[setIndex(*descriptorOf(key))];
  if (set != 0) {
    QDB_EndSet(set);
    set = 0;
  }
  return run(Kind::kRead, [&] {
    set = QDB_StartSet(h, key, direction, keyBytes, keyLength, record, size, prefixLength);
  });
}

int AccessLayer::nextInSet(int key, void* record, std::size_t size) {
  if (handleFor(key) == 0) return status_.result;
  const QdbHandle set = sets_[setIndex(*descriptorOf(key))];
  return run(Kind::kRead, [&] { QDB_NextRecInSet(set, record, size); });
}

int AccessLayer::previousInSet(int key, void* record, std::size_t size) {
  if (handleFor(key) == 0) return status_.result;
  const QdbHandle set = sets_[setIndex(*descriptorOf(key))];
  return run(Kind::kRead, [&] { QDB_PrevRecInSet(set, record, size); });
}

int AccessLayer::middleOfSet(int key, void* record, std::size_t size) {
  if (handleFor(key) == 0) return status_.result;
  const QdbHandle set = sets_[setIndex(*descriptorOf(key))];
  return run(Kind::kRead, [&] { QDB_MIDSET(set, record, size); });
}

int AccessLayer::endSet(int key) {
  if (handleFor(key) == 0) return status_.result;
  QdbHandle& set = sets_[setIndex(*descriptorOf(key))];
  const QdbHandle handle = set;
  set = 0;
  if (handle == 0) {
    setStatus(0, 0, 0);
    return 0;
  }
  return run(Kind::kOther, [&] { QDB_EndSet(handle); });
}

int AccessLayer::readByPosition(int number, QdbPosition position, void* record, std::size_t size) {
  return onFile(number, Kind::kRead, [&](QdbHandle h) { QDB_ReadRec(h, position, record, size); });
}

QdbPosition AccessLayer::position(int number) {
  const QdbHandle h = handleFor(number);
  if (h == 0) return 0;
  QdbPosition pos = 0;
  run(Kind::kOther, [&] { pos = QDB_GetFilePos(h); });
  return pos;
}

std::size_t AccessLayer::varLength(int number) {
  const QdbHandle h = handleFor(number);
  if (h == 0) return 0;
  std::size_t length = 0;
  run(Kind::kOther, [&] { length = QDB_GetVarRecLength(h); });
  return length;
}

int AccessLayer::readVar(int number, void* buffer, std::size_t size) {
  return onFile(number, Kind::kRead, [&](QdbHandle h) { QDB_ReadEntireVarRec(h, buffer, size); });
}

int AccessLayer::writeVar(int number, const void* buffer, std::size_t length) {
  return onFile(number, Kind::kOther, [&](QdbHandle h) { QDB_WriteVRec(h, buffer, length); });
}

int AccessLayer::lockMode(int mode) {
  if (!hasSession()) return kDbNoSession;
  return run(Kind::kOther, [&] { QDB_LKISAM(session_, mode); });
}

int AccessLayer::createFile(const QdbFileDef& definition) {
  if (!hasSession()) return kDbNoSession;
  return run(Kind::kOther, [&] { QDB_CREIFIL(session_, definition); });
}

int AccessLayer::setCurrent(int number, QdbPosition position) {
  return onFile(number, Kind::kOther, [&](QdbHandle h) { QDB_SETCURI(h, position); });
}

int AccessLayer::updateCurrent(int key, const void* record, std::size_t size) {
  return onFile(key, Kind::kOther, [&](QdbHandle h) { QDB_UPDCURI(h, key, record, size); });
}

int AccessLayer::beginNestedSets(int depth) {
  if (!hasSession()) return kDbNoSession;
  if (setBase_ != 0) {
    setStatus(kDbNestedSetsOn, kDbNestedSetsOn, 0);
    return kDbNestedSetsOn;
  }
  if (depth > kMaxNestedDepth) {
    setStatus(kDbSetLevelOutOfRange, kDbSetLevelOutOfRange, 0);
    return kDbSetLevelOutOfRange;
  }
  setStatus(0, 0, 0);
  return 0;
}

int AccessLayer::selectSetLevel(int level) {
  setBase_ = level + kNestedBase > kMaxSetBase ? kDbSetLevelOutOfRange : level + kNestedBase;
  setStatus(0, 0, 0);
  return 0;
}

int AccessLayer::endNestedSets() {
  setBase_ = 0;
  if (!hasSession()) return kDbNoSession;
  setStatus(0, 0, 0);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Reporting operations

void AccessLayer::showWriteMessage(Prompter& prompter, const FileDescriptor& descriptor) {
  const int number = descriptor.fileNumber == kNotesFile && status_.error == kQdbDuplicateKey
                         ? kNotesDuplicateMessage
                         : messagesOf(descriptor.fileNumber).write;
  QRX_MessageBox(prompter, kStyleError, number, status_.error, status_.fileNumber);
}

bool AccessLayer::openReported(Prompter& prompter, const FileDescriptor& descriptor) {
  const int result = open(descriptor);
  if (result == 0) return true;
  const int error = status_.error;
  if (error == kQdbNotCreated) {
    QRX_MessageBox(prompter, kStyleError, kOpenNotCreatedMessage, descriptor.fileNumber);
    return true;
  }
  const FileMessages& m = messagesOf(descriptor.fileNumber);
  if (m.open == 0) {
    QRX_DBFindErr(prompter);
  } else {
    QRX_MessageBox(prompter, kStyleError, m.open, error, status_.fileNumber);
  }
  if (error == kQdbDamaged || error == kQdbOtherVersion) {
    QRX_MessageBox(prompter, kStyleError, kOpenDamagedMessage, descriptor.fileNumber);
    return true;
  }
  return false;
}

void AccessLayer::closeReported(Prompter& prompter, const FileDescriptor& descriptor) {
  if (close(descriptor) != 0) {
    QRX_MessageBox(prompter, kStyleError, messagesOf(descriptor.fileNumber).close, status_.error,
                   status_.fileNumber);
  }
}

namespace {

// A zero-filled copy of the key with room after it, as the database may read a whole key.
std::vector<unsigned char> paddedKey(const void* keyBytes, std::size_t keyLength,
                                     std::size_t bufferLength) {
  std::vector<unsigned char> buffer(bufferLength, 0);
  if (keyBytes != nullptr) {
    std::memcpy(buffer.data(), keyBytes, std::min(keyLength, bufferLength));
  }
  return buffer;
}

}  // namespace

int AccessLayer::findReported(Prompter& prompter, const FileDescriptor& descriptor, int key,
                              const void* keyBytes, std::size_t keyLength, void* record,
                              std::size_t size) {
  const std::vector<unsigned char> padded = paddedKey(keyBytes, keyLength, keyLength + kKeyPadding);
  for (;;) {
    const int result = find(key, padded.data(), padded.size(), record, size);
    if (result == 0 || result == kQdbNotFound) return result;
    if (result == kQdbLocked) {
      if (QRX_RecordLockedQuestion(prompter, descriptor.fileNumber) == kIdRetry) continue;
      return kQdbLocked;
    }
    QRX_DatabaseErrorNotice(prompter, descriptor.fileNumber, status_.error, status_.fileNumber);
    return result;
  }
}

int AccessLayer::findWithQuestion(Prompter& prompter, bool lock, const FileDescriptor& descriptor,
                                  int key, const void* keyBytes, std::size_t keyLength,
                                  void* record, std::size_t size) {
  const std::vector<unsigned char> padded = paddedKey(keyBytes, keyLength, keyLength + kKeyPadding);
  const FileMessages& m = messagesOf(descriptor.fileNumber);
  for (;;) {
    if (lock && lockMode(2) != 0) {
      QRX_MessageBox(prompter, kStyleError, m.lock, status_.error, status_.fileNumber);
      return status_.error;
    }
    const int result = find(key, padded.data(), padded.size(), record, size);
    if (result == 0 || result == kQdbNotFound) return result;
    if (result == kQdbLocked) {
      if (QRX_RecordLockedQuestion(prompter, descriptor.fileNumber) != kIdRetry) {
        return kQdbLocked;
      }
      if (lock) lockMode(0);
      continue;
    }
    QRX_DatabaseErrorNotice(prompter, descriptor.fileNumber, status_.error, status_.fileNumber);
    return result;
  }
}

int AccessLayer::readReported(Prompter& prompter, bool lock, const FileDescriptor& descriptor,
                              int key, const void* keyBytes, std::size_t keyLength, void* record,
                              std::size_t size, int* outFile) {
  if (!openReported(prompter, descriptor)) {
    if (outFile != nullptr) *outFile = status_.fileNumber;
    return status_.error;
  }
  const int result =
      findWithQuestion(prompter, lock, descriptor, key, keyBytes, keyLength, record, size);
  const DbStatus found = status_;
  closeReported(prompter, descriptor);
  // The record found stays locked for the caller's write; anything else lets go.
  if (lock && result != 0) lockMode(0);
  status_ = found;
  if (result != 0 && outFile != nullptr) *outFile = found.fileNumber;
  return result;
}

int AccessLayer::writeReported(Prompter& prompter, bool addRecord, const FileDescriptor& descriptor,
                               int key, const void* keySource, std::size_t keySourceLength,
                               void* findBuffer, void* record, std::size_t size, int* outFile,
                               bool freeLocks) {
  if (!openReported(prompter, descriptor)) {
    if (outFile != nullptr) *outFile = status_.fileNumber;
    return status_.error;
  }
  const auto writeMessage = [&] { showWriteMessage(prompter, descriptor); };
  int result = 0;
  if (addRecord) {
    if (freeLocks) lockMode(2);
    result = add(descriptor.fileNumber, record, size);
    if (result != 0) writeMessage();
    const DbStatus added = status_;
    if (freeLocks) lockMode(0);
    status_ = added;
  } else {
    const std::vector<unsigned char> padded =
        paddedKey(keySource, std::min(keySourceLength, kRewriteKeySource), kRewriteKeyBuffer);
    result = find(key, padded.data(), padded.size(), findBuffer, size);
    if (result != 0) {
      QRX_DatabaseErrorNotice(prompter, descriptor.fileNumber, status_.error, status_.fileNumber);
    } else {
      result = rewrite(descriptor.fileNumber, record, size);
      if (result != 0) writeMessage();
    }
  }
  const DbStatus written = status_;
  closeReported(prompter, descriptor);
  if (freeLocks) lockMode(0);
  status_ = written;
  if (result != 0 && outFile != nullptr) *outFile = written.fileNumber;
  return result;
}

int AccessLayer::addReported(Prompter& prompter, const FileDescriptor& descriptor, void* record,
                             std::size_t size) {
  const int result = add(descriptor.fileNumber, record, size);
  if (result != 0) showWriteMessage(prompter, descriptor);
  return result;
}

int AccessLayer::rewriteReported(Prompter& prompter, const FileDescriptor& descriptor,
                                 const void* record, std::size_t size) {
  const int result = rewrite(descriptor.fileNumber, record, size);
  if (result != 0) showWriteMessage(prompter, descriptor);
  return result;
}

int AccessLayer::deleteReported(Prompter& prompter, const FileDescriptor& descriptor) {
  const int result = deleteCurrent(descriptor.fileNumber);
  if (result != 0) {
    QRX_MessageBox(prompter, kStyleError, messagesOf(descriptor.fileNumber).remove, status_.error,
                   status_.fileNumber);
  }
  return result;
}

int AccessLayer::findAndDeleteReported(Prompter& prompter, bool lock,
                                       const FileDescriptor& descriptor, int key,
                                       const void* keyBytes, std::size_t keyLength, void* record,
                                       std::size_t size, int* outFile) {
  if (!openReported(prompter, descriptor)) {
    if (outFile != nullptr) *outFile = status_.fileNumber;
    return status_.error;
  }
  int result = findWithQuestion(prompter, lock, descriptor, key, keyBytes, keyLength, record, size);
  if (result == 0) result = deleteReported(prompter, descriptor);
  const DbStatus done = status_;
  if (lock) lockMode(0);
  closeReported(prompter, descriptor);
  status_ = done;
  if (result != 0 && outFile != nullptr) *outFile = done.fileNumber;
  return result;
}

// ---------------------------------------------------------------------------------------------

AccessLayer& processAccessLayer() {
  static AccessLayer layer;
  return layer;
}

bool startDatabase(AccessLayer& layer, Prompter& prompter) {
  char path[260] = {};
  if (QRX_GetDataPath(path, sizeof path) == 0) return false;
  const int ready = QDB_InitDataBase(path);
  if (ready == 2) {
    QRX_DBFindErr(prompter);
    return false;
  }
  if (ready != 1) return false;
  return layer.startSession() == 0;
}
