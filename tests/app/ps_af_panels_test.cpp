#include <string>
#include <vector>

#include "panel_fixture.h"

namespace apptest {

namespace ps_af {
// Replaces the field's text as an operator would: select all, delete, type.
void Type(hi::THIEdit& field, const std::string& text) {
  QWidget* line = field.widget();
  QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(line, Qt::Key_Delete);
  if (!text.empty()) QTest::keyClicks(line, QString::fromStdString(text));
}

void TypePages(hi::PagePsPanel& panel, const std::vector<std::string>& texts) {
  for (size_t i = 0; i < panel.pages.size(); ++i)
    Type(panel.pages[i], i < texts.size() ? texts[i] : "");
}

// Collects what a container fires on its output.
struct Probe : hi::TDebug {
  std::vector<std::string> lines;
  void take(hi::TData& data, uint16_t) { lines.push_back(hi::ToString(data)); }
};
}  // namespace ps_af

using ps_af::Type;
using ps_af::TypePages;

TEST_F(PanelTest, PagePsLineHoldsEightCharactersPerFilledPage) {
  addPort(1);
  start();
  click(connection().connect);
  hi::PagePsPanel& pages = *rds().pagePsPanel;

  TypePages(pages, {"RADIO", "ONE"});
  click(pages.send);
  EXPECT_EQ(received(1), "PSRADIO   ONE     \r\n");

  // A long first page warns while it is typed; the warning follows the page edited last.
  Type(pages.pages[0], "WELCOME TO");
  EXPECT_TRUE(pages.warning.visible());
  Type(pages.pages[1], "RADIO");
  Type(pages.pages[9], "BYE");
  EXPECT_FALSE(pages.warning.visible());
  click(pages.send);
  const std::string line = received(1);
  EXPECT_EQ(line, "PSWELCOME RADIO   BYE     \r\n");
  EXPECT_EQ(vencoder::PsPages(Decode(line, 0).state()),
            (std::vector<std::string>{"WELCOME ", "RADIO   ", "BYE     "}));
  EXPECT_EQ(setting("RDS Settings", "Page PS1"), "WELCOME TO");

  TypePages(pages, {"ABCDEFGHIJKL", "%2", "CCC"});
  click(pages.send);
  EXPECT_EQ(received(1), "PSABCDEFGH%2      CCC     \r\n");
  Type(pages.pages[1], "");
  click(pages.send);
  EXPECT_EQ(received(1), "PSABCDEFGHCCC     \r\n");

  // No interval stored: no DS line, and none written.
  time_.advance(1000);
  EXPECT_EQ(received(1), "");
  EXPECT_EQ(setting("RDS Settings", "PPS change int"), "");
}

TEST_F(PanelTest, PagePsDsLineFollowsEachPsLine) {
  addPort(1);
  start();
  click(connection().connect);
  hi::PagePsPanel& pages = *rds().pagePsPanel;
  TypePages(pages, {"RADIO"});
  choose(pages.intervals->list, 3);  // "2,5 sec"
  EXPECT_EQ(setting("RDS Settings", "PPS change int"), "5");

  // Other lines keep their place while the DS line waits.
  click(pages.send);
  click(rds().saveEeprom);
  EXPECT_EQ(received(1), "PSRADIO   \r\nSM\r\n");
  time_.advance(299);
  EXPECT_EQ(received(1), "");
  time_.advance(1);
  const std::string ds = received(1);
  EXPECT_EQ(ds, "DS5,8\r\n");
  const vencoder::EncoderState state = Decode(ds, 0).state();
  EXPECT_EQ(state.psInterval, 5);
  EXPECT_EQ(state.psStep, 8);

  // Two quick clicks: two PS lines, then both DS lines, each at least 300 ms after its own.
  click(pages.send);
  time_.advance(100);
  click(pages.send);
  EXPECT_EQ(received(1), "PSRADIO   \r\nPSRADIO   \r\n");
  time_.advance(200);
  EXPECT_EQ(received(1), "DS5,8\r\n");
  time_.advance(299);
  EXPECT_EQ(received(1), "");
  time_.advance(1);
  EXPECT_EQ(received(1), "DS5,8\r\n");
  time_.advance(2000);
  EXPECT_EQ(received(1), "");
}

TEST_F(PanelTest, PagePsStoredPagesAndIntervalForTessel20) {
  addPort(1);
  writeSetting("Select device", "Device", "1");
  writeSetting("RDS Settings", "Page PS1", "ONE");
  writeSetting("RDS Settings", "Page PS8", "EIGHT");
  writeSetting("RDS Settings", "PPS change int", "11");
  start();
  hi::PagePsPanel& pages = *rds().pagePsPanel;
  EXPECT_TRUE(pages.panel.visible());
  for (size_t i = 0; i < pages.pages.size(); ++i) {
    EXPECT_EQ(pages.pages[i].visible(), i < 6) << i;
    EXPECT_EQ(pages.labels[i].visible(), i < 6) << i;
  }
  EXPECT_EQ(pages.pages[1].text(), "");
  EXPECT_EQ(pages.intervals->list.selected(), -1);
  EXPECT_EQ(setting("RDS Settings", "PPS change int"), "11");

  click(connection().connect);
  click(pages.send);
  time_.advance(1000);
  EXPECT_EQ(received(1), "PSONE     EIGHT   \r\n");

  choose(pages.intervals->list, 0);
  click(pages.send);
  time_.advance(300);
  EXPECT_EQ(received(1), "PSONE     EIGHT   \r\nDS2,8\r\n");
  EXPECT_EQ(setting("RDS Settings", "PPS change int"), "2");
}

TEST_F(PanelTest, ScrollingPsLinesWithAndWithoutRolling) {
  addPort(1);
  writeSetting("RDS Settings", "Scrolling PS", "NEWS AT NINE");
  writeSetting("RDS Settings", "Rolling mode", "2");
  start();
  click(connection().connect);
  hi::ScrollingPsPanel& scrolling = *rds().scrollingPsPanel;
  EXPECT_FALSE(scrolling.rolling.checked());
  EXPECT_EQ(setting("RDS Settings", "Rolling mode"), "0");
  click(scrolling.send);
  time_.advance(1000);  // no interval stored: no DS line
  EXPECT_EQ(received(1), "PSNEWS AT NINE        \r\n");

  click(scrolling.rolling);
  EXPECT_EQ(setting("RDS Settings", "Rolling mode"), "1");
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS NEWS AT NINE NEWS AT\r\n");
  Type(scrolling.text, "HI");
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS HI HI\r\n");
  EXPECT_EQ(setting("RDS Settings", "Scrolling PS"), "HI");

  // A text typed and deleted before rolling mode is ticked leaves nothing of itself behind.
  click(scrolling.rolling);
  Type(scrolling.text, "N");
  Type(scrolling.text, "");
  click(scrolling.rolling);
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS  \r\n");

  Type(scrolling.text, "NEWS");
  choose(scrolling.intervals->list, 4);  // "3 sec"
  EXPECT_EQ(setting("RDS Settings", "SPS change int"), "6");
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS NEWS NEWS\r\n");
  time_.advance(300);
  const std::string ds = received(1);
  EXPECT_EQ(ds, "DS6,1\r\n");
  EXPECT_EQ(Decode(ds, 0).state().psStep, 1);
}

TEST_F(PanelTest, ScrollingPsWarningFollowsTheModel) {
  addPort(1);
  start();
  hi::ScrollingPsPanel& scrolling = *rds().scrollingPsPanel;
  auto& c = connection();
  QWidget* field = scrolling.text.widget();
  struct Case {
    int model;
    const char* warning;
    int limit;
  } cases[] = {{0, "Max 56 symbols!", 56}, {1, "Max 24 symbols!", 24}, {0, "Max 56 symbols!", 56}};
  for (const Case& k : cases) {
    choose(c.deviceList, k.model);
    EXPECT_EQ(scrolling.warning.caption(), k.warning);
    Type(scrolling.text, std::string(static_cast<size_t>(k.limit), 'A'));
    EXPECT_FALSE(scrolling.warning.visible()) << k.limit;
    QTest::keyClick(field, Qt::Key_B);
    EXPECT_TRUE(scrolling.warning.visible()) << k.limit;
  }
  // Sent whole all the same.
  choose(c.deviceList, 1);
  Type(scrolling.text, std::string(30, 'A'));
  click(c.connect);
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS" + std::string(30, 'A') + std::string(8, ' ') + "\r\n");
}

TEST_F(PanelTest, ScrollingPsLongestStoredLineStaysWithin260Bytes) {
  addPort(1);
  writeSetting("RDS Settings", "Scrolling PS", std::string(240, 'A') + std::string(20, 'B'));
  writeSetting("RDS Settings", "Rolling mode", "1");
  writeSetting("RDS Settings", "SPS change int", "10");
  start();
  click(connection().connect);
  hi::ScrollingPsPanel& scrolling = *rds().scrollingPsPanel;
  EXPECT_TRUE(scrolling.rolling.checked());
  click(scrolling.send);
  time_.advance(300);
  const std::string text = std::string(240, 'A') + std::string(7, 'B');
  EXPECT_EQ(received(1), "PS " + text + " AAAAAAA\r\nDS10,1\r\n");
}

TEST_F(PanelTest, AfLinesFollowTheChoices) {
  addPort(1);
  start();
  click(connection().connect);
  hi::AfPanel& af = *rds().afPanel;
  // Nothing stored: AF disabled, every list at 87.5 MHz and disabled.
  EXPECT_EQ(af.number.selected(), 0);
  EXPECT_EQ(af.afs[5].selected(), 0);
  EXPECT_FALSE(af.local.enabled());
  EXPECT_EQ(setting("RDS Settings", "AF6"), "0");
  click(af.send);
  EXPECT_EQ(received(1), "AF0\r\n");

  choose(af.number, 2);
  choose(af.local, 125);
  choose(af.afs[0], 75);
  choose(af.afs[1], 136);
  click(af.send);
  std::string line = received(1);
  EXPECT_EQ(line, "AF227,125,75,136,0,0,0,0\r\n");
  vencoder::AfState state = *Decode(line, 0).state().af;
  EXPECT_EQ(vencoder::AfFrequency(state.codes[1]), "100.0");
  EXPECT_EQ(vencoder::AfFrequency(state.codes[3]), "101.1");
  EXPECT_TRUE(af.afs[1].enabled());
  EXPECT_FALSE(af.afs[2].enabled());

  choose(af.number, 6);
  const int entries[] = {204, 1, 5, 124, 125, 170, 205};
  for (int k = 0; k < hi::AfPanel::kFrequencies; ++k) choose(af.frequencyList(k), entries[k]);
  hi::TData shown;
  af.afs[5].String(shown, 0);
  EXPECT_EQ(hi::ToString(shown), "No AF");
  EXPECT_TRUE(af.afs[5].enabled());
  click(af.send);
  EXPECT_EQ(received(1), "AF231,204,1,5,124,125,170,205\r\n");
  EXPECT_EQ(setting("RDS Settings", "AF6"), "205");

  // Fewer AFs: the later lists are disabled but keep their entries in the line.
  choose(af.number, 2);
  EXPECT_FALSE(af.afs[2].enabled());
  EXPECT_EQ(af.afs[2].selected(), 124);
  click(af.send);
  EXPECT_EQ(received(1), "AF227,204,1,5,124,125,170,205\r\n");

  // The model whose other lines end in LF still gets CR LF here.
  click(connection().disconnect);
  choose(connection().deviceList, 2);
  click(connection().connect);
  click(af.send);
  EXPECT_EQ(received(1), "AF227,204,1,5,124,125,170,205\r\n");
  choose(af.number, 0);
  click(af.send);
  EXPECT_EQ(received(1), "AF0\r\n");
}

TEST_F(PanelTest, AfStoredEntriesOutsideTheListsCountAsNone) {
  addPort(1);
  writeSetting("RDS Settings", "AF Number", "7");
  writeSetting("RDS Settings", "Local AF", "206");
  writeSetting("RDS Settings", "AF1", "-1");
  writeSetting("RDS Settings", "AF2", "3");
  start();
  hi::AfPanel& af = *rds().afPanel;
  EXPECT_EQ(af.number.selected(), 0);
  EXPECT_EQ(af.local.selected(), hi::AfPanel::kNoAf);
  EXPECT_EQ(setting("RDS Settings", "AF Number"), "0");
  EXPECT_EQ(setting("RDS Settings", "Local AF"), "205");
  EXPECT_EQ(setting("RDS Settings", "AF1"), "205");
  EXPECT_EQ(setting("RDS Settings", "AF3"), "0");
  click(connection().connect);
  click(af.send);
  EXPECT_EQ(received(1), "AF0\r\n");
  choose(af.number, 3);
  click(af.send);
  EXPECT_EQ(received(1), "AF228,205,205,3,0,0,0,0\r\n");
}

TEST_F(PanelTest, AfSendsNothingBeforeAnAfNumber) {
  start();
  hi::THIMultiElement outer{1, 0};
  ps_af::Probe probe;
  hi::link<&ps_af::Probe::take>(outer.onEvent[0], probe);
  hi::AfPanel& af = outer.build<hi::AfPanel>(nullptr);
  click(af.send);
  EXPECT_TRUE(probe.lines.empty());
  choose(af.number, 0);
  click(af.send);
  EXPECT_EQ(probe.lines, std::vector<std::string>{"AF0\r\n"});
}

}  // namespace apptest
