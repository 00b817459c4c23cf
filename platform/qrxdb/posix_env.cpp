// The real operating system: open-file-description locks, POSIX files, the monotonic clock.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/qrxdb/env.h"

namespace vantrel::qrxdb {
namespace {

class OfdLockFile final : public LockFile {
 public:
  explicit OfdLockFile(int fd) : fd_(fd) {}
  ~OfdLockFile() override { ::close(fd_); }
  OfdLockFile(const OfdLockFile&) = delete;
  OfdLockFile& operator=(const OfdLockFile&) = delete;

  LockOutcome tryLock(std::uint64_t offset, bool exclusive) override {
    return set(offset, exclusive ? F_WRLCK : F_RDLCK);
  }
  LockOutcome unlock(std::uint64_t offset) override { return set(offset, F_UNLCK); }

 private:
  LockOutcome set(std::uint64_t offset, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    lock.l_pid = 0;  // required by open-file-description locks
    // Never F_OFD_SETLKW: these locks have no deadlock detection, so we try and report.
    for (;;) {
      if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return LockOutcome::kDone;
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EACCES) return LockOutcome::kConflict;
      return LockOutcome::kFailed;
    }
  }

  int fd_;
};

class PosixEnv final : public Env {
 public:
  std::unique_ptr<LockFile> openLockFile(const std::string& path) override {
    // O_CLOEXEC: a program we start must not inherit the description and, with it, our locks.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<OfdLockFile>(fd);
  }

  PathKind pathKind(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      return (errno == ENOENT || errno == ENOTDIR) ? PathKind::kMissing : PathKind::kInaccessible;
    }
    if (S_ISREG(st.st_mode)) return PathKind::kFile;
    if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
    return PathKind::kOther;
  }

  bool makeDirectories(const std::string& path) override {
    if (path.empty()) return false;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
      std::string part = path.substr(0, slash);
      if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
      if (slash == std::string::npos) break;
    }
    return pathKind(path) == PathKind::kDirectory;
  }

  int linkNoReplace(const std::string& from, const std::string& to) override {
    return ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }

  void removeFile(const std::string& path) override { ::unlink(path.c_str()); }

  bool syncDirectory(const std::string& path) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
  }

  std::uint64_t nowMicros() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }

  void sleepMicros(std::uint64_t micros) override {
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
  }

  int processId() override { return static_cast<int>(::getpid()); }
};

}  // namespace

Env& defaultEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace vantrel::qrxdb
