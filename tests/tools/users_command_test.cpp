// "users" of the administration command: its exit codes (0 done, 1 refused, 2 bad arguments),
// the list format with rights as ranges, and that neither a bad word nor a refusal writes
// anything or shows a password.

#include "tools/users_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/users.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;
using Words = std::vector<std::string>;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

Outcome run(const Words& args) {
  std::ostringstream out;
  std::ostringstream err;
  Outcome r;
  r.code = runUsersCommand(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::string joined(const Words& words) {
  std::string s;
  for (const std::string& w : words) s += "[" + w + "]";
  return s;
}

std::vector<UserInfo> users() {
  std::vector<UserInfo> all;
  EXPECT_EQ(listUsers(&all), 0);
  return all;
}

class UsersCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
  }
  void TearDown() override {
    QRX_SignOff();
    QDB_CloseDataBase();
  }

  TempDir dir_{"vantrel-users-command"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
};

TEST_F(UsersCommandTest, BadWordsShowTheUsageAndWriteNothing) {
  const Words add = {"add", "bob", "--name", "Bob B", "--password", "bob-pass"};
  auto with = [&add](const Words& more) {
    Words w = add;
    w.insert(w.end(), more.begin(), more.end());
    return w;
  };
  const std::vector<Words> cases = {
      {},
      {"remove", "bob"},
      {"list", "all"},
      {"add"},
      {"add", "--name", "Bob B", "--password", "bob-pass"},
      {"add", "bob", "--password", "bob-pass"},
      {"add", "bob", "--name", "Bob B"},
      {"add", "bob", "--name", "Bob B", "--password"},
      with({"--name", "Robert"}),
      with({"--rights", "1-x"}),
      with({"--rights", "5-3"}),
      with({"--rights", ""}),
      with({"--rights", "1,,2"}),
      with({"--rights", "1,"}),
      with({"--rights", "-4"}),
      with({"--rights", "123456"}),
      with({"--active", "yes"}),
      with({"--grant", "1"}),
      {"change"},
      {"change", "bob"},
      {"change", "bob", "--active", "maybe"},
      {"change", "bob", "--revoke", "all"},
      {"change", "bob", "--rights", "1"},
      {"change", "bob", "--grant", "1-"},
  };
  for (const Words& words : cases) {
    const Outcome r = run(words);
    EXPECT_EQ(r.code, 2) << joined(words);
    EXPECT_NE(r.err.find(usersCommandUsage()), std::string::npos) << joined(words);
    EXPECT_EQ(r.err.find("bob-pass"), std::string::npos) << joined(words);
    EXPECT_TRUE(r.out.empty()) << joined(words);
  }
  EXPECT_TRUE(users().empty());
}

TEST_F(UsersCommandTest, AddedAndChangedUsersAreListedWithRightRanges) {
  Outcome r =
      run({"add", "admin", "--name", "Ada Admin", "--password", "admin-pass", "--rights", "all"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("admin"), std::string::npos);
  r = run({"add", "clerk", "--name", "Casey Clerk", "--password", "clerk-pass", "--rights",
           "66,1-40,69,68,40"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"add", "temp", "--name", "Tim Temp", "--password", "temp-pass"});
  ASSERT_EQ(r.code, 0) << r.err;

  const std::vector<UserInfo> added = users();
  ASSERT_EQ(added.size(), 3u);
  r = run({"list"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, std::to_string(added[0].id) + "\tadmin\tAda Admin\tactive\t1-255\n" +
                       std::to_string(added[1].id) +
                       "\tclerk\tCasey Clerk\tactive\t1-40,66,68-69\n" +
                       std::to_string(added[2].id) + "\ttemp\tTim Temp\tactive\tnone\n");

  r = run({"change", "CLERK", "--active", "no", "--grant", "41", "--revoke", "1-10,68", "--name",
           "Casey C. Clerk"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"change", "temp", "--grant", "all", "--revoke", "2-254"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"list"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, std::to_string(added[0].id) + "\tadmin\tAda Admin\tactive\t1-255\n" +
                       std::to_string(added[1].id) +
                       "\tclerk\tCasey C. Clerk\tinactive\t11-41,66,69\n" +
                       std::to_string(added[2].id) + "\ttemp\tTim Temp\tactive\t1,255\n");
  for (const char* password : {"admin-pass", "clerk-pass", "temp-pass"}) {
    EXPECT_EQ(r.out.find(password), std::string::npos);
  }

  r = run({"change", "admin", "--password", "admin-pass-2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.find("admin-pass-2"), std::string::npos);
  EXPECT_EQ(QRX_SignOn("admin", "admin-pass"), 0);
  EXPECT_EQ(QRX_SignOn("admin", "admin-pass-2"), 1);
}

TEST_F(UsersCommandTest, RefusalsGiveTheReasonAndChangeNothing) {
  ASSERT_EQ(
      run({"add", "admin", "--name", "Ada Admin", "--password", "admin-pass", "--rights", "1-5"})
          .code,
      0);
  const std::vector<UserInfo> before = users();

  const std::vector<Words> cases = {
      {"add", "ADMIN", "--name", "Other", "--password", "other-pass"},
      {"add", "dr smith", "--name", "Dr Smith", "--password", "smith-pass"},
      {"add", "smith", "--name", "Dr Smith", "--password", "abc"},
      {"add", "smith", "--name", "Dr Smith", "--password", "smith-pass", "--rights", "0-3"},
      {"add", "smith", "--name", "Dr Smith", "--password", "smith-pass", "--rights", "250-256"},
      {"change", "nobody", "--active", "no"},
      {"change", "admin", "--name", "Ada", "--grant", "6,300"},
      {"change", "admin", "--active", "no", "--password", "abc"},
  };
  for (const Words& words : cases) {
    const Outcome r = run(words);
    EXPECT_EQ(r.code, 1) << joined(words);
    EXPECT_FALSE(r.err.empty()) << joined(words);
    EXPECT_EQ(r.err.find("Usage"), std::string::npos) << joined(words);
    EXPECT_TRUE(r.out.empty()) << joined(words);
  }
  const std::vector<UserInfo> after = users();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].fullName, before[0].fullName);
  EXPECT_EQ(after[0].active, before[0].active);
  EXPECT_EQ(after[0].rights, before[0].rights);
  EXPECT_EQ(QRX_SignOn("admin", "admin-pass"), 1);
}

TEST_F(UsersCommandTest, ListWithoutADatabaseIsRefused) {
  QDB_CloseDataBase();
  const Outcome r = run({"list"});
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(r.err.empty());
}

}  // namespace
