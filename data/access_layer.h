#pragma once
// The system's own layer over the record database: one session for the process, one open handle
// per data file, the status every call leaves behind, silent retries of reads that meet a locked
// record, and reporting calls that tell the user about failures with each file's message numbers.
//
// Short routines that need a record or two do not use this layer: they start a private session
// of their own (see record_readers.h).

#include <array>
#include <cstddef>
#include <cstdint>

#include "contracts/qdb.h"

class Prompter;

// One entry of the descriptor table. Flags: bit 0 set = open shared, clear = exclusive; bits 1
// and 2 are carried for other modules and not read here.
struct FileDescriptor {
  std::int16_t slot = 0;
  std::int16_t fileNumber = 0;
  std::uint16_t flags = 0;
  std::uint16_t reserved = 0;
  // The key numbers that belong to the file (0, 0 for the database as a whole).
  std::int16_t firstKey = 0;
  std::int16_t lastKey = 0;
};

inline constexpr int kDescriptorCount = 33;
// The descriptor table, slot 1 first.
const std::array<FileDescriptor, kDescriptorCount>& fileDescriptors();
// The descriptor whose file number or key range holds `number`; nullptr for a number in no range.
const FileDescriptor* descriptorOf(int number);

// The last result, last error and last file number left by every call.
struct DbStatus {
  std::uint16_t result = 0;
  std::uint16_t error = 0;
  std::uint16_t fileNumber = 0;
};

// Codes the layer itself leaves in DbStatus.
inline constexpr int kDbNoSession = 12;
inline constexpr int kDbFileNotOpen = 26;
inline constexpr int kDbNestedSetsOn = 184;
inline constexpr int kDbSetLevelOutOfRange = 185;

class AccessLayer {
 public:
  AccessLayer() = default;
  AccessLayer(const AccessLayer&) = delete;
  AccessLayer& operator=(const AccessLayer&) = delete;
  // Ends a session it started (not an adopted one).
  ~AccessLayer();

  // ---- Session
  // Starts a session (shared mode) and loads the retry settings. Returns the last result.
  int startSession();
  // Takes a session that another part already holds, then loads the retry settings.
  int adoptSession(QdbSession session);
  // Ends the session (only when this layer started it), clears the handles and the status.
  int endSession();
  QdbSession session() const { return session_; }
  const DbStatus& status() const { return status_; }

  // Retry settings (QXCTREEM/RETRY and PAUSE of the suite profile), loaded at every start.
  int retryCount() const { return retryCount_; }
  int pauseMs() const { return pauseMs_; }
  // How many times the last read called the database (1 when it met no lock).
  int lastTries() const { return lastTries_; }

  // ---- Plain operations. Each returns the last result number (0 = success) and leaves status().
  // `number` is a file or key number of the descriptor table; a number in no range finds no
  // descriptor and is treated like a file that is not open.
  int open(const FileDescriptor& descriptor);
  // Closing a file that is not open succeeds with an all-zero status.
  int close(const FileDescriptor& descriptor);
  bool isOpen(int number) const;

  int add(int number, void* record, std::size_t size);
  int rewrite(int number, const void* record, std::size_t size);
  int deleteCurrent(int number);
  int unlockCurrent(int number);

  int find(int key, const void* keyBytes, std::size_t keyLength, void* record, std::size_t size);
  int greaterOrEqual(int key, const void* keyBytes, std::size_t keyLength, void* record,
                     std::size_t size);
  int lessOrEqual(int key, const void* keyBytes, std::size_t keyLength, void* record,
                  std::size_t size);
  int first(int key, void* record, std::size_t size);
  int last(int key, void* record, std::size_t size);
  int next(int key, void* record, std::size_t size);
  int previous(int key, void* record, std::size_t size);

  // Sets: direction 0 forward from the first record, 1 backward from the last. The set handle
  // goes to the set table at the slot plus the current set level base.
  int startSet(int key, int direction, const void* keyBytes, std::size_t keyLength, void* record,
               std::size_t size, std::size_t prefixLength);
  int nextInSet(int key, void* record, std::size_t size);
  int previousInSet(int key, void* record, std::size_t size);
  int middleOfSet(int key, void* record, std::size_t size);
  int endSet(int key);

  int readByPosition(int number, QdbPosition position, void* record, std::size_t size);
  // The current record's position; 0 with error 26 when the file is not open.
  QdbPosition position(int number);
  std::size_t varLength(int number);
  int readVar(int number, void* buffer, std::size_t size);
  int writeVar(int number, const void* buffer, std::size_t length);

  // 2: lock what is read next; 0: free every lock.
  int lockMode(int mode);
  int createFile(const QdbFileDef& definition);
  int setCurrent(int number, QdbPosition position);
  int updateCurrent(int key, const void* record, std::size_t size);

  // ---- Nested sets: a set walked inside another set's loop, possibly on the same file.
  int beginNestedSets(int depth);
  int selectSetLevel(int level);
  int endNestedSets();

  // ---- Reporting operations: failures are told through the prompter with the file's messages.
  // Open: true when the caller may go on (also after error 46, and after 14 or 15).
  bool openReported(Prompter& prompter, const FileDescriptor& descriptor);
  void closeReported(Prompter& prompter, const FileDescriptor& descriptor);
  // 0 found; 101 silently; 42 when the user gave up retrying; another error after the notice.
  int findReported(Prompter& prompter, const FileDescriptor& descriptor, int key,
                   const void* keyBytes, std::size_t keyLength, void* record, std::size_t size);
  // Opens, finds (locking first when `lock`), closes. A record found while locking stays locked
  // for the caller's write. *outFile is the last file number whenever the result is not 0.
  int readReported(Prompter& prompter, bool lock, const FileDescriptor& descriptor, int key,
                   const void* keyBytes, std::size_t keyLength, void* record, std::size_t size,
                   int* outFile);
  // Add (addRecord) or rewrite: opens, adds under a lock, or finds the record by the first 50
  // bytes of `keySource` and rewrites it; closes. With `freeLocks` false the add takes no locks
  // and no lock is freed at the end.
  int writeReported(Prompter& prompter, bool addRecord, const FileDescriptor& descriptor, int key,
                    const void* keySource, std::size_t keySourceLength, void* findBuffer,
                    void* record, std::size_t size, int* outFile, bool freeLocks = true);
  int addReported(Prompter& prompter, const FileDescriptor& descriptor, void* record,
                  std::size_t size);
  int rewriteReported(Prompter& prompter, const FileDescriptor& descriptor, const void* record,
                      std::size_t size);
  int deleteReported(Prompter& prompter, const FileDescriptor& descriptor);
  int findAndDeleteReported(Prompter& prompter, bool lock, const FileDescriptor& descriptor,
                            int key, const void* keyBytes, std::size_t keyLength, void* record,
                            std::size_t size, int* outFile);

 private:
  enum class Kind { kRead, kOther };
  // Steps 1 and 2 of every call: a session and an open slot. Returns the handle or 0 (status set).
  QdbHandle handleFor(int number);
  // False, with status 12, when there is no session.
  bool hasSession();
  // Runs `call(handle)` on the file of `number` when it is open; else leaves 12 or 26.
  template <typename Call>
  int onFile(int number, Kind kind, Call call);
  // The write message of the file (the notes file has its own for a repeated key).
  void showWriteMessage(Prompter& prompter, const FileDescriptor& descriptor);
  std::size_t setIndex(const FileDescriptor& descriptor) const;
  // Runs a library call, repeating reads while they meet a lock, then takes the status.
  template <typename Call>
  int run(Kind kind, Call call);
  void takeStatus();
  void setStatus(int result, int error, int fileNumber);
  void loadRetrySettings();
  void pause() const;
  // Open, copy the key into a padded buffer, lock (when asked) and find, retrying on the user's
  // word. Shared by read reported and find-and-delete reported.
  int findWithQuestion(Prompter& prompter, bool lock, const FileDescriptor& descriptor, int key,
                       const void* keyBytes, std::size_t keyLength, void* record, std::size_t size);

  QdbSession session_ = 0;
  bool ownsSession_ = false;
  std::array<QdbHandle, kDescriptorCount + 1> files_{};  // by slot
  // Indexed by slot plus base: the base reaches 255, so the table has room for the last slot
  // above it and no level can write past its end.
  std::array<QdbHandle, 256 + kDescriptorCount + 1> sets_{};
  int setBase_ = 0;
  DbStatus status_;
  int retryCount_ = 10;
  int pauseMs_ = 0;
  int lastTries_ = 0;
};

// The access layer of the running program.
AccessLayer& processAccessLayer();

// Starts the database for the program: the data path from the utility library, the database
// opened, the session started. The database-not-found notice is shown when the directory holds
// no database. Returns true when the session is ready.
bool startDatabase(AccessLayer& layer, Prompter& prompter);
