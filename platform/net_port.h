// A COM port that is a TCP connection: to a serial device server that passes the bytes as they
// are ("tcp"), to one that speaks Telnet with the COM-port option of RFC 2217 ("rfc2217"), or to
// an encoder that takes its command lines on a TCP port itself. It behaves as SerialPort does
// where the program can tell: whole writes bounded by a time-out, a peer that goes away or stops
// reading is a lost port, and nothing the peer sends is kept.
//
// Opening never waits: the name is resolved and the connection made on a worker thread, and the
// window's thread learns the outcome by calling poll(). The socket is only ever touched by the
// thread that calls the other methods once the worker has handed it over.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/net.h"
#include "platform/serial.h"

namespace platform {

class NetPort {
 public:
  enum class State : uint8_t { Closed, Connecting, Open, Failed };

  // How long an open may take, name resolution and Telnet negotiation included.
  static constexpr uint32_t kConnectTimeoutMs = 1500;

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
  void close();
  bool isOpen() const { return state_ == State::Open; }
  // Open, and the peer has neither closed nor reset the connection. Reads and discards what
  // the peer sent meanwhile, so that an echoing peer never fills the buffers.
  [[nodiscard]] bool usable();
  void setTimeouts(const SerialTimeouts& timeouts) { timeouts_ = timeouts; }
  // As SerialPort::write: the bytes of a whole line, or -1 when none left. A write the peer
  // does not take within the time-out stops short, and the port counts as lost.
  [[nodiscard]] long write(std::string_view bytes);
  // Discards what the peer sent.
  void purgeReceive() { (void)drain(); }

  // The line settings the RFC 2217 server reported back, as "9600 8N1"; empty before it did.
  const std::string& serverSettings() const { return serverSettings_; }

  struct Attempt;  // the worker's side of an open

 private:
  bool startSession();
  bool negotiate();
  // Reads everything waiting; false when the peer is gone.
  bool drain();
  void telnetInput(std::string_view bytes);
  void telnetCommand(unsigned char verb, unsigned char option);
  void subnegotiation(std::string_view payload);
  void sendSettings();
  // Sends protocol bytes of our own, bounded like a write.
  // Sends until all is out, the deadline passes or the link fails (which marks it lost);
  // returns how much left.
  size_t sendBefore(std::string_view bytes, int64_t deadline);
  bool sendRaw(std::string_view bytes, uint64_t budgetMs);
  void fail(const std::string& problem);
  void closeSocket();

  State state_ = State::Closed;
  std::shared_ptr<Attempt> attempt_;
  SocketHandle socket_ = kNoSocket;
  std::string problem_;
  int64_t deadline_ = 0;
  bool rfc2217_ = false;
  SerialMode mode_;
  SerialTimeouts timeouts_;
  bool lost_ = false;

  // Telnet: what each side has agreed to, and the reader's place in a command.
  enum class Option : uint8_t { Off, Asked, On };
  std::array<Option, 256> ours_{}, theirs_{};
  bool comPortRefused_ = false;
  std::string replies_;  // answers waiting to be sent
  int readerState_ = 0;
  unsigned char verb_ = 0;
  std::string sub_;
  std::string serverSettings_;
  int32_t serverBaud_ = 0;
  int serverData_ = 0, serverParity_ = 0, serverStop_ = 0;
};

}  // namespace platform
