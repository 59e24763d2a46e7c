// What a device server's bytes do to the Telnet reader of an RFC 2217 link: the same answers and
// the same state however the stream is cut; every answer a well-formed option reply; never the
// same answer twice in a row for one option (an answer only when the option's state changes, so
// no server can make the program answer without end); and the reported settings short and
// printable. The first byte of an input chooses where the stream is cut.
#include <array>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/net_port.h"

namespace {

constexpr unsigned char kIac = 255, kWill = 251, kDont = 254;

struct Outcome {
  std::string replies;
  bool comPortOn = false, comPortRefused = false, binaryOut = false;
  std::string settings;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(std::string_view stream, uint32_t cuts) {
  platform::TelnetSession telnet;
  Outcome out;
  telnet.start();
  size_t at = 0;
  while (at < stream.size()) {
    cuts = cuts * 1103515245u + 12345u;
    const size_t piece = cuts == 0 ? stream.size() : 1 + (cuts >> 16) % 64;
    telnet.read(stream.substr(at, piece), out.replies);
    at += piece;
  }
  out.comPortOn = telnet.comPortOn();
  out.comPortRefused = telnet.comPortRefused();
  out.binaryOut = telnet.binaryOut();
  out.settings = telnet.serverSettings();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  platform::TelnetSession whole;
  Outcome once;
  whole.read(stream, once.replies);
  once.comPortOn = whole.comPortOn();
  once.comPortRefused = whole.comPortRefused();
  once.binaryOut = whole.binaryOut();
  once.settings = whole.serverSettings();
  fuzz::Check(Read(stream, data[0] | 1u) == once, "a stream cut anywhere reads the same", stream);

  fuzz::Check(once.replies.size() % 3 == 0, "answers are whole commands", once.replies);
  std::array<unsigned char, 512> last{};
  for (size_t i = 0; i < once.replies.size(); i += 3) {
    const auto iac = static_cast<unsigned char>(once.replies[i]);
    const auto verb = static_cast<unsigned char>(once.replies[i + 1]);
    const auto option = static_cast<unsigned char>(once.replies[i + 2]);
    fuzz::Check(iac == kIac && verb >= kWill && verb <= kDont, "an answer is an option reply",
                once.replies.substr(i, 3));
    // WILL and WONT speak of our side, DO and DONT of theirs.
    const size_t slot = option + ((verb == kWill || verb == 252) ? 0 : 256);
    fuzz::Check(last[slot] != verb, "no answer twice in a row for one option",
                once.replies.substr(i, 3));
    last[slot] = verb;
  }
  // Two answers per option change at most: the input bounds what the program sends.
  fuzz::Check(once.replies.size() <= stream.size() + 3, "no more answers than requests",
              once.replies);
  fuzz::Check(once.settings.size() <= 20, "the reported settings are short", once.settings);
  for (char c : once.settings)
    fuzz::Check(c >= 32 && c < 127, "the reported settings are printable", once.settings);
  return 0;
}
