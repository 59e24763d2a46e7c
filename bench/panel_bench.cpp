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

// The whole window, started and connected to COM 1, as the program runs it.
class ConnectedWindow {
 public:
  explicit ConnectedWindow(Host& host) : host_(host) {
    hi::ResetRuntime();
    window = std::make_unique<hi::MainWindow>();
    hi::SetLoopsLive(true);
    hi::Startup().run();
    hi::TData none;
    hi::Fire(window->connectionPage->connect.onClick, none);
  }
  ~ConnectedWindow() {
    window->form.requestClose();
    window.reset();
    hi::ResetRuntime();
  }
  // Clicks `button` for every iteration, emptying the port every `batch` lines; the last bytes
  // must hold `expected`.
  void clickToPort(benchmark::State& state, hi::ThiButtonRush& button, int batch,
                   const std::string& expected) {
    host_.pty.read(20);
    int sent = 0;
    for (auto _ : state) {
      hi::TData click = button.data;
      hi::Fire(button.onClick, click);
      if (++sent % batch == 0) {
        state.PauseTiming();
        host_.pty.read(0);
        state.ResumeTiming();
      }
    }
    const std::string last = host_.pty.read(20);
    if (sent && last.find(expected) == std::string::npos) state.SkipWithError("line missing");
  }
  std::unique_ptr<hi::MainWindow> window;

 private:
  Host& host_;
};

void BM_SendPiClickToPort(benchmark::State& state) {
  ConnectedWindow connected(TheHost());
  hi::PiPanel& pi = *connected.window->rdsSettingsPage->piPanel;
  hi::TData text = hi::TData::Str("7C6F");
  pi.text.doText(text, 0);
  connected.clickToPort(state, pi.send, 256, "PI124,111\r\n");
}
BENCHMARK(BM_SendPiClickToPort)->Unit(benchmark::kMicrosecond);

// Ten full pages: "PS", 80 characters and CR LF, 84 bytes. No interval is chosen, so no DS line
// follows and only the PS line is timed.
void BM_SendPagePsClickToPort(benchmark::State& state) {
  ConnectedWindow connected(TheHost());
  hi::PagePsPanel& pages = *connected.window->rdsSettingsPage->pagePsPanel;
  for (hi::THIEdit& page : pages.pages) {
    hi::TData text = hi::TData::Str("PAGE 12345");
    page.doText(text, 0);
  }
  connected.clickToPort(state, pages.send, 64, "PSPAGE 123PAGE 123");
}
BENCHMARK(BM_SendPagePsClickToPort)->Unit(benchmark::kMicrosecond);

// The dynamic text at work: one refresh of each engine with its files on disk (read, tags,
// expansion, change detection), one window step and one marquee step. A second of running costs
// two PS refreshes, one RT refresh, at most one window step and two and a half marquee steps.
class DynamicText : public ConnectedWindow {
 public:
  explicit DynamicText(Host& host) : ConnectedWindow(host) {
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
  static void write(Host& host, const char* name, const std::string& text) {
    std::ofstream(host.folder / name, std::ios::binary) << text;
  }
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
