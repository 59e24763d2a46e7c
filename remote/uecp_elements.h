// A UECP frame's message field as message elements, and the RDS basic character set that their
// text is written in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "remote/uecp_frame.h"

namespace uecp {

enum class Kind : uint8_t {
  Pi,           // 0x01
  Ps,           // 0x02
  TaTp,         // 0x03
  Di,           // 0x04
  Ms,           // 0x05
  Pty,          // 0x07
  Rt,           // 0x0A
  Clock,        // 0x0D, read but never forwarded
  Af,           // 0x13
  CtOnOff,      // 0x19
  Unsupported,  // any other element code
};

struct Element {
  uint8_t mec = 0;
  Kind kind = Kind::Unsupported;
  // Ok, or what the acknowledgement would say; only an Ok element's values may be used.
  Ack status = Ack::Ok;
  // Whether the element names a data set and programme service; the caller filters on them.
  bool addressed = false;
  uint8_t dsn = 0;
  uint8_t psn = 0;

  uint16_t pi = 0;
  // PS and RT in the program's code page, cleaned as a field's text (no control characters).
  std::string text;
  bool ta = false;
  bool tp = false;
  uint8_t di = 0;  // bit 0 stereo, 1 artificial head, 2 compressed, 3 dynamic PTY
  bool music = false;
  uint8_t pty = 0;
  // RT: an empty element (MEL 0) clears it; otherwise the configuration byte's parts.
  bool rtClear = false;
  bool ab = false;
  uint8_t transmissions = 0;
  uint8_t bufferConfig = 0;
  // AF: the method A codes after the count, as sent (frequencies 1..204, 205 filler, 250 + an
  // LF/MF code).
  std::vector<uint8_t> af;
  bool ctOn = false;
  // Clock: year (two digits), month, day, hour, minute, second, centisecond, local offset.
  std::string clock;
};

struct Message {
  std::vector<Element> elements;
  // Bytes after an element whose length cannot be known; they are not read.
  size_t unreadBytes = 0;
};

// Every element of a message field; an element whose layout is broken carries its error and,
// when its length is known, the next element is still read.
Message ParseMessage(std::string_view message);

// The character of an RDS byte, 0 for an unassigned byte.
char32_t RdsToUnicode(unsigned char byte);
// RDS text as the program's Windows-1252 text: each character spelt as the code page spells it,
// unassigned bytes and control codes as blanks.
std::string RdsToCp1252(std::string_view rds);
// UTF-8 text in the RDS character set; a character the set lacks becomes a space.
std::string Utf8ToRds(std::string_view utf8);

}  // namespace uecp
