// UECP frames from the network: UDP datagrams holding one or more frames, or TCP connections
// whose frames may span reads. Read on the window's thread as data arrives (the time host's
// socket watches), a bounded amount of work per event; each connection has its own decoder. A
// TCP source that numbers its frames gets an acknowledgement, sent without waiting: a connection
// that does not read its answers is closed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"
#include "platform/time_host.h"
#include "remote/uecp_frame.h"

namespace uecp {

class Listener {
 public:
  static constexpr size_t kMaxClients = 8;
  // The most one socket event takes, so that a flood leaves the window's thread to its timers.
  static constexpr size_t kDatagramsPerEvent = 64;
  static constexpr size_t kAcceptsPerEvent = 4;
  static constexpr size_t kStreamBytesPerEvent = 16u << 10;
  // A datagram can hold several frames; one longer than this is no UECP source's.
  static constexpr size_t kDatagramLimit = 8u << 10;

  struct Handlers {
    // A checked frame; the answer, if any, goes back on a TCP link when the frame is numbered.
    std::function<std::optional<Ack>(const Frame&)> frame;
    // Whether a frame to this address is for this encoder: a dropped one is answered only then.
    std::function<bool(uint16_t address)> ours;
  };

  struct Counts {
    uint64_t frames = 0;
    std::array<uint64_t, kDropReasons> dropped{};
    uint64_t oversized = 0;      // datagrams too long to be read
    uint64_t closedClients = 0;  // for room, or for not reading their answers
    uint64_t acks = 0;
    uint64_t events = 0;
  };

  explicit Listener(Handlers handlers);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // "udp://ADDR:PORT" or "tcp://ADDR:PORT"; see platform::OpenListeningSocket.
  [[nodiscard]] bool open(std::string_view text, std::string& problem);
  void close();
  [[nodiscard]] bool isOpen() const { return socket_ != platform::kNoSocket; }
  [[nodiscard]] bool beyondLoopback() const { return !loopback_; }
  [[nodiscard]] const std::string& address() const { return address_; }
  [[nodiscard]] const Counts& counts() const { return counts_; }
  [[nodiscard]] size_t clients() const { return clients_.size(); }

 private:
  struct Client;
  void readDatagrams();
  void acceptClients();
  // False when the connection is to be closed.
  bool readClient(Client& client);
  void removeClient(const Client* client);
  // The frames and rejects of one read; the answers to `client` when it is a TCP link. False
  // when an answer could not be sent at once.
  bool deliver(Client* client);

  Handlers handlers_;
  std::string address_;
  bool stream_ = false;
  bool loopback_ = true;
  platform::SocketHandle socket_ = platform::kNoSocket;
  std::unique_ptr<platform::SocketWatch> watch_;
  std::vector<std::unique_ptr<Client>> clients_;
  uint64_t activity_ = 0;
  std::vector<char> buffer_;
  std::vector<Frame> frames_;
  std::vector<Rejected> rejected_;
  Counts counts_;
};

}  // namespace uecp
