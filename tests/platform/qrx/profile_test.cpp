#include "platform/qrx/profile.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "tests/support/waiting.h"

namespace {

using vantrel::qrx::ProfileFile;
using namespace vantrel::test;  // the shared test pieces
namespace fs = std::filesystem;

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// The names in a directory other than the profile's own files: leftovers of a rewrite.
std::vector<std::string> strayFiles(const std::string& directory, const std::string& profile) {
  std::vector<std::string> stray;
  for (const auto& entry : fs::directory_iterator(directory)) {
    std::string name = entry.path().filename().string();
    if (name != profile && name != profile + ".lock") stray.push_back(name);
  }
  return stray;
}

constexpr int kCannotDropPrivileges = 200;

// Runs `body` in a child process that cannot write where the directory permissions forbid it
// (as root, only after giving up root). Returns what `body` returned, kCannotDropPrivileges, or
// -1 when the child failed.
int runUnprivileged(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(kCannotDropPrivileges);
    }
    ::_exit(body() & 0xff);
  }
  return waitForChild(pid, std::chrono::seconds(60));
}

class ProfileTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name = "test.ini") const { return dir_.file(name); }
  TempDir dir_{"vantrel-profile"};
};

// ---------------------------------------------------------------------------------------------
// Reading

TEST_F(ProfileTest, MissingFileReadsDefaultsAndIsNotCreated) {
  ProfileFile profile(file("absent/none.ini"));
  EXPECT_EQ(profile.readString("GENERAL", "Path", "fallback"), "fallback");
  EXPECT_EQ(profile.readInt("NETWORK", "STATION", 7), 7);
  EXPECT_FALSE(exists(file("absent")));
}

TEST_F(ProfileTest, AbsentSectionOrKeyGivesDefaultButEmptyValueDoesNot) {
  writeFile(file(), "[A]\nk=1\nempty=\n[B]\n");
  ProfileFile profile(file());
  EXPECT_EQ(profile.readString("A", "missing", "def"), "def");
  EXPECT_EQ(profile.readString("C", "k", "def"), "def");
  EXPECT_EQ(profile.readString("B", "k", "def"), "def");  // k is in A only
  EXPECT_EQ(profile.readString("A", "empty", "def"), "");
  EXPECT_EQ(profile.readInt("A", "empty", 9), 9);
}

TEST_F(ProfileTest, MatchesSectionsAndKeysInAnyCase) {
  writeFile(file(), "[ApptBook]\nBgColor1=1,2,3\n[network]\nstation=4\n");
  ProfileFile profile(file());
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"APPTBOOK", "BGCOLOR1", "1,2,3"},
      {"apptbook", "bgcolor1", "1,2,3"},
      {"ApPtBoOk", "BgCoLoR1", "1,2,3"},
      {"NETWORK", "STATION", "4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(profile.readString(c.section, c.key, "absent"), c.expected)
        << c.section << "/" << c.key;
  }
}

TEST_F(ProfileTest, TrimsBlanksAndStripsMatchingQuotes) {
  const struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"k=v", "v"},
      {"  k  =  v w  ", "v w"},
      {"\tk\t=\tv\t", "v"},
      {"k=\"  padded  \"", "  padded  "},
      {"k=\"\"", ""},
      {"k=\"open", "\"open"},
      {"k=close\"", "close\""},
      {"k=\"", "\""},
      {"k=a=b", "a=b"},
      {"k=v\r", "v"},
  };
  for (const auto& c : cases) {
    writeFile(file(), std::string("[S]\n") + c.line + "\n");
    EXPECT_EQ(ProfileFile(file()).readString("S", "K", "absent"), c.expected) << c.line;
  }
}

TEST_F(ProfileTest, ReadIntTakesLeadingSignedDigitsAndClamps) {
  const struct {
    const char* value;
    int expected;
  } cases[] = {
      {"42", 42},
      {" 42 ", 42},
      {"-7", -7},
      {"+5", 5},
      {"12abc", 12},
      {"007", 7},
      {"\"17\"", 17},
      {"abc", -99},
      {"", -99},
      {"-", -99},
      {"- 5", -99},
      {"0x10", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"99999999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-99999999999999999999999", INT_MIN},
  };
  for (const auto& c : cases) {
    writeFile(file(), std::string("[S]\nk=") + c.value + "\n");
    EXPECT_EQ(ProfileFile(file()).readInt("S", "k", -99), c.expected) << "'" << c.value << "'";
  }
  EXPECT_EQ(ProfileFile(file()).readInt("S", "absent", -99), -99);
}

TEST_F(ProfileTest, FirstOfRepeatedSectionsAndKeysWins) {
  writeFile(file(), "[A]\nk=first\nk=second\n[B]\nk=other\n[a]\nk=third\nlater=only here\n");
  ProfileFile profile(file());
  EXPECT_EQ(profile.readString("A", "k", ""), "first");
  // A key missing from the first copy of a section is still found in a later copy.
  EXPECT_EQ(profile.readString("A", "later", ""), "only here");

  ASSERT_EQ(profile.writeString("A", "k", "new"), 1);
  EXPECT_EQ(readFile(file()),
            "[A]\nk=new\nk=second\n[B]\nk=other\n[a]\nk=third\nlater=only here\n");
}

TEST_F(ProfileTest, SkipsDamagedLinesWhenReading) {
  std::string junk("Junk=\x01\x02", 7);
  junk += std::string(1, '\0') + "bin";
  writeFile(file(), "[A]\nk=1\n[broken section\nafter=broken\nno equals sign here\n=no key\n" +
                        junk + "\nLong=" + std::string(ProfileFile::kMaxLineLength, 'x') +
                        "\nShort=" + std::string(ProfileFile::kMaxLineLength - 6, 'y') + "\n");
  ProfileFile profile(file());
  EXPECT_EQ(profile.readString("A", "k", ""), "1");
  // "[broken section" opens no section: what follows still belongs to A.
  EXPECT_EQ(profile.readString("A", "after", ""), "broken");
  EXPECT_EQ(profile.readString("broken section", "after", "none"), "none");
  EXPECT_EQ(profile.readString("A", "Junk", "skipped"), "skipped");
  EXPECT_EQ(profile.readString("A", "Long", "skipped"), "skipped");
  EXPECT_EQ(profile.readString("A", "Short", "").size(), ProfileFile::kMaxLineLength - 6);
}

// ---------------------------------------------------------------------------------------------
// Rewriting

struct RewriteCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;  // nullptr: delete the key
  const char* after;
};

const RewriteCase kRewrites[] = {
    {"replace keeps position", "[A]\na=1\nb=2\nc=3\n", "A", "b", "20", "[A]\na=1\nb=20\nc=3\n"},
    {"replace keeps spelling of key", "[A]\nKey=1\n", "a", "KEY", "2", "[A]\nKey=2\n"},
    {"new key at end of its section", "[A]\na=1\n[B]\nb=1\n", "A", "n", "v",
     "[A]\na=1\nn=v\n[B]\nb=1\n"},
    {"new key before comment of next section", "[A]\na=1\n\n; about B\n[B]\n", "A", "n", "v",
     "[A]\na=1\nn=v\n\n; about B\n[B]\n"},
    {"new key into empty section", "[A]\n[B]\n", "A", "n", "v", "[A]\nn=v\n[B]\n"},
    {"new key into first of repeated sections", "[A]\na=1\n[A]\nb=1\n", "A", "n", "v",
     "[A]\na=1\nn=v\n[A]\nb=1\n"},
    {"new section at end", "[A]\na=1\n", "B", "k", "v", "[A]\na=1\n[B]\nk=v\n"},
    {"new section into empty file", "", "B", "k", "v", "[B]\nk=v\n"},
    {"unterminated last line gets ending", "[A]\na=1", "A", "n", "v", "[A]\na=1\nn=v\n"},
    {"unterminated replaced line stays so", "[A]\na=1", "A", "a", "2", "[A]\na=2"},
    {"crlf file keeps crlf", "[A]\r\na=1\r\n", "A", "n", "v", "[A]\r\na=1\r\nn=v\r\n"},
    {"crlf new section", "[A]\r\na=1\r\n", "B", "k", "v", "[A]\r\na=1\r\n[B]\r\nk=v\r\n"},
    {"padded value quoted", "[A]\n", "A", "k", " x ", "[A]\nk=\" x \"\n"},
    {"delete removes the line", "[A]\na=1\nb=2\n", "A", "a", nullptr, "[A]\nb=2\n"},
    {"delete removes every copy", "[A]\na=1\nb=2\nA=3\n[a]\na=4\n", "A", "a", nullptr,
     "[A]\nb=2\n[a]\n"},
    {"delete of absent key changes nothing", "[A]\nb=2\n", "A", "a", nullptr, "[A]\nb=2\n"},
    {"delete in other section only", "[A]\na=1\n[B]\na=2\n", "B", "a", nullptr, "[A]\na=1\n[B]\n"},
};

TEST_F(ProfileTest, RewritesChangeOnlyTheirLine) {
  for (const RewriteCase& c : kRewrites) {
    writeFile(file(), c.before);
    ProfileFile profile(file());
    int result = c.value != nullptr ? profile.writeString(c.section, c.key, c.value)
                                    : profile.deleteKey(c.section, c.key);
    EXPECT_EQ(result, 1) << c.name;
    EXPECT_EQ(readFile(file()), c.after) << c.name;
  }
}

TEST_F(ProfileTest, CommentsUnknownAndDamagedLinesSurviveRewritesByteForByte) {
  std::string junk("Junk=\x01\x02", 7);
  junk += std::string(1, '\0') + "\xff\xfe";
  const std::string longLine = "Long=" + std::string(3 * ProfileFile::kMaxLineLength, 'x');
  const std::string head =
      "; settings of this workstation\n"
      "stray=before any section\n"
      "# hash comment\n"
      "\n"
      "[GENERAL]\n";
  const std::string damaged =
      "this line has no equals sign\n"
      "[broken section\n"
      "  =no key\n"
      "   ; indented comment\n" +
      longLine + "\n" + junk + "\n";
  writeFile(file(), head + "Path=/srv/data\n" + damaged + "\n[NETWORK]\nSTATION=3\nNetVersion=1");

  ProfileFile profile(file());
  ASSERT_EQ(profile.writeString("GENERAL", "Path", "/srv/other"), 1);
  ASSERT_EQ(profile.writeString("GENERAL", "Added", "1"), 1);
  ASSERT_EQ(profile.writeString("APPTBOOK", "Font1", "Helv,8,6,600"), 1);
  ASSERT_EQ(profile.deleteKey("NETWORK", "STATION"), 1);

  EXPECT_EQ(readFile(file()), head + "Path=/srv/other\n" + damaged + "Added=1\n" +
                                  "\n[NETWORK]\nNetVersion=1\n[APPTBOOK]\nFont1=Helv,8,6,600\n");
  EXPECT_EQ(profile.readString("NETWORK", "NetVersion", ""), "1");
  EXPECT_EQ(profile.readString("GENERAL", "Added", ""), "1");
}

TEST_F(ProfileTest, ValuesReadBackExactlyAsWritten) {
  const char* values[] = {"plain",      "  padded  ",  "\"quoted\"",       "\"", "a=b",
                          "; not note", "tab\tinside", "\xc3\xbc\xc3\xa9", "",   "[x]"};
  ProfileFile profile(file());
  for (const char* value : values) {
    ASSERT_EQ(profile.writeString("S", "k", value), 1) << value;
    EXPECT_EQ(profile.readString("S", "k", "absent"), value);
  }
  const int numbers[] = {0, -1, 42, INT_MAX, INT_MIN};
  for (int number : numbers) {
    ASSERT_EQ(profile.writeInt("S", "n", number), 1);
    EXPECT_EQ(profile.readInt("S", "n", 5), number);
  }
}

TEST_F(ProfileTest, FirstWriteCreatesFileAndParentDirectories) {
  std::string path = file("a/b/c/VANTREL.INI");
  ProfileFile profile(path);
  ASSERT_EQ(profile.writeString("GENERAL", "Path", "/srv"), 1);
  EXPECT_EQ(readFile(path), "[GENERAL]\nPath=/srv\n");
  EXPECT_TRUE(strayFiles(file("a/b/c"), "VANTREL.INI").empty());
}

TEST_F(ProfileTest, RefusesWritesThatWouldBreakTheFile) {
  const std::string original = "[A]\nk=1\n";
  writeFile(file(), original);
  const struct {
    const char* what;
    std::string section;
    std::string key;
    std::string value;
  } cases[] = {
      {"newline in value", "A", "k", "one\ntwo"},
      {"carriage return in value", "A", "k", "one\rtwo"},
      {"control byte in value", "A", "k", "bell\x07"},
      {"value longer than a line", "A", "k", std::string(ProfileFile::kMaxLineLength, 'v')},
      {"newline in key", "A", "k\nx", "v"},
      {"equals in key", "A", "a=b", "v"},
      {"key read as section", "A", "[k", "v"},
      {"key read as comment", "A", ";k", "v"},
      {"empty key", "A", "  ", "v"},
      {"bracket in section", "A]", "k", "v"},
      {"newline in section", "A\n[B", "k", "v"},
      {"empty section", "", "k", "v"},
  };
  ProfileFile profile(file());
  for (const auto& c : cases) {
    EXPECT_EQ(profile.writeString(c.section, c.key, c.value), 0) << c.what;
    EXPECT_EQ(readFile(file()), original) << c.what;
  }
  ProfileFile fresh(file("never/made.ini"));
  EXPECT_EQ(fresh.writeString("A", "k", "x\ny"), 0);
  EXPECT_FALSE(exists(file("never")));
}

TEST_F(ProfileTest, DeleteOfAbsentKeyDoesNotCreateFile) {
  ProfileFile profile(file("none.ini"));
  EXPECT_EQ(profile.deleteKey("A", "k"), 1);
  EXPECT_FALSE(exists(file("none.ini")));
}

TEST_F(ProfileTest, RewriteKeepsPermissionsAndSymbolicLink) {
  writeFile(file("real.ini"), "[A]\nk=1\n");
  ::chmod(file("real.ini").c_str(), 0640);
  ASSERT_EQ(::symlink(file("real.ini").c_str(), file("link.ini").c_str()), 0);

  ASSERT_EQ(ProfileFile(file("link.ini")).writeString("A", "k", "2"), 1);
  struct stat info {};
  ASSERT_EQ(::lstat(file("link.ini").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(readFile(file("real.ini")), "[A]\nk=2\n");
  ASSERT_EQ(::stat(file("real.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// ---------------------------------------------------------------------------------------------
// Failed writes

TEST_F(ProfileTest, WriteIntoUnwritableDirectoryFailsAndKeepsOldFile) {
  const std::string original = "; keep me\n[A]\nk=1\n";
  for (bool lockFileExists : {false, true}) {
    std::string directory = file(lockFileExists ? "with-lock" : "without-lock");
    std::string path = directory + "/p.ini";
    ASSERT_EQ(::mkdir(directory.c_str(), 0755), 0);
    writeFile(path, original);
    ::chmod(path.c_str(), 0644);
    if (lockFileExists) {
      writeFile(path + ".lock", "");
      ::chmod((path + ".lock").c_str(), 0666);
    }
    ::chmod(dir_.path().c_str(), 0755);
    ::chmod(directory.c_str(), 0555);

    int result = runUnprivileged([&] {
      ProfileFile profile(path);
      // The reader still works; the writer reports failure.
      if (profile.readString("A", "k", "") != "1") return 10;
      return profile.writeString("A", "k", "2") + 2 * profile.writeString("B", "n", "v") +
             4 * profile.deleteKey("A", "k");
    });
    if (result == kCannotDropPrivileges) GTEST_SKIP() << "cannot give up root here";
    EXPECT_EQ(result, 0) << "lock file exists: " << lockFileExists;
    EXPECT_EQ(readFile(path), original);
    ::chmod(directory.c_str(), 0755);
    EXPECT_TRUE(strayFiles(directory, "p.ini").empty());
  }
}

TEST_F(ProfileTest, NeverReplacesAFileItCannotRead) {
  const std::string original = "[A]\nk=1\nother=keep\n";
  std::string directory = file("open");
  std::string path = directory + "/p.ini";
  ASSERT_EQ(::mkdir(directory.c_str(), 0777), 0);
  ::chmod(directory.c_str(), 0777);
  ::chmod(dir_.path().c_str(), 0755);
  writeFile(path, original);
  ::chmod(path.c_str(), 0);

  int result = runUnprivileged([&] { return ProfileFile(path).writeString("A", "k", "2"); });
  if (result == kCannotDropPrivileges) GTEST_SKIP() << "cannot give up root here";
  EXPECT_EQ(result, 0);
  ::chmod(path.c_str(), 0644);
  EXPECT_EQ(readFile(path), original);
}

TEST_F(ProfileTest, WriteBelowAFileFailsCleanly) {
  writeFile(file("plain"), "not a directory");
  EXPECT_EQ(ProfileFile(file("plain/sub/p.ini")).writeString("A", "k", "v"), 0);
  EXPECT_EQ(readFile(file("plain")), "not a directory");
}

TEST_F(ProfileTest, ProfileThatIsADirectoryIsNeverReplaced) {
  ASSERT_EQ(::mkdir(file("p.ini").c_str(), 0755), 0);
  ProfileFile profile(file("p.ini"));
  EXPECT_EQ(profile.readString("A", "k", "def"), "def");
  EXPECT_EQ(profile.writeString("A", "k", "v"), 0);
  struct stat info {};
  ASSERT_EQ(::stat(file("p.ini").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

// ---------------------------------------------------------------------------------------------
// Several writers

TEST_F(ProfileTest, TwoProcessesWritingAtOnceLoseNoKey) {
  constexpr int kKeysEach = 200;
  const std::string path = file("shared/VANTREL.INI");
  auto keyOf = [](int writer, int i) {
    return "w" + std::to_string(writer) + "k" + std::to_string(i);
  };
  auto valueOf = [](int writer, int i) { return "value " + std::to_string(writer * 1000 + i); };
  // Both writers use both sections, so both also race to create the file and each section.
  auto sectionOf = [](int i) { return i % 2 == 0 ? "EVEN" : "ODD"; };

  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  pid_t writers[2];
  for (int writer = 0; writer < 2; ++writer) {
    writers[writer] = ::fork();
    ASSERT_GE(writers[writer], 0);
    if (writers[writer] == 0) {
      ::close(go[1]);
      char byte;
      while (::read(go[0], &byte, 1) < 0 && errno == EINTR) {
      }
      ProfileFile profile(path);
      int failures = 0;
      for (int i = 0; i < kKeysEach; ++i) {
        if (profile.writeString(sectionOf(i), keyOf(writer, i), valueOf(writer, i)) != 1) {
          ++failures;
        }
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
  }
  ::close(go[0]);
  ::close(go[1]);  // both writers start now
  EXPECT_EQ(waitForChild(writers[0], std::chrono::seconds(300)), 0);
  EXPECT_EQ(waitForChild(writers[1], std::chrono::seconds(300)), 0);

  ProfileFile profile(path);
  for (int writer = 0; writer < 2; ++writer) {
    for (int i = 0; i < kKeysEach; ++i) {
      EXPECT_EQ(profile.readString(sectionOf(i), keyOf(writer, i), "missing"), valueOf(writer, i))
          << keyOf(writer, i);
    }
  }
  // The file is whole: two section headers and one line per key, nothing else.
  std::istringstream lines(readFile(path));
  std::string line;
  std::set<std::string> seen;
  int headers = 0;
  while (std::getline(lines, line)) {
    if (line == "[EVEN]" || line == "[ODD]") {
      ++headers;
      continue;
    }
    std::size_t eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    EXPECT_TRUE(seen.insert(line.substr(0, eq)).second) << "repeated " << line;
  }
  EXPECT_EQ(headers, 2);
  EXPECT_EQ(seen.size(), 2u * kKeysEach);
  EXPECT_TRUE(strayFiles(file("shared"), "VANTREL.INI").empty());
}

TEST_F(ProfileTest, WriterWaitsForLockHolderAndGoesOnWhenItIsKilled) {
  const std::string path = file();
  writeFile(path, "[A]\nk=1\n");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    int fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &request) != 0) ::_exit(1);
    if (::write(ready[1], "x", 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);

  std::atomic<int> result{-1};
  std::thread writer([&] { result = ProfileFile(path).writeString("A", "k", "2"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(result.load(), -1) << "wrote while another process held the lock";
  EXPECT_EQ(readFile(path), "[A]\nk=1\n");

  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  writer.join();
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(readFile(path), "[A]\nk=2\n");
}

}  // namespace
