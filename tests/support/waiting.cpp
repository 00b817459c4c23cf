#include "tests/support/waiting.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/support/test_files.h"

namespace vantrel::test {

namespace {
constexpr auto kPollInterval = std::chrono::milliseconds(5);
}  // namespace

std::optional<std::string> waitForFile(const std::string& path, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::access(path.c_str(), F_OK) == 0) return readFile(path);
    std::this_thread::sleep_for(kPollInterval);
  }
  return std::nullopt;
}

int waitForChild(pid_t pid, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace vantrel::test
