// The main window: building its whole tree, and the paths from a click on "Send PI" and on the
// Page PS "Send PS" (the longest line) to the bytes handed to the port.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>
#if defined(__SANITIZE_ADDRESS__)
#define RDS_BENCH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RDS_BENCH_ASAN 1
#endif
#endif
#ifdef RDS_BENCH_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/main_window.h"
#include "platform/files.h"
#include "platform/serial_pty.h"
#include "platform/time_host.h"
#include "runtime/runtime.h"
#include "ui/qt_host.h"

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
  ~Host() {
    fs::remove_all(folder);
    // Once an event loop has run, Qt's own globals may be gone before static objects are
    // destroyed: the application object is left to the end of the process.
    static QApplication* const kept = app.release();
    (void)kept;
  }
  // A new device behind COM 1, as when an adapter is plugged in again.
  void replug() {
    pty.create();
    pty.holdSlave();
    fs::remove(folder / "ports" / "com1");
    fs::create_symlink(pty.slavePath(), folder / "ports" / "com1");
  }
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
  hi::PiPanel& pi = connected.window->rdsSettingsPage->function<protocol::Pi>();
  hi::TData text = hi::TData::Str("7C6F");
  pi.text.doText(text, 0);
  connected.clickToPort(state, pi.send, 256, "PI124,111\r\n");
}
BENCHMARK(BM_SendPiClickToPort)->Unit(benchmark::kMicrosecond);

// Closing the window while the port is lost and being tried again: the close must not wait for
// the line. The watch notices the hang-up on the virtual clock; the close is timed.
void BM_CloseWhileRetrying(benchmark::State& state) {
  Host& host = TheHost();
  platform::VirtualTimeHost time;
  platform::SetTimeHost(&time);
  for (auto _ : state) {
    state.PauseTiming();
    auto connected = std::make_unique<ConnectedWindow>(host);
    host.pty.close();
    time.advance(300);
    host.replug();
    state.ResumeTiming();
    connected.reset();
  }
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_CloseWhileRetrying)->Unit(benchmark::kMillisecond);

// Ten full pages: "PS", 80 characters and CR LF, 84 bytes. No interval is chosen, so no DS line
// follows and only the PS line is timed.
void BM_SendPagePsClickToPort(benchmark::State& state) {
  ConnectedWindow connected(TheHost());
  hi::PagePsPanel& pages = connected.window->rdsSettingsPage->function<protocol::PagePs>();
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

// The automation at its worst: ten thousand titles rewritten as fast as the disk takes them (in
// place, or beside the file and renamed over it) while both engines run on the Qt timers. Reports
// how long an event waited in the window's queue at worst, and how far the heap grew from the
// second before the load to the time after it: a block kept per title read or per line sent would
// be hundreds of kilobytes.
class EventDelayProbe : public QObject {
 public:
  static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
  explicit EventDelayProbe(const QElapsedTimer& clock) : clock_(clock) {}
  void post() {
    posted_.push_back(clock_.elapsed());
    QCoreApplication::postEvent(this, new QEvent(kType));
  }
  bool event(QEvent* e) override {
    if (e->type() != kType) return QObject::event(e);
    worstMs = std::max(worstMs, clock_.elapsed() - posted_[handled++]);
    return true;
  }
  qint64 worstMs = 0;
  size_t handled = 0;

 private:
  const QElapsedTimer& clock_;
  std::vector<qint64> posted_;
};

size_t HeapBytes() {
#ifdef RDS_BENCH_ASAN
  return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

void BM_TitleLoad(benchmark::State& state) {
  constexpr int kTitles = 10'000;
  Host& host = TheHost();
  ui::QtTimeHost qtTime;
  platform::SetTimeHost(&qtTime);
  {
    DynamicText text(host);
    const std::string target = (host.folder / "np.txt").string();
    const std::string temporary = (host.folder / "np.tmp").string();
    for (auto _ : state) {
      QElapsedTimer clock;
      clock.start();
      EventDelayProbe probe(clock);
      std::vector<size_t> heap;
      heap.reserve(1 << 14);
      std::atomic<bool> go{false}, written{false};
      qint64 writingMs = 0;
      std::thread writer([&] {
        while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const qint64 began = clock.elapsed();
        for (int n = 0; n < kTitles; ++n) {
          const bool renamed = n % 2 == 1;
          std::ofstream(renamed ? temporary : target, std::ios::binary | std::ios::trunc)
              << "Load " << n << " - Artist number " << n % 97 << " - Song\r\n";
          if (renamed) fs::rename(temporary, target);
        }
        writingMs = clock.elapsed() - began;
        written = true;
      });
      // A second and a half to warm up (first refreshes, lines and caches), the last second of
      // it the heap's base; then the load; then a second and a half for the last title.
      QTimer every20ms;
      QEventLoop loop;
      size_t warm = 0, loaded = 0;
      qint64 settleAt = -1;
      QObject::connect(&every20ms, &QTimer::timeout, [&] {
        probe.post();
        heap.push_back(HeapBytes());
        host.pty.read(0);
        if (!go && clock.elapsed() >= 1500) warm = heap.size(), go = true;
        if (written && settleAt < 0) settleAt = clock.elapsed() + 1500, loaded = heap.size();
        if (settleAt >= 0 && clock.elapsed() >= settleAt) loop.quit();
      });
      every20ms.start(20);
      loop.exec();
      writer.join();
      const auto mean = [&](size_t from, size_t to) {
        return std::accumulate(heap.begin() + static_cast<std::ptrdiff_t>(from),
                               heap.begin() + static_cast<std::ptrdiff_t>(to), 0.0) /
               static_cast<double>(std::max<size_t>(to - from, 1));
      };
      const size_t base = std::min<size_t>(warm, 50);
      state.counters["worst_event_delay_ms"] = static_cast<double>(probe.worstMs);
      state.counters["heap_growth_KiB"] =
          (mean(loaded, heap.size()) - mean(warm - base, warm)) / 1024.0;
      state.counters["titles_per_s"] = kTitles * 1000.0 / static_cast<double>(writingMs + 1);
    }
  }
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_TitleLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
