// Opening and making databases: a missing database, a file that is not ours or is damaged,
// another version.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>

#include "tests/platform/qrxdb/support/qdb_fixture.h"
#include "tests/support/test_files.h"

namespace qdbtest {
namespace {

namespace fs = std::filesystem;
using vantrel::test::readFile;
using vantrel::test::writeFile;

// Runs SQL straight on the database file, as damage or another program would.
void tamper(const TempDir& dir, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.file("qrxdata.db").c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << error;
  sqlite3_free(error);
  sqlite3_close(db);
}

class Opening : public ::testing::Test {
 protected:
  void TearDown() override { QDB_CloseDataBase(); }
  TempDir dir_;
};

TEST_F(Opening, MissingDatabaseGives2AndCreatesNothing) {
  EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 2);
  EXPECT_EQ(QDB_InitDataBase(dir_.file("no/such/dir").c_str()), 2);
  EXPECT_TRUE(fs::is_empty(dir_.path()));
  EXPECT_EQ(QDB_StartSession(1), 0) << "nothing is open";
  EXPECT_TRUE(failed(QDB_InitDataBase(""), kQdbBadArgument, 0));
  EXPECT_EQ(QDB_InitDataBase(nullptr), 0);
}

TEST_F(Opening, FileThatIsNotOurDatabaseGives14AndIsLeftAsItWas) {
  std::mt19937 random(7);
  for (std::size_t size : {0u, 1u, 100u, 4096u, 65536u}) {
    std::string garbage(size, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    writeFile(dir_.file("qrxdata.db"), garbage);
    EXPECT_TRUE(failed(QDB_InitDataBase(dir_.path().c_str()), kQdbDamaged, 0)) << size;
    EXPECT_EQ(readFile(dir_.file("qrxdata.db")), garbage) << size;
  }
  fs::remove(dir_.file("qrxdata.db"));
  tamper(dir_, "CREATE TABLE something(x)");
  EXPECT_TRUE(failed(QDB_InitDataBase(dir_.path().c_str()), kQdbDamaged, 0)) << "another's";
  fs::remove(dir_.file("qrxdata.db"));
  fs::create_directory(dir_.file("qrxdata.db"));
  EXPECT_TRUE(failed(QDB_InitDataBase(dir_.path().c_str()), kQdbDamaged, 0)) << "a directory";
}

// SQLite keeps no checksum of a record's bytes, so damage inside a record cannot be seen; damage
// to the file's structure must give the damaged-file error, never a crash.
TEST_F(Opening, DamagedPagesGiveACleanErrorNeverACrash) {
  makeApptDatabase(dir_);
  const std::string good = readFile(dir_.file("qrxdata.db"));
  ASSERT_GT(good.size(), 4096u);
  std::mt19937 random(11);
  int noticed = 0;
  for (int trial = 0; trial < 40; ++trial) {
    std::string bad = good;
    if (trial % 4 == 0) {
      bad.resize(good.size() / 2);  // cut short
    } else {
      for (int i = 0; i < 200; ++i) bad[100 + random() % (bad.size() - 100)] = char(random());
    }
    writeFile(dir_.file("qrxdata.db"), bad);
    if (QDB_InitDataBase(dir_.path().c_str()) != 1) {
      EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbDamaged) << trial;
      ++noticed;
      continue;
    }
    QdbSession s = QDB_StartSession(1);
    QdbHandle f = QDB_OpenFile(s, kAppts);
    Rec r(kApptSize);
    for (int key : {9, 10, 13, 14}) {
      if (f == 0 || QDB_FirstRec(f, key, r.data(), r.size()) != 1) {
        EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged) << trial << " key " << key;
        ++noticed;
      }
    }
    Rec again = appt(200, "OP2");
    if (f != 0 && QDB_AddRec(f, again.data(), again.size()) != 1) {
      EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged) << trial;
    }
    QDB_CloseDataBase();
  }
  EXPECT_GT(noticed, 0) << "the damage was never noticed";
}

TEST_F(Opening, DamagedOrFutureCatalogueGives14Or15) {
  const struct {
    const char* sql;
    int initResult;
    int error;  // of the open, or of the init when that fails
  } cases[] = {
      {"UPDATE qdb_meta SET value = 2 WHERE name = 'format'", 0, kQdbOtherVersion},
      {"UPDATE qdb_files SET definition = X'00' || substr(definition, 2) WHERE file = 9", 1,
       kQdbDamaged},
      {"UPDATE qdb_files SET version = 2 WHERE file = 9", 1, kQdbOtherVersion},
      {"DROP TABLE f9", 1, kQdbDamaged},  // a catalogued file without its table
  };
  for (const auto& c : cases) {
    TempDir dir;
    makeApptDatabase(dir);
    tamper(dir, c.sql);
    ASSERT_EQ(QDB_InitDataBase(dir.path().c_str()), c.initResult) << c.sql;
    const QdbSession s = c.initResult == 1 ? QDB_StartSession(1) : 0;
    if (s != 0) {
      EXPECT_EQ(QDB_OpenFile(s, 13), 0u) << c.sql;
      EXPECT_EQ(QDB_GetLastFileNum(s), 13) << c.sql;
    }
    EXPECT_EQ(QDB_GetLastErrorNum(s), c.error) << c.sql;
    QDB_CloseDataBase();
  }
}

TEST_F(Opening, CreatingWhereADatabaseIsLeavesItAloneAndLeavesNothingBehind) {
  makeApptDatabase(dir_);
  const std::string before = readFile(dir_.file("qrxdata.db"));
  EXPECT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 3);
  EXPECT_EQ(readFile(dir_.file("qrxdata.db")), before);
  const std::string nested = dir_.file("a/b/c");
  EXPECT_EQ(QDB_CreateDataBase(nested.c_str()), 1);
  EXPECT_EQ(QDB_InitDataBase(nested.c_str()), 1);
  for (const auto& entry : fs::directory_iterator(nested)) {
    EXPECT_EQ(entry.path().filename().string().rfind("qrxdata.", 0), 0u) << entry.path();
    EXPECT_EQ(entry.path().string().find(".new-"), std::string::npos) << entry.path();
  }
  writeFile(dir_.file("plain"), "x");
  EXPECT_TRUE(failed(QDB_CreateDataBase(dir_.file("plain/data").c_str()), kQdbIoError, 0))
      << "under a file";
}

}  // namespace
}  // namespace qdbtest
