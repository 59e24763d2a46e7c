// The main window: building its whole tree, and the paths from a click on "Send PI" and on the
// Page PS "Send PS" (the longest line) to the bytes handed to the port.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/main_window.h"
#include "platform/files.h"
#include "platform/serial_pty.h"
#include "runtime/runtime.h"

namespace {

namespace fs = std::filesystem;

// One offscreen application and one settings folder with COM 1 on a pseudo-terminal.
struct Host {
  Host() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app = std::make_unique<QApplication>(argc, argv);
    folder = fs::temp_directory_path() / ("rds-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "ports");
    pty.create();
    pty.holdSlave();
    fs::create_symlink(pty.slavePath(), folder / "ports" / "com1");
    platform::SetSettingsFolder(folder.string());
  }
  ~Host() { fs::remove_all(folder); }
  int argc = 1;
  char name[8] = "bench";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
  fs::path folder;
  platform::PseudoTerminal pty;
};

Host& TheHost() {
  static Host host;
  return host;
}

void BM_BuildMainWindowTree(benchmark::State& state) {
  TheHost();
  hi::ResetRuntime();
  for (auto _ : state) {
    auto window = std::make_unique<hi::MainWindow>();
    benchmark::DoNotOptimize(window.get());
    state.PauseTiming();
    window.reset();
    hi::Startup().reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildMainWindowTree)->Unit(benchmark::kMillisecond);

void BM_SendPiClickToPort(benchmark::State& state) {
  Host& host = TheHost();
  hi::ResetRuntime();
  auto window = std::make_unique<hi::MainWindow>();
  hi::SetLoopsLive(true);
  hi::Startup().run();
  hi::TData none;
  hi::Fire(window->connectionPage->connect.onClick, none);
  hi::PiPanel& pi = *window->rdsSettingsPage->piPanel;
  hi::TData text = hi::TData::Str("7C6F");
  pi.text.doText(text, 0);
  host.pty.read(20);
  int sent = 0;
  for (auto _ : state) {
    hi::TData click = pi.send.data;
    hi::Fire(pi.send.onClick, click);
    if (++sent % 256 == 0) {
      state.PauseTiming();
      host.pty.read(0);
      state.ResumeTiming();
    }
  }
  const std::string last = host.pty.read(20);
  if (sent && last.find("PI124,111\r\n") == std::string::npos) state.SkipWithError("no PI line");
  window->form.requestClose();
  window.reset();
  hi::ResetRuntime();
}
BENCHMARK(BM_SendPiClickToPort)->Unit(benchmark::kMicrosecond);

// Ten full pages: "PS", 80 characters and CR LF, 84 bytes. No interval is chosen, so no DS line
// follows and only the PS line is timed.
void BM_SendPagePsClickToPort(benchmark::State& state) {
  Host& host = TheHost();
  hi::ResetRuntime();
  auto window = std::make_unique<hi::MainWindow>();
  hi::SetLoopsLive(true);
  hi::Startup().run();
  hi::TData none;
  hi::Fire(window->connectionPage->connect.onClick, none);
  hi::PagePsPanel& pages = *window->rdsSettingsPage->pagePsPanel;
  for (hi::THIEdit& page : pages.pages) {
    hi::TData text = hi::TData::Str("PAGE 12345");
    page.doText(text, 0);
  }
  host.pty.read(20);
  int sent = 0;
  for (auto _ : state) {
    hi::TData click = pages.send.data;
    hi::Fire(pages.send.onClick, click);
    if (++sent % 64 == 0) {
      state.PauseTiming();
      host.pty.read(0);
      state.ResumeTiming();
    }
  }
  const std::string last = host.pty.read(20);
  if (sent && last.find("PSPAGE 123PAGE 123") == std::string::npos)
    state.SkipWithError("no PS line");
  window->form.requestClose();
  window.reset();
  hi::ResetRuntime();
}
BENCHMARK(BM_SendPagePsClickToPort)->Unit(benchmark::kMicrosecond);

// The dynamic text at work: one refresh of each engine with its files on disk (read, tags,
// expansion, change detection), one window step and one marquee step. A second of running costs
// two PS refreshes, one RT refresh, at most one window step and two and a half marquee steps.
class DynamicText {
 public:
  explicit DynamicText(Host& host) {
    hi::ResetRuntime();
    window = std::make_unique<hi::MainWindow>();
    hi::SetLoopsLive(true);
    hi::Startup().run();
    hi::TData none;
    hi::Fire(window->connectionPage->connect.onClick, none);
    write(host, "ps.txt", "%NPFile%<TA0>\r\n");
    write(host, "rt.txt", "Now: %NPFile% - %Temp% at %Time2%\r\n");
    write(host, "temp.txt", "21 C\r\n");
    write(host, "np.txt", "The Artist - The Title Of The Song\r\n");
    hi::DynamicTextPanel& dyn = *window->dynamicTextPage;
    const char* names[] = {"ps.txt", "rt.txt", "temp.txt", "np.txt"};
    for (int k = 0; k < hi::DynamicTextPanel::kFiles; ++k) {
      hi::TData path = hi::TData::Str((host.folder / names[k]).string());
      dyn.paths[k].doText(path, 0);
    }
    for (hi::ThiCheckBoxRush* box : {&dyn.dps, &dyn.drt}) {
      hi::TData on = hi::TData::Int(1);
      box->doCheck(on, 0);
    }
    // One refresh of each: the lines are on air, the strip holds a long RT.
    for (hi::THITimer* timer : {&dyn.psTimer, &dyn.rtTimer}) {
      hi::TData tick;
      hi::Fire(timer->onTimer, tick);
    }
    host.pty.read(20);
  }
  ~DynamicText() {
    window->form.requestClose();
    window.reset();
    hi::ResetRuntime();
  }
  static void write(Host& host, const char* name, const std::string& text) {
    std::ofstream(host.folder / name, std::ios::binary) << text;
  }
  std::unique_ptr<hi::MainWindow> window;
};

hi::THITimer& PsTimer(hi::MainWindow& w) { return w.dynamicTextPage->psTimer; }
hi::THITimer& RtTimer(hi::MainWindow& w) { return w.dynamicTextPage->rtTimer; }
hi::THITimer& WindowTimer(hi::MainWindow& w) { return w.dynamicTextPage->windowTimer; }
hi::THITimer& MarqueeTimer(hi::MainWindow& w) { return w.nowSendingStrip->marquee; }

template <hi::THITimer& (*Timer)(hi::MainWindow&)>
void BM_DynamicTick(benchmark::State& state) {
  Host& host = TheHost();
  DynamicText text(host);
  hi::THITimer& timer = Timer(*text.window);
  for (auto _ : state) {
    hi::TData tick;
    hi::Fire(timer.onTimer, tick);
  }
  host.pty.read(0);
}
BENCHMARK(BM_DynamicTick<PsTimer>)->Name("BM_DynamicPsRefresh")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DynamicTick<RtTimer>)->Name("BM_DynamicRtRefresh")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DynamicTick<WindowTimer>)->Name("BM_DynamicWindowStep")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DynamicTick<MarqueeTimer>)->Name("BM_MarqueeStep")->Unit(benchmark::kMicrosecond);

}  // namespace
