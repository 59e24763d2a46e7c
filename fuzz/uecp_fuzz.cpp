// What a UECP source's bytes do to the frame decoder and the element parser: the same frames and
// the same drop counts however the stream is cut; every frame no longer than the largest legal
// one and built again byte for byte from its fields; elements that never read past their message
// and text without control characters. The element parser also reads the input itself, since
// few fuzzed frames pass the CRC. The first byte of an input chooses where the stream is cut.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "remote/uecp_elements.h"
#include "remote/uecp_frame.h"

namespace {

struct Outcome {
  std::vector<std::string> frames;
  std::vector<uint64_t> dropped;
  bool operator==(const Outcome&) const = default;
};

Outcome Decode(std::string_view stream, uint32_t cuts, std::vector<uecp::Frame>* kept) {
  uecp::FrameDecoder decoder;
  std::vector<uecp::Frame> frames;
  size_t at = 0;
  while (at < stream.size()) {
    cuts = cuts * 1103515245u + 12345u;
    const size_t piece = cuts == 0 ? stream.size() : 1 + (cuts >> 16) % 64;
    decoder.feed(stream.substr(at, piece), frames);
    at += piece;
  }
  Outcome out;
  for (const uecp::Frame& f : frames)
    out.frames.push_back(uecp::EncodeFrame(f.address, f.sqc, f.message));
  for (size_t r = 0; r < uecp::kDropReasons; ++r)
    out.dropped.push_back(decoder.dropped(static_cast<uecp::Drop>(r)));
  if (kept) *kept = std::move(frames);
  return out;
}

void CheckElements(std::string_view message) {
  const uecp::Message parsed = uecp::ParseMessage(message);
  fuzz::Check(parsed.elements.size() <= message.size(), "at most one element per byte", message);
  fuzz::Check(parsed.unreadBytes < message.size() || message.empty(), "unread bytes counted",
              message);
  for (const uecp::Element& e : parsed.elements) {
    for (char c : e.text) fuzz::Check(!fuzz::IsControl(c), "no control character", e.text);
    fuzz::Check(e.kind != uecp::Kind::Unsupported || e.status != uecp::Ack::Ok,
                "an unsupported element is never taken", message);
    fuzz::Check(e.kind != uecp::Kind::Pty || e.status != uecp::Ack::Ok || e.pty <= 31,
                "PTY in range", message);
    fuzz::Check(e.text.size() <= size_t{256}, "text bounded", e.text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<uecp::Frame> frames;
  const Outcome whole = Decode(stream, 0, &frames);
  fuzz::Check(Decode(stream, data[0] | 1u, nullptr) == whole,
              "a stream cut anywhere decodes the same", stream);
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string& wire = whole.frames[i];
    fuzz::Check(wire.size() <= uecp::kMaxFrameOnWire, "frame bounded", wire);
    fuzz::Check(stream.find(wire) != std::string_view::npos, "a frame is what was sent", wire);
    CheckElements(frames[i].message);
  }
  CheckElements(stream.substr(0, uecp::kMaxMessage));
  return 0;
}
