#ifndef _WIN32

#include "platform/serial_pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

PseudoTerminal::~PseudoTerminal() { close(); }

bool PseudoTerminal::create() {
  close();
  int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const char* name = nullptr;
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || (name = ptsname(fd)) == nullptr) {
    ::close(fd);
    return false;
  }
  master_ = fd;
  slave_ = name;
  return true;
}

bool PseudoTerminal::holdSlave() {
  if (master_ < 0) return false;
  if (heldSlave_ < 0) heldSlave_ = ::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  return heldSlave_ >= 0;
}

void PseudoTerminal::close() {
  if (heldSlave_ >= 0) ::close(heldSlave_);
  if (master_ >= 0) ::close(master_);
  heldSlave_ = master_ = -1;
}

std::string PseudoTerminal::read(int waitMs, size_t expected) {
  std::string out;
  char buffer[4096];
  while (master_ >= 0 && out.size() < expected) {
    pollfd p{master_, POLLIN, 0};
    int r = poll(&p, 1, waitMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || !(p.revents & POLLIN)) break;
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace platform

#endif  // _WIN32
