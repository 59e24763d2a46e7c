// The ten-page PS line as the Page PS panel builds it on "Send PS": one formatter pulling ten
// page memories, its line going on to the panel's line hub.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "elements/flow.h"
#include "elements/strings.h"

namespace {

class LineSink : public hi::TDebug {
 public:
  size_t bytes = 0;
  void doSend(hi::TData& d, uint16_t) { bytes += d.text.size(); }
};

struct PagePsGraph {
  explicit PagePsGraph(const std::array<const char*, 10>& pages) {
    formatter.setDataCount(10);
    formatter.mask = "PS%1%2%3%4%5%6%7%8%9%10\r\n";
    for (size_t i = 0; i < pages.size(); ++i) {
      // A page memory holds eight characters, or nothing for an empty page.
      std::string page = pages[i];
      if (!page.empty()) memories[i].value = hi::TData::Str((page + "        ").substr(0, 8));
      hi::link<&hi::THIMemory::Value>(formatter.Str[i + 1], memories[i]);
    }
    lineHub.setOutCount(1);
    hi::link<&hi::THIHub::doEvent>(formatter.onFString, lineHub);
    hi::link<&LineSink::doSend>(lineHub.onEvent[0], sink);
    hi::link<&hi::THIFormatStr::doString>(click, formatter);
  }
  std::array<hi::THIMemory, 10> memories;
  hi::THIFormatStr formatter;
  hi::THIHub lineHub;
  LineSink sink;
  hi::TLink click;  // the "Send PS" button's onClick
};

void RunPagePs(benchmark::State& state, const std::array<const char*, 10>& pages) {
  hi::SetLoopsLive(true);
  PagePsGraph graph(pages);
  for (auto _ : state) hi::EmitNull(graph.click);
  benchmark::DoNotOptimize(graph.sink.bytes);
  state.SetItemsProcessed(state.iterations());
  hi::SetLoopsLive(false);
}

void BM_PagePsLineTenPages(benchmark::State& state) {
  RunPagePs(state, {"RADIO", "ONE", "FM 101.5", "NEWS", "MUSIC", "TRAFFIC", "WEATHER", "SPORT",
                    "NIGHT", "LONGER THAN 8"});
}
BENCHMARK(BM_PagePsLineTenPages);

void BM_PagePsLineTwoPages(benchmark::State& state) {
  RunPagePs(state, {"RADIO", "ONE", "", "", "", "", "", "", "", ""});
}
BENCHMARK(BM_PagePsLineTwoPages);

}  // namespace
