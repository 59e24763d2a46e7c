#include "platform/event_log.h"

#include <deque>
#include <mutex>

#include "platform/time_host.h"

namespace platform {

namespace {
std::FILE* gOut = nullptr;
bool gKeep = false;

struct Recent {
  std::mutex mutex;
  std::deque<LoggedLine> lines;
  uint64_t count = 0;
};
Recent& TheRecent() {
  static Recent recent;
  return recent;
}

}  // namespace

void SetEventLog(std::FILE* out) { gOut = out; }

bool EventLogOn() { return gOut != nullptr || gKeep; }

void KeepRecentEvents(bool on) { gKeep = on; }

std::vector<LoggedLine> RecentEvents(uint64_t since, size_t most) {
  Recent& recent = TheRecent();
  std::lock_guard lock(recent.mutex);
  std::vector<LoggedLine> out;
  for (const LoggedLine& line : recent.lines)
    if (line.number > since) out.push_back(line);
  if (out.size() > most) out.erase(out.begin(), out.end() - static_cast<ptrdiff_t>(most));
  return out;
}

void LogEvent(std::string_view event) {
  if (!EventLogOn()) return;
  const LocalDateTime t = Time().now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond);
  std::string line = stamp;
  line.append(event);
  if (gKeep) {
    Recent& recent = TheRecent();
    std::lock_guard lock(recent.mutex);
    recent.lines.push_back({++recent.count, line});
    if (recent.lines.size() > kRecentEvents) recent.lines.pop_front();
  }
  if (!gOut) return;
  line += '\n';
  // One write per line, so a journal never gets half a line from us.
  std::fwrite(line.data(), 1, line.size(), gOut);
  std::fflush(gOut);
}

std::string EscapeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() + 8);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7F) {
      // Code-page bytes too: a journal shows a line that is not UTF-8 only as a blob.
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace platform
