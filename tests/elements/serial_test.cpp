#include "elements/serial.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/serial_pty.h"

using namespace hi;
namespace fs = std::filesystem;

namespace {

class Recorder : public TDebug {
 public:
  std::vector<int32_t> values;
  int32_t answer = 0;
  void doRecord(TData& d, uint16_t) { values.push_back(ToInteger(d)); }
  void Value(TData& d, uint16_t) { d = TData::Int(answer); }
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
    platform::SetSettingsFolder(dir.string());
    plugIn();
    link<&Recorder::doRecord>(com.onWrite, written);
    com.port = 2;  // COM3
  }
  void TearDown() override {
    platform::SetSettingsFolder(saved);
    fs::remove_all(dir);
  }
  void plugIn() {
    pty = std::make_unique<platform::PseudoTerminal>();
    ASSERT_TRUE(pty->create());
    fs::remove(dir / "ports" / "com3");
    fs::create_symlink(pty->slavePath(), dir / "ports" / "com3");
  }
  void send(TData d) { com.doSend(d, 0); }
  void open(TData d = {}) { com.doOpen(d, 0); }
  termios settings() {
    termios tio{};
    EXPECT_EQ(tcgetattr(pty->master(), &tio), 0);
    return tio;
  }

  std::string saved = platform::SettingsFolder();
  fs::path dir = fs::temp_directory_path() / ("com_element_" + std::to_string(getpid()));
  std::unique_ptr<platform::PseudoTerminal> pty;
  THICOM com;
  Recorder written;
};

}  // namespace

TEST_F(ComElementTest, SendsEveryByteUnchangedAt9600EightNoneOne) {
  open(TData::Int(7));  // the number that arrives with the call is not consumed
  ASSERT_EQ(Opened(com), 1);
  send(TData::Str("PI124,111\r\n"));
  send(TData::Str("PSABC\n"));
  send(TData::Int(42));
  send(TData::Str(""));  // the scan's probe: a zero-length write that still reports
  EXPECT_EQ(pty->read(100, 19), "PI124,111\r\nPSABC\n42");
  EXPECT_EQ(written.values, (std::vector<int32_t>{11, 6, 2, 0}));

  const termios tio = settings();
  EXPECT_EQ(cfgetospeed(&tio), speed_t{B9600});
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | ICRNL), 0u);
}

TEST_F(ComElementTest, LinkedInputsDecidePortAndBaud) {
  com.port = 0;
  Recorder portSource;
  portSource.answer = 3;  // 1-based on the input
  link<&Recorder::Value>(com.Port, portSource);
  com.baud = 0;  // unlinked Baud with no property: the incoming value decides
  com.parity = 2;
  open(TData::Int(19200));
  ASSERT_EQ(Opened(com), 1);
  const termios tio = settings();
  EXPECT_EQ(cfgetospeed(&tio), speed_t{B19200});
  // Pseudo-terminals drop parity bits, so the letter is checked in the mode text.
  EXPECT_EQ(THICOM::ModeText(9600, 2), "baud=9600 parity=E data=8 stop=1 octs=off");
  EXPECT_EQ(THICOM::ModeText(4800, 4), "baud=4800 parity=S data=8 stop=1 octs=off");
}

TEST_F(ComElementTest, ClosedHeldOrFailedElementWritesAndFiresNothing) {
  send(TData::Str("before open\r\n"));
  com.port = 4;  // COM5 has no link
  open();
  EXPECT_EQ(Opened(com), 0);
  send(TData::Str("no port\r\n"));

  com.port = 2;
  THICOM other;  // holds the port
  other.port = 2;
  TData none;
  other.doOpen(none, 0);
  ASSERT_EQ(Opened(other), 1);
  open();
  EXPECT_EQ(Opened(com), 0);
  send(TData::Str("held\r\n"));
  other.doClose(none, 0);

  open();
  ASSERT_EQ(Opened(com), 1);
  com.doClose(none, 0);
  com.doPurge(none, 0);
  send(TData::Str("after close\r\n"));

  open();
  com.parity = 9;  // a mode text the port rejects: a failed open also closes an open port
  open();
  EXPECT_EQ(Opened(com), 0);
  send(TData::Str("rejected\r\n"));
  EXPECT_EQ(pty->read(50), "");
  EXPECT_TRUE(written.values.empty());
}

TEST_F(ComElementTest, LostPortIsClosedAndReportedOnceThenOpensAgain) {
  Recorder lost;
  link<&Recorder::doRecord>(com.onLost, lost);
  TData none;
  open();
  com.doCheck(none, 0);  // a healthy port is left alone
  ASSERT_EQ(Opened(com), 1);
  pty.reset();  // the adapter is pulled out
  send(TData::Str("PI124,111\r\n"));
  send(TData::Str("RT hello\r\n"));  // dropped: the port was closed when it was found gone
  com.doCheck(none, 0);
  EXPECT_EQ(written.values, (std::vector<int32_t>{0}));
  EXPECT_EQ(lost.values.size(), 1u);
  EXPECT_EQ(Opened(com), 0);

  // Retries through an outage log their failure once. The link goes with the device: a test
  // running beside this one may get the freed terminal number, and the retries would open it.
  fs::remove(dir / "ports" / "com3");
  char* logText = nullptr;
  size_t logSize = 0;
  std::FILE* logFile = open_memstream(&logText, &logSize);
  platform::SetEventLog(logFile);
  for (int retry = 0; retry < 3; ++retry) open();
  platform::SetEventLog(nullptr);
  std::fclose(logFile);
  const std::string logged(logText, logSize);
  std::free(logText);
  EXPECT_EQ(logged.find("could not be opened"), logged.rfind("could not be opened")) << logged;
  EXPECT_NE(logged.find("could not be opened"), std::string::npos);
  EXPECT_EQ(Opened(com), 0);
  plugIn();
  open();
  ASSERT_EQ(Opened(com), 1);
  send(TData::Str("PI124,111\r\n"));
  EXPECT_EQ(pty->read(100, 11), "PI124,111\r\n");
  EXPECT_EQ(written.values.back(), 11);

  // A hang-up is found without a line being written.
  pty.reset();
  com.doCheck(none, 0);
  com.doCheck(none, 0);
  EXPECT_EQ(lost.values.size(), 2u);
  EXPECT_EQ(Opened(com), 0);
  EXPECT_EQ(written.values.size(), 2u);
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
