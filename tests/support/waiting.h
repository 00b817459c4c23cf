#pragma once
// A bounded wait for what another process writes.

#include <chrono>
#include <optional>
#include <string>

namespace vantrel::test {

// Waits up to `limit` for the file `path` to exist and returns its content, or nothing when it
// did not appear in time. The writer must make the file complete in one step (write
// "<file>.tmp", then rename it), or a half-written file may be read.
std::optional<std::string> waitForFile(const std::string& path,
                                       std::chrono::seconds limit = std::chrono::seconds(20));

}  // namespace vantrel::test
