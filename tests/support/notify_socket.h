// Stands in for the service manager's socket: NOTIFY_SOCKET names it while it lives, and
// messages() returns what was sent to it since the last call.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_folder.h"

class NotifySocket {
 public:
  NotifySocket() : folder_("rds-notify") {
    const std::string path = folder_.string() + "/notify";
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd_ < 0 || path.size() >= sizeof address.sun_path) return;
    path.copy(address.sun_path, path.size());
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
      ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
  }
  ~NotifySocket() {
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"}) ::unsetenv(name);
    if (fd_ >= 0) ::close(fd_);
  }
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  bool listening() const { return std::getenv("NOTIFY_SOCKET") != nullptr; }
  // The watchdog interval the manager gives, for the process `pid` (0: whoever reads it).
  void watchdog(uint64_t usec, pid_t pid = 0) {
    ::setenv("WATCHDOG_USEC", std::to_string(usec).c_str(), 1);
    if (pid) ::setenv("WATCHDOG_PID", std::to_string(pid).c_str(), 1);
  }

  std::vector<std::string> messages() {
    std::vector<std::string> out;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) >= 0;)
      out.emplace_back(buffer, static_cast<size_t>(n));
    return out;
  }

 private:
  TempFolder folder_;
  int fd_ = -1;
};
