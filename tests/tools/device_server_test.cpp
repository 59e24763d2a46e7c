// The network COM port against peers nobody here wrote or that stand in for the device: Debian's
// ser2net serving the virtual encoder's pseudo-terminal (raw and RFC 2217), and the virtual
// encoder listening on TCP itself. The port element drives them as the connection page does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "elements/serial.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/time_host.h"
#include "support/tcp_peer.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A program started for the test, its standard output read line by line, killed at the end.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      const int null = ::open("/dev/null", O_WRONLY);
      dup2(null, 2);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    ::close(out[1]);
    out_ = out[0];
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The next line that contains `text`, waiting at most `ms`; empty when none came.
  std::string lineWith(const std::string& text, int ms = 5000) {
    const auto start = Clock::now();
    while (MsSince(start) < ms) {
      const size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (line.find(text) != std::string::npos) return line;
        continue;
      }
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char chunk[4096];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) break;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
    return {};
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

std::string Field(const std::string& json, const std::string& name) {
  const std::string key = "\"" + name + "\":\"";
  const size_t at = json.find(key);
  if (at == std::string::npos) return {};
  return json.substr(at + key.size(), json.find('"', at + key.size()) - at - key.size());
}

fs::path EncoderProgram() {
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
         "rds-virtual-encoder";
}

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
    const auto start = Clock::now();
    while (recorder_.settled == before && MsSince(start) < 4000) {
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
  if (!fs::exists(EncoderProgram())) GTEST_SKIP() << "program not built";
  Program encoder({EncoderProgram().string(), "--json"});
  const std::string device = Field(encoder.lineWith("\"ready\""), "device");
  ASSERT_FALSE(device.empty());

  uint16_t raw, telnet;
  {
    TcpPeer a, b;  // two free ports, given to ser2net
    raw = a.port();
    telnet = b.port();
  }
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
  if (!fs::exists(EncoderProgram())) GTEST_SKIP() << "program not built";
  Program encoder({EncoderProgram().string(), "--tcp", "0", "--json"});
  const std::string address = Field(encoder.lineWith("\"ready\""), "device");
  ASSERT_EQ(address.rfind("tcp://127.0.0.1:", 0), 0u) << address;
  map(5, address);
  ASSERT_TRUE(open(5));
  EXPECT_FALSE(encoder.lineWith("\"event\":\"connected\"").empty());
  send(kPi);
  send(kTime);
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"PI\""), "pi"), "7C6F");
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"TI\""), "hex"), kTimeHex);
  close();
  EXPECT_FALSE(encoder.lineWith("\"event\":\"disconnected\"").empty());
}
