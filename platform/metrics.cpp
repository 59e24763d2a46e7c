#include "platform/metrics.h"

#include <chrono>

namespace platform::metrics {

namespace {

int64_t UnixMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

Counters& Make() {
  static Counters counters;
  counters.startUnixMs = UnixMs();
  return counters;
}

// Set when the port was lost, so that the next open counts as a reconnect.
std::atomic<bool> gLost{false};

}  // namespace

Counters& Get() {
  static Counters& counters = Make();
  return counters;
}

size_t CommandIndex(std::string_view line) {
  for (const auto& row : protocol::kCommandRows)
    if (line.substr(0, 2) == row.code) return row.id;
  return protocol::kCommands;
}

void CountLine(std::string_view line) {
  CommandCounts& c = Get().commands[CommandIndex(line)];
  c.lines.fetch_add(1, std::memory_order_relaxed);
  c.bytes.fetch_add(line.size(), std::memory_order_relaxed);
  Get().lastWriteUnixMs = UnixMs();
}

void CountPortOpened() {
  Get().portOpens.fetch_add(1, std::memory_order_relaxed);
  if (gLost.exchange(false)) Get().reconnects.fetch_add(1, std::memory_order_relaxed);
}

void CountPortLost() {
  Get().portLosses.fetch_add(1, std::memory_order_relaxed);
  gLost = true;
}

void CountTitle() { Get().titlesReceived.fetch_add(1, std::memory_order_relaxed); }

}  // namespace platform::metrics
