// The program's shell in the whole window: automatic start actions, day names, the info window,
// the tray icon with its menu and the taskbar title.
#include <QMenu>

#include "ui/ui_support.h"

#include "panel_fixture.h"

namespace apptest {

namespace shell {

using hi::TData;

class ShellTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
  }
  void connectOnDynamicPage() {
    click(connection().connect);
    click(window().pageButtons[hi::MainWindow::DynamicText]);
  }
  hi::MainWindow& window() { return *main_; }
  hi::SettingsPages& settingsPages() { return *main_->settingsPages; }

  uitest::RecordingDesktop desktop_;
  TData none_;
};

TEST_F(ShellTest, AutomaticStartConnectsEnablesAndGoesToTheTray) {
  store("Other settings", {{"Auto connect", "1"}, {"Auto on dps", "1"}, {"Auto to tray", "1"}});
  useDynamicFiles("ON AIR", "");
  start();
  window().form.widget()->show();
  time_.advance(2000);
  EXPECT_TRUE(connection().disconnect.enabled());  // connected with no click
  time_.advance(1000);
  EXPECT_TRUE(dyn().dps.checked());
  EXPECT_FALSE(dyn().drt.checked());
  time_.advance(500);
  EXPECT_EQ(received(1), "PSON AIR  \r\n");
  // No notification area here: the window is minimised, never hidden without a way back.
  time_.advance(500);
  EXPECT_TRUE(window().form.widget()->isMinimized());
  EXPECT_TRUE(window().form.widget()->isVisible());
  window().tray.doRestore(none_, 0);
  EXPECT_FALSE(window().form.widget()->isMinimized());
}

TEST_F(ShellTest, AStartActionTurnedOffInTheMeantimeDoesNotRun) {
  store("Other settings", {{"Auto connect", "1"}, {"Auto on drt", "1"}});
  start();
  EXPECT_TRUE(settingsPages().autostart[2].enabled());
  click(window().pageButtons[hi::MainWindow::OtherSettings]);
  click(settingsPages().autostart[0]);  // Auto Connect off: both auto-enable boxes follow
  EXPECT_FALSE(settingsPages().autostart[2].checked() || settingsPages().autostart[2].enabled());
  EXPECT_EQ(setting("Other settings", "Auto connect") + setting("Other settings", "Auto on dps") +
                setting("Other settings", "Auto on drt"),
            "000");
  time_.advance(5000);
  EXPECT_FALSE(connection().disconnect.enabled());
  EXPECT_FALSE(dyn().drt.checked());
}

TEST_F(ShellTest, DayNamesReachBothTemplates) {
  writeSetting("Day of week", "Saturday", "SAMSTAG");  // 5 December 2026 is a Saturday
  writeSetting("Select device", "Device", "1");
  useDynamicFiles("%Day%", "%Day% %Date%");
  start();
  connectOnDynamicPage();
  click(dyn().dps);
  click(dyn().drt);
  time_.advance(1000);
  EXPECT_EQ(received(1), "PSSAMSTAG \r\nRTSAMSTAG 05-12-2026" + std::string(14, ' ') + "\r\n");
}

TEST_F(ShellTest, InfoWindowShowsWhatTheEncoderPanelsHold) {
  store("RDS Settings", {{"PI", "1234"}, {"PTY", "10"}, {"TP", "1"}, {"TA", "0"}});
  store("Other settings", {{"Transparent on", "1"}, {"Transparent off", "1"}});
  start();
  hi::InfoWindow& info = *window().infoWindow;
  EXPECT_EQ(info.piPty.caption(), "PI: 1234   PTY: Pop M");
  EXPECT_TRUE(info.tp.visible());
  EXPECT_FALSE(info.ta.visible());  // stored as 0: shown as 0 from the start
  EXPECT_TRUE(info.menu.checked(2) && info.menu.checked(3));
  EXPECT_DOUBLE_EQ(info.form.widget()->windowOpacity(), 1.0);
}

TEST_F(ShellTest, TrayFlickersOnWritesAndItsMenuFollowsTheState) {
  writeSetting("RDS Settings", "PI", "7C6F");
  start();
  hi::ThiPopupMenuEx& menu = window().trayMenu;
  for (int item : {2, 3, 4, 5}) EXPECT_FALSE(menu.enabled(item)) << item;
  // The items that switch something show their check marks, the others a picture.
  const QList<QAction*> items = menu.menu()->actions();
  for (int item : {0, 7, 8, 9, 10, 12})
    EXPECT_FALSE(items[item]->icon().pixmap(16).isNull()) << item;
  for (int item : {2, 3, 4, 5}) EXPECT_TRUE(items[item]->icon().isNull()) << item;
  click(rds().function<protocol::Pi>().send);  // not connected: nothing written, no flicker
  EXPECT_EQ(window().tray.currentPicture(), "");
  click(connection().connect);
  for (int item : {2, 3, 4, 5}) EXPECT_TRUE(menu.enabled(item)) << item;

  click(rds().function<protocol::Pi>().send);
  std::vector<std::string> pictures{window().tray.currentPicture()};
  for (int step = 0; step < 5; ++step) {
    time_.advance(200);
    pictures.push_back(window().tray.currentPicture());
  }
  EXPECT_EQ(pictures, (std::vector<std::string>{":/pictures/tray1.png", ":/pictures/tray2.png",
                                                ":/pictures/tray3.png", ":/pictures/tray4.png",
                                                ":/pictures/tray5.png", ":/pictures/tray1.png"}));

  // Check marks follow the boxes, whoever moves them.
  menu.pick(4);  // TP
  EXPECT_TRUE(menu.checked(4));
  EXPECT_TRUE(rds().function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::TP].checked());
  click(window().pageButtons[hi::MainWindow::DynamicText]);
  click(dyn().drt);
  EXPECT_TRUE(menu.checked(3));
  menu.pick(3);
  EXPECT_FALSE(dyn().drt.checked() || menu.checked(3));
  received(1);

  // "Close" from the menu closes as the Close button does.
  menu.pick(12);
  EXPECT_EQ(received(1), "RM\r\n");
  main_.reset();
}

TEST_F(ShellTest, TaskbarShowsTheDynamicPsWhileTheWindowHasLostTheFocus) {
  store("Other settings", {{"Show info taskbar", "1"}, {"Info taskbar", "DPS"}});
  useDynamicFiles("NEWS\r\nSM", "");
  start();
  connectOnDynamicPage();
  hi::Fire(window().form.onKillFocus, none_);
  click(dyn().dps);
  time_.advance(500);
  EXPECT_EQ(window().form.widget()->windowTitle(), "PS: NEWS  SM");
  hi::Fire(window().form.onSetFocus, none_);
  EXPECT_EQ(window().form.widget()->windowTitle(), "\"Tessel\" Encoder");
}

}  // namespace shell

}  // namespace apptest
