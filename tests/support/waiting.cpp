#include "tests/support/waiting.h"

#include <unistd.h>

#include <thread>

#include "tests/support/test_files.h"

namespace vantrel::test {

std::optional<std::string> waitForFile(const std::string& path, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::access(path.c_str(), F_OK) == 0) return readFile(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return std::nullopt;
}

}  // namespace vantrel::test
