#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/com_map.h"
#include "platform/files.h"
#include "platform/serial.h"
#include "platform/serial_pty.h"
#include "support/temp_folder.h"

using namespace platform;
namespace fs = std::filesystem;

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.create());
    // Start from cooked settings with hardware handshake, as a driver might leave them.
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_cflag |= CRTSCTS;
    cfsetospeed(&tio, B19200);
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &tio), 0);
    ASSERT_TRUE(port.open(pty.slavePath()));
  }
  PseudoTerminal pty;
  SerialPort port;
};

TEST_F(SerialPortTest, OpensRawAndExclusiveWritesExactBytesAndNoticesTheDeviceGone) {
  ASSERT_TRUE(port.applyMode("baud=9600 parity=N data=8 stop=1 octs=off"));
  termios tio{};  // on Linux the master answers with the slave's settings
  ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), speed_t{B9600});
  EXPECT_EQ(tio.c_cflag & (CSIZE | CSTOPB | CRTSCTS), tcflag_t{CS8});
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
  EXPECT_FALSE(port.applyMode("baud=12345"));  // no such line speed

  ASSERT_TRUE(port.setTimeouts({10, 10, 10, 10, 10}));
  const std::string lines = std::string("PI124,111\r\nPS\nTI\x01\xDF\x86\x0A\x0D\n", 23);
  EXPECT_EQ(port.write(lines), 23);
  EXPECT_EQ(pty.read(100, lines.size()), lines);

  SerialPort second;
  EXPECT_FALSE(second.open(pty.slavePath()));
  EXPECT_EQ(second.openFailure(), platform::OpenFailure::Busy);
  EXPECT_FALSE(second.isOpen());
  EXPECT_FALSE(second.open("/nonexistent/tty"));
  EXPECT_EQ(second.openFailure(), platform::OpenFailure::Missing);
  EXPECT_FALSE(second.open("/dev/null"));  // not a terminal
  EXPECT_EQ(second.openFailure(), platform::OpenFailure::NotSerial);
  port.close();
  ASSERT_TRUE(second.open(pty.slavePath()));  // exclusive only until closed
  EXPECT_EQ(second.openFailure(), platform::OpenFailure::None);

  ASSERT_TRUE(second.setTimeouts({10, 10, 10, 10, 10}));
  EXPECT_TRUE(second.usable());
  pty.close();
  EXPECT_FALSE(second.usable());
  EXPECT_EQ(second.write("PI124,111\r\n"), -1);
}

class ComMapTest : public ::testing::Test {
 protected:
  TempSettingsFolder folder{"com_map"};
  fs::path dir = folder.path();
};

TEST_F(ComMapTest, FixedTableWithoutPortsFolder) {
  for (auto [n, device] : {std::pair{1, "/dev/ttyS0"},
                           {8, "/dev/ttyS7"},
                           {9, "/dev/ttyUSB0"},
                           {17, "/dev/ttyACM0"},
                           {24, "/dev/ttyACM7"},
                           {25, ""},
                           {0, ""},
                           {-3, ""}})
    EXPECT_EQ(ComDevicePath(n), device) << n;
}

TEST_F(ComMapTest, PortsFolderIsTheWholeMap) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.create());
  fs::create_directories(dir / "ports");
  fs::create_symlink(pty.slavePath(), dir / "ports" / "com3");
  fs::create_symlink("/dev/nonexistent-tty", dir / "ports" / "com4");
  fs::create_symlink(pty.slavePath(), dir / "ports" / "com0");

  EXPECT_EQ(ComDevicePath(3), (dir / "ports" / "com3").string());
  EXPECT_EQ(ComDevicePath(1), "");  // not /dev/ttyS0: the folder replaces the table
  EXPECT_EQ(ComDevicePath(4), "");  // the device behind the link is gone
  EXPECT_EQ(ComDevicePath(0), "");
  EXPECT_TRUE(ComPortCanOpen(3));
  EXPECT_FALSE(ComPortCanOpen(4));
  SerialPort holder;
  ASSERT_TRUE(holder.open(ComDevicePath(3)));
  EXPECT_FALSE(ComPortCanOpen(3));
}

TEST_F(ComMapTest, NetworkPortsSectionWinsOverTheFolderAndNamesWhatIsWrong) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.create());
  fs::create_directories(dir / "ports");
  fs::create_symlink(pty.slavePath(), dir / "ports" / "com3");
  std::ofstream(dir / "rds.ini")
      << "[Network "
         "ports]\nCOM3=rfc2217://10.0.0.7:2217\nCOM5=tcp://encoder\nCOM6=udp://10.0.0.7:5000\n";

  const ComTarget network = LookUpComPort(3);
  EXPECT_EQ(network.kind, ComTarget::Kind::Network);
  EXPECT_EQ(network.endpoint, (Endpoint{"rfc2217", "10.0.0.7", 2217}));
  EXPECT_EQ(ComDevicePath(3), "");
  EXPECT_TRUE(ComPortCanOpen(3));  // listed without connecting
  EXPECT_EQ(LookUpComPort(5).kind, ComTarget::Kind::Malformed);
  EXPECT_EQ(LookUpComPort(5).problem, "no port");
  EXPECT_EQ(LookUpComPort(6).kind, ComTarget::Kind::Malformed);
  EXPECT_EQ(LookUpComPort(4).kind, ComTarget::Kind::None);
}
