#include "platform/serial.h"

#include <cctype>
#include <string>

namespace platform {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseOnOff(const std::string& value, bool& out) {
  if (value == "on") {
    out = true;
  } else if (value == "off") {
    out = false;
  } else {
    return false;
  }
  return true;
}

bool ParseBaud(const std::string& value, int32_t& out) {
  if (value.empty() || value.size() > 9) return false;
  int32_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  switch (n) {
    case 11:
      n = 110;
      break;
    case 15:
      n = 150;
      break;
    case 30:
      n = 300;
      break;
    case 60:
      n = 600;
      break;
    case 12:
      n = 1200;
      break;
    case 24:
      n = 2400;
      break;
    case 48:
      n = 4800;
      break;
    case 96:
      n = 9600;
      break;
    case 19:
      n = 19200;
      break;
    default:
      break;
  }
  out = n;
  return true;
}

bool ApplySetting(const std::string& key, const std::string& value, SerialMode& m) {
  if (key == "baud") return ParseBaud(value, m.baud);
  if (key == "parity") {
    if (value.size() != 1 || std::string_view("noems").find(value[0]) == std::string_view::npos)
      return false;
    m.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
    return true;
  }
  if (key == "data") {
    if (value.size() != 1 || value[0] < '5' || value[0] > '8') return false;
    m.dataBits = value[0] - '0';
    return true;
  }
  if (key == "stop") {
    if (value == "1") {
      m.stopBits = 10;
    } else if (value == "1.5") {
      m.stopBits = 15;
    } else if (value == "2") {
      m.stopBits = 20;
    } else {
      return false;
    }
    return true;
  }
  if (key == "to") return ParseOnOff(value, m.timeoutInfinite);
  if (key == "xon") return ParseOnOff(value, m.xonXoff);
  if (key == "odsr") return ParseOnOff(value, m.outDsr);
  if (key == "octs") return ParseOnOff(value, m.outCts);
  if (key == "idsr") return ParseOnOff(value, m.inDsr);
  if (key == "dtr" || key == "rts") {
    char& line = key == "dtr" ? m.dtr : m.rts;
    if (value == "on") {
      line = '1';
    } else if (value == "off") {
      line = '0';
    } else if (value == "hs") {
      line = 'h';
    } else if (value == "tg" && key == "rts") {
      line = 't';
    } else {
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace

bool ApplyModeText(std::string_view text, SerialMode& mode) {
  SerialMode result = mode;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    std::string word = Lower(text.substr(i, end - i));
    i = end;
    size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    if (!ApplySetting(word.substr(0, eq), word.substr(eq + 1), result)) return false;
  }
  mode = result;
  return true;
}

std::string OpenFailureText(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::None:
      return "";
    case OpenFailure::Missing:
      return "no such device";
    case OpenFailure::Busy:
      return "in use by another program";
    case OpenFailure::Denied:
      return "permission denied";
    case OpenFailure::NotSerial:
      return "not a serial port";
    case OpenFailure::Other:
      break;
  }
  return "the system refused it";
}

}  // namespace platform
