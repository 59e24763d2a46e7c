#include "remote/uecp_frame.h"

#include <iterator>

namespace uecp {

const char* DropName(Drop reason) {
  switch (reason) {
    case Drop::Stuffing:
      return "bad stuffing";
    case Drop::Length:
      return "wrong length";
    case Drop::Short:
      return "cut short";
    case Drop::Crc:
      return "CRC error";
    case Drop::TooLong:
      return "too long";
    case Drop::NoStop:
      return "no end";
  }
  return "?";
}

const char* AckName(Ack code) {
  static constexpr const char* kNames[] = {"OK",
                                           "CRC error",
                                           "message not received",
                                           "unknown message",
                                           "DSN error",
                                           "PSN error",
                                           "parameter out of range",
                                           "element length error",
                                           "field length error",
                                           "message not acceptable",
                                           "end message missing",
                                           "buffer overflow",
                                           "bad stuffing",
                                           "unexpected end of message"};
  const auto n = static_cast<size_t>(code);
  return n < std::size(kNames) ? kNames[n] : "unknown code";
}

Ack DropAck(Drop reason) {
  switch (reason) {
    case Drop::Stuffing:
      return Ack::BadStuffing;
    case Drop::Length:
      return Ack::FieldLength;
    case Drop::Short:
      return Ack::UnexpectedEnd;
    case Drop::Crc:
      return Ack::CrcError;
    case Drop::TooLong:
      return Ack::BufferOverflow;
    case Drop::NoStop:
      return Ack::EndMissing;
  }
  return Ack::NotAcceptable;
}

bool AddressedTo(uint16_t address, uint16_t site, uint8_t encoder) {
  const uint16_t toSite = SiteOf(address);
  const uint8_t toEncoder = EncoderOf(address);
  return (toSite == 0 || site == 0 || toSite == site) &&
         (toEncoder == 0 || encoder == 0 || toEncoder == encoder);
}

uint16_t Crc16(std::string_view bytes) {
  uint16_t crc = 0xFFFF;
  for (unsigned char byte : bytes) {
    crc ^= static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<uint16_t>(crc << 1);
  }
  return static_cast<uint16_t>(~crc);
}

std::string EncodeFrame(uint16_t address, uint8_t sqc, std::string_view message) {
  if (message.size() > kMaxMessage) message = message.substr(0, kMaxMessage);
  std::string body;
  body += static_cast<char>(address >> 8);
  body += static_cast<char>(address & 0xFF);
  body += static_cast<char>(sqc);
  body += static_cast<char>(message.size());
  body += message;
  const uint16_t crc = Crc16(body);
  body += static_cast<char>(crc >> 8);
  body += static_cast<char>(crc & 0xFF);

  std::string frame(1, static_cast<char>(kStart));
  for (unsigned char byte : body) {
    if (byte >= kEscape) {
      frame += static_cast<char>(kEscape);
      frame += static_cast<char>(byte - kEscape);
    } else {
      frame += static_cast<char>(byte);
    }
  }
  frame += static_cast<char>(kStop);
  return frame;
}

std::string AckMessage(Ack code, uint8_t sqc) {
  return {static_cast<char>(0x18), static_cast<char>(code), static_cast<char>(sqc)};
}

uint64_t FrameDecoder::droppedTotal() const {
  uint64_t total = 0;
  for (uint64_t n : dropped_) total += n;
  return total;
}

void FrameDecoder::drop(Drop reason, std::vector<Rejected>* rejected) {
  ++dropped_[static_cast<size_t>(reason)];
  if (rejected) {
    Rejected r;
    r.reason = reason;
    if (body_.size() >= 3) {
      r.headerKnown = true;
      r.address = static_cast<uint16_t>((static_cast<unsigned char>(body_[0]) << 8) |
                                        static_cast<unsigned char>(body_[1]));
      r.sqc = static_cast<uint8_t>(body_[2]);
    }
    rejected->push_back(r);
  }
  body_.clear();
}

void FrameDecoder::finish(std::vector<Frame>& frames, std::vector<Rejected>* rejected) {
  state_ = State::Outside;
  if (body_.size() < 6) return drop(Drop::Short, rejected);
  const size_t length = static_cast<unsigned char>(body_[3]);
  if (body_.size() != 4 + length + 2) return drop(Drop::Length, rejected);
  const uint16_t crc =
      static_cast<uint16_t>((static_cast<unsigned char>(body_[body_.size() - 2]) << 8) |
                            static_cast<unsigned char>(body_[body_.size() - 1]));
  if (Crc16(std::string_view(body_).substr(0, body_.size() - 2)) != crc)
    return drop(Drop::Crc, rejected);
  Frame frame;
  frame.address = static_cast<uint16_t>((static_cast<unsigned char>(body_[0]) << 8) |
                                        static_cast<unsigned char>(body_[1]));
  frame.sqc = static_cast<uint8_t>(body_[2]);
  frame.message = body_.substr(4, length);
  frames.push_back(std::move(frame));
  body_.clear();
}

void FrameDecoder::end(std::vector<Rejected>* rejected) {
  if (state_ == State::Inside || state_ == State::Escaped)
    drop(state_ == State::Escaped ? Drop::Stuffing : Drop::NoStop, rejected);
  state_ = State::Outside;
}

void FrameDecoder::feed(std::string_view bytes, std::vector<Frame>& frames,
                        std::vector<Rejected>* rejected) {
  for (unsigned char byte : bytes) {
    if (byte == kStart) {
      // A start inside a frame can only begin the next one: stuffing never leaves an FE.
      if (state_ == State::Inside || state_ == State::Escaped) {
        drop(state_ == State::Escaped ? Drop::Stuffing : Drop::NoStop, rejected);
      }
      body_.clear();
      state_ = State::Inside;
      continue;
    }
    switch (state_) {
      case State::Outside:
        ++skipped_;
        break;
      case State::Skipping:
        if (byte == kStop) state_ = State::Outside;
        break;
      case State::Inside:
        if (byte == kStop) {
          finish(frames, rejected);
        } else if (byte == kEscape) {
          state_ = State::Escaped;
        } else if (body_.size() == kMaxBody) {
          drop(Drop::TooLong, rejected);
          state_ = State::Skipping;
        } else {
          body_ += static_cast<char>(byte);
        }
        break;
      case State::Escaped:
        if (byte > 2) {
          drop(Drop::Stuffing, rejected);
          state_ = byte == kStop ? State::Outside : State::Skipping;
        } else if (body_.size() == kMaxBody) {
          drop(Drop::TooLong, rejected);
          state_ = State::Skipping;
        } else {
          body_ += static_cast<char>(kEscape + byte);
          state_ = State::Inside;
        }
        break;
    }
  }
}

}  // namespace uecp
