#include "platform/qrx/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <vector>

namespace vantrel::qrx {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

// Control bytes mark binary junk; a tab is an ordinary blank.
bool hasControlByte(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return true;
  }
  return false;
}

// kDamaged: a line the reader does not understand (kept as it is, never read).
enum class LineKind { kBlankOrComment, kDamaged, kSection, kEntry };

// What the reader makes of one line. The views point into the line.
struct ParsedLine {
  LineKind kind = LineKind::kDamaged;
  std::string_view name;
  std::string_view value;
};

// The text of a line without its "\n" or "\r\n".
std::string_view lineBody(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view lineTerminator(std::string_view line) {
  return line.substr(lineBody(line).size());
}

ParsedLine parseLine(std::string_view line) {
  std::string_view raw = lineBody(line);
  if (raw.size() > ProfileFile::kMaxLineLength || hasControlByte(raw)) return {};
  std::string_view text = trim(raw);
  if (text.empty() || text.front() == ';' || text.front() == '#') {
    return {LineKind::kBlankOrComment, {}, {}};
  }
  if (text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) return {};
    return {LineKind::kSection, trim(text.substr(1, close - 1)), {}};
  }
  std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view name = trim(text.substr(0, eq));
  if (name.empty()) return {};
  std::string_view value = trim(text.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return {LineKind::kEntry, name, value};
}

// Lines keep their terminators, so that joining them gives the file back byte for byte.
std::vector<std::string> splitLines(std::string_view content) {
  std::vector<std::string> lines;
  while (!content.empty()) {
    std::size_t end = content.find('\n');
    std::size_t length = end == std::string_view::npos ? content.size() : end + 1;
    lines.emplace_back(content.substr(0, length));
    content.remove_prefix(length);
  }
  return lines;
}

struct Scan {
  std::vector<std::size_t> entries;  // lines of the key inside matching sections, first first
  // After the last line of the first matching section that is neither blank nor a comment (a
  // comment just above the next section belongs to that section).
  std::size_t insertAt = kNone;
};

Scan scanFor(const std::vector<std::string>& lines, std::string_view section,
             std::string_view key) {
  Scan scan;
  bool inMatching = false;
  bool inFirstMatching = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ParsedLine parsed = parseLine(lines[i]);
    if (parsed.kind == LineKind::kSection) {
      inMatching = equalsIgnoreCase(parsed.name, section);
      inFirstMatching = inMatching && scan.insertAt == kNone;
      if (inFirstMatching) scan.insertAt = i + 1;
      continue;
    }
    if (!inMatching || parsed.kind == LineKind::kBlankOrComment) continue;
    if (inFirstMatching) scan.insertAt = i + 1;
    if (parsed.kind == LineKind::kEntry && equalsIgnoreCase(parsed.name, key)) {
      scan.entries.push_back(i);
    }
  }
  return scan;
}

// New lines follow the file's own line ending.
std::string fileLineEnding(const std::vector<std::string>& lines) {
  if (!lines.empty() && lineTerminator(lines.front()) == "\r\n") return "\r\n";
  return "\n";
}

std::string joinLines(std::vector<std::string>& lines, const std::string& eol) {
  std::string content;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // Only the old last line can lack a terminator; once something follows it, it needs one.
    if (i + 1 < lines.size() && lineTerminator(lines[i]).empty()) lines[i] += eol;
    content += lines[i];
  }
  return content;
}

// Parses a value as the settings have always been read: optional sign, then digits.
int leadingInt(std::string_view text, int def) {
  text = trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || !isDigit(text[i])) return def;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long number = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    number = number * 10 + (text[i] - '0');
    if (number >= limit) {
      number = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -number : number);
}

// A value that would not read back as written (blanks at an end, quotes of its own) is quoted.
std::string encodeValue(std::string_view value) {
  bool quote =
      !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                         (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  if (!quote) return std::string(value);
  std::string encoded;
  encoded.reserve(value.size() + 2);
  encoded += '"';
  encoded += value;
  encoded += '"';
  return encoded;
}

bool validSection(std::string_view section) {
  return !section.empty() && section.find(']') == std::string_view::npos &&
         !hasControlByte(section);
}

bool validKey(std::string_view key) {
  return !key.empty() && key.front() != '[' && key.front() != ';' && key.front() != '#' &&
         key.find('=') == std::string_view::npos && !hasControlByte(key);
}

// ---------------------------------------------------------------------------------------------
// Files

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports whether the close succeeded (a deferred write error shows here).
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult readWholeFile(const std::string& path, std::string* content, struct stat* info) {
  content->clear();
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  if (::fstat(fd.get(), info) != 0 || !S_ISREG(info->st_mode)) return ReadResult::kFailed;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ReadResult::kFailed;
    if (got == 0) return ReadResult::kRead;
    content->append(buffer, static_cast<std::size_t>(got));
  }
}

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

std::string directoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool makeDirectories(const std::string& directory) {
  for (std::size_t pos = 1; pos <= directory.size(); ++pos) {
    if (pos < directory.size() && directory[pos] != '/') continue;
    std::string prefix = directory.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat info {};
  return ::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void syncDirectory(const std::string& directory) {
  Descriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.valid()) ::fsync(fd.get());
}

// An exclusive lock on the lock file beside a profile, held until destruction. Open file
// description locks are used so that two objects in one process exclude each other as two
// processes do; the descriptor is close-on-exec so that a started program cannot keep it.
// Waiting for the lock is safe here: a writer holds this one lock and no other while it waits,
// so no cycle of waiters can form.
class ProfileLock {
 public:
  explicit ProfileLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (!fd_.valid()) return;
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    int result;
    do {
      result = ::fcntl(fd_.get(), F_OFD_SETLKW, &request);
    } while (result != 0 && errno == EINTR);
    if (result != 0 && errno == EINVAL) {
      // A kernel without open file description locks: flock locks the same way.
      do {
        result = ::flock(fd_.get(), LOCK_EX);
      } while (result != 0 && errno == EINTR);
    }
    locked_ = result == 0;
  }

  // Closing the descriptor releases the lock.
  bool locked() const { return locked_; }

 private:
  Descriptor fd_;
  bool locked_ = false;
};

// Writes `content` as a new file beside `target` and renames it over `target`.
bool replaceFile(const std::string& target, std::string_view content, const struct stat* old) {
  static std::atomic<unsigned> counter{0};
  std::string temp;
  Descriptor fd;
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.valid() && errno != EEXIST) return false;
  }
  if (!fd.valid()) return false;
  bool ok = writeAll(fd.get(), content);
  if (ok && old != nullptr) {
    // Keep the profile's permissions; the owner too where we may set it.
    ok = ::fchmod(fd.get(), old->st_mode & 07777) == 0;
    if (ok && ::fchown(fd.get(), old->st_uid, old->st_gid) != 0) {
      // Not permitted for an ordinary user; the file is then ours, as a new one would be.
    }
  }
  ok = ok && ::fsync(fd.get()) == 0;
  ok = fd.close() && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  syncDirectory(directoryOf(target));
  return true;
}

// The file a profile path writes to: a symbolic link is followed, so that it stays a link.
std::string writeTarget(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

// Runs `edit` on the current text under the lock and writes the result when it changed.
// `edit` returns false when nothing changes.
using Edit = std::function<bool(std::vector<std::string>& lines, const std::string& eol)>;

int rewrite(const std::string& path, const Edit& edit) {
  if (path.empty()) return 0;
  std::string target = writeTarget(path);
  if (!makeDirectories(directoryOf(target))) return 0;
  ProfileLock lock(target + ".lock");
  if (!lock.locked()) return 0;
  std::string content;
  struct stat info {};
  ReadResult read = readWholeFile(target, &content, &info);
  // A file that exists but cannot be read is never replaced: its settings would be lost.
  if (read == ReadResult::kFailed) return 0;
  std::vector<std::string> lines = splitLines(content);
  std::string eol = fileLineEnding(lines);
  if (!edit(lines, eol)) return 1;
  std::string updated = joinLines(lines, eol);
  return replaceFile(target, updated, read == ReadResult::kRead ? &info : nullptr) ? 1 : 0;
}

std::vector<std::string> readLines(const std::string& path) {
  std::string content;
  struct stat info {};
  if (path.empty() || readWholeFile(path, &content, &info) != ReadResult::kRead) return {};
  return splitLines(content);
}

}  // namespace

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
  section = trim(section);
  key = trim(key);
  if (section.empty() || key.empty()) return std::string(def);
  std::vector<std::string> lines = readLines(path_);
  Scan scan = scanFor(lines, section, key);
  if (scan.entries.empty()) return std::string(def);
  return std::string(parseLine(lines[scan.entries.front()]).value);
}

int ProfileFile::readInt(std::string_view section, std::string_view key, int def) const {
  section = trim(section);
  key = trim(key);
  if (section.empty() || key.empty()) return def;
  std::vector<std::string> lines = readLines(path_);
  Scan scan = scanFor(lines, section, key);
  if (scan.entries.empty()) return def;
  return leadingInt(parseLine(lines[scan.entries.front()]).value, def);
}

int ProfileFile::writeString(std::string_view section, std::string_view key,
                             std::string_view value) {
  section = trim(section);
  key = trim(key);
  if (!validSection(section) || !validKey(key) || hasControlByte(value)) return 0;
  std::string encoded = encodeValue(value);
  if (key.size() + 1 + encoded.size() > kMaxLineLength || section.size() + 2 > kMaxLineLength) {
    return 0;
  }
  return rewrite(path_, [&](std::vector<std::string>& lines, const std::string& eol) {
    Scan scan = scanFor(lines, section, key);
    if (!scan.entries.empty()) {
      std::string& line = lines[scan.entries.front()];
      ParsedLine parsed = parseLine(line);
      if (parsed.value == value) return false;
      // The key keeps its spelling, its place and its line ending.
      std::string replaced = std::string(parsed.name) + "=" + encoded;
      replaced += lineTerminator(line);
      line = std::move(replaced);
      return true;
    }
    std::string entry = std::string(key) + "=" + encoded + eol;
    if (scan.insertAt != kNone) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(scan.insertAt), std::move(entry));
    } else {
      std::string header = "[";
      header.append(section).append("]").append(eol);
      lines.push_back(std::move(header));
      lines.push_back(std::move(entry));
    }
    return true;
  });
}

int ProfileFile::writeInt(std::string_view section, std::string_view key, int value) {
  return writeString(section, key, std::to_string(value));
}

int ProfileFile::deleteKey(std::string_view section, std::string_view key) {
  section = trim(section);
  key = trim(key);
  if (section.empty() || key.empty()) return 1;
  // Nothing to remove: the file is left alone (and not created).
  if (scanFor(readLines(path_), section, key).entries.empty()) return 1;
  return rewrite(path_, [&](std::vector<std::string>& lines, const std::string&) {
    Scan scan = scanFor(lines, section, key);
    if (scan.entries.empty()) return false;
    // Every copy goes, so that a later duplicate does not come back into view.
    for (auto it = scan.entries.rbegin(); it != scan.entries.rend(); ++it) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    return true;
  });
}

}  // namespace vantrel::qrx
