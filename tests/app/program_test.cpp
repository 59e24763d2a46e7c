// The built program, started as a service would start it, with a pseudo-terminal as COM 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial_pty.h"
#include "remote/web_password.h"
#include "support/notify_socket.h"
#include "support/program.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Started as a service is: no display server, no runtime folder and no platform chosen, unless
// `platform` names one; all it prints goes to `output`.
Program Panel(std::vector<std::string> args, const fs::path& output, std::string platform = "") {
  args.insert(args.begin(), RDS_PANEL_PROGRAM);
  std::vector<std::string> environment = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY",
                                          "XDG_RUNTIME_DIR"};
  if (!platform.empty()) environment.push_back("QT_QPA_PLATFORM=" + platform);
  return Program(args, output.string(), environment);
}

std::string Contents(const fs::path& file) {
  return platform::ReadWholeFile(file.string()).value_or("");
}

// A settings folder with rds.ini as given and a pseudo-terminal as COM 1, whose far end the test
// reads.
class ProgramTest : public ::testing::Test {
 protected:
  // "$" in `ini` stands for the folder.
  void prepare(std::string ini) {
    for (size_t at = 0; (at = ini.find('$', at)) != std::string::npos; at += dir.string().size())
      ini.replace(at, 1, dir.string());
    fs::create_directories(dir / "ports");
    std::ofstream(dir / "rds.ini", std::ios::binary) << ini;
    ASSERT_TRUE(port.create());
    ASSERT_TRUE(port.holdSlave());
    fs::create_symlink(port.slavePath(), dir / "ports" / "com1");
  }
  void write(const char* name, const char* text) { std::ofstream(dir / name) << text; }
  // Whether `line` reached COM 1 within `ms`.
  bool receives(const std::string& line, int ms) {
    return WaitFor([&] { return (wire += port.read(0)).find(line) != std::string::npos; }, ms);
  }

  TempFolder temp{"rds-program"};
  const fs::path dir = temp.path();
  const fs::path log = dir / "panel.log";
  platform::PseudoTerminal port;
  std::string wire;
};

}  // namespace

TEST_F(ProgramTest, HeadlessRunsTheStartActionsLogsAndClosesOnSigterm) {
  write("rt.txt", "MORNING SHOW");
  prepare(
      "; kept as it is\r\n[Select device]\r\nCOM Port=COM 1\r\nDevice=0\r\n[Other settings]\r\n"
      "Auto connect=1\r\nAuto on drt=1\r\n[Dynamic RT and PS]\r\nDynamic RT=$/rt.txt\r\n");
  // A service manager that listens, and wants a ping every 200 ms.
  NotifySocket manager;
  ASSERT_TRUE(manager.listening());
  manager.watchdog(400000);
  Program panel = Panel({"--headless", "--config-dir", dir.string()}, log);
  // The start actions connect at 2 s and switch the dynamic RT on at 3 s; the manager hears that
  // the service is ready only after that.
  const std::string rt = "RTMORNING SHOW" + std::string(52, ' ') + "\r\n";
  std::vector<std::string> told;
  bool readyBeforeRt = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        for (std::string& m : manager.messages()) told.push_back(std::move(m));
        const bool rtSent = (wire += port.read(0)).find(rt) != std::string::npos;
        const bool ready = std::ranges::count(told, "READY=1") == 1;
        readyBeforeRt |= ready && !rtSent;
        return rtSent && ready;
      },
      10000))
      << wire << Contents(log);
  EXPECT_FALSE(readyBeforeRt);

  EXPECT_EQ(panel.terminate(10000), 0);
  wire += port.read(100);
  for (std::string& m : manager.messages()) told.push_back(std::move(m));
  // Each state once, however many lines went out; pings in between; the close last.
  EXPECT_EQ(std::ranges::count(told, "STATUS=Connected to COM 1, dynamic RT on"), 1);
  EXPECT_GE(std::ranges::count(told, "WATCHDOG=1"), 10);
  EXPECT_EQ(told.back(), "STOPPING=1\nSTATUS=Closing");
  EXPECT_TRUE(wire.ends_with("RM\r\n")) << wire;
  const std::string ini = (dir / "rds.ini").string();
  EXPECT_EQ(platform::IniReadInt(ini, "General window", "Width", -1), 565);
  EXPECT_NE(platform::IniReadInt(ini, "General window", "Left", -99999), -99999);
  EXPECT_TRUE(Contents(ini).starts_with("; kept as it is\r\n"));
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
TEST_F(ProgramTest, HeadlessTellsWhyItCannotOrWillNotSend) {
  write("a-file", "x");
  prepare("[Other settings]\nAuto to tray=1\n");
  EXPECT_EQ(Panel({"--version"}, log).wait(10000), 0);
  EXPECT_TRUE(Contents(log).starts_with("rdspanel 1.")) << Contents(log);
  EXPECT_EQ(Panel({"--headles"}, log).wait(10000), 2);
  const std::string usage = Contents(log);
  EXPECT_TRUE(usage.starts_with("rdspanel: unknown option --headles\n")) << usage;
  EXPECT_NE(usage.find("\nHere that is: /"), std::string::npos) << usage;
  const std::string notAFolder = (dir / "a-file" / "sub").string();
  EXPECT_EQ(Panel({"--headless", "--config-dir", notAFolder}, log).wait(10000), 2);
  EXPECT_NE(Contents(log).find("Cannot use " + notAFolder + " as the settings folder: "),
            std::string::npos)
      << Contents(log);

  Program panel = Panel({"--headless", "--config-dir", dir.string()}, log);
  std::string text;
  const auto told = [&] {
    return (text = Contents(log)).find("nothing will be sent") != text.npos;
  };
  EXPECT_TRUE(WaitFor(told, 8000)) << text;
  std::this_thread::sleep_for(std::chrono::milliseconds(4500));  // past the hide into the tray
  EXPECT_EQ(panel.terminate(10000), 0);
  text = Contents(log);
  EXPECT_NE(text.find("\"Auto connect\" is off in rds.ini"), std::string::npos) << text;
  EXPECT_EQ(text.find("notification area"), std::string::npos) << text;
}

// A window started with every automatic option and every flag stored: the lines it sends, and
// their order, are those of a start that built everything before showing the window. The port
// opens with the automatic connect, so the flags loaded at start stay off the wire; the clock
// time, the PS template's tag, the dynamic PS and RT follow, and the closing line.
TEST_F(ProgramTest, WindowStartSendsTheRecordedLines) {
  write("ps.txt", "<TA1><TP0>RADIO<PTY5>");
  write("rt.txt", "Now: %NPFile%");
  write("np.txt", "Artist - Title");
  prepare(
      "[Select device]\nCOM Port=COM 1\nDevice=0\n[RDS Settings]\nPI=7C6F\nPTY=10\nPS=STATION\n"
      "RT=Radio text\nTP=1\nTA=1\nM/S=1\nStereo=1\nCompressed=1\nAH=1\nDPTY=1\nCT=1\n"
      "AF Number=2\nRolling mode=1\nScrolling PS=Scrolling text\nPage PS1=PAGE 1\n"
      "Page PS2=PAGE 2\n[Other settings]\nAuto connect=1\nAuto on dps=1\nAuto on drt=1\n"
      "Auto to tray=1\nShow info=1\n[Dynamic RT and PS]\nScroll/Page select=0\n"
      "Dynamic PS=$/ps.txt\nDynamic RT=$/rt.txt\nScroll=$/np.txt\n");
  Program panel = Panel({"--config-dir", dir.string()}, log, "offscreen");
  const std::string rt = "RTNow: Artist - Title" + std::string(45, ' ') + "\r\n";
  EXPECT_TRUE(receives(rt, 10000)) << wire << Contents(log);
  wire += port.read(700);  // nothing else follows
  EXPECT_EQ(panel.terminate(10000), 0);
  wire += port.read(100);
  // The clock time changes from run to run, and goes out again wherever the run crosses a
  // minute: every TI line is shown without its numbers, and only the first keeps its place.
  std::string shown;
  bool clockSeen = false;
  std::istringstream lines(wire);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("TI"))
      shown += line + "\n";
    else if (!std::exchange(clockSeen, true))
      shown += "TI\r\n";
  }
  EXPECT_EQ(shown, "TI\r\nTP0\r\nPSRADIO   \r\n" + rt + "RM\r\n") << wire << Contents(log);
}

// The password is asked twice and only a salted key of it is stored, beside what rds.ini held;
// answers that differ change nothing.
TEST_F(ProgramTest, SetWebPasswordStoresOnlyASaltedKey) {
  prepare("[Select device]\nCOM Port=COM 1\n[Web]\nListen=127.0.0.1:8080\n");
  const std::string ini = (dir / "rds.ini").string();
  const auto run = [&](const std::string& answers) {
    Program program(
        {"/bin/sh", "-c",
         "printf '" + answers + "' | exec \"$0\" --config-dir \"$1\" --set-web-password",
         RDS_PANEL_PROGRAM, dir.string()},
        log.string());
    return program.wait(60000);
  };
  EXPECT_EQ(run("first\\nsecond\\n"), 1) << Contents(log);
  EXPECT_NE(Contents(log).find("the two passwords differ; nothing was changed"), std::string::npos);
  EXPECT_EQ(platform::IniReadString(ini, "Web", "Password", ""), "");

  EXPECT_EQ(run("on air \\303\\251\\r\\non air \\303\\251\\r\\n"), 0) << Contents(log);
  const std::string stored = platform::IniReadString(ini, "Web", "Password", "");
  EXPECT_EQ(stored.rfind("pbkdf2-sha256$200000$", 0), 0u) << stored;
  EXPECT_EQ(stored.find("on air"), std::string::npos);
  EXPECT_TRUE(remote::CheckWebPassword(stored, "on air \xc3\xa9"));
  EXPECT_FALSE(remote::CheckWebPassword(stored, "on air"));
  EXPECT_EQ(platform::IniReadString(ini, "Web", "Listen", ""), "127.0.0.1:8080");
  EXPECT_EQ(platform::IniReadString(ini, "Select device", "COM Port", ""), "COM 1");

  // A second run makes a new salt: the same password never gives the same line twice.
  EXPECT_EQ(run("on air \\303\\251\\non air \\303\\251\\n"), 0);
  EXPECT_NE(platform::IniReadString(ini, "Web", "Password", ""), stored);
}
