#pragma once
// What the engine needs of the operating system, behind one interface so that tests can put a
// failing or counting one in its place.

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel::qrxdb {

enum class LockOutcome {
  kDone,      // the lock was taken (or freed)
  kConflict,  // another description of the lock file holds a conflicting lock
  kFailed,    // the system refused (no lock memory, bad descriptor, ...)
};

// One open description of the lock file. Byte-range locks on it belong to the description, so
// two descriptions conflict even inside one process, and the kernel frees them when the last
// descriptor of the description is closed (the process dying included). Never waits.
class LockFile {
 public:
  virtual ~LockFile() = default;
  // Locks the one byte at `offset`, shared or exclusive; relocking a byte this description
  // holds changes its kind.
  virtual LockOutcome tryLock(std::uint64_t offset, bool exclusive) = 0;
  virtual LockOutcome unlock(std::uint64_t offset) = 0;
};

enum class PathKind { kMissing, kFile, kDirectory, kOther, kInaccessible };

class Env {
 public:
  virtual ~Env() = default;
  // Opens (creating when needed) a new description of the lock file at `path`, closed on exec.
  // Null on failure.
  virtual std::unique_ptr<LockFile> openLockFile(const std::string& path) = 0;
  virtual PathKind pathKind(const std::string& path) = 0;
  // Makes the directory and its missing parents. True when it exists afterwards.
  virtual bool makeDirectories(const std::string& path) = 0;
  // Gives the file `from` the second name `to` unless `to` exists. 0 done, EEXIST when `to`
  // exists, another errno value on failure.
  virtual int linkNoReplace(const std::string& from, const std::string& to) = 0;
  virtual void removeFile(const std::string& path) = 0;
  // Makes a directory's entries durable (after a link or a rename).
  virtual bool syncDirectory(const std::string& path) = 0;
  // A monotonic clock.
  virtual std::uint64_t nowMicros() = 0;
  virtual void sleepMicros(std::uint64_t micros) = 0;
  virtual int processId() = 0;
};

// The real system. Lives for the whole process.
Env& defaultEnv();

}  // namespace vantrel::qrxdb
