// A whole day on air on the virtual clock: both dynamic engines, the marquee, clock time and the
// info window running while the automation changes the title every three minutes. Every line that
// reaches the encoder is checked, and the heap and the open descriptors must not grow.
#include <array>
#include <fstream>
#include <iostream>
#include <map>

#include "panel_fixture.h"

namespace apptest {

namespace day {

constexpr uint32_t kMinute = 60'000;
constexpr uint32_t kTitleEvery = 3 * kMinute;
constexpr int kTitlesPerHour = 20;
constexpr int kHours = 24;
constexpr size_t kHeapSlack = 16 << 10;

// Titles as an automation writes them; each starts with its own number, so no two titles in a
// row share a first page. Every fifth one is short enough to stop the marquee.
std::string Title(int n) {
  static const char* const kSongs[] = {"The Beatles - Let It Be", "Nina Simone - Feeling Good",
                                       "\303\211dith Piaf - Non, je ne regrette rien",
                                       "Kraftwerk - Das Model"};
  const std::string number = "No " + std::to_string(1000 + n);
  return n % 5 == 1 ? number + " Jingle" : number + " - " + kSongs[n % 4];
}

// The title as it stands in the RT field: after "Now: ", padded to 64, its UTF-8 "É" now the
// one code-page byte.
std::string RtField(int n) {
  std::string text = "Now: " + Title(n);
  const auto at = text.find("\303\211");
  if (at != std::string::npos) text.replace(at, 2, "\311");
  return (text + std::string(64, ' ')).substr(0, 64);
}

// The lines of an hour by command.
using HourCount = std::map<std::string, int>;

class SimulatedDayTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    addPort(1);
  }
  void writeTitle(int n) { writeFile("np.txt", Title(n) + "\r\n"); }

  // Decodes what arrived, checks every line and counts it into `count`.
  void take(const std::string& bytes, HourCount& count) {
    std::vector<std::string> lines;
    splitter_.feed(bytes, lines);
    for (const std::string& line : lines) {
      const vencoder::Decoded d = encoder_.decode(line);
      ASSERT_EQ(Malformed(d), "") << vencoder::HexBytes(line);
      ++count[d.command];
      if (d.command == "RT") {
        // Titles go on air in the order they were written, none lost or repeated.
        ASSERT_EQ(line.substr(2, line.size() - 4), RtField(rtSeen_++));
      } else if (d.command == "TI") {
        const auto& ct = *encoder_.state().ct;
        const int64_t minute = ct.mjd * 1440 + ct.hour * 60 + ct.minute;
        if (lastMinute_ >= 0) {
          ASSERT_EQ(minute, lastMinute_ + 1) << vencoder::HexBytes(line);
        }
        lastMinute_ = minute;
      }
    }
  }

  vencoder::LineSplitter splitter_;
  vencoder::VirtualEncoder encoder_{0};
  int rtSeen_ = 0;
  int64_t lastMinute_ = -1;
};

TEST_F(SimulatedDayTest, TwentyFourHoursOnAir) {
  writeSetting("Select device", "Device", "0");
  writeSetting("Select device", "COM Port", "COM 1");
  writeSetting("RDS Settings", "CT", "1");
  useDynamicFiles("%NPFile%", "Now: %NPFile%");
  writeSetting("Dynamic RT and PS", "Scroll/Page select", "Page mode");
  writeSetting("Dynamic RT and PS", "Wpos", "4");  // a new page every 2 s
  writeTitle(0);
  // On the minute, so that clock time and the pages keep one rhythm; the day runs into a new year.
  time_.setLocalTime(2026, 12, 31, 12, 0, 0);

  start();
  main_->form.widget()->show();
  fire(main_->info, 0);
  ASSERT_TRUE(main_->infoWindow->form.visible());
  click(connection().connect);
  click(main_->pageButtons[hi::MainWindow::DynamicText]);
  click(main_->dynamicTextPage->dps);
  click(main_->dynamicTextPage->drt);
  ASSERT_TRUE(main_->dynamicTextPage->dps.checked() && main_->dynamicTextPage->drt.checked());

  std::vector<HourCount> hours(kHours);
  size_t heapAfterHour1 = 0, fdsAfterHour1 = 0, heapAfterDay = 0, fdsAfterDay = 0;
  for (int hour = 0; hour < kHours; ++hour) {
    for (int block = 0; block < kTitlesPerHour; ++block) {
      const int n = hour * kTitlesPerHour + block;
      if (n > 0) writeTitle(n);
      time_.advance(kTitleEvery);
      // What the window loop would do between timer ticks: repaint, deferred deletes.
      QApplication::processEvents();
      ASSERT_NO_FATAL_FAILURE(take(received(1, 0), hours[hour]));
    }
    // The terminal layer hands bytes over asynchronously: the hour's last lines are waited for.
    ASSERT_NO_FATAL_FAILURE(take(received(1, 20), hours[hour]));
    if (hour == 0 || hour == kHours - 1) {
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      (hour == 0 ? heapAfterHour1 : heapAfterDay) = LiveHeapBytes();
      (hour == 0 ? fdsAfterHour1 : fdsAfterDay) = OpenFileDescriptors();
    }
  }

  // Pages change every 2 s and each change is one PS line half a second later, but for the blank
  // page that ends each round, which never goes on air; the first hour also holds the clock time
  // of its first second.
  std::vector<HourCount> expected(kHours,
                                  HourCount{{"PS", 1440}, {"RT", kTitlesPerHour}, {"TI", 60}});
  expected[0]["TI"] = 61;
  EXPECT_EQ(hours, expected);
  EXPECT_EQ(encoder_.state().rt, RtField(kHours * kTitlesPerHour - 1));
  EXPECT_EQ(encoder_.state().ct->day, 1);
  EXPECT_EQ(encoder_.state().ct->year, 2027);
  ASSERT_TRUE(main_->nowSendingStrip->marquee.enabled());

  std::cout << "simulated day: heap " << heapAfterHour1 << " -> " << heapAfterDay << " bytes, fds "
            << fdsAfterHour1 << " -> " << fdsAfterDay << "\n";
  EXPECT_EQ(fdsAfterDay, fdsAfterHour1);
  // Qt keeps a few caches of its own (fonts, glyphs, styles) that settle at their own pace; a
  // leak of one block per title or per line would be tens of kilobytes.
  EXPECT_LE(heapAfterDay, heapAfterHour1 + kHeapSlack);
}

}  // namespace day

}  // namespace apptest
