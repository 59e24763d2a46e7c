#include "platform/net_port.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
// clang-format on
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform {

namespace {

constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                        kSe = 240;
constexpr unsigned char kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;
// RFC 2217 commands from client to server; the server answers with the same number + 100.
constexpr unsigned char kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                        kSetControl = 5;

// Small, so that a peer that stops reading fills it within seconds at the encoder's pace, and
// the write time-out then reports the port lost.
constexpr int kSendBuffer = 16 * 1024;
// A dead peer shows within about ten seconds while the line is idle.
constexpr int kKeepIdleS = 5, kKeepIntervalS = 2, kKeepCount = 3;
// Data the peer does not acknowledge for this long counts as a lost connection.
constexpr unsigned kUserTimeoutMs = 10000;
// What one drain takes at most, so that a flooding peer cannot hold the window's thread.
constexpr int kDrainChunks = 64;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

#ifdef _WIN32
constexpr int kWouldBlock = WSAEWOULDBLOCK;
constexpr int kInProgress = WSAEWOULDBLOCK;
constexpr int kInterrupted = WSAEINTR;
constexpr int kSendFlags = 0;
#else
constexpr int kWouldBlock = EWOULDBLOCK;
constexpr int kInProgress = EINPROGRESS;
constexpr int kInterrupted = EINTR;
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed peer is an error, not a signal
#else
constexpr int kSendFlags = 0;
#endif
#endif

bool WouldBlock(int error) {
#ifndef _WIN32
  if (error == EAGAIN) return true;
#endif
  return error == kWouldBlock;
}

// Waits at most `ms` until the socket can be written (or has something to read); true when it
// can. A failed connect counts as ready, so that its error can be fetched.
bool WaitSocket(SocketHandle socket, bool forWrite, int64_t ms) {
  if (ms < 0) ms = 0;
#ifdef _WIN32
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(static_cast<SOCKET>(socket), &ready);
  FD_SET(static_cast<SOCKET>(socket), &failed);
  timeval tv{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  return select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &tv) > 0;
#else
  pollfd p{static_cast<int>(socket), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
  const int64_t deadline = NowMs() + ms;
  int r = 0;
  do {
    r = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, deadline - NowMs())));
  } while (r < 0 && errno == EINTR);
  return r > 0;
#endif
}

long SendSome(SocketHandle socket, const char* data, size_t size) {
  return static_cast<long>(::send(static_cast<decltype(::socket(0, 0, 0))>(socket), data,
                                  static_cast<int>(std::min<size_t>(size, 1u << 30)), kSendFlags));
}

long ReceiveSome(SocketHandle socket, char* data, size_t size) {
  return static_cast<long>(
      ::recv(static_cast<decltype(::socket(0, 0, 0))>(socket), data, static_cast<int>(size), 0));
}

template <typename T>
void SetOption(SocketHandle socket, int level, int name, T value) {
  (void)setsockopt(static_cast<decltype(::socket(0, 0, 0))>(socket), level, name,
                   reinterpret_cast<const char*>(&value), sizeof value);
}

void Configure(SocketHandle socket) {
  // Each command line leaves at once instead of waiting for the next.
  SetOption(socket, IPPROTO_TCP, TCP_NODELAY, 1);
  SetOption(socket, SOL_SOCKET, SO_SNDBUF, kSendBuffer);
  SetOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1);
#ifdef _WIN32
  tcp_keepalive keep{1, kKeepIdleS * 1000u, kKeepIntervalS * 1000u};
  DWORD returned = 0;
  (void)WSAIoctl(static_cast<SOCKET>(socket), SIO_KEEPALIVE_VALS, &keep, sizeof keep, nullptr, 0,
                 &returned, nullptr, nullptr);
#else
#ifdef TCP_KEEPIDLE
  SetOption(socket, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleS);
#endif
#ifdef TCP_KEEPINTVL
  SetOption(socket, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalS);
#endif
#ifdef TCP_KEEPCNT
  SetOption(socket, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
#endif
#ifdef TCP_USER_TIMEOUT
  SetOption(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, kUserTimeoutMs);
#endif
#endif
}

int PendingError(SocketHandle socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(static_cast<decltype(::socket(0, 0, 0))>(socket), SOL_SOCKET, SO_ERROR,
                 reinterpret_cast<char*>(&error), &length) != 0)
    return LastSocketError();
  return error;
}

std::string ErrorWords(int error) {
  std::string text = SocketErrorText(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

struct NetPort::Attempt {
  std::mutex lock;
  bool done = false;
  bool abandoned = false;
  SocketHandle socket = kNoSocket;
  std::string problem;
};

namespace {

// The worker: resolves the name and tries its addresses in turn until one connects or the
// deadline passes. It hands the socket over, or closes it when nobody waits any more.
void ConnectInBackground(const std::shared_ptr<NetPort::Attempt>& attempt, const Endpoint& endpoint,
                         int64_t deadline) {
  std::string problem;
  SocketHandle connected = kNoSocket;
  const std::vector<SocketAddress> addresses = ResolveEndpoint(endpoint, true, problem);
  for (const SocketAddress& address : addresses) {
    if (NowMs() >= deadline) {
      problem = "no answer in time";
      break;
    }
    int type = SOCK_STREAM;
#ifdef SOCK_CLOEXEC
    type |= SOCK_CLOEXEC;
#endif
    const auto raw = ::socket(address.family, type, IPPROTO_TCP);
    const auto socket = static_cast<SocketHandle>(raw);
    if (socket == kNoSocket || !SetNonBlocking(socket)) {
      problem = ErrorWords(LastSocketError());
      CloseSocket(socket);
      continue;
    }
    int error = 0;
    if (::connect(raw, reinterpret_cast<const sockaddr*>(address.bytes.data()),
                  static_cast<socklen_t>(address.length)) != 0) {
      error = LastSocketError();
      if (error == kInProgress || error == kInterrupted) {
        error = WaitSocket(socket, true, deadline - NowMs()) ? PendingError(socket) : -1;
      }
    }
    if (error == 0) {
      connected = socket;
      break;
    }
    problem = error < 0 ? "no answer in time" : ErrorWords(error);
    CloseSocket(socket);
  }
  std::lock_guard<std::mutex> hold(attempt->lock);
  attempt->done = true;
  attempt->problem = problem;
  if (attempt->abandoned) {
    CloseSocket(connected);
  } else {
    attempt->socket = connected;
  }
}

}  // namespace

NetPort::~NetPort() { close(); }

void NetPort::open(const Endpoint& endpoint, bool rfc2217, const SerialMode& mode,
                   uint32_t timeoutMs) {
  close();
  problem_.clear();
  rfc2217_ = rfc2217;
  mode_ = mode;
  lost_ = false;
  deadline_ = NowMs() + timeoutMs;
  if (!NetStartup()) {
    fail("the socket layer did not start");
    return;
  }
  state_ = State::Connecting;
  attempt_ = std::make_shared<Attempt>();
  std::thread(ConnectInBackground, attempt_, endpoint, deadline_).detach();
}

NetPort::State NetPort::poll() {
  if (state_ != State::Connecting) return state_;
  if (socket_ == kNoSocket) {
    {
      std::lock_guard<std::mutex> hold(attempt_->lock);
      if (attempt_->done) {
        socket_ = std::exchange(attempt_->socket, kNoSocket);
        problem_ = attempt_->problem;
      }
    }
    if (socket_ == kNoSocket) {
      if (!problem_.empty()) {
        attempt_.reset();
        fail(problem_);
      } else if (NowMs() >= deadline_) {
        fail("no answer in time");
      }
      return state_;
    }
    attempt_.reset();
    problem_.clear();
    if (!startSession()) return state_;
  }
  if (rfc2217_) (void)negotiate();
  return state_;
}

bool NetPort::startSession() {
  Configure(socket_);
  if (!rfc2217_) {
    state_ = State::Open;
    return true;
  }
  ours_.fill(Option::Off);
  theirs_.fill(Option::Off);
  comPortRefused_ = false;
  readerState_ = 0;
  sub_.clear();
  serverSettings_.clear();
  serverBaud_ = serverData_ = serverParity_ = serverStop_ = 0;
  // Binary both ways, so that every byte value passes as it is; then the COM-port option.
  ours_[kBinary] = theirs_[kBinary] = ours_[kComPort] = Option::Asked;
  const unsigned char offer[] = {kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kComPort};
  if (!sendRaw(std::string_view(reinterpret_cast<const char*>(offer), sizeof offer), 1000)) {
    fail("the device server closed the connection");
    return false;
  }
  return true;
}

bool NetPort::negotiate() {
  if (!drain()) {
    fail("the device server closed the connection");
    return false;
  }
  if (ours_[kComPort] == Option::On) {
    sendSettings();
    if (lost_) {
      fail("the device server closed the connection");
      return false;
    }
    state_ = State::Open;
    return true;
  }
  if (comPortRefused_) {
    fail("the device server refused the COM-port option (RFC 2217)");
  } else if (NowMs() >= deadline_) {
    fail("the device server did not take up the COM-port option (RFC 2217) in time");
  }
  return false;
}

void NetPort::sendSettings() {
  std::string out;
  auto command = [&](unsigned char code, std::initializer_list<unsigned char> value) {
    out += {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
            static_cast<char>(code)};
    for (unsigned char c : value) {
      out += static_cast<char>(c);
      if (c == kIac) out += static_cast<char>(kIac);
    }
    out += {static_cast<char>(kIac), static_cast<char>(kSe)};
  };
  const auto baud = static_cast<uint32_t>(mode_.baud);
  command(kSetBaud, {static_cast<unsigned char>(baud >> 24), static_cast<unsigned char>(baud >> 16),
                     static_cast<unsigned char>(baud >> 8), static_cast<unsigned char>(baud)});
  command(kSetDataSize, {static_cast<unsigned char>(mode_.dataBits)});
  static constexpr std::string_view kParities = "NOEMS";
  const size_t parity = kParities.find(mode_.parity);
  command(kSetParity,
          {static_cast<unsigned char>(parity == std::string_view::npos ? 1 : parity + 1)});
  command(kSetStopSize, {static_cast<unsigned char>(mode_.stopBits == 20   ? 2
                                                    : mode_.stopBits == 15 ? 3
                                                                           : 1)});
  // Outbound flow control: 1 none, 2 XON/XOFF, 3 hardware.
  const bool hardware = mode_.outCts || mode_.rts == 'h';
  command(kSetControl, {static_cast<unsigned char>(mode_.xonXoff ? 2 : hardware ? 3 : 1)});
  // DTR and RTS as a serial port's open leaves them: 8/9 DTR on/off, 11/12 RTS on/off.
  if (mode_.dtr != 'h')
    command(kSetControl, {static_cast<unsigned char>(mode_.dtr == '0' ? 9 : 8)});
  if (mode_.rts == '0' || mode_.rts == '1')
    command(kSetControl, {static_cast<unsigned char>(mode_.rts == '0' ? 12 : 11)});
  if (!sendRaw(out, 1000)) lost_ = true;
}

void NetPort::close() {
  if (attempt_) {
    std::lock_guard<std::mutex> hold(attempt_->lock);
    attempt_->abandoned = true;
    CloseSocket(std::exchange(attempt_->socket, kNoSocket));
  }
  attempt_.reset();
  closeSocket();
  state_ = State::Closed;
  lost_ = false;
}

void NetPort::closeSocket() {
  if (socket_ == kNoSocket) return;
  // Unread bytes would make the close a reset, which may throw away the last line still on its
  // way (the closing one).
  if (!lost_) (void)drain();
#ifdef _WIN32
  ::shutdown(static_cast<SOCKET>(socket_), SD_SEND);
#else
  ::shutdown(static_cast<int>(socket_), SHUT_WR);
#endif
  CloseSocket(socket_);
  socket_ = kNoSocket;
}

void NetPort::fail(const std::string& problem) {
  if (attempt_) {
    std::lock_guard<std::mutex> hold(attempt_->lock);
    attempt_->abandoned = true;
    CloseSocket(std::exchange(attempt_->socket, kNoSocket));
  }
  attempt_.reset();
  lost_ = true;
  closeSocket();
  state_ = State::Failed;
  problem_ = problem;
}

bool NetPort::usable() {
  if (state_ != State::Open || lost_) return false;
  if (!drain()) lost_ = true;
  return !lost_;
}

bool NetPort::drain() {
  if (socket_ == kNoSocket) return false;
  char buffer[4096];
  for (int chunk = 0; chunk < kDrainChunks; ++chunk) {
    const long n = ReceiveSome(socket_, buffer, sizeof buffer);
    if (n > 0) {
      if (rfc2217_) telnetInput(std::string_view(buffer, static_cast<size_t>(n)));
      continue;
    }
    if (n == 0) return false;
    const int error = LastSocketError();
    if (error == kInterrupted) continue;
    if (WouldBlock(error)) break;
    return false;
  }
  if (!replies_.empty()) {
    const std::string replies = std::exchange(replies_, {});
    if (!sendRaw(replies, 1000)) return false;
  }
  return true;
}

void NetPort::telnetInput(std::string_view bytes) {
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (readerState_) {
      case 0:  // data, and nobody reads it
        if (c == kIac) readerState_ = 1;
        break;
      case 1:
        if (c >= kWill && c <= kDont) {
          verb_ = c;
          readerState_ = 2;
        } else if (c == kSb) {
          sub_.clear();
          readerState_ = 3;
        } else {
          readerState_ = 0;  // a doubled 255 (data) or a command without option
        }
        break;
      case 2:
        telnetCommand(verb_, c);
        readerState_ = 0;
        break;
      case 3:
        if (c == kIac) {
          readerState_ = 4;
        } else if (sub_.size() < 64) {
          sub_ += ch;
        }
        break;
      default:
        if (c == kIac) {
          if (sub_.size() < 64) sub_ += ch;
          readerState_ = 3;
        } else {
          if (c == kSe) subnegotiation(sub_);
          readerState_ = 0;
        }
        break;
    }
  }
}

// Agrees to what this side needs and refuses the rest, answering a request only when it
// changes an option's state, so that two sides can never loop on each other's answers.
void NetPort::telnetCommand(unsigned char verb, unsigned char option) {
  auto reply = [&](unsigned char answer) {
    replies_ += {static_cast<char>(kIac), static_cast<char>(answer), static_cast<char>(option)};
  };
  const bool ourSide = verb == kDo || verb == kDont;
  Option& state = ourSide ? ours_[option] : theirs_[option];
  const bool wanted = ourSide ? (option == kBinary || option == kComPort)
                              : (option == kBinary || option == kSuppressGoAhead);
  const bool enable = verb == kDo || verb == kWill;
  if (enable) {
    if (state == Option::On) return;
    if (!wanted) {
      reply(ourSide ? kWont : kDont);
      return;
    }
    if (state == Option::Off) reply(ourSide ? kWill : kDo);
    state = Option::On;
    return;
  }
  if (state == Option::Off) return;
  if (state == Option::On) reply(ourSide ? kWont : kDont);
  if (ourSide && option == kComPort) comPortRefused_ = true;
  state = Option::Off;
}

void NetPort::subnegotiation(std::string_view payload) {
  if (payload.size() < 3 || static_cast<unsigned char>(payload[0]) != kComPort) return;
  const auto code = static_cast<unsigned char>(payload[1]);
  const auto value = static_cast<unsigned char>(payload[2]);
  switch (code) {
    case 100 + kSetBaud:
      if (payload.size() >= 6) {
        serverBaud_ = static_cast<int32_t>(
            (uint32_t{value} << 24) | (uint32_t{static_cast<unsigned char>(payload[3])} << 16) |
            (uint32_t{static_cast<unsigned char>(payload[4])} << 8) |
            static_cast<unsigned char>(payload[5]));
      }
      break;
    case 100 + kSetDataSize:
      serverData_ = value;
      break;
    case 100 + kSetParity:
      serverParity_ = value;
      break;
    case 100 + kSetStopSize:
      serverStop_ = value;
      break;
    default:
      return;  // line and modem state notices
  }
  if (serverBaud_ && serverData_ && serverParity_ && serverStop_) {
    static constexpr const char* kParity[] = {"?", "N", "O", "E", "M", "S"};
    static constexpr const char* kStop[] = {"?", "1", "2", "1.5"};
    serverSettings_ = std::to_string(serverBaud_) + " " + std::to_string(serverData_) +
                      kParity[serverParity_ <= 5 ? serverParity_ : 0] +
                      kStop[serverStop_ <= 3 ? serverStop_ : 0];
  }
}

size_t NetPort::sendBefore(std::string_view bytes, int64_t deadline) {
  size_t done = 0;
  while (done < bytes.size()) {
    const long n = SendSome(socket_, bytes.data() + done, bytes.size() - done);
    if (n >= 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    const int error = LastSocketError();
    if (error == kInterrupted) continue;
    if (!WouldBlock(error)) {
      lost_ = true;
      break;
    }
    if (NowMs() >= deadline || !WaitSocket(socket_, true, deadline - NowMs())) break;
  }
  return done;
}

bool NetPort::sendRaw(std::string_view bytes, uint64_t budgetMs) {
  return sendBefore(bytes, NowMs() + static_cast<int64_t>(budgetMs)) == bytes.size();
}

long NetPort::write(std::string_view bytes) {
  if (state_ != State::Open || lost_) return -1;
  // A peer that has closed would take one more write without complaint.
  if (!drain()) {
    lost_ = true;
    return -1;
  }
  uint64_t budget = uint64_t{timeouts_.writeMultiplier} * bytes.size() + timeouts_.writeConstant;
  if (timeouts_.writeMultiplier == 0 && timeouts_.writeConstant == 0)
    budget = 10 * uint64_t{bytes.size()} + 1000;
  const int64_t deadline = NowMs() + static_cast<int64_t>(budget);

  // Telnet: 255 is doubled, and without binary mode a lone CR is followed by NUL. `ends[i]` is
  // where byte i ends on the wire, to count what left of the caller's bytes.
  std::string wire;
  std::vector<size_t> ends;
  std::string_view out = bytes;
  if (rfc2217_) {
    wire.reserve(bytes.size() + 8);
    ends.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      wire += bytes[i];
      if (c == kIac) wire += bytes[i];
      if (c == '\r' && ours_[kBinary] != Option::On &&
          (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
        wire += '\0';
      ends.push_back(wire.size());
    }
    out = wire;
  }

  const size_t done = sendBefore(out, deadline);
  const bool failed = lost_;
  size_t left = done;
  if (rfc2217_)
    left = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), done) - ends.begin());
  if (failed && left == 0) return -1;
  return static_cast<long>(left);
}

}  // namespace platform
