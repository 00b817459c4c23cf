#pragma once
// A forked child process that a test talks to over a two-way pipe.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace vantrel::test {

// Forks a child that runs `body` and exits with what it returns (99 when it throws), never
// returning into the test framework. Parent and child pass each other small values: a child tells
// how far it got, or the parent lets it go on. Close what must not be shared across fork() (an
// open database) before the child is made.
class ChildProcess {
 public:
  using Body = std::function<int(ChildProcess&)>;

  // When no pipe or child can be made the test fails; wait() then gives -1, send() false and
  // receive() nothing.
  explicit ChildProcess(const Body& body);
  // Kills and reaps a child that is still running, so no test leaves one behind.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Sends `value` to the other side; false when it could not (also when the other side is gone,
  // which never raises SIGPIPE).
  bool send(std::uint32_t value);
  // The next value from the other side, or nothing when it closed its end or `limit` passed.
  std::optional<std::uint32_t> receive(std::chrono::milliseconds limit = std::chrono::seconds(20));

  // Parent only: kills the child at once (SIGKILL), as a crash or a power cut would.
  void kill();
  // Parent only: waits for the child to end. Its exit code, 128 + the signal that ended it, or
  // -1 without a child.
  int wait();

 private:
  pid_t pid_ = -1;             // 0 inside the child
  int end_ = -1;               // this side's end of the pipe
  std::optional<int> result_;  // set once the child is reaped
};

}  // namespace vantrel::test
