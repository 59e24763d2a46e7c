#include "remote/uecp_listener.h"

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#endif

namespace uecp {

struct Listener::Client {
  platform::SocketHandle socket = platform::kNoSocket;
  std::unique_ptr<platform::SocketWatch> watch;
  FrameDecoder decoder;
  uint64_t lastActive = 0;
};

Listener::Listener(Handlers handlers) : handlers_(std::move(handlers)) {}

Listener::~Listener() { close(); }

bool Listener::open(std::string_view text, std::string& problem) {
  close();
  platform::ListeningSocket listening;
  if (!platform::OpenListeningSocket(text, listening, problem)) return false;
  socket_ = listening.socket;
  stream_ = listening.stream;
  loopback_ = listening.loopback;
  address_ = std::string(text);
  buffer_.assign(kDatagramLimit + 1, '\0');
  counts_ = {};
  watch_ = platform::Time().watchSocket(socket_, [this] {
    ++counts_.events;
    if (stream_)
      acceptClients();
    else
      readDatagrams();
  });
  return true;
}

void Listener::close() {
  watch_.reset();
  for (const std::unique_ptr<Client>& client : clients_) {
    client->watch.reset();
    platform::CloseSocket(client->socket);
  }
  clients_.clear();
  platform::CloseSocket(socket_);
  socket_ = platform::kNoSocket;
  address_.clear();
  buffer_.clear();
  buffer_.shrink_to_fit();
}

// The buffer holds one byte more than the limit: a datagram that fills it was longer. (Winsock
// says so with an error instead.)
void Listener::readDatagrams() {
  for (size_t i = 0; i < kDatagramsPerEvent; ++i) {
    const long n = platform::net::Receive(socket_, buffer_.data(), buffer_.size());
    if (n < 0) {
      const int error = platform::LastSocketError();
#ifdef _WIN32
      if (error == WSAEMSGSIZE) {
        ++counts_.oversized;
        continue;
      }
      if (error == WSAECONNRESET) continue;
#endif
      if (error == platform::net::kInterrupted) continue;
      return;
    }
    if (static_cast<size_t>(n) > kDatagramLimit) {
      ++counts_.oversized;
      continue;
    }
    // A frame never continues in the next datagram.
    FrameDecoder decoder;
    decoder.feed(std::string_view(buffer_.data(), static_cast<size_t>(n)), frames_, &rejected_);
    decoder.end(&rejected_);
    deliver(nullptr);
  }
}

void Listener::acceptClients() {
  for (size_t i = 0; i < kAcceptsPerEvent; ++i) {
    const platform::SocketHandle s = platform::net::Accept(socket_);
    if (s == platform::kNoSocket) return;
    if (clients_.size() >= kMaxClients) {
      // A source that reconnects and leaves its old connections open still gets through.
      const auto idlest = std::min_element(
          clients_.begin(), clients_.end(),
          [](const auto& a, const auto& b) { return a->lastActive < b->lastActive; });
      removeClient(idlest->get());
      ++counts_.closedClients;
    }
    auto client = std::make_unique<Client>();
    Client* const c = client.get();
    c->socket = s;
    c->lastActive = ++activity_;
    clients_.push_back(std::move(client));
    if (!readClient(*c)) {
      removeClient(c);
      continue;
    }
    c->watch = platform::Time().watchSocket(s, [this, c] {
      ++counts_.events;
      if (!readClient(*c)) removeClient(c);
    });
  }
}

bool Listener::readClient(Client& client) {
  bool open = true;
  for (size_t taken = 0; taken < kStreamBytesPerEvent;) {
    const long n = platform::net::Receive(client.socket, buffer_.data(), buffer_.size());
    if (n > 0) {
      client.decoder.feed(std::string_view(buffer_.data(), static_cast<size_t>(n)), frames_,
                          &rejected_);
      client.lastActive = ++activity_;
      taken += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && platform::LastSocketError() == platform::net::kInterrupted) continue;
    open = n < 0 && platform::net::WouldBlock(platform::LastSocketError());
    break;
  }
  return deliver(&client) && open;
}

bool Listener::deliver(Client* client) {
  bool answered = true;
  const auto answer = [&](uint16_t address, uint8_t sqc, Ack code) {
    if (!client || sqc == 0 || !answered) return;
    const std::string frame = EncodeFrame(address, 0, AckMessage(code, sqc));
    const long sent = platform::net::Send(client->socket, frame.data(), frame.size());
    answered = sent == static_cast<long>(frame.size());
    if (answered) ++counts_.acks;
  };
  for (const Rejected& r : rejected_) {
    ++counts_.dropped[static_cast<size_t>(r.reason)];
    if (r.headerKnown && handlers_.ours && handlers_.ours(r.address))
      answer(r.address, r.sqc, DropAck(r.reason));
  }
  rejected_.clear();
  // Moved out first: the handler may read from the network again only through a later event,
  // but this keeps the list its own whatever it does.
  std::vector<Frame> frames = std::move(frames_);
  frames_.clear();
  for (const Frame& frame : frames) {
    ++counts_.frames;
    const std::optional<Ack> code = handlers_.frame ? handlers_.frame(frame) : std::nullopt;
    if (code) answer(frame.address, frame.sqc, *code);
  }
  // The vector's room is kept for the next read.
  frames.clear();
  if (frames_.empty()) frames_.swap(frames);
  if (!answered) ++counts_.closedClients;
  return answered;
}

void Listener::removeClient(const Client* client) {
  const auto found =
      std::find_if(clients_.begin(), clients_.end(),
                   [client](const std::unique_ptr<Client>& held) { return held.get() == client; });
  if (found == clients_.end()) return;
  (*found)->watch.reset();
  platform::CloseSocket((*found)->socket);
  clients_.erase(found);
}

}  // namespace uecp
