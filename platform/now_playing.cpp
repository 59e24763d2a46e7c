#include "platform/now_playing.h"

#include <algorithm>

#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/metrics.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#endif

namespace platform {

std::string DecodeTitle(std::string_view bytes) { return DecodeText(std::string(bytes)); }

bool IsBlankTitle(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
  });
}

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
  } else if (!IsBlankTitle(partial_)) {
    newest_ = partial_;
    ++lines_;
  }
  partial_.clear();
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
  std::unique_ptr<SocketWatch> watch;
  TitleLines lines;
  uint64_t countedLines = 0;
  uint64_t countedOversized = 0;
  uint64_t lastActive = 0;  // the listener's activity count when it last connected or sent
  bool drained = true;      // its last read found nothing more waiting
};

NowPlayingListener::NowPlayingListener() = default;

NowPlayingListener::~NowPlayingListener() { close(); }

bool NowPlayingListener::open(std::string_view text, std::string& problem) {
  close();
  if (LooksLikeEndpoint(text)) {
    Endpoint endpoint;
    if (ParseEndpoint(text, endpoint, problem) && endpoint.scheme != "udp" &&
        endpoint.scheme != "tcp") {
      problem = "only udp:// or tcp:// addresses give titles";
      return false;
    }
  }
  ListeningSocket listening;
  if (!OpenListeningSocket(text, listening, problem)) return false;
  socket_ = listening.socket;
  stream_ = listening.stream;
  address_ = std::string(text);
  buffer_.assign(kTitleBytesLimit + 1, '\0');
  counts_ = {};
  oversizeLogged_ = false;
  crowdLogged_ = false;
  watch_ = Time().watchSocket(socket_, [this] { onReadable(); });
  if (!listening.loopback) {
    LogEvent("now-playing source " + EscapeBytes(address_) +
             " listens beyond this computer: anybody who can reach port " +
             std::to_string(listening.port) + " can put a title on air");
  }
  return true;
}

void NowPlayingListener::close() {
  watch_.reset();
  for (const std::unique_ptr<Client>& client : clients_) {
    client->watch.reset();
    CloseSocket(client->socket);
  }
  clients_.clear();
  CloseSocket(socket_);
  socket_ = kNoSocket;
  address_.clear();
  buffer_.clear();
  buffer_.shrink_to_fit();
  newest_.reset();
}

bool NowPlayingListener::isOpen() const { return socket_ != kNoSocket; }

size_t NowPlayingListener::clients() const { return clients_.size(); }

size_t NowPlayingListener::heldBytes() const {
  size_t held = newest_ ? newest_->capacity() : 0;
  for (const std::unique_ptr<Client>& client : clients_) held += client->lines.heldBytes();
  return held;
}

std::optional<std::string> NowPlayingListener::poll() {
  if (!isOpen()) return std::nullopt;
  if (stream_) {
    // What has arrived is read before a new connection can make room by closing one.
    readClients(kStreamBytesPerPoll);
    acceptClients(kAcceptsPerPoll);
  } else {
    readDatagrams(kDatagramsPerPoll);
  }
  if (!newest_) return std::nullopt;
  std::string title = DecodeTitle(*newest_);
  newest_.reset();
  metrics::CountTitle();
  return title;
}

void NowPlayingListener::onReadable() {
  ++counts_.events;
  if (stream_)
    acceptClients(kAcceptsPerEvent);
  else
    readDatagrams(kDatagramsPerEvent);
}

// The buffer holds one byte more than the limit: a datagram that fills it was longer. (Winsock
// says so with an error instead.)
void NowPlayingListener::readDatagrams(size_t most) {
  for (size_t i = 0; i < most; ++i) {
    const long n = net::Receive(socket_, buffer_.data(), buffer_.size());
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
      if (error == net::kInterrupted) continue;
      return;
    }
    if (static_cast<size_t>(n) > kTitleBytesLimit) {
      noteOversized(1);
      continue;
    }
    const std::string_view bytes(buffer_.data(), static_cast<size_t>(n));
    if (IsBlankTitle(bytes)) continue;
    if (!newest_) newest_.emplace();
    newest_->assign(bytes);
    ++counts_.titles;
  }
}

void NowPlayingListener::acceptClients(size_t most) {
  for (size_t i = 0; i < most; ++i) {
    const SocketHandle s = net::Accept(socket_);
    if (s == kNoSocket) return;
    if (clients_.size() >= kMaxClients && !makeRoom()) {
      // Every connection is still sending: the newest waits no longer than the others.
      CloseSocket(s);
      ++counts_.closedClients;
      continue;
    }
    auto client = std::make_unique<Client>();
    Client* const c = client.get();
    c->socket = s;
    c->lastActive = ++activity_;
    clients_.push_back(std::move(client));
    // What a sender wrote before this accept is taken now; a sender that wrote and closed is
    // gone again at once.
    if (!readClient(*c, kStreamBytesPerEvent)) {
      removeClient(c);
      continue;
    }
    c->watch = Time().watchSocket(s, [this, c] {
      ++counts_.events;
      if (!readClient(*c, kStreamBytesPerEvent)) removeClient(c);
    });
  }
}

// Reads what has arrived everywhere, then closes the connection idle longest among those with
// nothing waiting, one with an unfinished line only when no other is left.
bool NowPlayingListener::makeRoom() {
  readClients(kStreamBytesPerEvent);
  if (clients_.size() < kMaxClients) return true;
  const Client* idlest = nullptr;
  for (int pass = 0; pass < 2 && !idlest; ++pass) {
    for (const std::unique_ptr<Client>& client : clients_) {
      if (!client->drained || (pass == 0 && client->lines.unfinished())) continue;
      if (!idlest || client->lastActive < idlest->lastActive) idlest = client.get();
    }
  }
  if (!idlest) return false;
  removeClient(idlest);
  ++counts_.closedClients;
  if (!crowdLogged_) {
    crowdLogged_ = true;
    LogEvent("now-playing source " + EscapeBytes(address_) + ": more than " +
             std::to_string(kMaxClients) +
             " connections, the one idle longest closed (logged once)");
  }
  return true;
}

void NowPlayingListener::readClients(size_t mostEach) {
  // In the order they last sent, so that of two waiting titles the later one is taken last.
  std::vector<Client*> order;
  for (const std::unique_ptr<Client>& client : clients_) order.push_back(client.get());
  std::sort(order.begin(), order.end(),
            [](const Client* a, const Client* b) { return a->lastActive < b->lastActive; });
  for (Client* client : order) {
    if (!readClient(*client, mostEach)) removeClient(client);
  }
}

bool NowPlayingListener::readClient(Client& client, size_t most) {
  bool ended = false;
  client.drained = false;
  for (size_t taken = 0; taken < most;) {
    const long n = net::Receive(client.socket, buffer_.data(), buffer_.size());
    if (n > 0) {
      client.lines.feed(std::string_view(buffer_.data(), static_cast<size_t>(n)));
      client.lastActive = ++activity_;
      taken += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) {
      client.lines.finish();
      ended = true;
      break;
    }
    const int error = LastSocketError();
    if (error == net::kInterrupted) continue;
    // A reset connection's unfinished line may be cut anywhere: it is no title.
    ended = !net::WouldBlock(error);
    client.drained = !ended;
    break;
  }
  if (std::optional<std::string> line = client.lines.take()) newest_ = std::move(line);
  counts_.titles += client.lines.lines() - client.countedLines;
  client.countedLines = client.lines.lines();
  noteOversized(client.lines.oversized() - client.countedOversized);
  client.countedOversized = client.lines.oversized();
  return !ended;
}

void NowPlayingListener::removeClient(const Client* client) {
  const auto found =
      std::find_if(clients_.begin(), clients_.end(),
                   [client](const std::unique_ptr<Client>& held) { return held.get() == client; });
  if (found == clients_.end()) return;
  (*found)->watch.reset();
  CloseSocket((*found)->socket);
  clients_.erase(found);
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
