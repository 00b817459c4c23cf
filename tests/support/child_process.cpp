#include "tests/support/child_process.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::test {

// One socket pair rather than two pipes: a value sent to a side that is gone gives an error
// (MSG_NOSIGNAL) instead of a SIGPIPE that would end the whole test program.
ChildProcess::ChildProcess(const Body& body) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    ADD_FAILURE() << "cannot make the pipe to a child: errno " << errno;
    return;
  }
  pid_ = ::fork();
  if (pid_ < 0) {
    ADD_FAILURE() << "cannot fork: errno " << errno;
    ::close(ends[0]);
    ::close(ends[1]);
    return;
  }
  if (pid_ == 0) {
    ::close(ends[0]);
    end_ = ends[1];
    int code = 99;
    try {
      code = body(*this);
    } catch (...) {
    }
    ::_exit(code);
  }
  ::close(ends[1]);
  end_ = ends[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !result_) {
    kill();
    wait();
  }
  if (end_ >= 0) ::close(end_);
}

bool ChildProcess::send(std::uint32_t value) {
  if (end_ < 0) return false;
  ssize_t sent = 0;
  do {
    sent = ::send(end_, &value, sizeof value, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(sizeof value);
}

std::optional<std::uint32_t> ChildProcess::receive(std::chrono::milliseconds limit) {
  if (end_ < 0) return std::nullopt;
  pollfd p{end_, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&p, 1, static_cast<int>(limit.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready != 1) return std::nullopt;
  std::uint32_t value = 0;
  ssize_t got = 0;
  do {
    got = ::recv(end_, &value, sizeof value, MSG_WAITALL);
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof value)) return std::nullopt;
  return value;
}

void ChildProcess::kill() {
  // Never in the child (pid 0 would reach the process group), nor once reaped (the number may
  // belong to another process by then).
  if (pid_ > 0 && !result_) ::kill(pid_, SIGKILL);
}

int ChildProcess::wait() {
  if (result_) return *result_;
  if (pid_ <= 0) return -1;
  int status = 0;
  pid_t done = 0;
  do {
    done = ::waitpid(pid_, &status, 0);
  } while (done < 0 && errno == EINTR);
  if (done != pid_) {
    result_ = -1;
  } else {
    result_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return *result_;
}

}  // namespace vantrel::test
