#include "tools/encoder_decoder.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/time_host.h"
#include "protocol/models.h"

namespace vencoder {

namespace {

constexpr const char* kPtyNames[] = {
    "None",    "News",    "Affairs",  "Info",   "Sport",    "Educate",  "Drama",    "Culture",
    "Science", "Varied",  "Pop M",    "Rock M", "Easy M",   "Light M",  "Classics", "Other M",
    "Weather", "Finance", "Children", "Social", "Religion", "Phone In", "Travel",   "Leisure",
    "Jazz",    "Country", "Nation M", "Oldies", "Folk M",   "Doc",      "Test",     "ALARM"};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// A decimal integer with an optional minus sign and at most nine digits.
bool ParseInt(std::string_view text, int& value) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 9) return false;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  value = negative ? -n : n;
  return true;
}

bool ParseList(std::string_view text, std::vector<int>& values) {
  values.clear();
  while (true) {
    size_t comma = text.find(',');
    int v = 0;
    if (!ParseInt(text.substr(0, comma), v)) return false;
    values.push_back(v);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

std::string Printf(const char* format, auto... args) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

std::string Hex4(int pi) { return Printf("%04X", pi); }

// Quotes and escapes like JSON; only ASCII is escaped, so the text keeps its encoding. Summaries,
// errors and warnings quote the line's text in its code page and are converted once, by the report.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20 || u == 0x7F) {
      out += Printf("\\u%04x", u);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonInt(const std::optional<int>& v) { return v ? std::to_string(*v) : "null"; }

std::string JsonTextOrNull(const std::optional<std::string>& v) {
  return v ? JsonString(*v) : "null";
}

std::string Offset(int halfHours) {
  int minutes = (halfHours < 0 ? -halfHours : halfHours) * 30;
  return Printf("%c%02d:%02d", halfHours < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

// The clock time's first byte (MJD bits 16..15) is 0..3 and so never a digit of the text form.
bool IsByteForm(std::string_view body) {
  return body.size() == 5 && static_cast<unsigned char>(body[0]) <= 3;
}

std::string CtDate(const ClockTime& ct) {
  return Printf("%04d-%02d-%02d", ct.year, ct.month, ct.day);
}
std::string CtTime(const ClockTime& ct) { return Printf("%02d:%02d", ct.hour, ct.minute); }

std::optional<protocol::Command> CommandOf(std::string_view code) {
  for (const protocol::CommandRow& row : protocol::kCommandRows)
    if (code == row.code) return row.id;
  return std::nullopt;
}

}  // namespace

bool ParseModel(std::string_view text, int& model) {
  const std::string t = Lower(text);
  static constexpr std::pair<const char*, int> kNames[] = {
      {"0", 0},         {"tessel10", 0}, {"tessel 10", 0},        {"1", 1},      {"tessel20", 1},
      {"tessel 20", 1}, {"2", 2},        {"tessel20-last-on", 2}, {"last-on", 2}};
  for (const auto& [name, m] : kNames) {
    if (t == name) {
      model = m;
      return true;
    }
  }
  for (int m = 0; m < protocol::kModels; ++m) {
    if (t == Lower(protocol::kModelRows[m].name)) {
      model = m;
      return true;
    }
  }
  return false;
}

namespace {
bool KnownModel(int model) { return model >= 0 && model < protocol::kModels; }
const protocol::ModelRow& RowOf(int model) {
  return protocol::Row(static_cast<protocol::Model>(KnownModel(model) ? model : 0));
}
}  // namespace

const char* ModelName(int model) { return KnownModel(model) ? RowOf(model).name : "?"; }
size_t RtWidth(int model) { return static_cast<size_t>(RowOf(model).rtWidth); }
const char* ModelTerminator(int model) { return RowOf(model).terminatorName; }
const char* PtyName(int code) { return code >= 0 && code < 32 ? kPtyNames[code] : "?"; }

std::string AfFrequency(int code) {
  if (code == 205) return "No AF";
  if (code < 0 || code > 205) return {};
  const int tenths = 875 + code;
  return Printf("%d.%d", tenths / 10, tenths % 10);
}

std::vector<std::string> PsPages(const EncoderState& state) {
  std::vector<std::string> pages;
  if (!state.ps || state.psStep == 1) return pages;
  for (size_t i = 0; i < state.ps->size(); i += 8) {
    std::string page = state.ps->substr(i, 8);
    page.resize(8, ' ');
    pages.push_back(page);
  }
  return pages;
}

// ---- line splitting ----

void LineSplitter::feed(std::string_view bytes, std::vector<std::string>& lines) {
  buffer_.append(bytes);
  std::string line;
  while (nextLine(line)) lines.push_back(std::move(line));
}

bool LineSplitter::nextLine(std::string& line) {
  size_t end = std::string::npos;
  // The byte form of the clock time: its first byte is 0..3, never a digit.
  if (buffer_.size() >= 3 && buffer_.compare(0, 2, "TI") == 0 &&
      static_cast<unsigned char>(buffer_[2]) <= 3) {
    if (buffer_.size() < 8) return false;
    if (buffer_[7] == '\n') {
      end = 8;
    } else if (buffer_[7] == '\r') {
      if (buffer_.size() < 9) return false;
      if (buffer_[8] == '\n') end = 9;
    }
    if (end == std::string::npos) {
      size_t lf = buffer_.find('\n', 7);
      if (lf != std::string::npos) end = lf + 1;
    }
  } else {
    size_t lf = buffer_.find('\n');
    if (lf != std::string::npos) end = lf + 1;
  }
  if (end == std::string::npos) {
    if (buffer_.size() <= maxLine_) return false;
    end = maxLine_;
  }
  line = buffer_.substr(0, end);
  buffer_.erase(0, end);
  return true;
}

std::string LineSplitter::takeRest() {
  std::string rest;
  rest.swap(buffer_);
  return rest;
}

// ---- decoding ----

Decoded VirtualEncoder::decode(std::string_view line) {
  Decoded out;
  out.raw = std::string(line);
  std::string_view body = line;
  if (body.size() >= 2 && body.substr(body.size() - 2) == "\r\n") {
    out.terminator = "CRLF";
    body.remove_suffix(2);
  } else if (!body.empty() && body.back() == '\n') {
    out.terminator = "LF";
    body.remove_suffix(1);
  } else {
    out.error = "no line terminator";
    return out;
  }
  if (body.size() < 2) {
    out.error = "unknown command";
    return out;
  }
  const std::string cmd(body.substr(0, 2));
  const std::string rest(body.substr(2));
  decodeBody(cmd, rest, out);
  if (out.ok) checkTerminator(cmd, rest, out);
  return out;
}

void VirtualEncoder::checkTerminator(const std::string& cmd, const std::string& body,
                                     Decoded& out) const {
  const protocol::Model model = RowOf(model_).id;
  const protocol::Command command = *CommandOf(cmd);
  const bool byteModel = RowOf(model_).clockTime == protocol::ClockTimeForm::Bytes;
  const char* byFunction = protocol::ExpectedTerminator(model, command);
  std::string expected = byFunction ? byFunction : ModelTerminator(model_);
  if (cmd == "TI") expected = IsByteForm(body) ? "LF" : "CRLF";
  // The closing RM is always sent with CR LF.
  if (cmd == "RM" && out.terminator == "CRLF") expected = "CRLF";
  if (out.terminator != expected)
    out.warnings.push_back("ends in " + out.terminator + ", " + ModelName(model_) + " expects " +
                           expected);
  if (!protocol::CommandOffered(model, command))
    out.warnings.push_back(cmd + " is not offered for " + ModelName(model_));
  if (cmd == "TI" && IsByteForm(body) != byteModel)
    out.warnings.push_back(std::string("clock time in ") + (IsByteForm(body) ? "byte" : "text") +
                           " form, " + ModelName(model_) + " uses the " +
                           (byteModel ? "byte" : "text") + " form");
  if (cmd == "RT" && body.size() != RtWidth(model_))
    out.warnings.push_back("RT holds " + std::to_string(body.size()) + " characters, " +
                           ModelName(model_) + " uses " + std::to_string(RtWidth(model_)));
}

void VirtualEncoder::decodeBody(const std::string& cmd, const std::string& body, Decoded& out) {
  std::vector<int> v;
  auto fail = [&](std::string why) { out.error = cmd + ": " + std::move(why); };
  auto ignore = [&](std::string why) {
    out.ok = true;
    out.command = cmd;
    out.warnings.push_back(std::move(why) + ": ignored");
  };
  auto accept = [&](std::string summary) {
    out.ok = true;
    out.command = cmd;
    out.summary = std::move(summary);
  };

  const std::optional<protocol::Command> command = CommandOf(cmd);
  if (!command) {
    out.error = "unknown command";
    return;
  }
  // Every command has its case: a command added without one does not compile.
  switch (*command) {
    case protocol::PI: {
      if (body == ",") return ignore("PI without a value");
      if (!ParseList(body, v) || v.size() != 2) return fail("expects two decimal numbers");
      if (v[0] < 0 || v[0] > 255 || v[1] < 0 || v[1] > 255) return ignore("PI byte outside 0..255");
      state_.pi = v[0] * 256 + v[1];
      return accept("PI = " + Hex4(*state_.pi));
    }
    case protocol::PS: {
      state_.ps = body;
      return accept("PS text " + Quoted(body));
    }
    case protocol::DS: {
      if (!ParseList(body, v) || v.size() != 2) return fail("expects interval,step");
      if (v[0] < 1) return ignore("PS interval below 1");
      if (v[1] != 1 && v[1] != 8) return ignore("PS step other than 1 or 8");
      if (v[0] > 10) out.warnings.push_back("PS interval above 10 half seconds");
      state_.psInterval = v[0];
      state_.psStep = v[1];
      return accept(Printf("PS %s every %d.%d s", v[1] == 8 ? "pages change" : "scrolls", v[0] / 2,
                           v[0] % 2 * 5));
    }
    case protocol::RT: {
      state_.rt = body;
      return accept("RT text " + Quoted(body));
    }
    case protocol::PT:
    case protocol::DI:
    case protocol::TP:
    case protocol::TA:
    case protocol::MS: {
      int n = 0;
      const bool flag = cmd != "PT" && cmd != "DI";
      if (flag ? (body != "0" && body != "1") : !ParseInt(body, n))
        return fail(flag ? "expects 0 or 1" : "expects a decimal number");
      if (flag) n = body[0] - '0';
      if (cmd == "PT") {
        if (n < 0 || n > 31) return ignore("PTY " + body + " outside 0..31");
        state_.pty = n;
        return accept("PTY = " + body + " (" + PtyName(n) + ")");
      }
      if (cmd == "DI") {
        if (n < 0 || n > 15) return ignore("DI " + body + " outside 0..15");
        state_.di = n;
        std::string flags;
        static constexpr const char* kBits[] = {"stereo", "artificial head", "compressed",
                                                "dynamic PTY"};
        for (int bit = 0; bit < 4; ++bit)
          if (n & (1 << bit)) flags += std::string(flags.empty() ? "" : ", ") + kBits[bit];
        return accept("DI = " + body + " (" + (flags.empty() ? "none" : flags) + ")");
      }
      (cmd == "TP" ? state_.tp : cmd == "TA" ? state_.ta : state_.ms) = n;
      return accept(cmd + " = " + body);
    }
    case protocol::AF: {
      if (body.empty()) return ignore("AF without a value");
      if (body == "0") {
        state_.af = AfState{};
        return accept("AF disabled");
      }
      if (!ParseList(body, v) || v.size() != 8) return fail("expects 0 or eight numbers");
      if (v[0] < 226 || v[0] > 231) return ignore("AF count code outside 226..231");
      for (size_t i = 1; i < 8; ++i)
        if (v[i] < 0 || v[i] > 205) return ignore("AF code outside 0..205");
      AfState af;
      af.enabled = true;
      for (size_t i = 0; i < 8; ++i) af.codes[i] = v[i];
      state_.af = af;
      std::string list;
      for (int i = 0; i < v[0] - 225; ++i) list += (i ? ", " : "") + AfFrequency(v[2 + i]);
      return accept("AF " + std::to_string(v[0] - 225) + " frequencies, local " +
                    AfFrequency(v[1]) + " MHz: " + list);
    }
    case protocol::TI: {
      ClockTime ct;
      if (IsByteForm(body)) {
        ct.byteForm = true;
        for (size_t i = 0; i < 5; ++i) ct.bytes[i] = static_cast<unsigned char>(body[i]);
      } else {
        if (!ParseList(body, v) || v.size() != 5) return fail("expects five numbers or five bytes");
        for (size_t i = 0; i < 5; ++i) {
          if (v[i] < 0 || v[i] > 255) return ignore("clock-time byte outside 0..255");
          ct.bytes[i] = v[i];
        }
      }
      const auto& b = ct.bytes;
      ct.mjd = (int64_t{b[0] & 3} << 15) | (b[1] << 7) | (b[2] >> 1);
      ct.hour = ((b[2] & 1) << 4) | (b[3] >> 4);
      ct.minute = ((b[3] & 15) << 2) | (b[4] >> 6);
      ct.offsetHalfHours = (b[4] & 31) * ((b[4] & 32) ? -1 : 1);
      platform::CivilFromDays(ct.mjd - platform::kUnixEpochMjd, ct.year, ct.month, ct.day);
      if (ct.hour > 23 || ct.minute > 59) out.warnings.push_back("time of day out of range");
      state_.ct = ct;
      return accept("CT = " + CtDate(ct) + " " + CtTime(ct) + " UTC" + Offset(ct.offsetHalfHours) +
                    (ct.byteForm ? " (byte form)" : " (text form)"));
    }
    case protocol::SM:
    case protocol::RM: {
      if (!body.empty()) return fail("expects nothing after the command");
      if (cmd == "SM") {
        eeprom_ = state_;
        eeprom_.ct.reset();
        return accept("settings saved to EEPROM");
      }
      // The clock runs on; it is not part of what the EEPROM keeps.
      std::optional<ClockTime> ct = state_.ct;
      state_ = eeprom_;
      state_.ct = ct;
      return accept("settings read from EEPROM");
    }
    case protocol::kCommands:
      break;
  }
  out.error = "unknown command";
}

// ---- reports ----

std::string JsonString(std::string_view bytes) { return Quoted(platform::Cp1252ToUtf8(bytes)); }

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) out += Printf(out.empty() ? "%02X" : " %02X", c);
  return out;
}

std::string StateJson(const EncoderState& s) {
  std::string j = "{\"pi\":" + (s.pi ? "\"" + Hex4(*s.pi) + "\"" : std::string("null"));
  j += ",\"ps\":" + JsonTextOrNull(s.ps) + ",\"psPages\":[";
  const auto pages = PsPages(s);
  for (size_t i = 0; i < pages.size(); ++i) j += (i ? "," : "") + JsonString(pages[i]);
  j += "],\"psInterval\":" + JsonInt(s.psInterval) + ",\"psStep\":" + JsonInt(s.psStep);
  j += ",\"rt\":" + JsonTextOrNull(s.rt) + ",\"pty\":" + JsonInt(s.pty);
  j += ",\"ptyName\":" + (s.pty ? JsonString(PtyName(*s.pty)) : std::string("null"));
  j += ",\"di\":" + JsonInt(s.di) + ",\"tp\":" + JsonInt(s.tp) + ",\"ta\":" + JsonInt(s.ta) +
       ",\"ms\":" + JsonInt(s.ms) + ",\"af\":";
  if (!s.af) {
    j += "null";
  } else if (!s.af->enabled) {
    j += "{\"enabled\":false}";
  } else {
    const auto& c = s.af->codes;
    j += "{\"enabled\":true,\"count\":" + std::to_string(c[0] - 225) +
         ",\"local\":" + (c[1] == 205 ? "null" : AfFrequency(c[1])) + ",\"afs\":[";
    for (int i = 0; i < c[0] - 225; ++i)
      j += (i ? "," : "") + (c[2 + i] == 205 ? std::string("null") : AfFrequency(c[2 + i]));
    j += "],\"codes\":[";
    for (size_t i = 0; i < 8; ++i) j += (i ? "," : "") + std::to_string(c[i]);
    j += "]}";
  }
  j += ",\"ct\":";
  if (!s.ct) {
    j += "null";
  } else {
    const auto& ct = *s.ct;
    j += "{\"date\":\"" + CtDate(ct) + "\",\"time\":\"" + CtTime(ct) + "\",\"offset\":\"" +
         Offset(ct.offsetHalfHours) + "\",\"mjd\":" + std::to_string(ct.mjd) + ",\"form\":\"" +
         (ct.byteForm ? "bytes" : "text") + "\",\"bytes\":[";
    for (size_t i = 0; i < 5; ++i) j += (i ? "," : "") + std::to_string(ct.bytes[i]);
    j += "]}";
  }
  return j + "}";
}

std::string ReportJson(const Decoded& d, const EncoderState& state, uint64_t seq) {
  std::string j = "{\"seq\":" + std::to_string(seq) + ",\"ok\":" + (d.ok ? "true" : "false");
  j += ",\"cmd\":" + (d.command.empty() ? std::string("null") : JsonString(d.command));
  j += ",\"term\":" + (d.terminator.empty() ? std::string("null") : JsonString(d.terminator));
  j += ",\"raw\":" + JsonString(d.raw) + ",\"hex\":\"" + HexBytes(d.raw) + "\"";
  j += ",\"error\":" + (d.ok ? std::string("null") : JsonString(d.error));
  j += ",\"summary\":" + JsonString(d.summary) + ",\"warnings\":[";
  for (size_t i = 0; i < d.warnings.size(); ++i) j += (i ? "," : "") + JsonString(d.warnings[i]);
  return j + "],\"state\":" + StateJson(state) + "}";
}

std::string ReportText(const Decoded& d, uint64_t seq) {
  std::string t = Printf("#%llu ", static_cast<unsigned long long>(seq));
  if (!d.ok) return platform::Cp1252ToUtf8(t + "UNDECODABLE (" + d.error + "): " + HexBytes(d.raw));
  t += d.summary.empty() ? d.command : d.summary;
  for (const auto& w : d.warnings) t += "  [warning: " + w + "]";
  return platform::Cp1252ToUtf8(t);
}

}  // namespace vencoder
