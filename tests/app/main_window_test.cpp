#include <QFontMetrics>

#include "panel_fixture.h"
#include "platform/com_map.h"
#include "platform/serial.h"

namespace apptest {

using hi::TData;

// The stored port is chosen from those the scan lists, and the operator's choice is stored.
TEST_F(PanelTest, StoredPortConnectSendPiAndClose) {
  addPort(1);
  addPort(3);
  writeSetting("Select device", "COM Port", "COM 3");
  writeSetting("Select device", "Device", "7");
  hi::MainWindow& w = start();
  auto& c = connection();
  ASSERT_EQ(c.portList.count(), 2);
  TData selected;
  c.portList.String(selected, 0);
  EXPECT_EQ(hi::ToString(selected), "COM 3");
  EXPECT_EQ(c.deviceList.selected(), 0);  // a stored model out of range counts as the first
  EXPECT_FALSE(w.pageButtons[hi::MainWindow::RdsSettings].enabled() || c.warning.visible());
  EXPECT_TRUE(c.panel.visible() && !rds().panel.visible());

  click(c.connect);
  EXPECT_FALSE(c.connect.enabled());
  EXPECT_TRUE(c.disconnect.enabled());
  EXPECT_FALSE(c.portList.enabled());
  EXPECT_TRUE(w.pageButtons[hi::MainWindow::RdsSettings].enabled());

  click(w.pageButtons[hi::MainWindow::RdsSettings]);
  EXPECT_TRUE(rds().panel.visible());
  typePi("7C6F");
  click(rds().function<protocol::Pi>().send);
  EXPECT_EQ(received(3), "PI124,111\r\n");
  EXPECT_EQ(received(1), "");
  EXPECT_EQ(setting("RDS Settings", "PI"), "7C6F");
  EXPECT_EQ(setting("Select device", "COM Port"), "COM 3");

  // Nothing is written after Disconnect, not even the closing line.
  click(c.disconnect);
  click(rds().function<protocol::Pi>().send);
  choose(c.portList, 0);
  EXPECT_EQ(setting("Select device", "COM Port"), "COM 1");
  closeProgram();
  EXPECT_EQ(received(3) + received(1), "");
  EXPECT_NE(setting("General window", "Width"), "");
}

// The program puts its window on the screen first. The pages it does not show, the info window
// and the tray's helpers are built after the first paint, then everything loads as at any start,
// once, however the paint and the fallback timer meet; a page the operator reaches before that is
// built at his click.
TEST_F(PanelTest, WindowFirstTheRestOnceItIsPainted) {
  addPort(1);
  writeSetting("RDS Settings", "PI", "7C6F");
  writeSetting("Other settings", "Auto connect", "1");
  logFrom();
  hi::MainWindow::showFirst = true;
  hi::MainWindow& w = build();
  hi::MainWindow::showFirst = false;
  run();
  EXPECT_TRUE(w.form.widget()->isVisible());
  EXPECT_EQ(w.rdsSettings.child(), nullptr);
  EXPECT_EQ(connection().portList.count(), 0);

  click(w.help);
  ASSERT_NE(w.information.child(), nullptr);
  EXPECT_EQ(w.rdsSettings.child(), nullptr);

  for (int waited = 0; waited < 5000 && !w.rdsSettingsPage; waited += 10) QTest::qWait(10);
  ASSERT_NE(w.rdsSettingsPage, nullptr);
  EXPECT_NE(w.infoWindow, nullptr);
  QTest::qWait(600);  // past the timer that starts a window that is never painted
  EXPECT_EQ(connection().portList.count(), 1);
  EXPECT_EQ(rds().function<protocol::Pi>().text.text(), "7C6F");
  time_.advance(1999);
  EXPECT_FALSE(connection().disconnect.enabled());
  time_.advance(1);
  EXPECT_TRUE(connection().disconnect.enabled());
  time_.advance(10000);
  const std::string events = logged();
  EXPECT_NE(events.find("port COM 1 opened"), std::string::npos) << events;
  EXPECT_EQ(events.find("port COM 1 opened"), events.rfind("port COM 1 opened")) << events;
  click(w.pageButtons[hi::MainWindow::RdsSettings]);
  click(rds().function<protocol::Pi>().send);
  EXPECT_EQ(received(1), "PI124,111\r\n");
}

TEST_F(PanelTest, OnlyFourHexDigitsGoOnAirAsPi) {
  writeSetting("RDS Settings", "PI", "12345");
  startConnected();
  hi::PiPanel& pi = rds().function<protocol::Pi>();
  // A stored value that is no PI loads into the field but sends nothing until corrected.
  EXPECT_EQ(pi.text.text(), "12345");
  EXPECT_EQ(pi.warning.caption(), "Max 4 hex symbols!");
  click(pi.send);
  EXPECT_EQ(received(1), "");
  struct Case {
    const char* text;
    const char* line;  // nothing when empty
    const char* warning;
  } cases[] = {{"7c6f", "PI124,111", nullptr},       {"12", "", "4 hex symbols needed!"},
               {"ABC", "", "4 hex symbols needed!"}, {"12G4", "", "Only hex symbols 0-9, A-F!"},
               {"12345", "", "Max 4 hex symbols!"},  {"", "", "4 hex symbols needed!"},
               {"00ff", "PI0,255", nullptr}};
  for (const Case& k : cases) {
    typePi(k.text);
    click(pi.send);
    EXPECT_EQ(received(1), *k.line ? std::string(k.line) + "\r\n" : "") << k.text;
    EXPECT_EQ(pi.warning.visible(), k.warning != nullptr) << k.text;
    if (k.warning) {
      EXPECT_EQ(pi.warning.caption(), k.warning) << k.text;
    }
  }
}

TEST_F(PanelTest, ModelDecidesTheTerminatorButNotTheClosingLine) {
  writeSetting("RDS Settings", "PI", "7C6F");
  startConnected(2);
  auto& c = connection();
  EXPECT_EQ(c.deviceList.selected(), 2);
  click(rds().function<protocol::Pi>().send);
  click(rds().saveEeprom);
  click(rds().readEeprom);
  EXPECT_EQ(received(1), "PI124,111\nSM\nRM\n");
  // The EEPROM buttons keep their captions on one line, with room for Windows' wider face.
  for (hi::ThiButtonRush* button : {&rds().saveEeprom, &rds().readEeprom}) {
    QWidget* w = button->widget();
    EXPECT_LE(QFontMetrics(w->font()).horizontalAdvance(w->property("text").toString()) * 6 / 5,
              w->width() - 6)
        << w->property("text").toString().toStdString();
  }

  // The operator switches to a CR LF model: stored, and the next lines follow it.
  click(c.disconnect);
  choose(c.deviceList, 0);
  EXPECT_EQ(setting("Select device", "Device"), "0");
  click(c.connect);
  click(rds().saveEeprom);
  EXPECT_EQ(received(1), "SM\r\n");
  choose(c.deviceList, 2);  // disabled while connected in the window, but the path still holds
  closeProgram();
  EXPECT_EQ(received(1), "RM\r\n");
}

TEST_F(PanelTest, FailedConnectWarnsAndStaysDisconnected) {
  addPort(1);
  writeSetting("Select device", "COM Port", "COM 1");
  // Somebody else holds the port (the lock keeps out every other opener, this process too).
  platform::SerialPort holder;
  ASSERT_TRUE(holder.open(platform::ComDevicePath(1)));

  hi::MainWindow& w = start();
  auto& c = connection();
  ASSERT_EQ(c.portList.count(), 0);  // the scan leaves held ports out
  EXPECT_TRUE(c.warning.visible());
  // The operator's connect fails: a warning naming the port and no connected state.
  c.warning.setVisible(false);
  fire(w.connection, 4);
  EXPECT_TRUE(c.openFailed.visible());
  EXPECT_EQ(c.openFailed.caption(), "Can not open COM 1 (in use by another program)!");
  TData flag;
  c.connectedFlag.Value(flag, 0);
  EXPECT_TRUE(flag.isNull());
  EXPECT_FALSE(c.disconnect.enabled());
  EXPECT_FALSE(w.pageButtons[hi::MainWindow::RdsSettings].enabled());

  holder.close();
  fire(w.connection, 4);
  EXPECT_FALSE(c.openFailed.visible());
  EXPECT_TRUE(c.disconnect.enabled());
  closeProgram();
  EXPECT_EQ(received(1), "RM\r\n");
}

TEST_F(PanelTest, ClockTimeOncePerMinuteInTheModelsForm) {
  addPort(1);
  writeSetting("Select device", "Device", "0");
  start();
  auto& c = connection();
  click(rds().transmitCt);  // not connected: nothing starts
  EXPECT_EQ(setting("RDS Settings", "CT"), "1");
  time_.advance(3000);
  click(c.connect);
  EXPECT_EQ(received(1), "");
  time_.advance(1000);
  EXPECT_EQ(received(1), "TI1,223,134,219,64\r\n");
  time_.advance(45000);  // 13:45:59
  EXPECT_EQ(received(1), "");
  time_.advance(1000);  // the minute changes
  auto encoder = Decode(received(1), 0);
  ASSERT_TRUE(encoder.state().ct.has_value());
  EXPECT_EQ(encoder.state().ct->minute, 46);

  // The byte form for the model whose lines end in LF, at once within the same minute.
  click(c.disconnect);
  choose(c.deviceList, 2);
  click(c.connect);
  time_.advance(1000);
  std::string expected = "TI";
  for (int n : encoder.state().ct->bytes) expected += static_cast<char>(n);
  EXPECT_EQ(received(1), expected + "\n");

  click(rds().transmitCt);  // unchecked: no more lines
  time_.advance(120000);
  EXPECT_EQ(received(1), "");
  EXPECT_EQ(setting("RDS Settings", "CT"), "0");
}

// The strip shows only what reaches the encoder: a pulled port empties both lines, the PS that
// keeps scrolling meanwhile stays off them, and the lines come back with the port.
TEST_F(PanelTest, NowSendingStripEmptiesWhileThePortIsLost) {
  addPort(1);
  useDynamicFiles("%NPFile%", "Now: %NPFile%", "Artist - Title");
  store("Dynamic RT and PS", {{"Scroll/Page select", "Scroll mode"}, {"Spos", "10"}});
  startConnected();
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  click(dyn().dps);
  click(dyn().drt);
  time_.advance(3000);
  const hi::NowSendingPanel& strip = *main_->nowSendingStrip;
  EXPECT_NE(strip.psLine.caption(), "PS: ");
  EXPECT_EQ(strip.rtLine.caption(), "RT: Now: Artist - Title");

  ports_.at(1).close();
  fs::remove(folder_ / "ports" / "com1");
  for (int step = 0; step < 8; ++step) {
    time_.advance(500);
    EXPECT_EQ(strip.psLine.caption(), "PS: ") << step;
    EXPECT_EQ(strip.rtLine.caption(), "RT: ") << step;
  }

  fs::remove(folder_ / "ports" / "com1");
  addPort(1);
  time_.advance(3000);
  EXPECT_NE(strip.psLine.caption(), "PS: ");
  EXPECT_EQ(strip.rtLine.caption(), "RT: Now: Artist - Title");
}

}  // namespace apptest
