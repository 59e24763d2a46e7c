// The now-playing title pushed over the network, the address typed into the page's field as an
// operator types it: the lines that reach the encoder, and what the page shows for an address it
// cannot listen on.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include <QLabel>

#include "panel_fixture.h"
#include "platform/event_log.h"
#include "platform/net_peer.h"
#include "platform/now_playing.h"

namespace apptest {

namespace now_playing {

using hi::DynamicTextPanel;

std::string RtLine(const std::string& field) {
  return "RT" + (field + std::string(64, ' ')).substr(0, 64) + "\r\n";
}

std::string Udp(uint16_t port) { return "udp://127.0.0.1:" + std::to_string(port); }

class NowPlayingTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
  }
  // The templates on disk, the program connected and on the page, the field typed, the RT ticked.
  void startWith(const std::string& source) {
    useDynamicFiles("%NPFile%", "Now: %NPFile%");
    PanelTest::startConnected();
    click(main_->pageButtons[hi::MainWindow::DynamicText]);
    use(source);
    received(1, 0);
    click(dyn().drt);
  }
  // Typed, and Enter pressed.
  void use(const std::string& source) {
    type(field(), source);
    QTest::keyClick(field().widget(), Qt::Key_Return);
  }
  hi::THIEdit& field() { return dyn().paths[DynamicTextPanel::NowPlaying]; }
  const platform::NowPlayingListener* listener() {
    return dyn().files[DynamicTextPanel::NowPlaying].listener();
  }
  // The RT lines of the next refreshes, until one comes.
  std::string nextRt() {
    std::string wire;
    for (int i = 0; i < 500 && wire.empty(); ++i) {
      time_.advance(1000);
      wire = received(1, 0);
      if (wire.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return wire;
  }
};

// The same titles as datagrams and as a file: the same RT lines. Then lines over TCP. The last
// title received outlives a restart and is on air before the automation sends again; a
// keep-alive or a blank line never replaces it.
TEST_F(NowPlayingTest, ReceivedTitlesGoOnAirAsInAFileAndTheLastOutlivesARestart) {
  const uint16_t port = nettest::FreePort(false);
  startWith(Udp(port));
  // No title has ever come: the RT template waits for one instead of going on air without it.
  time_.advance(3000);
  EXPECT_EQ(received(1, 0), "");
  EXPECT_EQ(dyn().sourceState.caption(), "'Now playing' source: no title received yet");

  const std::vector<std::string> titles = {
      "Artist - Title", "PI,0\r\nSM\r\n<TA1>",           "  Caf\xC3\xA9   del \x01 Mar ",
      "\xE9t\xE9",      "\xEF\xBB\xBF BOM \xE2\x82\xAC", std::string(300, 'L') + "%Time1%"};
  nettest::Peer automation(false);
  std::vector<std::string> fromNetwork;
  for (const std::string& title : titles) {
    ASSERT_TRUE(automation.sendTo(port, title));
    fromNetwork.push_back(nextRt());
  }
  EXPECT_FALSE(dyn().sourceState.visible());
  EXPECT_EQ(fromNetwork.front(), RtLine("Now: Artist - Title"));
  EXPECT_EQ(fromNetwork[1], RtLine("Now: PI,0 SM <TA1>"));
  for (const char* blank : {"\n", "", "\r\n", " \t "}) ASSERT_TRUE(automation.sendTo(port, blank));
  time_.advance(3000);
  EXPECT_EQ(received(1, 0), "") << "a blank datagram wipes nothing";

  use(path("np.txt"));
  std::vector<std::string> fromFile;
  for (const std::string& title : titles) {
    writeFile("np.txt", title);
    fromFile.push_back(nextRt());
  }
  EXPECT_EQ(fromNetwork, fromFile);
  nettest::Peer next(false);
  EXPECT_TRUE(next.bind(port)) << "a file in the field gives the port back";

  const uint16_t tcpPort = nettest::FreePort(true);
  use("tcp://127.0.0.1:" + std::to_string(tcpPort));
  time_.advance(1000);
  nettest::Peer sender(true);
  ASSERT_TRUE(sender.connect(tcpPort));
  ASSERT_TRUE(sender.write("Over TCP\r\nKept \xC3\xA9t\xC3\xA9\r\n\r\n"));
  EXPECT_EQ(nextRt(), RtLine("Now: Kept \xE9t\xE9"));
  closeProgram();

  hi::ResetRuntime();
  startConnected();
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  received(1, 0);
  click(dyn().drt);
  EXPECT_EQ(nextRt(), RtLine("Now: Kept \xE9t\xE9"));
  EXPECT_FALSE(dyn().sourceState.visible());
  time_.advance(1000);
  nettest::Peer again(true);
  ASSERT_TRUE(again.connect(tcpPort));
  ASSERT_TRUE(again.write("Next\n"));
  EXPECT_EQ(nextRt(), RtLine("Now: Next"));
  std::ifstream stored(hi::THIStrList::StoredTitlePath(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stored), {}), "Next");
}

// An address is taken into use when its typing is done, never half-typed; a slip in its scheme
// is a malformed address, not a file name. The page shows each problem whole, the log says it
// once, and a port in use is tried again at each refresh.
TEST_F(NowPlayingTest, ATypedAddressIsUsedWhenTheTypingIsDoneAndItsProblemsAreShown) {
  std::FILE* log = std::tmpfile();
  platform::SetEventLog(log);
  const uint16_t port = nettest::FreePort(false);
  const std::string wide = "udp://0.0.0.0:" + std::to_string(port);
  startWith(path("np.txt"));
  time_.advance(1000);
  type(field(), "");
  for (char c : wide) {
    QTest::keyClick(field().widget(), c);
    time_.advance(1000);
    EXPECT_EQ(listener(), nullptr) << "typed so far";
  }
  time_.advance(2000);
  EXPECT_NE(listener(), nullptr) << "two seconds after the last key";
  EXPECT_EQ(setting("Dynamic RT and PS", "Scroll"), wide);

  hi::THILabel& state = dyn().sourceState;
  const QLabel* label = qobject_cast<const QLabel*>(state.widget());
  ASSERT_NE(label, nullptr);
  const std::pair<const char*, const char*> problems[] = {
      {"udp:/127.0.0.1:5005", "malformed address, write udp://ADDRESS:PORT"},
      {"udp://127.0.0.1:70000", "port 70000 out of range 1-65535"},
      {"udp://127.0.0.1", "no port"},
      {"udp://automation.example:5005", "not a numeric address: automation.example"},
      {"udp://192.0.2.1:5005", "192.0.2.1 is no address of this computer"}};
  for (const auto& [address, problem] : problems) {
    use(address);
    time_.advance(1000);
    EXPECT_EQ(listener(), nullptr);
    EXPECT_EQ(state.caption(), std::string("'Now playing' source: ") + problem);
    // Shown whole, where the picture gives way to it.
    EXPECT_FALSE(dyn().picture.visible());
    EXPECT_LE(label->heightForWidth(label->width()), label->height()) << problem;
  }

  auto holder = std::make_unique<nettest::Peer>(false);
  ASSERT_TRUE(holder->bind(port));
  use(Udp(port));
  EXPECT_FALSE(state.visible()) << "the old problem goes with the old text";
  time_.advance(1000);
  const std::string inUse = "port " + std::to_string(port) + " in use";
  EXPECT_EQ(state.caption(), "'Now playing' source: " + inUse);
  time_.advance(3000);
  holder.reset();
  time_.advance(1000);
  EXPECT_EQ(state.caption(), "'Now playing' source: no title received yet");
  ASSERT_NE(listener(), nullptr);
  nettest::Peer automation(false);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(automation.sendTo(port, std::string(platform::kTitleBytesLimit + 1, 'x')));
  }
  time_.advance(1000);
  // The other files stay files.
  type(dyn().paths[DynamicTextPanel::Temperature], Udp(port + 1));
  time_.advance(1000);
  EXPECT_EQ(dyn().files[DynamicTextPanel::Temperature].listener(), nullptr);

  platform::SetEventLog(nullptr);
  std::rewind(log);
  std::string text(8192, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), log));
  std::fclose(log);
  EXPECT_EQ(text.find(wide.substr(0, 15) + " "), std::string::npos) << "half-typed: " << text;
  // Beyond the loopback address: said plainly.
  EXPECT_NE(text.find(wide + " listens beyond this computer: anybody who can reach port"),
            std::string::npos);
  const std::string cannot = "now-playing source " + Udp(port) + " cannot be read: " + inUse;
  EXPECT_NE(text.find(cannot), std::string::npos) << text;
  EXPECT_EQ(text.find(cannot), text.rfind(cannot)) << "logged once";
  EXPECT_NE(text.find("now-playing source listening on " + Udp(port)), std::string::npos);
  EXPECT_NE(text.find(Udp(port) + ": a title of more than 4096 bytes dropped (logged once)"),
            std::string::npos);
  EXPECT_EQ(text.find("dropped"), text.rfind("dropped"));
}

}  // namespace now_playing

}  // namespace apptest
