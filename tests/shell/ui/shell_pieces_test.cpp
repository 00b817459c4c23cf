// The Qt-free pieces behind the main window that guard what leaves the program: the command
// lines the suite's modules are started with, and the sign-on from the environment.

#include <gtest/gtest.h>

#include <string>

#include "data/users.h"
#include "shell/ui/modules.h"
#include "shell/ui/startup.h"
#include "tests/shell/ui/support/practice.h"
#include "tests/support/scoped_env.h"

namespace {

using vantrel::test::ScopedEnv;

TEST(Modules, CommandLinesCarryThePatientTheWindowOrAQuotedUser) {
  ModuleContext c;
  c.patient = 4711;
  c.window = 123456789012ull;
  c.user = "frontdesk";
  EXPECT_EQ(moduleArguments(12112, c), "/ID4711");
  EXPECT_EQ(moduleArguments(12116, c), "/ID4711 /CHND4711/DATE0");
  EXPECT_EQ(moduleArguments(12126, c), "/1 /h=123456789012 /p=4711");
  EXPECT_EQ(moduleArguments(12128, c), "/k=QrxOJ /v=4711 /H=123456789012");
  EXPECT_EQ(moduleArguments(999, c), "");
  c.patient = 0;
  EXPECT_EQ(moduleArguments(12128, c), "/k=QrxOJ /p=frontdesk /H=123456789012");
  // A user name reaches the shell as one word, whatever it holds.
  c.user = "o'brien x";
  EXPECT_EQ(moduleArguments(12128, c), "/k=QrxOJ /p='o'\\''brien x' /H=123456789012");
}

class EnvironmentSignOnTest : public shellui::PracticeTest {
 protected:
  void TearDown() override {
    QRX_SignOff();
    PracticeTest::TearDown();
  }
  ScopedEnv user_{"VANTREL_USER"};
  ScopedEnv password_{"VANTREL_PASSWORD"};
};

TEST_F(EnvironmentSignOnTest, SignsOnOnlyWithTheRightPasswordAndOnlyWhenAsked) {
  std::uint32_t id = 0;
  std::string why;
  ASSERT_EQ(addUser("desk", "Front Desk", "desk-pass", {kRightRunAppointmentList}, &id, &why), 0)
      << why;
  user_.set("");
  password_.unset();
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kNotAsked);
  user_.set("desk");
  password_.set("wrong");
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kRefused);
  EXPECT_EQ(QRX_IsSignedOn(), 0);
  password_.unset();
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kRefused);
  password_.set("desk-pass");
  EXPECT_EQ(signOnFromEnvironment(), EnvironmentSignOn::kSignedOn);
  EXPECT_EQ(QRX_GetLoggedInUserID(), id);
}

}  // namespace
