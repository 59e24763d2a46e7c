// Firing and reading through links against a direct virtual call doing the same work: the
// same value record handed over or filled in, without the link.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/runtime.h"

namespace {

class Sink : public hi::TDebug {
 public:
  int32_t total = 0;
  std::string text = "PS%1%2%3";
  void doValue(hi::TData& d, uint16_t) { total += d.integer; }
  void Value(hi::TData& d, uint16_t) { d = hi::TData::Str(text); }
};

class VirtualSink {
 public:
  virtual ~VirtualSink() = default;
  virtual void doValue(const hi::TData& d) = 0;
  virtual void value(hi::TData& d) = 0;
};

class DirectSink : public VirtualSink {
 public:
  int32_t total = 0;
  std::string text = "PS%1%2%3";
  void doValue(const hi::TData& d) override { total += d.integer; }
  void value(hi::TData& d) override { d = hi::TData::Str(text); }
};

// Keeps the compiler from seeing through the virtual call.
VirtualSink* MakeDirect() {
  static DirectSink sink;
  benchmark::DoNotOptimize(&sink);
  return &sink;
}

void BM_FireOneLink(benchmark::State& state) {
  hi::SetLoopsLive(true);
  Sink sink;
  hi::TLink event;
  hi::link<&Sink::doValue>(event, sink);
  int32_t n = 0;
  for (auto _ : state) hi::EmitInt(event, ++n);
  benchmark::DoNotOptimize(sink.total);
  hi::SetLoopsLive(false);
}
BENCHMARK(BM_FireOneLink);

void BM_DirectVirtualCall(benchmark::State& state) {
  VirtualSink* sink = MakeDirect();
  int32_t n = 0;
  for (auto _ : state) sink->doValue(hi::TData::Int(++n));
  benchmark::ClobberMemory();
}
BENCHMARK(BM_DirectVirtualCall);

void BM_ReadLinkedString(benchmark::State& state) {
  hi::SetLoopsLive(true);
  Sink sink;
  hi::TLink point;
  hi::link<&Sink::Value>(point, sink);
  hi::TData incoming;
  for (auto _ : state) {
    std::string s = hi::ReadString(incoming, point);
    benchmark::DoNotOptimize(s);
  }
  hi::SetLoopsLive(false);
}
BENCHMARK(BM_ReadLinkedString);

void BM_DirectVirtualRead(benchmark::State& state) {
  VirtualSink* sink = MakeDirect();
  for (auto _ : state) {
    hi::TData d;
    sink->value(d);
    std::string s = std::move(d.text);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_DirectVirtualRead);

}  // namespace
