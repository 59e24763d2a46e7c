// The automation hammering the now-playing file while the whole window runs on the real clock:
// the window must keep answering, its heap must stay flat and the encoder must only get whole,
// clean lines.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <numeric>
#include <thread>
#include <vector>

#include "panel_fixture.h"
#include "ui/qt_host.h"

namespace apptest {

namespace load {

constexpr int kTitles = 10'000;
// The window runs this long before the writer starts: the first refreshes, the first lines and
// the first paints fill caches that are no growth.
constexpr qint64 kWarmUpMs = 3000;
// Room for every 20 ms sample of a run far longer than this one, reserved up front: the test's
// own records must not show as growth.
constexpr size_t kSamples = 1 << 14;

std::string Title(int n) {
  return "Load " + std::to_string(n) + " - Artist number " + std::to_string(n % 97) + " - Song";
}

// Measures how long a posted event waits in the window's queue.
class Probe : public QObject {
 public:
  static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
  explicit Probe(const QElapsedTimer& clock) : clock_(clock) { posted_.reserve(kSamples); }
  void post() { QCoreApplication::postEvent(this, new QEvent(kType)), posted_.push_back(now()); }
  bool event(QEvent* e) override {
    if (e->type() != kType) return QObject::event(e);
    worstMs = std::max(worstMs, now() - posted_[handled++]);
    return true;
  }
  qint64 worstMs = 0;
  size_t handled = 0;

 private:
  qint64 now() const { return clock_.elapsed(); }
  const QElapsedTimer& clock_;
  std::vector<qint64> posted_;
};

class LoadTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    platform::SetTimeHost(&qtTime_);
    addPort(1);
  }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  ui::QtTimeHost qtTime_;
};

TEST_F(LoadTest, TenThousandTitlesAsFastAsTheDiskTakesThem) {
  writeSetting("Select device", "Device", "0");
  writeSetting("Select device", "COM Port", "COM 1");
  writeSetting("RDS Settings", "CT", "1");
  writeSetting("Dynamic RT and PS", "Dynamic PS", path("ps.txt"));
  writeSetting("Dynamic RT and PS", "Dynamic RT", path("rt.txt"));
  writeSetting("Dynamic RT and PS", "Scroll", path("np.txt"));
  std::ofstream(path("ps.txt")) << "%NPFile%";
  std::ofstream(path("rt.txt")) << "Now: %NPFile%";
  std::ofstream(path("np.txt")) << "Before the load";
  start();
  main_->form.widget()->show();
  fire(main_->info, 0);
  click(connection().connect);
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  click(main_->dynamicTextPage->dps);
  click(main_->dynamicTextPage->drt);

  // The automation rewrites the whole file each time: in place, or beside it and renamed over.
  std::atomic<bool> go{false}, written{false};
  QElapsedTimer clock;
  clock.start();
  qint64 writingMs = 0;
  std::thread writer([&] {
    while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const qint64 began = clock.elapsed();
    const std::string target = path("np.txt"), temporary = path("np.tmp");
    for (int n = 0; n < kTitles; ++n) {
      const bool renamed = n % 2 == 1;
      std::ofstream(renamed ? temporary : target, std::ios::binary | std::ios::trunc)
          << Title(n) << "\r\n";
      if (renamed) fs::rename(temporary, target);
    }
    writingMs = clock.elapsed() - began;
    written = true;
  });

  Probe probe(clock);
  std::vector<size_t> heap;
  heap.reserve(kSamples);
  vencoder::LineSplitter splitter;
  vencoder::VirtualEncoder encoder(0);
  std::vector<std::string> malformed;
  size_t lines = 0, emptyTitles = 0;
  auto take = [&](const std::string& bytes) {
    std::vector<std::string> got;
    splitter.feed(bytes, got);
    for (const std::string& line : got) {
      const vencoder::Decoded d = encoder.decode(line);
      if (!Malformed(d).empty()) malformed.push_back(vencoder::HexBytes(line));
      if (line.rfind("RTNow:" + std::string(60, ' '), 0) == 0) ++emptyTitles;
      ++lines;
    }
  };
  QTimer every20ms;
  QEventLoop loop;
  qint64 settledAt = -1;
  size_t warmSamples = 0, loadedSamples = 0;
  QObject::connect(&every20ms, &QTimer::timeout, [&] {
    probe.post();
    heap.push_back(LiveHeapBytes());
    take(received(1, 0));
    if (!go && clock.elapsed() >= kWarmUpMs) {
      warmSamples = heap.size();
      go = true;
    }
    // After the last write the last title needs a PS and an RT refresh to go on air.
    if (written && settledAt < 0) {
      settledAt = clock.elapsed() + 1500;
      loadedSamples = heap.size();
    }
    if (settledAt >= 0 && clock.elapsed() >= settledAt) loop.quit();
  });
  every20ms.start(20);
  loop.exec();
  writer.join();
  QApplication::processEvents();
  take(received(1, 50));

  // The heap in the last second before the load, against the heap once the last title is on air.
  const auto mean = [&](size_t from, size_t to) {
    return std::accumulate(heap.begin() + static_cast<std::ptrdiff_t>(from),
                           heap.begin() + static_cast<std::ptrdiff_t>(to), 0.0) /
           static_cast<double>(to - from);
  };
  ASSERT_GT(warmSamples, 50u);
  ASSERT_GT(heap.size(), loadedSamples + 25);
  const double before = mean(warmSamples - 50, warmSamples);
  const double after = mean(loadedSamples, heap.size());
  std::cout << "load: " << kTitles << " titles in " << writingMs << " ms, run " << clock.elapsed()
            << " ms, worst event delay " << probe.worstMs << " ms over " << probe.handled
            << " probes, heap " << before << " -> " << after << " bytes, " << lines << " lines ("
            << emptyTitles << " with an empty title)\n";

  EXPECT_LT(probe.worstMs, 100);
  EXPECT_GE(probe.handled, heap.size() - 1);
  EXPECT_EQ(malformed, std::vector<std::string>{});
  EXPECT_EQ(encoder.state().rt,
            ("Now: " + Title(kTitles - 1) + std::string(64, ' ')).substr(0, 64));
  // A block kept per title read or per line sent would be hundreds of kilobytes.
  EXPECT_LE(after, before + 32 * 1024);
}

}  // namespace load

}  // namespace apptest
