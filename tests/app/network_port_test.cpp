// COM numbers mapped to network addresses, driven through the connection page as an operator
// would: listed by the scan, connected in the background, lost and taken up again.
#include <gmock/gmock.h>

#include <QComboBox>
#include <QLabel>
#include <chrono>
#include <thread>

#include "panel_fixture.h"
#include "support/tcp_peer.h"

namespace apptest {

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class NetworkPortTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    writeSetting("Select device", "Device", "0");
  }
  void map(int com, const std::string& url) {
    writeSetting("Network ports", "COM" + std::to_string(com), url);
  }
  // Runs the program's timers while the network does its part in real time.
  template <typename Done>
  bool pump(Done done, int realMs = 4000) {
    const auto start = Clock::now();
    while (!done()) {
      if (MsSince(start) > realMs) return false;
      time_.advance(10);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  bool connected() { return connection().disconnect.enabled(); }
  bool warned(const std::string& text) {
    return connection().openFailed.visible() && connection().openFailed.caption() == text;
  }
  // Where the chosen COM number leads, as the page shows it; empty when it shows nothing.
  std::string shownAddress() {
    if (!connection().address.visible()) return {};
    return qobject_cast<QLabel*>(connection().address.widget())->text().toStdString();
  }
  std::string item(int index) {
    auto* combo = qobject_cast<QComboBox*>(connection().portList.widget());
    return combo->itemText(index).toStdString();
  }
};

}  // namespace

TEST_F(NetworkPortTest, MappedNumbersAreListedAndAFailedConnectSaysWhyWithoutHoldingTheWindow) {
  const uint16_t closed = nettest::FreePort(true);
  addPort(1);
  map(5, "tcp://127.0.0.1:" + std::to_string(closed));
  map(7, "rfc2217://encoder.studio");
  writeSetting("Select device", "COM Port", "COM 5");
  logFrom();
  start();
  auto& c = connection();
  ASSERT_EQ(c.portList.count(), 3);
  EXPECT_EQ(item(1), "COM 5");
  EXPECT_EQ(item(2), "COM 7");

  EXPECT_EQ(shownAddress(), "COM 5 \u2192 tcp://127.0.0.1:" + std::to_string(closed));
  const auto start = Clock::now();
  click(c.connect);
  EXPECT_LT(MsSince(start), 200);
  EXPECT_FALSE(connected());
  EXPECT_TRUE(warned("Connecting to COM 5 \x85"));
  EXPECT_FALSE(c.connect.enabled());
  // Lines sent while the connect is pending are dropped as for a closed port.
  fire(main_->connection, 2, hi::TData::Str("PI1234\r\n"));
  EXPECT_TRUE(pump([&] { return c.connect.enabled(); }));
  EXPECT_EQ(c.openFailed.caption(), "Can not open COM 5 (connection refused)!");
  EXPECT_TRUE(c.connect.enabled());

  // A malformed address opens nothing and says what is wrong, on the page and in the log.
  choose(c.portList, 2);
  EXPECT_EQ(shownAddress(), "COM 7 \u2192 rfc2217://encoder.studio");
  click(c.connect);
  EXPECT_EQ(c.openFailed.caption(),
            "Can not open COM 7 (bad address in rds.ini [Network ports]: no port)!");
  EXPECT_FALSE(connected());
  choose(c.portList, 0);
  EXPECT_EQ(shownAddress(), "");
  // Back to COM 5 after another port failed: a new series of tries, logged again.
  choose(c.portList, 1);
  click(c.connect);
  EXPECT_TRUE(pump([&] { return c.connect.enabled(); }));
  const std::string events = logged();
  const std::string connecting =
      "Connecting to COM 5 \u2026 (tcp://127.0.0.1:" + std::to_string(closed) + ")\n";
  const std::string refused =
      "port COM 5 could not be opened: tcp://127.0.0.1:" + std::to_string(closed) +
      ": connection refused";
  EXPECT_LT(events.find(connecting), events.find(refused)) << events;
  EXPECT_NE(events.rfind(connecting), events.find(connecting)) << events;
  EXPECT_NE(events.find("port COM 7 could not be opened: rfc2217://encoder.studio: bad address"),
            std::string::npos)
      << events;
}

// A service probes nothing but the port it is set to: the others may be another program's.
TEST_F(NetworkPortTest, AServiceProbesOnlyItsOwnPort) {
  addPort(1);
  addPort(2);
  writeSetting("Select device", "COM Port", "COM 2");
  hi::ConnectionPanel::scanStoredPortOnly = true;
  start();
  hi::ConnectionPanel::scanStoredPortOnly = false;
  ASSERT_EQ(connection().portList.count(), 1);
  EXPECT_EQ(item(0), "COM 2");
}

TEST_F(NetworkPortTest, LinkLostWhileConnectedIsRetriedAndTakenUpWithTheDynamicLines) {
  TcpPeer peer;
  map(5, peer.url());
  writeSetting("Select device", "COM Port", "COM 5");
  useDynamicFiles("RADIO");
  start();
  auto& c = connection();
  click(c.connect);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pump([&] { return connected(); }));
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  click(dyn().dps);
  time_.advance(1000);
  const std::string ps = "PSRADIO   \r\n";
  EXPECT_THAT(peer.read(300), testing::EndsWith(ps));

  // The encoder's process dies: noticed without a line being written, and retried.
  peer.stop();
  ASSERT_TRUE(pump([&] { return warned("Connection to COM 5 lost, retrying"); }));
  EXPECT_TRUE(connected());

  ASSERT_TRUE(peer.listen(peer.port()));
  ASSERT_TRUE(pump([&] { return !c.openFailed.visible(); }, 6000));
  ASSERT_TRUE(peer.accept());
  // The encoder may have restarted: the dynamic line goes out again.
  time_.advance(1000);
  EXPECT_THAT(peer.read(300), testing::EndsWith(ps));

  // Closing sends the closing line over the link.
  closeProgram();
  EXPECT_EQ(peer.read(300), "RM\r\n");
}

}  // namespace apptest
