// Profile files: what they read, what a rewrite keeps, and that no write loses a key or a file,
// also with two processes at once and with a lock holder that is killed.

#include "platform/qrx/profile.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace {

using vantrel::qrx::ProfileFile;
using namespace vantrel::test;
namespace fs = std::filesystem;

// Whether a directory holds anything but the profile and its lock file: leftovers of a rewrite.
bool hasStrayFiles(const std::string& directory, const std::string& profile) {
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    if (name != profile && name != profile + ".lock") return true;
  }
  return false;
}

constexpr int kCannotDropPrivileges = 200;

// Runs `body` in a child that cannot write where the directory permissions forbid it (as root,
// only after giving up root). What `body` returned, or kCannotDropPrivileges.
int runUnprivileged(const std::function<int()>& body) {
  ChildProcess child([&](ChildProcess&) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      return kCannotDropPrivileges;
    }
    return body() & 0xff;
  });
  return child.wait();
}

class ProfileTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name = "test.ini") const { return dir_.file(name); }

  // The file after one change to `before`: `value` written, or with nullptr the key deleted.
  std::string rewrite(const char* before, const char* section, const char* key, const char* value) {
    writeFile(file(), before);
    ProfileFile profile(file());
    const int result =
        value ? profile.writeString(section, key, value) : profile.deleteKey(section, key);
    return result == 1 ? readFile(file()) : "refused";
  }

  // The number read from a file holding only `value`; -99 is the default.
  int readIntOf(const char* value) {
    writeFile(file(), std::string("[S]\nk=") + value + "\n");
    return ProfileFile(file()).readInt("S", "k", -99);
  }

  TempDir dir_{"vantrel-profile"};
};

TEST_F(ProfileTest, ReadsCaseBlindTrimmedFirstValueAndSkipsDamagedLines) {
  writeFile(file(),
            "[ApptBook]\nBgColor1=1,2,3\n  pad  =  v w  \r\nquoted=\"  x  \"\nempty=\n"
            "[broken section\nafter=broken\nno equals\n=no key\nJunk=\x01\x02\nLong=" +
                std::string(ProfileFile::kMaxLineLength, 'x') +
                "\nk=first\nk=second\n[B]\nb=1\n[apptbook]\nk=third\nlater=only here\n");
  ProfileFile profile(file());
  auto read = [&](const char* section, const char* key) {
    return profile.readString(section, key, "(default)");
  };
  EXPECT_EQ(read("APPTBOOK", "bgcolor1"), "1,2,3");
  EXPECT_EQ(read("apptbook", "PAD"), "v w");
  EXPECT_EQ(read("ApptBook", "quoted"), "  x  ");
  EXPECT_EQ(read("ApptBook", "empty"), "");
  EXPECT_EQ(read("ApptBook", "missing"), "(default)");
  EXPECT_EQ(read("B", "k"), "(default)");
  EXPECT_EQ(read("ApptBook", "after"), "broken");  // "[broken section" opens no section
  EXPECT_EQ(read("ApptBook", "Junk"), "(default)");
  EXPECT_EQ(read("ApptBook", "Long"), "(default)");
  EXPECT_EQ(read("ApptBook", "k"), "first");
  EXPECT_EQ(read("ApptBook", "later"), "only here");
  EXPECT_EQ(profile.readInt("ApptBook", "empty", 9), 9);
  ProfileFile missing(file("absent/none.ini"));
  EXPECT_EQ(missing.readInt("NETWORK", "STATION", 7), 7);
  EXPECT_EQ(missing.deleteKey("NETWORK", "STATION"), 1);
  EXPECT_FALSE(fs::exists(file("absent")));
}

TEST_F(ProfileTest, ReadIntTakesLeadingSignedDigitsAndClampsInsteadOfWrapping) {
  EXPECT_EQ(readIntOf(" 42 "), 42);
  EXPECT_EQ(readIntOf("-7"), -7);
  EXPECT_EQ(readIntOf("12abc"), 12);
  EXPECT_EQ(readIntOf("abc"), -99);
  EXPECT_EQ(readIntOf("0x10"), 0);
  EXPECT_EQ(readIntOf("2147483648"), INT_MAX);
  EXPECT_EQ(readIntOf("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(readIntOf("-99999999999999999999999"), INT_MIN);
}

TEST_F(ProfileTest, RewritesChangeOnlyTheirLine) {
  EXPECT_EQ(rewrite("[A]\na=1\nb=2\nc=3\n", "A", "b", "20"), "[A]\na=1\nb=20\nc=3\n");
  EXPECT_EQ(rewrite("[A]\nKey=1\n", "a", "KEY", "2"), "[A]\nKey=2\n");
  EXPECT_EQ(rewrite("[A]\na=1\n\n; about B\n[B]\n", "A", "n", "v"),
            "[A]\na=1\nn=v\n\n; about B\n[B]\n");
  EXPECT_EQ(rewrite("[A]\na=1\n[A]\nb=1\n", "A", "n", "v"), "[A]\na=1\nn=v\n[A]\nb=1\n");
  EXPECT_EQ(rewrite("", "B", "k", "v"), "[B]\nk=v\n");
  EXPECT_EQ(rewrite("[A]\na=1", "A", "n", "v"), "[A]\na=1\nn=v\n");
  EXPECT_EQ(rewrite("[A]\r\na=1\r\n", "B", "k", "v"), "[A]\r\na=1\r\n[B]\r\nk=v\r\n");
  EXPECT_EQ(rewrite("[A]\na=1\nb=2\nA=3\n[a]\na=4\n", "A", "a", nullptr), "[A]\nb=2\n[a]\n");
  EXPECT_EQ(rewrite("[A]\na=1\n[B]\na=2\n", "B", "a", nullptr), "[A]\na=1\n[B]\n");
}

TEST_F(ProfileTest, CommentsUnknownAndDamagedLinesSurviveRewritesByteForByte) {
  std::string junk("Junk=\x01\x02", 7);
  junk += std::string(1, '\0') + "\xff\xfe";
  const std::string head =
      "; settings of this workstation\nstray=before any section\n\n[GENERAL]\n";
  const std::string damaged = "no equals sign\n[broken section\n  =no key\n   ; comment\nLong=" +
                              std::string(3 * ProfileFile::kMaxLineLength, 'x') + "\n" + junk +
                              "\n";
  writeFile(file(), head + "Path=/srv/data\n" + damaged + "\n[NETWORK]\nSTATION=3\nNetVersion=1");
  ProfileFile profile(file());
  ASSERT_EQ(profile.writeString("GENERAL", "Path", "/srv/other"), 1);
  ASSERT_EQ(profile.writeString("GENERAL", "Added", "1"), 1);
  ASSERT_EQ(profile.deleteKey("NETWORK", "STATION"), 1);
  EXPECT_EQ(readFile(file()),
            head + "Path=/srv/other\n" + damaged + "Added=1\n\n[NETWORK]\nNetVersion=1");
}

TEST_F(ProfileTest, ValuesReadBackExactlyAsWrittenAndBadOnesAreRefusedUnwritten) {
  ProfileFile profile(file("new/dir/p.ini"));
  for (const char* value : {"  padded  ", "\"quoted\"", "\"", "a=b", "; not note", "[x]", ""}) {
    ASSERT_EQ(profile.writeString("S", "k", value), 1) << value;
    EXPECT_EQ(profile.readString("S", "k", "absent"), value);
  }
  ASSERT_EQ(profile.writeInt("S", "n", INT_MIN), 1);
  EXPECT_EQ(profile.readInt("S", "n", 5), INT_MIN);
  const std::string written = readFile(file("new/dir/p.ini"));
  const std::string tooLong(ProfileFile::kMaxLineLength, 'v');
  const std::string cases[][3] = {
      {"S", "k", "one\ntwo"}, {"S", "k", "one\rtwo"}, {"S", "k", "bell\x07"}, {"S", "k", tooLong},
      {"S", "k=x", "v"},      {"S", "[k", "v"},       {"S", ";k", "v"},       {"S", "  ", "v"},
      {"S]", "k", "v"},       {"S\n[B", "k", "v"},    {"", "k", "v"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(profile.writeString(c[0], c[1], c[2]), 0) << c[0] << "/" << c[1];
    EXPECT_EQ(readFile(file("new/dir/p.ini")), written) << c[0] << "/" << c[1];
  }
  EXPECT_EQ(ProfileFile(file("never/made.ini")).writeString("A", "k", "x\ny"), 0);
  EXPECT_FALSE(fs::exists(file("never")));
}

TEST_F(ProfileTest, FailedWriteKeepsTheOldFileWholeAndLeavesNothingBehind) {
  const std::string original = "; keep me\n[A]\nk=1\n";
  ::chmod(dir_.path().c_str(), 0755);
  for (const char* lock : {"", "with lock file"}) {
    const std::string directory = file(*lock ? "locked" : "plain");
    const std::string path = directory + "/p.ini";
    writeFile(path, original, 0644);
    if (*lock) writeFile(path + ".lock", "", 0666);
    ::chmod(directory.c_str(), 0555);
    const int result = runUnprivileged([&] {
      ProfileFile profile(path);
      if (profile.readString("A", "k", "") != "1") return 10;  // reading still works
      return profile.writeString("A", "k", "2") + 2 * profile.writeString("B", "n", "v") +
             4 * profile.deleteKey("A", "k");
    });
    if (result == kCannotDropPrivileges) GTEST_SKIP() << "cannot give up root here";
    EXPECT_EQ(result, 0) << lock;
    EXPECT_EQ(readFile(path), original) << lock;
    ::chmod(directory.c_str(), 0755);
    EXPECT_FALSE(hasStrayFiles(directory, "p.ini")) << lock;
  }
  // A file it cannot read is never replaced by one made without its content.
  const std::string unreadable = file("open/p.ini");
  writeFile(unreadable, original, 0);
  ::chmod(file("open").c_str(), 0777);
  EXPECT_EQ(runUnprivileged([&] { return ProfileFile(unreadable).writeString("A", "k", "2"); }), 0);
  ::chmod(unreadable.c_str(), 0644);
  EXPECT_EQ(readFile(unreadable), original);
  // Nor is a directory standing where the profile should be.
  ASSERT_TRUE(fs::create_directory(file("dir.ini")));
  EXPECT_EQ(ProfileFile(file("dir.ini")).writeString("A", "k", "v"), 0);
  EXPECT_TRUE(fs::is_directory(file("dir.ini")));
}

TEST_F(ProfileTest, TwoProcessesWritingDifferentKeysAtOnceLoseNoKey) {
  constexpr int kKeysEach = 200;
  const std::string path = file("shared/VANTREL.INI");
  auto keyOf = [](int writer, int i) {
    return "w" + std::to_string(writer) + "k" + std::to_string(i);
  };
  // Both writers use both sections, so both also race to create the file and each section.
  auto sectionOf = [](int i) { return i % 2 == 0 ? "EVEN" : "ODD"; };
  auto writer = [&](int id) {
    return [&, id](ChildProcess& self) {
      if (!self.receive()) return 2;
      ProfileFile profile(path);
      int failures = 0;
      for (int i = 0; i < kKeysEach; ++i) {
        failures += profile.writeString(sectionOf(i), keyOf(id, i), keyOf(id, i) + " value") != 1;
      }
      self.send(failures);
      return 0;
    };
  };
  ChildProcess first(writer(0));
  ChildProcess second(writer(1));
  ASSERT_TRUE(first.send(1) && second.send(1));  // both start now
  EXPECT_EQ(first.receive(std::chrono::seconds(300)), 0u) << "first writer failed or hung";
  EXPECT_EQ(second.receive(std::chrono::seconds(300)), 0u) << "second writer failed or hung";

  ProfileFile profile(path);
  for (int id = 0; id < 2; ++id) {
    for (int i = 0; i < kKeysEach; ++i) {
      EXPECT_EQ(profile.readString(sectionOf(i), keyOf(id, i), "missing"), keyOf(id, i) + " value");
    }
  }
  // The file is whole: with every key found, one more line would be a repeated or damaged one.
  const std::string text = readFile(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 2 * kKeysEach)
      << "not two headers and one line per key";
  EXPECT_FALSE(hasStrayFiles(file("shared"), "VANTREL.INI"));
}

TEST_F(ProfileTest, WriterWaitsForLockHolderAndGoesOnWhenItIsKilled) {
  const std::string path = file();
  writeFile(path, "[A]\nk=1\n");
  ChildProcess holder([&](ChildProcess& self) {
    const int fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    struct flock request {};
    request.l_type = F_WRLCK;  // the whole file, from its start
    if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &request) != 0) return 1;
    self.send(1);
    for (;;) ::pause();
  });
  ASSERT_EQ(holder.receive(), 1u);
  std::atomic<int> result{-1};
  std::thread writer([&] { result = ProfileFile(path).writeString("A", "k", "2"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(result.load(), -1) << "wrote while another process held the lock";
  EXPECT_EQ(readFile(path), "[A]\nk=1\n");
  holder.kill();
  holder.wait();
  writer.join();
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(readFile(path), "[A]\nk=2\n");
}

}  // namespace
