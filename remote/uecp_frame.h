// UECP frames, the standard protocol of RDS encoders: cutting a byte stream into checked frames,
// and building frames (the acknowledgement, and the sender tool's messages).
//
// On the wire: STA(FE) ADD(2) SQC MFL MSG(MFL) CRC(2) STP(FF), everything between STA and STP
// byte-stuffed (FD -> FD 00, FE -> FD 01, FF -> FD 02); MFL and the CRC count the unstuffed bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace uecp {

inline constexpr unsigned char kStart = 0xFE;
inline constexpr unsigned char kStop = 0xFF;
inline constexpr unsigned char kEscape = 0xFD;

inline constexpr size_t kMaxMessage = 255;
// ADD SQC MFL MSG CRC, unstuffed.
inline constexpr size_t kMaxBody = 2 + 1 + 1 + kMaxMessage + 2;
// Every byte between STA and STP stuffed.
inline constexpr size_t kMaxFrameOnWire = 1 + 2 * kMaxBody + 1;

// The acknowledgement message's response codes.
enum class Ack : uint8_t {
  Ok = 0,
  CrcError = 1,
  MessageNotReceived = 2,
  UnknownMessage = 3,
  DsnError = 4,
  PsnError = 5,
  OutOfRange = 6,
  ElementLength = 7,
  FieldLength = 8,
  NotAcceptable = 9,
  EndMissing = 10,
  BufferOverflow = 11,
  BadStuffing = 12,
  UnexpectedEnd = 13,
};

// Why a frame was dropped.
enum class Drop : uint8_t {
  Stuffing,  // FD followed by anything but 00, 01, 02
  Length,    // MFL does not match the bytes between it and the CRC
  Short,     // a stop before address, counter, length and CRC were complete
  Crc,       // the CRC does not match
  TooLong,   // longer than the largest legal frame; the rest up to the next start is skipped
  NoStop,    // a new start before the stop
};
inline constexpr size_t kDropReasons = 6;

const char* DropName(Drop reason);
const char* AckName(Ack code);
Ack DropAck(Drop reason);

struct Frame {
  uint16_t address = 0;
  uint8_t sqc = 0;
  std::string message;  // MFL bytes, unstuffed
};

// A dropped frame, with its address and sequence counter when they were read (so that a
// bidirectional link can answer it), never its message.
struct Rejected {
  Drop reason = Drop::Crc;
  bool headerKnown = false;
  uint16_t address = 0;
  uint8_t sqc = 0;
};

// The site address is the upper 10 bits, the encoder address the lower 6; 0 in either is "all".
inline uint16_t SiteOf(uint16_t address) { return address >> 6; }
inline uint8_t EncoderOf(uint16_t address) { return address & 0x3F; }
inline uint16_t MakeAddress(uint16_t site, uint8_t encoder) {
  return static_cast<uint16_t>(((site & 0x3FF) << 6) | (encoder & 0x3F));
}
// Whether a frame to `address` is for the encoder at `site`/`encoder` (0 there: any).
bool AddressedTo(uint16_t address, uint16_t site, uint8_t encoder);

// CRC-16/CCITT: polynomial 0x1021, initial 0xFFFF, inverted at the end.
uint16_t Crc16(std::string_view bytes);

// A whole frame on the wire. A message longer than kMaxMessage is cut there; callers check.
std::string EncodeFrame(uint16_t address, uint8_t sqc, std::string_view message);
// The acknowledgement message element (0x18) answering `sqc`.
std::string AckMessage(Ack code, uint8_t sqc);

// Takes bytes in any pieces: a frame may span reads, a read may hold several frames, bytes
// between frames are skipped. Holds at most one frame's bytes.
class FrameDecoder {
 public:
  // Each checked frame is appended to `frames`, each dropped one to `rejected` when given.
  void feed(std::string_view bytes, std::vector<Frame>& frames,
            std::vector<Rejected>* rejected = nullptr);

  // The bytes ended (a datagram's end): a frame begun and not stopped is dropped.
  void end(std::vector<Rejected>* rejected = nullptr);

  uint64_t dropped(Drop reason) const { return dropped_[static_cast<size_t>(reason)]; }
  uint64_t droppedTotal() const;
  // Bytes seen outside any frame.
  uint64_t skipped() const { return skipped_; }

 private:
  enum class State : uint8_t { Outside, Inside, Escaped, Skipping };

  void drop(Drop reason, std::vector<Rejected>* rejected);
  void finish(std::vector<Frame>& frames, std::vector<Rejected>* rejected);

  State state_ = State::Outside;
  std::string body_;
  std::array<uint64_t, kDropReasons> dropped_{};
  uint64_t skipped_ = 0;
};

}  // namespace uecp
