// Users, sign-on and rights against a real database. Every password hash costs real time, so
// each test adds only the users it needs.

#include "data/users.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/schema.h"
#include "data/user_record.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/data/practice_database.h"

namespace {

constexpr const char* kNotCorrect = "The user name or password is not correct.";

std::vector<UserRecord> storedUsers() { return storedRecords<UserRecord>(kUserFile); }

std::vector<int> allRights() {
  std::vector<int> v;
  for (int r = 1; r <= kHighestRight; ++r) v.push_back(r);
  return v;
}

// A change written in one line: what it does not name stays as it is.
struct Change {
  std::optional<std::string> fullName = std::nullopt;
  std::optional<std::string> password = std::nullopt;
  std::optional<bool> active = std::nullopt;
  std::vector<int> grant = {};
  std::vector<int> revoke = {};
  bool allRights = false;
  operator UserChange() const { return {fullName, password, active, grant, revoke, allRights}; }
};
const Change kRetire{.active = false};

class UsersTest : public PracticeDatabase {
 protected:
  void SetUp() override {
    PracticeDatabase::SetUp();
    today_.set("2026-12-06");
  }
  void TearDown() override {
    QRX_SignOff();
    PracticeDatabase::TearDown();
  }

  std::uint32_t add(const std::string& login, const std::string& password,
                    const std::vector<int>& rights) {
    std::uint32_t id = 0;
    std::string why;
    EXPECT_EQ(addUser(login, login + " Fullname", password, rights, &id, &why), 0) << why;
    EXPECT_NE(id, 0u);
    return id;
  }
};

TEST_F(UsersTest, AddedUserIsListedWithItsRightsInOrderAndTheLongestNamesWhole) {
  std::uint32_t id = 0;
  std::string why;
  ASSERT_EQ(addUser("frontdesk", "Dana Front", "desk-pass", {66, 1, 31, 66}, &id, &why), 0) << why;
  const std::string login(20, 'z');  // the field's full width
  std::uint32_t longId = 0;
  ASSERT_EQ(addUser(login, std::string(30, 'N'), "abcd", {1}, &longId), 0);
  std::vector<UserInfo> users;
  ASSERT_EQ(listUsers(&users), 0);
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0].id, id);
  EXPECT_EQ(users[0].login, "frontdesk");
  EXPECT_EQ(users[0].fullName, "Dana Front");
  EXPECT_TRUE(users[0].active);
  EXPECT_EQ(users[0].rights, (std::vector<int>{1, 31, 66}));
  EXPECT_EQ(users[1].login, login);
  EXPECT_EQ(users[1].fullName, std::string(30, 'N'));
  const std::vector<UserRecord> stored = storedUsers();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].created(), QRX_DateIn(2026, 12, 6));
  EXPECT_EQ(stored[0].passwordChanged(), QRX_DateIn(2026, 12, 6));
  EXPECT_EQ(QRX_SignOn((login + "z").c_str(), "abcd"), 0) << "one more must not find the cut name";
  EXPECT_EQ(QRX_SignOn(login.c_str(), "abcd"), 1);
  EXPECT_EQ(QRX_GetLoggedInUserID(), longId);
}

TEST_F(UsersTest, RefusesBadInputWithNothingWritten) {
  add("Admin", "first-pass", {1});
  struct Case {
    const char* what;
    std::string login;
    std::string fullName;
    std::string password;
    std::vector<int> rights;
    int expected;
  };
  const std::string ok = "good-pass";
  const std::string login21(21, 'a');
  const std::string name31(31, 'F');
  const std::string password129(129, 'p');
  const std::string zeroInside("pass\0word", 9);
  const std::string accentAb = std::string("\xC3\xA9") + "ab";  // 3 characters, 4 bytes
  const std::vector<Case> cases = {
      {"sign-on name taken in another case", "aDMIN", "Name", ok, {1}, kUserExists},
      {"empty sign-on name", "", "Name", ok, {1}, kUserBadName},
      {"sign-on name one past its width", login21, "Name", ok, {1}, kUserBadName},
      {"blank inside the sign-on name", "dr smith", "Name", ok, {1}, kUserBadName},
      {"slash in the sign-on name", "dr/smith", "Name", ok, {1}, kUserBadName},
      {"non-ASCII sign-on name", "m\xC3\xBCller", "Name", ok, {1}, kUserBadName},
      {"full name one past its width", "smith", name31, ok, {1}, kUserBadName},
      {"line break in the full name", "smith", "Dr\nSmith", ok, {1}, kUserBadName},
      {"password of three characters", "smith", "Name", "abc", {1}, kUserBadPassword},
      {"three characters in four bytes", "smith", "Name", accentAb, {1}, kUserBadPassword},
      {"password one past its limit", "smith", "Name", password129, {1}, kUserBadPassword},
      {"zero byte in the password", "smith", "Name", zeroInside, {1}, kUserBadPassword},
      {"right 0", "smith", "Name", ok, {1, 0}, kUserBadRight},
      {"right one past the highest", "smith", "Name", ok, {kHighestRight + 1}, kUserBadRight},
      {"negative right", "smith", "Name", ok, {-1}, kUserBadRight},
  };
  for (const Case& c : cases) {
    std::uint32_t id = 0;
    std::string why;
    EXPECT_EQ(addUser(c.login, c.fullName, c.password, c.rights, &id, &why), c.expected) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    if (c.expected == kUserExists) {
      EXPECT_NE(why.find("taken"), std::string::npos) << why;
    }
    EXPECT_EQ(id, 0u) << c.what;
  }
  EXPECT_EQ(storedUsers().size(), 1u);
}

TEST_F(UsersTest, StoredHashIsSaltedAndNeverThePassword) {
  const std::string password = "same-secret-42";
  add("first", password, {1});
  add("second", password, {1});
  const std::vector<UserRecord> stored = storedUsers();
  ASSERT_EQ(stored.size(), 2u);
  for (const UserRecord& u : stored) {
    EXPECT_EQ(u.passwordHash().rfind("$argon2id$", 0), 0u) << u.passwordHash();
    const std::string bytes(reinterpret_cast<const char*>(u.data()), u.size());
    EXPECT_EQ(bytes.find(password), std::string::npos) << u.login();
  }
  EXPECT_NE(stored[0].passwordHash(), stored[1].passwordHash());
}

TEST_F(UsersTest, SignOnNeedsAnActiveUserAndHisExactPassword) {
  const std::uint32_t admin = add("admin", "Admin-Secret", {1});
  add("retired", "old-secret", {1});
  ASSERT_EQ(changeUser("retired", kRetire), 0);

  struct Case {
    const char* login;
    const char* password;
    int expected;
  };
  const Case cases[] = {
      {"admin", "Admin-Secret", 1},  {"ADMIN", "Admin-Secret", 1},  {"aDmIn", "Admin-Secret", 1},
      {"admin", "admin-secret", 0},  {"admin", "Admin-Secret ", 0}, {"admin", "", 0},
      {"nobody", "Admin-Secret", 0}, {"admin ", "Admin-Secret", 0}, {"", "Admin-Secret", 0},
      {"retired", "old-secret", 0},
  };
  for (const Case& c : cases) {
    QRX_SignOff();
    EXPECT_EQ(QRX_SignOn(c.login, c.password), c.expected) << c.login << " / " << c.password;
    EXPECT_EQ(QRX_IsSignedOn(), c.expected) << c.login;
    EXPECT_EQ(QRX_GetLoggedInUserID(), c.expected == 1 ? admin : 0u) << c.login;
    EXPECT_EQ(QRX_GetOverrideUserID(), c.expected == 1 ? admin : 0u) << c.login;
  }
  EXPECT_EQ(QRX_SignOn(nullptr, "x"), 0);
  EXPECT_EQ(QRX_SignOn("admin", nullptr), 0);

  // A refused sign-on signs nobody off.
  ASSERT_EQ(QRX_SignOn("admin", "Admin-Secret"), 1);
  EXPECT_EQ(QRX_SignOn("retired", "old-secret"), 0);
  EXPECT_EQ(QRX_GetLoggedInUserID(), admin);
  QRX_SignOff();
  EXPECT_EQ(QRX_IsSignedOn(), 0);
  EXPECT_EQ(QRX_GetOverrideUserID(), 0u);
}

TEST_F(UsersTest, ChangeRewritesOnlyWhatIsGiven) {
  const std::uint32_t id = add("clerk", "clerk-pass", {1, 31, 66});

  ASSERT_EQ(changeUser("CLERK", Change{.fullName = "Casey Clerk"}), 0);
  EXPECT_EQ(QRX_SignOn("clerk", "clerk-pass"), 1) << "the password must survive a rename";

  ASSERT_EQ(changeUser("clerk", Change{.grant = {1}, .revoke = {32, 31}, .allRights = true}), 0);
  std::vector<UserInfo> users;
  ASSERT_EQ(listUsers(&users), 0);
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0].id, id);
  EXPECT_EQ(users[0].fullName, "Casey Clerk");
  std::vector<int> expected = allRights();
  std::erase(expected, 31);
  std::erase(expected, 32);
  EXPECT_EQ(users[0].rights, expected);

  ASSERT_EQ(changeUser("clerk", Change{.password = "new-clerk-pass"}), 0);
  QRX_SignOff();
  EXPECT_EQ(QRX_SignOn("clerk", "clerk-pass"), 0);
  EXPECT_EQ(QRX_SignOn("clerk", "new-clerk-pass"), 1);
}

TEST_F(UsersTest, RefusedChangeLeavesTheRecordAsItWas) {
  add("clerk", "clerk-pass", {1, 66});
  const std::vector<UserRecord> before = storedUsers();
  ASSERT_EQ(before.size(), 1u);
  const struct {
    const char* what;
    int expected;
    Change change;
    const char* login = "clerk";
  } cases[] = {
      {"right too high", kUserBadRight, {.fullName = "x", .grant = {2, kHighestRight + 1}}},
      {"right 0 revoked", kUserBadRight, {.active = false, .revoke = {0}}},
      {"short password", kUserBadPassword, {.fullName = "x", .password = "abc"}},
      {"name past its width", kUserBadName, {.fullName = std::string(31, 'x'), .grant = {2}}},
      {"unknown user", kUserNotFound, {.grant = {2}}, "nobody"},
      {"empty sign-on name", kUserNotFound, {.grant = {2}}, ""},
      {"one past the longest name", kUserNotFound, {.grant = {2}}, "clerkclerkclerkclerkX"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_EQ(changeUser(c.login, c.change, &why), c.expected) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
  const std::vector<UserRecord> after = storedUsers();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_TRUE(after[0].sameBytes(before[0]));
}

TEST_F(UsersTest, RightsAreHeldOnlyByActiveUsersThatHaveThem) {
  const std::uint32_t clerk = add("clerk", "clerk-pass", {1, 66, kHighestRight});
  for (int right : {1, 66, kHighestRight}) EXPECT_NE(QRX_CheckUserRights(clerk, right), 0) << right;
  for (int right : {31, 0, kHighestRight + 1, -1}) {
    EXPECT_EQ(QRX_CheckUserRights(clerk, right), 0) << right;
  }
  EXPECT_EQ(QRX_CheckUserRights(0, 1), 0);
  EXPECT_EQ(QRX_CheckUserRights(clerk + 1000, 1), 0);
  ASSERT_EQ(changeUser("clerk", kRetire), 0);
  EXPECT_EQ(QRX_CheckUserRights(clerk, 66), 0);
  std::vector<UserInfo> users;
  ASSERT_EQ(listUsers(&users), 0);
  ASSERT_EQ(users.size(), 1u);
  EXPECT_FALSE(users[0].active);
  EXPECT_EQ(users[0].rights, (std::vector<int>{1, 66, kHighestRight})) << "kept for a return";
}

TEST_F(UsersTest, CallsWithoutADatabaseFailCleanly) {
  QDB_CloseDataBase();
  std::uint32_t id = 0;
  std::string why;
  EXPECT_NE(addUser("clerk", "Name", "clerk-pass", {1}, &id, &why), 0);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(id, 0u);
  std::vector<UserInfo> users;
  EXPECT_NE(listUsers(&users), 0);
  EXPECT_NE(changeUser("clerk", UserChange{}), 0);
  EXPECT_EQ(QRX_SignOn("clerk", "clerk-pass"), 0);
  EXPECT_EQ(QRX_CheckUserRights(1, 1), 0);
}

// The override cycle: a clerk without right 32 gets it approved by the administrator.
class OverrideTest : public UsersTest {
 protected:
  void SetUp() override {
    UsersTest::SetUp();
    if (HasFatalFailure()) return;
    admin_ = add("admin", "admin-pass", allRights());
    clerk_ = add("clerk", "clerk-pass", {1, 66});
    helper_ = add("helper", "helper-pass", {1});
    ASSERT_EQ(QRX_SignOn("clerk", "clerk-pass"), 1);
  }

  std::uint32_t admin_ = 0;
  std::uint32_t clerk_ = 0;
  std::uint32_t helper_ = 0;
  ScriptedPrompter prompter_;
};

TEST_F(OverrideTest, ApprovingUserBecomesTheOverrideUntilHandedBack) {
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightEditAppointment), 1) << "held: no question";
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(QRX_GetOverrideUserID(), clerk_);
  prompter_.credentials("ADMIN", "admin-pass");
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightPurgeAppointments), 1);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& asked = prompter_.asked()[0].prompt;
  EXPECT_EQ(asked.caption, "Appointment List");
  EXPECT_NE(asked.text.find("user right 32"), std::string::npos) << asked.text;
  EXPECT_EQ(QRX_GetOverrideUserID(), admin_);
  EXPECT_EQ(QRX_GetLoggedInUserID(), clerk_);

  // While the approval stands, the same right is granted without a second question.
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightPurgeAppointments), 1);
  EXPECT_EQ(prompter_.asked().size(), 1u);

  QRX_SetOverrideToLoggedIn();
  EXPECT_EQ(QRX_GetOverrideUserID(), clerk_);
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightPurgeAppointments), -1)
      << "after the hand-back the clerk is asked again (and nobody answers)";
}

TEST_F(OverrideTest, RefusedApprovalsKeepTheClerkAsOverride) {
  add("oldadmin", "oldadmin-pass", allRights());
  ASSERT_EQ(changeUser("oldadmin", kRetire), 0);

  struct Case {
    const char* what;
    const char* login;
    const char* password;
    int expected;
    bool told;  // the "not correct" message is shown
  };
  const Case cases[] = {
      {"wrong password", "admin", "clerk-pass", 0, true},
      {"unknown user", "nobody", "admin-pass", 0, true},
      {"inactive approver", "oldadmin", "oldadmin-pass", 0, true},
      {"approver without the right", "helper", "helper-pass", 0, false},
      {"the clerk himself", "clerk", "clerk-pass", 0, false},
      {"cancelled", nullptr, nullptr, -1, false},
  };
  for (const Case& c : cases) {
    prompter_.clearRecord();
    if (c.login != nullptr) prompter_.credentials(c.login, c.password);
    EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightPurgeAppointments), c.expected) << c.what;
    EXPECT_EQ(QRX_GetOverrideUserID(), clerk_) << c.what;
    ASSERT_EQ(prompter_.asked().size(), c.told ? 2u : 1u) << c.what;
    if (c.told) {
      const Prompt& told = prompter_.asked()[1].prompt;
      EXPECT_EQ(told.text, kNotCorrect) << c.what;
      EXPECT_EQ(told.icon, PromptIcon::kStop) << c.what;
      EXPECT_EQ(told.caption, "Appointment List") << c.what;
    }
  }
}

TEST_F(OverrideTest, NobodySignedOnOrNoSuchRightAsksNothing) {
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, 0), 0);
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kHighestRight + 1), 0);
  QRX_SignOff();
  prompter_.credentials("admin", "admin-pass");
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightEditAppointment), 0);
  EXPECT_EQ(QRX_PasswordCheckwAudit(prompter_, kRightEditAppointment, 5), 0);
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(QRX_GetOverrideUserID(), 0u);
}

TEST_F(OverrideTest, RightRevokedMeanwhileIsNoLongerHeld) {
  ASSERT_EQ(changeUser("clerk", Change{.revoke = {66}}), 0);
  EXPECT_EQ(QRX_CheckRightWithPassword(prompter_, kRightEditAppointment), -1);
  EXPECT_EQ(prompter_.asked().size(), 1u);
}

}  // namespace
