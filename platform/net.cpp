#include "platform/net.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform {

namespace {

// Longer than any DNS name (253) and any textual IPv6 address with a zone.
constexpr size_t kMaxHost = 253;

bool IsSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
}

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_' ||
         c == ':' || c == '%';
}

}  // namespace

bool LooksLikeEndpoint(std::string_view text) {
  const size_t colon = text.find("://");
  // One letter before the colon is a Windows drive, never a scheme.
  if (colon == std::string_view::npos || colon < 2) return false;
  if (std::isalpha(static_cast<unsigned char>(text[0])) == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    if (!IsSchemeChar(text[i])) return false;
  }
  return true;
}

bool ParseEndpoint(std::string_view text, Endpoint& out, std::string& problem) {
  if (!LooksLikeEndpoint(text)) {
    problem = "not an address such as tcp://host:port";
    return false;
  }
  const size_t colon = text.find("://");
  Endpoint result;
  for (char c : text.substr(0, colon)) {
    result.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  std::string_view rest = text.substr(colon + 3);
  // A trailing slash is what a browser habit adds; anything after it is not ours to ignore.
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  std::string_view host;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) {
      problem = "no closing ] after the IPv6 address";
      return false;
    }
    host = rest.substr(1, close - 1);
    rest.remove_prefix(close + 1);
    if (rest.empty() || rest.front() != ':') {
      problem = "no port";
      return false;
    }
    port = rest.substr(1);
  } else {
    const size_t last = rest.rfind(':');
    if (last == std::string_view::npos) {
      problem = "no port";
      return false;
    }
    host = rest.substr(0, last);
    port = rest.substr(last + 1);
    if (host.find(':') != std::string_view::npos) {
      problem = "an IPv6 address needs brackets: [::1]:port";
      return false;
    }
  }
  if (host.empty()) {
    problem = "no host";
    return false;
  }
  if (host.size() > kMaxHost) {
    problem = "host name too long";
    return false;
  }
  for (char c : host) {
    if (!IsHostChar(c)) {
      problem = "host contains characters a host name cannot have";
      return false;
    }
  }
  if (port.empty()) {
    problem = "no port";
    return false;
  }
  uint32_t number = 0;
  for (char c : port) {
    if (c < '0' || c > '9' || number > 65535) {
      problem = "port is not a number";
      return false;
    }
    number = number * 10 + static_cast<uint32_t>(c - '0');
  }
  if (number < 1 || number > 65535) {
    problem = "port " + std::string(port) + " out of range 1-65535";
    return false;
  }
  result.host = std::string(host);
  result.port = static_cast<uint16_t>(number);
  out = std::move(result);
  return true;
}

std::string EndpointText(const Endpoint& endpoint) {
  const bool v6 = endpoint.host.find(':') != std::string::npos;
  return endpoint.scheme + "://" + (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" +
         std::to_string(endpoint.port);
}

bool NetStartup() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
#else
  return true;
#endif
}

namespace {

std::vector<SocketAddress> Resolve(const Endpoint& endpoint, bool stream, bool numericOnly,
                                   std::string& problem) {
  std::vector<SocketAddress> found;
  if (!NetStartup()) {
    problem = "the socket layer did not start";
    return found;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = stream ? SOCK_STREAM : SOCK_DGRAM;
  hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
  addrinfo* list = nullptr;
  const std::string service = std::to_string(endpoint.port);
  const int error = getaddrinfo(endpoint.host.c_str(), service.c_str(), &hints, &list);
  if (error != 0) {
#ifdef _WIN32
    problem = "name not found: " + endpoint.host;
#else
    problem = "name not found: " + endpoint.host + " (" + gai_strerror(error) + ")";
#endif
    return found;
  }
  for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
    SocketAddress address;
    if (a->ai_addrlen > address.bytes.size()) continue;
    std::memcpy(address.bytes.data(), a->ai_addr, a->ai_addrlen);
    address.length = static_cast<int>(a->ai_addrlen);
    address.family = a->ai_family;
    found.push_back(address);
  }
  freeaddrinfo(list);
  if (found.empty()) problem = "name not found: " + endpoint.host;
  return found;
}

}  // namespace

std::vector<SocketAddress> ResolveEndpoint(const Endpoint& endpoint, bool stream,
                                           std::string& problem) {
  return Resolve(endpoint, stream, false, problem);
}

bool IsNumericHost(const std::string& host) {
  std::string ignored;
  return !Resolve(Endpoint{"", host, 1}, true, true, ignored).empty();
}

bool IsLoopback(const SocketAddress& address) {
  if (address.family == AF_INET) {
    sockaddr_in v4{};
    std::memcpy(&v4, address.bytes.data(), sizeof v4);
    return (ntohl(v4.sin_addr.s_addr) >> 24) == 127;
  }
  if (address.family == AF_INET6) {
    sockaddr_in6 v6{};
    std::memcpy(&v6, address.bytes.data(), sizeof v6);
    static const unsigned char kLoopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::memcmp(&v6.sin6_addr, kLoopback, sizeof kLoopback) == 0;
  }
  return false;
}

void CloseSocket(SocketHandle socket) {
  if (socket == kNoSocket) return;
#ifdef _WIN32
  closesocket(static_cast<SOCKET>(socket));
#else
  ::close(static_cast<int>(socket));
#endif
}

bool SetNonBlocking(SocketHandle socket) {
#ifdef _WIN32
  u_long on = 1;
  return ioctlsocket(static_cast<SOCKET>(socket), FIONBIO, &on) == 0;
#else
  const int fd = static_cast<int>(socket);
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
#endif
}

int LastSocketError() {
#ifdef _WIN32
  return WSAGetLastError();
#else
  return errno;
#endif
}

std::string SocketErrorText(int error) {
#ifdef _WIN32
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
  std::string out(text, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) {
    out.pop_back();
  }
  return out.empty() ? "socket error " + std::to_string(error) : out;
#else
  return std::strerror(error);
#endif
}

namespace net {

#ifdef _WIN32
using RawSocket = SOCKET;
using IoSize = int;
const int kInterrupted = WSAEINTR;
const int kInProgress = WSAEWOULDBLOCK;
const int kAddressInUse = WSAEADDRINUSE;
const int kAddressNotHere = WSAEADDRNOTAVAIL;
const int kNotAllowed = WSAEACCES;
constexpr int kSendFlags = 0;
#else
using RawSocket = int;
using IoSize = size_t;
const int kInterrupted = EINTR;
const int kInProgress = EINPROGRESS;
const int kAddressInUse = EADDRINUSE;
const int kAddressNotHere = EADDRNOTAVAIL;
const int kNotAllowed = EACCES;
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif
#endif

namespace {

RawSocket Raw(SocketHandle socket) { return static_cast<RawSocket>(socket); }

SocketHandle Handle(RawSocket s) {
#ifdef _WIN32
  return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
#else
  return s < 0 ? kNoSocket : static_cast<SocketHandle>(s);
#endif
}

#ifndef _WIN32
int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
#endif

}  // namespace

SocketHandle NewSocket(int family, bool stream) {
  int type = stream ? SOCK_STREAM : SOCK_DGRAM;
#ifdef SOCK_CLOEXEC
  type |= SOCK_CLOEXEC;
#endif
  return Handle(::socket(family, type, 0));
}

SocketHandle Accept(SocketHandle listener) {
#if defined(SOCK_NONBLOCK) && defined(SOCK_CLOEXEC)
  return Handle(::accept4(Raw(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
#else
  const SocketHandle handle = Handle(::accept(Raw(listener), nullptr, nullptr));
  if (handle != kNoSocket && !SetNonBlocking(handle)) {
    CloseSocket(handle);
    return kNoSocket;
  }
  return handle;
#endif
}

bool SetOptionBytes(SocketHandle socket, int level, int name, const void* value, int size) {
  return ::setsockopt(Raw(socket), level, name, static_cast<const char*>(value),
                      static_cast<socklen_t>(size)) == 0;
}

bool Bind(SocketHandle socket, const SocketAddress& address) {
  return ::bind(Raw(socket), reinterpret_cast<const sockaddr*>(address.bytes.data()),
                static_cast<socklen_t>(address.length)) == 0;
}

bool Listen(SocketHandle socket, int backlog) { return ::listen(Raw(socket), backlog) == 0; }

int Connect(SocketHandle socket, const SocketAddress& address) {
  if (::connect(Raw(socket), reinterpret_cast<const sockaddr*>(address.bytes.data()),
                static_cast<socklen_t>(address.length)) == 0)
    return 0;
  return LastSocketError();
}

int PendingError(SocketHandle socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(Raw(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) !=
      0)
    return LastSocketError();
  return error;
}

bool Wait(SocketHandle socket, bool forWrite, int64_t ms) {
  if (ms < 0) ms = 0;
#ifdef _WIN32
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(Raw(socket), &ready);
  FD_SET(Raw(socket), &failed);
  timeval tv{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  return ::select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &tv) > 0;
#else
  pollfd p{Raw(socket), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
  const int64_t deadline = NowMs() + ms;
  int r = 0;
  do {
    r = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, deadline - NowMs())));
  } while (r < 0 && errno == EINTR);
  return r > 0;
#endif
}

long Receive(SocketHandle socket, char* data, size_t size) {
  return static_cast<long>(
      ::recv(Raw(socket), data, static_cast<IoSize>(std::min<size_t>(size, 1u << 30)), 0));
}

long Send(SocketHandle socket, const char* data, size_t size) {
  return static_cast<long>(
      ::send(Raw(socket), data, static_cast<IoSize>(std::min<size_t>(size, 1u << 30)), kSendFlags));
}

void ShutdownSend(SocketHandle socket) {
#ifdef _WIN32
  ::shutdown(Raw(socket), SD_SEND);
#else
  ::shutdown(Raw(socket), SHUT_WR);
#endif
}

void ShutdownBoth(SocketHandle socket) {
#ifdef _WIN32
  ::shutdown(Raw(socket), SD_BOTH);
#else
  ::shutdown(Raw(socket), SHUT_RDWR);
#endif
}

bool WouldBlock(int error) {
#ifdef _WIN32
  return error == WSAEWOULDBLOCK;
#else
  // The two may be different numbers; either means the same.
  return error == EWOULDBLOCK || error == EAGAIN;
#endif
}

}  // namespace net

namespace {

std::string BindProblem(int error, const Endpoint& endpoint) {
  const std::string port = std::to_string(endpoint.port);
  if (error == net::kAddressInUse) return "port " + port + " in use";
  if (error == net::kAddressNotHere) return endpoint.host + " is no address of this computer";
  if (error == net::kNotAllowed) return "port " + port + " needs administrator rights";
  return "cannot listen on port " + port + ": " + SocketErrorText(error);
}

}  // namespace

bool OpenListeningSocket(std::string_view text, ListeningSocket& out, std::string& problem) {
  Endpoint endpoint;
  if (!ParseEndpoint(text, endpoint, problem)) return false;
  if (endpoint.scheme != "udp" && endpoint.scheme != "tcp") {
    problem = "only udp:// or tcp:// addresses";
    return false;
  }
  std::string host = endpoint.host;
  std::transform(host.begin(), host.end(), host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (host == "localhost") endpoint.host = "127.0.0.1";
  // A name would wait for the resolver on the window's thread, and could name another
  // computer's address than the operator thinks.
  if (!IsNumericHost(endpoint.host)) {
    problem = "not a numeric address: " + endpoint.host;
    return false;
  }
  const bool stream = endpoint.scheme == "tcp";
  const std::vector<SocketAddress> addresses = ResolveEndpoint(endpoint, stream, problem);
  if (addresses.empty()) return false;
  const SocketAddress& address = addresses.front();
  const SocketHandle s = net::NewSocket(address.family, stream);
  if (s == kNoSocket) {
    problem = "no socket: " + SocketErrorText(LastSocketError());
    return false;
  }
  // [::] is IPv6 only, as written: IPv4 is listened on only when an IPv4 address is written.
  if (address.family == AF_INET6) net::SetOption(s, IPPROTO_IPV6, IPV6_V6ONLY, 1);
#ifdef _WIN32
  if (stream) net::SetOption(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
#else
  // A port given back a moment ago (connections still in TIME_WAIT) can be had again at once;
  // one another program listens on still cannot.
  if (stream) net::SetOption(s, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
  if (!net::Bind(s, address) || (stream && !net::Listen(s, 16))) {
    problem = BindProblem(LastSocketError(), endpoint);
    CloseSocket(s);
    return false;
  }
  if (!SetNonBlocking(s)) {
    problem = "cannot listen without waiting: " + SocketErrorText(LastSocketError());
    CloseSocket(s);
    return false;
  }
  out.socket = s;
  out.stream = stream;
  out.loopback = IsLoopback(address);
  out.port = endpoint.port;
  return true;
}

}  // namespace platform
