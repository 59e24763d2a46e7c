#include "dyntext/template_expander.h"

#include <algorithm>
#include <string>

#include "elements/log_probe.h"

using namespace hi;
using namespace hi::probe;

namespace {

double At(int year, int month, int day, int hour, int minute, int second) {
  return ToDateTime(platform::LocalDateTime{
      .year = year, .month = month, .day = day, .hour = hour, .minute = minute, .second = second});
}

// A clock that moves on by one second every time it is read.
struct TickingClock : TDebug {
  double now = 0.0;
  void Value(TData& d, uint16_t) {
    d = TData::Real(now);
    now += 1.0 / 86400.0;
  }
};

class TemplateExpanderTest : public ElementTest {
 protected:
  template <class C>
  std::string Expand(const std::string& text) {
    THIMultiElement outer{1, 5};
    Sink(outer.onEvent[0], "out");
    Source(outer.Data[0], D::Str(text), "template");
    link<&TickingClock::Value>(outer.Data[1], clock);
    Source(outer.Data[2], D::Str(temperature), "temperature");
    Source(outer.Data[3], D::Str(nowPlaying), "now playing");
    Source(outer.Data[4], D::Str(day), "day");
    outer.build<C>(nullptr);
    gLog.clear();
    Call<&THIMultiElement::doWork>(outer, D::Str("ignored"));
    auto outs = std::count_if(gLog.begin(), gLog.end(),
                              [](const std::string& l) { return l.rfind("out ", 0) == 0; });
    EXPECT_EQ(outs, 1);
    return gLog.back().rfind("out s:", 0) == 0 ? gLog.back().substr(6) : "<" + gLog.back() + ">";
  }
  TickingClock clock;
  std::string temperature = "-3 C", nowPlaying = "Artist - Title", day = "Saturday";
};

TEST_F(TemplateExpanderTest, DatePicturesAndTimes) {
  clock.now = At(2026, 12, 5, 14, 5, 9);
  EXPECT_EQ(Expand<PsTemplateExpander>("%Date%|%Time1%%Time2%"), "05-12-26|14:05:0914:05");
  clock.now = At(2026, 12, 5, 14, 5, 9);
  EXPECT_EQ(Expand<RtTemplateExpander>("%Date% %Time2%"), "05-12-2026 14:05");
}

TEST_F(TemplateExpanderTest, OneClockReadingPerExpansion) {
  // Were the clock read by each formatter, midnight would fall between the date and the times.
  clock.now = At(2026, 12, 5, 23, 59, 59);
  EXPECT_EQ(Expand<RtTemplateExpander>("%Time2% %Date% %Time1%"), "23:59 05-12-2026 23:59:59");
  EXPECT_EQ(Expand<RtTemplateExpander>("%Time2% %Date% %Time1%"), "00:00 06-12-2026 00:00:00");
}

TEST_F(TemplateExpanderTest, TokensAndTheTextsThatFillThem) {
  clock.now = At(2026, 12, 5, 14, 5, 9);
  EXPECT_EQ(Expand<PsTemplateExpander>("RADIO 1\r\nline 2\r\n"), "RADIO 1\r\nline 2\r\n");
  EXPECT_EQ(Expand<PsTemplateExpander>(""), "");
  EXPECT_EQ(Expand<PsTemplateExpander>("%date% %DAY% %Time% %Temp"), "%date% %DAY% %Time% %Temp");
  EXPECT_EQ(Expand<PsTemplateExpander>("%NPFile%/%NPFile%"), "Artist - Title/Artist - Title");
  EXPECT_EQ(Expand<PsTemplateExpander>("%Temp%, %Day%"), "-3 C, Saturday");

  // A value is searched only by the replacers after its own: %Date% %Time1% %Time2% %Temp% come
  // first, %NPFile% and %Day% later.
  temperature = "%Date% %Time1% %Temp% %NPFile% %Day%";
  nowPlaying = "%Date% %Temp% %NPFile% %Day% %1";
  EXPECT_EQ(Expand<PsTemplateExpander>("T=%Temp%"),
            "T=%Date% %Time1% %Temp% %Date% %Temp% %NPFile% Saturday %1 Saturday");
  EXPECT_EQ(Expand<PsTemplateExpander>("N=%NPFile%"), "N=%Date% %Temp% %NPFile% Saturday %1");

  // No day name configured: the token disappears.
  day.clear();
  EXPECT_EQ(Expand<PsTemplateExpander>("[%Day%]"), "[]");
}

class DayNameSelectorTest : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    Sink(outer.onEvent[0], "out");
    code = &Source(outer.Data[0], D::Str("00"), "code");
    const char* names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (uint16_t i = 0; i < 7; ++i) Source(outer.Data[i + 1u], D::Str(names[i]), names[i]);
    outer.build<DayNameSelector>(nullptr);
  }
  Log Select(const char* weekday) {
    code->answer = D::Str(weekday);
    gLog.clear();
    Call<&THIMultiElement::doWork>(outer);
    Log outs;
    for (const std::string& l : gLog)
      if (l.rfind("out ", 0) == 0) outs.push_back(l.substr(4));
    return outs;
  }
  THIMultiElement outer{1, 8};
  Probe* code = nullptr;
};

TEST_F(DayNameSelectorTest, EachCodePicksItsOneName) {
  EXPECT_EQ(Select("00"), (Log{"s:Sun"}));
  EXPECT_EQ(Select("01"), (Log{"s:Mon"}));
  EXPECT_EQ(Select("06"), (Log{"s:Sat"}));
  EXPECT_EQ(Select("07"), Log{});
}

}  // namespace
