// Shared by the fuzz targets: a hard stop with a message when a property fails, the way one
// input is cut into several texts, and probes that record what a container emits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.h"

namespace fuzz {

// Printable, so that a finding can be read in the log as it is.
inline std::string Shown(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 32 && c < 127 && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

[[noreturn]] inline void Fail(const char* property, std::string_view detail = {}) {
  std::fprintf(stderr, "PROPERTY FAILED: %s\n  %s\n", property, Shown(detail).c_str());
  std::abort();
}

inline void Check(bool holds, const char* property, std::string_view detail = {}) {
  if (!holds) Fail(property, detail);
}

// The record separator (byte 30) parts one input into `count` texts; the last takes the rest,
// missing ones are empty. Seeds stay easy to write by hand.
inline std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts(count);
  size_t part = 0;
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\x1E' && part + 1 < count)
      ++part;
    else
      parts[part] += c;
  }
  return parts;
}

// Everything that reaches an event, in order.
struct Recorder : hi::TDebug {
  std::vector<hi::TData> got;
  void doRecord(hi::TData& data, uint16_t) { got.push_back(data); }
};

// Answers every read with `answer`.
struct Source : hi::TDebug {
  hi::TData answer;
  void Value(hi::TData& data, uint16_t) { data = answer; }
};

inline bool IsControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 32 || b == 127;
}

}  // namespace fuzz
