// The "Other settings" and "Information" panels on a plain host window, with their settings in a
// temporary folder, the start timers on the virtual time host and the clipboard recorded.

#include "app/settings_pages.h"
#include "app/help_page.h"
#include "dyntext/tag_filters.h"
#include "panel_fixture.h"
#include "ui/ui_support.h"

namespace apptest {

namespace {

class SettingsPagesTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    host_.resize(560, 400);
    host_.show();
  }

  // Builds both panels as the main window does, with every output of the settings recorded.
  void build() {
    for (uint16_t i = 0; i < 4; ++i) log(outer_.onEvent[i], i);
    pages = &outer_.build<hi::SettingsPages>(&host_);
    help = &helpOuter_.build<hi::HelpPage>(&host_);
    hi::SetLoopsLive(true);
    fire(outer_, 0);
    fire(helpOuter_, 0);
  }
  void load() { fire(outer_, 1); }
  void log(hi::TLink& event, uint16_t index) {
    hi::link<&uitest::Sink::doLog>(event, sink_, index);
  }
  std::string var(uint16_t index) {
    hi::TData value;
    outer_.Var(value, index);
    return hi::ToString(value);
  }
  Lines reported() { return std::exchange(sink_.lines, {}); }

  static constexpr const char* kOther = "Other settings";
  uitest::RecordingDesktop desktop_;
  QWidget host_;
  uitest::Sink sink_;
  hi::THIMultiElement outer_{4, 0};
  hi::THIMultiElement helpOuter_{0, 0};
  hi::SettingsPages* pages = nullptr;
  hi::HelpPage* help = nullptr;
};

using SP = hi::SettingsPages;

// Only "1" ticks a box; an auto-enable option counts only together with Auto Connect.
TEST_F(SettingsPagesTest, AutostartBoxesShowWhatIsStored) {
  store(
      kOther,
      {{"Auto connect", "1"}, {"Auto on dps", "1"}, {"Auto on drt", "1"}, {"Auto to tray", "yes"}});
  build();
  // Unticked at creation, the "Auto Enable" boxes wait for "Auto Connect".
  EXPECT_FALSE(pages->autostart[SP::AutoDps].enabled());
  load();
  auto& boxes = pages->autostart;
  for (int k : {SP::AutoConnect, SP::AutoDps, SP::AutoDrt}) EXPECT_TRUE(boxes[k].checked()) << k;
  EXPECT_FALSE(boxes[SP::AutoTray].checked());

  // A hand-edited file with an auto-enable option but no Auto Connect: shown and stored as off,
  // and the change logged once with its key and reason.
  hi::TData off = hi::TData::Int(0);
  boxes[SP::AutoConnect].doCheck(off, 0);
  store(kOther, {{"Auto connect", "0"}, {"Auto on dps", "1"}});
  logFrom();
  load();
  load();
  const std::string events = logged();
  EXPECT_FALSE(boxes[SP::AutoDps].checked());
  EXPECT_EQ(setting(kOther, "Auto on dps"), "0");
  EXPECT_EQ(events.substr(std::min<size_t>(24, events.size())),
            "rds.ini: \"Auto on dps=1\" under [Other settings] is set to 0: it needs \"Auto "
            "connect=1\" (write both to start the dynamic PS with the connection)\n");
}

TEST_F(SettingsPagesTest, DayNamesAreKeptWholeAndWarnFromTheNinthCharacter) {
  build();
  hi::THIEdit& thursday = pages->dayNames[3];
  QTest::keyClicks(thursday.widget(), QStringLiteral("Donnerstag"));
  EXPECT_TRUE(pages->dayWarning.visible());
  EXPECT_EQ(setting("Day of week", "Thursday"), "Donnerstag");
  QTest::keyClick(thursday.widget(), Qt::Key_Backspace);
  EXPECT_TRUE(pages->dayWarning.visible());  // nine characters
  QTest::keyClick(thursday.widget(), Qt::Key_Backspace);
  EXPECT_FALSE(pages->dayWarning.visible());
}

TEST_F(SettingsPagesTest, InfoOptionsAndAutomationSwitch) {
  store(kOther, {{"Show info window", "1"},
                 {"Show info taskbar", "1"},
                 {"Info taskbar", "drt"},
                 {"TA,TP,PTY", "1"},
                 {"TA,TP,PTY control", "1"}});
  build();
  load();
  EXPECT_EQ(reported(), (Lines{"1:1", "2:1", "2:1", "3:1"}));
  EXPECT_EQ(var(7) + var(8), "11");
  // Only "DRT" as written chooses RT.
  EXPECT_EQ(var(10) + var(9) + var(11), "100");
  EXPECT_EQ(setting(kOther, "Info taskbar"), "DPS");
  click(pages->showRt);
  EXPECT_EQ(var(10) + var(9) + var(11), "011");
  EXPECT_EQ(setting(kOther, "Info taskbar"), "DRT");

  fire(outer_, 3);
  EXPECT_FALSE(pages->showInfo.checked());
  fire(outer_, 3);
  click(pages->tagControl);
  EXPECT_EQ(reported(), (Lines{"1:0", "1:1", "2:0", "3:0"}));
  EXPECT_EQ(setting(kOther, "TA,TP,PTY") + setting(kOther, "TA,TP,PTY control"), "00");
}

// What the help page hands out for a tag must be a tag the filters take out of the PS text.
TEST_F(SettingsPagesTest, HelpPageCopiesTokensAndTagsTheFiltersAccept) {
  build();
  click(help->tokens[5]);
  EXPECT_EQ(desktop_.calls, Lines{"copy %NPFile%"});
  EXPECT_FALSE(help->tokens[hi::HelpPage::kFirstTag].enabled());
  fire(helpOuter_, 1, hi::TData::Int(1));

  hi::THIMultiElement flags{4, 0}, pty{2, 0};
  for (uint16_t i = 0; i < 4; ++i) log(flags.onEvent[i], i);
  for (uint16_t i = 0; i < 2; ++i) log(pty.onEvent[i], 10 + i);
  flags.build<hi::TaTpMsTagFilter>(nullptr);
  pty.build<hi::PtyTagFilter>(nullptr);
  desktop_.calls.clear();
  for (int k = hi::HelpPage::kFirstTag; k < hi::HelpPage::kTokens; ++k) click(help->tokens[k]);
  ASSERT_EQ(desktop_.calls.size(), 7u);
  for (const std::string& call : desktop_.calls) {
    const std::string tag = call.substr(5);
    fire(tag.rfind("<PTY", 0) == 0 ? pty : flags, 0, hi::TData::Str("A" + tag + "B"));
  }
  EXPECT_EQ(reported(), (Lines{"1:1", "0:'AB'", "1:0", "0:'AB'", "2:1", "0:'AB'", "2:0", "0:'AB'",
                               "3:1", "0:'AB'", "3:0", "0:'AB'", "11:'1'", "10:'AB'"}));
  fire(helpOuter_, 1, hi::TData::Int(0));
  EXPECT_FALSE(help->tokens[hi::HelpPage::kTokens - 1].enabled());
}

}  // namespace

}  // namespace apptest
