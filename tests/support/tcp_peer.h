// The far ends of the program's sockets in the tests, on the loopback address: the automation
// sending now-playing titles (POSIX and Wine), and a device server taking a network COM port's
// connection (POSIX hosts only).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/net.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#endif

namespace nettest {

inline sockaddr_in Loopback(uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return to;
}

class Peer {
 public:
  explicit Peer(bool stream) {
    (void)platform::NetStartup();
#ifdef SOCK_CLOEXEC
    const int type = (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC;
#else
    const int type = stream ? SOCK_STREAM : SOCK_DGRAM;
#endif
    socket_ = static_cast<platform::SocketHandle>(::socket(AF_INET, type, 0));
  }
  explicit Peer(platform::SocketHandle accepted) : socket_(accepted) {}
  ~Peer() { platform::CloseSocket(socket_); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  template <class T>
  bool setOption(int level, int name, T value) {
    return ::setsockopt(raw(), level, name, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
  }
  bool bind(uint16_t port) {
    const sockaddr_in at = Loopback(port);
    return ::bind(raw(), reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0;
  }
  bool listen() { return ::listen(raw(), 4) == 0; }
  // The port the system gave to bind(0).
  uint16_t port() const {
    sockaddr_in at{};
    socklen_t length = sizeof at;
    ::getsockname(raw(), reinterpret_cast<sockaddr*>(&at), &length);
    return ntohs(at.sin_port);
  }
  bool connect(uint16_t port) {
    const sockaddr_in to = Loopback(port);
    return ::connect(raw(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  }
  bool sendTo(uint16_t port, std::string_view bytes) {
    const sockaddr_in to = Loopback(port);
    return ::sendto(raw(), bytes.data(), static_cast<int>(bytes.size()), 0,
                    reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<int>(bytes.size());
  }
  bool write(std::string_view bytes) {
#ifdef MSG_NOSIGNAL
    const int flags = MSG_NOSIGNAL;
#else
    const int flags = 0;
#endif
    return ::send(raw(), bytes.data(), static_cast<int>(bytes.size()), flags) ==
           static_cast<int>(bytes.size());
  }
  // Whether the far end closed the connection: a read that finds its end, within `waitMs`.
  bool closedByPeer(int waitMs = 5000) {
#ifdef _WIN32
    setOption(SOL_SOCKET, SO_RCVTIMEO, DWORD(waitMs));
#else
    setOption(SOL_SOCKET, SO_RCVTIMEO, timeval{waitMs / 1000, (waitMs % 1000) * 1000});
#endif
    char byte;
    return ::recv(raw(), &byte, 1, 0) == 0;
  }

#ifdef _WIN32
  SOCKET raw() const { return static_cast<SOCKET>(socket_); }
#else
  int raw() const { return static_cast<int>(socket_); }
  // Whether something can be read, or the connection has ended, within `waitMs`.
  bool readable(int waitMs) const {
    pollfd p{raw(), POLLIN, 0};
    return poll(&p, 1, waitMs) > 0;
  }
#endif

 private:
  platform::SocketHandle socket_ = platform::kNoSocket;
};

// A loopback port nobody listens on at the moment.
inline uint16_t FreePort(bool stream) {
  Peer probe(stream);
  probe.bind(0);
  return probe.port();
}

// Calls `poll` until it gives something or a generous time has passed: TCP connections and bytes
// reach the listener after the sender's call returns.
template <class Poll>
auto PollUntilSomething(Poll poll) -> decltype(poll()) {
  for (int i = 0; i < 1000; ++i) {
    if (auto got = poll()) return got;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return poll();
}

}  // namespace nettest

#ifndef _WIN32
// A device server: listens on 127.0.0.1:`port` (a free port when 0) and takes one connection at
// a time. A small receive buffer makes a server that stops reading show within a few kilobytes.
class TcpPeer {
 public:
  explicit TcpPeer(uint16_t port = 0, int receiveBuffer = 0) { listen(port, receiveBuffer); }

  bool listen(uint16_t port, int receiveBuffer = 0) {
    stop();
    listener_ = std::make_unique<nettest::Peer>(true);
    listener_->setOption(SOL_SOCKET, SO_REUSEADDR, 1);
    if (receiveBuffer > 0) listener_->setOption(SOL_SOCKET, SO_RCVBUF, receiveBuffer);
    if (!listener_->bind(port) || !listener_->listen()) {
      stop();
      return false;
    }
    port_ = listener_->port();
    return true;
  }
  uint16_t port() const { return port_; }
  std::string url(const char* scheme = "tcp") const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
  }

  // Waits for the next connection; the one before is dropped.
  bool accept(int waitMs = 3000) {
    if (!listener_ || !listener_->readable(waitMs)) return false;
    client_.reset();
    const int client = ::accept4(listener_->raw(), nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) client_ = std::make_unique<nettest::Peer>(platform::SocketHandle{client});
    return client_ != nullptr;
  }
  // Whether a read found the connection reset rather than ended.
  bool wasReset() const { return reset_; }

  // What arrives until nothing has come for `waitMs`, or until `expected` bytes are in.
  std::string read(int waitMs = 200, size_t expected = static_cast<size_t>(-1)) {
    std::string out;
    char buffer[4096];
    while (client_ && out.size() < expected && client_->readable(waitMs)) {
      const ssize_t n = ::recv(client_->raw(), buffer, sizeof buffer, 0);
      if (n < 0 && errno == ECONNRESET) reset_ = true;
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  bool write(const std::string& bytes) { return client_ && client_->write(bytes); }
  // The server process dies: its connection and its listener go.
  void stop() {
    client_.reset();
    listener_.reset();
  }

 private:
  std::unique_ptr<nettest::Peer> listener_, client_;
  uint16_t port_ = 0;
  bool reset_ = false;
};
#endif
