// The PS, RT, PTY, DI and TP/TA/MS panels and the function selector, driven as an operator would
// in the whole window, with the virtual encoder reading what reaches the port.
#include <QLineEdit>
#include <fstream>

#include "panel_fixture.h"

namespace apptest {

namespace panels {

using hi::TData;

// Records every line that leaves the RDS settings page, also while no port is open.
struct LineProbe : hi::TDebug {
  std::vector<std::string> lines;
  void doLine(TData& d, uint16_t) { lines.push_back(hi::ToString(d)); }
};

// Records what a page output carried.
struct ValueProbe : hi::TDebug {
  std::vector<int> values;
  void doValue(TData& d, uint16_t) { values.push_back(hi::ToInteger(d)); }
};

class FunctionPanelTest : public PanelTest {
 protected:
  // Starts with COM 1 as the given model and connects.
  void connectAs(int model) {
    addPort(1);
    writeSetting("Select device", "Device", std::to_string(model));
    start();
    click(connection().connect);
  }
  void chooseModel(int model) {
    click(connection().disconnect);
    choose(connection().deviceList, model);
    click(connection().connect);
  }
  hi::MainWindow& window() { return *main_; }
};

TEST_F(FunctionPanelTest, PsLineAsTypedForTheLastOnModel) {
  connectAs(2);
  hi::PsPanel& ps = *rds().psPanel;
  hi::FunctionSelector& selector = *rds().functions;
  EXPECT_TRUE(ps.panel.visible());
  EXPECT_TRUE(selector.items[hi::FunctionSelector::PS].visible());
  EXPECT_FALSE(selector.items[hi::FunctionSelector::ScrollingPS].visible());

  type(ps.text, "ABC");
  click(ps.send);
  EXPECT_EQ(received(1), "PSABC\n");
  EXPECT_EQ(setting("RDS Settings", "PS"), "ABC");

  type(ps.text, "RADIO ONE");
  EXPECT_TRUE(ps.warning.visible());
  click(ps.send);
  const std::string bytes = received(1);
  EXPECT_EQ(bytes, "PSRADIO ONE\n");
  EXPECT_EQ(Decode(bytes, 2).state().ps, "RADIO ONE");
  QTest::keyClick(ps.text.widget(), Qt::Key_Backspace);
  EXPECT_FALSE(ps.warning.visible());

  // The stand-alone models send the PS through the page and scrolling panels instead.
  chooseModel(1);
  EXPECT_FALSE(ps.panel.visible());
  EXPECT_FALSE(selector.items[hi::FunctionSelector::PS].visible());
  EXPECT_TRUE(selector.items[hi::FunctionSelector::ScrollingPS].visible());
}

TEST_F(FunctionPanelTest, RtHasTheWidthOfEachModel) {
  connectAs(1);
  hi::RtPanel& rt = *rds().rtPanel;
  type(rt.text, "Hello");
  click(rt.send);
  std::string bytes = received(1);
  EXPECT_EQ(bytes, "RTHello" + std::string(27, ' ') + "\r\n");
  EXPECT_EQ(Decode(bytes, 1).state().rt, "Hello" + std::string(27, ' '));

  // A model change takes effect at once, without editing the text.
  chooseModel(0);
  click(rt.send);
  EXPECT_EQ(received(1), "RTHello" + std::string(59, ' ') + "\r\n");
  const std::string seventy(70, 'x');
  type(rt.text, seventy);
  EXPECT_TRUE(rt.warning.visible());
  EXPECT_EQ(rt.warning.caption(), "Max 64 symbols!");
  click(rt.send);
  EXPECT_EQ(received(1), "RT" + seventy.substr(0, 64) + "\r\n");
  EXPECT_EQ(setting("RDS Settings", "RT"), seventy);

  chooseModel(1);
  EXPECT_EQ(rt.warning.caption(), "Max 32 symbols!");
  click(rt.send);
  EXPECT_EQ(received(1), "RT" + seventy.substr(0, 32) + "\r\n");

  chooseModel(2);
  type(rt.text, std::string(35, 'y'));
  EXPECT_FALSE(rt.warning.visible());
  click(rt.send);
  EXPECT_EQ(received(1), "RT" + std::string(35, 'y') + "\n");
  type(rt.text, std::string(35, 'y') + "z");
  EXPECT_TRUE(rt.warning.visible());
  EXPECT_EQ(rt.warning.caption(), "Max 35 symbols!");
  click(rt.send);
  EXPECT_EQ(received(1), "RT" + std::string(35, 'y') + "\n");
  type(rt.text, "");
  click(rt.send);
  EXPECT_EQ(received(1), "RT" + std::string(35, ' ') + "\n");
}

TEST_F(FunctionPanelTest, RtTextCannotInjectACommand) {
  connectAs(0);
  hi::RtPanel& rt = *rds().rtPanel;
  const std::string sixty(60, 'X');
  std::vector<std::string> lines;

  type(rt.text, sixty + "%2SM");
  click(rt.send);
  lines.push_back(received(1));
  EXPECT_EQ(lines.back(), "RT" + sixty + "%2SM\r\n");

  // A pasted line break becomes a space in the field itself.
  auto* edit = qobject_cast<QLineEdit*>(rt.text.widget());
  ASSERT_NE(edit, nullptr);
  edit->clear();
  edit->insert("NEWS\r\nPI,0");
  EXPECT_EQ(rt.text.text(), "NEWS  PI,0");
  click(rt.send);
  lines.push_back(received(1));

  // So does a TAB or a CR kept in rds.ini, and blanks at the ends survive the file.
  {
    std::ofstream file(ini(), std::ios::binary | std::ios::trunc);
    file << "[RDS Settings]\r\nRT=\"A\tB\rRM \"\r\n";
  }
  fire(rds().rt, 1);
  EXPECT_EQ(rt.text.text(), "A B RM ");
  click(rt.send);
  lines.push_back(received(1));

  for (const std::string& line : lines) {
    ASSERT_EQ(line.size(), 2u + 64u + 2u) << line;
    EXPECT_EQ(line.find_first_of("\r\n\t"), 66u) << line;
    vencoder::VirtualEncoder encoder = Decode(line, 0);
    EXPECT_FALSE(encoder.state().pi.has_value());
  }
}

TEST_F(FunctionPanelTest, PtyIsSentOnlyByItsButtonAndOnlyInRange) {
  writeSetting("RDS Settings", "PTY", "11");
  connectAs(2);
  hi::PtyPanel& pty = *rds().ptyPanel;
  EXPECT_EQ(pty.list.selected(), 11);
  EXPECT_EQ(setting("RDS Settings", "PTY"), "11");  // written back unchanged
  TData name;
  window().rdsSettings.Var(name, 5);
  EXPECT_EQ(hi::ToString(name), "Rock M");

  choose(pty.list, 31);
  EXPECT_EQ(setting("RDS Settings", "PTY"), "31");
  EXPECT_EQ(received(1), "");
  click(pty.send);
  std::string bytes = received(1);
  EXPECT_EQ(bytes, "PT31\n");
  EXPECT_EQ(Decode(bytes, 2).state().pty, 31);
  chooseModel(0);
  choose(pty.list, 0);
  click(pty.send);
  EXPECT_EQ(received(1), "PT0\r\n");

  // Codes the encoder would misread are ignored, from outside and from the file.
  ValueProbe changes;
  hi::link<&ValueProbe::doValue>(window().rdsSettings.onEvent[4], changes);
  fire(window().rdsSettings, 3, TData::Int(32));
  fire(window().rdsSettings, 3, TData::Int(-1));
  fire(window().rdsSettings, 3, TData::Str("2\r\n4"));
  fire(window().rdsSettings, 3, TData::Str("abc"));
  EXPECT_EQ(pty.list.selected(), 0);
  EXPECT_TRUE(changes.values.empty());
  fire(window().rdsSettings, 3, TData::Str("21"));
  EXPECT_EQ(pty.list.selected(), 21);
  writeSetting("RDS Settings", "PTY", "-1");
  fire(rds().pty, 1);
  EXPECT_EQ(pty.list.selected(), 0);
  EXPECT_EQ(setting("RDS Settings", "PTY"), "0");
  EXPECT_EQ(changes.values, (std::vector<int>{21, 0}));
  click(pty.send);
  EXPECT_EQ(received(1), "PT0\r\n");
}

TEST_F(FunctionPanelTest, NothingToSendBeforeAValueIsKnown) {
  hi::MainWindow& w = build();
  LineProbe page;
  hi::link<&LineProbe::doLine>(w.rdsSettings.onEvent[0], page);
  hi::SetLoopsLive(true);  // live, but nothing loaded
  click(rds().ptyPanel->send);
  click(rds().piPanel->send);
  EXPECT_TRUE(page.lines.empty());
}

TEST_F(FunctionPanelTest, SelectorRaisesEachPanelAndFollowsTheModel) {
  connectAs(0);
  click(window().pageButtons[hi::MainWindow::RdsSettings]);
  hi::FunctionSelector& selector = *rds().functions;
  hi::RdsSettingsPage& page = rds();
  hi::THIPanelRush* panels[hi::FunctionSelector::kItems] = {
      &page.piPanel->panel,    &page.scrollingPsPanel->panel, &page.pagePsPanel->panel,
      &page.rtPanel->panel,    &page.ptyPanel->panel,         &page.diPanel->panel,
      &page.flagsPanel->panel, &page.psPanel->panel,          &page.afPanel->panel};
  const int tops[] = {13, 36, 59, 82, 105, 128, 151, 36, 174};
  QWidget* form = window().form.widget();
  const QPoint inPanel = page.panel.widget()->mapTo(form, QPoint(134 + 300, 10 + 190));
  auto front = [&](hi::THIPanelRush& p) {
    QWidget* at = form->childAt(inPanel);
    return at == p.widget() || p.widget()->isAncestorOf(at);
  };
  EXPECT_TRUE(front(page.piPanel->panel));  // PI is in front at start
  for (int k = 0; k < hi::FunctionSelector::kItems; ++k) {
    if (!selector.items[k].visible()) continue;
    click(selector.items[k]);
    EXPECT_TRUE(front(*panels[k])) << k;
    EXPECT_EQ(selector.marker.widget()->y(), tops[k]) << k;
  }
  // Model 0 offers the scrolling and page PS and AF; model 1 no AF; model 2 the plain PS only.
  auto offered = [&](int item) { return selector.items[item].visible(); };
  EXPECT_TRUE(offered(hi::FunctionSelector::AF) && page.afPanel->panel.visible());
  EXPECT_FALSE(offered(hi::FunctionSelector::PS));
  chooseModel(1);
  EXPECT_FALSE(offered(hi::FunctionSelector::AF) || page.afPanel->panel.visible());
  EXPECT_TRUE(offered(hi::FunctionSelector::PagePS));
  chooseModel(2);
  EXPECT_TRUE(offered(hi::FunctionSelector::PS));
  EXPECT_FALSE(offered(hi::FunctionSelector::PagePS) || offered(hi::FunctionSelector::AF));
  EXPECT_FALSE(page.pagePsPanel->panel.visible() || page.scrollingPsPanel->panel.visible());
}

TEST_F(FunctionPanelTest, DiCarriesAllFourFlags) {
  connectAs(0);
  hi::DiPanel& di = *rds().diPanel;
  click(di.boxes[hi::DiPanel::DynamicPty]);
  EXPECT_EQ(received(1), "DI8\r\n");
  EXPECT_EQ(setting("RDS Settings", "DPTY"), "1");
  EXPECT_EQ(setting("RDS Settings", "Stereo"), "");  // only the clicked key is written
  click(di.boxes[hi::DiPanel::Stereo]);
  click(di.boxes[hi::DiPanel::ArtificialHead]);
  click(di.boxes[hi::DiPanel::Compressed]);
  const std::string bytes = received(1);
  EXPECT_EQ(bytes, "DI9\r\nDI11\r\nDI15\r\n");
  EXPECT_EQ(Decode(bytes, 0).state().di, 15);
  for (int f : {hi::DiPanel::DynamicPty, hi::DiPanel::Stereo, hi::DiPanel::ArtificialHead})
    click(di.boxes[f]);
  EXPECT_EQ(received(1), "DI7\r\nDI6\r\nDI4\r\n");
  click(di.boxes[hi::DiPanel::Compressed]);
  EXPECT_EQ(received(1), "DI0\r\n");
  EXPECT_EQ(setting("RDS Settings", "Compressed"), "0");
  EXPECT_EQ(di.boxes[hi::DiPanel::ArtificialHead].widget()->property("text").toString(),
            "Artifical Head");
}

TEST_F(FunctionPanelTest, StoredFlagsAreSentAtStartUpInTheirOrder) {
  writeSetting("RDS Settings", "Stereo", "1");
  writeSetting("RDS Settings", "DPTY", "1");
  writeSetting("RDS Settings", "AH", "2");  // only 1 counts as set
  writeSetting("RDS Settings", "TP", "1");
  writeSetting("RDS Settings", "TA", "0");
  writeSetting("RDS Settings", "M/S", "1");
  addPort(1);
  hi::MainWindow& w = build();
  LineProbe page;
  hi::link<&LineProbe::doLine>(w.rdsSettings.onEvent[0], page);
  run();
  EXPECT_EQ(page.lines, (std::vector<std::string>{"DI1\r\n", "DI9\r\n", "TP1\r\n", "MS1\r\n"}));
  EXPECT_EQ(received(1), "");  // the port is not open yet
  EXPECT_TRUE(rds().flagsPanel->boxes[hi::TpTaMsPanel::TP].checked());
  EXPECT_FALSE(rds().diPanel->boxes[hi::DiPanel::ArtificialHead].checked());
  EXPECT_EQ(setting("RDS Settings", "AH"), "2");
}

TEST_F(FunctionPanelTest, TrafficFlagsAreSentStoredAndReported) {
  connectAs(2);
  hi::TpTaMsPanel& flags = *rds().flagsPanel;
  ValueProbe which, ta;
  hi::link<&ValueProbe::doValue>(window().rdsSettings.onEvent[1], which);
  hi::link<&ValueProbe::doValue>(window().rdsSettings.onEvent[3], ta);

  click(flags.boxes[hi::TpTaMsPanel::TA]);
  EXPECT_EQ(received(1), "TA1\n");
  EXPECT_EQ(setting("RDS Settings", "TA"), "1");
  click(flags.boxes[hi::TpTaMsPanel::TA]);
  EXPECT_EQ(received(1), "TA0\n");
  EXPECT_EQ(ta.values, (std::vector<int>{1, 0}));

  // Set and toggle from outside: a set to the same state is sent again.
  fire(window().rdsSettings, 6);
  fire(window().rdsSettings, 6);
  fire(window().rdsSettings, 5, TData::Int(1));
  fire(window().rdsSettings, 5, TData::Int(1));
  fire(window().rdsSettings, 15, TData::Int(1));
  const std::string bytes = received(1);
  EXPECT_EQ(bytes, "TP1\nTP0\nTA1\nTA1\nMS1\n");
  vencoder::VirtualEncoder encoder = Decode(bytes, 2);
  EXPECT_EQ(encoder.state().tp, 0);
  EXPECT_EQ(encoder.state().ta, 1);
  EXPECT_EQ(encoder.state().ms, 1);
  EXPECT_EQ(which.values, (std::vector<int>{1, 1, 0, 0, 1, 1, 2}));
  TData state;
  window().rdsSettings.Var(state, 2);
  EXPECT_EQ(hi::ToInteger(state), 1);
}

}  // namespace panels

}  // namespace apptest
