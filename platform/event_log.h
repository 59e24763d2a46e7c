// The program's event log: one line per event (start-up, the port opened or lost, every command
// line written, shutdown) for an operator's terminal or a service manager's journal. Off until
// the program turns it on.
//
//   2024-05-01 14:03:07.125 sent RTMORNING SHOW\r\n
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Where the lines go (the program gives standard error); nullptr turns the log off.
void SetEventLog(std::FILE* out);
bool EventLogOn();
// Whether the last lines are also kept in memory (for the web console), the last kRecentEvents.
void KeepRecentEvents(bool on);
inline constexpr size_t kRecentEvents = 200;
struct LoggedLine {
  uint64_t number;  // from 1, one more for every line logged
  std::string text;
};
// The kept lines numbered above `since`, oldest first, at most the newest `most` of them. Any
// thread may ask.
std::vector<LoggedLine> RecentEvents(uint64_t since, size_t most);
// Writes the local time of the time host, a blank and the event as one line, and flushes it.
void LogEvent(std::string_view event);

// Bytes as plain text for the log: \r \n \t and \\ as such, any other byte outside printable
// ASCII as \xNN.
std::string EscapeBytes(std::string_view bytes);

}  // namespace platform
