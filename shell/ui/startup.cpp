#include "shell/ui/startup.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "platform/ui/qt_prompter.h"
#include "platform/ui/sign_on.h"
#include "platform/ui/single_instance.h"
#include "platform/ui/window_pos.h"
#include "shell/command_line.h"
#include "shell/shell_settings.h"
#include "shell/ui/main_window.h"

namespace {

constexpr int kStartFailed = 1;
constexpr const char* kMutexName = "QRX_APPTBOOK_MUTEX";

// The end of the user's session (SIGTERM, SIGHUP) or Ctrl+C reaches the event loop through a
// socket pair, so the window shuts down as when it is closed: the workstation's record goes and
// the position is saved. The handler only writes one byte.
int signalPipe[2] = {-1, -1};

void onSignal(int /*signal*/) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
  errno = saved;
}

// Makes `window` close on those signals; the notifier is a child of the window.
void closeOnSignals(QWidget& window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
    window.close();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

// Ends what start-up began, in reverse order.
void endSession(AccessLayer& db) {
  QRX_SignOff();
  db.endSession();
  QDB_CloseDataBase();
}

}  // namespace

EnvironmentSignOn signOnFromEnvironment() {
  const char* user = std::getenv("VANTREL_USER");
  if (user == nullptr || *user == '\0') return EnvironmentSignOn::kNotAsked;
  const char* password = std::getenv("VANTREL_PASSWORD");
  return QRX_SignOn(user, password != nullptr ? password : "") == 1 ? EnvironmentSignOn::kSignedOn
                                                                    : EnvironmentSignOn::kRefused;
}

bool takeProgramOptions(std::vector<std::string>* args, std::string* screenshot) {
  screenshot->clear();
  for (std::size_t i = 1; i < args->size();) {
    const std::string& word = (*args)[i];
    if (word == "--screenshot") {
      if (i + 1 == args->size()) return false;
      *screenshot = (*args)[i + 1];
      args->erase(args->begin() + static_cast<std::ptrdiff_t>(i),
                  args->begin() + static_cast<std::ptrdiff_t>(i) + 2);
    } else if (word.starts_with("--screenshot=")) {
      *screenshot = word.substr(13);
      args->erase(args->begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return true;
}

int runApptBook(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("apptbook"));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kMainWindowTitle));

  // Qt has taken its own options out of argv; the rest are ours and the suite's.
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
  std::string screenshot;
  if (!takeProgramOptions(&args, &screenshot)) {
    std::fprintf(stderr, "apptbook: --screenshot needs a file name\n");
    return 2;
  }
  const CommandLine commandLine = parseCommandLine(args);

  SingleInstance instance;
  if (!instance.tryBecomePrimary(kMutexName)) {
    // The running program comes to the front (with the patient, if one was given).
    instance.sendToPrimary(commandLine.oaidPatient);
    return 0;
  }

  QtPrompter prompter;
  const ShellSettings settings = loadShellSettings();
  AccessLayer& db = processAccessLayer();
  if (!startDatabase(db, prompter)) {
    endSession(db);
    return kStartFailed;
  }
  // The database as a whole, shared (descriptor slot 1).
  if (db.open(fileDescriptors()[0]) != 0) {
    QRX_DatabaseErrorNotice(prompter, 0, db.status().error, db.status().fileNumber);
    endSession(db);
    return kStartFailed;
  }

  switch (signOnFromEnvironment()) {
    case EnvironmentSignOn::kRefused:
      std::fprintf(stderr,
                   "apptbook: the user of VANTREL_USER could not sign on with "
                   "VANTREL_PASSWORD\n");
      endSession(db);
      return kStartFailed;
    case EnvironmentSignOn::kSignedOn:
      break;
    case EnvironmentSignOn::kNotAsked:
      if (!signOnInteractive(prompter)) {
        endSession(db);
        return kStartFailed;
      }
      break;
  }
  if (QRX_CheckRightWithPassword(prompter, kRightRunAppointmentList) < 1) {
    endSession(db);
    return kStartFailed;
  }
  QRX_SetOverrideToLoggedIn();

  int code = 0;
  {
    MainWindow window(db, prompter, settings);
    prompter.setOwner(&window);
    if (!window.setUp(QRX_SysDate())) {
      prompter.setOwner(nullptr);
      endSession(db);
      return kStartFailed;
    }
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     [&window](quint32 /*patient*/) { window.activate(); });
    closeOnSignals(window);
    window.show();
    QRX_RestoreSavedWindowPos(window, kMainWindowPosName);

    if (!screenshot.empty()) {
      QTimer::singleShot(0, &window, [&window, &screenshot, &code] {
        if (!window.grab().save(QString::fromLocal8Bit(screenshot.c_str()), "PNG")) {
          std::fprintf(stderr, "apptbook: cannot write %s\n", screenshot.c_str());
          code = kStartFailed;
        }
        window.close();
      });
    }
    const int loop = QApplication::exec();
    if (code == 0) code = loop;
    window.shutDown();
    prompter.setOwner(nullptr);
  }
  endSession(db);
  return code;
}
