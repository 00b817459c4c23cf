// The single-instance service: a lock file says who is primary, a local socket carries the
// requests of later starts to it.

#include "platform/ui/single_instance.h"

#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <charconv>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace {

// A request line is "1224 " and at most ten digits; anything longer is not one.
constexpr qsizetype kMaxRequestBytes = 32;
constexpr int kRetryPauseMs = 25;
// Plain constants: the service may be used before this file's dynamic initialisers have run.
constexpr char kOk[] = "OK\n";
constexpr char kErr[] = "ERR\n";

QString displayName() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty()) return value;
  }
  return QStringLiteral("offscreen");
}

// The part of a request line before "\n": "1224 <patient>".
bool parseRequest(std::string_view line, quint32* patient) {
  constexpr std::string_view kPrefix = "1224 ";
  if (line.substr(0, kPrefix.size()) != kPrefix) return false;
  const std::string_view digits = line.substr(kPrefix.size());
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return false;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  *patient = value;
  return true;
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
  // The socket goes before the lock, so that whoever takes the lock next finds no socket of ours.
  delete server_;
  server_ = nullptr;
  lock_.reset();
}

QString SingleInstance::serverName(const char* mutexName) {
  QString display = displayName();
  for (QChar& c : display) {
    const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                       (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                       (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                       c == QLatin1Char('_') || c == QLatin1Char('-');
    if (!plain) c = QLatin1Char('_');
  }
  return QString::fromUtf8(mutexName == nullptr ? "" : mutexName) + QLatin1Char('-') +
         QString::number(::getuid()) + QLatin1Char('-') + display;
}

bool SingleInstance::tryBecomePrimary(const char* mutexName) {
  if (primary_) return true;
  name_ = serverName(mutexName);

  lock_ = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(name_ + ".lock"));
  // A lock is stale only when its process is gone, never because it is old: the primary runs
  // for days.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    const bool taken = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
    if (taken) return false;
    // No lock can be had at all (the temporary directory is not writable): a live primary still
    // answers on its socket; without one this process runs as the primary.
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kWaitMs / 4)) return false;
  }

  primary_ = true;
  // Whoever held the lock before is gone, so a socket left under the name is dead.
  QLocalServer::removeServer(name_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
  if (!server_->listen(name_)) {
    qWarning("single instance: cannot listen on %s: %s", qPrintable(name_),
             qPrintable(server_->errorString()));
  }
  return true;
}

bool SingleInstance::sendToPrimary(quint32 patientId) {
  if (primary_ || name_.isEmpty()) return false;
  const QDeadlineTimer deadline(kWaitMs);
  QLocalSocket socket;
  // The primary takes its lock a moment before it listens: keep trying until the deadline.
  for (;;) {
    socket.connectToServer(name_);
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
    socket.abort();
    if (deadline.hasExpired()) return false;
    QThread::msleep(kRetryPauseMs);
  }

  socket.write(QByteArray::number(kActivateCommand) + ' ' + QByteArray::number(patientId) + '\n');
  if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
  QByteArray reply;
  while (!reply.contains('\n') && reply.size() <= kMaxRequestBytes) {
    if (socket.bytesAvailable() == 0 &&
        !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
      return false;
    }
    reply += socket.readAll();
  }
  socket.disconnectFromServer();
  return reply == kOk;
}

void SingleInstance::acceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    // The socket belongs to the server; it is freed once the peer is gone.
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
    // A client that never finishes its line must not hold a connection open.
    QTimer::singleShot(kWaitMs, socket, [socket] { socket->abort(); });
    if (socket->bytesAvailable() > 0) readRequest(socket);
  }
}

void SingleInstance::readRequest(QLocalSocket* socket) {
  if (socket->property("answered").toBool()) {
    socket->readAll();
    return;
  }
  QByteArray line = socket->property("pending").toByteArray() + socket->readAll();
  const qsizetype end = line.indexOf('\n');
  if (end < 0 && line.size() <= kMaxRequestBytes) {
    socket->setProperty("pending", line);
    return;
  }
  quint32 patient = 0;
  const bool valid =
      end >= 0 && end <= kMaxRequestBytes &&
      parseRequest(std::string_view(line.constData(), static_cast<std::size_t>(end)), &patient);
  socket->setProperty("answered", true);
  socket->setProperty("pending", QVariant());
  socket->write(valid ? kOk : kErr);
  socket->disconnectFromServer();
  if (!valid) return;
  // Emitted from the event loop, not from inside this handler: a receiver that opens a window or
  // a dialog must not run nested in the socket's signal.
  QMetaObject::invokeMethod(
      this, [this, patient] { emit activationRequested(patient); }, Qt::QueuedConnection);
}
