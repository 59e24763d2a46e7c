#include "platform/now_playing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/net_peer.h"
#include "platform/time_host.h"

using namespace platform;

namespace {

std::string Address(const char* scheme, uint16_t port) {
  return std::string(scheme) + "://localhost:" + std::to_string(port);
}

// Listened on, localhost standing for the loopback address.
uint16_t Open(NowPlayingListener& listener, bool stream) {
  const uint16_t port = nettest::FreePort(stream);
  std::string problem;
  EXPECT_TRUE(listener.open(Address(stream ? "tcp" : "udp", port), problem)) << problem;
  return port;
}

std::string Problem(const std::string& address) {
  NowPlayingListener listener;
  std::string problem;
  EXPECT_FALSE(listener.open(address, problem)) << address;
  EXPECT_FALSE(listener.isOpen());
  return problem;
}

}  // namespace

TEST(NowPlayingListener, AddressesItCannotListenOnSayWhyAndOpenNothing) {
  EXPECT_EQ(Problem("http://127.0.0.1:8080"), "only udp:// or tcp:// addresses give titles");
  for (bool stream : {false, true}) {
    nettest::Peer holder(stream);
    ASSERT_TRUE(holder.bind(0));
    if (stream) {
      ASSERT_TRUE(holder.listen());
    }
    const uint16_t port = holder.port();
    EXPECT_EQ(Problem(Address(stream ? "tcp" : "udp", port)),
              "port " + std::to_string(port) + " in use");
  }
}

TEST(NowPlayingListener, DatagramsTheNewestWinsDecodedAsAFileIs) {
  NowPlayingListener listener;
  const uint16_t port = Open(listener, false);
  EXPECT_EQ(listener.poll(), std::nullopt);

  nettest::Peer automation(false);
  // Keep-alives and blank datagrams after a title are no titles.
  for (const char* title :
       {"one", "two", "Caf\xC3\xA9 del Mar", "", "\n", "\r\n", " \t ", "\xEF\xBB\xBF "}) {
    ASSERT_TRUE(automation.sendTo(port, title));
  }
  EXPECT_EQ(listener.poll(), "Caf\xE9 del Mar");
  EXPECT_EQ(listener.poll(), std::nullopt);

  // Too long: dropped whole; the limit itself is a title.
  ASSERT_TRUE(automation.sendTo(port, std::string(kTitleBytesLimit + 1, 'x')));
  ASSERT_TRUE(automation.sendTo(port, std::string(60000, 'y')));
  EXPECT_EQ(listener.poll(), std::nullopt);
  ASSERT_TRUE(automation.sendTo(port, std::string(kTitleBytesLimit, 'z')));
  EXPECT_EQ(listener.poll(), std::string(kTitleBytesLimit, 'z'));
  EXPECT_EQ(listener.counts().oversized, 2u);
  EXPECT_EQ(listener.counts().titles, 4u);
}

TEST(NowPlayingListener, TcpLinesFromSeveralSendersEachBounded) {
  NowPlayingListener listener;
  const uint16_t port = Open(listener, true);
  const auto next = [&listener] {
    return nettest::PollUntilSomething([&] { return listener.poll(); });
  };

  nettest::Peer first(true);
  ASSERT_TRUE(first.connect(port));
  ASSERT_TRUE(first.write("A1\r\nA2\r\n\r\n \t\n\n"));
  EXPECT_EQ(next(), "A2");
  ASSERT_TRUE(first.write(std::string(kTitleBytesLimit + 1, 'x') + "\nA3\n"));
  EXPECT_EQ(next(), "A3");
  EXPECT_EQ(listener.counts().oversized, 1u);

  // More senders than the listener keeps: the one idle longest is closed to make room.
  std::vector<std::unique_ptr<nettest::Peer>> crowd;
  for (size_t n = 0; n < NowPlayingListener::kMaxClients; ++n) {
    crowd.push_back(std::make_unique<nettest::Peer>(true));
    ASSERT_TRUE(crowd.back()->connect(port));
    ASSERT_TRUE(crowd.back()->write("C" + std::to_string(n) + "\n"));
    EXPECT_TRUE(next().has_value());
  }
  EXPECT_EQ(listener.clients(), NowPlayingListener::kMaxClients);
  EXPECT_TRUE(first.closedByPeer());

  // A title waiting unread is never closed away, however many empty connections come after it,
  // whether its sender closes without ending its line or stays, and however long it was idle.
  for (bool stays : {false, true}) {
    auto sender = std::make_unique<nettest::Peer>(true);
    ASSERT_TRUE(sender->connect(port));
    EXPECT_EQ(listener.poll(), std::nullopt);
    ASSERT_TRUE(sender->write(stays ? "Stays\n" : "Closes"));
    if (!stays) sender.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (size_t n = 0; n <= NowPlayingListener::kMaxClients; ++n) {
      crowd.push_back(std::make_unique<nettest::Peer>(true));
      ASSERT_TRUE(crowd.back()->connect(port));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(next(), stays ? "Stays" : "Closes");
  }

  // Closed, the port can be listened on again at once.
  listener.close();
  EXPECT_EQ(listener.clients(), 0u);
  NowPlayingListener again;
  std::string problem;
  EXPECT_TRUE(again.open(Address("tcp", port), problem)) << problem;
}

// Read as it arrives: the title received last wins whichever connection brought it, and a burst
// that would fill the system's buffer between two refreshes does not hide the title after it.
TEST(NowPlayingListener, SocketEventsReadAsDataArrives) {
  VirtualTimeHost host;
  SetTimeHost(&host);
  const auto deliverUntil = [&host](const NowPlayingListener& l, uint64_t titles) {
    for (int i = 0; i < 1000 && l.counts().titles < titles; ++i) {
      host.advance(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return l.counts().titles >= titles;
  };
  {
    NowPlayingListener listener;
    const uint16_t port = Open(listener, true);
    nettest::Peer persistent(true);
    ASSERT_TRUE(persistent.connect(port));
    host.advance(1);
    nettest::Peer newcomer(true);
    ASSERT_TRUE(newcomer.connect(port));
    ASSERT_TRUE(newcomer.write("Older\n"));
    ASSERT_TRUE(deliverUntil(listener, 1));
    ASSERT_TRUE(persistent.write("Newer\n"));
    ASSERT_TRUE(deliverUntil(listener, 2));
    EXPECT_EQ(listener.poll(), "Newer");
  }
  {
    NowPlayingListener listener;
    const uint16_t port = Open(listener, false);
    std::atomic<bool> sent{false};
    std::thread automation([&] {
      nettest::Peer peer(false);
      for (int n = 0; n < 100'000; ++n) (void)peer.sendTo(port, "Flood " + std::to_string(n));
      sent = true;
    });
    while (!sent) host.advance(1);
    automation.join();
    for (int i = 0; i < 50; ++i) host.advance(1);
    nettest::Peer peer(false);
    ASSERT_TRUE(peer.sendTo(port, "After the burst"));
    const uint64_t before = listener.counts().titles;
    EXPECT_TRUE(deliverUntil(listener, before + 1));
    EXPECT_LE(listener.counts().titles,
              listener.counts().events * NowPlayingListener::kDatagramsPerEvent);
    EXPECT_LT(listener.heldBytes(), 64u) << "the newest only, no queue";
    EXPECT_EQ(listener.poll(), "After the burst");
  }
  SetTimeHost(nullptr);
}
