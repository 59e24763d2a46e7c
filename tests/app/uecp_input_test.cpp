// UECP frames from the network, built here from the standard's field layout, and the command
// lines they put on the encoder's port through the whole window.
#include <thread>

#include "panel_fixture.h"
#include "platform/net_peer.h"
#include "remote/uecp_input.h"
#include "support/uecp_build.h"

namespace apptest {

namespace uecp_in {

using uecptest::Bytes;
std::string Frame(const std::string& message, uint8_t sqc = 0, uint16_t address = 0) {
  return uecptest::Build(address, sqc, message);
}

// An element with DSN 0 and PSN 0 before its data.
std::string Set(int mec, const std::string& data, int dsn = 0) {
  return Bytes({mec, dsn, 0}) + data;
}
std::string Rt(const std::string& text, bool ab = false) {
  return Set(0x0A, Bytes({static_cast<int>(text.size()) + 1, ab ? 1 : 0}) + text);
}

std::string PageLine(const std::string& ps) { return "PS" + ps + "\r\n"; }

class UecpInputTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
  }
  void startListening(bool stream,
                      std::initializer_list<std::pair<const char*, const char*>> keys = {}) {
    port_ = nettest::FreePort(stream);
    writeSetting("UECP", "Listen",
                 std::string(stream ? "tcp" : "udp") + "://127.0.0.1:" + std::to_string(port_));
    store("UECP", keys);
    startConnected(0);
    received(1, 0);
  }
  const remote::UecpInput& input() { return *main_->uecp; }
  // Delivers socket events until the listener has taken `frames` more frames or dropped some.
  void settle(uint64_t frames) {
    const auto seen = [&] {
      const auto& c = input().listener().counts();
      uint64_t n = c.frames;
      for (uint64_t d : c.dropped) n += d;
      return n;
    };
    const uint64_t until = seen() + frames;
    for (int i = 0; i < 1000 && seen() < until; ++i) {
      time_.advance(0);
      if (seen() < until) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_GE(seen(), until);
  }
  // A datagram holding one frame or several; the lines it gives, the delayed DS line and the
  // first clock-time tick included.
  std::string udp(const std::string& bytes, uint64_t frames = 1) {
    EXPECT_TRUE(sender_.sendTo(port_, bytes));
    settle(frames);
    time_.advance(1100);
    return received(1, 0);
  }
  uint16_t port_ = 0;
  nettest::Peer sender_{false};
};

TEST_F(UecpInputTest, EachElementGivesThePanelsLineAndNothingIsStored) {
  startListening(false, {{"Site address", "5"}});
  const std::string before = platform::ReadWholeFile(ini()).value_or("");
  const struct {
    const char* what;
    std::string message;
    std::string wire;
  } cases[] = {
      {"PI", Set(0x01, Bytes({0xC0, 0xDE})), "PI192,222\r\n"},
      {"PS", Set(0x02, "RADIO 1 "), PageLine("RADIO 1 ")},
      {"TA/TP", Set(0x03, Bytes({3})), "TP1\r\nTA1\r\n"},
      // Each box that changes is clicked, as the operator would.
      {"DI", Set(0x04, Bytes({5})), "DI1\r\nDI5\r\n"},
      {"MS", Set(0x05, Bytes({1})), "MS1\r\n"},
      {"PTY", Set(0x07, Bytes({10})), "PT10\r\n"},
      {"RT", Rt("Hi\x0D"), "RTHi" + std::string(62, ' ') + "\r\n"},
      {"RT again", Rt("Hi"), ""},
      {"RT A/B", Rt("Hi", true), "RTHi" + std::string(62, ' ') + "\r\n"},
      {"RT flush", Set(0x0A, Bytes({0})), "RT" + std::string(64, ' ') + "\r\n"},
      {"AF", Set(0x13, Bytes({3, 226, 100, 101})), "AF226,100,101,0,0,0,0,0\r\n"},
      {"CT on", Bytes({0x19, 1}), "TI1,223,134,219,64\r\n"},
      {"clock", Bytes({0x0D, 26, 12, 5, 13, 45, 0, 0, 0}), ""},
      {"DSN 0xFE", Set(0x07, Bytes({3}), 0xFE), ""},
      {"wrong site", "", ""},
  };
  for (const auto& c : cases) {
    const std::string frame = c.message.empty()
                                  ? Frame(Set(0x07, Bytes({4})), 0, uecp::MakeAddress(9, 0))
                                  : Frame(c.message);
    EXPECT_EQ(udp(frame), c.wire) << c.what;
  }
  EXPECT_EQ(udp(Frame(Set(0x07, Bytes({1}))) + Frame(Set(0x05, Bytes({0}))), 2), "PT1\r\nMS0\r\n");
  EXPECT_EQ(platform::ReadWholeFile(ini()).value_or(""), before);
  EXPECT_EQ(input().counts().otherSet, 1u);
  EXPECT_EQ(input().counts().wrongAddress, 1u);
}

// A frame cut into single bytes across reads is one frame; numbered frames are answered, also a
// broken one; a PS that the field refuses goes nowhere, however the source numbers it.
TEST_F(UecpInputTest, TcpFramesSpanReadsAndNumberedOnesAreAnswered) {
  startListening(true);
  nettest::Peer source(true);
  ASSERT_TRUE(source.connect(port_));
  const auto answer = [&](int code, int sqc) {
    char reply[64];
    source.setOption(SOL_SOCKET, SO_RCVTIMEO, timeval{5, 0});
    const long n = ::recv(source.raw(), reply, sizeof reply, 0);
    return n > 0 && std::string(reply, static_cast<size_t>(n)) == Frame(Bytes({0x18, code, sqc}));
  };

  for (char byte : Frame(Set(0x02, "RADIO 1 "))) {
    ASSERT_TRUE(source.write(std::string(1, byte)));
    time_.advance(0);
  }
  for (int i = 0; i < 1000 && input().listener().counts().frames == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    time_.advance(0);
  }
  time_.advance(400);
  EXPECT_EQ(received(1, 0), PageLine("RADIO 1 "));

  ASSERT_TRUE(source.write(Frame(Set(0x07, Bytes({9})), 7)));
  settle(1);
  EXPECT_TRUE(answer(0, 7));
  std::string broken = Frame(Set(0x07, Bytes({3})), 8);
  broken[broken.size() - 2] ^= 0x01;
  ASSERT_TRUE(source.write(broken));
  settle(1);
  EXPECT_TRUE(answer(1, 8));
  // 0x8F is "IJ", two letters of the program's code page: nine characters.
  ASSERT_TRUE(source.write(Frame(Set(0x02, "RADIO 1\x8F"), 9)));
  settle(1);
  EXPECT_TRUE(answer(6, 9));
  time_.advance(400);
  EXPECT_EQ(received(1, 0), "PT9\r\n");
  EXPECT_EQ(input().counts().refused, 1u);
  EXPECT_EQ(input().listener().counts().dropped[size_t(uecp::Drop::Crc)], 1u);

  // The operator types a port another program holds: the page says so, the program runs on.
  nettest::Peer holder(true);
  ASSERT_TRUE(holder.bind(0) && holder.listen());
  hi::THIEdit& field = main_->settingsPages->uecpListen;
  type(field, "tcp://127.0.0.1:" + std::to_string(holder.port()));
  QTest::keyClick(field.widget(), Qt::Key_Return);
  EXPECT_EQ(main_->settingsPages->uecpState.caption(),
            "UECP input: tcp://127.0.0.1:" + std::to_string(holder.port()) + ": port " +
                std::to_string(holder.port()) + " in use");
  EXPECT_EQ(setting("UECP", "Listen"), "tcp://127.0.0.1:" + std::to_string(holder.port()));
}

// While the source sends, the dynamic PS is held back; after a quiet minute the panel's own
// values go back on air, stored RT and dynamic PS alike, until the next frame.
TEST_F(UecpInputTest, QuietSourceFallsBackAndTheNextFrameTakesOver) {
  useDynamicFiles("DYNAMIC PS TEXT FOR ALL");
  writeSetting("RDS Settings", "RT", "Own text");
  logFrom();
  startListening(false, {{"Fallback after", "1"}});
  click(dyn().dps);
  time_.advance(3000);
  ASSERT_NE(received(1, 0).find("PS"), std::string::npos);

  EXPECT_EQ(udp(Frame(Set(0x02, "RADIO 1 ") + Rt("Hi"))),
            PageLine("RADIO 1 ") + "RTHi" + std::string(62, ' ') + "\r\n");
  time_.advance(50000);
  EXPECT_EQ(received(1, 0), "") << "the engine's PS lines are held back";
  EXPECT_NE(main_->settingsPages->uecpState.caption().find("on air"), std::string::npos);

  time_.advance(10000);
  const std::string own = received(1, 0);
  EXPECT_NE(own.find("RTOwn text" + std::string(56, ' ') + "\r\n"), std::string::npos) << own;
  EXPECT_NE(own.find("PSDYNAMIC"), std::string::npos) << own;
  EXPECT_EQ(setting("RDS Settings", "RT"), "Own text");
  time_.advance(1000);
  EXPECT_NE(main_->settingsPages->uecpState.caption().find("quiet"), std::string::npos);

  EXPECT_EQ(udp(Frame(Set(0x02, "RADIO 2 "))).substr(0, 12), PageLine("RADIO 2 "));
  time_.advance(5000);
  EXPECT_EQ(received(1, 0), "");
  const std::string log = logged();
  EXPECT_NE(log.find("UECP source quiet for 1 min"), std::string::npos) << log;
  EXPECT_NE(log.find("UECP source on air again"), std::string::npos) << log;
}

// A source gone wild: 100,000 frames on each transport, some broken. Only well-formed lines
// reach the port, the newest values are on air afterwards, and memory stays flat.
class UecpFloodTest : public UecpInputTest {
 protected:
  static constexpr int kFrames = 100000;
  static constexpr int kBatch = 32;  // well within a socket event's share, so no datagram is lost

  void pump(uint64_t frames) {
    settle(frames);
    take(received(1, 0));
  }
  void take(const std::string& bytes) {
    std::vector<std::string> lines;
    splitter_.feed(bytes, lines);
    for (const std::string& line : lines) {
      const std::string why = Malformed(encoder_.decode(line));
      if (!why.empty() && malformed_.size() < 5) malformed_.push_back(why + ": " + line);
      ++lines_;
    }
  }
  void flood(const std::function<void(const std::string&)>& send) {
    std::string batch;
    size_t heapAt10k = 0;
    for (int i = 0; i < kFrames; ++i) {
      if (i == 10000) heapAt10k = LiveHeapBytes();
      std::string frame = Frame(Set(0x07, Bytes({i % 32})));
      if (i % 1000 == 999) frame = Frame(Set(0x02, "FLOOD " + std::to_string(10 + i / 1000 % 90)));
      if (i % 997 == 0) frame[frame.size() - 2] ^= 0x10;
      batch += frame;
      if (i % kBatch == kBatch - 1) {
        send(batch);
        pump(kBatch);
        batch.clear();
      }
    }
    send(Frame(Set(0x02, "LAST ONE") + Set(0x07, Bytes({7}))));
    pump(1);
    time_.advance(400);
    take(received(1, 0));
    if (LiveHeapBytes() > 0) {
      EXPECT_LT(LiveHeapBytes(), heapAt10k + (256u << 10));
    }
    EXPECT_EQ(malformed_, std::vector<std::string>());
    EXPECT_EQ(encoder_.state().pty, 7);
    EXPECT_EQ(encoder_.state().ps, "LAST ONE");
  }

  vencoder::LineSplitter splitter_;
  vencoder::VirtualEncoder encoder_{0};
  std::vector<std::string> malformed_;
  size_t lines_ = 0;
};

TEST_F(UecpFloodTest, FramesOverUdpThenTcp) {
  startListening(false);
  flood([&](const std::string& batch) {
    // One frame per datagram here: the batch is cut at each start.
    for (size_t at = 0; at < batch.size();) {
      const size_t next = batch.find('\xFE', at + 1);
      ASSERT_TRUE(sender_.sendTo(port_, batch.substr(at, next - at)));
      at = next == std::string::npos ? batch.size() : next;
    }
  });
  const size_t udpLines = lines_;
  EXPECT_GT(udpLines, size_t(kFrames) * 9 / 10);

  hi::THIEdit& field = main_->settingsPages->uecpListen;
  port_ = nettest::FreePort(true);
  type(field, "tcp://127.0.0.1:" + std::to_string(port_));
  QTest::keyClick(field.widget(), Qt::Key_Return);
  nettest::Peer source(true);
  ASSERT_TRUE(source.connect(port_));
  encoder_ = vencoder::VirtualEncoder(0);
  flood([&](const std::string& batch) { ASSERT_TRUE(source.write(batch)); });
  EXPECT_GT(lines_ - udpLines, size_t(kFrames) * 9 / 10);
}

}  // namespace uecp_in

}  // namespace apptest
