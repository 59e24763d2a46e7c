// How long a write keeps the window waiting when the line does not take the bytes: a stalled
// line (nobody reads the far end) gives up after the write time-outs, a hung-up line at once.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/serial.h"
#include "platform/serial_pty.h"

namespace {

// Every write after the first finds the terminal buffer full and waits out the time-outs:
// 50 ms in all here.
void BM_WriteToStalledLine(benchmark::State& state) {
  platform::PseudoTerminal pty;
  platform::SerialPort port;
  if (!pty.create() || !port.open(pty.slavePath()) || !port.setTimeouts({0, 0, 0, 0, 50})) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  const std::string line(1 << 20, 'x');
  for (auto _ : state) benchmark::DoNotOptimize(port.write(line));
}
BENCHMARK(BM_WriteToStalledLine)->Unit(benchmark::kMillisecond)->Iterations(10);

// The adapter is pulled out: each write fails without waiting for the time-outs.
void BM_WriteToHungUpLine(benchmark::State& state) {
  platform::PseudoTerminal pty;
  platform::SerialPort port;
  if (!pty.create() || !port.open(pty.slavePath()) || !port.setTimeouts({10, 10, 10, 10, 10})) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  pty.close();
  for (auto _ : state) benchmark::DoNotOptimize(port.write("PI124,111\r\n"));
}
BENCHMARK(BM_WriteToHungUpLine)->Unit(benchmark::kMicrosecond);

}  // namespace
