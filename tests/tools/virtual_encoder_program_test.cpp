#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/serial.h"

namespace fs = std::filesystem;

namespace {

// One line of the program's output, waiting at most `ms`.
std::string ReadLine(int fd, int ms) {
  std::string line;
  char c;
  while (true) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n') return line;
    line += c;
  }
}

}  // namespace

// The built program, as run.sh and the end-to-end tests start it.
TEST(VirtualEncoderProgram, LinksDecodesAndCleansUpOnTerm) {
  const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
                       "rds-virtual-encoder";
  if (!fs::exists(exe)) GTEST_SKIP() << "program not built";
  const fs::path dir = fs::temp_directory_path() / ("venc_" + std::to_string(getpid()));
  fs::remove_all(dir);
  if (std::FILE* version = popen((exe.string() + " --version").c_str(), "r")) {
    char text[64] = {};
    EXPECT_NE(std::fgets(text, sizeof text, version), nullptr);
    EXPECT_EQ(pclose(version), 0);
    EXPECT_EQ(std::string(text).rfind("rds-virtual-encoder 1.", 0), 0u) << text;
  }

  int out[2];
  ASSERT_EQ(pipe(out), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], 1);
    execl(exe.c_str(), exe.c_str(), "--config-dir", dir.c_str(), "--com", "4", "--model", "2",
          "--json", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  // Never leave the program running behind a failed assertion.
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      if (waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  } reaper{pid};
  (void)reaper;
  const std::string ready = ReadLine(out[0], 5000);
  const fs::path link = dir / "ports" / "com4";
  EXPECT_NE(ready.find("\"event\":\"ready\""), std::string::npos) << ready;
  EXPECT_NE(ready.find(link.string()), std::string::npos) << ready;

  {
    platform::SerialPort port;
    ASSERT_TRUE(port.open(link.string()));
    ASSERT_TRUE(port.applyMode("baud=9600 parity=N data=8 stop=1 octs=off"));
    EXPECT_EQ(port.write(std::string("PI124,111\nTI\x01\x0A\x0D\x0D\x00\n", 18)), 18);
  }
  // The settings the panel gave the line may be reported first.
  std::string pi = ReadLine(out[0], 5000);
  if (pi.find("\"event\":\"line\"") != std::string::npos) {
    EXPECT_NE(pi.find("\"settings\":\"9600 8N1\""), std::string::npos) << pi;
    pi = ReadLine(out[0], 5000);
  }
  EXPECT_NE(pi.find("\"cmd\":\"PI\""), std::string::npos) << pi;
  EXPECT_NE(pi.find("\"pi\":\"7C6F\""), std::string::npos) << pi;
  const std::string ti = ReadLine(out[0], 5000);
  EXPECT_NE(ti.find("\"time\":\"16:52\""), std::string::npos) << ti;

  kill(pid, SIGTERM);
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 500 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i) usleep(10000);
  ASSERT_EQ(done, pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  close(out[0]);
  fs::remove_all(dir);
}
