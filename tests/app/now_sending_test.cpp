// The now-sending strip fed through its composer, linked as the main window links them, with the
// marquee on the virtual time host.
#include <tuple>

#include "dyntext/now_sending.h"
#include "panel_fixture.h"
#include "ui/ui_support.h"

namespace apptest {

namespace {

std::string Letters(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('A' + i % 26);
  return s;
}

class NowSendingTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    hi::link<&hi::THIMultiElement::doWork>(composer.onEvent[0], strip, 1);
    hi::link<&hi::THIMultiElement::doWork>(composer.onEvent[1], strip, 2);
    hi::link<&uitest::Sink::doLog>(composer.onEvent[3], sink, 3);
    hi::link<&uitest::Sink::doLog>(strip.onEvent[1], sink, 1);
    hi::link<&uitest::Sink::doLog>(strip.onEvent[2], sink, 2);
    composer.build<hi::LineDisplayComposer>(nullptr);
    panel = &strip.build<hi::NowSendingPanel>(&host);
    hi::SetLoopsLive(true);
  }

  void sendPs(const std::string& line) { fire(composer, 0, hi::TData::Str(line)); }
  // An RT line of the 64-character model, the field padded with blanks.
  void sendRt(const std::string& text) {
    fire(composer, 1, hi::TData::Str("RT" + text + std::string(64 - text.size(), ' ') + "\r\n"));
  }
  void selectWidth(int index) { fire(strip, 4, hi::TData::Int(index)); }
  std::string rtShown() const { return panel->rtLine.caption(); }
  // What the strip reported since the last call.
  Lines reported() { return std::exchange(sink.lines, {}); }

  QWidget host;
  uitest::Sink sink;
  hi::THIMultiElement composer{4, 0};
  hi::THIMultiElement strip{3, 0};
  hi::NowSendingPanel* panel = nullptr;
};

TEST_F(NowSendingTest, PsShowsOnlyWhenItChangesAndRtIsCutToTheSelectedWidthAndCleaned) {
  sendPs("PSABCDEFGH\r\n");
  EXPECT_EQ(panel->psLine.caption(), "PS: ABCDEFGH");
  EXPECT_EQ(reported(), Lines{"3:'ABCDEFGH\r\n'"});
  panel->psLine.setCaption("marker");
  sendPs("PSABCDEFGH\r\n");
  EXPECT_EQ(panel->psLine.caption(), "marker");
  sendPs("PSRADIO 1 \n");
  EXPECT_EQ(panel->psLine.caption(), "PS: RADIO 1 ");

  // Until a model is known nothing of the RT is shown.
  reported();
  sendRt("Early");
  EXPECT_EQ(rtShown(), "RT: ");
  EXPECT_EQ(reported(), (Lines{"2:' '", "1:''"}));
  for (auto [width, c, shown] : {std::tuple{1, 'x', "yy"}, {2, 'z', "yyyyy"}}) {
    selectWidth(width);
    sendRt(std::string(30, c) + "yyyyyy");
    EXPECT_EQ(rtShown(), "RT: " + std::string(30, c) + shown);
  }
  selectWidth(0);
  sendRt("  Now:\tThe   Band\r\n- \x01Song  ");
  EXPECT_EQ(rtShown(), "RT: Now: The Band - Song");
  EXPECT_EQ(reported().back(), "1:'Now: The Band - Song'");
}

TEST_F(NowSendingTest, OnlyAnRtLongerThan27ScrollsAndANewRtRestartsOrStopsIt) {
  selectWidth(0);
  sendRt(Letters(27));
  reported();
  time_.advance(1200);
  EXPECT_TRUE(reported().empty());  // no marquee step

  const std::string long28 = Letters(28);
  sendRt(long28);
  EXPECT_EQ(reported(), (Lines{"2:' " + long28 + "'", "1:'" + long28 + "'"}));
  time_.advance(400);  // the first step starts at the first character
  EXPECT_EQ(reported(), Lines{"2:' " + long28 + "'"});
  time_.advance(400);
  EXPECT_EQ(reported(), Lines{"2:' " + long28.substr(1) + "'"});

  // Hidden lines keep running; after the last character alone the text starts again.
  fire(strip, 3, hi::TData::Int(0));
  EXPECT_FALSE(panel->rtLine.visible());
  time_.advance(26 * 400);
  EXPECT_EQ(rtShown(), "RT: " + long28.substr(27));
  time_.advance(400);
  EXPECT_EQ(rtShown(), "RT: " + long28);

  // At most 45 characters show; a new RT starts again from its first character a full step later.
  const std::string first = Letters(60);
  sendRt(first);
  time_.advance(5 * 400 + 200);
  EXPECT_EQ(rtShown(), "RT: " + first.substr(4, 45));
  const std::string second = "Second " + Letters(40);
  sendRt(second);
  EXPECT_EQ(rtShown(), "RT: " + second);
  reported();
  time_.advance(399);
  EXPECT_TRUE(reported().empty());
  time_.advance(401);
  EXPECT_EQ(rtShown(), "RT: " + second.substr(1, 45));

  sendRt(std::string(20, ' '));
  EXPECT_EQ(rtShown(), "RT: ");
  EXPECT_EQ(reported().back(), "1:''");
  time_.advance(2000);
  EXPECT_TRUE(reported().empty());
}

}  // namespace

}  // namespace apptest
