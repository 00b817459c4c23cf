// Opening and making databases: a missing database, a file that is not ours or is damaged,
// another version, directories that cannot be written.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace qdbtest {
namespace {

namespace fs = std::filesystem;

std::vector<char> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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

  // A database with the appointments file and one record, closed.
  void makeDatabase() {
    ASSERT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 1);
    ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
    QdbSession s = QDB_StartSession(1);
    ASSERT_EQ(QDB_CREIFIL(s, apptDef()), 1);
    QdbHandle f = QDB_OpenFile(s, kAppts);
    Rec r = appt(100, "OP1");
    ASSERT_EQ(QDB_AddRec(f, r.data(), r.size()), 1);
    QDB_CloseDataBase();
  }

  TempDir dir_;
};

TEST_F(Opening, MissingDatabaseGives2AndCreatesNothing) {
  EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 2);
  EXPECT_TRUE(fs::is_empty(dir_.path()));
  EXPECT_EQ(QDB_InitDataBase(dir_.file("no/such/dir").c_str()), 2);
  EXPECT_FALSE(fs::exists(dir_.file("no")));
  EXPECT_EQ(QDB_StartSession(1), 0) << "nothing is open";
  EXPECT_EQ(QDB_InitDataBase(""), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadArgument);
  EXPECT_EQ(QDB_InitDataBase(nullptr), 0);
}

TEST_F(Opening, FileThatIsNotADatabaseFailsCleanlyAndIsLeftAsItWas) {
  std::mt19937 random(7);
  for (std::size_t size : {0u, 1u, 100u, 4096u, 65536u}) {
    std::vector<char> garbage(size);
    for (char& c : garbage) c = static_cast<char>(random());
    writeAll(dir_.file("qrxdata.db"), garbage);
    EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 0) << size;
    EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbDamaged) << size;
    EXPECT_EQ(readAll(dir_.file("qrxdata.db")), garbage) << size;
  }
  fs::remove(dir_.file("qrxdata.db"));
  fs::create_directory(dir_.file("qrxdata.db"));
  EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbDamaged) << "a directory in the database's place";
}

TEST_F(Opening, ForeignSqliteDatabaseIsRefusedAsNotOurs) {
  tamper(dir_, "CREATE TABLE something(x)");
  EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbDamaged);
}

// SQLite keeps no checksum of a record's bytes, so damage inside a record cannot be seen; damage
// to the file's structure must give the damaged-file error, never a crash.
TEST_F(Opening, DamagedPagesGiveACleanErrorNeverACrash) {
  makeDatabase();
  const std::vector<char> good = readAll(dir_.file("qrxdata.db"));
  ASSERT_GT(good.size(), 4096u);
  std::mt19937 random(11);
  int refusedOnOpen = 0;
  int damagedReads = 0;
  for (int trial = 0; trial < 40; ++trial) {
    std::vector<char> bad = good;
    if (trial % 4 == 0) {
      bad.resize(good.size() / 2);  // cut short
    } else {
      for (int i = 0; i < 200; ++i) {
        bad[100 + random() % (bad.size() - 100)] = static_cast<char>(random());
      }
    }
    writeAll(dir_.file("qrxdata.db"), bad);
    if (QDB_InitDataBase(dir_.path().c_str()) != 1) {
      EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbDamaged) << trial;
      ++refusedOnOpen;
      continue;
    }
    QdbSession s = QDB_StartSession(1);
    QdbHandle f = QDB_OpenFile(s, kAppts);
    if (f == 0) {
      EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged) << trial;
      ++damagedReads;
    } else {
      Rec r(kApptSize);
      for (int key : {9, 10, 13, 14}) {
        if (QDB_FirstRec(f, key, r.data(), r.size()) != 1) {
          EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged) << trial << " key " << key;
          ++damagedReads;
        }
      }
      Rec again = appt(200, "OP2");
      if (QDB_AddRec(f, again.data(), again.size()) != 1) {
        EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged) << trial;
      }
    }
    QDB_CloseDataBase();
  }
  EXPECT_GT(refusedOnOpen + damagedReads, 0) << "the damage was never noticed";
}

TEST_F(Opening, DamagedOrFutureDefinitionsAreToldApartOnOpen) {
  makeDatabase();
  tamper(dir_, "UPDATE qdb_files SET definition = X'00' || substr(definition, 2) WHERE file = 9");
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1) << "the database itself is fine";
  QdbSession s = QDB_StartSession(1);
  EXPECT_EQ(QDB_OpenFile(s, kAppts), 0u);
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged);
  QDB_CloseDataBase();

  fs::remove_all(dir_.path());
  fs::create_directory(dir_.path());
  makeDatabase();
  tamper(dir_, "UPDATE qdb_files SET version = 2 WHERE file = 9");
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  s = QDB_StartSession(1);
  EXPECT_EQ(QDB_OpenFile(s, 13), 0u);
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbOtherVersion);
  EXPECT_EQ(QDB_GetLastFileNum(s), 13);
  QDB_CloseDataBase();

  fs::remove_all(dir_.path());
  fs::create_directory(dir_.path());
  makeDatabase();
  tamper(dir_, "DROP TABLE f9");
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  s = QDB_StartSession(1);
  EXPECT_EQ(QDB_OpenFile(s, kAppts), 0u);
  EXPECT_EQ(QDB_GetLastErrorNum(s), kQdbDamaged) << "a catalogued file without its table";
}

TEST_F(Opening, DatabaseOfAnotherVersionGives15) {
  makeDatabase();
  tamper(dir_, "UPDATE qdb_meta SET value = 2 WHERE name = 'format'");
  EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbOtherVersion);
}

TEST_F(Opening, CreatingWhereADatabaseIsLeavesItAlone) {
  makeDatabase();
  const std::vector<char> before = readAll(dir_.file("qrxdata.db"));
  EXPECT_EQ(QDB_CreateDataBase(dir_.path().c_str()), 3);
  EXPECT_EQ(readAll(dir_.file("qrxdata.db")), before);
  const std::string nested = dir_.file("a/b/c");
  EXPECT_EQ(QDB_CreateDataBase(nested.c_str()), 1);
  EXPECT_EQ(QDB_InitDataBase(nested.c_str()), 1);
  for (const auto& entry : fs::directory_iterator(nested)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.rfind("qrxdata.", 0) == 0) << "left behind: " << name;
    EXPECT_EQ(name.find(".new-"), std::string::npos) << "left behind: " << name;
  }
}

TEST_F(Opening, CreatingUnderAFileFailsWith408) {
  writeAll(dir_.file("plain"), {'x'});
  EXPECT_EQ(QDB_CreateDataBase(dir_.file("plain/data").c_str()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbIoError);
}

TEST_F(Opening, AnotherDirectoryWaitsUntilTheSessionsEnd) {
  makeDatabase();
  TempDir second;
  ASSERT_EQ(QDB_CreateDataBase(second.path().c_str()), 1);
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  EXPECT_EQ(QDB_InitDataBase((dir_.path() + "/").c_str()), 1) << "the same directory";
  QdbSession s = QDB_StartSession(1);
  EXPECT_EQ(QDB_InitDataBase(second.path().c_str()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbInUse);
  EXPECT_NE(QDB_OpenFile(s, kAppts), 0u) << "the first stays open";
  ASSERT_EQ(QDB_EndSession(s), 1);
  EXPECT_EQ(QDB_InitDataBase(second.path().c_str()), 1);
  s = QDB_StartSession(1);
  EXPECT_EQ(QDB_OpenFile(s, kAppts), 0u) << "the second has no files";
}

// Opens the database of `dir` as a user who may read but not write there (a child that drops
// root when run as root). Returns the result and the error, or -1 when that could not be set up.
std::pair<int, int> initAsReader(const std::string& dir) {
  if (::geteuid() != 0) {
    int result = QDB_InitDataBase(dir.c_str());
    std::pair<int, int> out{result, QDB_GetLastErrorNum(0)};
    QDB_CloseDataBase();
    return out;
  }
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {-1, 0};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    int answer[2] = {-1, 0};
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
      answer[0] = QDB_InitDataBase(dir.c_str());
      answer[1] = QDB_GetLastErrorNum(0);
    }
    ssize_t ignored = ::write(pipeFds[1], answer, sizeof answer);
    static_cast<void>(ignored);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  int answer[2] = {-1, 0};
  ssize_t got = ::read(pipeFds[0], answer, sizeof answer);
  ::close(pipeFds[0]);
  ::waitpid(pid, nullptr, 0);
  if (got != sizeof answer) return {-1, 0};
  return {answer[0], answer[1]};
}

TEST_F(Opening, UnwritableDatabaseOrDirectoryFailsWith408) {
  makeDatabase();
  ::chmod(dir_.path().c_str(), 0755);
  ::chmod(dir_.file("qrxdata.db").c_str(), 0644);
  ::chmod(dir_.file("qrxdata.lck").c_str(), 0644);
  auto [result, error] = initAsReader(dir_.path());
  ASSERT_NE(result, -1) << "could not open as another user";
  EXPECT_EQ(result, 0) << "a database file we may not write";
  EXPECT_EQ(error, kQdbIoError);

  ::chmod(dir_.file("qrxdata.db").c_str(), 0666);
  ::chmod(dir_.file("qrxdata.lck").c_str(), 0666);
  std::tie(result, error) = initAsReader(dir_.path());
  EXPECT_EQ(result, 0) << "a directory we may not write (the log cannot be made)";
  EXPECT_EQ(error, kQdbIoError);

  ::chmod(dir_.path().c_str(), 0700);
  EXPECT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1) << "the owner still opens it";
  QdbSession s = QDB_StartSession(1);
  QdbHandle f = QDB_OpenFile(s, kAppts);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_FirstRec(f, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 100u);
}

}  // namespace
}  // namespace qdbtest
