// The far end of a network COM port in tests: a listener on the loopback address that accepts
// one connection and reads or writes it by hand. POSIX hosts only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

class TcpPeer {
 public:
  // Listens on 127.0.0.1:`port`, a free port when 0. A small receive buffer makes a peer that
  // stops reading show within a few kilobytes.
  explicit TcpPeer(uint16_t port = 0, int receiveBuffer = 0) { listen(port, receiveBuffer); }
  ~TcpPeer() { stop(); }
  TcpPeer(const TcpPeer&) = delete;
  TcpPeer& operator=(const TcpPeer&) = delete;

  bool listen(uint16_t port, int receiveBuffer = 0) {
    stop();
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (receiveBuffer > 0)
      setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
      stop();
      return false;
    }
    port_ = ntohs(a.sin_port);
    return true;
  }
  uint16_t port() const { return port_; }
  std::string url(const char* scheme = "tcp") const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
  }

  // Waits for the next connection; the one before is dropped.
  bool accept(int waitMs = 3000) {
    pollfd p{listener_, POLLIN, 0};
    if (listener_ < 0 || poll(&p, 1, waitMs) <= 0) return false;
    dropClient();
    client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return client_ >= 0;
  }
  bool connected() const { return client_ >= 0; }
  // Whether a read found the connection reset rather than ended.
  bool wasReset() const { return reset_; }

  // What arrives until nothing has come for `waitMs`, or until `expected` bytes are in.
  std::string read(int waitMs = 200, size_t expected = static_cast<size_t>(-1)) {
    std::string out;
    char buffer[4096];
    while (client_ >= 0 && out.size() < expected) {
      pollfd p{client_, POLLIN, 0};
      if (poll(&p, 1, waitMs) <= 0) break;
      const ssize_t n = ::recv(client_, buffer, sizeof buffer, 0);
      if (n < 0 && errno == ECONNRESET) reset_ = true;
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  bool write(const std::string& bytes) {
    return client_ >= 0 && ::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                               static_cast<ssize_t>(bytes.size());
  }
  void dropClient() {
    if (client_ >= 0) ::close(client_);
    client_ = -1;
  }
  // The peer process dies: its connection and its listener go.
  void stop() {
    dropClient();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
  }

 private:
  int listener_ = -1;
  int client_ = -1;
  uint16_t port_ = 0;
  bool reset_ = false;
};
