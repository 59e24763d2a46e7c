// A COM port that is a TCP connection: to a serial device server that passes the bytes as they
// are ("tcp"), to one that speaks Telnet with the COM-port option of RFC 2217 ("rfc2217"), or to
// an encoder that takes its command lines on a TCP port itself. It behaves as SerialPort does
// where the program can tell: whole writes bounded by a time-out, a peer that goes away or stops
// reading is a lost port, and nothing the peer sends is kept.
//
// Opening never waits: a host name is looked up on a thread of its own and the connection is
// made without blocking, and the window's thread moves it on by calling poll(). Nothing the
// peer does makes a call wait, except a line write, which is bounded by the write time-out.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"
#include "platform/serial.h"

namespace platform {

// The Telnet side of an RFC 2217 link: reads what the server sends (cut anywhere), keeps the
// options both sides agreed to and the line settings the server reported, and says what to
// answer. An option request is answered only when it changes the option's state, and an
// unwanted option is refused once, so no peer can make it answer without end.
class TelnetSession {
 public:
  TelnetSession() { start(); }
  // A new connection; returns the offer that opens it: binary both ways, then the COM-port
  // option.
  std::string start();
  // Reads the server's bytes; the answers are appended to `replies`.
  void read(std::string_view bytes, std::string& replies);

  bool comPortOn() const { return ours_[kComPort] == Option::On; }
  bool comPortRefused() const { return comPortRefused_; }
  // Whether our bytes go as binary: otherwise a lone CR is followed by NUL.
  bool binaryOut() const { return ours_[kBinary] == Option::On; }
  // The line settings the server reported back, as "9600 8N1"; empty before it did.
  const std::string& serverSettings() const { return serverSettings_; }
  // How much of a subnegotiation is kept.
  static constexpr size_t kSubLimit = 64;

  // The COM-port commands that set the line as `mode` says.
  static std::string settingsCommands(const SerialMode& mode);

 private:
  static constexpr unsigned char kBinary = 0, kComPort = 44;
  enum class Option : uint8_t { Off, Asked, On };
  void command(unsigned char verb, unsigned char option, std::string& replies);
  void subnegotiation(std::string_view payload);

  std::array<Option, 256> ours_{}, theirs_{};
  std::bitset<512> refused_;  // ours, then theirs
  bool comPortRefused_ = false;
  // Where the reader is in the server's bytes: plain data, after IAC, after a WILL/WONT/DO/DONT
  // verb, inside a subnegotiation, after IAC inside one.
  enum class Reader : uint8_t { Data, Command, Option, Sub, SubCommand };
  Reader reader_ = Reader::Data;
  unsigned char verb_ = 0;
  std::string sub_;
  std::string serverSettings_;
  int32_t serverBaud_ = 0;
  int serverData_ = 0, serverParity_ = 0, serverStop_ = 0;
};

class NetPort {
 public:
  enum class State : uint8_t { Closed, Connecting, Open, Failed };

  // How long an open may take, name lookup and Telnet negotiation included.
  static constexpr uint32_t kConnectTimeoutMs = 1500;
  // Protocol bytes of our own that a peer may leave unread before the link counts as lost.
  static constexpr size_t kPendingLimit = 4096;

  NetPort() = default;
  ~NetPort();
  NetPort(const NetPort&) = delete;
  NetPort& operator=(const NetPort&) = delete;

  // Closes what was open and starts connecting. With `rfc2217` the line settings of `mode`
  // (baud rate, data bits, parity, stop bits, flow control, DTR and RTS) are sent once the
  // server has taken up the COM-port option.
  void open(const Endpoint& endpoint, bool rfc2217, const SerialMode& mode,
            uint32_t timeoutMs = kConnectTimeoutMs);
  // Moves a pending open on without waiting and says where it stands.
  State poll();
  State state() const { return state_; }
  // Why the open failed, in an operator's words.
  const std::string& problem() const { return problem_; }
  // A link that failed (a write that stopped short included) is reset, so that no part of a
  // line still on its way reaches the device later; otherwise what was written is delivered.
  void close();
  bool isOpen() const { return state_ == State::Open; }
  // Reads and discards what the peer sent meanwhile, so that an echoing peer never fills the
  // buffers, and sends the Telnet answers that asks for; true while the link is open and the
  // peer has neither closed nor reset the connection.
  [[nodiscard]] bool exchangeAndCheck();
  void setTimeouts(const SerialTimeouts& timeouts) { timeouts_ = timeouts; }
  // As SerialPort::write: the bytes of a whole line, or -1 when none left. A write the peer
  // does not take within the time-out stops short, and the port counts as lost.
  [[nodiscard]] long write(std::string_view bytes);
  // Discards what the peer sent.
  void purgeReceive() { (void)drain(); }

  // The line settings the RFC 2217 server reported back, as "9600 8N1"; empty before it did.
  const std::string& serverSettings() const { return telnet_.serverSettings(); }

  // How host names are looked up; tests put a resolver of their own here.
  using Resolver = std::vector<SocketAddress> (*)(const Endpoint& endpoint, std::string& problem);
  static Resolver resolver;

  struct Lookup;  // a name lookup, shared with the thread that does it

 private:
  enum class Stage : uint8_t { Lookup, Connect, Negotiate };
  void startLookup();
  // Moves the lookup and the connect on; false while they are not done or when they failed.
  bool connectStep();
  bool startSession();
  bool negotiate();
  // Reads everything waiting and sends what protocol bytes the socket takes; false when the
  // peer is gone or leaves too much of them unread.
  bool drain();
  bool flushPending();
  // Sends until all is out, the deadline passes or the link fails (which marks it lost);
  // returns the number of bytes sent, the whole of `bytes` only when nothing stopped it.
  size_t sendBefore(std::string_view bytes, int64_t deadline);
  void fail(const std::string& problem);
  void closeSocket();

  State state_ = State::Closed;
  Stage stage_ = Stage::Lookup;
  Endpoint endpoint_;
  std::shared_ptr<Lookup> lookup_;
  std::vector<SocketAddress> addresses_;
  size_t nextAddress_ = 0;
  bool connecting_ = false;  // socket_ has a connect in progress
  SocketHandle socket_ = kNoSocket;
  std::string problem_;
  int64_t deadline_ = 0;
  bool rfc2217_ = false;
  SerialMode mode_;
  SerialTimeouts timeouts_;
  bool lost_ = false;
  TelnetSession telnet_;
  std::string pending_;  // protocol bytes of our own not yet taken by the socket
};

// Sends `bytes` once, for a command-line tool: as one UDP datagram, or over a new TCP connection.
// With `reply`, a TCP connection is then read until the peer sends `until`, closes, or `waitMs`
// pass; at most 4 KiB are kept. Connecting and each step wait at most `waitMs`.
[[nodiscard]] bool SendOnce(const Endpoint& endpoint, std::string_view bytes, int waitMs,
                            std::string* reply, char until, std::string& problem);

}  // namespace platform
