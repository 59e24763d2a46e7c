// The control panel program: builds the main window's tree and runs it until it is closed.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/main_window.h"
#include "app/resources.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "ui/form.h"
#include "ui/qt_host.h"

namespace {

constexpr const char* kUsage =
    "Usage: rdspanel [--config-dir DIR] [--headless] [--log]\n"
    "\n"
    "Control panel for \"Tessel\" RDS encoders on a serial port: programme identification,\n"
    "station name (PS), radio text, programme type, traffic flags, alternative frequencies and\n"
    "clock time, plus a dynamic PS and RT fed from text files.\n"
    "\n"
    "Options:\n"
    "  --config-dir DIR  keep rds.ini (and an optional ports/ folder mapping COM numbers to\n"
    "                    devices through links named com1, com2, ...) in DIR instead of the\n"
    "                    program's folder\n"
    "  --headless        run without a window and without a display server, for a service\n"
    "                    manager: every option comes from rds.ini (Auto connect, Auto on dps,\n"
    "                    Auto on drt, ...), the events are logged, SIGTERM closes as Close does\n"
    "  --log             write one line per event to standard error: start-up, the port opened,\n"
    "                    failed or lost, every command line written to it, shutdown\n"
    "  --help            show this text\n";

constexpr const char* kDesktopFileName = "rdspanel.desktop";

// A request to stop from outside (a signal, the console) closes the main window as the
// operator's Close does, so rds.ini and the port are left as after a normal close.
void CloseAsOperator(QApplication& app, const std::string& why) {
  platform::LogEvent(why + " received, closing");
  if (hi::THIMainForm* form = hi::THIMainForm::mainForm()) {
    if (!form->requestClose()) app.quit();
  } else {
    app.quit();
  }
}

#ifdef _WIN32

HANDLE gStopped = nullptr;  // signalled once the program has closed

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const char* why = event == CTRL_C_EVENT       ? "Ctrl+C"
                    : event == CTRL_BREAK_EVENT ? "Ctrl+Break"
                    : event == CTRL_CLOSE_EVENT ? "console close"
                                                : "logoff or shutdown";
  // Runs on a thread of its own: the close itself has to happen on the window thread.
  QMetaObject::invokeMethod(
      qApp, [why] { CloseAsOperator(*qApp, why); }, Qt::QueuedConnection);
  // For these the system ends the process as soon as the handler returns (or after about five
  // seconds); waiting lets the window close first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    WaitForSingleObject(gStopped, 4500);
  return TRUE;
}

void CloseOnStopRequests(QApplication&) {
  gStopped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void Stopped() {
  if (gStopped) SetEvent(gStopped);
}

#else

int gSignalPipe[2] = {-1, -1};

void OnSignal(int signal) {
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT.
void CloseOnStopRequests(QApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, [&app] {
    char byte = 0;
    [[maybe_unused]] ssize_t n = ::read(gSignalPipe[0], &byte, 1);
    CloseAsOperator(app, byte == SIGINT ? "SIGINT" : "SIGTERM");
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void Stopped() {}

#endif

bool Writable(const QString& folder) {
  QFileInfo info(folder);
  return info.isDir() && info.isWritable();
}

// The program's own folder when it can hold rds.ini (a portable install), else the user's. An
// installed program (bin/ beside share/applications/ holding its desktop file) always uses the
// user's folder, also when run by root, so that rds.ini never lands among the system's programs.
QString DefaultSettingsFolder() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  const bool installed =
      QFileInfo::exists(programFolder + "/../share/applications/" + kDesktopFileName);
  if (!installed && Writable(programFolder)) return programFolder;
  const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(user);
  return user;
}

}  // namespace

int main(int argc, char** argv) {
  QString configDir;
  bool headless = false;
  bool log = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else if (std::strcmp(argv[i], "--log") == 0) {
      log = true;
    } else if (std::strcmp(argv[i], "--config-dir") == 0 && i + 1 < argc) {
      configDir = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strncmp(argv[i], "--config-dir=", 13) == 0) {
      configDir = QString::fromLocal8Bit(argv[i] + 13);
    } else if (std::strncmp(argv[i], "--", 2) == 0) {
      std::fprintf(stderr, "rdspanel: unknown option %s\n\n%s", argv[i], kUsage);
      return 2;
    }
  }

  // An operator's own choice of platform stands, even for a service.
  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  if (headless || log) platform::SetEventLog(stderr);

#ifdef __linux__
  if (!headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::fputs(
        "rdspanel: no display. The control panel is a desktop window: start it from a graphical\n"
        "session (DISPLAY or WAYLAND_DISPLAY set), or without a screen with "
        "QT_QPA_PLATFORM=offscreen.\n",
        stderr);
    return 1;
  }
#endif

  QApplication app(argc, argv);
  hi::InitPictures();
  QApplication::setApplicationName("rdspanel");
  // Lets a Wayland desktop match the window to the installed desktop entry and its icon.
  QGuiApplication::setDesktopFileName("rdspanel");

  if (configDir.isEmpty()) {
    configDir = DefaultSettingsFolder();
  } else if (!QDir().mkpath(configDir) || !Writable(configDir)) {
    std::fprintf(stderr, "rdspanel: cannot use %s as the settings folder\n",
                 configDir.toLocal8Bit().constData());
    return 2;
  }
  platform::SetSettingsFolder(QDir(configDir).absolutePath().toStdString());
  // A write cut short by a crash or a power cut leaves its temporary file beside rds.ini.
  platform::IniRemoveLeftovers(platform::SettingsFolder() + "rds.ini");
  platform::LogEvent("rdspanel started" + std::string(headless ? " headless" : "") + ": " +
                     QCoreApplication::applicationFilePath().toStdString() + ", settings folder " +
                     platform::SettingsFolder());

  CloseOnStopRequests(app);

  const int code = ui::RunQtProgram([] { return std::make_unique<hi::MainWindow>(); });
  platform::LogEvent("rdspanel stopped, exit code " + std::to_string(code));
  Stopped();
  return code;
}
