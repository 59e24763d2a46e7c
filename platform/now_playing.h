// The "now playing" title pushed by the automation over the network instead of written to a
// file: one UDP datagram, or one line on a TCP connection, per title. The listener is polled on
// the window's thread at each refresh: non-blocking sockets, a bounded amount of work per poll,
// and only the newest title kept, however many arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"

namespace platform {

// Datagrams and lines longer than this are dropped whole: a title is far shorter, and a cut one
// would go on air as a wrong title.
inline constexpr size_t kTitleBytesLimit = 4096;

// The bytes of one datagram or line as a title, decoded as a text file's bytes are (UTF-8 with or
// without a byte-order mark, else Windows-1252).
std::string DecodeTitle(std::string_view bytes);

// Cuts a TCP stream into lines ending in LF (a CR before it belongs to the ending) and keeps the
// newest; a line longer than kTitleBytesLimit is dropped whole. Holds at most one unfinished line
// and one finished one.
class TitleLines {
 public:
  void feed(std::string_view bytes);
  // The stream ended: an unfinished line is a last title (a sender that closes its connection
  // instead of ending the line).
  void finish();
  // The bytes of the newest whole line since the last take.
  [[nodiscard]] std::optional<std::string> take();
  // Lines finished, and lines dropped for their length, so far.
  [[nodiscard]] uint64_t lines() const { return lines_; }
  [[nodiscard]] uint64_t oversized() const { return oversized_; }
  [[nodiscard]] size_t heldBytes() const;

 private:
  void endLine();

  std::string partial_;
  bool skipping_ = false;  // inside a line already too long
  std::optional<std::string> newest_;
  uint64_t lines_ = 0;
  uint64_t oversized_ = 0;
};

class NowPlayingListener {
 public:
  // Connections beyond this make the oldest one close: a sender that reconnects for every title
  // and leaves the old connections open still gets through.
  static constexpr size_t kMaxClients = 8;
  // The most one poll takes: datagrams, new connections, and bytes from each connection.
  static constexpr size_t kDatagramsPerPoll = 1024;
  static constexpr size_t kAcceptsPerPoll = 32;
  static constexpr size_t kStreamBytesPerPoll = 64u << 10;

  struct Counts {
    uint64_t titles = 0;         // datagrams and lines taken as titles
    uint64_t oversized = 0;      // datagrams and lines dropped for their length
    uint64_t closedClients = 0;  // connections closed to make room
  };

  NowPlayingListener();
  ~NowPlayingListener();
  NowPlayingListener(const NowPlayingListener&) = delete;
  NowPlayingListener& operator=(const NowPlayingListener&) = delete;

  // Listens on "udp://ADDR:PORT" or "tcp://ADDR:PORT" exactly as written: ADDR is a numeric
  // address (or "localhost", which is 127.0.0.1); a host name is not resolved on the window's
  // thread. False with the reason in an operator's words when the text is no such address or the
  // port cannot be had; nothing is open then.
  [[nodiscard]] bool open(std::string_view text, std::string& problem);
  void close();
  [[nodiscard]] bool isOpen() const;
  // The text it was opened with.
  [[nodiscard]] const std::string& address() const { return address_; }

  // Takes what arrived since the last poll, within the bounds above; the newest title, decoded,
  // when one came.
  [[nodiscard]] std::optional<std::string> poll();

  [[nodiscard]] const Counts& counts() const { return counts_; }
  [[nodiscard]] size_t clients() const;
  // Bytes held between polls: unfinished lines and the newest title of each connection.
  [[nodiscard]] size_t heldBytes() const;

 private:
  struct Client;
  void pollDatagrams(std::optional<std::string>& newest);
  void acceptClients();
  void pollClients(std::optional<std::string>& newest);
  void noteOversized(uint64_t count);

  std::string address_;
  bool stream_ = false;
  SocketHandle socket_ = kNoSocket;
  std::vector<std::unique_ptr<Client>> clients_;
  std::vector<char> buffer_;
  Counts counts_;
  bool oversizeLogged_ = false;
  bool crowdLogged_ = false;
};

}  // namespace platform
