// Counters for the station's monitoring, kept where the events happen (the port's writes, the
// now-playing listener) and read from the web console's threads, hence atomic. Never reset while
// the program runs.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "protocol/functions.h"

namespace platform::metrics {

struct CommandCounts {
  std::atomic<uint64_t> lines{0};
  std::atomic<uint64_t> bytes{0};
};

struct Counters {
  // By the command's two letters; the last entry takes a line no row names.
  std::array<CommandCounts, protocol::kCommands + 1> commands;
  std::atomic<uint64_t> portOpens{0};
  std::atomic<uint64_t> portLosses{0};
  // Opens that followed a lost port.
  std::atomic<uint64_t> reconnects{0};
  std::atomic<int64_t> lastWriteUnixMs{0};
  std::atomic<uint64_t> titlesReceived{0};
  std::atomic<int64_t> startUnixMs{0};
};

Counters& Get();

// A line reached the port whole.
void CountLine(std::string_view line);
void CountPortOpened();
void CountPortLost();
void CountTitle();

// The index into Counters::commands for a line.
size_t CommandIndex(std::string_view line);

}  // namespace platform::metrics
