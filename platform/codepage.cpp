#include "platform/codepage.h"

#include <cstdint>

namespace platform {

namespace {
// Bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one sequence at `i`; false (and i moved past one byte) when it is not valid UTF-8.
bool DecodeUtf8(std::string_view s, size_t& i, char32_t& code) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  size_t length;
  char32_t min;
  if (b0 < 0x80) {
    code = b0;
    ++i;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2, code = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, code = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, code = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return false;
  }
  if (i + length > s.size()) {
    ++i;
    return false;
  }
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++i;
    return false;
  }
  i += length;
  return true;
}
}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t Cp1252ToUnicode(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : byte;
}

char UnicodeToCp1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int k = 0; k < 32; ++k)
    if (kHigh[k] == code) return static_cast<char>(0x80 + k);
  return '?';
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t code;
    out += DecodeUtf8(text, i, code) ? UnicodeToCp1252(code) : '?';
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  char32_t code;
  while (i < text.size())
    if (!DecodeUtf8(text, i, code)) return false;
  return true;
}

size_t Utf8IncompleteTail(std::string_view text) {
  const size_t n = text.size();
  for (size_t k = 1; k <= 3 && k <= n; ++k) {
    const auto lead = static_cast<unsigned char>(text[n - k]);
    if ((lead & 0xC0) == 0x80) continue;
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length <= k) return 0;
    if (k > 1) {
      // The second byte of these leads is narrower; outside it the bytes are broken, not cut.
      const auto second = static_cast<unsigned char>(text[n - k + 1]);
      const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
      const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
      if (second < low || second > high) return 0;
    }
    return k;
  }
  return 0;
}

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127) c = ' ';
  }
  return out;
}

}  // namespace platform
