#include "remote/uecp_elements.h"

#include "platform/codepage.h"

namespace uecp {

namespace {

using namespace std::string_view_literals;

// 0x80..0xFF of the RDS basic character set; \0 where the set assigns nothing.
constexpr std::u32string_view kHighHalf =
    U"áàéèíìóòúùÑÇŞß¡Ĳ"
    U"âäêëîïôöûüñçşğıĳ"
    U"ªα©‰Ğěňőπ€£$←↑→↓"
    U"º¹²³±İńűµ¿÷°¼½¾§"
    U"ÁÀÉÈÍÌÓÒÚÙŘČŠŽÐĿ"
    U"ÂÄÊËÎÏÔÖÛÜřčšž\0ŀ"
    U"ÃÅÆŒŷÝÕØÞŊŔĆŚŹŦð"
    U"ãåæœŵýõøþŋŕćśźŧ\0"sv;
static_assert(kHighHalf.size() == 128);

// The lengths after the element code of elements the panel does not take, where the standard
// fixes them; any other code leaves the rest of the message unreadable.
int UnsupportedLength(uint8_t mec) {
  switch (mec) {
    case 0x06:  // programme item number: DSN PSN + 2
      return 4;
    case 0x18:  // acknowledgement: code + SQC
      return 2;
    case 0x1C:  // data set select
      return 1;
    case 0x3E:  // PTY name: DSN PSN + 8 characters
      return 10;
    default:
      return -1;
  }
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  size_t left() const { return bytes_.size() - at_; }
  uint8_t next() { return static_cast<uint8_t>(bytes_[at_++]); }
  std::string_view take(size_t n) {
    const std::string_view out = bytes_.substr(at_, n);
    at_ += n;
    return out;
  }
  void skipAll() { at_ = bytes_.size(); }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// Method A: a count code (224 + n, n up to 25) then n frequencies, an LF/MF one taking two codes
// (250 and its own), 205 filling a pair.
bool ValidAfList(const std::vector<uint8_t>& codes) {
  if (codes.empty()) return true;
  if (codes[0] < 224 || codes[0] > 249) return false;
  size_t frequencies = 0;
  for (size_t i = 1; i < codes.size(); ++i) {
    const uint8_t c = codes[i];
    if (c == 250) {
      if (++i == codes.size() || codes[i] < 1 || codes[i] > 135) return false;
      ++frequencies;
    } else if (c >= 1 && c <= 204) {
      ++frequencies;
    } else if (c != 205) {
      return false;
    }
  }
  return frequencies == static_cast<size_t>(codes[0] - 224);
}

Kind KindOf(uint8_t mec) {
  switch (mec) {
    case 0x01:
      return Kind::Pi;
    case 0x02:
      return Kind::Ps;
    case 0x03:
      return Kind::TaTp;
    case 0x04:
      return Kind::Di;
    case 0x05:
      return Kind::Ms;
    case 0x07:
      return Kind::Pty;
    case 0x0A:
      return Kind::Rt;
    case 0x0D:
      return Kind::Clock;
    case 0x13:
      return Kind::Af;
    case 0x19:
      return Kind::CtOnOff;
    default:
      return Kind::Unsupported;
  }
}

// Reads one element after its code; false when the rest of the message cannot be read.
bool ReadElement(Reader& in, Element& e) {
  const auto need = [&](size_t n) {
    if (in.left() >= n) return true;
    e.status = Ack::UnexpectedEnd;
    in.skipAll();
    return false;
  };
  const auto readSet = [&] {
    if (!need(2)) return false;
    e.addressed = true;
    e.dsn = in.next();
    e.psn = in.next();
    return true;
  };
  const auto flagByte = [&](uint8_t allowed) -> uint8_t {
    if (!need(1)) return 0;
    const uint8_t v = in.next();
    if (v & ~allowed) e.status = Ack::OutOfRange;
    return v;
  };

  switch (e.kind) {
    case Kind::Pi:
      if (!readSet() || !need(2)) return true;
      e.pi = static_cast<uint16_t>(in.next() << 8);
      e.pi = static_cast<uint16_t>(e.pi | in.next());
      return true;
    case Kind::Ps:
      if (!readSet() || !need(8)) return true;
      e.text = RdsToCp1252(in.take(8));
      return true;
    case Kind::TaTp: {
      if (!readSet()) return true;
      const uint8_t v = flagByte(0x03);
      e.ta = v & 1;
      e.tp = (v >> 1) & 1;
      return true;
    }
    case Kind::Di: {
      if (!readSet()) return true;
      const uint8_t v = flagByte(0x0F);
      e.di = static_cast<uint8_t>(v & 0x0F);
      return true;
    }
    case Kind::Ms: {
      if (!readSet()) return true;
      e.music = flagByte(0x01) == 1;
      return true;
    }
    case Kind::Pty:
      if (!readSet() || !need(1)) return true;
      e.pty = in.next();
      if (e.pty > 31) e.status = Ack::OutOfRange;
      return true;
    case Kind::Rt: {
      if (!readSet() || !need(1)) return true;
      const uint8_t mel = in.next();
      if (!need(mel)) return true;
      const std::string_view body = in.take(mel);
      if (mel == 0) {
        e.rtClear = true;
        return true;
      }
      // A configuration byte and up to 64 characters.
      if (mel > 65) {
        e.status = Ack::ElementLength;
        return true;
      }
      const auto config = static_cast<uint8_t>(body[0]);
      e.ab = config & 1;
      e.transmissions = (config >> 1) & 0x0F;
      e.bufferConfig = (config >> 5) & 0x03;
      std::string_view text = body.substr(1);
      const size_t end = text.find('\x0D');
      if (end != std::string_view::npos) text = text.substr(0, end);
      e.text = RdsToCp1252(text);
      return true;
    }
    case Kind::Af: {
      if (!readSet() || !need(1)) return true;
      const uint8_t mel = in.next();
      if (!need(mel)) return true;
      const std::string_view body = in.take(mel);
      e.af.assign(body.begin(), body.end());
      if (!ValidAfList(e.af)) {
        e.af.clear();
        e.status = Ack::OutOfRange;
      }
      return true;
    }
    case Kind::CtOnOff:
      e.ctOn = flagByte(0x01) == 1;
      return true;
    case Kind::Clock:
      if (need(8)) e.clock = in.take(8);
      return true;
    case Kind::Unsupported: {
      e.status = Ack::UnknownMessage;
      const int length = UnsupportedLength(e.mec);
      if (length < 0) return false;
      if (need(static_cast<size_t>(length))) in.take(static_cast<size_t>(length));
      return true;
    }
  }
  return false;
}

}  // namespace

Message ParseMessage(std::string_view message) {
  Message out;
  Reader in(message);
  while (in.left() > 0) {
    Element e;
    e.mec = in.next();
    e.kind = KindOf(e.mec);
    if (!ReadElement(in, e)) {
      out.unreadBytes = in.left();
      in.skipAll();
    }
    out.elements.push_back(std::move(e));
  }
  return out;
}

char32_t RdsToUnicode(unsigned char byte) {
  if (byte >= 0x80) return kHighHalf[byte - 0x80];
  switch (byte) {
    case 0x0A:
    case 0x0D:
      return byte;
    case 0x24:
      return U'¤';
    case 0x5E:
      return U'―';
    case 0x60:
      return U'║';
    case 0x7E:
      return U'¯';
    default:
      return byte >= 0x20 && byte < 0x7F ? byte : 0;
  }
}

std::string RdsToCp1252(std::string_view rds) {
  std::string utf8;
  for (unsigned char byte : rds) {
    const char32_t code = RdsToUnicode(byte);
    platform::AppendUtf8(utf8, code < 0x20 ? U' ' : code);
  }
  return platform::BlankControls(platform::Utf8ToCp1252(utf8));
}

std::string Utf8ToRds(std::string_view utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t code = 0;
    if (!platform::DecodeUtf8(utf8, i, code)) code = U' ';
    char byte = ' ';
    if (code >= 0x20 && code < 0x7F && code != 0x24 && code != 0x5E && code != 0x60 &&
        code != 0x7E) {
      byte = static_cast<char>(code);
    } else if (code >= 0x20) {
      for (unsigned b = 0x21; b <= 0xFE; ++b) {
        if (b != 0x7F && RdsToUnicode(static_cast<unsigned char>(b)) == code) {
          byte = static_cast<char>(b);
          break;
        }
      }
    }
    out += byte;
  }
  return out;
}

}  // namespace uecp
