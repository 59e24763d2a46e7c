// The virtual encoder reading any byte stream: the splitter loses no byte and cuts the same
// lines however the bytes arrive, the state only ever holds values the encoder accepts, and
// every report is well-formed JSON in valid UTF-8.
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/codepage.h"
#include "tools/encoder_decoder.h"

namespace {

using namespace vencoder;

// Strings, escapes and brackets of a JSON text, and no raw control character.
bool WellFormedJson(std::string_view j) {
  if (!platform::IsValidUtf8(j)) return false;
  std::string open;
  bool inString = false;
  for (size_t i = 0; i < j.size(); ++i) {
    const char c = j[i];
    if (fuzz::IsControl(c)) return false;
    if (inString) {
      if (c == '\\') {
        if (++i >= j.size()) return false;
        const char e = j[i];
        if (e == 'u') {
          if (i + 4 >= j.size()) return false;
          for (size_t k = 1; k <= 4; ++k)
            if (!std::isxdigit(static_cast<unsigned char>(j[i + k]))) return false;
          i += 4;
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      open += c;
    } else if (c == '}' || c == ']') {
      if (open.empty() || open.back() != (c == '}' ? '{' : '[')) return false;
      open.pop_back();
    }
  }
  return !inString && open.empty();
}

bool InRange(const std::optional<int>& v, int low, int high) {
  return !v || (*v >= low && *v <= high);
}

void CheckState(const EncoderState& s, std::string_view line) {
  fuzz::Check(InRange(s.pi, 0, 0xFFFF), "PI is 16 bits", line);
  fuzz::Check(InRange(s.pty, 0, 31) && InRange(s.di, 0, 15), "PTY and DI in range", line);
  fuzz::Check(InRange(s.tp, 0, 1) && InRange(s.ta, 0, 1) && InRange(s.ms, 0, 1), "flags are 0 or 1",
              line);
  fuzz::Check(!s.psStep || *s.psStep == 1 || *s.psStep == 8, "the PS step is 1 or 8", line);
  fuzz::Check(!s.psInterval || *s.psInterval >= 1, "the PS interval is positive", line);
  if (s.af && s.af->enabled) {
    fuzz::Check(s.af->codes[0] >= 226 && s.af->codes[0] <= 231, "AF count code in range", line);
    for (size_t i = 1; i < 8; ++i)
      fuzz::Check(s.af->codes[i] >= 0 && s.af->codes[i] <= 205, "AF codes in range", line);
  }
  if (s.ct)
    for (int b : s.ct->bytes) fuzz::Check(b >= 0 && b <= 255, "clock-time bytes in range", line);
  fuzz::Check(WellFormedJson(StateJson(s)), "the state is well-formed JSON", line);
}

std::string Joined(const std::vector<std::string>& lines, const std::string& rest) {
  std::string all;
  for (const std::string& l : lines) all += l;
  return all + rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int model = data[0] % 3;
  // A short maximum makes the cutting of over-long lines reachable.
  const size_t maxLine = data[0] & 0x80 ? 16 : 4096;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  LineSplitter whole(maxLine), slow(maxLine);
  std::vector<std::string> lines, slowLines;
  whole.feed(bytes, lines);
  const std::string rest = whole.takeRest();
  fuzz::Check(Joined(lines, rest) == bytes, "the splitter loses and adds no byte", bytes);
  for (size_t i = 0; i < bytes.size(); ++i) slow.feed(bytes.substr(i, 1), slowLines);
  fuzz::Check(Joined(slowLines, slow.takeRest()) == bytes,
              "byte by byte the splitter loses no byte either", bytes);
  if (maxLine == 4096 && bytes.size() <= maxLine)
    fuzz::Check(slowLines == lines, "the lines do not depend on how the bytes arrive", bytes);
  for (const std::string& line : lines)
    fuzz::Check(line.back() == '\n' || line.size() == maxLine,
                "a line ends at its terminator or at the maximum", line);

  VirtualEncoder encoder(model);
  uint64_t seq = 0;
  for (const std::string& line : lines) {
    const Decoded d = encoder.decode(line);
    fuzz::Check(d.raw == line, "a report keeps the line's bytes", line);
    fuzz::Check(d.ok ? d.command.size() == 2 && d.error.empty() : !d.error.empty(),
                "a line is decoded or says why not", line);
    if (!d.terminator.empty())
      fuzz::Check(line.back() == '\n' && (d.terminator == "CRLF") ==
                                             (line.size() >= 2 && line[line.size() - 2] == '\r'),
                  "the terminator named is the one the line ends in", line);
    fuzz::Check(WellFormedJson(ReportJson(d, encoder.state(), ++seq)),
                "the report is well-formed JSON", line);
    fuzz::Check(!ReportText(d, seq).empty(), "the operator's report says something", line);
    CheckState(encoder.state(), line);
    CheckState(encoder.eeprom(), line);
  }
  return 0;
}
