// The built programs started by the tests: standard output read line by line or written to a
// file, the program stopped (and never left running behind a failed assertion) at the end.
// POSIX hosts only.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

// Calls `done` every 20 ms until it holds or `ms` have passed; whether it held.
template <class F>
bool WaitFor(F&& done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

class Program {
 public:
  // With an `output` file, standard output and error both go there. `environment`: "NAME=value"
  // sets a variable, a bare "NAME" removes it.
  explicit Program(std::vector<std::string> args, const std::string& output = {},
                   const std::vector<std::string>& environment = {}) {
    int out[2];
    if (output.empty() && pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int to =
          output.empty() ? out[1] : ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(to, 1);
      dup2(output.empty() ? ::open("/dev/null", O_WRONLY) : to, 2);
      for (const std::string& entry : environment) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos)
          ::unsetenv(entry.c_str());
        else
          ::setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
      }
      // A service manager names the process its watchdog is meant for.
      if (std::getenv("WATCHDOG_USEC"))
        ::setenv("WATCHDOG_PID", std::to_string(::getpid()).c_str(), 1);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    if (output.empty()) {
      ::close(out[1]);
      out_ = out[0];
    }
  }
  ~Program() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The next line that contains `text`, waiting at most `ms`; empty when none came.
  std::string lineWith(const std::string& text, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      const size_t eol = buffer_.find('\n');
      if (eol != std::string::npos) {
        std::string line = buffer_.substr(0, eol);
        buffer_.erase(0, eol + 1);
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

  // The exit status once the program has ended, or -1 when it did not end within `ms` (it is
  // killed then).
  int wait(int ms) {
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, ms)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Asks the program to end; its exit status.
  int terminate(int ms = 5000) {
    kill(pid_, SIGTERM);
    return wait(ms);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// The text of "name":"..." in a line of JSON.
inline std::string Field(const std::string& json, const std::string& name) {
  const std::string key = "\"" + name + "\":\"";
  const size_t at = json.find(key);
  if (at == std::string::npos) return {};
  return json.substr(at + key.size(), json.find('"', at + key.size()) - at - key.size());
}

inline std::filesystem::path EncoderProgram() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
         "rds-virtual-encoder";
}
