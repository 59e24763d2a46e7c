// The now-playing title pushed over the network, the address typed into the page's field as an
// operator types it: the lines that reach the encoder, what the page shows for an address it
// cannot listen on, and a flood of datagrams while both engines run.
#include <algorithm>
#include <atomic>
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

class NowPlayingTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
  }
  // The templates on disk, the program connected and on the page, the field typed.
  void startWith(const std::string& source) {
    useDynamicFiles("%NPFile%", "Now: %NPFile%");
    PanelTest::startConnected();
    click(main_->pageButtons[hi::MainWindow::DynamicText]);
    use(source);
    received(1, 0);
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
  static std::string Udp(uint16_t port) { return "udp://127.0.0.1:" + std::to_string(port); }
};

// The same titles as datagrams and as a file: the same RT lines. Then a line over TCP.
TEST_F(NowPlayingTest, ReceivedTitlesGoOnAirAsTheSameTitleInAFileWould) {
  const uint16_t port = nettest::FreePort(false);
  startWith(Udp(port));
  EXPECT_EQ(setting("Dynamic RT and PS", "Scroll"), Udp(port));
  click(dyn().drt);
  // No title has ever come: the RT template waits for one instead of going on air without it.
  time_.advance(3000);
  EXPECT_EQ(received(1, 0), "");
  EXPECT_EQ(dyn().sourceState.caption(), "'Now playing' source: no title received yet");
  EXPECT_TRUE(dyn().sourceState.visible());

  const std::vector<std::string> titles = {"Artist - Title",
                                           "PI,0\r\nSM\r\n<TA1>",
                                           "  Caf\xC3\xA9   del \x01 Mar ",
                                           "\xE9t\xE9",
                                           "\xEF\xBB\xBF"
                                           "BOM \xE2\x82\xAC",
                                           std::string(300, 'L') + "%Time1%"};
  nettest::Peer automation(false);
  std::vector<std::string> received;
  for (const std::string& title : titles) {
    ASSERT_TRUE(automation.sendTo(port, title));
    received.push_back(nextRt());
  }
  EXPECT_FALSE(dyn().sourceState.visible());
  EXPECT_EQ(received.front(), RtLine("Now: Artist - Title"));
  EXPECT_EQ(received[1], RtLine("Now: PI,0 SM <TA1>"));

  use(path("np.txt"));
  std::vector<std::string> fromFile;
  for (const std::string& title : titles) {
    writeFile("np.txt", title);
    fromFile.push_back(nextRt());
  }
  EXPECT_EQ(received, fromFile);
  nettest::Peer next(false);
  EXPECT_TRUE(next.bind(port)) << "a file in the field gives the port back";

  const uint16_t tcpPort = nettest::FreePort(true);
  use("tcp://127.0.0.1:" + std::to_string(tcpPort));
  time_.advance(1000);
  nettest::Peer sender(true);
  ASSERT_TRUE(sender.connect(tcpPort));
  ASSERT_TRUE(sender.write("Over TCP\r\nand the newest\r\n"));
  EXPECT_EQ(nextRt(), RtLine("Now: and the newest"));
}

// The last title received outlives a restart and is on air before the automation sends again;
// a keep-alive or a blank line never replaces it.
TEST_F(NowPlayingTest, TheLastTitleOutlivesARestartAndBlankLinesKeepIt) {
  const uint16_t port = nettest::FreePort(false);
  startWith(Udp(port));
  click(dyn().drt);
  time_.advance(1000);
  nettest::Peer automation(false);
  ASSERT_TRUE(automation.sendTo(port, "Kept \xC3\xA9t\xC3\xA9"));
  EXPECT_EQ(nextRt(), RtLine("Now: Kept \xE9t\xE9"));
  for (const char* blank : {"\n", "", "\r\n", " \t "}) ASSERT_TRUE(automation.sendTo(port, blank));
  time_.advance(3000);
  EXPECT_EQ(received(1, 0), "") << "a blank datagram wipes nothing";
  closeProgram();

  hi::ResetRuntime();
  startConnected();
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  received(1, 0);
  click(dyn().drt);
  EXPECT_EQ(nextRt(), RtLine("Now: Kept \xE9t\xE9"));
  EXPECT_FALSE(dyn().sourceState.visible());
  time_.advance(1000);
  ASSERT_TRUE(automation.sendTo(port, "Next"));
  EXPECT_EQ(nextRt(), RtLine("Now: Next"));
  std::ifstream stored(hi::THIStrList::StoredTitlePath(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stored), {}), "Next");
}

// An address is taken into use when its typing is done, never half-typed; a slip in its scheme
// is a malformed address, not a file name. The page shows the whole problem.
TEST_F(NowPlayingTest, ATypedAddressIsUsedWhenTheTypingIsDone) {
  std::FILE* log = std::tmpfile();
  platform::SetEventLog(log);
  const uint16_t port = nettest::FreePort(false);
  startWith(path("np.txt"));
  click(dyn().drt);
  time_.advance(1000);
  const std::string address = Udp(port);
  type(field(), "");
  for (char c : address) {
    QTest::keyClick(field().widget(), c);
    time_.advance(1000);
    EXPECT_EQ(listener(), nullptr) << "typed so far";
  }
  time_.advance(2000);
  EXPECT_NE(listener(), nullptr) << "two seconds after the last key";
  EXPECT_EQ(setting("Dynamic RT and PS", "Scroll"), address);

  hi::THILabel& state = dyn().sourceState;
  use("udp:/127.0.0.1:5005");
  time_.advance(1000);
  EXPECT_EQ(listener(), nullptr);
  EXPECT_EQ(state.caption(), "'Now playing' source: malformed address, write udp://ADDRESS:PORT");
  use("udp://127.0.0.1:70000");
  time_.advance(1000);
  EXPECT_EQ(state.caption(), "'Now playing' source: port 70000 out of range 1-65535");
  // Shown whole, where the picture gives way to it.
  EXPECT_FALSE(dyn().picture.visible());
  const QLabel* label = qobject_cast<const QLabel*>(state.widget());
  ASSERT_NE(label, nullptr);
  EXPECT_LE(label->heightForWidth(label->width()), label->height());
  for (const std::string& text :
       {state.caption(),
        std::string("'Now playing' source: not a numeric address: automation.example"),
        std::string("'Now playing' source: 192.0.2.1 is no address of this computer")}) {
    EXPECT_LE(label->fontMetrics()
                  .boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap,
                                QString::fromStdString(text))
                  .height(),
              label->height())
        << text;
  }
  platform::SetEventLog(nullptr);
  std::rewind(log);
  std::string text(8192, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), log));
  std::fclose(log);
  EXPECT_EQ(text.find("udp://127.0.0.1:5 "), std::string::npos) << text;
  EXPECT_EQ(text.find("udp://127.0.0.1:" + std::to_string(port).substr(0, 2) + " "),
            std::string::npos)
      << text;
}

TEST_F(NowPlayingTest, AnAddressThatCannotBeListenedOnShowsOnThePageAndInTheLog) {
  std::FILE* log = std::tmpfile();
  platform::SetEventLog(log);
  startWith("udp://127.0.0.1");
  hi::THILabel& state = dyn().sourceState;
  click(dyn().drt);
  time_.advance(1000);
  EXPECT_TRUE(state.visible());
  EXPECT_EQ(state.caption(), "'Now playing' source: no port");
  EXPECT_EQ(listener(), nullptr);

  const uint16_t port = nettest::FreePort(false);
  auto holder = std::make_unique<nettest::Peer>(false);
  ASSERT_TRUE(holder->bind(port));
  use(Udp(port));
  EXPECT_FALSE(state.visible()) << "the old problem goes with the old text";
  time_.advance(1000);
  const std::string inUse = "port " + std::to_string(port) + " in use";
  EXPECT_EQ(state.caption(), "'Now playing' source: " + inUse);
  EXPECT_TRUE(state.visible());
  time_.advance(3000);

  // Tried again at each refresh: listened on as soon as the port is free.
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
  type(dyn().paths[DynamicTextPanel::Temperature], "udp://127.0.0.1:" + std::to_string(port + 1));
  time_.advance(1000);
  EXPECT_EQ(dyn().files[DynamicTextPanel::Temperature].listener(), nullptr);
  platform::SetEventLog(nullptr);
  std::rewind(log);
  std::string text(4096, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), log));
  std::fclose(log);
  const std::string logged = "now-playing source " + Udp(port) + " cannot be read: " + inUse;
  EXPECT_NE(text.find(logged), std::string::npos) << text;
  EXPECT_EQ(text.find(logged), text.rfind(logged)) << "logged once";
  EXPECT_NE(text.find("now-playing source listening on " + Udp(port)), std::string::npos);
  EXPECT_NE(text.find(Udp(port) + ": a title of more than 4096 bytes dropped (logged once)"),
            std::string::npos);
  EXPECT_EQ(text.find("dropped"), text.rfind("dropped"));
}

// A hundred thousand datagrams as fast as the loopback takes them, titles, oversized ones and
// ones that try to end the line, while both engines run: every refresh takes a bounded bite and
// holds nothing back, the heap does not grow, only well-formed PS and RT lines leave, and the
// title sent after the flood is on air at the next RT refresh.
TEST_F(NowPlayingTest, AFloodLeavesTheEngineOnTimeTheMemoryFlatAndTheLinesWellFormed) {
  constexpr int kDatagrams = 100'000;
  const uint16_t port = nettest::FreePort(false);
  startWith(Udp(port));
  click(dyn().dps);
  click(dyn().drt);
  time_.advance(1000);
  received(1, 0);
  ASSERT_NE(listener(), nullptr);
  const size_t heapBefore = LiveHeapBytes();

  std::atomic<bool> sent{false};
  std::thread automation([&] {
    nettest::Peer peer(false);
    const std::string oversized(platform::kTitleBytesLimit + 1, 'x');
    for (int n = 0; n < kDatagrams; ++n) {
      const std::string title = "Flood " + std::to_string(n);
      const std::string variants[] = {title, title + "\r\nPI,0\r\nSM\r\n",
                                      "\xEF\xBB\xBF" + title + " \xC3\xA9t\xC3\xA9"};
      (void)peer.sendTo(port, n % 4 == 3 ? oversized : variants[n % 4]);
    }
    sent = true;
  });
  std::string wire;
  uint64_t taken = 0, mostInOneRefresh = 0;
  size_t mostHeld = 0;
  int refreshes = 0;
  const auto refresh = [&] {
    time_.advance(500);
    ++refreshes;
    const uint64_t now = listener() ? listener()->counts().titles : taken;
    mostInOneRefresh = std::max(mostInOneRefresh, now - taken);
    taken = now;
    mostHeld = std::max(mostHeld, listener() ? listener()->heldBytes() : 0);
    wire += received(1, 0);
  };
  while (!sent) refresh();
  automation.join();
  for (int i = 0; i < 4; ++i) refresh();
  const size_t heapAfter = LiveHeapBytes();

  nettest::Peer peer(false);
  ASSERT_TRUE(peer.sendTo(port, "The title after the flood"));
  // A PS refresh reads it within half a second, and the RT refresh after that sends it.
  time_.advance(1500);
  const std::string last = received(1, 0);
  ASSERT_NE(listener(), nullptr);
  const platform::NowPlayingListener::Counts& counts = listener()->counts();
  RecordProperty("datagrams_taken", std::to_string(counts.titles));
  RecordProperty("datagrams_oversized", std::to_string(counts.oversized));
  RecordProperty("refreshes", refreshes);
  EXPECT_GT(taken, 0u);
  EXPECT_LE(counts.titles + counts.oversized, static_cast<uint64_t>(kDatagrams) + 1);
  EXPECT_LE(mostInOneRefresh, platform::NowPlayingListener::kDatagramsPerPoll +
                                  platform::NowPlayingListener::kDatagramsPerEvent);
  EXPECT_EQ(mostHeld, 0u);
  EXPECT_LT(heapAfter, heapBefore + (256u << 10)) << heapBefore << " -> " << heapAfter;

  vencoder::VirtualEncoder encoder(0);
  vencoder::LineSplitter splitter;
  std::vector<std::string> lines;
  splitter.feed(wire + last, lines);
  EXPECT_EQ(splitter.takeRest(), "");
  std::vector<std::string> titles;
  for (const std::string& line : lines) {
    const vencoder::Decoded decoded = encoder.decode(line);
    EXPECT_EQ(Malformed(decoded), "") << vencoder::JsonString(line);
    EXPECT_TRUE(decoded.command == "PS" || (decoded.command == "RT" && line.size() == 68))
        << vencoder::JsonString(line);
    if (decoded.command == "RT") titles.push_back(line.substr(7, line.find("  ") - 7));
  }
  ASSERT_GE(titles.size(), 2u);
  EXPECT_EQ(titles.back(), "The title after the flood");
  titles.pop_back();
  for (const std::string& title : titles) EXPECT_EQ(title.rfind("Flood ", 0), 0u) << title;
  EXPECT_FALSE(encoder.state().pi || encoder.state().ta || encoder.state().pty);
}

}  // namespace now_playing

}  // namespace apptest
