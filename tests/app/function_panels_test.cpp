// The PS, RT, PTY, DI and TP/TA/MS panels and the function selector, driven as an operator would
// in the whole window, with the virtual encoder reading what reaches the port.
#include "panel_fixture.h"

namespace apptest {

namespace panels {

using hi::TData;

// Records every line that leaves the RDS settings page, also while no port is open, and what a
// page output carried.
struct Probe : hi::TDebug {
  std::vector<std::string> lines;
  std::vector<int> values;
  void doLine(TData& d, uint16_t) { lines.push_back(hi::ToString(d)); }
  void doValue(TData& d, uint16_t) { values.push_back(hi::ToInteger(d)); }
};

class FunctionPanelTest : public PanelTest {
 protected:
  // Builds the window with the page's lines recorded; `live` makes it live without loading.
  Probe& probePage(bool live) {
    tap<&Probe::doLine>(build().rdsSettings.onEvent[0], page_);
    if (live) hi::SetLoopsLive(true);
    return page_;
  }
  Probe page_;
};

TEST_F(FunctionPanelTest, RtHasTheWidthOfEachModel) {
  startConnected(1);
  hi::RtPanel& rt = rds().function<protocol::Rt>();
  type(rt.text, "Hello");
  click(rt.send);
  EXPECT_EQ(received(1), "RTHello" + std::string(27, ' ') + "\r\n");
  // A model change takes effect at once, without editing the text.
  chooseModel(0);
  click(rt.send);
  EXPECT_EQ(received(1), "RTHello" + std::string(59, ' ') + "\r\n");

  // At the width no warning; one more warns and is cut; the whole text is stored.
  struct Case {
    int model;
    size_t width;
    const char* end;
  } cases[] = {{0, 64, "\r\n"}, {1, 32, "\r\n"}, {2, 35, "\n"}};
  for (const Case& k : cases) {
    chooseModel(k.model);
    type(rt.text, std::string(k.width, 'y'));
    EXPECT_FALSE(rt.warning.visible()) << k.model;
    type(rt.text, std::string(k.width, 'y') + "z");
    EXPECT_TRUE(rt.warning.visible()) << k.model;
    EXPECT_EQ(rt.warning.caption(), "Max " + std::to_string(k.width) + " symbols!");
    click(rt.send);
    EXPECT_EQ(received(1), "RT" + std::string(k.width, 'y') + k.end);
    EXPECT_EQ(setting("RDS Settings", "RT"), std::string(k.width, 'y') + "z");
  }
  type(rt.text, "");
  click(rt.send);
  EXPECT_EQ(received(1), "RT" + std::string(35, ' ') + "\n");
  // A placeholder in the text is text: it never becomes the line's terminator.
  type(rt.text, "%2SM");
  click(rt.send);
  EXPECT_EQ(received(1), "RT%2SM" + std::string(31, ' ') + "\n");
}

TEST_F(FunctionPanelTest, PtyIsSentOnlyByItsButtonAndOnlyInRange) {
  writeSetting("RDS Settings", "PTY", "11");
  startConnected(2);
  hi::PtyPanel& pty = rds().function<protocol::Pty>();
  hi::THIMultiElement& page = main_->rdsSettings;
  EXPECT_EQ(pty.list.selected(), 11);
  EXPECT_EQ(setting("RDS Settings", "PTY"), "11");  // written back unchanged

  choose(pty.list, 31);
  EXPECT_EQ(setting("RDS Settings", "PTY"), "31");
  EXPECT_EQ(received(1), "");
  click(pty.send);
  EXPECT_EQ(received(1), "PT31\n");
  chooseModel(0);
  choose(pty.list, 0);
  click(pty.send);
  EXPECT_EQ(received(1), "PT0\r\n");

  // Codes the encoder would misread are ignored, from outside (the PS tags) and from the file;
  // leading zeros are a number still.
  Probe changes;
  tap<&Probe::doValue>(page.onEvent[4], changes);
  const std::pair<TData, int> codes[] = {{TData::Int(32), 0},           {TData::Int(-1), 0},
                                         {TData::Str("2\r\n4"), 0},     {TData::Str("abc"), 0},
                                         {TData::Str("032"), 0},        {TData::Str("05"), 5},
                                         {TData::Str("000000031"), 31}, {TData::Str("21"), 21}};
  for (const auto& [code, selected] : codes) {
    fire(page, 3, code);
    EXPECT_EQ(pty.list.selected(), selected) << hi::ToString(code);
  }
  writeSetting("RDS Settings", "PTY", "-1");
  fire(rds().panels[protocol::Pty], hi::PtyPanel::Load);
  EXPECT_EQ(pty.list.selected(), 0);
  EXPECT_EQ(setting("RDS Settings", "PTY"), "0");
  EXPECT_EQ(changes.values, (std::vector<int>{5, 31, 21, 0}));
  click(pty.send);
  EXPECT_EQ(received(1), "PT0\r\n");
}

// Until their value is known the PTY, PI and AF buttons send nothing; once it is, each sends its
// line, so the silence before is the panels' doing and not a button linked to nothing.
TEST_F(FunctionPanelTest, NothingToSendBeforeAValueIsKnown) {
  Probe& page = probePage(true);  // live, but nothing loaded
  hi::RdsSettingsPage& p = rds();
  const auto clickAll = [&] {
    for (hi::ThiButtonRush* send :
         {&p.function<protocol::Pty>().send, &p.function<protocol::Pi>().send,
          &p.function<protocol::Af>().send})
      click(*send);
  };
  clickAll();
  EXPECT_EQ(page.lines, std::vector<std::string>{});
  choose(p.function<protocol::Pty>().list, 5);
  typePi("7C6F");
  choose(p.function<protocol::Af>().number, 0);
  clickAll();  // no model chosen yet: the panels' own terminator is empty
  EXPECT_EQ(page.lines, (std::vector<std::string>{"PT5", "PI124,111", "AF0\r\n"}));
}

TEST_F(FunctionPanelTest, SelectorRaisesEachPanelAndFollowsTheModel) {
  startConnected(0);
  click(main_->pageButtons[hi::MainWindow::RdsSettings]);
  hi::FunctionSelector& selector = *rds().functions;
  hi::RdsSettingsPage& page = rds();
  hi::THIPanelRush* panels[hi::FunctionSelector::kItems] = {
      &page.function<protocol::Pi>().panel,     &page.function<protocol::ScrollingPs>().panel,
      &page.function<protocol::PagePs>().panel, &page.function<protocol::Rt>().panel,
      &page.function<protocol::Pty>().panel,    &page.function<protocol::Di>().panel,
      &page.function<protocol::TpTaMs>().panel, &page.function<protocol::Ps>().panel,
      &page.function<protocol::Af>().panel};
  QWidget* form = main_->form.widget();
  const QPoint inPanel = page.panel.widget()->mapTo(form, QPoint(134 + 300, 10 + 190));
  auto front = [&](hi::THIPanelRush& p) {
    QWidget* at = form->childAt(inPanel);
    return at == p.widget() || p.widget()->isAncestorOf(at);
  };
  EXPECT_TRUE(front(page.function<protocol::Pi>().panel));  // PI is in front at start
  for (size_t k = 0; k < hi::FunctionSelector::kItems; ++k) {
    if (!selector.items[k].visible()) continue;
    click(selector.items[k]);
    EXPECT_TRUE(front(*panels[k])) << k;
  }
  // Model 0 offers the scrolling and page PS and AF; model 1 no AF; model 2 the plain PS only.
  auto offered = [&](int item) { return selector.items[item].visible(); };
  EXPECT_TRUE(offered(protocol::Af) && page.function<protocol::Af>().panel.visible());
  EXPECT_FALSE(offered(protocol::Ps));
  chooseModel(1);
  EXPECT_FALSE(offered(protocol::Af) || page.function<protocol::Af>().panel.visible());
  EXPECT_TRUE(offered(protocol::PagePs));
  EXPECT_FALSE(page.function<protocol::Ps>().panel.visible());
  chooseModel(2);
  EXPECT_TRUE(offered(protocol::Ps));
  EXPECT_FALSE(offered(protocol::PagePs) || offered(protocol::Af));
  EXPECT_FALSE(page.function<protocol::PagePs>().panel.visible() ||
               page.function<protocol::ScrollingPs>().panel.visible());
}

TEST_F(FunctionPanelTest, DiCarriesAllFourFlags) {
  startConnected(0);
  hi::DiPanel& di = rds().function<protocol::Di>();
  using P = hi::DiPanel;
  const std::pair<int, const char*> clicks[] = {
      {P::DynamicPty, "DI8"},     {P::Stereo, "DI9"},     {P::ArtificialHead, "DI11"},
      {P::Compressed, "DI15"},    {P::DynamicPty, "DI7"}, {P::Stereo, "DI6"},
      {P::ArtificialHead, "DI4"}, {P::Compressed, "DI0"}};
  for (const auto& [box, line] : clicks) {
    click(di.boxes[box]);
    EXPECT_EQ(received(1), std::string(line) + "\r\n");
  }
  EXPECT_EQ(setting("RDS Settings", "DPTY") + setting("RDS Settings", "Compressed"), "00");
}

TEST_F(FunctionPanelTest, StoredFlagsAreSentAtStartUpInTheirOrder) {
  // AH: only 1 counts as set.
  store("RDS Settings",
        {{"Stereo", "1"}, {"DPTY", "1"}, {"AH", "2"}, {"TP", "1"}, {"TA", "0"}, {"M/S", "1"}});
  addPort(1);
  Probe& page = probePage(false);
  run();
  EXPECT_EQ(page.lines, (std::vector<std::string>{"DI1\r\n", "DI9\r\n", "TP1\r\n", "MS1\r\n"}));
  EXPECT_EQ(received(1), "");  // the port is not open yet
  EXPECT_TRUE(rds().function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::TP].checked());
  EXPECT_FALSE(rds().function<protocol::Di>().boxes[hi::DiPanel::ArtificialHead].checked());
  EXPECT_EQ(setting("RDS Settings", "AH"), "2");
}

TEST_F(FunctionPanelTest, PsAndTrafficFlagLinesAsTypedForTheLastOnModel) {
  startConnected(2);
  hi::PsPanel& ps = rds().function<protocol::Ps>();
  type(ps.text, "ABC");
  click(ps.send);
  EXPECT_EQ(received(1), "PSABC\n");
  EXPECT_EQ(setting("RDS Settings", "PS"), "ABC");

  type(ps.text, "RADIO ONE");
  EXPECT_TRUE(ps.warning.visible());
  click(ps.send);
  EXPECT_EQ(received(1), "PSRADIO ONE\n");
  QTest::keyClick(ps.text.widget(), Qt::Key_Backspace);
  EXPECT_FALSE(ps.warning.visible());

  hi::TpTaMsPanel& flags = rds().function<protocol::TpTaMs>();
  hi::THIMultiElement& page = main_->rdsSettings;
  Probe which, ta;
  tap<&Probe::doValue>(page.onEvent[1], which);
  tap<&Probe::doValue>(page.onEvent[3], ta);

  click(flags.boxes[hi::TpTaMsPanel::TA]);
  EXPECT_EQ(received(1), "TA1\n");
  EXPECT_EQ(setting("RDS Settings", "TA"), "1");
  click(flags.boxes[hi::TpTaMsPanel::TA]);
  EXPECT_EQ(received(1), "TA0\n");
  EXPECT_EQ(ta.values, (std::vector<int>{1, 0}));

  // Set and toggle from outside: a set to the same state is sent again.
  fire(page, 6);
  fire(page, 6);
  fire(page, 5, TData::Int(1));
  fire(page, 5, TData::Int(1));
  fire(page, 15, TData::Int(1));
  EXPECT_EQ(received(1), "TP1\nTP0\nTA1\nTA1\nMS1\n");
  EXPECT_EQ(which.values, (std::vector<int>{1, 1, 0, 0, 1, 1, 2}));
  TData state;
  page.Var(state, 2);
  EXPECT_EQ(hi::ToInteger(state), 1);
}

}  // namespace panels

}  // namespace apptest
