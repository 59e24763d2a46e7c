#include "elements/serial.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <tuple>

#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/serial_pty.h"
#include "support/temp_folder.h"

using namespace hi;
namespace fs = std::filesystem;

namespace {

class Recorder : public TDebug {
 public:
  std::vector<int32_t> values;
  void doRecord(TData& d, uint16_t) { values.push_back(ToInteger(d)); }
};

int32_t Opened(THICOM& com) {
  TData d;
  com.Opened(d, 0);
  return ToInteger(d);
}

// A settings folder whose ports/com3 is a fresh pseudo-terminal.
class ComElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoopsLive(true);
    fs::create_directories(dir / "ports");
    plugIn();
    link<&Recorder::doRecord>(com.onWrite, written);
    com.port = 2;  // COM3
  }
  void plugIn() {
    pty = std::make_unique<platform::PseudoTerminal>();
    ASSERT_TRUE(pty->create());
    fs::remove(dir / "ports" / "com3");
    fs::create_symlink(pty->slavePath(), dir / "ports" / "com3");
  }
  void send(TData d) { com.doSend(d, 0); }
  void open(TData d = {}) { com.doOpen(d, 0); }
  void close(THICOM& port) {
    TData none;
    port.doClose(none, 0);
  }
  void check() {
    TData none;
    com.doCheck(none, 0);
  }
  termios settings() {
    termios tio{};
    EXPECT_EQ(tcgetattr(pty->master(), &tio), 0);
    return tio;
  }

  TempSettingsFolder folder{"com_element"};
  fs::path dir = folder.path();
  std::unique_ptr<platform::PseudoTerminal> pty;
  THICOM com;
  Recorder written;
};

}  // namespace

TEST_F(ComElementTest, ClosedOrFailedElementWritesAndFiresNothing) {
  send(TData::Str("before open\r\n"));
  com.port = 4;  // COM5 has no link
  open();
  EXPECT_EQ(Opened(com), 0);
  send(TData::Str("no port\r\n"));

  com.port = 2;
  open();
  ASSERT_EQ(Opened(com), 1);
  close(com);
  send(TData::Str("after close\r\n"));

  open();
  com.parity = 9;  // a mode text the port rejects: a failed open also closes an open port
  open();
  EXPECT_EQ(Opened(com), 0);
  send(TData::Str("rejected\r\n"));
  EXPECT_EQ(pty->read(50), "");
  EXPECT_TRUE(written.values.empty());
}

// The scan's probe of a port that another program (a GPS, a sensor) set up and uses.
TEST_F(ComElementTest, ProbeFindsThePortAndLeavesItsSettingsAsTheyWere) {
  termios theirs = settings();
  cfsetispeed(&theirs, B4800);
  cfsetospeed(&theirs, B4800);
  theirs.c_cflag = (theirs.c_cflag & ~(CSIZE | PARODD)) | CS7 | PARENB | HUPCL | CRTSCTS;
  theirs.c_lflag |= ICANON | ECHO;
  theirs.c_oflag |= OPOST | ONLCR;
  ASSERT_EQ(tcsetattr(pty->master(), TCSANOW, &theirs), 0);
  const termios before = settings();
  com.probe = true;
  com.logged = false;
  open();
  send(TData::Str(""));
  close(com);
  EXPECT_EQ(written.values, (std::vector<int32_t>{0}));  // found
  const termios after = settings();
  EXPECT_EQ(std::tie(after.c_cflag, after.c_iflag, after.c_oflag, after.c_lflag),
            std::tie(before.c_cflag, before.c_iflag, before.c_oflag, before.c_lflag));
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  EXPECT_EQ(pty->read(50), "");
}

TEST_F(ComElementTest, LostPortIsClosedAndReportedOnceThenOpensAgain) {
  Recorder lost;
  link<&Recorder::doRecord>(com.onLost, lost);
  open();
  check();  // a healthy port is left alone
  ASSERT_EQ(Opened(com), 1);
  pty.reset();  // the adapter is pulled out
  send(TData::Str("PI124,111\r\n"));
  send(TData::Str("RT hello\r\n"));  // dropped: the port was closed when it was found gone
  check();
  EXPECT_EQ(written.values, (std::vector<int32_t>{0}));
  EXPECT_EQ(lost.values.size(), 1u);

  // Retries through an outage log their failure once. The link goes with the device: a test
  // running beside this one may get the freed terminal number, and the retries would open it.
  fs::remove(dir / "ports" / "com3");
  fs::create_symlink("/dev/serial/by-id/usb-gone", dir / "ports" / "com3");
  std::FILE* log = std::tmpfile();
  platform::SetEventLog(log);
  for (int retry = 0; retry < 3; ++retry) open();
  platform::SetEventLog(nullptr);
  const std::string logged =
      platform::ReadWholeFile("/proc/self/fd/" + std::to_string(fileno(log))).value_or("");
  std::fclose(log);
  EXPECT_NE(
      logged.find("port COM 3 could not be opened: /dev/serial/by-id/usb-gone does not exist"),
      std::string::npos)
      << logged;
  EXPECT_EQ(logged.find("could not be opened"), logged.rfind("could not be opened")) << logged;
  plugIn();
  open();
  send(TData::Str("PI124,111\r\n"));
  EXPECT_EQ(pty->read(100, 11), "PI124,111\r\n");

  // A hang-up is found without a line being written, and reported once.
  pty.reset();
  check();
  check();
  EXPECT_EQ(lost.values.size(), 2u);
  EXPECT_EQ(Opened(com), 0);
  EXPECT_EQ(written.values, (std::vector<int32_t>{0, 11}));
}

TEST_F(ComElementTest, StalledLineCountsAsLost) {
  Recorder lost;
  link<&Recorder::doRecord>(com.onLost, lost);
  com.timeout = 1;  // a stalled chunk gives up after about a quarter of a second
  open();
  ASSERT_EQ(Opened(com), 1);
  // Nobody reads the far end: the terminal buffer fills until a write stops short.
  const std::string chunk(256, 'x');
  for (int i = 0; i < 4096 && (written.values.empty() || written.values.back() == 256); ++i)
    send(TData::Str(chunk));
  ASSERT_LT(written.values.back(), 256);
  EXPECT_EQ(lost.values.size(), 1u);
  EXPECT_EQ(Opened(com), 0);
}
