#include <QMenu>

#include "tests/ui/ui_support.h"
#include "ui/form.h"
#include "ui/tray.h"

using namespace hi;
using uitest::Do;
using uitest::Sink;
using Lines = std::vector<std::string>;

namespace {

// A pair (position, state): a chain of two values, as the panels send it.
TData Pair(int position, int state) {
  TData pair = TData::Int(position);
  pair.next = std::make_unique<TData>(TData::Int(state));
  return pair;
}

class PopupMenuTest : public uitest::UiTest {};

TEST_F(PopupMenuTest, PositionsCountThroughSubmenusAndTheMarksStayTheProgramsToSet) {
  ThiPopupMenuEx menu;
  Log(menu.onClick, 0);
  menu.setItems("Show\r\nTransparent\r\n(\r\nEnable\r\nDisable\r\n)\r\n-\r\nClose");
  ASSERT_EQ(menu.count(), 6);
  ASSERT_EQ(menu.menu()->actions().size(), 4);
  for (int position = 0; position < 7; ++position) menu.pick(position);
  // The submenu (1), the separator (4) and a position past the end choose nothing.
  EXPECT_EQ(sink.lines, (Lines{"0:0", "0:2", "0:3", "0:5"}));

  Do(menu, &ThiPopupMenuEx::doCheck, Pair(2, 1));
  EXPECT_TRUE(menu.checked(2));
  Do(menu, &ThiPopupMenuEx::doCheck, Pair(2, 5));  // only 1 checks
  EXPECT_FALSE(menu.checked(2));
  // Choosing a checked item reports it without clearing the mark: whether the choice takes
  // effect is for the program to say.
  Do(menu, &ThiPopupMenuEx::doCheck, Pair(0, 1));
  sink.lines.clear();
  menu.pick(0);
  EXPECT_TRUE(menu.checked(0));
  EXPECT_EQ(sink.lines, Lines{"0:0"});
  // Positions outside the menu and separators are left alone.
  for (int position : {40, -1, 4}) Do(menu, &ThiPopupMenuEx::doCheck, Pair(position, 1));
  EXPECT_EQ(menu.count(), 6);
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoopsLive(true);
    Startup().run();
    ASSERT_TRUE(form.visible());
    uint16_t index = 0;  // 0 down, 1 up, 2 click, 3 double click, 4 hide
    for (TLink* event :
         {&tray.onMouseDown, &tray.onMouseUp, &tray.onClick, &tray.onDblClick, &tray.onHide})
      link<&Sink::doLog>(*event, sink, index++);
  }
  bool minimised() const { return form.widget()->isMinimized(); }

  THIMainForm form;
  THITrayIcon tray{form};
  Sink sink;
};

TEST_F(TrayIconTest, WithoutANotificationAreaTheWindowIsMinimisedAndComesBack) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
  // The window minimised and back by the program is in the shell test; here the icon, the event,
  // the one explanation, and the operator's own minimize, which goes the same way.
  testing::internal::CaptureStderr();
  for (int twice = 0; twice < 2; ++twice) {
    Do(tray, &THITrayIcon::doMinimize);
    EXPECT_TRUE(tray.iconShown() && minimised());
    Do(tray, &THITrayIcon::doRestore);
    EXPECT_FALSE(tray.iconShown());
  }
  // Qt's own complaints about the offscreen platform may come along; ours is there once.
  const std::string log = testing::internal::GetCapturedStderr();
  const size_t first = log.find(
      "rdspanel: no notification area; the window is minimised instead of hidden to the tray\n");
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("rdspanel:", first + 1), std::string::npos) << log;
  form.widget()->setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_TRUE(tray.iconShown());
  form.widget()->setWindowState(Qt::WindowNoState);
  QCoreApplication::processEvents();
  EXPECT_FALSE(tray.iconShown() || minimised());
  EXPECT_EQ(sink.lines, (Lines{"4:null", "4:null", "4:null"}));
}

TEST_F(TrayIconTest, WithANotificationAreaTheWindowHidesBehindTheIcon) {
  tray.trayAvailable = [] { return true; };
  tray.closeToTray = true;
  Do(tray, &THITrayIcon::doIcon, TData::Str("/no/such/picture.png"));
  form.widget()->close();  // the window system's close goes into the tray
  EXPECT_FALSE(THIMainForm::mainClosed());
  EXPECT_FALSE(form.visible());
  EXPECT_TRUE(tray.icon()->isVisible());
  // A picture that cannot be read must not leave an icon nobody can see.
  EXPECT_FALSE(tray.icon()->icon().isNull());
  EXPECT_EQ(sink.lines, Lines{"4:null"});
  Do(tray, &THITrayIcon::doRestore);
  EXPECT_TRUE(form.visible());
  EXPECT_FALSE(tray.icon()->isVisible());
  EXPECT_FALSE(tray.iconShown());
}

TEST_F(TrayIconTest, ActivationsBecomeMouseEventsAndTheTipIsCleaned) {
  for (auto reason :
       {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick,
        QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Unknown})
    tray.activate(reason);
  EXPECT_EQ(sink.lines,
            (Lines{"0:0", "1:0", "2:0", "0:1", "1:1", "2:1", "0:2", "1:2", "2:2", "3:0"}));

  const std::string title = "PS: NEWS\r\nRT: " + std::string(80, 'x');
  Do(tray, &THITrayIcon::doTip, TData::Str(title));
  EXPECT_EQ(tray.tip, "PS: NEWS  RT: " + std::string(49, 'x'));
  EXPECT_EQ(tray.icon()->toolTip().toStdString(), tray.tip);
}

}  // namespace
