// The virtual encoder's core: it cuts the byte stream into command lines, decodes each one,
// keeps what a receiver would show, and writes reports as JSON lines or as text for operators.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vencoder {

// A model is its row in protocol/models.h; ParseModel takes its number, name or short name.
bool ParseModel(std::string_view text, int& model);
const char* ModelName(int model);
// RT width and line terminator of a model.
size_t RtWidth(int model);
const char* ModelTerminator(int model);  // "CRLF" or "LF"

// Lines end at LF; a CR right before it belongs to the terminator. A clock-time line in byte
// form ("TI", five raw bytes, LF) is taken whole even when its bytes are 10 or 13.
class LineSplitter {
 public:
  explicit LineSplitter(size_t maxLine = 4096) : maxLine_(maxLine) {}
  // Complete lines, terminators included, are appended to `lines`. A run of bytes longer than
  // the maximum without a terminator is handed over as it is.
  void feed(std::string_view bytes, std::vector<std::string>& lines);
  // The incomplete rest, taken out of the splitter.
  std::string takeRest();

 private:
  bool nextLine(std::string& line);
  std::string buffer_;
  size_t maxLine_;
};

struct AfState {
  bool enabled = false;
  std::array<int, 8> codes{};  // count code, Local, AF1..AF6
  bool operator==(const AfState&) const = default;
};

struct ClockTime {
  std::array<int, 5> bytes{};
  int64_t mjd = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  int offsetHalfHours = 0;  // signed
  bool byteForm = false;
  bool operator==(const ClockTime&) const = default;
};

// What the encoder holds. Unset fields were never received.
struct EncoderState {
  std::optional<int> pi;  // 16-bit code
  std::optional<std::string> ps;
  std::optional<int> psInterval;  // half seconds
  std::optional<int> psStep;      // 8 paged, 1 scrolling
  std::optional<std::string> rt;
  std::optional<int> pty, di, tp, ta, ms;
  std::optional<AfState> af;
  std::optional<ClockTime> ct;
  bool operator==(const EncoderState&) const = default;
};

// The eight-character pages the PS text shows as; empty while it scrolls or is unset.
std::vector<std::string> PsPages(const EncoderState& state);
const char* PtyName(int code);
// "100.0" for code 125; "No AF" for 205; empty for codes outside 0..205.
std::string AfFrequency(int code);

struct Decoded {
  bool ok = false;
  std::string command;     // "PI", "PS", ...; empty when undecodable
  std::string terminator;  // "CRLF", "LF" or "" (none)
  std::string raw;         // the line's bytes
  // These three are in the line's code page (Windows-1252), like the line itself.
  std::string error;    // why it could not be decoded
  std::string summary;  // what it did, for operators
  std::vector<std::string> warnings;
};

class VirtualEncoder {
 public:
  explicit VirtualEncoder(int model = 0) : model_(model) {}
  // Decodes one line (terminator included) and applies it to the state.
  Decoded decode(std::string_view line);
  const EncoderState& state() const { return state_; }
  const EncoderState& eeprom() const { return eeprom_; }
  int model() const { return model_; }

 private:
  void decodeBody(const std::string& cmd, const std::string& body, Decoded& out);
  void checkTerminator(const std::string& cmd, const std::string& body, Decoded& out) const;
  int model_;
  EncoderState state_;
  EncoderState eeprom_;
};

std::string JsonString(std::string_view bytes);  // quoted, UTF-8, escaped
std::string HexBytes(std::string_view bytes);    // "50 49 0D 0A"
std::string StateJson(const EncoderState& state);
std::string ReportJson(const Decoded& decoded, const EncoderState& state, uint64_t seq);
std::string ReportText(const Decoded& decoded, uint64_t seq);  // UTF-8

}  // namespace vencoder
