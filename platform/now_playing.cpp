#include "platform/now_playing.h"

#include <algorithm>
#include <cctype>

#include "platform/event_log.h"
#include "platform/files.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#endif

namespace platform {

namespace {

#ifdef _WIN32
using RawSocket = SOCKET;
using IoSize = int;
constexpr int kWouldBlock = WSAEWOULDBLOCK;
constexpr int kInterrupted = WSAEINTR;
constexpr int kAddressInUse = WSAEADDRINUSE;
constexpr int kAddressNotHere = WSAEADDRNOTAVAIL;
constexpr int kNotAllowed = WSAEACCES;
#else
using RawSocket = int;
using IoSize = size_t;
constexpr int kWouldBlock = EWOULDBLOCK;
constexpr int kInterrupted = EINTR;
constexpr int kAddressInUse = EADDRINUSE;
constexpr int kAddressNotHere = EADDRNOTAVAIL;
constexpr int kNotAllowed = EACCES;
#endif

RawSocket Raw(SocketHandle socket) { return static_cast<RawSocket>(socket); }

bool WouldBlock(int error) { return error == kWouldBlock || error == EAGAIN; }

// Received bytes into `buffer`: the count, 0 at the end of a stream, -1 on an error.
long Receive(SocketHandle socket, std::vector<char>& buffer) {
  return static_cast<long>(
      ::recv(Raw(socket), buffer.data(), static_cast<IoSize>(buffer.size()), 0));
}

SocketHandle NewSocket(int family, bool stream) {
#ifdef SOCK_CLOEXEC
  const int type = (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC;
#else
  const int type = stream ? SOCK_STREAM : SOCK_DGRAM;
#endif
  const auto s = ::socket(family, type, 0);
#ifdef _WIN32
  return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
#else
  return s < 0 ? kNoSocket : static_cast<SocketHandle>(s);
#endif
}

SocketHandle Accept(SocketHandle listener) {
#if defined(SOCK_NONBLOCK) && defined(SOCK_CLOEXEC)
  const int s = ::accept4(Raw(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  return s < 0 ? kNoSocket : static_cast<SocketHandle>(s);
#else
  const auto s = ::accept(Raw(listener), nullptr, nullptr);
#ifdef _WIN32
  if (s == INVALID_SOCKET) return kNoSocket;
#else
  if (s < 0) return kNoSocket;
#endif
  const auto handle = static_cast<SocketHandle>(s);
  if (!SetNonBlocking(handle)) {
    CloseSocket(handle);
    return kNoSocket;
  }
  return handle;
#endif
}

bool SetOption(SocketHandle socket, int level, int name, int value) {
  return ::setsockopt(Raw(socket), level, name, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

std::string BindProblem(int error, const Endpoint& endpoint) {
  const std::string port = std::to_string(endpoint.port);
  if (error == kAddressInUse) return "port " + port + " in use";
  if (error == kAddressNotHere) return endpoint.host + " is no address of this computer";
  if (error == kNotAllowed) return "port " + port + " needs administrator rights";
  return "cannot listen on port " + port + ": " + SocketErrorText(error);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string DecodeTitle(std::string_view bytes) { return DecodeText(std::string(bytes)); }

void TitleLines::feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t lf = bytes.find('\n');
    const std::string_view part = bytes.substr(0, lf);
    if (!skipping_) {
      // One byte beyond the limit is the CR of a CR LF ending.
      if (partial_.size() + part.size() > kTitleBytesLimit + 1) {
        skipping_ = true;
        ++oversized_;
        partial_.clear();
      } else {
        // Room for the longest line at once, so a connection never holds more.
        if (partial_.size() + part.size() > partial_.capacity())
          partial_.reserve(kTitleBytesLimit + 1);
        partial_.append(part);
      }
    }
    if (lf == std::string_view::npos) return;
    endLine();
    bytes.remove_prefix(lf + 1);
  }
}

void TitleLines::endLine() {
  if (skipping_) {
    skipping_ = false;
    return;
  }
  if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
  if (partial_.size() > kTitleBytesLimit) {
    ++oversized_;
    partial_.clear();
    return;
  }
  newest_ = partial_;
  partial_.clear();
  ++lines_;
}

void TitleLines::finish() {
  if (!partial_.empty() || skipping_) endLine();
}

std::optional<std::string> TitleLines::take() {
  std::optional<std::string> out = std::move(newest_);
  newest_.reset();
  return out;
}

size_t TitleLines::heldBytes() const {
  return partial_.capacity() + (newest_ ? newest_->capacity() : 0);
}

struct NowPlayingListener::Client {
  SocketHandle socket = kNoSocket;
  TitleLines lines;
  uint64_t countedLines = 0;
  uint64_t countedOversized = 0;
};

NowPlayingListener::NowPlayingListener() = default;

NowPlayingListener::~NowPlayingListener() { close(); }

bool NowPlayingListener::open(std::string_view text, std::string& problem) {
  close();
  Endpoint endpoint;
  if (!ParseEndpoint(text, endpoint, problem)) return false;
  if (endpoint.scheme != "udp" && endpoint.scheme != "tcp") {
    problem = "only udp:// or tcp:// addresses give titles";
    return false;
  }
  if (Lower(endpoint.host) == "localhost") endpoint.host = "127.0.0.1";
  // A name would wait for the resolver on the window's thread, and could name another
  // computer's address than the operator thinks.
  if (!IsNumericHost(endpoint.host)) {
    problem = "listen on a numeric address such as 127.0.0.1, not " + endpoint.host;
    return false;
  }
  const bool stream = endpoint.scheme == "tcp";
  const std::vector<SocketAddress> addresses = ResolveEndpoint(endpoint, stream, problem);
  if (addresses.empty()) return false;
  const SocketAddress& address = addresses.front();
  const SocketHandle s = NewSocket(address.family, stream);
  if (s == kNoSocket) {
    problem = "no socket: " + SocketErrorText(LastSocketError());
    return false;
  }
  // [::] is IPv6 only, as written: IPv4 is listened on only when an IPv4 address is written.
  if (address.family == AF_INET6) SetOption(s, IPPROTO_IPV6, IPV6_V6ONLY, 1);
#ifdef _WIN32
  if (stream) SetOption(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
#else
  // A port given back a moment ago (connections still in TIME_WAIT) can be had again at once;
  // one another program listens on still cannot.
  if (stream) SetOption(s, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
  if (::bind(Raw(s), reinterpret_cast<const sockaddr*>(address.bytes.data()), address.length) !=
          0 ||
      (stream && ::listen(Raw(s), 16) != 0)) {
    problem = BindProblem(LastSocketError(), endpoint);
    CloseSocket(s);
    return false;
  }
  if (!SetNonBlocking(s)) {
    problem = "cannot listen without waiting: " + SocketErrorText(LastSocketError());
    CloseSocket(s);
    return false;
  }
  socket_ = s;
  stream_ = stream;
  address_ = std::string(text);
  buffer_.assign(kTitleBytesLimit + 1, '\0');
  counts_ = {};
  oversizeLogged_ = false;
  crowdLogged_ = false;
  return true;
}

void NowPlayingListener::close() {
  for (const std::unique_ptr<Client>& client : clients_) CloseSocket(client->socket);
  clients_.clear();
  CloseSocket(socket_);
  socket_ = kNoSocket;
  address_.clear();
  buffer_.clear();
  buffer_.shrink_to_fit();
}

bool NowPlayingListener::isOpen() const { return socket_ != kNoSocket; }

size_t NowPlayingListener::clients() const { return clients_.size(); }

size_t NowPlayingListener::heldBytes() const {
  size_t held = 0;
  for (const std::unique_ptr<Client>& client : clients_) held += client->lines.heldBytes();
  return held;
}

std::optional<std::string> NowPlayingListener::poll() {
  if (!isOpen()) return std::nullopt;
  std::optional<std::string> newest;
  if (stream_) {
    acceptClients();
    pollClients(newest);
  } else {
    pollDatagrams(newest);
  }
  if (!newest) return std::nullopt;
  return DecodeTitle(*newest);
}

// The buffer holds one byte more than the limit: a datagram that fills it was longer. (Winsock
// says so with an error instead.)
void NowPlayingListener::pollDatagrams(std::optional<std::string>& newest) {
  for (size_t i = 0; i < kDatagramsPerPoll; ++i) {
    const long n = Receive(socket_, buffer_);
    if (n < 0) {
      const int error = LastSocketError();
#ifdef _WIN32
      if (error == WSAEMSGSIZE) {
        noteOversized(1);
        continue;
      }
      // An ICMP answer to something sent earlier; nothing is sent from here, but it is harmless.
      if (error == WSAECONNRESET) continue;
#endif
      if (error == kInterrupted) continue;
      return;
    }
    if (static_cast<size_t>(n) > kTitleBytesLimit) {
      noteOversized(1);
      continue;
    }
    if (!newest) newest.emplace();
    newest->assign(buffer_.data(), static_cast<size_t>(n));
    ++counts_.titles;
  }
}

void NowPlayingListener::acceptClients() {
  for (size_t i = 0; i < kAcceptsPerPoll; ++i) {
    const SocketHandle s = Accept(socket_);
    if (s == kNoSocket) return;
    if (clients_.size() >= kMaxClients) {
      CloseSocket(clients_.front()->socket);
      clients_.erase(clients_.begin());
      ++counts_.closedClients;
      if (!crowdLogged_) {
        crowdLogged_ = true;
        LogEvent("now-playing source " + EscapeBytes(address_) + ": more than " +
                 std::to_string(kMaxClients) + " connections, the oldest closed (logged once)");
      }
    }
    auto client = std::make_unique<Client>();
    client->socket = s;
    clients_.push_back(std::move(client));
  }
}

void NowPlayingListener::pollClients(std::optional<std::string>& newest) {
  for (size_t c = 0; c < clients_.size();) {
    Client& client = *clients_[c];
    bool ended = false;
    for (size_t taken = 0; taken < kStreamBytesPerPoll;) {
      const long n = Receive(client.socket, buffer_);
      if (n > 0) {
        client.lines.feed(std::string_view(buffer_.data(), static_cast<size_t>(n)));
        taken += static_cast<size_t>(n);
        continue;
      }
      if (n == 0) {
        client.lines.finish();
        ended = true;
        break;
      }
      const int error = LastSocketError();
      if (error == kInterrupted) continue;
      // A reset connection's unfinished line may be cut anywhere: it is no title.
      ended = !WouldBlock(error);
      break;
    }
    if (std::optional<std::string> line = client.lines.take()) newest = std::move(line);
    counts_.titles += client.lines.lines() - client.countedLines;
    client.countedLines = client.lines.lines();
    noteOversized(client.lines.oversized() - client.countedOversized);
    client.countedOversized = client.lines.oversized();
    if (ended) {
      CloseSocket(client.socket);
      clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(c));
    } else {
      ++c;
    }
  }
}

void NowPlayingListener::noteOversized(uint64_t count) {
  if (count == 0) return;
  counts_.oversized += count;
  if (oversizeLogged_) return;
  oversizeLogged_ = true;
  LogEvent("now-playing source " + EscapeBytes(address_) + ": a title of more than " +
           std::to_string(kTitleBytesLimit) + " bytes dropped (logged once)");
}

}  // namespace platform
