#pragma once
// One running program per user and display. The first process becomes the primary: it holds a
// lock file and listens on a local socket. A later start finds the lock taken, hands the patient
// of its command line to the primary (command 1224, patient 0 = just come to the front) and
// exits. The primary emits activationRequested for each request.
//
// Both the lock file "<name>.lock" and the socket "<name>" live in the temporary directory
// ($TMPDIR, else /tmp), where <name> is serverName(mutex). The lock decides who is primary, so
// two programs started at the same moment cannot both become it; the lock of a process that
// died counts as free, and a socket it left behind is removed before listening.
//
// Wire format, one line each way: the client sends "1224 <patient>\n" (patient decimal, 0 to
// 4294967295), the primary answers "OK\n", or "ERR\n" for anything else, and closes.
//
// REQUIRES: a QCoreApplication; calls from its thread.

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class SingleInstance final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kActivateCommand = 1224;
  // The longest wait of any call here.
  static constexpr int kWaitMs = 2000;

  explicit SingleInstance(QObject* parent = nullptr);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // "<mutex>-<user id>-<display>": the display is $DISPLAY, else $WAYLAND_DISPLAY, else
  // "offscreen", with every character other than letters, digits, ".", "_" and "-" made "_".
  static QString serverName(const char* mutexName);

  // True when this process is the primary for `mutexName` (and from now on listens), false when
  // another live process is. When the temporary directory does not let us lock or listen, the
  // answer is true all the same, so that a start is never refused for it; the process then
  // simply receives no requests.
  bool tryBecomePrimary(const char* mutexName);
  bool isPrimary() const { return primary_; }
  // After tryBecomePrimary gave false: sends the patient to the primary and waits at most kWaitMs
  // in all for its "OK". True when the primary confirmed.
  bool sendToPrimary(quint32 patientId);

 signals:
  // A later start asked this primary to come to the front, with its patient (0 for none).
  // Emitted from the event loop after the request was answered.
  void activationRequested(quint32 patientId);

 private:
  void acceptConnections();
  void readRequest(QLocalSocket* socket);

  QString name_;
  bool primary_ = false;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;  // child of this object
};
