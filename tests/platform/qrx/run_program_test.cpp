// Starting other programs: started, not found, not allowed, not a program; words split as a shell
// would without running one; the program detached from this one.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "tests/support/waiting.h"

namespace {

using namespace vantrel::test;

constexpr int kStarted = 33;

// A started program is never this process's child and the helper in between was reaped.
void expectNoChildren(const std::string& what) {
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << what << ": a child was left behind";
  EXPECT_EQ(errno, ECHILD) << what;
}

class RunProgramTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name) const { return dir_.file(name); }
  // A script writing its arguments after the first as "[arg]" lines into the file named by the
  // first, in one step.
  std::string argsScript(const std::string& name = "args.sh") const {
    writeFile(file(name),
              "#!/bin/sh\nout=\"$1\"; shift\n"
              "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$out.tmp\"\n"
              "mv \"$out.tmp\" \"$out\"\n",
              0755);
    return file(name);
  }
  void setPath(const std::string& before) {
    ::setenv("PATH", (before + ":" + pathEnv_.saved().value_or("/bin")).c_str(), 1);
  }
  TempDir dir_{"vantrel-run"};
  ScopedEnv pathEnv_{"PATH"};
};

// What args.sh was given after its output file, one "[word]" line each.
TEST_F(RunProgramTest, SplitsWordsAsAShellWouldWithoutRunningOne) {
  const std::string script = argsScript();
  int runs = 0;
  auto words = [&](const std::string& arguments) {
    const std::string out = file("args" + std::to_string(++runs));
    EXPECT_EQ(QRX_RunProgram((script + " " + out + " " + arguments).c_str()), kStarted);
    return waitForFile(out).value_or("(never ran)");
  };
  EXPECT_EQ(words("plain  words\there"), "[plain]\n[words]\n[here]\n");
  EXPECT_EQ(words("\"two words\" 'single $HOME'"), "[two words]\n[single $HOME]\n");
  EXPECT_EQ(words("back\\ slash \\'q\\\" \"esc\\\"aped\\\\\""),
            "[back slash]\n['q\"]\n[esc\"aped\\]\n");
  EXPECT_EQ(words("'' mixed\"to\"'get'her"), "[]\n[mixedtogether]\n");
  EXPECT_EQ(words("$(touch /nonexistent) ; | && *"),
            "[$(touch]\n[/nonexistent)]\n[;]\n[|]\n[&&]\n[*]\n");
  expectNoChildren("args.sh");
}

// A non-executable file of the same name earlier on PATH must not hide the program.
TEST_F(RunProgramTest, FindsTheExecutableProgramOnPath) {
  writeFile(file("first/args.sh"), "#!/bin/sh\nexit 0\n", 0644);
  argsScript("second/args.sh");
  setPath("/nonexistent:" + file("first") + ":" + file("second"));
  EXPECT_EQ(QRX_RunProgram(("args.sh " + file("by-name") + " 'one word'").c_str()), kStarted);
  EXPECT_EQ(waitForFile(file("by-name")), "[one word]\n");
}

// 2: not found, 5: not allowed, 11: not a program, 0: no command at all. Nothing is left running.
TEST_F(RunProgramTest, ReportsWhyAProgramCouldNotStart) {
  writeFile(file("not-executable"), "#!/bin/sh\nexit 0\n", 0644);
  writeFile(file("not-a-program"), "\x7f\x01\x02 this is no program format\n", 0755);
  setPath(dir_.path());
  auto run = [](const std::string& command) {
    const int result = QRX_RunProgram(command.c_str());
    expectNoChildren(command);
    return result;
  };
  EXPECT_EQ(run("vantrel-no-such-program-7f3a --flag"), 2);
  EXPECT_EQ(run(file("missing") + " arg"), 2);
  EXPECT_EQ(run(file("not-executable/below")), 2);
  EXPECT_EQ(run("''"), 2);
  EXPECT_EQ(run(file("not-executable")), 5);
  EXPECT_EQ(run("not-executable"), 5);
  EXPECT_EQ(run(dir_.path()), 5);
  EXPECT_EQ(run(file("not-a-program")), 11);
  EXPECT_EQ(run("   \t "), 0);
  EXPECT_EQ(run("'unterminated single"), 0);
  EXPECT_EQ(run("prog \"escaped end\\\""), 0);
  EXPECT_EQ(run("prog trailing\\"), 0);
  EXPECT_EQ(QRX_RunProgram(nullptr), 0);
}

// The call returns at once; the program reads no input of ours, holds none of our descriptors
// (a lock file among them) and runs in a session of its own.
TEST_F(RunProgramTest, ProgramRunsDetachedWithNullInputAndWithoutCallersDescriptors) {
  // The program waits (a bounded time) for a file the test makes only once the call returned.
  writeFile(file("state.sh"),
            "#!/bin/sh\ni=0\n"
            "while [ ! -e \"$1.go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
            "{ if [ -e \"$1.go\" ]; then echo went; else echo gave up; fi\n"
            "  readlink /proc/self/fd/0; cut -d' ' -f6 /proc/$$/stat\n"
            "  if [ -e /proc/$$/fd/$2 ]; then echo inherited; else echo closed; fi\n"
            "} > \"$1.tmp\"\nmv \"$1.tmp\" \"$1\"\n",
            0755);
  int input[2];
  ASSERT_EQ(::pipe(input), 0);
  const int savedStdin = ::dup(STDIN_FILENO);
  ::dup2(input[0], STDIN_FILENO);                   // a program still reading our input would show
  const int kept = ::fcntl(input[1], F_DUPFD, 50);  // no close-on-exec, at a number shells leave
  ASSERT_GE(kept, 50);
  const std::string out = file("state");
  const int result =
      QRX_RunProgram((file("state.sh") + " " + out + " " + std::to_string(kept)).c_str());
  ::dup2(savedStdin, STDIN_FILENO);
  ::close(savedStdin);
  ASSERT_EQ(result, kStarted);
  writeFile(out + ".go", "");
  expectNoChildren("state.sh");
  const std::string report = waitForFile(out).value_or("");
  const std::string ourSession = "\n" + std::to_string(::getsid(0)) + "\n";
  EXPECT_EQ(report.rfind("went\n/dev/null\n", 0), 0u) << report;
  EXPECT_EQ(report.find(ourSession), std::string::npos) << "same session: " << report;
  EXPECT_TRUE(report.ends_with("\nclosed\n")) << report;
  EXPECT_NE(::fcntl(kept, F_GETFD), -1) << "our own descriptor was closed";
  ::close(kept);
  ::close(input[0]);
  ::close(input[1]);
}

}  // namespace
