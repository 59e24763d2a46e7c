// The whole window on the Qt timers while the automation rewrites the "now playing" file ten
// thousand times as fast as the disk takes it: every line that reaches the encoder is well formed
// and the last title goes on air. How long events wait and how the heap grows meanwhile is
// measured by the benchmark BM_TitleLoad.
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <thread>

#include "panel_fixture.h"
#include "ui/qt_host.h"

namespace apptest {

namespace load {

constexpr int kTitles = 10'000;

std::string Title(int n) {
  return "Load " + std::to_string(n) + " - Artist number " + std::to_string(n % 97) + " - Song";
}

class LoadTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    platform::SetTimeHost(&qtTime_);
    addPort(1);
  }
  ui::QtTimeHost qtTime_;
};

TEST_F(LoadTest, TenThousandTitlesAsFastAsTheDiskTakesThem) {
  writeSetting("Select device", "Device", "0");
  writeSetting("Select device", "COM Port", "COM 1");
  writeSetting("RDS Settings", "CT", "1");
  useDynamicFiles("%NPFile%", "Now: %NPFile%", "Before the load");
  start();
  main_->form.widget()->show();
  fire(main_->info, 0);
  click(connection().connect);
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  click(main_->dynamicTextPage->dps);
  click(main_->dynamicTextPage->drt);

  // The automation rewrites the whole file each time: in place, or beside it and renamed over.
  std::atomic<bool> written{false};
  std::thread writer([&] {
    const std::string target = path("np.txt"), temporary = path("np.tmp");
    for (int n = 0; n < kTitles; ++n) {
      const bool renamed = n % 2 == 1;
      std::ofstream(renamed ? temporary : target, std::ios::binary | std::ios::trunc)
          << Title(n) << "\r\n";
      if (renamed) fs::rename(temporary, target);
    }
    written = true;
  });

  vencoder::LineSplitter splitter;
  vencoder::VirtualEncoder encoder(0);
  std::vector<std::string> malformed;
  size_t lines = 0;
  auto take = [&](const std::string& bytes) {
    std::vector<std::string> got;
    splitter.feed(bytes, got);
    for (const std::string& line : got) {
      if (!Malformed(encoder.decode(line)).empty()) malformed.push_back(vencoder::HexBytes(line));
      ++lines;
    }
  };
  // After the last write the last title needs a PS and an RT refresh to go on air.
  QTimer every20ms;
  QEventLoop loop;
  int settleTicks = -1;
  QObject::connect(&every20ms, &QTimer::timeout, [&] {
    take(received(1, 0));
    if (written && settleTicks < 0) settleTicks = 75;
    if (settleTicks >= 0 && settleTicks-- == 0) loop.quit();
  });
  every20ms.start(20);
  loop.exec();
  writer.join();
  QApplication::processEvents();
  take(received(1, 50));

  EXPECT_GT(lines, 0u);
  EXPECT_EQ(malformed, std::vector<std::string>{});
  EXPECT_EQ(encoder.state().rt,
            ("Now: " + Title(kTitles - 1) + std::string(64, ' ')).substr(0, 64));
}

}  // namespace load

}  // namespace apptest
