// The info window on its own, fed through its points as the main window feeds it, with the
// settings in a temporary folder and the clock on the virtual time host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QMenu>
#include <QTest>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/info_window.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/time_host.h"
#include "ui/ui_support.h"

namespace apptest {

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Records the window calls; the rest does nothing.
class DesktopProbe : public platform::Desktop {
 public:
  Lines calls;
  std::optional<std::string> openFile(const platform::FileDialogRequest&) override { return {}; }
  void putClipboard(const std::string&, bool) override {}
  void shellOpen(const std::string&, const std::string&, int) override {}
  void setKeyboardLayout(const std::string&) override {}
  void setTopMost(int32_t w, bool on) override {
    calls.push_back("topmost " + std::to_string(w) + (on ? " on" : " off"));
  }
  void startWindowMove(int32_t w) override { calls.push_back("move " + std::to_string(w)); }
  bool chooseFont(hi::TFontRecord&) override { return false; }
  void setApplicationTitle(const std::string&) override {}
  bool hasApplication() const override { return true; }
};

class InfoWindowTest : public ::testing::Test {
 protected:
  enum Data { kPi, kPty, kTp, kTa, kMs, kCt };

  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("rds-info-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    platform::SetSettingsFolder(folder_.string());
    time_.setLocalTime(2026, 12, 5, 13, 45, 10);
    platform::SetTimeHost(&time_);
    platform::SetDesktopServices(&desktop_);
    hi::SetLoopsLive(true);
    hi::Startup().run();
  }
  void TearDown() override {
    platform::SetDesktopServices(nullptr);
    platform::SetTimeHost(nullptr);
    fs::remove_all(folder_);
  }

  // Built after the program's main form, as the main window builds it.
  hi::InfoWindow& build(hi::THIMultiElement& side) {
    for (uint16_t i = 0; i < data_.size(); ++i)
      hi::link<&uitest::Sink::Value>(side.Data[i], data_[i]);
    hi::link<&uitest::Sink::doLog>(side.onEvent[0], sink_, 0);
    return side.build<hi::InfoWindow>(nullptr);
  }
  void fire(uint16_t index, hi::TData value = {}) {
    hi::TLink in;
    hi::link<&hi::THIMultiElement::doWork>(in, side_, index);
    hi::Fire(in, value);
  }
  void set(Data d, hi::TData value) { data_[d].answer = std::move(value); }
  void showFlag(int index) { fire(5, hi::TData::Int(index)); }
  int opacity() const {
    return static_cast<int>(std::lround(info().form.widget()->windowOpacity() * 255));
  }
  void writeSetting(const std::string& section, const std::string& key, const std::string& v) {
    platform::IniWriteString(ini(), section, key, v);
  }
  std::string setting(const std::string& section, const std::string& key) {
    return platform::IniReadString(ini(), section, key, "");
  }
  std::string ini() const { return (folder_ / "rds.ini").string(); }
  hi::InfoWindow& info() const { return *window_; }

  platform::VirtualTimeHost time_;
  DesktopProbe desktop_;
  fs::path folder_;
  hi::THIMainForm main_;
  std::array<uitest::Sink, 6> data_;
  uitest::Sink sink_;
  hi::THIMultiElement side_{1, 6};
  hi::InfoWindow* window_ = &build(side_);
  static inline int counter_ = 0;
};

TEST_F(InfoWindowTest, PiPtyLineAndFlagsShowWhatTheDataInputsHold) {
  set(kPi, hi::TData::Str("1234"));
  set(kPty, hi::TData::Int(10));
  fire(4);
  EXPECT_EQ(info().piPty.caption(), "PI: 1234   PTY: 10");

  // After the load every flag is reported, in any order; a flag stored as 0 hides its label.
  set(kTp, hi::TData::Int(1));
  set(kTa, hi::TData::Int(0));
  set(kMs, hi::TData::Str("1"));
  set(kCt, hi::TData::Int(0));
  for (int index : {3, 1, 0, 2}) showFlag(index);
  EXPECT_EQ((std::array{info().tp.visible(), info().ta.visible(), info().ms.visible(),
                        info().ct.visible()}),
            (std::array{true, false, true, false}));

  set(kTa, hi::TData::Int(1));
  set(kTp, hi::TData::Int(0));
  showFlag(1);
  EXPECT_TRUE(info().ta.visible());
  EXPECT_TRUE(info().tp.visible());  // only the flag named by the index follows its input
  showFlag(0);
  EXPECT_FALSE(info().tp.visible());
  set(kCt, hi::TData::Int(2));  // only exactly 1 shows
  showFlag(3);
  EXPECT_FALSE(info().ct.visible());
}

TEST_F(InfoWindowTest, ConnectionStateSwapsTheLinesAndTheBanner) {
  // Built not connected: the banner alone holds the top line.
  EXPECT_TRUE(info().notConnected.visible());
  EXPECT_FALSE(info().piPty.visible());

  auto shown = [this] {
    return std::array{info().piPty.visible(), info().ps.visible(), info().rt.visible(),
                      info().notConnected.visible()};
  };
  fire(7, hi::TData::Int(0));
  EXPECT_EQ(shown(), (std::array{true, true, true, false}));
  const QColor connected = info().tp.widget()->palette().color(QPalette::WindowText);
  EXPECT_EQ(info().rtTitle.widget()->palette().color(QPalette::WindowText), connected);
  fire(7, hi::TData::Int(1));
  EXPECT_EQ(shown(), (std::array{false, false, false, true}));
  EXPECT_NE(info().tp.widget()->palette().color(QPalette::WindowText), connected);
}

TEST_F(InfoWindowTest, TextsArriveWithoutTerminatorOrControlCharacters) {
  fire(6, hi::TData::Str("ABCDEFGH\r\n"));
  EXPECT_EQ(info().ps.caption(), "ABCDEFGH");
  fire(6, hi::TData::Str("RADIO 1 \n"));
  EXPECT_EQ(info().ps.caption(), "RADIO 1 ");
  fire(6, hi::TData::Str("A\tB\x01"
                         "CDEFG\r\n"));
  EXPECT_EQ(info().ps.caption(), "A B CDEFG");
  fire(6, hi::TData::Str("\r\n"));
  EXPECT_EQ(info().ps.caption(), "");

  fire(10, hi::TData::Str("Now\x01playing\tthis"));
  EXPECT_EQ(info().rt.caption(), "Now playing this");

  fire(9);
  EXPECT_EQ(info().ct.caption(), "CT: 13:45");
  time_.setLocalTime(2026, 12, 6, 9, 5, 0);
  fire(9);
  EXPECT_EQ(info().ct.caption(), "CT: 09:05");
}

TEST_F(InfoWindowTest, MenuTransparencyAndShowItem) {
  // Opacity, then the check marks of "Enable" and "Disable".
  auto state = [this] {
    return std::array{opacity(), int{info().menu.checked(2)}, int{info().menu.checked(3)}};
  };
  auto keys = [this] {
    return std::array{setting("Other settings", "Transparent on"),
                      setting("Other settings", "Transparent off")};
  };
  fire(1);  // nothing stored
  EXPECT_EQ(state(), (std::array{255, 0, 0}));
  writeSetting("Other settings", "Transparent on", "1");
  fire(1);
  EXPECT_EQ(state(), (std::array{210, 1, 0}));
  writeSetting("Other settings", "Transparent off", "1");
  fire(1);
  EXPECT_EQ(state(), (std::array{255, 1, 1}));

  info().menu.pick(2);  // Enable
  EXPECT_EQ(keys(), (std::array<std::string, 2>{"1", "0"}));
  EXPECT_EQ(state(), (std::array{210, 1, 0}));
  info().menu.pick(3);  // Disable
  EXPECT_EQ(keys(), (std::array<std::string, 2>{"0", "1"}));
  EXPECT_EQ(state(), (std::array{255, 0, 1}));

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

TEST_F(InfoWindowTest, PositionIsStoredOnCloseAndRestoredOnTheNextShow) {
  EXPECT_FALSE(info().form.visible());  // created hidden
  const Qt::WindowFlags flags = info().form.widget()->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_TRUE(flags.testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
  const std::string form = std::to_string(info().form.handle());
  fire(0, hi::TData::Int(0));  // a left click on the tray icon carries button 0
  EXPECT_TRUE(info().form.visible());
  EXPECT_EQ(desktop_.calls, Lines{"topmost " + form + " on"});
  EXPECT_EQ((std::array{info().form.left(), info().form.top(), info().form.width(),
                        info().form.height()}),
            (std::array{35, 105, 550, 143}));

  // Pressing a label drags the window, the right button opens the menu.
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

  info().form.widget()->move(120, 80);
  fire(3);
  EXPECT_FALSE(info().form.visible());
  EXPECT_TRUE(hi::LoopsLive());  // the program goes on
  EXPECT_FALSE(hi::THIMainForm::mainClosed());
  EXPECT_EQ((std::array{setting("Info window", "Left"), setting("Info window", "Top"),
                        setting("Info window", "Width"), setting("Info window", "Height")}),
            (std::array<std::string, 4>{"120", "80", "550", "143"}));

  // A left double click on a label closes it as well.
  fire(0);
  info().form.widget()->move(140, 90);
  QTest::mouseDClick(info().rt.widget(), Qt::LeftButton);
  EXPECT_FALSE(info().form.visible());
  EXPECT_EQ(setting("Info window", "Left"), "140");

  // The next program run puts it back there.
  hi::THIMultiElement next{1, 6};
  hi::InfoWindow& again = build(next);
  EXPECT_FALSE(again.form.visible());
  hi::TLink show;
  hi::link<&hi::THIMultiElement::doWork>(show, next, 0);
  hi::TData none;
  hi::Fire(show, none);
  EXPECT_EQ((std::array{again.form.left(), again.form.top()}), (std::array{140, 90}));
}

}  // namespace
}  // namespace apptest
