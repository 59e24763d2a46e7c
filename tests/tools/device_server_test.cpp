// The built virtual encoder, and the network COM port against peers nobody here wrote or that
// stand in for the device: Debian's ser2net serving the virtual encoder's pseudo-terminal (raw and
// RFC 2217), and the virtual encoder listening on TCP itself. The port element drives them as the
// connection page does.
#include <gtest/gtest.h>

#include <fstream>

#include "elements/serial.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial.h"
#include "platform/time_host.h"
#include "support/program.h"
#include "support/tcp_peer.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Ser2net() {
  for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net"})
    if (access(path, X_OK) == 0) return path;
  return {};
}

class Recorder : public hi::TDebug {
 public:
  int settled = 0;
  void doRecord(hi::TData&, uint16_t) { ++settled; }
};

// COM 3 and COM 4 mapped in a temporary rds.ini, opened by the port element on the virtual
// clock while the network works in real time.
class DeviceServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(EncoderProgram())) GTEST_SKIP() << "program not built";
    hi::SetLoopsLive(true);
    platform::SetTimeHost(&time_);
    hi::link<&Recorder::doRecord>(com_.onSettled, recorder_);
  }
  void TearDown() override { platform::SetTimeHost(nullptr); }

  void map(int com, const std::string& url) {
    ASSERT_TRUE(platform::IniWriteString(folder_.string() + "/rds.ini", "Network ports",
                                         "COM" + std::to_string(com), url));
  }
  // Opens COM n; true once it is open.
  bool open(int com) {
    com_.port = static_cast<uint8_t>(com - 1);
    const int before = recorder_.settled;
    hi::TData none;
    com_.doOpen(none, 0);
    for (int i = 0; recorder_.settled == before && i < 800; ++i) {  // four seconds at most
      time_.advance(20);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    hi::TData opened;
    com_.Opened(opened, 0);
    return hi::ToInteger(opened) == 1;
  }
  // The server starts, or frees the terminal, a moment later.
  bool openSoon(int com) {
    for (int i = 0; i < 100; ++i) {
      if (open(com)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  void send(const std::string& bytes) {
    hi::TData line = hi::TData::Str(bytes);
    com_.doSend(line, 0);
  }
  void close() {
    hi::TData none;
    com_.doClose(none, 0);
  }

  TempSettingsFolder folder_{"device_server"};
  platform::VirtualTimeHost time_;
  hi::THICOM com_;
  Recorder recorder_;
};

const std::string kPi = "PI124,111\r\n";
const std::string kTime("TI\x01\xff\x0d\x0d\x00\n", 8);  // the clock time's byte form
const char kPiHex[] = "50 49 31 32 34 2C 31 31 31 0D 0A";
const char kTimeHex[] = "54 49 01 FF 0D 0D 00 0A";  // 255 once: the Telnet escape is undone

}  // namespace

TEST_F(DeviceServerTest, Ser2netPassesTheLinesRawAndWithTheComPortOptionSetsTheLine) {
  const std::string ser2net = Ser2net();
  if (ser2net.empty()) GTEST_SKIP() << "ser2net is not installed (./test.sh installs it)";
  Program encoder({EncoderProgram().string(), "--json"});
  const std::string device = Field(encoder.lineWith("\"ready\""), "device");
  ASSERT_FALSE(device.empty());

  const uint16_t raw = nettest::FreePort(true), telnet = nettest::FreePort(true);
  // The server's own default is far from the model's line, so that only the option can set it.
  const std::string config = folder_.string() + "/ser2net.yaml";
  std::ofstream(config) << "%YAML 1.1\n---\n"
                        << "connection: &raw\n  accepter: tcp,127.0.0.1," << raw
                        << "\n  connector: serialdev," << device << ",19200n82,local\n"
                        << "connection: &telnet\n  accepter: telnet(rfc2217),tcp,127.0.0.1,"
                        << telnet << "\n  connector: serialdev," << device << ",19200n82,local\n";
  Program server({ser2net, "-n", "-d", "-c", config});
  map(3, "tcp://127.0.0.1:" + std::to_string(raw));
  map(4, "rfc2217://127.0.0.1:" + std::to_string(telnet));
  ASSERT_TRUE(openSoon(3)) << "ser2net did not start listening";

  send(kPi);
  send(kTime);
  // A raw port carries no settings: the terminal keeps the server's own.
  EXPECT_FALSE(encoder.lineWith("\"settings\":\"19200 8N2\"").empty());
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"PI\""), "hex"), kPiHex);
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"TI\""), "hex"), kTimeHex);
  close();

  ASSERT_TRUE(openSoon(4));  // the server lets go of the terminal a moment after the raw link
  send(kPi);
  send(kTime);
  // 9600 baud, 1 stop bit, no flow control: the terminal's parity and data bits stay 8N
  // whatever is asked, since a pseudo-terminal has no such settings.
  EXPECT_FALSE(encoder.lineWith("\"settings\":\"9600 8N1\"").empty());
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"PI\""), "hex"), kPiHex);
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"TI\""), "hex"), kTimeHex);
  close();
}

TEST_F(DeviceServerTest, VirtualEncoderListensOnTcpItself) {
  Program encoder({EncoderProgram().string(), "--tcp", "0", "--json"});
  const std::string address = Field(encoder.lineWith("\"ready\""), "device");
  ASSERT_EQ(address.rfind("tcp://127.0.0.1:", 0), 0u) << address;
  map(5, address);
  ASSERT_TRUE(open(5));
  EXPECT_FALSE(encoder.lineWith("\"event\":\"connected\"").empty());
  send(kPi);
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"PI\""), "pi"), "7C6F");
  close();
  EXPECT_FALSE(encoder.lineWith("\"event\":\"disconnected\"").empty());
}

// As run.sh and the end-to-end tests start it: its own terminal, linked where the panel looks.
TEST_F(DeviceServerTest, EncoderLinksItsTerminalDecodesAndCleansUpOnTerm) {
  Program version({EncoderProgram().string(), "--version"});
  EXPECT_EQ(version.lineWith("rds-virtual-encoder").rfind("rds-virtual-encoder 1.", 0), 0u);
  EXPECT_EQ(version.wait(5000), 0);

  Program encoder({EncoderProgram().string(), "--config-dir", folder_.string(), "--com", "4",
                   "--model", "2", "--json"});
  const fs::path link = folder_.path() / "ports" / "com4";
  const std::string ready = encoder.lineWith("\"event\":\"ready\"");
  EXPECT_NE(ready.find(link.string()), std::string::npos) << ready;
  {
    platform::SerialPort port;
    ASSERT_TRUE(port.open(link.string()));
    ASSERT_TRUE(port.applyMode("baud=9600 parity=N data=8 stop=1 octs=off"));
    EXPECT_EQ(port.write(std::string("PI124,111\nTI\x01\x0A\x0D\x0D\x00\n", 18)), 18);
  }
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"PI\""), "pi"), "7C6F");
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"TI\""), "time"), "16:52");

  EXPECT_EQ(encoder.terminate(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}
