// The single-instance service with real processes: this program starts copies of itself as later
// starts (or as a primary that is then killed), so lock file, socket and request line meet as two
// starts of the program meet them. In-process clients send damaged requests.

#include "platform/ui/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr const char* kMutex = "VANTREL_TEST_MUTEX";
constexpr const char* kChildVariable = "VANTREL_SINGLE_INSTANCE_CHILD";

// A copy started with kChildVariable set plays its role before main() and exits with its result:
// "second <patient>" hands the patient to the primary (0; 3 when it became primary itself, 4 when
// the primary did not confirm); "primary" becomes it (else 3) and waits 30 s to be killed.
// _Exit keeps a copy from running the destructors of a process image it only borrowed.
const bool kIsChild = [] {
  const char* role = std::getenv(kChildVariable);
  if (role == nullptr) return false;
  static int argc = 1;
  static char name[] = "single_instance_child";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  SingleInstance instance;
  const bool primary = instance.tryBecomePrimary(kMutex);
  if (std::strncmp(role, "second ", 7) == 0) {
    const auto patient = static_cast<quint32>(std::strtoul(role + 7, nullptr, 10));
    std::_Exit(primary ? 3 : instance.sendToPrimary(patient) ? 0 : 4);
  }
  if (!primary) std::_Exit(3);
  QTimer::singleShot(30000, &app, &QCoreApplication::quit);
  app.exec();
  std::_Exit(0);
}();

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kIsChild);
    tmp_.set(dir_.path());  // sockets and lock files stay in the test's own directory
    display_.set(":7");
  }

  QString socketPath() const {
    return QDir(QDir::tempPath()).filePath(SingleInstance::serverName(kMutex));
  }

  // Makes `instance` the primary, recording each patient it is handed in heard_.
  bool becomePrimary(SingleInstance& instance) {
    QObject::connect(&instance, &SingleInstance::activationRequested,
                     [this](quint32 patient) { heard_.push_back(patient); });
    return instance.tryBecomePrimary(kMutex);
  }

  // Starts a copy of this program in `role` (a QProcess kills its copy when destroyed).
  std::unique_ptr<QProcess> start(const std::string& role, quint32 patient) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable),
               QString::fromStdString(role + " " + std::to_string(patient)));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QCoreApplication::applicationFilePath(), {});
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
  }

  // Starts a copy as a later start handing over `patient` and keeps the event loop running (the
  // primary must answer) until it ends. Its exit code, or -1 when it crashed or did not end.
  int secondStart(quint32 patient) {
    heard_.clear();
    auto copy = start("second", patient);
    if (!QTest::qWaitFor([&] { return copy->state() == QProcess::NotRunning; }, 20000)) return -1;
    return copy->exitStatus() == QProcess::NormalExit ? copy->exitCode() : -1;
  }

  // What the primary heard, once it heard anything (or five seconds passed).
  std::vector<quint32> heard() {
    static_cast<void>(QTest::qWaitFor([&] { return !heard_.empty(); }, 5000));
    return heard_;
  }

  vantrel::test::TempDir dir_{"vantrel-single"};
  vantrel::test::ScopedEnv tmp_{"TMPDIR"};
  vantrel::test::ScopedEnv display_{"DISPLAY"};
  std::vector<quint32> heard_;
};

TEST_F(SingleInstanceTest, SecondStartHandsItsPatientToTheFirstAndExitsZero) {
  SingleInstance primary;
  ASSERT_TRUE(becomePrimary(primary));
  // 0 only brings the first to the front; the largest identifier must not wrap or be cut.
  for (const quint32 patient : {123u, 0u, 4294967295u}) {
    EXPECT_EQ(secondStart(patient), 0) << patient;
    EXPECT_EQ(heard(), std::vector<quint32>{patient});
  }
}

TEST_F(SingleInstanceTest, OnlyOnePrimaryHoweverLongItRunsAndANewOneAfterItEnds) {
  {
    SingleInstance first;
    ASSERT_TRUE(first.tryBecomePrimary(kMutex));
    // A primary runs for hours: the age of its lock must not make the lock look abandoned.
    QFile lock(socketPath() + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                                 QFileDevice::FileModificationTime));
    SingleInstance meanwhile;
    EXPECT_FALSE(meanwhile.tryBecomePrimary(kMutex));
    EXPECT_FALSE(meanwhile.isPrimary());
  }
  EXPECT_FALSE(QFileInfo::exists(socketPath())) << "an ended primary left its socket";
  SingleInstance next;
  EXPECT_TRUE(next.tryBecomePrimary(kMutex));
  EXPECT_TRUE(QFileInfo::exists(socketPath())) << "the next primary does not listen";
}

TEST_F(SingleInstanceTest, KilledPrimaryDoesNotBlockTheNextStart) {
  auto crashed = start("primary", 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socketPath()); }, 20000))
      << "the first copy never listened";
  crashed->kill();
  ASSERT_TRUE(crashed->waitForFinished(10000));
  // What a crash leaves behind: the socket file and the lock file of a process that is gone.
  ASSERT_TRUE(QFileInfo::exists(socketPath()) && QFileInfo::exists(socketPath() + ".lock"));
  SingleInstance next;
  ASSERT_TRUE(becomePrimary(next));
  EXPECT_EQ(secondStart(77), 0);
  EXPECT_EQ(heard(), std::vector<quint32>{77});
}

// What an in-process client gets back for a request written in the given pieces, read until the
// primary closes the connection.
QByteArray exchange(const std::vector<QByteArray>& pieces) {
  QLocalSocket client;
  client.connectToServer(SingleInstance::serverName(kMutex));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return client.state() == QLocalSocket::ConnectedState; }, 5000));
  QByteArray reply;
  QObject::connect(&client, &QLocalSocket::readyRead, [&] { reply += client.readAll(); });
  for (const QByteArray& piece : pieces) {
    client.write(piece);
    client.flush();
    QTest::qWait(20);
  }
  static_cast<void>(
      QTest::qWaitFor([&] { return client.state() == QLocalSocket::UnconnectedState; }, 5000));
  return reply + client.readAll();
}

TEST_F(SingleInstanceTest, DamagedRequestsAreRefusedAndTheServiceGoesOn) {
  SingleInstance primary;
  ASSERT_TRUE(becomePrimary(primary));
  const QByteArray damaged[] = {"1224 abc\n", "1224 4294967296\n",
                                "1224 -5\n",  "1224 +5\n",
                                "999 5\n",    "1224 5 6\n",
                                "1224  5\n",  "1224\n",
                                "1224 \n",    "\n",
                                "12245\n",    QByteArray(40, '1'),
                                "1224 5\r\n", QByteArray("1224 5\0\n", 8)};
  for (const QByteArray& request : damaged) {
    EXPECT_EQ(exchange({request}), QByteArray("ERR\n")) << request.toStdString();
  }
  QTest::qWait(50);
  EXPECT_TRUE(heard_.empty());
  // A line that arrives in pieces is still one request.
  EXPECT_EQ(exchange({"12", "24 4", "2\n"}), QByteArray("OK\n"));
  EXPECT_EQ(heard(), std::vector<quint32>{42});
}

}  // namespace
