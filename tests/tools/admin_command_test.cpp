// The administration command as a person types it: bad words give the usage and exit 2 without
// touching anything; init is harmless to repeat; demo fills a database once and refuses after.

#include "tools/admin_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

Outcome run(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Outcome o;
  o.code = runAdminCommand(args, out, err);
  o.out = out.str();
  o.err = err.str();
  return o;
}

bool hasDatabase(const std::string& dir) { return std::filesystem::exists(dir + "/qrxdata.db"); }

// Record counts of a few files of the database in `dir`; the database is closed again.
std::vector<int> counts(const std::string& dir) {
  std::vector<int> out;
  if (QDB_InitDataBase(dir.c_str()) != 1) return out;
  const QdbSession session = QDB_StartSession(1);
  for (const int number : {kResourceFile, kAppointmentFile, kPatientFile, kAddressFile,
                           kDefinitionFile, kRscUseFile, kUserFile}) {
    const QdbHandle file = QDB_OpenFile(session, number);
    std::vector<std::uint8_t> buffer(findFileDef(number)->recordLength);
    int n = 0;
    for (int ok = QDB_FirstRec(file, number, buffer.data(), buffer.size()); ok != 0;
         ok = QDB_NextRec(file, number, buffer.data(), buffer.size())) {
      ++n;
    }
    out.push_back(n);
  }
  QDB_EndSession(session);
  QDB_CloseDataBase();
  return out;
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

// ---------------------------------------------------------------------------------------------
// Arguments

TEST_F(AdminCommand, BadArgumentsGiveTheUsageAndExitTwoWithoutTouchingTheDirectory) {
  const std::string d = data();
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--data", d},
      {"--data", d, "frobnicate"},
      {"--data", d, "--verbose", "init"},
      {"--data"},
      {"init", "--data"},
      {"--data=", "init"},
      {"--data", d, "--data", d, "init"},
      {"--data", d, "init", "now"},
      {"--data", d, "demo", "--seed"},
      {"--data", d, "demo", "--seed", "abc"},
      {"--data", d, "demo", "--seed", "12x"},
      {"--data", d, "demo", "--seed", "-1"},
      {"--data", d, "demo", "--seed", ""},
      {"--data", d, "demo", "--seed", "18446744073709551616"},
      {"--data", d, "demo", "--seed=7", "--seed", "8"},
      {"--data", d, "demo", "--fast"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const std::string& a : args) joined += "[" + a + "] ";
    SCOPED_TRACE(joined);
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 2);
    EXPECT_NE(o.err.find("Usage: apptbook-admin"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(std::filesystem::exists(d)) << "bad arguments made the data directory";
  }
}

TEST_F(AdminCommand, HelpPrintsTheUsageOfEverySubcommand) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--help"},
                                             {"-h"},
                                             {"demo", "--help"},
                                             {"--data", data(), "init", "--help"},
                                             {"users", "--help"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.code, 0) << args.front();
    EXPECT_EQ(o.err, "");
    for (const char* part :
         {"Usage: apptbook-admin", "--data DIR", "init", "demo [--seed N]", "users list"}) {
      EXPECT_NE(o.out.find(part), std::string::npos) << part;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(data()));
}

TEST_F(AdminCommand, DataDirectoryMayComeBeforeOrAfterTheSubcommand) {
  const std::string before = dir_.file("before");
  const std::string after = dir_.file("after");
  const std::string joined = dir_.file("joined");
  EXPECT_EQ(run({"--data", before, "init"}).code, 0);
  EXPECT_EQ(run({"init", "--data", after}).code, 0);
  EXPECT_EQ(run({"init", "--data=" + joined}).code, 0);
  EXPECT_TRUE(hasDatabase(before));
  EXPECT_TRUE(hasDatabase(after));
  EXPECT_TRUE(hasDatabase(joined));
}

TEST_F(AdminCommand, WithoutDataTheProfilesDirectoryIsUsed) {
  const std::string profiled = dir_.file("profiled");
  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", profiled.c_str()), 1);
  const Outcome o = run({"init"});
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_TRUE(hasDatabase(profiled));
  EXPECT_NE(o.out.find(profiled), std::string::npos) << o.out;
}

// ---------------------------------------------------------------------------------------------
// init

TEST_F(AdminCommand, InitTwiceKeepsTheDatabaseAndItsRecords) {
  const Outcome first = run({"--data", data(), "init"});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.out.find("Made an empty practice database"), std::string::npos) << first.out;

  ASSERT_EQ(QDB_InitDataBase(data().c_str()), 1);
  const QdbSession session = QDB_StartSession(1);
  const QdbHandle file = QDB_OpenFile(session, kPatientFile);
  ASSERT_NE(file, 0u);
  PatientRecord p;
  p.setLastName("Keepme");
  ASSERT_EQ(QDB_AddRec(file, p.data(), p.size()), 1);
  QDB_EndSession(session);
  QDB_CloseDataBase();

  const Outcome second = run({"--data", data(), "init"});
  EXPECT_EQ(second.code, 0) << second.err;
  EXPECT_NE(second.out.find("already exists"), std::string::npos) << second.out;
  EXPECT_NE(second.out.find("left as it is"), std::string::npos) << second.out;
  EXPECT_EQ(counts(data())[2], 1) << "init lost a patient";
}

TEST_F(AdminCommand, InitRefusesAFileThatIsNotADatabaseAndLeavesItAlone) {
  std::filesystem::create_directories(data());
  const std::string junk = "this is a letter, not a database\n";
  { std::ofstream(data() + "/qrxdata.db") << junk; }
  const Outcome o = run({"--data", data(), "init"});
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("cannot"), std::string::npos) << o.err;
  std::ifstream in(data() + "/qrxdata.db");
  const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, junk);
}

// ---------------------------------------------------------------------------------------------
// demo

TEST_F(AdminCommand, DemoRefusesADatabaseThatHoldsPatientsAndWritesNothing) {
  ASSERT_EQ(run({"--data", data(), "init"}).code, 0);
  ASSERT_EQ(QDB_InitDataBase(data().c_str()), 1);
  const QdbSession session = QDB_StartSession(1);
  const QdbHandle file = QDB_OpenFile(session, kPatientFile);
  PatientRecord p;
  p.setLastName("Already");
  ASSERT_EQ(QDB_AddRec(file, p.data(), p.size()), 1);
  QDB_EndSession(session);
  QDB_CloseDataBase();
  const std::vector<int> before = counts(data());

  const Outcome o = run({"--data", data(), "demo"});
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("1 patients"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("refused"), std::string::npos) << o.err;
  EXPECT_EQ(counts(data()), before);
}

TEST_F(AdminCommand, DemoFillsAFreshDirectoryOnceAndRefusesTheSecondTime) {
  const Outcome first = run({"demo", "--seed", "5", "--data", data()});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.out.find("5 providers"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("6 operatories"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("in 1200 households"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("40 undated"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("2 users"), std::string::npos) << first.out;
  const std::vector<int> after = counts(data());
  ASSERT_EQ(after.size(), 7u);
  EXPECT_GE(after[2], 3000);

  const Outcome second = run({"--data", data(), "demo"});
  EXPECT_EQ(second.code, 1);
  EXPECT_NE(second.err.find("already holds"), std::string::npos) << second.err;
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(counts(data()), after) << "a refused demo changed the database";
}

// ---------------------------------------------------------------------------------------------
// users

TEST_F(AdminCommand, UsersNeedADatabaseAndThenReachTheUsersCommand) {
  const Outcome missing = run({"--data", data(), "users", "list"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("init"), std::string::npos) << missing.err;
  EXPECT_FALSE(hasDatabase(data())) << "users made a database";

  ASSERT_EQ(run({"--data", data(), "init"}).code, 0);
  const Outcome added = run(
      {"users", "add", "nora", "--name", "Nora Lee", "--password", "secret1", "--data", data()});
  EXPECT_EQ(added.code, 0) << added.err;
  const Outcome listed = run({"--data", data(), "users", "list"});
  EXPECT_EQ(listed.code, 0) << listed.err;
  EXPECT_NE(listed.out.find("nora"), std::string::npos) << listed.out;
}

}  // namespace
