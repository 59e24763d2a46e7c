#include "dyntext/template_expander.h"

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
  // Builds C with `data` on its readables (the clock on readable `clockAt`), runs it once and
  // returns what it sent.
  template <class C>
  Log Run(const std::vector<TData>& data, size_t clockAt = SIZE_MAX) {
    THIMultiElement outer{1, static_cast<uint16_t>(data.size())};
    Sink(outer.onEvent[0], "out");
    for (uint16_t i = 0; i < data.size(); ++i) {
      if (i == clockAt)
        link<&TickingClock::Value>(outer.Data[i], clock);
      else
        Source(outer.Data[i], data[i], "in");
    }
    outer.build<C>(nullptr);
    gLog.clear();
    Call<&THIMultiElement::doWork>(outer, D::Str("ignored"));
    Log outs;
    for (const std::string& l : gLog)
      if (l.rfind("out ", 0) == 0) outs.push_back(l.substr(4));
    return outs;
  }
  template <class C>
  std::string Expand(const std::string& text) {
    const Log outs = Run<C>({D::Str(text), D(), D::Str("v"), D::Str("v"), D::Str("v")}, 1);
    return outs.size() == 1 ? outs[0].substr(2) : "<" + std::to_string(outs.size()) + " texts>";
  }
  Log Select(const char* code) {
    std::vector<TData> data{D::Str(code)};
    for (const char* name : {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"})
      data.push_back(D::Str(name));
    return Run<DayNameSelector>(data);
  }
  TickingClock clock;
};

TEST_F(TemplateExpanderTest, DatePicturesTimesAndExactTokens) {
  clock.now = At(2026, 12, 5, 14, 5, 9);
  EXPECT_EQ(Expand<PsTemplateExpander>("%Date%|%Time1%%Time2%"), "05-12-26|14:05:0914:05");
  EXPECT_EQ(Expand<PsTemplateExpander>("%date% %DAY% %Time% %Temp"), "%date% %DAY% %Time% %Temp");
}

TEST_F(TemplateExpanderTest, OneClockReadingPerExpansion) {
  // Were the clock read by each formatter, midnight would fall between the date and the times.
  clock.now = At(2026, 12, 5, 23, 59, 59);
  EXPECT_EQ(Expand<RtTemplateExpander>("%Time2% %Date% %Time1%"), "23:59 05-12-2026 23:59:59");
  EXPECT_EQ(Expand<RtTemplateExpander>("%Time2% %Date% %Time1%"), "00:00 06-12-2026 00:00:00");
}

TEST_F(TemplateExpanderTest, EachDayCodePicksItsOneName) {
  EXPECT_EQ(Select("00"), (Log{"s:Sun"}));
  EXPECT_EQ(Select("01"), (Log{"s:Mon"}));
  EXPECT_EQ(Select("07"), Log{});
}

}  // namespace
