// The single-instance service with real processes: this test program starts copies of itself
// as later starts (or as a primary that is then killed), so the lock file, the socket and the
// request line are exercised exactly as two starts of the program exercise them. In-process
// clients send damaged requests that the primary must refuse without stopping.
//
// A copy started with VANTREL_SINGLE_INSTANCE_CHILD="<role> <mutex> <patient>" plays its role
// before main() and exits with its result:
//   second  - must find a primary and hand it the patient: exit 0, 3 when it became primary
//             itself, 4 when the primary did not confirm;
//   primary - must become the primary (else exit 3), then waits up to 30 s to be killed.

#include "platform/ui/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr const char* kChildVariable = "VANTREL_SINGLE_INSTANCE_CHILD";

int playChildRole(const std::string& role) {
  std::istringstream in(role);
  std::string kind;
  std::string mutex;
  quint32 patient = 0;
  in >> kind >> mutex >> patient;
  static int argc = 1;
  static char name[] = "single_instance_child";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  SingleInstance instance;
  if (kind == "second") {
    if (instance.tryBecomePrimary(mutex.c_str())) return 3;
    return instance.sendToPrimary(patient) ? 0 : 4;
  }
  if (kind == "primary") {
    if (!instance.tryBecomePrimary(mutex.c_str())) return 3;
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    app.exec();
    return 0;
  }
  return 5;
}

// Runs before main(): a child never reaches the tests. _Exit keeps the child from running the
// destructors and exit handlers of a process image it only borrowed.
const bool kIsChild = [] {
  const char* role = std::getenv(kChildVariable);
  if (role == nullptr) return false;
  std::_Exit(playChildRole(role));
}();

// Runs the event loop until `done` or until `limitMs` passed; returns done().
bool spinUntil(const std::function<bool()>& done, int limitMs = 20000) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer clock;
  clock.start();
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done() || clock.elapsed() > limitMs) loop.quit();
  });
  poll.start(5);
  loop.exec();
  return done();
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kIsChild);
    // Sockets and lock files of this test stay in its own directory.
    tmp_.set(dir_.path());
    display_.set(":7");
  }

  QString socketPath() const {
    return QDir(QDir::tempPath()).filePath(SingleInstance::serverName(kMutex));
  }

  // Starts a copy of this program in `role`; the caller waits for it with finish().
  std::unique_ptr<QProcess> start(const std::string& role, quint32 patient) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable),
               QString::fromStdString(role + " " + kMutex + " " + std::to_string(patient)));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QCoreApplication::applicationFilePath(), {});
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
  }

  // Keeps the event loop running (the primary must answer) until the copy ends; its exit code,
  // or -1 when it crashed or did not end in time.
  static int finish(QProcess& process) {
    if (!spinUntil([&] { return process.state() == QProcess::NotRunning; })) {
      process.kill();
      process.waitForFinished(5000);
      return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  static constexpr const char* kMutex = "VANTREL_TEST_MUTEX";
  vantrel::test::TempDir dir_{"vantrel-single"};
  vantrel::test::ScopedEnv tmp_{"TMPDIR"};
  vantrel::test::ScopedEnv display_{"DISPLAY"};
};

TEST_F(SingleInstanceTest, SecondStartHandsItsPatientToTheFirstAndExitsZero) {
  SingleInstance primary;
  ASSERT_TRUE(primary.tryBecomePrimary(kMutex));
  EXPECT_TRUE(primary.isPrimary());
  std::vector<quint32> heard;
  QObject::connect(&primary, &SingleInstance::activationRequested,
                   [&](quint32 patient) { heard.push_back(patient); });

  // 0 only brings the first to the front; the largest identifier must not wrap or be cut.
  for (const quint32 patient : {123u, 0u, 4294967295u}) {
    heard.clear();
    auto second = start("second", patient);
    EXPECT_EQ(finish(*second), 0) << patient;
    EXPECT_TRUE(spinUntil([&] { return !heard.empty(); }, 5000)) << patient;
    EXPECT_EQ(heard, std::vector<quint32>{patient});
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
    lock.close();
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
  ASSERT_TRUE(spinUntil([&] { return QFileInfo::exists(socketPath()); }, 20000))
      << "the first copy never listened";
  crashed->kill();
  ASSERT_TRUE(crashed->waitForFinished(10000));
  // What a crash leaves behind: the socket file and the lock file of a process that is gone.
  ASSERT_TRUE(QFileInfo::exists(socketPath()));
  ASSERT_TRUE(QFileInfo::exists(socketPath() + ".lock"));

  SingleInstance next;
  ASSERT_TRUE(next.tryBecomePrimary(kMutex));
  std::vector<quint32> heard;
  QObject::connect(&next, &SingleInstance::activationRequested,
                   [&](quint32 patient) { heard.push_back(patient); });
  auto second = start("second", 77);
  EXPECT_EQ(finish(*second), 0);
  EXPECT_TRUE(spinUntil([&] { return !heard.empty(); }, 5000));
  EXPECT_EQ(heard, std::vector<quint32>{77});
}

TEST_F(SingleInstanceTest, DeadSocketWithoutLockIsReplaced) {
  // A socket file nobody listens on, as a crash leaves it once the lock file was cleaned away.
  const QByteArray path = socketPath().toLocal8Bit();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof(address.sun_path));
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFileInfo::exists(socketPath()));

  SingleInstance primary;
  ASSERT_TRUE(primary.tryBecomePrimary(kMutex));
  std::vector<quint32> heard;
  QObject::connect(&primary, &SingleInstance::activationRequested,
                   [&](quint32 patient) { heard.push_back(patient); });
  auto second = start("second", 5);
  EXPECT_EQ(finish(*second), 0);
  EXPECT_TRUE(spinUntil([&] { return !heard.empty(); }, 5000));
}

// What an in-process client gets back for `bytes` (written in the given pieces), read until the
// primary closes the connection.
QByteArray exchange(const QString& name, const std::vector<QByteArray>& pieces) {
  QLocalSocket client;
  client.connectToServer(name);
  EXPECT_TRUE(spinUntil([&] { return client.state() == QLocalSocket::ConnectedState; }, 5000));
  QByteArray reply;
  QObject::connect(&client, &QLocalSocket::readyRead, [&] { reply += client.readAll(); });
  for (const QByteArray& piece : pieces) {
    client.write(piece);
    client.flush();
    spinUntil([] { return false; }, 20);
  }
  spinUntil([&] { return client.state() == QLocalSocket::UnconnectedState; }, 5000);
  reply += client.readAll();
  return reply;
}

TEST_F(SingleInstanceTest, DamagedRequestsAreRefusedAndTheServiceGoesOn) {
  SingleInstance primary;
  ASSERT_TRUE(primary.tryBecomePrimary(kMutex));
  std::vector<quint32> heard;
  QObject::connect(&primary, &SingleInstance::activationRequested,
                   [&](quint32 patient) { heard.push_back(patient); });
  const QString name = SingleInstance::serverName(kMutex);

  const std::vector<QByteArray> damaged = {
      "1224 abc\n", "1224 4294967296\n",
      "1224 -5\n",  "1224 +5\n",
      "999 5\n",    "1224 5 6\n",
      "1224  5\n",  "1224\n",
      "1224 \n",    "\n",
      "12245\n",    QByteArray(40, '1'),
      "1224 5\r\n", QByteArray("1224 5\0\n", 8),
  };
  for (const QByteArray& request : damaged) {
    EXPECT_EQ(exchange(name, {request}), QByteArray("ERR\n")) << request.toStdString();
  }
  spinUntil([] { return false; }, 50);
  EXPECT_TRUE(heard.empty());

  // A line that arrives in pieces is still one request.
  EXPECT_EQ(exchange(name, {"12", "24 4", "2\n"}), QByteArray("OK\n"));
  EXPECT_TRUE(spinUntil([&] { return !heard.empty(); }, 5000));
  EXPECT_EQ(heard, std::vector<quint32>{42});
}

TEST_F(SingleInstanceTest, SilentClientIsDisconnected) {
  SingleInstance primary;
  ASSERT_TRUE(primary.tryBecomePrimary(kMutex));
  QLocalSocket client;
  client.connectToServer(SingleInstance::serverName(kMutex));
  ASSERT_TRUE(spinUntil([&] { return client.state() == QLocalSocket::ConnectedState; }, 5000));
  EXPECT_TRUE(spinUntil([&] { return client.state() == QLocalSocket::UnconnectedState; },
                        SingleInstance::kWaitMs + 3000));
}

TEST_F(SingleInstanceTest, SendGivesUpWhenThePrimaryDoesNotAnswer) {
  SingleInstance primary;
  ASSERT_TRUE(primary.tryBecomePrimary(kMutex));
  // The primary's loop does not run while this thread waits: it can never answer.
  SingleInstance later;
  ASSERT_FALSE(later.tryBecomePrimary(kMutex));
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(later.sendToPrimary(1));
  EXPECT_LT(clock.elapsed(), SingleInstance::kWaitMs + 2000) << "the wait is not bounded";

  SingleInstance never;
  EXPECT_FALSE(never.sendToPrimary(1)) << "sent without ever looking for a primary";
  EXPECT_FALSE(primary.sendToPrimary(1)) << "the primary sent to itself";
}

TEST(SingleInstanceName, OneServicePerUserAndDisplay) {
  vantrel::test::ScopedEnv display("DISPLAY");
  vantrel::test::ScopedEnv wayland("WAYLAND_DISPLAY");
  const QString user = QString::number(::getuid());
  struct Case {
    const char* display;  // nullptr = unset
    const char* wayland;
    QString expected;
  };
  const std::vector<Case> cases = {
      {":0", nullptr, "QRX_APPTBOOK_MUTEX-" + user + "-_0"},
      {":1", "wayland-0", "QRX_APPTBOOK_MUTEX-" + user + "-_1"},
      {"host:10.0", nullptr, "QRX_APPTBOOK_MUTEX-" + user + "-host_10.0"},
      {nullptr, "wayland-0", "QRX_APPTBOOK_MUTEX-" + user + "-wayland-0"},
      {"", "", "QRX_APPTBOOK_MUTEX-" + user + "-offscreen"},
      {nullptr, "../../x", "QRX_APPTBOOK_MUTEX-" + user + "-.._.._x"},
  };
  for (const Case& c : cases) {
    c.display == nullptr ? display.unset() : display.set(c.display);
    c.wayland == nullptr ? wayland.unset() : wayland.set(c.wayland);
    EXPECT_EQ(SingleInstance::serverName("QRX_APPTBOOK_MUTEX"), c.expected)
        << (c.display ? c.display : "(unset)") << " / " << (c.wayland ? c.wayland : "(unset)");
  }
}

}  // namespace
