#include "platform/net_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "support/tcp_peer.h"

using namespace platform;

namespace {

int64_t Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

Endpoint At(const TcpPeer& peer) {
  Endpoint endpoint;
  std::string problem;
  EXPECT_TRUE(ParseEndpoint(peer.url(), endpoint, problem)) << problem;
  return endpoint;
}

// Polls as the window's timer would, until the open is decided or three seconds have passed.
NetPort::State Settle(NetPort& port) {
  const auto start = std::chrono::steady_clock::now();
  while (port.poll() == NetPort::State::Connecting && Ms(start) < 3000)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return port.state();
}

}  // namespace

TEST(NetPort, RawPortPassesBytesAsTheyAreAndDiscardsWhatThePeerSends) {
  TcpPeer peer;
  NetPort port;
  port.open(At(peer), false, SerialMode{});
  ASSERT_TRUE(peer.accept());
  ASSERT_EQ(Settle(port), NetPort::State::Open);
  // An echoing encoder: far more than any buffer holds, and never read by the program.
  const std::string echo(1 << 20, 'e');
  std::thread flood([&] { peer.write(echo); });
  const std::string line("TI\x01\xff\x0d\x0d\x00\n", 8);
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(port.exchangeAndCheck());
    ASSERT_EQ(port.write(line), 8);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  flood.join();
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += line;
  EXPECT_EQ(peer.read(200, expected.size()), expected);

  // The peer goes away: noticed without a write, and a write then fails.
  peer.stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(port.exchangeAndCheck());
  EXPECT_EQ(port.write("PS\r\n"), -1);
}

// A refused connection is seen through the connection page; here a name that has no address.
TEST(NetPort, UnresolvableFailsWithoutHoldingTheCaller) {
  NetPort port;
  const auto start = std::chrono::steady_clock::now();
  port.open(Endpoint{"tcp", "no-such-encoder.invalid", 4001}, false, SerialMode{});
  EXPECT_LT(Ms(start), 100);
  EXPECT_EQ(Settle(port), NetPort::State::Failed);
  EXPECT_LE(Ms(start), NetPort::kConnectTimeoutMs + 500);
  EXPECT_FALSE(port.problem().empty());
}

// A device server that stops taking bytes (its serial side stalled, or it hung): the write
// gives up after its time-out instead of holding the window.
TEST(NetPort, PeerThatStopsReadingIsLostWithinTheWriteTimeout) {
  TcpPeer peer(0, 4096);
  NetPort port;
  port.open(At(peer), false, SerialMode{});
  ASSERT_TRUE(peer.accept());
  ASSERT_EQ(Settle(port), NetPort::State::Open);
  port.setTimeouts({10, 10, 10, 1, 100});
  const std::string chunk(256, 'x');
  long written = 256;
  int64_t slowest = 0;
  for (int i = 0; i < 100000 && written == 256; ++i) {
    const auto start = std::chrono::steady_clock::now();
    written = port.write(chunk);
    slowest = std::max(slowest, Ms(start));
  }
  EXPECT_LT(written, 256);
  EXPECT_LE(slowest, 256 + 100 + 150);  // the time-out of one chunk, and a little

  // The line cut short is dropped with the link: what is still queued never reaches the device
  // server, where the next connection's first line would join it.
  port.close();
  while (!peer.read(100).empty()) {
  }
  EXPECT_TRUE(peer.wasReset());
}

TEST(NetPort, Rfc2217NegotiatesTheLineSettingsAndEscapesByte255) {
  TcpPeer peer;
  NetPort port;
  SerialMode mode;
  ASSERT_TRUE(ApplyModeText("baud=9600 parity=E data=7 stop=2 octs=off", mode));
  port.open(At(peer), true, mode);
  ASSERT_TRUE(peer.accept());
  std::string offer;
  for (int i = 0; i < 100 && offer.size() < 9; ++i) {
    port.poll();
    offer += peer.read(10, 9 - offer.size());
  }
  // The client's offer: binary both ways, then the COM-port option.
  EXPECT_EQ(offer, std::string("\xff\xfb\x00\xff\xfd\x00\xff\xfb\x2c", 9));
  EXPECT_EQ(port.poll(), NetPort::State::Connecting);  // nothing is sent before the server agrees

  // The server agrees to binary and the COM-port option, asks for a terminal type and offers
  // to echo: the two it does not need are refused, the rest is not answered again.
  peer.write(std::string("\xff\xfd\x00\xff\xfb\x00\xff\xfd\x18\xff\xfb\x01\xff\xfd\x2c", 15));
  ASSERT_EQ(Settle(port), NetPort::State::Open);
  const std::string sb("\xff\xfa\x2c", 3), se("\xff\xf0", 2);
  EXPECT_EQ(peer.read(300), std::string("\xff\xfc\x18\xff\xfe\x01", 6) +  // WONT 24, DONT 1
                                sb + std::string("\x01\x00\x00\x25\x80", 5) + se +  // 9600 baud
                                sb + "\x02\x07" + se +                              // 7 data bits
                                sb + "\x03\x03" + se +                              // even parity
                                sb + "\x04\x02" + se +                              // 2 stop bits
                                sb + "\x05\x01" + se + sb + "\x05\x08" + se + sb + "\x05\x0b" +
                                se);  // no flow, DTR, RTS

  // The server's acknowledgements and notices are read and dropped; its settings are kept.
  peer.write(sb + std::string("\x65\x00\x00\x25\x80", 5) + se + sb + "\x66\x07" + se + sb +
             "\x67\x03" + se + sb + "\x68\x02" + se + sb + "\x6b\xff\xff" + se + "echo\xff\xff");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(port.exchangeAndCheck());
  EXPECT_EQ(port.serverSettings(), "9600 7E2");

  // The clock-time line in byte form carries raw bytes: 255 is doubled, CR goes as it is.
  const std::string ti("TI\xff\x0d\x01\xff\x00\n", 8);
  EXPECT_EQ(port.write(ti), 8);
  EXPECT_EQ(peer.read(300), std::string("TI\xff\xff\x0d\x01\xff\xff\x00\n", 10));
}

TEST(NetPort, Rfc2217ServerThatRefusesTheComPortOptionFailsTheOpen) {
  TcpPeer peer;
  NetPort port;
  port.open(At(peer), true, SerialMode{});
  ASSERT_TRUE(peer.accept());
  peer.read(300, 9);
  peer.write(std::string("\xff\xfe\x2c", 3));
  EXPECT_EQ(Settle(port), NetPort::State::Failed);
  EXPECT_EQ(port.problem(), "the device server refused the COM-port option (RFC 2217)");

  // A raw server named as RFC 2217 by mistake never answers.
  TcpPeer raw;
  port.open(At(raw), true, SerialMode{});
  ASSERT_TRUE(raw.accept());
  EXPECT_EQ(Settle(port), NetPort::State::Failed);
  EXPECT_EQ(port.problem(),
            "the device server did not take up the COM-port option (RFC 2217) in time");
}

namespace {

std::atomic<int> gLookups{0}, gLookupsOut{0};
std::atomic<bool> gAnswer{false};
std::atomic<uint16_t> gAnswerPort{0};

// A resolver that does not answer until the test lets it, then names the loopback address.
std::vector<SocketAddress> SlowResolver(const Endpoint&, std::string& problem) {
  ++gLookups;
  ++gLookupsOut;
  while (!gAnswer) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const sockaddr_in at = nettest::Loopback(gAnswerPort);
  SocketAddress address;
  std::memcpy(address.bytes.data(), &at, sizeof at);
  address.length = sizeof at;
  address.family = AF_INET;
  problem.clear();
  --gLookupsOut;
  return {address};
}

}  // namespace

// A resolver that never answers: every try gives up at its deadline, and the tries after it
// wait for the one lookup still out instead of piling up threads.
TEST(NetPort, OneNameLookupAtATimeEachTryBoundedByItsDeadline) {
  TcpPeer peer;
  gAnswerPort = peer.port();
  const NetPort::Resolver saved = NetPort::resolver;
  NetPort::resolver = SlowResolver;
  NetPort port;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto start = std::chrono::steady_clock::now();
    port.open(Endpoint{"tcp", "encoder.studio", 4001}, false, SerialMode{}, 100);
    EXPECT_LT(Ms(start), 50);
    EXPECT_EQ(Settle(port), NetPort::State::Failed);
    EXPECT_EQ(port.problem(), "the name encoder.studio was not found in time");
  }
  EXPECT_EQ(gLookups, 1);

  // The answer comes: a try after it looks the name up again, and connects.
  gAnswer = true;
  while (gLookupsOut > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  port.open(Endpoint{"tcp", "encoder.studio", 4001}, false, SerialMode{});
  EXPECT_EQ(Settle(port), NetPort::State::Open);
  EXPECT_TRUE(peer.accept());
  EXPECT_EQ(gLookups, 2);
  while (gLookupsOut > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  NetPort::resolver = saved;
}

// A server that floods option requests and never reads: each is answered once at most, and
// no call waits on the peer.
TEST(NetPort, Rfc2217ServerFloodingOptionRequestsNeverHoldsTheCaller) {
  TcpPeer peer;
  NetPort port;
  port.open(At(peer), true, SerialMode{});
  ASSERT_TRUE(peer.accept());
  peer.read(300, 9);
  peer.write(std::string("\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c", 9));
  ASSERT_EQ(Settle(port), NetPort::State::Open);
  peer.read(300);

  std::atomic<bool> stop{false};
  std::thread flood([&] {
    std::string requests;
    for (int i = 0; i < 4096; ++i) requests += "\xff\xfb\x01\xff\xfd\x18";
    while (!stop) peer.write(requests);
  });
  int64_t slowest = 0;
  const auto start = std::chrono::steady_clock::now();
  while (Ms(start) < 500) {
    const auto call = std::chrono::steady_clock::now();
    EXPECT_TRUE(port.exchangeAndCheck());
    slowest = std::max(slowest, Ms(call));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const std::string answers = peer.read(200);
  stop = true;
  // The flood's last write ends once the program's side is gone.
  port.close();
  flood.join();
  EXPECT_LT(slowest, 100);
  EXPECT_EQ(answers.substr(0, 12), std::string("\xff\xfe\x01\xff\xfc\x18", 6));
}
