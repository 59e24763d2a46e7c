// The now-playing title over the network against the file it replaces, in the whole window
// connected to COM 1: the CPU of one RT refresh that takes a new title from a datagram and from a
// file, measured in one run and compared; and a flood of datagrams while both engines run on the
// Qt timers, with what it costs the window's thread and the process's memory. The same for UECP
// frames: the CPU from a frame to its line, and a flood with both engines running. And the web
// console polled by many clients at once while both engines run.
//
// A program of its own: it owns its Qt application.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/now_playing.h"
#include "platform/serial_pty.h"
#include "platform/time_host.h"
#include "remote/uecp_frame.h"
#include "remote/uecp_input.h"
#include "remote/web_console.h"
#include "runtime/runtime.h"
#include "tests/platform/net_peer.h"
#include "ui/qt_host.h"

namespace {

namespace fs = std::filesystem;

double ThreadCpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double ResidentKiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

double PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss);
}

struct Host {
  Host() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app = std::make_unique<QApplication>(argc, argv);
    folder = fs::temp_directory_path() / ("rds-np-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "ports");
    pty.create();
    pty.holdSlave();
    fs::create_symlink(pty.slavePath(), folder / "ports" / "com1");
    platform::SetSettingsFolder(folder.string());
  }
  ~Host() {
    fs::remove_all(folder);
    // Qt's own globals may be gone before static objects are destroyed.
    static QApplication* const kept = app.release();
    (void)kept;
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
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

// The window started and connected, the dynamic page's templates on disk.
class Window {
 public:
  explicit Window(Host& host) : host_(host) {
    hi::ResetRuntime();
    window = std::make_unique<hi::MainWindow>();
    hi::SetLoopsLive(true);
    hi::Startup().run();
    hi::TData none;
    hi::Fire(window->connectionPage->connect.onClick, none);
    write("ps.txt", "%NPFile%");
    write("rt.txt", "Now: %NPFile% at %Time2%");
    write("np.txt", "Nothing yet");
    const char* names[] = {"ps.txt", "rt.txt", nullptr, "np.txt"};
    for (int k = 0; k < hi::DynamicTextPanel::kFiles; ++k) {
      if (names[k]) source(k, (host.folder / names[k]).string());
    }
  }
  ~Window() {
    window->form.requestClose();
    window.reset();
    hi::ResetRuntime();
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  hi::DynamicTextPanel& page() { return *window->dynamicTextPage; }
  void source(int file, const std::string& text) {
    hi::TData value = hi::TData::Str(text);
    page().paths[file].doText(value, 0);
  }
  // Typed and taken into use with Enter.
  void nowPlaying(const std::string& text) {
    source(hi::DynamicTextPanel::NowPlaying, text);
    hi::TData value = hi::TData::Str(text);
    hi::Fire(page().paths[hi::DynamicTextPanel::NowPlaying].onEnter, value);
  }
  void check(hi::ThiCheckBoxRush& box) {
    hi::TData on = hi::TData::Int(1);
    box.doCheck(on, 0);
  }
  void write(const char* name, const std::string& text) {
    std::ofstream(host_.folder / name, std::ios::binary | std::ios::trunc) << text;
  }
  const platform::NowPlayingListener* listener() {
    return page().files[hi::DynamicTextPanel::NowPlaying].listener();
  }

  std::unique_ptr<hi::MainWindow> window;

 private:
  Host& host_;
};

// With only DRT ticked, each RT refresh reads the title itself: one refresh is the whole road
// from a new title to the RT line on the port. The automation's part (writing the file, sending
// the datagram) is not counted; the refreshes alternate between the two in blocks, so that a
// slow moment of a shared machine falls on both.
void BM_NowPlayingTitleToRtLine(benchmark::State& state) {
  constexpr int kBlocks = 10;
  constexpr int kPerBlock = 200;
  Host& host = TheHost();
  platform::VirtualTimeHost time;
  time.setLocalTime(2026, 12, 7, 6, 0, 0);
  platform::SetTimeHost(&time);
  {
    Window w(host);
    w.check(w.page().drt);
    const uint16_t port = nettest::FreePort(false);
    const std::string address = "udp://127.0.0.1:" + std::to_string(port);
    const std::string file = (host.folder / "np.txt").string();
    nettest::Peer automation(false);
    hi::TData tick;
    const auto refresh = [&] { hi::Fire(w.page().rtTimer.onTimer, tick); };
    for (auto _ : state) {
      double fileUs = 0, datagramUs = 0;
      int title = 0;
      bool onAir = true;
      for (int block = 0; block < kBlocks; ++block) {
        for (bool datagram : {false, true}) {
          w.nowPlaying(datagram ? address : file);
          refresh();  // the listener opens here
          host.pty.read(0);
          std::string last;
          for (int i = 0; i < kPerBlock; ++i) {
            last = "Artist " + std::to_string(++title) + " - The Title Of The Song";
            if (datagram)
              (void)automation.sendTo(port, last);
            else
              w.write("np.txt", last);
            const double before = ThreadCpuMicroseconds();
            refresh();
            (datagram ? datagramUs : fileUs) += ThreadCpuMicroseconds() - before;
            if (i % 32 == 31 || i == kPerBlock - 1) {
              const std::string wire = host.pty.read(0);
              onAir = onAir && wire.find("RTNow: " + last) != std::string::npos;
            }
          }
        }
      }
      const double refreshes = kBlocks * kPerBlock;
      state.counters["file_cpu_us"] = fileUs / refreshes;
      state.counters["datagram_cpu_us"] = datagramUs / refreshes;
      state.counters["datagram_to_file_ratio"] = datagramUs / fileUs;
      state.counters["titles_on_air"] = onAir ? 1 : 0;
      std::printf("datagram to RT line: %.1f us CPU, file: %.1f us CPU, ratio %.2f\n",
                  datagramUs / refreshes, fileUs / refreshes, datagramUs / fileUs);
    }
  }
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_NowPlayingTitleToRtLine)->Iterations(1)->Unit(benchmark::kMillisecond);

// Posts an event every 20 ms and keeps the longest wait in the window's queue.
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

// Both engines on the Qt timers with the title from a UDP port: two seconds calm, then a hundred
// thousand datagrams as fast as the loopback takes them (titles, oversized ones, ones with line
// breaks), then two seconds more. The window thread's CPU in the flood's window is set against
// the same length of calm time.
void BM_NowPlayingFlood(benchmark::State& state) {
  constexpr int kDatagrams = 100'000;
  Host& host = TheHost();
  ui::QtTimeHost qtTime;
  platform::SetTimeHost(&qtTime);
  {
    Window w(host);
    const uint16_t port = nettest::FreePort(false);
    w.nowPlaying("udp://127.0.0.1:" + std::to_string(port));
    w.check(w.page().dps);
    w.check(w.page().drt);
    for (auto _ : state) {
      QElapsedTimer clock;
      clock.start();
      EventDelayProbe probe(clock);
      QTimer every20ms;
      QEventLoop loop;
      std::string wire;
      const auto runFor = [&](qint64 ms, const std::atomic<bool>* until) {
        const qint64 end = clock.elapsed() + ms;
        QObject::connect(&every20ms, &QTimer::timeout, &loop, [&] {
          probe.post();
          wire += host.pty.read(0);
          if (clock.elapsed() >= end && (!until || *until)) loop.quit();
        });
        every20ms.start(20);
        loop.exec();
        every20ms.stop();
        QObject::disconnect(&every20ms, nullptr, &loop, nullptr);
      };
      runFor(500, nullptr);  // the first refreshes, the listener open
      const double calmStart = ThreadCpuMicroseconds();
      const qint64 calmBegan = clock.elapsed();
      runFor(2000, nullptr);
      const double calmUs = ThreadCpuMicroseconds() - calmStart;
      const qint64 calmMs = clock.elapsed() - calmBegan;
      probe.worstMs = 0;

      const double residentBefore = ResidentKiB();
      std::atomic<bool> sent{false};
      qint64 sendingMs = 0;
      const double floodStart = ThreadCpuMicroseconds();
      const qint64 floodBegan = clock.elapsed();
      std::thread automation([&] {
        nettest::Peer peer(false);
        const qint64 began = clock.elapsed();
        for (int n = 0; n < kDatagrams; ++n) {
          switch (n % 4) {
            case 0:
              (void)peer.sendTo(port, "Flood title " + std::to_string(n));
              break;
            case 1:
              (void)peer.sendTo(port, "Flood " + std::to_string(n) + "\r\nSM\r\n");
              break;
            case 2:
              (void)peer.sendTo(port, std::string(platform::kTitleBytesLimit + 1, 'x'));
              break;
            default:
              (void)peer.sendTo(port, "Flood \xC3\xA9t\xC3\xA9 " + std::to_string(n));
          }
        }
        sendingMs = clock.elapsed() - began;
        sent = true;
      });
      runFor(calmMs, &sent);
      automation.join();
      const double floodUs = ThreadCpuMicroseconds() - floodStart;
      const qint64 floodMs = clock.elapsed() - floodBegan;
      const qint64 worstInFlood = probe.worstMs;
      // A title 0.3 s after the last datagram: on air at the next RT refresh (within 1 s).
      runFor(300, nullptr);
      nettest::Peer late(false);
      (void)late.sendTo(port, "The title after the flood");
      wire.clear();
      const qint64 sentAt = clock.elapsed();
      qint64 onAirMs = -1;
      while (onAirMs < 0 && clock.elapsed() - sentAt < 2000) {
        runFor(20, nullptr);
        if (wire.find("RTNow: The title after the flood") != std::string::npos)
          onAirMs = clock.elapsed() - sentAt;
      }
      runFor(1000, nullptr);

      const platform::NowPlayingListener::Counts counts =
          w.listener() ? w.listener()->counts() : platform::NowPlayingListener::Counts{};
      state.counters["datagrams_sent"] = kDatagrams;
      state.counters["datagrams_taken"] = static_cast<double>(counts.titles);
      state.counters["oversized_dropped"] = static_cast<double>(counts.oversized);
      state.counters["sending_ms"] = static_cast<double>(sendingMs);
      state.counters["flood_window_ms"] = static_cast<double>(floodMs);
      state.counters["window_cpu_flood_ms"] = floodUs / 1000.0;
      state.counters["window_cpu_calm_ms"] = calmUs / 1000.0 * static_cast<double>(floodMs) /
                                             static_cast<double>(std::max<qint64>(calmMs, 1));
      state.counters["worst_event_delay_ms"] = static_cast<double>(worstInFlood);
      state.counters["late_title_on_air_ms"] = static_cast<double>(onAirMs);
      state.counters["rss_before_KiB"] = residentBefore;
      state.counters["rss_after_KiB"] = ResidentKiB();
      state.counters["peak_rss_KiB"] = PeakResidentKiB();
    }
  }
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_NowPlayingFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

// Titles over TCP, each on its own connection that is closed after the title, while nine empty
// connections arrive between two refreshes and stay open: every title goes on air.
void BM_NowPlayingConnectionFlood(benchmark::State& state) {
  constexpr int kTitles = 15;
  Host& host = TheHost();
  ui::QtTimeHost qtTime;
  platform::SetTimeHost(&qtTime);
  {
    Window w(host);
    const uint16_t port = nettest::FreePort(true);
    w.nowPlaying("tcp://127.0.0.1:" + std::to_string(port));
    w.check(w.page().drt);
    for (auto _ : state) {
      QElapsedTimer clock;
      clock.start();
      QEventLoop loop;
      const auto runFor = [&](qint64 ms) {
        QTimer::singleShot(static_cast<int>(ms), &loop, [&] { loop.quit(); });
        loop.exec();
      };
      runFor(1200);  // the listener open
      host.pty.read(0);
      std::string wire;
      std::vector<std::unique_ptr<nettest::Peer>> empty;
      int onAir = 0;
      for (int t = 0; t < kTitles; ++t) {
        const std::string title = "Connection flood title " + std::to_string(t);
        {
          nettest::Peer sender(true);
          (void)sender.connect(port);
          (void)sender.write(title + "\r\n");
        }
        for (int n = 0; n < 9; ++n) {
          empty.push_back(std::make_unique<nettest::Peer>(true));
          (void)empty.back()->connect(port);
        }
        runFor(1000);
        wire += host.pty.read(0);
        if (wire.find("RTNow: " + title) != std::string::npos) ++onAir;
        if (empty.size() > 200) empty.erase(empty.begin(), empty.begin() + 100);
      }
      state.counters["titles_sent"] = kTitles;
      state.counters["titles_on_air"] = onAir;
      state.counters["connections_closed"] =
          w.listener() ? static_cast<double>(w.listener()->counts().closedClients) : 0;
      std::printf("connection flood: %d of %d titles on air\n", onAir, kTitles);
    }
  }
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_NowPlayingConnectionFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

// The UECP input listening on a free UDP port, set in rds.ini before the window is built.
uint16_t ListenForUecp(Host& host) {
  const uint16_t port = nettest::FreePort(false);
  (void)platform::IniWriteString((host.folder / "rds.ini").string(), "UECP", "Listen",
                                 "udp://127.0.0.1:" + std::to_string(port));
  return port;
}
void StopUecp(Host& host) {
  (void)platform::IniWriteString((host.folder / "rds.ini").string(), "UECP", "Listen", "");
}

// One element per frame, PTY, PS and RT in turn with changing values: the window thread's CPU
// from the datagram's socket event to the line written to the port.
void BM_UecpFrameToLine(benchmark::State& state) {
  constexpr int kFrames = 3000;
  Host& host = TheHost();
  platform::VirtualTimeHost time;
  time.setLocalTime(2026, 12, 7, 6, 0, 0);
  platform::SetTimeHost(&time);
  const uint16_t port = ListenForUecp(host);
  {
    Window w(host);
    nettest::Peer source(false);
    for (auto _ : state) {
      double us[3] = {0, 0, 0};
      host.pty.read(0);
      bool onAir = true;
      for (int i = 0; i < kFrames; ++i) {
        const int kind = i % 3;
        std::string message;
        if (kind == 0) message = std::string{7, 0, 0, static_cast<char>(i % 32)};
        if (kind == 1) message = std::string{2, 0, 0} + "PS " + std::to_string(10000 + i);
        if (kind == 2) {
          const std::string text = "Radio text number " + std::to_string(i);
          message = std::string{10, 0, 0, static_cast<char>(text.size() + 1), 0} + text;
        }
        const uint64_t before = w.window->uecp->listener().counts().frames;
        (void)source.sendTo(port, uecp::EncodeFrame(0, 0, message));
        double spent = 0;
        while (w.window->uecp->listener().counts().frames == before) {
          const double start = ThreadCpuMicroseconds();
          time.deliverSocketEvents();
          spent += ThreadCpuMicroseconds() - start;
        }
        us[kind] += spent;
        if (i % 30 == 29)
          onAir = onAir && host.pty.read(0).find("RTRadio text number " + std::to_string(i)) !=
                               std::string::npos;
      }
      const double each = kFrames / 3.0;
      state.counters["pty_frame_cpu_us"] = us[0] / each;
      state.counters["ps_frame_cpu_us"] = us[1] / each;
      state.counters["rt_frame_cpu_us"] = us[2] / each;
      state.counters["lines_on_air"] = onAir ? 1 : 0;
      std::printf("UECP frame to line: PTY %.1f us, PS %.1f us, RT %.1f us CPU\n", us[0] / each,
                  us[1] / each, us[2] / each);
    }
  }
  StopUecp(host);
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_UecpFrameToLine)->Iterations(1)->Unit(benchmark::kMillisecond);

// Both engines on the Qt timers while a UECP source sends a hundred thousand frames as fast as
// the loopback takes them (PTY, PS, RT and broken ones): the longest wait of an event in the
// window's queue, and what the window thread spent.
void BM_UecpFlood(benchmark::State& state) {
  constexpr int kFrames = 100'000;
  Host& host = TheHost();
  ui::QtTimeHost qtTime;
  platform::SetTimeHost(&qtTime);
  const uint16_t port = ListenForUecp(host);
  {
    Window w(host);
    w.check(w.page().dps);
    w.check(w.page().drt);
    for (auto _ : state) {
      QElapsedTimer clock;
      clock.start();
      EventDelayProbe probe(clock);
      QTimer every20ms;
      QEventLoop loop;
      std::atomic<bool> sent{false};
      QObject::connect(&every20ms, &QTimer::timeout, &loop, [&] {
        probe.post();
        host.pty.read(0);
        if (sent) loop.quit();
      });
      every20ms.start(20);
      const double cpuStart = ThreadCpuMicroseconds();
      const qint64 began = clock.elapsed();
      std::thread source([&] {
        nettest::Peer peer(false);
        for (int n = 0; n < kFrames; ++n) {
          std::string message;
          switch (n % 4) {
            case 0:
              message = std::string{7, 0, 0, static_cast<char>(n % 32)};
              break;
            case 1:
              message = std::string{2, 0, 0} + "FL " + std::to_string(10000 + n % 90000);
              break;
            default:
              message = std::string{10, 0, 0, 9, 0} + "Flood RT";
          }
          std::string frame = uecp::EncodeFrame(0, 0, message);
          if (n % 4 == 3) frame[frame.size() - 2] ^= 0x10;
          (void)peer.sendTo(port, frame);
        }
        sent = true;
      });
      loop.exec();
      source.join();
      const double cpuMs = (ThreadCpuMicroseconds() - cpuStart) / 1000.0;
      const qint64 floodMs = clock.elapsed() - began;
      const auto& counts = w.window->uecp->listener().counts();
      state.counters["frames_sent"] = kFrames;
      state.counters["frames_taken"] = static_cast<double>(counts.frames);
      state.counters["crc_dropped"] =
          static_cast<double>(counts.dropped[static_cast<size_t>(uecp::Drop::Crc)]);
      state.counters["flood_window_ms"] = static_cast<double>(floodMs);
      state.counters["window_cpu_ms"] = cpuMs;
      state.counters["worst_event_delay_ms"] = static_cast<double>(probe.worstMs);
      std::printf("UECP flood: %llu of %d frames taken in %lld ms, worst event delay %lld ms\n",
                  static_cast<unsigned long long>(counts.frames), kFrames,
                  static_cast<long long>(floodMs), static_cast<long long>(probe.worstMs));
    }
  }
  StopUecp(host);
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_UecpFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

// One poll as a script makes it: its own connection, closed after the answer. False when the
// answer is not a whole 200 within the time-out.
bool PollStatus(uint16_t port) {
  nettest::Peer client(true);
  client.setOption(SOL_SOCKET, SO_RCVTIMEO, timeval{2, 0});
  client.setOption(SOL_SOCKET, SO_SNDTIMEO, timeval{2, 0});
  if (!client.connect(port)) return false;
  if (!client.write("GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                    "\r\nConnection: close\r\n\r\n"))
    return false;
  std::string answer;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::recv(client.raw(), buffer, sizeof buffer, 0);
    if (n < 0) return false;
    if (n == 0) break;
    answer.append(buffer, static_cast<size_t>(n));
    if (answer.size() > size_t{1} << 20) return false;
  }
  return answer.rfind("HTTP/1.1 200 ", 0) == 0 && answer.find("\r\n\r\n{") != std::string::npos;
}

double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return -1;
  const auto at =
      static_cast<size_t>(std::lround(fraction * static_cast<double>(sorted.size() - 1)));
  return sorted[std::min(at, sorted.size() - 1)];
}

// The web console on a free loopback port with both engines on the Qt timers, while 50 clients
// each poll the status ten times a second: 60 s, or the seconds in RDS_WEB_BENCH_SECONDS.
void BM_WebStatusLoad(benchmark::State& state) {
  constexpr int kClients = 50;
  constexpr auto kPeriod = std::chrono::milliseconds(100);
  int seconds = 60;
  if (const char* text = std::getenv("RDS_WEB_BENCH_SECONDS"))
    seconds = std::max(1, std::atoi(text));
  Host& host = TheHost();
  ui::QtTimeHost qtTime;
  platform::SetTimeHost(&qtTime);
  hi::MainWindow::webListen = "127.0.0.1:0";
  {
    Window w(host);
    w.check(w.page().dps);
    w.check(w.page().drt);
    const uint16_t port = w.window->webConsole ? w.window->webConsole->port() : 0;
    for (auto _ : state) {
      if (port == 0) {
        state.SkipWithError("the web console did not start");
        break;
      }
      QElapsedTimer clock;
      clock.start();
      EventDelayProbe probe(clock);
      QTimer every20ms;
      QEventLoop loop;
      std::atomic<int> running{kClients};
      bool warm = false;
      // A tenth into the run the server's threads and buffers are all in use: growth after that
      // would be a leak.
      const qint64 tenthAt = 1000 + qint64{seconds} * 100;
      double residentTenth = 0;
      QObject::connect(&every20ms, &QTimer::timeout, &loop, [&] {
        probe.post();
        host.pty.read(0);
        if (residentTenth == 0 && clock.elapsed() >= tenthAt) residentTenth = ResidentKiB();
        if ((!warm && clock.elapsed() >= 1000) || (warm && running == 0)) loop.quit();
      });
      every20ms.start(20);
      loop.exec();  // the first refreshes and the first status published
      warm = true;
      probe.worstMs = 0;

      // The recording's own memory taken before, so that it does not count as growth.
      std::vector<std::vector<double>> latencies(kClients);
      for (auto& each : latencies) each.reserve(static_cast<size_t>(seconds) * 10 + 2);
      const double residentBefore = ResidentKiB();
      const double cpuStart = ThreadCpuMicroseconds();
      std::vector<int> failed(kClients, 0);
      std::vector<std::thread> clients;
      clients.reserve(kClients);
      const auto began = std::chrono::steady_clock::now();
      const auto end = began + std::chrono::seconds(seconds);
      for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
          auto next = began + kPeriod * c / kClients;  // spread over the period
          while (next < end) {
            std::this_thread::sleep_until(next);
            const auto asked = std::chrono::steady_clock::now();
            if (PollStatus(port))
              latencies[c].push_back(std::chrono::duration<double, std::milli>(
                                         std::chrono::steady_clock::now() - asked)
                                         .count());
            else
              ++failed[c];
            next += kPeriod;
          }
          --running;
        });
      }
      loop.exec();
      for (std::thread& t : clients) t.join();
      const double cpuMs = (ThreadCpuMicroseconds() - cpuStart) / 1000.0;

      std::vector<double> all;
      int failures = 0;
      for (int c = 0; c < kClients; ++c) {
        all.insert(all.end(), latencies[c].begin(), latencies[c].end());
        failures += failed[c];
      }
      std::sort(all.begin(), all.end());
      state.counters["seconds"] = seconds;
      state.counters["served"] = static_cast<double>(all.size());
      state.counters["failed"] = failures;
      state.counters["status_p50_ms"] = Percentile(all, 0.50);
      state.counters["status_p99_ms"] = Percentile(all, 0.99);
      state.counters["status_max_ms"] = all.empty() ? -1 : all.back();
      state.counters["window_cpu_ms"] = cpuMs;
      state.counters["worst_event_delay_ms"] = static_cast<double>(probe.worstMs);
      state.counters["rss_before_KiB"] = residentBefore;
      state.counters["rss_tenth_KiB"] = residentTenth;
      state.counters["rss_after_KiB"] = ResidentKiB();
      std::printf(
          "web status load: %zu served, %d failed, p50 %.2f ms, p99 %.2f ms, worst event "
          "delay %lld ms\n",
          all.size(), failures, Percentile(all, 0.50), Percentile(all, 0.99),
          static_cast<long long>(probe.worstMs));
    }
  }
  hi::MainWindow::webListen.clear();
  platform::SetTimeHost(nullptr);
}
BENCHMARK(BM_WebStatusLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
