#pragma once
// Bounded waits for what another process does.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

namespace vantrel::test {

// Waits up to `limit` for the file `path` to exist and returns its content, or nothing when it
// did not appear in time. The writer must make the file complete in one step (write
// "<file>.tmp", then rename it), or a half-written file may be read.
std::optional<std::string> waitForFile(const std::string& path,
                                       std::chrono::seconds limit = std::chrono::seconds(20));

// Waits up to `limit` for the child `pid` to end, killing it when the time has passed. Returns
// its exit code, or -1 when it did not exit normally in time.
int waitForChild(pid_t pid, std::chrono::seconds limit);

}  // namespace vantrel::test
