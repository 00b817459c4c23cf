// Starting another program detached from this one, without a shell.
//
// The program is started as a grandchild: the child starts a new session, forks the program and
// exits at once, and the caller reaps the child before returning. The program then belongs to
// nobody here (no zombie is ever left for the caller to collect) and does not get the caller's
// terminal signals. Whether the exec worked comes back through a close-on-exec pipe: a
// successful exec closes it with nothing written; a failed one writes its errno.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"

namespace {

constexpr int kStarted = 33;
constexpr int kNotFound = 2;
constexpr int kNotAllowed = 5;
constexpr int kNotAProgram = 11;
constexpr int kOtherFailure = 0;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Splits a command line as a shell would: blanks separate words; '...' is literal; "..." keeps
// everything but \" and \\, which stand for " and \; a backslash outside quotes takes the next
// character literally. Returns false for an unterminated quote or a backslash at the very end.
bool splitCommandLine(std::string_view line, std::vector<std::string>* words) {
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (isBlank(c)) {
      if (inWord) words->push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      std::size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) return false;
      word.append(line.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return false;
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          ++i;
        }
        word += line[i];
      }
    } else if (c == '\\') {
      if (i + 1 >= line.size()) return false;
      word += line[++i];
    } else {
      word += c;
    }
  }
  if (inWord) words->push_back(std::move(word));
  return true;
}

// The files to try for a program name, in order: the name itself when it holds a "/", else the
// name in every PATH directory (an empty entry is the current directory).
std::vector<std::string> programCandidates(const std::string& name) {
  if (name.find('/') != std::string::npos) return {name};
  const char* env = std::getenv("PATH");
  std::string_view path = env != nullptr ? env : "/bin:/usr/bin";
  std::vector<std::string> candidates;
  for (;;) {
    std::size_t colon = path.find(':');
    std::string_view directory = path.substr(0, colon);
    candidates.push_back((directory.empty() ? std::string(".") : std::string(directory)) + "/" +
                         name);
    if (colon == std::string_view::npos) break;
    path.remove_prefix(colon + 1);
  }
  return candidates;
}

int resultOfExecError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return kNotFound;
    case EACCES:
    case EPERM:
      return kNotAllowed;
    case ENOEXEC:
      return kNotAProgram;
    default:
      return kOtherFailure;
  }
}

// Everything below runs between fork and exec, so it keeps to async-signal-safe calls and
// touches only memory prepared before the fork.
[[noreturn]] void reportAndExit(int pipeFd, int error) {
  ssize_t ignored = ::write(pipeFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

[[noreturn]] void execProgram(int pipeFd, const std::vector<std::string>& candidates,
                              char* const* argv) {
  int nullFd = ::open("/dev/null", O_RDONLY);
  if (nullFd > 0) {
    ::dup2(nullFd, STDIN_FILENO);
    ::close(nullFd);
  }
  // The program inherits none of the caller's other descriptors (the pipe closes on exec too).
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  // Signals the caller ignores or blocks would stay ignored or blocked in the program.
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
      struct sigaction reset {};
      reset.sa_handler = SIG_DFL;
      ::sigaction(signal, &reset, nullptr);
    }
  }
  // As execvp does, a file that may not be run is remembered while the search goes on.
  bool denied = false;
  int error = ENOENT;
  for (const std::string& candidate : candidates) {
    ::execv(candidate.c_str(), argv);
    error = errno;
    if (error == EACCES) {
      denied = true;
    } else if (error != ENOENT && error != ENOTDIR) {
      reportAndExit(pipeFd, error);
    }
  }
  reportAndExit(pipeFd, denied ? EACCES : error);
}

}  // namespace

int QRX_RunProgram(const char* commandLine, int /*show*/) {
  if (commandLine == nullptr) return kOtherFailure;
  std::vector<std::string> words;
  if (!splitCommandLine(commandLine, &words) || words.empty()) return kOtherFailure;
  if (words.front().empty()) return kNotFound;
  std::vector<std::string> candidates = programCandidates(words.front());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return kOtherFailure;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return kOtherFailure;
  }
  if (child == 0) {
    ::close(pipeFds[0]);
    ::setsid();
    pid_t program = ::fork();
    if (program < 0) reportAndExit(pipeFds[1], errno);
    if (program > 0) ::_exit(0);
    execProgram(pipeFds[1], candidates, argv.data());
  }

  ::close(pipeFds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The read ends when every copy of the write end is closed: by the exec, or by the exit of
  // a child that failed.
  int error = 0;
  std::size_t got = 0;
  while (got < sizeof error) {
    ssize_t n = ::read(pipeFds[0], reinterpret_cast<char*>(&error) + got, sizeof error - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(pipeFds[0]);
  if (got == 0) return kStarted;
  if (got < sizeof error) return kOtherFailure;
  return resultOfExecError(error);
}
