#include "platform/now_playing.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/net_peer.h"

using namespace platform;

namespace {

std::string Address(const char* scheme, uint16_t port) {
  return std::string(scheme) + "://127.0.0.1:" + std::to_string(port);
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
  EXPECT_EQ(Problem("udp://127.0.0.1"), "no port");
  EXPECT_EQ(Problem("http://127.0.0.1:8080"), "only udp:// or tcp:// addresses give titles");
  EXPECT_EQ(Problem("udp://automation.example:5005"),
            "listen on a numeric address such as 127.0.0.1, not automation.example");
#ifndef _WIN32
  // An address of another computer (a documentation range no host has). Wine, which runs the
  // Windows build of these tests, takes it.
  EXPECT_EQ(Problem("udp://192.0.2.1:5005"), "192.0.2.1 is no address of this computer");
#endif
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
  const uint16_t port = nettest::FreePort(false);
  std::string problem;
  ASSERT_TRUE(listener.open("udp://localhost:" + std::to_string(port), problem)) << problem;
  EXPECT_EQ(listener.poll(), std::nullopt);

  nettest::Peer automation(false);
  for (const char* title : {"one", "two", "Caf\xC3\xA9 del Mar"}) {
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
  const uint16_t port = nettest::FreePort(true);
  std::string problem;
  ASSERT_TRUE(listener.open(Address("tcp", port), problem)) << problem;
  const auto next = [&listener] {
    return nettest::PollUntilSomething([&] { return listener.poll(); });
  };

  nettest::Peer first(true);
  ASSERT_TRUE(first.connect(port));
  ASSERT_TRUE(first.write("A1\r\nA2\n"));
  EXPECT_EQ(next(), "A2");
  {
    // A sender that closes instead of ending its line.
    nettest::Peer once(true);
    ASSERT_TRUE(once.connect(port));
    ASSERT_TRUE(once.write("B1"));
  }
  EXPECT_EQ(next(), "B1");
  ASSERT_TRUE(first.write(std::string(kTitleBytesLimit + 1, 'x') + "\nA3\n"));
  EXPECT_EQ(next(), "A3");
  EXPECT_EQ(listener.counts().oversized, 1u);

  // More senders than the listener keeps: the oldest is closed to make room.
  std::vector<std::unique_ptr<nettest::Peer>> crowd;
  for (size_t n = 0; n < NowPlayingListener::kMaxClients; ++n) {
    crowd.push_back(std::make_unique<nettest::Peer>(true));
    ASSERT_TRUE(crowd.back()->connect(port));
    ASSERT_TRUE(crowd.back()->write("C" + std::to_string(n) + "\n"));
    EXPECT_TRUE(next().has_value());
  }
  EXPECT_EQ(listener.clients(), NowPlayingListener::kMaxClients);
  EXPECT_TRUE(first.closedByPeer());

  // Closed, the port can be listened on again at once.
  listener.close();
  EXPECT_EQ(listener.clients(), 0u);
  NowPlayingListener again;
  EXPECT_TRUE(again.open(Address("tcp", port), problem)) << problem;
}
