#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "tests/support/waiting.h"

namespace {

using namespace vantrel::test;  // the shared test pieces
namespace fs = std::filesystem;

constexpr int kStarted = 33;

// A started program must never be this process's child, and the helper process in between
// must have been reaped: there is nothing at all to wait for.
void expectNoChildren(const std::string& what) {
  int status = 0;
  errno = 0;
  pid_t found = ::waitpid(-1, &status, WNOHANG);
  EXPECT_EQ(found, -1) << what << ": a child was left behind";
  EXPECT_EQ(errno, ECHILD) << what;
}

class RunProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  // What PATH was before the test changed it.
  std::string savedPath() const { return pathEnv_.saved().value_or("/bin"); }

  // A script that writes each of its arguments after the first as "[arg]" lines into the file
  // named by the first.
  std::string argsScript() const {
    std::string script = file("args.sh");
    writeFile(script,
              "#!/bin/sh\n"
              "out=\"$1\"; shift\n"
              "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$out.tmp\"\n"
              "mv \"$out.tmp\" \"$out\"\n",
              0755);
    return script;
  }

  TempDir dir_{"vantrel-run"};
  ScopedEnv pathEnv_{"PATH"};
};

TEST_F(RunProgramTest, StartsAnExistingProgram) {
  std::string out = file("started");
  std::string command =
      "/bin/sh -c 'echo started > " + out + ".tmp && mv " + out + ".tmp " + out + "'";
  EXPECT_EQ(QRX_RunProgram(command.c_str(), 5), kStarted);
  expectNoChildren("sh");
  EXPECT_EQ(waitForFile(out), "started\n");
}

TEST_F(RunProgramTest, SplitsWordsAsAShellWouldWithoutRunningOne) {
  std::string script = argsScript();
  const struct {
    const char* arguments;
    const char* expected;
  } cases[] = {
      {"plain  words\there", "[plain]\n[words]\n[here]\n"},
      {"\"two words\" 'single $HOME'", "[two words]\n[single $HOME]\n"},
      {"back\\ slash \\'q\\\"", "[back slash]\n['q\"]\n"},
      {"\"esc\\\"aped\\\\\" \"keep\\n\"", "[esc\"aped\\]\n[keep\\n]\n"},
      {"'' \"\" x", "[]\n[]\n[x]\n"},
      {"mixed\"to\"'get'her", "[mixedtogether]\n"},
      {"'a \"b\" c' \"a 'b' c\"", "[a \"b\" c]\n[a 'b' c]\n"},
      {"$(touch /nonexistent) ; | && *", "[$(touch]\n[/nonexistent)]\n[;]\n[|]\n[&&]\n[*]\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string out = file("args" + std::to_string(n++));
    std::string command = script + " " + out + " " + c.arguments;
    ASSERT_EQ(QRX_RunProgram(command.c_str()), kStarted) << c.arguments;
    EXPECT_EQ(waitForFile(out), c.expected) << c.arguments;
  }
  expectNoChildren("args.sh");
}

TEST_F(RunProgramTest, FindsProgramOnPath) {
  argsScript();
  ::setenv("PATH", ("/nonexistent-dir:" + dir_.path() + ":" + savedPath()).c_str(), 1);
  std::string out = file("by-name");
  EXPECT_EQ(QRX_RunProgram(("args.sh " + out + " 'one word'").c_str()), kStarted);
  EXPECT_EQ(waitForFile(out), "[one word]\n");
}

TEST_F(RunProgramTest, ReturnsWithoutWaitingForTheProgram) {
  // The program waits (a bounded time) for a file that the test makes only after the call
  // has returned.
  std::string script = file("waiter.sh");
  writeFile(script,
            "#!/bin/sh\n"
            "i=0\n"
            "while [ ! -e \"$1.go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
            "if [ -e \"$1.go\" ]; then echo went; else echo gave up; fi > \"$1.tmp\"\n"
            "mv \"$1.tmp\" \"$1\"\n",
            0755);
  std::string out = file("waited");
  ASSERT_EQ(QRX_RunProgram((script + " " + out).c_str()), kStarted);
  writeFile(out + ".go", "", 0644);
  EXPECT_EQ(waitForFile(out), "went\n");
  expectNoChildren("waiter.sh");
}

TEST_F(RunProgramTest, NonExecutableFileEarlierOnPathDoesNotHideTheProgram) {
  fs::create_directories(file("first"));
  fs::create_directories(file("second"));
  writeFile(file("first/tool"), "#!/bin/sh\nexit 0\n", 0644);
  writeFile(file("second/tool"), "#!/bin/sh\necho second > \"$1.tmp\"\nmv \"$1.tmp\" \"$1\"\n",
            0755);
  ::setenv("PATH", (file("first") + ":" + file("second") + ":" + savedPath()).c_str(), 1);
  std::string out = file("tool-out");
  EXPECT_EQ(QRX_RunProgram(("tool " + out).c_str()), kStarted);
  EXPECT_EQ(waitForFile(out), "second\n");
}

TEST_F(RunProgramTest, ProgramRunsDetachedWithNullInputAndWithoutCallersDescriptors) {
  std::string script = file("state.sh");
  writeFile(script,
            "#!/bin/sh\n"
            "out=\"$1\"\n"
            "{ readlink /proc/self/fd/0\n"
            "  cut -d' ' -f6 /proc/$$/stat\n"
            "  if [ -e /proc/$$/fd/$2 ]; then echo inherited; else echo closed; fi\n"
            "} > \"$out.tmp\"\n"
            "mv \"$out.tmp\" \"$out\"\n",
            0755);
  // Standard input is a pipe here, so that a program still reading it would show.
  int input[2];
  ASSERT_EQ(::pipe(input), 0);
  int savedStdin = ::dup(STDIN_FILENO);
  ASSERT_GE(savedStdin, 0);
  ::dup2(input[0], STDIN_FILENO);
  // A descriptor the caller keeps, without close-on-exec, at a number no shell uses itself.
  int kept = ::fcntl(input[1], F_DUPFD, 50);
  ASSERT_GE(kept, 50);

  std::string out = file("state");
  int result = QRX_RunProgram((script + " " + out + " " + std::to_string(kept)).c_str());
  ::dup2(savedStdin, STDIN_FILENO);
  ::close(savedStdin);
  ASSERT_EQ(result, kStarted);
  expectNoChildren("state.sh");

  std::optional<std::string> report = waitForFile(out);
  ASSERT_TRUE(report.has_value());
  std::istringstream lines(*report);
  std::string stdinTarget, session, descriptor;
  std::getline(lines, stdinTarget);
  std::getline(lines, session);
  std::getline(lines, descriptor);
  EXPECT_EQ(stdinTarget, "/dev/null");
  EXPECT_NE(std::atol(session.c_str()), static_cast<long>(::getsid(0))) << "same session";
  EXPECT_EQ(descriptor, "closed");
  // The caller's own descriptors are all still open.
  EXPECT_NE(::fcntl(kept, F_GETFD), -1);
  EXPECT_NE(::fcntl(input[0], F_GETFD), -1);
  EXPECT_NE(::fcntl(input[1], F_GETFD), -1);
  ::close(kept);
  ::close(input[0]);
  ::close(input[1]);
}

TEST_F(RunProgramTest, ReportsWhyAProgramCouldNotStart) {
  writeFile(file("not-executable"), "#!/bin/sh\nexit 0\n", 0644);
  writeFile(file("not-a-program"), "\x7f\x01\x02 this is no program format\n", 0755);
  writeFile(file("only-readable-on-path"), "#!/bin/sh\nexit 0\n", 0644);
  ::setenv("PATH", (dir_.path() + ":" + savedPath()).c_str(), 1);
  const struct {
    std::string command;
    int expected;
  } cases[] = {
      {"vantrel-no-such-program-7f3a", 2},
      {"vantrel-no-such-program-7f3a --flag", 2},
      {file("missing") + " arg", 2},
      {file("not-executable/below") + " arg", 2},
      {"''", 2},
      {file("not-executable"), 5},
      {"only-readable-on-path", 5},
      {dir_.path(), 5},
      {file("not-a-program"), 11},
      {"", 0},
      {"   \t ", 0},
      {"'unterminated single", 0},
      {"\"unterminated double", 0},
      {"prog \"escaped end\\\"", 0},
      {"prog trailing\\", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QRX_RunProgram(c.command.c_str()), c.expected) << "[" << c.command << "]";
    expectNoChildren(c.command);
  }
  EXPECT_EQ(QRX_RunProgram(nullptr), 0);
}

}  // namespace
