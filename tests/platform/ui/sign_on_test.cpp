// Signing on at start against a real practice database: a refused name or password is told and
// asked again only as often as allowed, Cancel stops at once, and a user already signed on is
// not asked at all.

#include "platform/ui/sign_on.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/users.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

class SignOnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
    std::string why;
    ASSERT_EQ(
        addUser("clerk", "Front Desk", "clerk-pass", {kRightRunAppointmentList}, &clerk_, &why), 0)
        << why;
    QRX_SignOff();
  }
  void TearDown() override {
    QRX_SignOff();
    QDB_CloseDataBase();
  }

  // Each prompt asked, in order: "sign on" for a credentials prompt, "refused" for the message.
  std::vector<std::string> dialogue() const {
    std::vector<std::string> out;
    for (const auto& asked : prompter_.asked()) {
      if (asked.prompt.text == kSignOnText) {
        out.push_back("sign on");
      } else if (asked.prompt.text == kSignOnRefused) {
        out.push_back("refused");
      } else {
        out.push_back("other: " + asked.prompt.text);
      }
    }
    return out;
  }

  TempDir dir_{"vantrel-sign-on"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
  ScriptedPrompter prompter_;
  std::uint32_t clerk_ = 0;
};

TEST_F(SignOnTest, SignedOnUserIsNotAskedAgain) {
  ASSERT_EQ(QRX_SignOn("clerk", "clerk-pass"), 1);
  EXPECT_TRUE(signOnInteractive(prompter_));
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(QRX_GetLoggedInUserID(), clerk_);
}

TEST_F(SignOnTest, RightNameAndPasswordSignOnWithTheSignOnPrompt) {
  prompter_.credentials("clerk", "clerk-pass");
  EXPECT_TRUE(signOnInteractive(prompter_));
  EXPECT_EQ(QRX_GetLoggedInUserID(), clerk_);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const Prompt& asked = prompter_.asked()[0].prompt;
  EXPECT_EQ(asked.caption, "Vantrel Sign On");
  EXPECT_EQ(asked.text, "Sign on to Vantrel Appointment List.");
}

TEST_F(SignOnTest, RefusalIsToldAsAStopInTheSignOnCaption) {
  prompter_.credentials("clerk", "wrong").credentials("clerk", "clerk-pass");
  EXPECT_TRUE(signOnInteractive(prompter_));
  ASSERT_EQ(prompter_.asked().size(), 3u);
  const Prompt& told = prompter_.asked()[1].prompt;
  EXPECT_EQ(told.caption, "Vantrel Sign On");
  EXPECT_EQ(told.text, "The user name or password is not correct.");
  EXPECT_EQ(told.icon, PromptIcon::kStop);
  EXPECT_EQ(told.buttons, PromptButtons::kOk);
}

TEST_F(SignOnTest, AsksAgainOnlyAsOftenAsAllowed) {
  struct Case {
    const char* name;
    int attempts;
    std::vector<Credentials> typed;  // queued in this order
    bool signedOn;
    std::vector<std::string> dialogue;
  };
  const Credentials right{"clerk", "clerk-pass"};
  const Credentials wrongPassword{"clerk", "clerk-pas"};
  const Credentials unknownUser{"clark", "clerk-pass"};
  const std::vector<Case> cases = {
      {"third try right",
       3,
       {wrongPassword, unknownUser, right},
       true,
       {"sign on", "refused", "sign on", "refused", "sign on"}},
      {"a fourth try is never taken",
       3,
       {wrongPassword, wrongPassword, wrongPassword, right},
       false,
       {"sign on", "refused", "sign on", "refused", "sign on", "refused"}},
      {"one attempt", 1, {wrongPassword, right}, false, {"sign on", "refused"}},
      {"no attempts still asks once", 0, {right}, true, {"sign on"}},
      {"name in other case", 3, {{"CLERK", "clerk-pass"}}, true, {"sign on"}},
  };
  for (const Case& c : cases) {
    QRX_SignOff();
    prompter_ = ScriptedPrompter();
    for (const Credentials& typed : c.typed) prompter_.credentials(typed.login, typed.password);
    EXPECT_EQ(signOnInteractive(prompter_, c.attempts), c.signedOn) << c.name;
    EXPECT_EQ(QRX_IsSignedOn(), c.signedOn ? 1 : 0) << c.name;
    EXPECT_EQ(dialogue(), c.dialogue) << c.name;
  }
}

TEST_F(SignOnTest, CancelEndsTheSignOnAtOnce) {
  // Nothing queued: the first credentials prompt is cancelled.
  EXPECT_FALSE(signOnInteractive(prompter_));
  EXPECT_EQ(dialogue(), (std::vector<std::string>{"sign on"}));
  EXPECT_EQ(QRX_IsSignedOn(), 0);

  prompter_ = ScriptedPrompter();
  prompter_.credentials("clerk", "wrong");
  EXPECT_FALSE(signOnInteractive(prompter_));
  EXPECT_EQ(dialogue(), (std::vector<std::string>{"sign on", "refused", "sign on"}));
  EXPECT_EQ(QRX_IsSignedOn(), 0);
}

}  // namespace
