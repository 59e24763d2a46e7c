// The dynamic PS and RT: the automation's files on disk, the engine on virtual time, the lines as
// they reach a pseudo-terminal, and the virtual encoder reading them.
#include <fstream>

#include "panel_fixture.h"

namespace apptest {

namespace dynamic {

using hi::TData;

const std::string kCrLf = "\r\n";

class DynamicTextTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
  }

  // The four files, the mode and the model stored, then the program started, connected and on
  // the page.
  void startConnected(const std::string& mode, int period, int model = 0) {
    useDynamicFiles(nullptr);
    writeSetting("Dynamic RT and PS", "Scroll/Page select", mode);
    writeSetting("Dynamic RT and PS", mode == "Page mode" ? "Wpos" : "Spos",
                 std::to_string(period));
    PanelTest::startConnected(model);
    click(main_->pageButtons[hi::MainWindow::DynamicText]);
    received(1, 0);
  }
  void tickBoth() {
    click(dyn().dps);
    click(dyn().drt);
  }

  static std::string psLine(const std::string& field, const std::string& end = kCrLf) {
    return "PS" + (field + std::string(8, ' ')).substr(0, 8) + end;
  }
  static std::string rtLine(const std::string& field, size_t width = 64,
                            const std::string& end = kCrLf) {
    return "RT" + (field + std::string(64, ' ')).substr(0, width) + end;
  }
  // The windows the PS shows over `steps` window periods, each read after its step.
  std::vector<std::string> windows(int steps, uint32_t period) {
    std::vector<std::string> seen;
    for (int i = 0; i < steps; ++i) {
      time_.advance(period);
      seen.push_back(hi::ToString(dyn().window.value));
    }
    return seen;
  }
};

TEST_F(DynamicTextTest, PageModeOnTheWireByteForByte) {
  writeFile("ps.txt", "%NPFile%");
  writeFile("rt.txt", "Now: %NPFile%");
  writeFile("np.txt", "Artist - Title");
  startConnected("Page mode", 4);
  tickBoth();
  // The bytes on the wire in each half second, the first read at once.
  std::vector<std::string> wire{received(1, 0)};
  for (int i = 1; i < 18; ++i) {
    time_.advance(500);
    wire.push_back(received(1, 0));
  }
  std::vector<std::string> expected(18);
  // No blank PS: not before the window's first step, and no blank page after the last.
  expected[2] = rtLine("Now: Artist - Title");
  expected[5] = psLine("Artist -");  // the step at 2 s, shown by the next refresh
  expected[9] = psLine(" Title");
  expected[17] = psLine("Artist -");
  EXPECT_EQ(wire, expected);
}

TEST_F(DynamicTextTest, WindowSequencesAndANewTitleStartsFromItsBeginning) {
  writeFile("np.txt", "ABCDEFGHIJ");
  startConnected("Scroll mode", 10);
  click(dyn().dps);
  time_.advance(500);  // the title is read; the window follows at the next step
  EXPECT_EQ(windows(12, 1000),
            (std::vector<std::string>{"ABCDEFGH", "BCDEFGHI", "CDEFGHIJ", "DEFGHIJ", "EFGHIJ",
                                      "FGHIJ", "GHIJ", "HIJ", "IJ", "J", "ABCDEFG", "ABCDEFGH"}));

  // Page mode restarts the counter at its minimum, so it starts with the first page.
  click(dyn().dps);
  click(dyn().pageMode);
  EXPECT_EQ(setting("Dynamic RT and PS", "Scroll/Page select"), "Page mode");
  click(dyn().dps);
  EXPECT_EQ(windows(4, 2000), (std::vector<std::string>{"ABCDEFGH", "IJ", "", "ABCDEFGH"}));
  writeFile("np.txt", "Band");
  EXPECT_EQ(windows(2, 2000), (std::vector<std::string>{"Band", ""}));

  // A new period reaches the window at once.
  click(dyn().dps);
  TData pos = TData::Int(20);
  dyn().pagePeriod.doPosition(pos, 0);
  EXPECT_EQ(setting("Dynamic RT and PS", "Wpos"), "20");
  EXPECT_EQ(dyn().windowTimer.interval(), 10000);
  EXPECT_EQ(dyn().pagePeriodLabel.caption(), "10 s");
}

TEST_F(DynamicTextTest, LinesOnlyWhenTheyChangeAndTheRtAloneReadsTheTitle) {
  writeFile("ps.txt", "%Time1%");
  writeFile("rt.txt", "%Date% %Temp% STUDIO");
  writeFile("temp.txt", "  -3 C \r\n");
  startConnected("Scroll mode", 10, 1);
  tickBoth();
  time_.advance(3000);  // 13:45:10 + 3 s
  EXPECT_EQ(received(1, 0), psLine("13:45:10") + psLine("13:45:11") +
                                rtLine("05-12-2026 -3 C STUDIO", 32) + psLine("13:45:12") +
                                psLine("13:45:13"));

  // Unticked and ticked again with nothing changed: nothing is sent again.
  writeFile("ps.txt", "STATIC");
  time_.advance(500);
  EXPECT_EQ(received(1, 0), psLine("STATIC"));
  click(dyn().dps);
  click(dyn().dps);
  time_.advance(2000);
  EXPECT_EQ(received(1, 0), "");

  // A template deleted while running: the last text read stays on air, and the page says why.
  hi::THILabel& psState = dyn().templateStates[hi::DynamicTextPanel::PsTemplate];
  EXPECT_FALSE(psState.visible());
  std::filesystem::remove(path("ps.txt"));
  time_.advance(2000);
  EXPECT_EQ(received(1, 0), "");
  EXPECT_TRUE(psState.visible());
  EXPECT_EQ(psState.caption(), "Dynamic PS file: no such file, last line kept");
  writeFile("ps.txt", "BACK");
  time_.advance(500);
  EXPECT_EQ(received(1, 0), psLine("BACK"));
  EXPECT_FALSE(psState.visible());

  // The RT alone still reads the title, and takes the model's width.
  click(dyn().dps);
  writeFile("rt.txt", "Now: %NPFile% " + std::string(40, '*'));
  writeFile("np.txt", "Artist - Title");
  time_.advance(1000);
  const std::string field = ("Now: Artist - Title " + std::string(40, '*')).substr(0, 32);
  EXPECT_EQ(received(1, 0), rtLine(field, 32));
}

TEST_F(DynamicTextTest, TagsMoveTheFlagsOnceAndLinesFollowTheModel) {
  writeFile("ps.txt", "RADIO<TA1><PTY10>");
  startConnected("Scroll mode", 10, 2);
  click(dyn().dps);
  time_.advance(2000);
  EXPECT_EQ(received(1, 0), "TA1\n" + psLine("RADIO", "\n"));
  EXPECT_EQ(rds().function<protocol::Pty>().list.selected(), 10);
  EXPECT_EQ(setting("RDS Settings", "TA"), "1");

  // Both values of one flag in one text: only the last, once, and only while it differs.
  writeFile("ps.txt", "<TA0>news<TA1><PTY99>");
  time_.advance(2000);
  EXPECT_EQ(received(1, 0), "TA0\n" + psLine("news", "\n"));
  EXPECT_EQ(rds().function<protocol::Pty>().list.selected(), 10);
}

TEST_F(DynamicTextTest, EepromAndDisconnectStopTheEnginesAndReconnectSendsAgain) {
  writeFile("ps.txt", "RADIO");
  writeFile("rt.txt", "TEXT");
  startConnected("Scroll mode", 10);
  const auto ticked = [this] {
    tickBoth();
    time_.advance(1000);
    return received(1, 0);
  };
  EXPECT_EQ(ticked(), psLine("RADIO") + rtLine("TEXT"));

  // The strip shows only what is being sent.
  const hi::NowSendingPanel& strip = *main_->nowSendingStrip;
  EXPECT_NE(strip.psLine.caption() + strip.rtLine.caption(), "PS: RT: ");
  click(rds().saveEeprom);
  EXPECT_FALSE(dyn().dps.checked() || dyn().drt.checked());
  EXPECT_EQ(received(1, 0), "SM\r\n");
  EXPECT_EQ(strip.psLine.caption() + strip.rtLine.caption(), "PS: RT: ");
  EXPECT_EQ(ticked(), psLine("RADIO") + rtLine("TEXT"));

  click(connection().disconnect);
  EXPECT_FALSE(dyn().dps.checked() || dyn().drt.checked());
  EXPECT_FALSE(dyn().dps.enabled() || dyn().drt.enabled());
  EXPECT_EQ(strip.psLine.caption() + strip.rtLine.caption(), "PS: RT: ");
  click(connection().connect);
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  EXPECT_EQ(ticked(), psLine("RADIO") + rtLine("TEXT"));
}

// Whatever the automation writes as a title, only well-formed PS and RT lines of the exact
// length leave: no line broken, no command injected, no flag moved.
TEST_F(DynamicTextTest, HostileTitlesNeverBreakALine) {
  // clang-format off
  const std::vector<std::string> corpus = {
      "", " ", std::string(300, ' '), "THE BAND\r\nPIANO SONG", "A\rB", "A\nSM",
      std::string("NUL\0INSIDE", 10), "\x1b[2J\x7f\t\v\f", "%1%2%3%4%5%6%7%8%9%10",
      "%Date%%Time1%%Time2%%Temp%%NPFile%%Day%", "<TA1><TP1><M/S1><PTY31>", "PI,0\r\nSM\r\n",
      std::string("\xEF\xBB\xBF") + "Caf\xC3\xA9", "Caf\xC3", "\xC3\x28\xA0\xA1",
      "comma,separated,values", std::string(1 << 20, 'x') + "\r\nRM"};
  // clang-format on
  writeFile("ps.txt", "%NPFile%");
  startConnected("Scroll mode", 10);
  tickBoth();
  std::string wire;
  for (size_t i = 0; i < corpus.size(); ++i) {
    writeFile("np.txt", corpus[i]);
    writeFile(i % 2 ? "rt.txt" : "temp.txt", corpus[(i * 7) % corpus.size()] + " %NPFile%");
    time_.advance(1000);
    wire += received(1, 0);
  }
  vencoder::VirtualEncoder encoder(0);
  vencoder::LineSplitter splitter;
  std::vector<std::string> lines;
  splitter.feed(wire, lines);
  EXPECT_EQ(splitter.takeRest(), "");
  ASSERT_GE(lines.size(), corpus.size());
  for (const std::string& line : lines) {
    const vencoder::Decoded decoded = encoder.decode(line);
    EXPECT_EQ(Malformed(decoded), "") << vencoder::JsonString(line);
    EXPECT_TRUE(decoded.command == "PS" || (decoded.command == "RT" && line.size() == 68))
        << vencoder::JsonString(line);
  }
  EXPECT_FALSE(encoder.state().pi || encoder.state().ta || encoder.state().pty);
}

}  // namespace dynamic

}  // namespace apptest
