// The built program, started as a service would start it, with a pseudo-terminal as COM 1.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial_pty.h"
#include "support/notify_socket.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The program finds no display server, no runtime folder and no platform chosen for it, unless
// `platform` names one.
pid_t SpawnHeadless(const std::vector<std::string>& args, const fs::path& output,
                    const char* platform = nullptr) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::FILE* out = std::fopen(output.c_str(), "w");
    if (out) {
      ::dup2(fileno(out), 1);
      ::dup2(fileno(out), 2);
    }
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})
      ::unsetenv(name);
    if (platform) ::setenv("QT_QPA_PLATFORM", platform, 1);
    // The manager names the process its watchdog is meant for.
    if (std::getenv("WATCHDOG_USEC"))
      ::setenv("WATCHDOG_PID", std::to_string(::getpid()).c_str(), 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

template <class F>
bool WaitFor(F&& done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

int Finish(pid_t pid, int ms) {
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, ms)) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Contents(const fs::path& file) {
  return platform::ReadWholeFile(file.string()).value_or("");
}

}  // namespace

TEST(Program, HeadlessRunsTheStartActionsLogsAndClosesOnSigterm) {
  TempFolder temp("rds-headless");
  const fs::path dir = temp.path();
  fs::create_directories(dir / "ports");
  const std::string ini = (dir / "rds.ini").string();
  { std::ofstream(ini) << "; kept as it is\r\n"; }
  { std::ofstream(dir / "rt.txt") << "MORNING SHOW"; }
  ASSERT_TRUE(platform::IniWriteString(ini, "Select device", "COM Port", "COM 1"));
  ASSERT_TRUE(platform::IniWriteString(ini, "Select device", "Device", "0"));
  ASSERT_TRUE(platform::IniWriteString(ini, "Other settings", "Auto connect", "1"));
  ASSERT_TRUE(platform::IniWriteString(ini, "Other settings", "Auto on drt", "1"));
  ASSERT_TRUE(
      platform::IniWriteString(ini, "Dynamic RT and PS", "Dynamic RT", (dir / "rt.txt").string()));
  platform::PseudoTerminal port;
  ASSERT_TRUE(port.create());
  ASSERT_TRUE(port.holdSlave());
  fs::create_symlink(port.slavePath(), dir / "ports" / "com1");

  // A service manager that listens, and wants a ping every 200 ms.
  NotifySocket manager;
  ASSERT_TRUE(manager.listening());
  manager.watchdog(400000);
  const fs::path log = dir / "panel.log";
  pid_t panel = SpawnHeadless({RDS_PANEL_PROGRAM, "--headless", "--config-dir", dir.string()}, log);
  // The start actions connect at 2 s and switch the dynamic RT on at 3 s; the manager hears that
  // the service is ready only after that.
  const std::string rt = "RTMORNING SHOW" + std::string(52, ' ') + "\r\n";
  std::string wire;
  std::vector<std::string> told;
  bool readyBeforeRt = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        for (std::string& m : manager.messages()) told.push_back(std::move(m));
        wire += port.read(0);
        const bool rtSent = wire.find(rt) != std::string::npos;
        const bool ready = std::ranges::count(told, "READY=1") == 1;
        readyBeforeRt |= ready && !rtSent;
        return rtSent && ready;
      },
      10000))
      << wire << Contents(log);
  EXPECT_FALSE(readyBeforeRt);
  ::kill(panel, SIGTERM);
  EXPECT_EQ(Finish(panel, 10000), 0);
  wire += port.read(100);
  for (std::string& m : manager.messages()) told.push_back(std::move(m));
  // Each state once, however many lines went out; pings in between; the close last.
  EXPECT_EQ(std::ranges::count(told, "STATUS=Connected to COM 1, dynamic RT on"), 1);
  EXPECT_GE(std::ranges::count(told, "WATCHDOG=1"), 10);
  EXPECT_EQ(told.back(), "STOPPING=1\nSTATUS=Closing");
  EXPECT_TRUE(wire.ends_with("RM\r\n")) << wire;
  EXPECT_EQ(platform::IniReadInt(ini, "General window", "Width", -1), 565);
  EXPECT_NE(platform::IniReadInt(ini, "General window", "Left", -99999), -99999);
  std::ifstream in(ini);
  std::string firstLine;
  std::getline(in, firstLine);
  EXPECT_EQ(firstLine, "; kept as it is\r");

  const std::string text = Contents(log);
  EXPECT_EQ(text.find("no display"), std::string::npos) << text;
  // The port scan's probes, the window's faces, the flow-control setting and Qt's remark on a
  // runtime folder that a service does not use stay out of the log.
  for (const char* noise : {"could not be opened", "LCD face", "octs", "XDG_RUNTIME_DIR"})
    EXPECT_EQ(text.find(noise), std::string::npos) << noise << "\n" << text;
  const std::string folder = dir.string() + "/";
  for (const std::string& event : std::vector<std::string>{
           " rdspanel started headless: ", ", settings folder " + folder + "\n",
           " port COM 1 opened: ", ", baud=9600 parity=N data=8 stop=1\n",
           " sent " + std::string("RTMORNING SHOW") + std::string(52, ' ') + "\\r\\n\n",
           " SIGTERM received, closing\n", " sent RM\\r\\n\n",
           " rdspanel stopped, exit code 0\n"}) {
    EXPECT_NE(text.find(event), std::string::npos) << event << "\n" << text;
  }
}

// A service that cannot do its work says so: a settings folder it cannot use ends it with the
// reason, and one that will never connect logs why once.
TEST(Program, HeadlessTellsWhyItCannotOrWillNotSend) {
  TempFolder temp("rds-idle");
  const fs::path dir = temp.path();
  { std::ofstream(dir / "a-file") << "x"; }
  const fs::path log = dir / "panel.log";
  EXPECT_EQ(Finish(SpawnHeadless({RDS_PANEL_PROGRAM, "--version"}, log), 10000), 0);
  EXPECT_TRUE(Contents(log).starts_with("rdspanel 1.")) << Contents(log);
  EXPECT_EQ(Finish(SpawnHeadless({RDS_PANEL_PROGRAM, "--headles"}, log), 10000), 2);
  const std::string usage = Contents(log);
  EXPECT_TRUE(usage.starts_with("rdspanel: unknown option --headles\n")) << usage;
  EXPECT_NE(usage.find("\nHere that is: /"), std::string::npos) << usage;
  const std::string notAFolder = (dir / "a-file" / "sub").string();
  pid_t panel = SpawnHeadless({RDS_PANEL_PROGRAM, "--headless", "--config-dir", notAFolder}, log);
  EXPECT_EQ(Finish(panel, 10000), 2);
  EXPECT_NE(Contents(log).find("Cannot use " + notAFolder + " as the settings folder: "),
            std::string::npos)
      << Contents(log);

  const fs::path settings = dir / "settings";
  fs::create_directories(settings / "ports");
  ASSERT_TRUE(platform::IniWriteString((settings / "rds.ini").string(), "Other settings",
                                       "Auto to tray", "1"));
  panel = SpawnHeadless({RDS_PANEL_PROGRAM, "--headless", "--config-dir", settings.string()}, log);
  std::string text;
  EXPECT_TRUE(WaitFor(
      [&] {
        text = Contents(log);
        return text.find("nothing will be sent") != std::string::npos;
      },
      8000))
      << text;
  std::this_thread::sleep_for(std::chrono::milliseconds(4500));  // past the hide into the tray
  ::kill(panel, SIGTERM);
  EXPECT_EQ(Finish(panel, 10000), 0);
  text = Contents(log);
  EXPECT_NE(text.find("\"Auto connect\" is off in rds.ini"), std::string::npos) << text;
  EXPECT_EQ(text.find("notification area"), std::string::npos) << text;
}

// A window started with every automatic option and every flag stored: the lines it sends, and
// their order, are those of a start that built everything before showing the window. The port
// opens with the automatic connect, so the flags loaded at start stay off the wire; the clock
// time, the PS template's tag, the dynamic PS and RT follow, and the closing line.
TEST(Program, WindowStartSendsTheRecordedLines) {
  TempFolder temp("rds-start");
  const fs::path dir = temp.path();
  fs::create_directories(dir / "ports");
  { std::ofstream(dir / "ps.txt") << "<TA1><TP0>RADIO<PTY5>"; }
  { std::ofstream(dir / "rt.txt") << "Now: %NPFile%"; }
  { std::ofstream(dir / "np.txt") << "Artist - Title"; }
  const std::string ini = (dir / "rds.ini").string();
  const std::pair<const char*, std::vector<std::pair<const char*, std::string>>> sections[] = {
      {"Select device", {{"COM Port", "COM 1"}, {"Device", "0"}}},
      {"RDS Settings",
       {{"PI", "7C6F"},
        {"PTY", "10"},
        {"PS", "STATION"},
        {"RT", "Radio text"},
        {"TP", "1"},
        {"TA", "1"},
        {"M/S", "1"},
        {"Stereo", "1"},
        {"Compressed", "1"},
        {"AH", "1"},
        {"DPTY", "1"},
        {"CT", "1"},
        {"AF Number", "2"},
        {"Rolling mode", "1"},
        {"Scrolling PS", "Scrolling text"},
        {"Page PS1", "PAGE 1"},
        {"Page PS2", "PAGE 2"}}},
      {"Other settings",
       {{"Auto connect", "1"},
        {"Auto on dps", "1"},
        {"Auto on drt", "1"},
        {"Auto to tray", "1"},
        {"Show info", "1"}}},
      {"Dynamic RT and PS",
       {{"Dynamic PS", (dir / "ps.txt").string()},
        {"Dynamic RT", (dir / "rt.txt").string()},
        {"Scroll", (dir / "np.txt").string()},
        {"Scroll/Page select", "0"}}}};
  for (const auto& [section, keys] : sections)
    for (const auto& [key, value] : keys)
      ASSERT_TRUE(platform::IniWriteString(ini, section, key, value));
  platform::PseudoTerminal port;
  ASSERT_TRUE(port.create());
  ASSERT_TRUE(port.holdSlave());
  fs::create_symlink(port.slavePath(), dir / "ports" / "com1");

  const fs::path log = dir / "panel.log";
  pid_t panel = SpawnHeadless({RDS_PANEL_PROGRAM, "--config-dir", dir.string()}, log, "offscreen");
  const std::string rt = "RTNow: Artist - Title" + std::string(45, ' ') + "\r\n";
  std::string wire;
  EXPECT_TRUE(WaitFor(
      [&] {
        wire += port.read(0);
        return wire.find(rt) != std::string::npos;
      },
      10000))
      << wire << Contents(log);
  wire += port.read(700);  // nothing else follows
  ::kill(panel, SIGTERM);
  EXPECT_EQ(Finish(panel, 10000), 0);
  wire += port.read(100);
  // The clock time changes from run to run, and goes out again wherever the run crosses a
  // minute: every TI line is shown without its numbers, and only the first keeps its place.
  std::string shown;
  bool clockSeen = false;
  for (size_t at = 0; at < wire.size();) {
    const size_t cr = wire.find("\r\n", at);
    const size_t end = cr == std::string::npos ? wire.size() : cr + 2;
    const std::string line = wire.substr(at, end - at);
    at = end;
    if (!line.starts_with("TI")) {
      shown += line;
    } else if (!std::exchange(clockSeen, true)) {
      shown += "TI\r\n";
    }
  }
  EXPECT_EQ(shown, "TI\r\nTP0\r\nPSRADIO   \r\n" + rt + "RM\r\n") << wire << Contents(log);
}
