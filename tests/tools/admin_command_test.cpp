// The administration command as typed: bad words give the usage and exit 2 touching nothing, init
// is harmless to repeat, demo fills a database once, and nothing but init makes a database.

#include <filesystem>

#include "contracts/qrx.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "tests/support/test_files.h"
#include "tests/tools/support/command_output.h"

namespace {

using namespace toolstest;

Outcome admin(const Words& args) { return capture(runAdminCommand, args); }

bool hasDatabase(const std::string& dir) { return std::filesystem::exists(dir + "/qrxdata.db"); }

// The number of patients in `dir`, after adding one named `addName` when given; -1 when the
// database cannot be opened. The database is closed again.
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

using AdminCommand = CommandTest;

TEST_F(AdminCommand, BadArgumentsGiveTheUsageAndExitTwoWithoutTouchingTheDirectory) {
  const std::string d = data();
  // clang-format off
  const std::vector<Words> cases = {
      {}, {"--data", d}, {"--data", d, "frobnicate"}, {"init", "--data"}, {"--data=", "init"},
      {"--data", d, "--data", d, "init"}, {"--data", d, "init", "now"},
      {"--data", d, "demo", "--seed", "12x"}, {"--data", d, "demo", "--seed", "-1"},
      {"--data", d, "demo", "--seed", "18446744073709551616"},
      {"--data", d, "demo", "--seed=7", "--seed", "8"}};
  // clang-format on
  for (const Words& args : cases) {
    SCOPED_TRACE(joined(args));
    const Outcome o = admin(args);
    EXPECT_EQ(o.code, 2);
    EXPECT_NE(o.err.find("Usage: apptbook-admin"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(std::filesystem::exists(d)) << "bad arguments made the data directory";
  }
  const Outcome help = admin({"demo", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: apptbook-admin"), std::string::npos) << help.out;
  EXPECT_FALSE(std::filesystem::exists(d));
}

TEST_F(AdminCommand, DataDirectoryComesFromTheArgumentsElseFromTheProfile) {
  EXPECT_EQ(admin({"init", "--data", dir_.file("after")}).code, 0);
  EXPECT_EQ(admin({"init", "--data=" + dir_.file("joined")}).code, 0);
  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", dir_.file("profiled").c_str()), 1);
  EXPECT_EQ(admin({"init"}).code, 0);
  for (const char* name : {"after", "joined", "profiled"}) {
    EXPECT_TRUE(hasDatabase(dir_.file(name))) << name;
  }
}

TEST_F(AdminCommand, InitTwiceKeepsTheDatabaseAndInitRefusesAFileThatIsNoDatabase) {
  ASSERT_EQ(run({"init"}).code, 0);
  ASSERT_EQ(patients(data(), "Keepme"), 1);
  const Outcome second = run({"init"});
  EXPECT_EQ(second.code, 0) << second.err;
  EXPECT_NE(second.out.find("already exists"), std::string::npos) << second.out;
  EXPECT_EQ(patients(data()), 1) << "init lost a patient";

  const std::string junk = "this is a letter, not a database\n";
  const std::string other = dir_.file("other");
  ASSERT_TRUE(vantrel::test::writeFile(other + "/qrxdata.db", junk));
  const Outcome o = admin({"--data", other, "init"});
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("cannot"), std::string::npos) << o.err;
  EXPECT_EQ(vantrel::test::readFile(other + "/qrxdata.db"), junk);
}

TEST_F(AdminCommand, DemoFillsAFreshDirectoryOnceAndRefusesTheSecondTime) {
  const Outcome first = run({"demo", "--seed", "5"});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.out.find("in 1200 households"), std::string::npos) << first.out;
  const int made = patients(data());
  const Outcome second = run({"demo"});
  EXPECT_EQ(second.code, 1);
  EXPECT_NE(second.err.find("already holds"), std::string::npos) << second.err;
  EXPECT_EQ(patients(data()), made) << "a refused demo changed the database";
}

TEST_F(AdminCommand, SubcommandsThatNeedADatabaseSayHowToMakeOneAndNeverMakeIt) {
  for (const Words& words : {Words{"users", "list"}, Words{"day", "2026-03-11"}}) {
    const Outcome o = run(words);
    EXPECT_EQ(o.code, 1) << words[0];
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("init"), std::string::npos) << o.err;
  }
  EXPECT_FALSE(hasDatabase(data())) << "a subcommand made a database";
  ASSERT_EQ(run({"init"}).code, 0);
  EXPECT_EQ(run({"users", "list"}).code, 0);
}

}  // namespace
