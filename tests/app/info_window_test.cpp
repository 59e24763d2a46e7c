// The info window on its own, fed through its points as the main window feeds it, with the
// settings in a temporary folder and the clock on the virtual time host.
#include <QMenu>
#include <cmath>

#include "panel_fixture.h"
#include "ui/ui_support.h"

namespace apptest {

namespace {

class InfoWindowTest : public PanelTest {
 protected:
  enum Data { kPi, kPty, kTp, kTa, kMs, kCt };

  void SetUp() override {
    PanelTest::SetUp();
    run();
  }

  // Built after the program's main form, as the main window builds it.
  hi::InfoWindow& build(hi::THIMultiElement& side) {
    for (uint16_t i = 0; i < data_.size(); ++i)
      hi::link<&uitest::Sink::Value>(side.Data[i], data_[i]);
    hi::link<&uitest::Sink::doLog>(side.onEvent[0], sink_, 0);
    return side.build<hi::InfoWindow>(nullptr);
  }
  void fire(uint16_t index, hi::TData value = {}) { PanelTest::fire(side_, index, value); }
  hi::InfoWindow& info() const { return *window_; }

  uitest::RecordingDesktop desktop_;
  hi::THIMainForm form_;
  std::array<uitest::Sink, 6> data_;
  uitest::Sink sink_;
  hi::THIMultiElement side_{1, 6};
  hi::InfoWindow* window_ = &build(side_);
};

TEST_F(InfoWindowTest, FlagsConnectionStateAndCleanedTexts) {
  // After the load every flag is reported, in any order; a flag shows only for exactly 1.
  data_[kTp].answer = hi::TData::Int(1);
  data_[kTa].answer = hi::TData::Int(0);
  data_[kMs].answer = hi::TData::Str("1");
  data_[kCt].answer = hi::TData::Int(2);
  for (int index : {3, 1, 0, 2}) fire(5, hi::TData::Int(index));
  EXPECT_EQ((std::array{info().tp.visible(), info().ta.visible(), info().ms.visible(),
                        info().ct.visible()}),
            (std::array{true, false, true, false}));

  // Connected, the texts show; not connected, the banner alone holds the top line.
  auto shown = [this] {
    return std::array{info().piPty.visible(), info().ps.visible(), info().rt.visible(),
                      info().notConnected.visible()};
  };
  fire(7, hi::TData::Int(0));
  EXPECT_EQ(shown(), (std::array{true, true, true, false}));
  fire(7, hi::TData::Int(1));
  EXPECT_EQ(shown(), (std::array{false, false, false, true}));

  // Texts arrive without terminator or control characters.
  for (auto [sent, ps] : {std::pair{"ABCDEFGH\r\n", "ABCDEFGH"},
                          {"RADIO 1 \n", "RADIO 1 "},
                          {"A\tB\001CDEFG\r\n", "A B CDEFG"},
                          {"\r\n", ""}}) {
    fire(6, hi::TData::Str(sent));
    EXPECT_EQ(info().ps.caption(), ps) << sent;
  }
  fire(10, hi::TData::Str("Now\x01playing\tthis"));
  EXPECT_EQ(info().rt.caption(), "Now playing this");
  time_.setLocalTime(2026, 12, 6, 9, 5, 0);  // read when asked, not when built
  fire(9);
  EXPECT_EQ(info().ct.caption(), "CT: 09:05");
}

TEST_F(InfoWindowTest, MenuTransparencyAndShowItem) {
  // Opacity, the check marks of "Enable" and "Disable", and the two keys. Both keys set is in the
  // shell test.
  auto state = [this] {
    return std::to_string(std::lround(info().form.widget()->windowOpacity() * 255)) + " " +
           std::to_string(info().menu.checked(2)) + std::to_string(info().menu.checked(3)) + " " +
           setting("Other settings", "Transparent on") +
           setting("Other settings", "Transparent off");
  };
  fire(1);  // nothing stored
  EXPECT_EQ(state(), "255 00 ");
  writeSetting("Other settings", "Transparent on", "1");
  fire(1);
  EXPECT_EQ(state(), "210 10 1");
  info().menu.pick(3);  // Disable
  EXPECT_EQ(state(), "255 01 01");
  info().menu.pick(2);  // Enable
  EXPECT_EQ(state(), "210 10 10");

  info().menu.pick(0);
  EXPECT_EQ(sink_.lines, Lines{"0:null"});
  fire(2, hi::TData::Int(1));
  EXPECT_TRUE(info().menu.checked(0));
  fire(2, hi::TData::Int(0));
  EXPECT_FALSE(info().menu.checked(0));

  fire(0);
  info().menu.pick(5);  // Close
  EXPECT_FALSE(info().form.visible());
  EXPECT_EQ(sink_.lines.size(), 1u);
}

TEST_F(InfoWindowTest, ShowDragMenuCloseAndThePositionForTheNextRun) {
  EXPECT_FALSE(info().form.visible());  // created hidden
  const std::string form = std::to_string(info().form.handle());
  fire(0, hi::TData::Int(0));  // a left click on the tray icon carries button 0
  EXPECT_TRUE(info().form.visible());
  EXPECT_EQ(desktop_.calls, Lines{"topmost " + form + " on"});

  // Pressing a label drags the window once, the right button opens the menu; a right double
  // click does not close.
  desktop_.calls.clear();
  QTest::mousePress(info().psTitle.widget(), Qt::LeftButton);
  QTest::mouseRelease(info().psTitle.widget(), Qt::LeftButton);
  EXPECT_EQ(desktop_.calls, Lines{"move " + form});
  QTest::mousePress(info().tp.widget(), Qt::RightButton);
  EXPECT_TRUE(info().menu.menu()->isVisible());
  info().menu.menu()->close();
  QTest::mouseDClick(info().ct.widget(), Qt::RightButton);
  info().menu.menu()->close();
  EXPECT_TRUE(info().form.visible());

  fire(3);
  EXPECT_FALSE(info().form.visible());

  // A left double click on a label closes it as well, storing where it stood.
  fire(0);
  info().form.widget()->move(140, 90);
  QTest::mouseDClick(info().rt.widget(), Qt::LeftButton);
  EXPECT_FALSE(info().form.visible());

  // The next program run puts it back where that close left it.
  hi::THIMultiElement next{1, 6};
  hi::InfoWindow& again = build(next);
  PanelTest::fire(next, 0);
  EXPECT_EQ((std::array{again.form.left(), again.form.top()}), (std::array{140, 90}));
}

}  // namespace
}  // namespace apptest
