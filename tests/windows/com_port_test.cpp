// The Win32 serial back end against a real serial device: Wine's COM1 is a pseudo-terminal whose
// other end is held by the Linux helper (peer/com_peer.cpp) that scripts/windows-check.sh starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "elements/serial.h"
#include "platform/serial.h"
#include "support/temp_folder.h"

using namespace hi;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Requests to the Linux end of the line, through files in a folder both sides see.
class Peer {
 public:
  explicit Peer(const std::string& unixFolder) {
    std::string folder = "Z:" + unixFolder;
    for (char& c : folder)
      if (c == '/') c = '\\';
    folder_ = folder;
  }

  std::string ask(const std::string& request) {
    std::ofstream(folder_ / "request.part", std::ios::binary | std::ios::trunc) << request << '\n';
    fs::rename(folder_ / "request.part", folder_ / "request");
    const fs::path answer = folder_ / "answer";
    for (auto until = Clock::now() + std::chrono::seconds(15); Clock::now() < until;) {
      std::error_code ec;
      if (fs::exists(answer, ec)) {
        std::ostringstream bytes;
        bytes << std::ifstream(answer, std::ios::binary).rdbuf();
        fs::remove(answer, ec);
        return bytes.str();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return "no answer to " + request;
  }

 private:
  fs::path folder_;
};

class Recorder : public TDebug {
 public:
  std::vector<int32_t> values;
  void doRecord(TData& d, uint16_t) { values.push_back(ToInteger(d)); }
};

class Com1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("RDS_COM_PEER");
    if (!folder) GTEST_SKIP() << "needs the Linux end of COM1 (scripts/windows-check.sh)";
    peer_ = std::make_unique<Peer>(folder);
    ASSERT_EQ(peer_->ask("plug"), "ok");
    SetLoopsLive(true);
    link<&Recorder::doRecord>(com.onWrite, written);
  }
  void TearDown() override {
    if (peer_) peer_->ask("unplug");
  }
  void open() {
    TData none;
    com.doOpen(none, 0);
  }
  void send(const std::string& text) {
    TData d = TData::Str(text);
    com.doSend(d, 0);
  }
  int32_t opened() {
    TData d;
    com.Opened(d, 0);
    return ToInteger(d);
  }
  std::string arrived(size_t count) { return peer_->ask("read " + std::to_string(count)); }

  std::unique_ptr<Peer> peer_;
  THICOM com;  // port 0: COM1, 9600 baud, no parity, 10 ms time-outs
  Recorder written;
};

}  // namespace

TEST_F(Com1Test, ModeAndCommandBytesReachTheLineUnchanged) {
  open();
  ASSERT_EQ(opened(), 1);
  EXPECT_EQ(peer_->ask("settings"), "speed=9600 data=8 parity=none stop=1 rtscts=off");

  // The clock time in byte form carries 10 and 13 inside the line; neither may be translated.
  const std::string pi = "PI124,111\r\n";
  const std::string ti("TI\x01\x0A\x0D\x0D\x00\n", 8);
  send(pi);
  send(ti);
  EXPECT_EQ(arrived(pi.size() + ti.size()), pi + ti);
  EXPECT_EQ(written.values, (std::vector<int32_t>{11, 8}));
}

TEST_F(Com1Test, WritesNobodyReadsStopAtTheirTimeOuts) {
  platform::SerialPort port;
  ASSERT_TRUE(port.open("\\\\.\\COM1"));
  ASSERT_TRUE(port.setTimeouts({0, 0, 0, 0, 300}));
  const std::string flood(256u << 10, 'x');
  EXPECT_LT(port.write(flood), static_cast<long>(flood.size()));

  // A fresh open must not inherit "wait for ever" (the default is 10 ms a byte plus 1 s): the
  // write returns short instead of hanging the program until the runner's time-out.
  port.close();
  ASSERT_TRUE(port.open("\\\\.\\COM1"));
  EXPECT_LT(port.write(std::string(100, 'y')), 100);
}

TEST_F(Com1Test, HungUpLineFailsTheWriteAndANewOneOpensAgain) {
  open();
  ASSERT_EQ(opened(), 1);
  ASSERT_EQ(peer_->ask("unplug"), "ok");
  send("PI1,2\r\n");
  EXPECT_EQ(opened(), 0);

  ASSERT_EQ(peer_->ask("plug"), "ok");
  open();
  ASSERT_EQ(opened(), 1);
  send("PI1,2\r\n");
  EXPECT_EQ(arrived(7), "PI1,2\r\n");
  EXPECT_EQ(written.values, (std::vector<int32_t>{0, 7}));
}

TEST(SerialPortWin32, OnlyCommunicationDevicesOpen) {
  TempFolder folder("rds-com");
  const std::string file = (folder.path() / "COM1.txt").string();
  std::ofstream(file) << "not a port";
  platform::SerialPort port;
  for (const std::string& path : {file, std::string("NUL"), std::string("\\\\.\\COM99")}) {
    EXPECT_FALSE(port.open(path)) << path;
    EXPECT_FALSE(port.isOpen()) << path;
  }
}
