#include "platform/net_port.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <mutex>
#include <system_error>
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
#include <sys/socket.h>
#endif

namespace platform {

namespace {

constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                        kSe = 240;
constexpr unsigned char kSuppressGoAhead = 3;
constexpr size_t kTheirs = 256;  // where the other side's options start in the refusal set
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
constexpr int kDrainChunks = 16;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

using net::SetOption;

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

std::string ErrorWords(int error) {
  std::string text = SocketErrorText(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

namespace {

std::vector<SocketAddress> LookUpName(const Endpoint& endpoint, std::string& problem) {
  return ResolveEndpoint(endpoint, true, problem);
}

}  // namespace

// ---- Telnet ----

std::string TelnetSession::start() {
  ours_.fill(Option::Off);
  theirs_.fill(Option::Off);
  refused_.reset();
  comPortRefused_ = false;
  reader_ = Reader::Data;
  sub_.clear();
  serverSettings_.clear();
  serverBaud_ = serverData_ = serverParity_ = serverStop_ = 0;
  ours_[kBinary] = theirs_[kBinary] = ours_[kComPort] = Option::Asked;
  const unsigned char offer[] = {kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kComPort};
  return {reinterpret_cast<const char*>(offer), sizeof offer};
}

void TelnetSession::read(std::string_view bytes, std::string& replies) {
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (reader_) {
      case Reader::Data:  // nobody reads it
        if (c == kIac) reader_ = Reader::Command;
        break;
      case Reader::Command:
        if (c >= kWill && c <= kDont) {
          verb_ = c;
          reader_ = Reader::Option;
        } else if (c == kSb) {
          sub_.clear();
          reader_ = Reader::Sub;
        } else {
          reader_ = Reader::Data;  // a doubled 255 (data) or a command without option
        }
        break;
      case Reader::Option:
        command(verb_, c, replies);
        reader_ = Reader::Data;
        break;
      case Reader::Sub:
        if (c == kIac) {
          reader_ = Reader::SubCommand;
        } else if (sub_.size() < kSubLimit) {
          sub_ += ch;
        }
        break;
      case Reader::SubCommand:
        if (c == kIac) {
          if (sub_.size() < kSubLimit) sub_ += ch;
          reader_ = Reader::Sub;
        } else {
          if (c == kSe) subnegotiation(sub_);
          reader_ = Reader::Data;
        }
        break;
    }
  }
}

// Agrees to what this side needs and refuses the rest, answering a request only when it
// changes an option's state, so that two sides can never loop on each other's answers. A
// refusal changes nothing, so it is sent once: a server that asks again and again is ignored.
void TelnetSession::command(unsigned char verb, unsigned char option, std::string& replies) {
  auto reply = [&](unsigned char answer) {
    replies += {static_cast<char>(kIac), static_cast<char>(answer), static_cast<char>(option)};
  };
  const bool ourSide = verb == kDo || verb == kDont;
  Option& state = ourSide ? ours_[option] : theirs_[option];
  const bool wanted = ourSide ? (option == kBinary || option == kComPort)
                              : (option == kBinary || option == kSuppressGoAhead);
  const bool enable = verb == kDo || verb == kWill;
  if (enable) {
    if (state == Option::On) return;
    if (!wanted) {
      const size_t slot = option + (ourSide ? 0 : kTheirs);
      if (!refused_[slot]) reply(ourSide ? kWont : kDont);
      refused_[slot] = true;
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

void TelnetSession::subnegotiation(std::string_view payload) {
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

std::string TelnetSession::settingsCommands(const SerialMode& mode) {
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
  const auto baud = static_cast<uint32_t>(mode.baud);
  command(kSetBaud, {static_cast<unsigned char>(baud >> 24), static_cast<unsigned char>(baud >> 16),
                     static_cast<unsigned char>(baud >> 8), static_cast<unsigned char>(baud)});
  command(kSetDataSize, {static_cast<unsigned char>(mode.dataBits)});
  static constexpr std::string_view kParities = "NOEMS";
  const size_t parity = kParities.find(mode.parity);
  command(kSetParity,
          {static_cast<unsigned char>(parity == std::string_view::npos ? 1 : parity + 1)});
  command(kSetStopSize, {static_cast<unsigned char>(mode.stopBits == 20   ? 2
                                                    : mode.stopBits == 15 ? 3
                                                                          : 1)});
  // Outbound flow control: 1 none, 2 XON/XOFF, 3 hardware.
  const bool hardware = mode.outCts || mode.rts == 'h';
  command(kSetControl, {static_cast<unsigned char>(mode.xonXoff ? 2 : hardware ? 3 : 1)});
  // DTR and RTS as a serial port's open leaves them: 8/9 DTR on/off, 11/12 RTS on/off.
  if (mode.dtr != 'h') command(kSetControl, {static_cast<unsigned char>(mode.dtr == '0' ? 9 : 8)});
  if (mode.rts == '0' || mode.rts == '1')
    command(kSetControl, {static_cast<unsigned char>(mode.rts == '0' ? 12 : 11)});
  return out;
}

// ---- the link ----

// The lookup's thread holds the record as long as the port does, and touches nothing else.
struct NetPort::Lookup {
  std::mutex lock;
  Endpoint endpoint;
  bool done = false;
  std::vector<SocketAddress> addresses;
  std::string problem;
};

NetPort::Resolver NetPort::resolver = LookUpName;

NetPort::~NetPort() { close(); }

void NetPort::open(const Endpoint& endpoint, bool rfc2217, const SerialMode& mode,
                   uint32_t timeoutMs) {
  close();
  problem_.clear();
  rfc2217_ = rfc2217;
  mode_ = mode;
  lost_ = false;
  endpoint_ = endpoint;
  deadline_ = NowMs() + timeoutMs;
  addresses_.clear();
  nextAddress_ = 0;
  if (!NetStartup()) {
    fail("the socket layer did not start");
    return;
  }
  state_ = State::Connecting;
  if (IsNumericHost(endpoint.host)) {
    // Never waits: no resolver is asked.
    std::string problem;
    addresses_ = ResolveEndpoint(endpoint, true, problem);
    if (addresses_.empty()) {
      fail(problem);
      return;
    }
    stage_ = Stage::Connect;
  } else {
    stage_ = Stage::Lookup;
    // One lookup per port at a time: while one is still out (a resolver that does not answer),
    // this try waits for it instead of starting another.
    bool busy = false;
    if (lookup_) {
      std::lock_guard<std::mutex> hold(lookup_->lock);
      busy = !lookup_->done;
    }
    if (!busy) startLookup();
  }
  (void)poll();
}

void NetPort::startLookup() {
  auto lookup = std::make_shared<Lookup>();
  lookup->endpoint = endpoint_;
  lookup_ = lookup;
  const Resolver resolve = resolver;
  try {
    std::thread([lookup, resolve] {
      std::string problem;
      std::vector<SocketAddress> addresses = resolve(lookup->endpoint, problem);
      std::lock_guard<std::mutex> hold(lookup->lock);
      lookup->addresses = std::move(addresses);
      lookup->problem = problem.empty() && lookup->addresses.empty() ? "no address" : problem;
      lookup->done = true;
    }).detach();
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> hold(lookup->lock);
    lookup->problem = "no thread for the name lookup";
    lookup->done = true;
  }
}

NetPort::State NetPort::poll() {
  if (state_ != State::Connecting) return state_;
  if (stage_ != Stage::Negotiate && !connectStep()) return state_;
  if (rfc2217_) (void)negotiate();
  return state_;
}

bool NetPort::connectStep() {
  if (stage_ == Stage::Lookup) {
    bool done = false, same = false;
    {
      std::lock_guard<std::mutex> hold(lookup_->lock);
      done = lookup_->done;
      same = lookup_->endpoint.host == endpoint_.host && lookup_->endpoint.port == endpoint_.port;
      if (done && same) {
        addresses_ = lookup_->addresses;
        problem_ = lookup_->problem;
      }
    }
    if (done && !same) {
      // The lookup this try waited for was for another address.
      startLookup();
      done = false;
    }
    if (!done) {
      if (NowMs() >= deadline_) fail("the name " + endpoint_.host + " was not found in time");
      return false;
    }
    if (addresses_.empty()) {
      fail(problem_);
      return false;
    }
    problem_.clear();
    stage_ = Stage::Connect;
  }
  for (;;) {
    if (!connecting_) {
      if (nextAddress_ >= addresses_.size()) {
        fail(problem_.empty() ? "no answer in time" : problem_);
        return false;
      }
      if (NowMs() >= deadline_) {
        fail("no answer in time");
        return false;
      }
      const SocketAddress& address = addresses_[nextAddress_++];
      socket_ = net::NewSocket(address.family, true);
      if (socket_ == kNoSocket || !SetNonBlocking(socket_)) {
        problem_ = ErrorWords(LastSocketError());
        CloseSocket(std::exchange(socket_, kNoSocket));
        continue;
      }
      const int error = net::Connect(socket_, address);
      if (error == net::kInProgress || error == net::kInterrupted) {
        connecting_ = true;
        continue;
      }
      if (error != 0) {
        problem_ = ErrorWords(error);
        CloseSocket(std::exchange(socket_, kNoSocket));
        continue;
      }
    } else {
      if (!net::Wait(socket_, true, 0)) {
        if (NowMs() < deadline_) return false;
        fail("no answer in time");
        return false;
      }
      connecting_ = false;
      const int error = net::PendingError(socket_);
      if (error != 0) {
        problem_ = ErrorWords(error);
        CloseSocket(std::exchange(socket_, kNoSocket));
        continue;
      }
    }
    break;
  }
  problem_.clear();
  stage_ = Stage::Negotiate;
  return startSession();
}

bool NetPort::startSession() {
  Configure(socket_);
  if (!rfc2217_) {
    state_ = State::Open;
    return true;
  }
  pending_ = telnet_.start();
  if (!flushPending()) {
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
  if (telnet_.comPortOn()) {
    pending_ += TelnetSession::settingsCommands(mode_);
    if (!flushPending()) {
      fail("the device server closed the connection");
      return false;
    }
    state_ = State::Open;
    return true;
  }
  if (telnet_.comPortRefused()) {
    fail("the device server refused the COM-port option (RFC 2217)");
  } else if (NowMs() >= deadline_) {
    fail("the device server did not take up the COM-port option (RFC 2217) in time");
  }
  return false;
}

void NetPort::close() {
  closeSocket();
  connecting_ = false;
  pending_.clear();
  state_ = State::Closed;
  lost_ = false;
}

void NetPort::closeSocket() {
  if (socket_ == kNoSocket) return;
  if (lost_ || connecting_) {
    // Reset: bytes still queued here would otherwise reach the device after all, the tail of a
    // line that the next connection's first line would then join.
    SetOption(socket_, SOL_SOCKET, SO_LINGER, linger{1, 0});
  } else {
    // Unread bytes would make the close a reset, which may throw away the last line still on
    // its way (the closing one).
    (void)drain();
    net::ShutdownSend(socket_);
  }
  CloseSocket(socket_);
  socket_ = kNoSocket;
}

void NetPort::fail(const std::string& problem) {
  lost_ = true;
  closeSocket();
  connecting_ = false;
  pending_.clear();
  state_ = State::Failed;
  problem_ = problem;
}

bool NetPort::exchangeAndCheck() {
  if (state_ != State::Open || lost_) return false;
  if (!drain()) lost_ = true;
  return !lost_;
}

bool NetPort::drain() {
  if (socket_ == kNoSocket || connecting_) return false;
  char buffer[4096];
  std::string replies;
  for (int chunk = 0; chunk < kDrainChunks; ++chunk) {
    const long n = net::Receive(socket_, buffer, sizeof buffer);
    if (n > 0) {
      if (rfc2217_) telnet_.read(std::string_view(buffer, static_cast<size_t>(n)), pending_);
      continue;
    }
    if (n == 0) return false;
    const int error = LastSocketError();
    if (error == net::kInterrupted) continue;
    if (net::WouldBlock(error)) break;
    return false;
  }
  return flushPending();
}

bool NetPort::flushPending() {
  if (!pending_.empty()) pending_.erase(0, sendBefore(pending_, 0));
  if (lost_) return false;
  // A peer that leaves its answers unread will not read the lines either.
  return pending_.size() <= kPendingLimit;
}

size_t NetPort::sendBefore(std::string_view bytes, int64_t deadline) {
  size_t done = 0;
  while (done < bytes.size()) {
    const long n = net::Send(socket_, bytes.data() + done, bytes.size() - done);
    if (n >= 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    const int error = LastSocketError();
    if (error == net::kInterrupted) continue;
    if (!net::WouldBlock(error)) {
      lost_ = true;
      break;
    }
    if (NowMs() >= deadline || !net::Wait(socket_, true, deadline - NowMs())) break;
  }
  return done;
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

  // Our protocol answers still waiting go first, under the line's time-out. Telnet: 255 is
  // doubled, and without binary mode a lone CR is followed by NUL. `ends[i]` is where byte i
  // ends on the wire, to count what left of the caller's bytes.
  std::string wire = std::exchange(pending_, {});
  const size_t head = wire.size();
  std::vector<size_t> ends;
  if (rfc2217_) {
    wire.reserve(head + bytes.size() + 8);
    ends.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      wire += bytes[i];
      if (c == kIac) wire += bytes[i];
      if (c == '\r' && !telnet_.binaryOut() && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
        wire += '\0';
      ends.push_back(wire.size() - head);
    }
  } else {
    wire += bytes;
  }

  const size_t done = sendBefore(wire, deadline);
  // A line that stopped short leaves the link unusable: its rest can never follow in order.
  if (done < wire.size()) lost_ = true;
  const size_t sent = done > head ? done - head : 0;
  size_t left = sent;
  if (rfc2217_)
    left = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), sent) - ends.begin());
  if (lost_ && left == 0) return -1;
  return static_cast<long>(left);
}

bool SendOnce(const Endpoint& endpoint, std::string_view bytes, int waitMs, std::string* reply,
              char until, std::string& problem) {
  const bool stream = endpoint.scheme == "tcp";
  if (!stream && endpoint.scheme != "udp") {
    problem = "not a udp:// or tcp:// address";
    return false;
  }
  const std::vector<SocketAddress> addresses = ResolveEndpoint(endpoint, stream, problem);
  if (addresses.empty()) return false;
  const SocketAddress& to = addresses.front();
  const SocketHandle socket = net::NewSocket(to.family, stream);
  if (socket == kNoSocket || !SetNonBlocking(socket)) {
    problem = ErrorWords(LastSocketError());
    CloseSocket(socket);
    return false;
  }
  bool sent = false;
  if (!stream) {
    // A datagram socket connected to its one peer sends with plain send.
    sent = net::Connect(socket, to) == 0 &&
           net::Send(socket, bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
    if (!sent) problem = ErrorWords(LastSocketError());
  } else {
    const int64_t deadline = NowMs() + waitMs;
    int error = net::Connect(socket, to);
    if (error == net::kInProgress || error == net::kInterrupted || net::WouldBlock(error)) {
      error = net::Wait(socket, true, deadline - NowMs()) ? net::PendingError(socket) : -1;
    }
    size_t done = 0;
    while (error == 0 && done < bytes.size()) {
      const long n = net::Send(socket, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (!net::WouldBlock(LastSocketError()) ||
                 !net::Wait(socket, true, deadline - NowMs())) {
        error = n < 0 && !net::WouldBlock(LastSocketError()) ? LastSocketError() : -1;
      }
    }
    sent = error == 0;
    if (!sent) problem = error < 0 ? "no answer in time" : ErrorWords(error);
    const int64_t readDeadline = NowMs() + waitMs;
    while (sent && reply && reply->size() < 4096 &&
           net::Wait(socket, false, readDeadline - NowMs())) {
      char chunk[512];
      const long n = net::Receive(socket, chunk, std::min(sizeof chunk, 4096 - reply->size()));
      if (n <= 0) break;
      reply->append(chunk, static_cast<size_t>(n));
      if (std::string_view(chunk, static_cast<size_t>(n)).find(until) != std::string_view::npos)
        break;
    }
  }
  CloseSocket(socket);
  return sent;
}

}  // namespace platform
