// "users": exit codes (0 done, 1 refused, 2 bad arguments), the list with rights as ranges, and
// that neither a bad word nor a refusal writes anything or shows a password.

#include "tools/users_command.h"

#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/users.h"
#include "tests/tools/support/command_output.h"

namespace {

using namespace toolstest;

std::vector<UserInfo> users() {
  std::vector<UserInfo> all;
  EXPECT_EQ(listUsers(&all), 0);
  return all;
}

class UsersCommandTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ASSERT_EQ(createPracticeDatabase(data().c_str()), 0);
  }
  void TearDown() override {
    QRX_SignOff();
    CommandTest::TearDown();
  }
  Outcome run(const Words& args) const { return capture(runUsersCommand, args); }
};

TEST_F(UsersCommandTest, BadWordsExitTwoRefusalsExitOneAndNeitherWritesAnything) {
  const Outcome admin =
      run({"add", "admin", "--name", "Ada Admin", "--password", "admin-pass", "--rights", "1-5"});
  ASSERT_EQ(admin.code, 0) << admin.err;
  const std::vector<UserInfo> before = users();
  const Words add = {"add", "bob", "--name", "Bob B", "--password", "bob-pass"};
  const auto with = [&add](const Words& more) {
    Words w = add;
    w.insert(w.end(), more.begin(), more.end());
    return w;
  };
  // clang-format off
  const std::vector<std::pair<int, Words>> cases = {
      {2, {}}, {2, {"add"}}, {2, {"add", "bob", "--password", "bob-pass"}},
      {2, {"add", "bob", "--name", "Bob B", "--password"}}, {2, with({"--rights", "1-x"})},
      {2, with({"--rights", "123456"})}, {2, with({"--active", "yes"})},
      {2, with({"--grant", "1"})}, {2, {"change", "bob", "--active", "maybe"}},
      {2, {"change", "bob", "--rights", "1"}},
      {1, {"add", "ADMIN", "--name", "Other", "--password", "bob-pass"}},
      {1, {"add", "dr smith", "--name", "Dr Smith", "--password", "bob-pass"}},
      {1, with({"--rights", "250-256"})}, {1, {"change", "nobody", "--active", "no"}},
      {1, {"change", "admin", "--active", "no", "--password", "abc"}}};
  // clang-format on
  for (const auto& [code, words] : cases) {
    const Outcome r = run(words);
    EXPECT_EQ(r.code, code) << joined(words);
    // The usage for bad words only; a refusal gives its reason instead.
    EXPECT_EQ(r.err.find(code == 2 ? usersCommandUsage() : "Usage") != std::string::npos, code == 2)
        << joined(words) << r.err;
    EXPECT_FALSE(r.err.empty()) << joined(words);
    EXPECT_EQ(r.err.find("bob-pass"), std::string::npos) << joined(words);
    EXPECT_TRUE(r.out.empty()) << joined(words);
  }
  const std::vector<UserInfo> after = users();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].fullName, before[0].fullName);
  EXPECT_EQ(after[0].active, before[0].active);
  EXPECT_EQ(after[0].rights, before[0].rights);
  EXPECT_EQ(QRX_SignOn("admin", "admin-pass"), 1);
}

TEST_F(UsersCommandTest, AddedAndChangedUsersAreListedWithRightRanges) {
  for (const Words& add :
       {Words{"add", "admin", "--name", "Ada Admin", "--password", "admin-pass", "--rights", "all"},
        Words{"add", "clerk", "--name", "Casey Clerk", "--password", "clerk-pass", "--rights",
              "66,1-40,69,68,40"},
        Words{"add", "temp", "--name", "Tim Temp", "--password", "temp-pass"}}) {
    const Outcome r = run(add);
    ASSERT_EQ(r.code, 0) << r.err;
  }
  const std::vector<UserInfo> added = users();
  ASSERT_EQ(added.size(), 3u);
  const auto listing = [&added](const char* admin, const char* clerk, const char* temp) {
    return std::to_string(added[0].id) + "\tadmin\t" + admin + "\n" + std::to_string(added[1].id) +
           "\tclerk\t" + clerk + "\n" + std::to_string(added[2].id) + "\ttemp\t" + temp + "\n";
  };
  EXPECT_EQ(run({"list"}).out,
            listing("Ada Admin\tactive\t1-255", "Casey Clerk\tactive\t1-40,66,68-69",
                    "Tim Temp\tactive\tnone"));

  EXPECT_EQ(run({"change", "CLERK", "--active", "no", "--grant", "41", "--revoke", "1-10,68",
                 "--name", "Casey C. Clerk"})
                .code,
            0);
  EXPECT_EQ(run({"change", "temp", "--grant", "all", "--revoke", "2-254"}).code, 0);
  const Outcome r = run({"list"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, listing("Ada Admin\tactive\t1-255", "Casey C. Clerk\tinactive\t11-41,66,69",
                           "Tim Temp\tactive\t1,255"));
  EXPECT_EQ(r.out.find("-pass"), std::string::npos) << "a password in the list";

  const Outcome changed = run({"change", "admin", "--password", "admin-pass-2"});
  ASSERT_EQ(changed.code, 0) << changed.err;
  EXPECT_EQ(changed.out.find("admin-pass-2"), std::string::npos);
  EXPECT_EQ(QRX_SignOn("admin", "admin-pass"), 0);
  EXPECT_EQ(QRX_SignOn("admin", "admin-pass-2"), 1);
}

}  // namespace
