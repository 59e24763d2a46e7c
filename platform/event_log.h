// The program's event log: one line per event (start-up, the port opened or lost, every command
// line written, shutdown) for an operator's terminal or a service manager's journal. Off until
// the program turns it on.
//
//   2024-05-01 14:03:07.125 sent RTMORNING SHOW\r\n
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Where the lines go (the program gives standard error); nullptr turns the log off.
void SetEventLog(std::FILE* out);
bool EventLogOn();
// Writes the local time of the time host, a blank and the event as one line, and flushes it.
void LogEvent(std::string_view event);

// Bytes as plain text for the log: \r \n \t and \\ as such, any other byte outside printable
// ASCII as \xNN.
std::string EscapeBytes(std::string_view bytes);

}  // namespace platform
