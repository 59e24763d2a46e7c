// rds-uecp-send: builds one UECP frame from its options and sends it, as an automation system
// would, or prints its bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/net.h"
#include "platform/net_port.h"
#include "remote/uecp_elements.h"
#include "remote/uecp_frame.h"

#ifndef RDS_VERSION
#define RDS_VERSION "unknown"
#endif

namespace {

const char kUsage[] =
    "Usage: rds-uecp-send [options] (udp://HOST:PORT | tcp://HOST:PORT | --hex)\n"
    "Builds one UECP frame (the standard protocol of RDS encoders) and sends it.\n"
    "\n"
    "  --pi HHHH          programme identification, four hex digits\n"
    "  --ps TEXT          programme service name, up to 8 characters\n"
    "  --rt TEXT          radio text (\"\" clears it); --ab sets the A/B flag\n"
    "  --pty N            programme type 0..31\n"
    "  --tp, --ta         traffic programme and traffic announcement flags\n"
    "  --ms music|speech  music/speech switch\n"
    "  --ct on|off        clock time on or off\n"
    "  --site N           site address 0..1023 (0: all)\n"
    "  --encoder N        encoder address 0..63 (0: all)\n"
    "  --sqc N            sequence counter 0..255; over tcp:// a non-zero one waits for the\n"
    "                     acknowledgement and prints it\n"
    "  --dsn N, --psn N   data set and programme service number (default 0)\n"
    "  --hex              print the frame's bytes in hex instead of sending it\n"
    "  --version          the version\n"
    "  --help             this text\n"
    "\n"
    "Text is taken as UTF-8 (else Windows-1252) and sent in the RDS character set; a character\n"
    "the set lacks is sent as a space. Elements go in the order PI, PS, TA/TP, MS, PTY, RT, CT.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "rds-uecp-send: %s\n", message.c_str());
  return 2;
}

bool Number(const char* text, long low, long high, int base, long& out) {
  char* end = nullptr;
  out = std::strtol(text, &end, base);
  return *text != '\0' && *end == '\0' && out >= low && out <= high;
}

std::string Rds(const char* text) {
  const std::string_view in(text);
  return uecp::Utf8ToRds(platform::IsValidUtf8(in) ? std::string(in) : platform::Cp1252ToUtf8(in));
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char two[4];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%s%02x", out.empty() ? "" : " ", c);
    out += two;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  long site = 0, encoder = 0, sqc = 0, dsn = 0, psn = 0, value = 0;
  bool hex = false, ab = false, ta = false, tp = false, flags = false;
  std::string pi, ps, pty, ms, rt, ct, target;
  bool hasRt = false, hasPs = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool more = i + 1 < argc;
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::puts("rds-uecp-send " RDS_VERSION);
      return 0;
    } else if (arg == "--hex") {
      hex = true;
    } else if (arg == "--ab") {
      ab = true;
    } else if (arg == "--ta" || arg == "--tp") {
      (arg == "--ta" ? ta : tp) = true;
      flags = true;
    } else if (arg == "--pi" && more) {
      if (!Number(argv[++i], 0, 0xFFFF, 16, value) || std::strlen(argv[i]) != 4)
        return Fail("--pi takes four hex digits");
      pi = {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
    } else if (arg == "--ps" && more) {
      ps = Rds(argv[++i]);
      hasPs = true;
      if (ps.size() > 8) return Fail("--ps takes up to 8 characters");
      ps.resize(8, ' ');
    } else if (arg == "--rt" && more) {
      rt = Rds(argv[++i]);
      hasRt = true;
    } else if (arg == "--pty" && more) {
      if (!Number(argv[++i], 0, 31, 10, value)) return Fail("--pty takes 0..31");
      pty = std::string(1, static_cast<char>(value));
    } else if (arg == "--ms" && more) {
      const std::string_view v = argv[++i];
      if (v != "music" && v != "speech") return Fail("--ms takes music or speech");
      ms = std::string(1, v == "music" ? '\x01' : '\x00');
    } else if (arg == "--ct" && more) {
      const std::string_view v = argv[++i];
      if (v != "on" && v != "off") return Fail("--ct takes on or off");
      ct = std::string(1, v == "on" ? '\x01' : '\x00');
    } else if ((arg == "--site" || arg == "--encoder" || arg == "--sqc" || arg == "--dsn" ||
                arg == "--psn") &&
               more) {
      const long high = arg == "--site" ? 1023 : arg == "--encoder" ? 63 : 255;
      long& out = arg == "--site"      ? site
                  : arg == "--encoder" ? encoder
                  : arg == "--sqc"     ? sqc
                  : arg == "--dsn"     ? dsn
                                       : psn;
      if (!Number(argv[++i], 0, high, 10, out))
        return Fail(std::string(arg) + " takes 0.." + std::to_string(high));
    } else if (arg.starts_with("--") || !target.empty()) {
      return Fail("unknown option " + std::string(arg) + " (--help lists them)");
    } else {
      target = arg;
    }
  }

  const std::string set{static_cast<char>(dsn), static_cast<char>(psn)};
  std::string message;
  if (!pi.empty()) message += "\x01" + set + pi;
  if (hasPs) message += "\x02" + set + ps;
  if (flags) message += "\x03" + set + static_cast<char>((ta ? 1 : 0) | (tp ? 2 : 0));
  if (!ms.empty()) message += "\x05" + set + ms;
  if (!pty.empty()) message += "\x07" + set + pty;
  if (hasRt) {
    // The configuration byte, then the text ended by the end-of-text mark.
    const std::string body = rt.empty() ? "" : std::string(1, ab ? '\x01' : '\x00') + rt + "\r";
    if (body.size() > 255) return Fail("--rt is too long for one element");
    message += std::string("\x0A", 1) + set + static_cast<char>(body.size()) + body;
  }
  if (!ct.empty()) message += "\x19" + ct;
  if (message.empty()) return Fail("nothing to send (--help lists the options)");
  if (message.size() > uecp::kMaxMessage) return Fail("too much for one frame");

  const std::string frame = uecp::EncodeFrame(
      uecp::MakeAddress(static_cast<uint16_t>(site), static_cast<uint8_t>(encoder)),
      static_cast<uint8_t>(sqc), message);
  if (hex) {
    std::puts(Hex(frame).c_str());
    return 0;
  }
  if (target.empty()) return Fail("no address to send to (udp://HOST:PORT or tcp://HOST:PORT)");
  platform::Endpoint endpoint;
  std::string problem;
  if (!platform::ParseEndpoint(target, endpoint, problem)) return Fail(target + ": " + problem);
  const bool waitForAck = endpoint.scheme == "tcp" && sqc != 0;
  std::string reply;
  if (!platform::SendOnce(endpoint, frame, 2000, waitForAck ? &reply : nullptr,
                          static_cast<char>(uecp::kStop), problem))
    return Fail(target + ": " + problem);
  if (!waitForAck) return 0;

  uecp::FrameDecoder decoder;
  std::vector<uecp::Frame> frames;
  decoder.feed(reply, frames);
  for (const uecp::Frame& answer : frames) {
    if (answer.message.size() == 3 && answer.message[0] == '\x18') {
      const int code = static_cast<unsigned char>(answer.message[1]);
      std::printf("acknowledged: %d (%s)\n", code, uecp::AckName(static_cast<uecp::Ack>(code)));
      return code == 0 ? 0 : 1;
    }
  }
  return Fail(target + ": no acknowledgement");
}
