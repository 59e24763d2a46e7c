// The Page PS, Scrolling PS and AF panels in the whole window, connected to COM 1.
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "panel_fixture.h"

namespace apptest {

namespace ps_af {

using PsAfTest = PanelTest;

TEST_F(PsAfTest, PagePsLinesAndTheirDsLines) {
  startConnected();
  hi::PagePsPanel& pages = rds().function<protocol::PagePs>();
  auto typePages = [&](const std::vector<std::string>& texts) {
    for (size_t i = 0; i < pages.pages.size(); ++i)
      type(pages.pages[i], i < texts.size() ? texts[i] : "");
  };

  // A long first page warns while it is typed; the warning follows the page edited last.
  type(pages.pages[0], "WELCOME TO");
  EXPECT_TRUE(pages.warning.visible());
  type(pages.pages[1], "RADIO");
  type(pages.pages[9], "BYE");
  EXPECT_FALSE(pages.warning.visible());
  click(pages.send);
  EXPECT_EQ(received(1), "PSWELCOME RADIO   BYE     \r\n");
  EXPECT_EQ(setting("RDS Settings", "Page PS1"), "WELCOME TO");

  typePages({"ABCDEFGHIJKL", "%2", "CCC"});
  click(pages.send);
  EXPECT_EQ(received(1), "PSABCDEFGH%2      CCC     \r\n");
  // No interval stored: no DS line.
  time_.advance(1000);
  EXPECT_EQ(received(1), "");

  typePages({"RADIO"});
  choose(pages.intervals->list, 3);  // "2,5 sec"
  EXPECT_EQ(setting("RDS Settings", "PPS change int"), "5");
  // Other lines keep their place while the DS line waits.
  click(pages.send);
  click(rds().saveEeprom);
  EXPECT_EQ(received(1), "PSRADIO   \r\nSM\r\n");
  time_.advance(299);
  EXPECT_EQ(received(1), "");
  time_.advance(1);
  EXPECT_EQ(received(1), "DS5,8\r\n");

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

TEST_F(PsAfTest, PagePsStoredPagesAndIntervalForTessel20) {
  writeSetting("RDS Settings", "Page PS1", "ONE");
  writeSetting("RDS Settings", "Page PS8", "EIGHT");
  writeSetting("RDS Settings", "PPS change int", "11");
  startConnected(1);
  hi::PagePsPanel& pages = rds().function<protocol::PagePs>();
  for (size_t i = 0; i < pages.pages.size(); ++i) EXPECT_EQ(pages.pages[i].visible(), i < 6) << i;
  EXPECT_EQ(pages.intervals->list.selected(), -1);
  EXPECT_EQ(setting("RDS Settings", "PPS change int"), "11");

  // The hidden eighth page is sent all the same; the stored interval is no interval.
  click(pages.send);
  time_.advance(1000);
  EXPECT_EQ(received(1), "PSONE     EIGHT   \r\n");
  choose(pages.intervals->list, 0);
  click(pages.send);
  time_.advance(300);
  EXPECT_EQ(received(1), "PSONE     EIGHT   \r\nDS2,8\r\n");
}

TEST_F(PsAfTest, ScrollingPsLinesWithAndWithoutRolling) {
  writeSetting("RDS Settings", "Scrolling PS", "NEWS AT NINE");
  writeSetting("RDS Settings", "Rolling mode", "2");
  startConnected();
  hi::ScrollingPsPanel& scrolling = rds().function<protocol::ScrollingPs>();
  EXPECT_FALSE(scrolling.rolling.checked());
  EXPECT_EQ(setting("RDS Settings", "Rolling mode"), "0");
  click(scrolling.send);
  time_.advance(1000);  // no interval stored: no DS line
  EXPECT_EQ(received(1), "PSNEWS AT NINE        \r\n");

  click(scrolling.rolling);
  EXPECT_EQ(setting("RDS Settings", "Rolling mode"), "1");
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS NEWS AT NINE NEWS AT\r\n");
  type(scrolling.text, "HI");
  EXPECT_EQ(setting("RDS Settings", "Scrolling PS"), "HI");

  // A text typed and deleted before rolling mode is ticked leaves nothing of itself behind.
  click(scrolling.rolling);
  type(scrolling.text, "N");
  type(scrolling.text, "");
  click(scrolling.rolling);
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS  \r\n");

  type(scrolling.text, "NEWS");
  choose(scrolling.intervals->list, 4);  // "3 sec"
  EXPECT_EQ(setting("RDS Settings", "SPS change int"), "6");
  click(scrolling.send);
  EXPECT_EQ(received(1), "PS NEWS NEWS\r\n");
  time_.advance(300);
  EXPECT_EQ(received(1), "DS6,1\r\n");
}

TEST_F(PsAfTest, ScrollingPsWarningFollowsTheModel) {
  addPort(1);
  start();
  hi::ScrollingPsPanel& scrolling = rds().function<protocol::ScrollingPs>();
  for (auto [model, limit] : {std::pair{0, 56}, {1, 24}, {0, 56}}) {
    choose(connection().deviceList, model);
    EXPECT_EQ(scrolling.warning.caption(), "Max " + std::to_string(limit) + " symbols!");
    type(scrolling.text, std::string(static_cast<size_t>(limit), 'A'));
    EXPECT_FALSE(scrolling.warning.visible()) << limit;
    QTest::keyClick(scrolling.text.widget(), Qt::Key_B);
    EXPECT_TRUE(scrolling.warning.visible()) << limit;
  }
}

TEST_F(PsAfTest, ScrollingPsLongestStoredLineStaysWithin260Bytes) {
  writeSetting("RDS Settings", "Scrolling PS", std::string(240, 'A') + std::string(20, 'B'));
  writeSetting("RDS Settings", "Rolling mode", "1");
  writeSetting("RDS Settings", "SPS change int", "10");
  startConnected();
  click(rds().function<protocol::ScrollingPs>().send);
  time_.advance(300);
  const std::string text = std::string(240, 'A') + std::string(7, 'B');
  EXPECT_EQ(received(1), "PS " + text + " AAAAAAA\r\nDS10,1\r\n");
}

TEST_F(PsAfTest, AfLinesFollowTheChoices) {
  startConnected();
  hi::AfPanel& af = rds().function<protocol::Af>();
  // Nothing stored: AF disabled, and the lists with it.
  EXPECT_FALSE(af.local.enabled());
  click(af.send);
  EXPECT_EQ(received(1), "AF0\r\n");

  choose(af.number, 6);
  const int entries[] = {204, 1, 5, 124, 125, 170, 205};
  for (int k = 0; k < hi::AfPanel::kFrequencies; ++k) choose(af.frequencyList(k), entries[k]);
  click(af.send);
  EXPECT_EQ(received(1), "AF231,204,1,5,124,125,170,205\r\n");
  EXPECT_EQ(setting("RDS Settings", "AF6"), "205");

  // Fewer AFs: the later lists are disabled but keep their entries in the line.
  choose(af.number, 2);
  EXPECT_TRUE(af.afs[1].enabled());
  EXPECT_FALSE(af.afs[2].enabled());
  click(af.send);
  EXPECT_EQ(received(1), "AF227,204,1,5,124,125,170,205\r\n");

  // The model whose other lines end in LF still gets CR LF here.
  chooseModel(2);
  click(af.send);
  EXPECT_EQ(received(1), "AF227,204,1,5,124,125,170,205\r\n");

  // A frequency typed into a list picks its entry, also below 100 MHz where the entries start
  // with a blank.
  QTest::keyClicks(af.local.widget(), "98.5");
  QTest::keyClicks(af.afs[0].widget(), "101.1");
  EXPECT_EQ(setting("RDS Settings", "Local AF"), "110");
  click(af.send);
  EXPECT_EQ(received(1), "AF227,110,136,5,124,125,170,205\r\n");

  // The AF number list is wide enough for "Disable AF".
  auto* numbers = qobject_cast<QComboBox*>(af.number.widget());
  QStyleOptionComboBox option;
  option.initFrom(numbers);
  const QRect field = numbers->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, numbers);
  EXPECT_GE(field.width(), QFontMetrics(numbers->font()).horizontalAdvance("Disable AF"));
}

TEST_F(PsAfTest, AfStoredEntriesOutsideTheListsCountAsNone) {
  store("RDS Settings", {{"AF Number", "7"}, {"Local AF", "206"}, {"AF1", "-1"}, {"AF2", "3"}});
  startConnected();
  hi::AfPanel& af = rds().function<protocol::Af>();
  EXPECT_EQ(af.number.selected(), 0);
  EXPECT_EQ(af.local.selected(), hi::AfPanel::kNoAf);
  EXPECT_EQ(setting("RDS Settings", "AF Number"), "0");
  EXPECT_EQ(setting("RDS Settings", "Local AF"), "205");
  click(af.send);
  EXPECT_EQ(received(1), "AF0\r\n");
  choose(af.number, 3);
  click(af.send);
  EXPECT_EQ(received(1), "AF228,205,205,3,0,0,0,0\r\n");
}

}  // namespace ps_af

}  // namespace apptest
