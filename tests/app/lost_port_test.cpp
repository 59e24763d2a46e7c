// A port that goes away under a connected window: shown, tried again on the program's timer, and
// taken up again with the current dynamic lines when the device is back.
#include <sys/inotify.h>
#include <unistd.h>

#include <fstream>

#include "app/service_report.h"
#include "panel_fixture.h"
#include "support/notify_socket.h"

namespace apptest {

namespace lost {

class LostPortTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
    writeSetting("Select device", "COM Port", "COM 1");
    writeSetting("Select device", "Device", "0");
  }
  void TearDown() override {
    if (watch_ >= 0) ::close(watch_);
    PanelTest::TearDown();
  }
  // The adapter is pulled out: the far end of the line hangs up and the link goes with it, so a
  // terminal another test opens meanwhile under the freed number is never taken for COM 1.
  void pullOut() {
    ports_.at(1).close();
    fs::remove(comLink());
  }
  // A device is back at COM 1.
  void plugIn() {
    fs::remove(comLink());
    addPort(1);
  }
  fs::path comLink() const { return folder_ / "ports" / "com1"; }

  // COM 1 names something that is there but is no terminal, so every open attempt fails after
  // reaching the file system, where it is counted. Closes are watched too: identical events in a
  // row would be merged into one.
  void deadDevice() {
    const fs::path file = folder_ / "not-a-tty";
    std::ofstream{file};
    fs::remove(comLink());
    fs::create_symlink(file, comLink());
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(inotify_add_watch(watch_, file.c_str(), IN_OPEN | IN_CLOSE), 0);
  }
  int opens() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch_, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_OPEN) ++opens_;
      }
    }
    return opens_;
  }

  // What the operator sees: the page's warning, the info window's banner, the tray picture.
  void expectShownLost(bool lost, const std::string& why = "Connection to COM 1 lost, retrying") {
    auto& c = connection();
    EXPECT_EQ(c.openFailed.visible(), lost);
    if (lost) {
      EXPECT_EQ(c.openFailed.caption(), why);
    }
    EXPECT_EQ(main_->infoWindow->notConnected.visible(), lost);
    EXPECT_EQ(main_->tray.currentPicture() == hi::TrayIconAnimator::kDisconnected, lost);
    // The page's picture shows the cable plugged in only while the port is really open.
    const QObjectList stack = c.picture1.widget()->parentWidget()->children();
    EXPECT_EQ(stack.indexOf(c.picture2.widget()) > stack.indexOf(c.picture1.widget()), lost);
    // Still connected for the operator either way.
    EXPECT_TRUE(c.disconnect.enabled());
    EXPECT_FALSE(c.connect.enabled());
    EXPECT_TRUE(main_->pageButtons[hi::MainWindow::RdsSettings].enabled());
  }

  int watch_ = -1;
  int opens_ = 0;
};

TEST_F(LostPortTest, HangUpIsShownAndTheSamePortIsTriedEveryTwoSecondsUntilDisconnect) {
  startConnected();
  time_.advance(1000);
  expectShownLost(false);
  pullOut();
  time_.advance(300);  // no line is written: the hang-up alone is noticed
  expectShownLost(true);

  deadDevice();
  time_.advance(10000);
  const int attempts = opens();
  EXPECT_GE(attempts, 4);
  EXPECT_LE(attempts, 6);
  expectShownLost(true);

  click(connection().disconnect);
  EXPECT_FALSE(connection().openFailed.visible());
  time_.advance(10000);
  EXPECT_EQ(opens(), attempts);
}

TEST_F(LostPortTest, FailedWriteIsShownAtOnceTheLinesReturnWithTheDeviceAndClosingDropsRm) {
  useDynamicFiles("RADIO", "TEXT");
  store("RDS Settings", {{"TP", "0"}, {"TA", "1"}, {"M/S", "1"}});
  start();
  click(connection().connect);
  EXPECT_EQ(received(1, 0), "") << "a plain connect sends nothing the encoder's memory holds";
  auto& dyn = *main_->dynamicTextPage;
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  click(dyn.dps);
  click(dyn.drt);
  time_.advance(1000);
  const std::string lines = received(1, 0);
  ASSERT_EQ(lines, "PSRADIO   \r\nRT" + std::string("TEXT") + std::string(60, ' ') + "\r\n");

  pullOut();
  fire(main_->connection, 2, hi::TData::Str("PI1234\r\n"));
  EXPECT_TRUE(connection().openFailed.visible());
  time_.advance(3000);  // refreshes while lost are dropped, not kept for later
  EXPECT_TRUE(dyn.dps.checked() && dyn.drt.checked());
  expectShownLost(true);

  plugIn();
  time_.advance(2000);
  expectShownLost(false);
  // The encoder may have restarted: the flags as the panel shows them, then the unchanged lines,
  // once each.
  time_.advance(1000);
  EXPECT_EQ(received(1, 0), "TP0\r\nTA1\r\nMS1\r\n" + lines);

  // Closing while retrying is immediate, and the closing line goes with the lost port.
  pullOut();
  time_.advance(300);
  ASSERT_TRUE(connection().openFailed.visible());
  plugIn();  // back, but not yet tried again
  closeProgram();
  EXPECT_EQ(received(1), "");
}

// A service started before its USB adapter: the automatic connect waits for the port, and the
// dynamic text it was told to start goes on air once the port is there. The service manager
// hears that the service is ready once the start actions ran, and each change of state once.
TEST_F(LostPortTest, AutomaticConnectWaitsForAPortThatIsNotThereYet) {
  useDynamicFiles("RADIO");
  writeSetting("Select device", "COM Port", "COM 2");
  writeSetting("Other settings", "Auto connect", "1");
  writeSetting("Other settings", "Auto on dps", "1");
  logFrom();
  NotifySocket manager;
  build();
  hi::ServiceReport report(*main_);
  run();
  time_.advance(3500);
  EXPECT_EQ(manager.messages(),
            Lines({"STATUS=Not connected", "STATUS=Can not open COM 2 (no such port), retrying"}));
  time_.advance(1500);
  EXPECT_EQ(manager.messages(), Lines({"READY=1"}));
  const std::string events = logged();
  const std::string retries = "port COM 2: the automatic connect tries again every 2 s";
  EXPECT_NE(events.find(retries), std::string::npos) << events;
  EXPECT_EQ(events.find(retries), events.rfind(retries)) << events;
  auto& c = connection();
  expectShownLost(true, "Can not open COM 2 (no such port), retrying");
  EXPECT_TRUE(main_->dynamicTextPage->dps.checked());
  // The stored port stays chosen; the list shows the port the scan found.
  EXPECT_EQ(c.portList.count(), 1);
  EXPECT_EQ(c.portList.selected(), -1);

  addPort(2);
  time_.advance(2000);
  expectShownLost(false);
  time_.advance(1000);
  // The dynamic PS runs, so its tags may have moved the flags: they go first.
  EXPECT_EQ(received(2, 0), "TP0\r\nTA0\r\nMS0\r\nPSRADIO   \r\n");
  EXPECT_EQ(received(1, 0), "");
  time_.advance(10000);  // lines go on, the state stays
  EXPECT_EQ(manager.messages(), Lines({"STATUS=Connected to COM 2, dynamic PS on"}));

  // A connect the operator asks for is tried once.
  click(c.disconnect);
  fs::remove(folder_ / "ports" / "com2");
  click(c.connect);
  EXPECT_EQ(c.openFailed.caption(), "Can not open COM 2 (no such port)!");
  EXPECT_TRUE(c.connect.enabled());
  fs::create_symlink(ports_.at(2).slavePath(), folder_ / "ports" / "com2");
  time_.advance(5000);
  EXPECT_TRUE(c.connect.enabled());
  EXPECT_EQ(c.openFailed.caption(), "Can not open COM 2 (no such port)!");
}

// No port at start: only the Information page and "Rescan" are usable, and a rescan finds an
// adapter plugged in later.
TEST_F(LostPortTest, RescanFindsAPortPluggedInAfterTheStart) {
  fs::remove(comLink());
  start();
  auto& c = connection();
  EXPECT_TRUE(c.warning.visible());
  for (int k = 0; k < hi::MainWindow::kPages; ++k)
    EXPECT_EQ(main_->pageButtons[k].enabled(), k == hi::MainWindow::Information) << k;
  EXPECT_TRUE(c.rescan.enabled());
  EXPECT_FALSE(c.connect.enabled() || c.deviceList.enabled());

  plugIn();
  click(c.rescan);
  EXPECT_FALSE(c.warning.visible());
  EXPECT_TRUE(c.connect.enabled());
  EXPECT_EQ(c.portList.count(), 1);
  click(c.connect);
  EXPECT_TRUE(c.disconnect.enabled());
  fire(main_->connection, 2, hi::TData::Str("PI1234\r\n"));
  EXPECT_EQ(received(1), "PI1234\r\n");
}

}  // namespace lost

}  // namespace apptest
