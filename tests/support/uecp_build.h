// UECP frames built from the standard's field layout, independently of the encoder under test.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace uecptest {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// STA ADD SQC MFL MSG CRC STP, stuffed, the CRC-16/CCITT worked out bit by bit; `mfl` lies about
// the length when given.
inline std::string Build(uint16_t address, uint8_t sqc, const std::string& message, int mfl = -1) {
  std::string body =
      Bytes({address >> 8, address & 0xFF, sqc, mfl < 0 ? static_cast<int>(message.size()) : mfl}) +
      message;
  unsigned crc = 0xFFFF;
  for (unsigned char c : body) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool top = ((crc >> 15) ^ (c >> bit)) & 1;
      crc = ((crc << 1) & 0xFFFF) ^ (top ? 0x1021 : 0);
    }
  }
  crc ^= 0xFFFF;
  body += Bytes({static_cast<int>(crc >> 8), static_cast<int>(crc & 0xFF)});
  std::string frame = "\xFE";
  for (unsigned char c : body) frame += c >= 0xFD ? Bytes({0xFD, c - 0xFD}) : std::string(1, c);
  return frame + "\xFF";
}

}  // namespace uecptest
