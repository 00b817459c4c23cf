// Signing on at start against a real practice database: a refused name or password is told and
// asked again only as often as allowed, Cancel stops at once, a user signed on is not asked.

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

  vantrel::test::TempDir dir_{"vantrel-sign-on"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  std::uint32_t clerk_ = 0;
};

TEST_F(SignOnTest, AsksAgainOnlyAsOftenAsAllowedAndCancelStopsAtOnce) {
  const Credentials right{"clerk", "clerk-pass"}, wrong{"clerk", "clerk-pas"};
  const struct {
    const char* name;
    int attempts;
    std::vector<Credentials> typed;  // queued in this order; then the prompter cancels
    bool signedOn;
    // S: the sign-on prompt, R: the refusal told (a stop, OK only); none: signed on before.
    std::string dialogue;
  } cases[] = {
      {"third try right", 3, {wrong, {"clark", "clerk-pass"}, right}, true, "SRSRS"},
      {"a fourth try is never taken", 3, {wrong, wrong, wrong, right}, false, "SRSRSR"},
      {"one attempt", 1, {wrong, right}, false, "SR"},
      {"no attempts still asks once", 0, {right}, true, "S"},
      {"name in other case", 3, {{"CLERK", "clerk-pass"}}, true, "S"},
      {"cancel at once", 3, {}, false, "S"},
      {"cancel after a refusal", 3, {wrong}, false, "SRS"},
      {"already signed on: not asked", 3, {}, true, ""},
  };
  for (const auto& c : cases) {
    QRX_SignOff();
    if (c.dialogue.empty()) {
      ASSERT_EQ(QRX_SignOn("clerk", "clerk-pass"), 1);
    }
    ScriptedPrompter prompter;
    for (const Credentials& typed : c.typed) prompter.credentials(typed.login, typed.password);
    EXPECT_EQ(signOnInteractive(prompter, c.attempts), c.signedOn) << c.name;
    EXPECT_EQ(QRX_GetLoggedInUserID(), c.signedOn ? clerk_ : 0u) << c.name;
    std::string dialogue;
    for (const auto& asked : prompter.asked()) {
      const Prompt& p = asked.prompt;
      const bool refusal = p.text == kSignOnRefused && p.icon == PromptIcon::kStop &&
                           p.buttons == PromptButtons::kOk;
      dialogue += p.caption != kSignOnCaption ? '?'
                  : p.text == kSignOnText     ? 'S'
                  : refusal                   ? 'R'
                                              : '?';
    }
    EXPECT_EQ(dialogue, c.dialogue) << c.name;
  }
}

}  // namespace
