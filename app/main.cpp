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
#include <QInputDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/main_window.h"
#include "app/resources.h"
#include "app/service_report.h"
#include "platform/console.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/service_notify.h"
#include "ui/form.h"
#include "ui/qt_host.h"
#include "ui/text.h"
#include "ui/tray.h"
#ifdef RDS_WEB_CONSOLE
#include "remote/web_console.h"
#include "remote/web_password.h"
#endif

namespace {

#ifndef RDS_VERSION
#define RDS_VERSION "unknown"
#endif

#ifdef _WIN32
constexpr const char* kUsage =
    "Usage: rdspanel.exe [--config-dir FOLDER] [--headless] [--log] [--web ADDR:PORT]\n"
    "\n"
    "Control panel for \"Tessel\" RDS encoders on a COM port: programme identification,\n"
    "station name (PS), radio text, programme type, traffic flags, alternative frequencies and\n"
    "clock time, plus a dynamic PS and RT fed from text files or sent over the network.\n"
    "\n"
    "Options:\n"
    "  --config-dir FOLDER  keep rds.ini in FOLDER instead of the default folder (see below)\n"
    "  --headless        run without a window: every option comes from rds.ini (Auto connect,\n"
    "                    Auto on dps, Auto on drt, ...), the events are written to the command\n"
    "                    prompt; Ctrl+C or closing the prompt closes as Close does\n"
    "  --log             write one line per event to the command prompt: start-up, the port\n"
    "                    opened, failed or lost, every command line written to it, shutdown\n"
    "  --web ADDR:PORT   serve the web console there (127.0.0.1:8080); [Web] Listen in rds.ini\n"
    "  --set-web-password  ask twice for the web console's password and store its key in\n"
    "                    rds.ini; the console then asks for it on every address\n"
    "  --version         show the version\n"
    "  --help            show this text\n"
    "\n"
    "COM 1 to 25 are the machine's COM ports; a [Network ports] section in rds.ini gives a COM\n"
    "number to an encoder on the network (COM5=tcp://10.0.0.7:4001 or rfc2217://...).\n"
    "Without --config-dir the settings live beside rdspanel.exe when that folder is writable\n"
    "and the program was not installed by the setup program, else in %APPDATA%\\rdspanel.\n";
#else
constexpr const char* kUsage =
    "Usage: rdspanel [--config-dir DIR] [--headless] [--log] [--web ADDR:PORT]\n"
    "\n"
    "Control panel for \"Tessel\" RDS encoders on a serial port: programme identification,\n"
    "station name (PS), radio text, programme type, traffic flags, alternative frequencies and\n"
    "clock time, plus a dynamic PS and RT fed from text files or sent over the network.\n"
    "\n"
    "Options:\n"
    "  --config-dir DIR  keep rds.ini (and an optional ports/ folder mapping COM numbers to\n"
    "                    devices through links named com1, com2, ...) in DIR instead of the\n"
    "                    default folder (see below)\n"
    "  --headless        run without a window and without a display server, for a service\n"
    "                    manager: every option comes from rds.ini (Auto connect, Auto on dps,\n"
    "                    Auto on drt, ...), the events are logged, SIGTERM closes as Close does\n"
    "  --log             write one line per event to standard error: start-up, the port opened,\n"
    "                    failed or lost, every command line written to it, shutdown\n"
    "  --web ADDR:PORT   serve the web console there (127.0.0.1:8080); [Web] Listen in rds.ini\n"
    "  --set-web-password  ask twice for the web console's password and store its key in\n"
    "                    rds.ini; the console then asks for it on every address\n"
    "  --version         show the version\n"
    "  --help            show this text\n"
    "\n"
    "Without --config-dir the settings live in the program's own folder when it is writable and\n"
    "the program is not installed, else in the user's configuration folder.\n";
#endif

// A settings folder that cannot be used, or an option that does not exist: trying again does not
// help, so the service unit does not restart on this status.
constexpr int kCannotStart = 2;

constexpr const char* kDesktopFileName = "rdspanel.desktop";

#ifdef RDS_WEB_CONSOLE
// One answer to a password question: typed at the terminal or read from standard input, or in a
// dialog where a windowed program has neither.
bool AskPassword(const char* question, std::string& password) {
  if (platform::StandardInputAvailable()) return platform::ReadSecretLine(question, password);
  bool given = false;
  const QString text =
      QInputDialog::getText(nullptr, "rdspanel", question, QLineEdit::Password, {}, &given);
  password = text.toUtf8().toStdString();
  return given;
}

// Asks twice for the web console's password and stores its key (never the password) in rds.ini.
int SetWebPassword(const QString& configDir) {
  const bool dialogs = !platform::StandardInputAvailable();
  const auto say = [dialogs](const QString& text, bool failed) {
    std::fprintf(failed ? stderr : stdout, "%s%s\n", failed ? "rdspanel: " : "",
                 text.toLocal8Bit().constData());
    if (dialogs) {
      if (failed) {
        QMessageBox::warning(nullptr, "rdspanel", text);
      } else {
        QMessageBox::information(nullptr, "rdspanel", text);
      }
    }
    return failed ? 1 : 0;
  };
  const QString ini = QDir(configDir).absoluteFilePath("rds.ini");
  std::string first, second;
  if (!AskPassword("Web console password: ", first) || first.empty())
    return say("no password given; nothing was changed", true);
  if (!AskPassword("The same password again: ", second) || second != first)
    return say("the two passwords differ; nothing was changed", true);
  const std::string key = remote::HashWebPassword(first);
  if (key.empty() || !platform::IniWriteString(ini.toStdString(), "Web", "Password", key))
    return say("could not store the password in " + QDir::toNativeSeparators(ini) +
                   "; nothing was changed",
               true);
  return say("The web console's password is stored in " + QDir::toNativeSeparators(ini) +
                 ". A running rdspanel asks for it once it is started again.",
             false);
}
#endif

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
QString DefaultSettingsFolder(bool create) {
  QString programFolder = QCoreApplication::applicationDirPath();
#ifdef _WIN32
  // The installer leaves its uninstaller beside the program; a portable copy has none.
  const bool installed = QFileInfo::exists(programFolder + "/uninstall.exe");
  const auto userFolder = QStandardPaths::AppDataLocation;  // %APPDATA%\rdspanel
#else
  const bool installed =
      QFileInfo::exists(programFolder + "/../share/applications/" + kDesktopFileName);
  const auto userFolder = QStandardPaths::AppConfigLocation;
#endif
  if (!installed && Writable(programFolder)) return programFolder;
  QString user = QStandardPaths::writableLocation(userFolder);
  if (create) QDir().mkpath(user);
  return user;
}

void PrintUsage(int argc, char** argv, std::FILE* out) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("rdspanel");
  std::fputs(kUsage, out);
  std::fprintf(out, "Here that is: %s\n",
               QDir::toNativeSeparators(DefaultSettingsFolder(false)).toLocal8Bit().constData());
}

QtMessageHandler gQtHandler = nullptr;

// Qt's own remarks that mean nothing to a service (it uses no runtime folder) stay out of its
// journal.
void SkipQtRemarksForAService(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
  if (message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")) return;
  if (gQtHandler) {
    gQtHandler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  }
}

// Why the folder cannot hold rds.ini; empty when it can (it is made when missing).
std::string SettingsFolderProblem(const QString& folder) {
  const std::filesystem::path path(folder.toStdString());
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) return ec.message();
  if (!std::filesystem::is_directory(path, ec)) return "not a folder";
  if (!Writable(folder)) return "not writable";
  return {};
}

// Said once at the start of a service that will never send anything, so that its journal
// tells why the encoder stays silent.
void LogIdleService() {
  const std::string ini = platform::SettingsFolder() + "rds.ini";
  if (!platform::IsRegularFile(ini)) {
    platform::LogEvent(
        "no rds.ini in the settings folder: nothing will be sent to the encoder; "
        "set the panel up in its window first, or write rds.ini by hand");
  } else if (platform::IniReadInt(ini, "Other settings", "Auto connect", 0) != 1) {
    platform::LogEvent(
        "\"Auto connect\" is off in rds.ini: nothing will be sent to the encoder "
        "(set \"Auto connect=1\" under [Other settings])");
  }
}

// A service under a manager that listens (systemd's Type=notify) reports to it. The report is
// made right after the tree and goes before it.
struct ReportedMainWindow : hi::MainWindow {
  hi::ServiceReport report{*this};
};

}  // namespace

int main(int argc, char** argv) {
  platform::UseParentConsole();
  QString configDir;
  bool headless = false;
  bool log = false;
  bool setWebPassword = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage(argc, argv, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("rdspanel " RDS_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else if (std::strcmp(argv[i], "--log") == 0) {
      log = true;
    } else if (std::strcmp(argv[i], "--web") == 0 && i + 1 < argc) {
      hi::MainWindow::webListen = argv[++i];
    } else if (std::strncmp(argv[i], "--web=", 6) == 0) {
      hi::MainWindow::webListen = argv[i] + 6;
    } else if (std::strcmp(argv[i], "--set-web-password") == 0) {
      setWebPassword = true;
    } else if (std::strcmp(argv[i], "--config-dir") == 0 && i + 1 < argc) {
      configDir = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strncmp(argv[i], "--config-dir=", 13) == 0) {
      configDir = QString::fromLocal8Bit(argv[i] + 13);
    } else if (std::strncmp(argv[i], "--", 2) == 0) {
      std::fprintf(stderr, "rdspanel: unknown option %s\n\n", argv[i]);
      PrintUsage(argc, argv, stderr);
      return kCannotStart;
    }
  }

#ifdef RDS_WEB_CONSOLE
  if (setWebPassword) {
    // No display is needed, except for the dialogs of a windowed program with no console.
    std::unique_ptr<QCoreApplication> app;
    if (platform::StandardInputAvailable()) {
      app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
      app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName("rdspanel");
    if (configDir.isEmpty()) {
      configDir = DefaultSettingsFolder(true);
    } else if (const std::string problem = SettingsFolderProblem(configDir); !problem.empty()) {
      std::fprintf(stderr, "rdspanel: cannot use %s as the settings folder: %s\n",
                   QDir::toNativeSeparators(configDir).toLocal8Bit().constData(), problem.c_str());
      return kCannotStart;
    }
    return SetWebPassword(configDir);
  }
#else
  if (setWebPassword) {
    std::fputs("rdspanel: this build has no web console\n", stderr);
    return kCannotStart;
  }
#endif
  // An operator's own choice of platform stands, even for a service.
  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  if (headless || log) platform::SetEventLog(stderr);
  if (headless) {
    hi::THITrayIcon::explainMissingArea = false;
    gQtHandler = qInstallMessageHandler(SkipQtRemarksForAService);
  }
  // An operator waits for the window; a service has none to wait for.
  hi::MainWindow::showFirst = !headless;
  hi::MainWindow::version = RDS_VERSION;
  hi::ConnectionPanel::scanStoredPortOnly = headless;

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
    configDir = DefaultSettingsFolder(true);
  } else if (const std::string problem = SettingsFolderProblem(configDir); !problem.empty()) {
    const QString text =
        QString("Cannot use %1 as the settings folder: %2")
            .arg(QDir::toNativeSeparators(configDir), QString::fromLocal8Bit(problem.c_str()));
    std::fprintf(stderr, "rdspanel: %s\n", text.toLocal8Bit().constData());
    if (!headless) QMessageBox::critical(nullptr, "\"Tessel\" Encoder", text);
    return kCannotStart;
  }
  platform::SetSettingsFolder(QDir(configDir).absolutePath().toStdString());
  // A write cut short by a crash or a power cut leaves its temporary file beside rds.ini.
  platform::IniRemoveLeftovers(platform::SettingsFolder() + "rds.ini");
#ifdef RDS_WEB_CONSOLE
  // The console's log starts with the program's first line.
  if (!hi::MainWindow::webListen.empty() || !remote::WebConsole::ConfiguredListen().empty())
    platform::KeepRecentEvents(true);
#endif
  platform::LogEvent("rdspanel started" + std::string(headless ? " headless" : "") + ": " +
                     QCoreApplication::applicationFilePath().toStdString() + ", settings folder " +
                     platform::SettingsFolder());
  // Reading the font database takes longer than anything else the first picture needs: a window
  // goes on the screen first and reads it then.
  // Which faces the window got is for its operator; a service has no window.
  const auto registerFonts = [headless] {
    for (const std::string& line : hi::RegisterBundledFonts())
      if (!headless) platform::LogEvent(line);
  };
  if (hi::MainWindow::showFirst) {
    hi::MainWindow::whenShown = registerFonts;
  } else {
    registerFonts();
  }
  if (headless) LogIdleService();

  CloseOnStopRequests(app);

  const bool reported = headless && platform::ServiceManagerListens();
  const int code = ui::RunQtProgram([reported]() -> std::unique_ptr<hi::TRootContainer> {
    if (reported) return std::make_unique<ReportedMainWindow>();
    return std::make_unique<hi::MainWindow>();
  });
  platform::LogEvent("rdspanel stopped, exit code " + std::to_string(code));
  Stopped();
  return code;
}
