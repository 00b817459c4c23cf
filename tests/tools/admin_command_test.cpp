// The administration command as a person types it: bad words give the usage and exit 2 without
// touching anything; init is harmless to repeat; demo fills a database once and refuses after;
// a subcommand that needs a database never makes one.

#include "tools/admin_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "tests/tools/support/command_output.h"

namespace {

using vantrel::test::readFile;
using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;
using vantrel::test::writeFile;

using toolstest::Outcome;
using toolstest::Words;

Outcome run(const Words& args) { return toolstest::capture(runAdminCommand, args); }

bool hasDatabase(const std::string& dir) { return std::filesystem::exists(dir + "/qrxdata.db"); }

// The number of patients in the database in `dir`, after adding one named `addName` when given;
// -1 when the database cannot be opened. The database is closed again.
int patients(const std::string& dir, const char* addName = nullptr) {
  if (QDB_InitDataBase(dir.c_str()) != 1) return -1;
  const QdbSession session = QDB_StartSession(1);
  const QdbHandle file = QDB_OpenFile(session, kPatientFile);
  PatientRecord p;
  p.setLastName(addName == nullptr ? "" : addName);
  if (addName != nullptr) {
    EXPECT_EQ(QDB_AddRec(file, p.data(), p.size()), 1);
  }
  int n = 0;
  for (int ok = QDB_FirstRec(file, kPatientFile, p.data(), p.size()); ok != 0;
       ok = QDB_NextRec(file, kPatientFile, p.data(), p.size())) {
    ++n;
  }
  QDB_EndSession(session);
  QDB_CloseDataBase();
  return n;
}

class AdminCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    profileEnv_.set(dir_.file("VANTREL.INI"));
    todayEnv_.set("2026-03-11");
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string data() const { return dir_.file("data"); }

  TempDir dir_{"vantrel-admin"};
  ScopedEnv profileEnv_{"VANTREL_PROFILE"};
  ScopedEnv todayEnv_{"VANTREL_TODAY"};
};

TEST_F(AdminCommand, BadArgumentsGiveTheUsageAndExitTwoWithoutTouchingTheDirectory) {
  const std::string d = data();
  const std::vector<Words> cases = {
      {},
      {"--data", d},
      {"--data", d, "frobnicate"},
      {"init", "--data"},
      {"--data=", "init"},
      {"--data", d, "--data", d, "init"},
      {"--data", d, "init", "now"},
      {"--data", d, "demo", "--seed", "12x"},
      {"--data", d, "demo", "--seed", "-1"},
      {"--data", d, "demo", "--seed", "18446744073709551616"},
      {"--data", d, "demo", "--seed=7", "--seed", "8"},
  };
  for (const Words& args : cases) {
    SCOPED_TRACE(toolstest::joined(args));
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 2);
    EXPECT_NE(o.err.find("Usage: apptbook-admin"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(std::filesystem::exists(d)) << "bad arguments made the data directory";
  }
  const Outcome help = run({"demo", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: apptbook-admin"), std::string::npos) << help.out;
  EXPECT_FALSE(std::filesystem::exists(d));
}

TEST_F(AdminCommand, DataDirectoryComesFromTheArgumentsElseFromTheProfile) {
  EXPECT_EQ(run({"init", "--data", dir_.file("after")}).code, 0);
  EXPECT_EQ(run({"init", "--data=" + dir_.file("joined")}).code, 0);
  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", dir_.file("profiled").c_str()), 1);
  EXPECT_EQ(run({"init"}).code, 0);
  for (const char* name : {"after", "joined", "profiled"}) {
    EXPECT_TRUE(hasDatabase(dir_.file(name))) << name;
  }
}

TEST_F(AdminCommand, InitTwiceKeepsTheDatabaseAndItsRecords) {
  const Outcome first = run({"--data", data(), "init"});
  ASSERT_EQ(first.code, 0) << first.err;
  ASSERT_EQ(patients(data(), "Keepme"), 1);
  const Outcome second = run({"--data", data(), "init"});
  EXPECT_EQ(second.code, 0) << second.err;
  EXPECT_NE(second.out.find("already exists"), std::string::npos) << second.out;
  EXPECT_EQ(patients(data()), 1) << "init lost a patient";
}

TEST_F(AdminCommand, InitRefusesAFileThatIsNotADatabaseAndLeavesItAlone) {
  const std::string junk = "this is a letter, not a database\n";
  ASSERT_TRUE(writeFile(data() + "/qrxdata.db", junk));
  const Outcome o = run({"--data", data(), "init"});
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("cannot"), std::string::npos) << o.err;
  EXPECT_EQ(readFile(data() + "/qrxdata.db"), junk);
}

TEST_F(AdminCommand, DemoFillsAFreshDirectoryOnceAndRefusesTheSecondTime) {
  const Outcome first = run({"demo", "--seed", "5", "--data", data()});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.out.find("in 1200 households"), std::string::npos) << first.out;
  const int made = patients(data());
  EXPECT_GE(made, 3000);
  const Outcome second = run({"--data", data(), "demo"});
  EXPECT_EQ(second.code, 1);
  EXPECT_NE(second.err.find("already holds"), std::string::npos) << second.err;
  EXPECT_EQ(patients(data()), made) << "a refused demo changed the database";
}

TEST_F(AdminCommand, SubcommandsThatNeedADatabaseSayHowToMakeOneAndNeverMakeIt) {
  for (const Words& words : {Words{"users", "list"}, Words{"day", "2026-03-11"}}) {
    Words args = {"--data", data()};
    args.insert(args.end(), words.begin(), words.end());
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 1) << words[0];
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("init"), std::string::npos) << o.err;
  }
  EXPECT_FALSE(hasDatabase(data())) << "a subcommand made a database";
  ASSERT_EQ(run({"--data", data(), "init"}).code, 0);
  EXPECT_EQ(run({"users", "list", "--data", data()}).code, 0);
}

}  // namespace
