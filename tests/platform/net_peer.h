// The automation's end of the now-playing listener in the tests: datagrams sent and TCP
// connections made on the loopback address, on POSIX and under Wine.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
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
#include <sys/socket.h>
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
    socket_ = static_cast<platform::SocketHandle>(
        ::socket(AF_INET, stream ? SOCK_STREAM : SOCK_DGRAM, 0));
  }
  ~Peer() { platform::CloseSocket(socket_); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

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
    return ::send(raw(), bytes.data(), static_cast<int>(bytes.size()), 0) ==
           static_cast<int>(bytes.size());
  }
  // Whether the far end closed the connection: a read that finds its end, within `waitMs`.
  bool closedByPeer(int waitMs = 5000) {
#ifdef _WIN32
    DWORD timeout = static_cast<DWORD>(waitMs);
#else
    timeval timeout{waitMs / 1000, (waitMs % 1000) * 1000};
#endif
    ::setsockopt(raw(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout);
    char byte;
    return ::recv(raw(), &byte, 1, 0) == 0;
  }

 private:
#ifdef _WIN32
  SOCKET raw() const { return static_cast<SOCKET>(socket_); }
#else
  int raw() const { return static_cast<int>(socket_); }
#endif
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
