// The built program, started as an operator would, with a virtual encoder as COM 1.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ini_file.h"

namespace {

namespace fs = std::filesystem;

pid_t Spawn(const std::vector<std::string>& args, const fs::path& output) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::FILE* out = std::fopen(output.c_str(), "w");
    if (out) {
      ::dup2(fileno(out), 1);
      ::dup2(fileno(out), 2);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
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

}  // namespace

TEST(Program, StartsScansLoadsAndClosesOnSigterm) {
  const fs::path dir = fs::temp_directory_path() / ("rds-program-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string ini = (dir / "rds.ini").string();
  { std::ofstream(ini) << "; kept as it is\r\n[Select device]\r\nCOM Port = COM 1\r\n"; }

  pid_t encoder = Spawn({RDS_ENCODER_PROGRAM, "--config-dir", dir.string(), "--com", "1", "--json"},
                        dir / "encoder.log");
  ASSERT_TRUE(WaitFor([&] { return fs::exists(dir / "ports" / "com1"); }, 5000));

  pid_t panel = Spawn({RDS_PANEL_PROGRAM, "--config-dir", dir.string()}, dir / "panel.log");
  // The load writes the stored port back: the file is replaced once the program has started.
  ASSERT_TRUE(WaitFor(
      [&] {
        std::ifstream in(ini);
        std::stringstream s;
        s << in.rdbuf();
        return s.str().find("COM Port=COM 1") != std::string::npos;
      },
      10000))
      << "the program did not load its settings";
  ::kill(panel, SIGTERM);
  EXPECT_EQ(Finish(panel, 10000), 0);

  EXPECT_EQ(platform::IniReadString(ini, "Select device", "COM Port"), "COM 1");
  EXPECT_EQ(platform::IniReadInt(ini, "General window", "Width", -1), 565);
  EXPECT_NE(platform::IniReadInt(ini, "General window", "Left", -99999), -99999);
  std::ifstream in(ini);
  std::string firstLine;
  std::getline(in, firstLine);
  EXPECT_EQ(firstLine, "; kept as it is\r");

  ::kill(encoder, SIGTERM);
  EXPECT_EQ(Finish(encoder, 5000), 0);
  EXPECT_FALSE(fs::exists(dir / "ports" / "com1"));
  fs::remove_all(dir);
}
