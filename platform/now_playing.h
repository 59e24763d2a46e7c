// The "now playing" title pushed by the automation over the network instead of written to a
// file: one UDP datagram, or one line on a TCP connection, per title. The sockets are read on the
// window's thread as data arrives (the time host's socket watches) and again at each refresh:
// non-blocking sockets, a bounded amount of work per call, and only the newest title kept,
// however many arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"
#include "platform/time_host.h"

namespace platform {

// Datagrams and lines longer than this are dropped whole: a title is far shorter, and a cut one
// would go on air as a wrong title.
inline constexpr size_t kTitleBytesLimit = 4096;

// The bytes of one datagram or line as a title, decoded as a text file's bytes are (UTF-8 with or
// without a byte-order mark, else Windows-1252).
std::string DecodeTitle(std::string_view bytes);

// Whether the bytes hold nothing but blanks and control characters (after a UTF-8 byte-order
// mark): a keep-alive or the empty line of a CR LF CR LF ending, never a title.
[[nodiscard]] bool IsBlankTitle(std::string_view bytes);

// Cuts a TCP stream into lines ending in LF (a CR before it belongs to the ending) and keeps the
// newest that is not blank; a line longer than kTitleBytesLimit is dropped whole. Holds at most one
// unfinished line and one finished one.
class TitleLines {
 public:
  void feed(std::string_view bytes);
  // The stream ended: an unfinished line is a last title (a sender that closes its connection
  // instead of ending the line).
  void finish();
  // The bytes of the newest whole line since the last take.
  [[nodiscard]] std::optional<std::string> take();
  // Titles finished, and lines dropped for their length, so far.
  [[nodiscard]] uint64_t lines() const { return lines_; }
  [[nodiscard]] uint64_t oversized() const { return oversized_; }
  [[nodiscard]] size_t heldBytes() const;
  // Part of a line has come and its end has not.
  [[nodiscard]] bool unfinished() const { return !partial_.empty() || skipping_; }

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
  // A connection beyond these closes the one idle longest once what has arrived is read: a sender
  // that reconnects for every title and leaves the old connections open still gets through, and
  // a title already sent is never closed away.
  static constexpr size_t kMaxClients = 8;
  // The most one refresh takes: datagrams, new connections, and bytes from each connection.
  static constexpr size_t kDatagramsPerPoll = 1024;
  static constexpr size_t kAcceptsPerPoll = 32;
  static constexpr size_t kStreamBytesPerPoll = 64u << 10;
  // The most one socket event takes, so that a flood leaves the window's thread to its timers.
  static constexpr size_t kDatagramsPerEvent = 64;
  static constexpr size_t kAcceptsPerEvent = 4;
  static constexpr size_t kStreamBytesPerEvent = 16u << 10;

  struct Counts {
    uint64_t titles = 0;         // datagrams and lines taken as titles
    uint64_t oversized = 0;      // datagrams and lines dropped for their length
    uint64_t closedClients = 0;  // connections closed to make room
    uint64_t events = 0;         // socket events handled
  };

  NowPlayingListener();
  ~NowPlayingListener();
  NowPlayingListener(const NowPlayingListener&) = delete;
  NowPlayingListener& operator=(const NowPlayingListener&) = delete;

  // Listens on "udp://ADDR:PORT" or "tcp://ADDR:PORT" exactly as written: ADDR is a numeric
  // address (or "localhost", which is 127.0.0.1); a host name is not resolved on the window's
  // thread. False with the reason in an operator's words when the text is no such address or the
  // port cannot be had; nothing is open then. An address another computer can reach is logged.
  [[nodiscard]] bool open(std::string_view text, std::string& problem);
  void close();
  [[nodiscard]] bool isOpen() const;
  // The text it was opened with.
  [[nodiscard]] const std::string& address() const { return address_; }

  // Takes what arrived, within the bounds above; the newest title since the last poll, decoded,
  // when one came: the one received last, whichever sender it came from.
  [[nodiscard]] std::optional<std::string> poll();

  [[nodiscard]] const Counts& counts() const { return counts_; }
  [[nodiscard]] size_t clients() const;
  // Bytes held between polls: unfinished lines, the newest title of each connection, and the
  // newest title.
  [[nodiscard]] size_t heldBytes() const;

 private:
  struct Client;
  void onReadable();
  void readDatagrams(size_t most);
  void acceptClients(size_t most);
  // False when the connection ended.
  bool readClient(Client& client, size_t most);
  void readClients(size_t mostEach);
  bool makeRoom();
  void removeClient(const Client* client);
  void noteOversized(uint64_t count);

  std::string address_;
  bool stream_ = false;
  SocketHandle socket_ = kNoSocket;
  std::unique_ptr<SocketWatch> watch_;
  std::vector<std::unique_ptr<Client>> clients_;
  std::optional<std::string> newest_;
  uint64_t activity_ = 0;
  std::vector<char> buffer_;
  Counts counts_;
  bool oversizeLogged_ = false;
  bool crowdLogged_ = false;
};

}  // namespace platform
