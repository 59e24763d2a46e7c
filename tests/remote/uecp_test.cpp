#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/time_host.h"
#include "remote/uecp_elements.h"
#include "remote/uecp_frame.h"
#include "remote/uecp_listener.h"
#include "support/tcp_peer.h"
#include "support/uecp_build.h"

namespace {

using uecp::Drop;

using uecptest::Build;
using uecptest::Bytes;

struct Fed {
  std::vector<uecp::Frame> frames;
  std::vector<uecp::Rejected> rejected;
};

Fed Feed(uecp::FrameDecoder& decoder, const std::string& bytes) {
  Fed out;
  decoder.feed(bytes, out.frames, &out.rejected);
  return out;
}

const std::string kPsRadio1 = Bytes({0xfe, 0x00, 0x00, 0x00, 0x0b, 0x02, 0x00, 0x00, 0x52, 0x41,
                                     0x44, 0x49, 0x4f, 0x20, 0x31, 0x20, 0xd5, 0x20, 0xff});
const std::string kPiFeff = Bytes(
    {0xfe, 0x00, 0x00, 0x00, 0x05, 0x01, 0x00, 0x00, 0xfd, 0x01, 0xfd, 0x02, 0x20, 0xe3, 0xff});
const std::string kPiSite5 =
    Bytes({0xfe, 0x01, 0x43, 0x01, 0x05, 0x01, 0x00, 0x00, 0x7c, 0x6f, 0xb3, 0x47, 0xff});
const std::string kRtHi = Bytes({0xfe, 0x00, 0x00, 0x00, 0x08, 0x0a, 0x00, 0x00, 0x04, 0x01, 0x48,
                                 0x69, 0x0d, 0xe8, 0x24, 0xff});
const std::string kAckCrc =
    Bytes({0xfe, 0x00, 0x00, 0x00, 0x03, 0x18, 0x01, 0x01, 0x5c, 0x3f, 0xff});

TEST(Uecp, ReferenceFramesDecodeAndEncodeByteForByte) {
  struct Case {
    std::string wire;
    uint16_t address;
    uint8_t sqc;
    std::string message;
  };
  const std::vector<Case> cases = {
      {kPsRadio1, 0, 0, Bytes({0x02, 0, 0}) + "RADIO 1 "},
      {kPiFeff, 0, 0, Bytes({0x01, 0, 0, 0xFE, 0xFF})},
      {kPiSite5, uecp::MakeAddress(5, 3), 1, Bytes({0x01, 0, 0, 0x7C, 0x6F})},
      {kRtHi, 0, 0, Bytes({0x0A, 0, 0, 4, 1, 'H', 'i', 0x0D})},
      {kAckCrc, 0, 0, uecp::AckMessage(uecp::Ack::CrcError, 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Build(c.address, c.sqc, c.message), c.wire);
    EXPECT_EQ(uecp::EncodeFrame(c.address, c.sqc, c.message), c.wire);
    uecp::FrameDecoder decoder;
    const Fed fed = Feed(decoder, c.wire);
    ASSERT_EQ(fed.frames.size(), 1u);
    EXPECT_EQ(fed.frames[0].address, c.address);
    EXPECT_EQ(fed.frames[0].sqc, c.sqc);
    EXPECT_EQ(fed.frames[0].message, c.message);
  }

  const uecp::Message ps = uecp::ParseMessage(cases[0].message);
  ASSERT_EQ(ps.elements.size(), 1u);
  EXPECT_EQ(ps.elements[0].kind, uecp::Kind::Ps);
  EXPECT_EQ(ps.elements[0].text, "RADIO 1 ");
  EXPECT_EQ(uecp::ParseMessage(cases[1].message).elements[0].pi, 0xFEFF);
  const uecp::Element rt = uecp::ParseMessage(cases[3].message).elements[0];
  EXPECT_EQ(rt.status, uecp::Ack::Ok);
  EXPECT_TRUE(rt.ab);
  EXPECT_EQ(rt.text, "Hi");

  // Site 5, encoder 3: for that encoder, for any, never for another site or encoder.
  EXPECT_TRUE(uecp::AddressedTo(cases[2].address, 5, 3));
  EXPECT_TRUE(uecp::AddressedTo(cases[2].address, 0, 0));
  EXPECT_FALSE(uecp::AddressedTo(cases[2].address, 6, 3));
  EXPECT_FALSE(uecp::AddressedTo(cases[2].address, 5, 4));
  EXPECT_TRUE(uecp::AddressedTo(0, 6, 4));
}

TEST(Uecp, StuffingInEveryFieldAndBrokenStuffing) {
  // A message whose CRC holds stuffed bytes in both halves; the address, counter, length and
  // message hold them too.
  std::string message = Bytes({0xFD, 0xFE, 0xFF}) + std::string(250, 'x');
  for (int k = 0;; ++k) {
    message[3] = static_cast<char>(k & 0xFF);
    message[4] = static_cast<char>(k >> 8);
    const uint16_t crc = uecp::Crc16(Bytes({0xFE, 0xFF, 0xFD, 0xFD}) + message);
    if ((crc >> 8) >= 0xFD && (crc & 0xFF) >= 0xFD) break;
    ASSERT_LT(k, 65535);
  }
  const std::string wire = Build(0xFEFF, 0xFD, message);
  ASSERT_EQ(message.size(), 0xFDu);
  EXPECT_EQ(uecp::EncodeFrame(0xFEFF, 0xFD, message), wire);
  uecp::FrameDecoder decoder;
  Fed fed = Feed(decoder, wire);
  ASSERT_EQ(fed.frames.size(), 1u);
  EXPECT_EQ(fed.frames[0].address, 0xFEFF);
  EXPECT_EQ(fed.frames[0].sqc, 0xFD);
  EXPECT_EQ(fed.frames[0].message, message);

  // FD then anything but 00..02 drops the frame; an FE there starts the next one.
  fed = Feed(decoder,
             Bytes({0xFE, 0, 0, 1, 0xFD, 0x03, 0xFF}) + Bytes({0xFE, 0, 0, 0xFD}) + kPsRadio1);
  EXPECT_EQ(fed.frames.size(), 1u);
  EXPECT_EQ(decoder.dropped(Drop::Stuffing), 2u);
  ASSERT_EQ(fed.rejected.size(), 2u);
  EXPECT_EQ(uecp::DropAck(fed.rejected[0].reason), uecp::Ack::BadStuffing);
}

TEST(Uecp, BrokenFramesAreDroppedAndCountedByReason) {
  uecp::FrameDecoder decoder;
  std::string badCrc = Build(0, 7, Bytes({0x07, 0, 0, 10}));
  badCrc[badCrc.size() - 2] ^= 1;
  Fed fed = Feed(decoder, badCrc);
  EXPECT_TRUE(fed.frames.empty());
  EXPECT_EQ(decoder.dropped(Drop::Crc), 1u);
  ASSERT_EQ(fed.rejected.size(), 1u);
  EXPECT_TRUE(fed.rejected[0].headerKnown);
  EXPECT_EQ(fed.rejected[0].sqc, 7);

  // A length that claims a byte more or less than the message holds, with a matching CRC.
  for (int mfl : {4, 6}) Feed(decoder, Build(0, 0, Bytes({0x07, 0, 0, 10, 9}), mfl));
  EXPECT_EQ(decoder.dropped(Drop::Length), 2u);
  Feed(decoder, Bytes({0xFE, 0, 0, 0, 0xFF}));
  EXPECT_EQ(decoder.dropped(Drop::Short), 1u);
  // No stop before the next start; then a frame too long for any message.
  fed = Feed(decoder,
             Bytes({0xFE, 0, 0}) + kPiSite5 + "\xFE" + std::string(600, 'a') + "\xFF" + kRtHi);
  EXPECT_EQ(decoder.dropped(Drop::NoStop), 1u);
  EXPECT_EQ(decoder.dropped(Drop::TooLong), 1u);
  EXPECT_EQ(fed.frames.size(), 2u);
  EXPECT_EQ(decoder.droppedTotal(), 6u);
}

TEST(Uecp, AStreamCutAnywhereGivesTheSameFrames) {
  const std::string stream = "junk\xFF" + kPsRadio1 + kPiFeff + "\r\n" + kRtHi + kPiSite5;
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    uecp::FrameDecoder decoder;
    std::vector<uecp::Frame> frames;
    decoder.feed(stream.substr(0, cut), frames);
    decoder.feed(stream.substr(cut), frames);
    ASSERT_EQ(frames.size(), 4u) << cut;
    EXPECT_EQ(frames[1].message, Bytes({0x01, 0, 0, 0xFE, 0xFF})) << cut;
    EXPECT_EQ(frames[3].sqc, 1) << cut;
    EXPECT_EQ(decoder.droppedTotal(), 0u);
  }
}

TEST(Uecp, ElementsTheirErrorsAndUnsupportedOnes) {
  const std::string message =
      Bytes({0x03, 0, 0, 3}) + Bytes({0x04, 0xFF, 2, 0x09}) + Bytes({0x05, 0, 0, 1}) +
      Bytes({0x07, 0, 0, 32}) + Bytes({0x0A, 0, 0, 0}) + Bytes({0x0A, 0, 0, 66}) +
      std::string(66, 'r') + Bytes({0x13, 0, 0, 4, 226, 1, 250, 7}) +
      Bytes({0x13, 0, 0, 2, 226, 1}) + Bytes({0x19, 1}) + Bytes({0x0D, 24, 5, 1, 12, 0, 0, 0, 2}) +
      Bytes({0x06, 0, 0, 0x12, 0x34}) + Bytes({0x01, 0, 0, 0xC0, 0xDE}) + Bytes({0x40, 1, 2, 3});
  const uecp::Message parsed = uecp::ParseMessage(message);
  ASSERT_EQ(parsed.elements.size(), 13u);
  const auto& e = parsed.elements;
  EXPECT_TRUE(e[0].ta && e[0].tp);
  EXPECT_EQ(e[1].dsn, 0xFF);
  EXPECT_EQ(e[1].psn, 2);
  EXPECT_EQ(e[1].di, 9);
  EXPECT_TRUE(e[2].music);
  EXPECT_EQ(e[3].status, uecp::Ack::OutOfRange);
  EXPECT_TRUE(e[4].rtClear);
  EXPECT_EQ(e[5].status, uecp::Ack::ElementLength);
  EXPECT_EQ(e[6].af, std::vector<uint8_t>({226, 1, 250, 7}));
  EXPECT_EQ(e[6].status, uecp::Ack::Ok);
  EXPECT_EQ(e[7].status, uecp::Ack::OutOfRange);  // two announced, one sent
  EXPECT_TRUE(e[8].ctOn);
  EXPECT_FALSE(e[8].addressed);
  EXPECT_EQ(e[9].kind, uecp::Kind::Clock);
  EXPECT_EQ(e[9].clock.size(), 8u);
  // An unsupported element of known length is skipped; the PI after it still counts.
  EXPECT_EQ(e[10].status, uecp::Ack::UnknownMessage);
  EXPECT_EQ(e[11].pi, 0xC0DE);
  EXPECT_EQ(e[11].status, uecp::Ack::Ok);
  // One of unknown length ends the message.
  EXPECT_EQ(e[12].mec, 0x40);
  EXPECT_EQ(e[12].status, uecp::Ack::UnknownMessage);
  EXPECT_EQ(parsed.unreadBytes, 3u);

  const uecp::Message cut = uecp::ParseMessage(Bytes({0x02, 0, 0}) + "RADIO");
  ASSERT_EQ(cut.elements.size(), 1u);
  EXPECT_EQ(cut.elements[0].status, uecp::Ack::UnexpectedEnd);
  EXPECT_TRUE(cut.elements[0].text.empty());
}

TEST(Uecp, RdsCharactersBecomeCodePageTextWithoutControls) {
  // á, ő (no Windows-1252 letter: its Latin spelling), €, ¤, unassigned DE and 7F, line feed.
  EXPECT_EQ(uecp::RdsToCp1252(Bytes({0x80, 0xA7, 0xA9, 0x24, 'a', 0xDE, 0x7F, 0x0A, 'b'})),
            "\xE1o\x80\xA4"
            "a   b");
  EXPECT_EQ(uecp::RdsToUnicode(0x8F), U'Ĳ');
  EXPECT_EQ(uecp::RdsToUnicode(0xFF), 0u);
  EXPECT_EQ(uecp::Utf8ToRds("$€ő~ŧ"), Bytes({0xAB, 0xA9, 0xA7, ' ', 0xFE}));
}

}  // namespace

// On the loopback, on POSIX and under Wine: two frames in one datagram or one write are two
// frames; a numbered frame is answered on TCP and never on UDP.
TEST(UecpListener, LoopbackUdpAndTcp) {
  platform::VirtualTimeHost time;
  platform::SetTimeHost(&time);
  for (bool stream : {false, true}) {
    std::vector<uecp::Frame> got;
    uecp::Listener listener({[&](const uecp::Frame& f) -> std::optional<uecp::Ack> {
                               got.push_back(f);
                               return uecp::Ack::Ok;
                             },
                             [](uint16_t) { return true; }});
    const uint16_t port = nettest::FreePort(stream);
    std::string problem;
    ASSERT_TRUE(listener.open(
        (stream ? "tcp://127.0.0.1:" : "udp://127.0.0.1:") + std::to_string(port), problem))
        << problem;
    nettest::Peer source(stream);
    const std::string bytes = Build(0, 5, Bytes({7, 0, 0, 3})) + Build(0, 0, Bytes({5, 0, 0, 1}));
    if (stream) {
      ASSERT_TRUE(source.connect(port));
      ASSERT_TRUE(source.write(bytes));
    } else {
      ASSERT_TRUE(source.sendTo(port, bytes));
    }
    EXPECT_TRUE(nettest::PollUntilSomething([&] {
      time.deliverSocketEvents();
      return got.size() == 2;
    }));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].sqc, 5);
    EXPECT_EQ(got[1].message, Bytes({5, 0, 0, 1}));
    EXPECT_EQ(listener.counts().acks, stream ? 1u : 0u);
    if (stream) {
      char reply[32];
      const long n = ::recv(source.raw(), reply, sizeof reply, 0);
      EXPECT_EQ(std::string(reply, static_cast<size_t>(std::max(n, 0L))),
                Build(0, 0, Bytes({0x18, 0, 5})));
    }
  }
  platform::SetTimeHost(nullptr);
}
