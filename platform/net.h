// Sockets for the encoder's network ports and the now-playing listener: addresses written as
// "scheme://host:port", and the few calls in which POSIX sockets and Winsock differ.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// "tcp://studio-encoder:4001" as its parts; the scheme in lower case, a bracketed IPv6 host
// without its brackets.
struct Endpoint {
  std::string scheme;
  std::string host;
  uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};

// Whether the text is meant as an address rather than a path: it starts with a scheme followed
// by "://". A drive letter ("C:\...") is not a scheme.
[[nodiscard]] bool LooksLikeEndpoint(std::string_view text);

// Parses "scheme://host:port". On failure `problem` says what is wrong in words an operator
// understands ("no port", "port 70000 out of range", ...) and `out` is untouched.
[[nodiscard]] bool ParseEndpoint(std::string_view text, Endpoint& out, std::string& problem);

// "tcp://[::1]:4001" for the endpoint.
std::string EndpointText(const Endpoint& endpoint);

// A socket: a file descriptor on POSIX, a SOCKET on Windows.
using SocketHandle = intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// One address a socket can connect or bind to.
struct SocketAddress {
  std::array<unsigned char, 128> bytes{};  // a sockaddr_storage
  int length = 0;
  int family = 0;
};

// Starts the socket layer once per process (Winsock); true on POSIX.
[[nodiscard]] bool NetStartup();

// The addresses of host:port for stream (TCP) or datagram (UDP) sockets, numeric hosts without
// asking a resolver. May wait for the system's resolver, so never call it on the window's
// thread with a host name. Empty with `problem` set when nothing resolves.
[[nodiscard]] std::vector<SocketAddress> ResolveEndpoint(const Endpoint& endpoint, bool stream,
                                                         std::string& problem);

// Whether the host is a numeric address, so that ResolveEndpoint never waits.
[[nodiscard]] bool IsNumericHost(const std::string& host);

// Whether the address is a loopback address (127.0.0.0/8 or ::1).
[[nodiscard]] bool IsLoopback(const SocketAddress& address);

void CloseSocket(SocketHandle socket);
[[nodiscard]] bool SetNonBlocking(SocketHandle socket);

// The last socket error of this thread, as a number and in words.
int LastSocketError();
std::string SocketErrorText(int error);

}  // namespace platform
