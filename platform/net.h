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

// A non-blocking socket listening on "udp://ADDR:PORT" or "tcp://ADDR:PORT" exactly as written,
// for the program's listeners: ADDR is a numeric address (or "localhost", which is 127.0.0.1); a
// host name is not resolved on the window's thread. False with the reason in an operator's words
// ("port 4001 in use", "... is no address of this computer") when the text is no such address or
// the port cannot be had; nothing is open then.
struct ListeningSocket {
  SocketHandle socket = kNoSocket;
  bool stream = false;
  bool loopback = true;  // only this computer can reach it
  uint16_t port = 0;
};
[[nodiscard]] bool OpenListeningSocket(std::string_view text, ListeningSocket& out,
                                       std::string& problem);

// The calls and error numbers in which Winsock and POSIX sockets differ.
namespace net {

extern const int kInterrupted;     // a call cut short by a signal; try again
extern const int kInProgress;      // a non-blocking connect under way
extern const int kAddressInUse;    // another socket listens on the port
extern const int kAddressNotHere;  // the address is none of this computer's
extern const int kNotAllowed;      // the port needs administrator rights

// A socket that child processes do not inherit; kNoSocket on failure.
[[nodiscard]] SocketHandle NewSocket(int family, bool stream);
// The next waiting connection on a listening socket, non-blocking and not inherited; kNoSocket
// when none waits.
[[nodiscard]] SocketHandle Accept(SocketHandle listener);
bool SetOptionBytes(SocketHandle socket, int level, int name, const void* value, int size);
template <typename T>
bool SetOption(SocketHandle socket, int level, int name, const T& value) {
  return SetOptionBytes(socket, level, name, &value, static_cast<int>(sizeof value));
}
[[nodiscard]] bool Bind(SocketHandle socket, const SocketAddress& address);
[[nodiscard]] bool Listen(SocketHandle socket, int backlog);
// Starts connecting: 0 when connected at once, otherwise the socket error (kInProgress for a
// non-blocking socket that goes on connecting).
[[nodiscard]] int Connect(SocketHandle socket, const SocketAddress& address);
// The error a connect that was under way ended with; 0 when it connected.
[[nodiscard]] int PendingError(SocketHandle socket);
// Waits at most `ms` until the socket can be written (or has something to read); true when it
// can. A failed connect counts as ready, so that its error can be fetched.
[[nodiscard]] bool Wait(SocketHandle socket, bool forWrite, int64_t ms);
// The bytes received, 0 at the end of a stream, -1 on an error (see LastSocketError).
[[nodiscard]] long Receive(SocketHandle socket, char* data, size_t size);
// The bytes sent, -1 on an error. A peer that has closed is an error, never a signal.
[[nodiscard]] long Send(SocketHandle socket, const char* data, size_t size);
// Tells the peer nothing more follows, without throwing away what is still on its way.
void ShutdownSend(SocketHandle socket);
// Ends both directions: a call waiting on the socket in another thread returns at once.
void ShutdownBoth(SocketHandle socket);
// Whether the error only says that a non-blocking call has nothing to do now.
[[nodiscard]] bool WouldBlock(int error);

}  // namespace net

}  // namespace platform
