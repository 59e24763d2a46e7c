#include "dyntext/template_expander.h"

#include "elements/log_probe.h"

using namespace hi;
using namespace hi::probe;

namespace {

double At(int year, int month, int day, int hour, int minute, int second) {
  return ToDateTime(platform::LocalDateTime{
      .year = year, .month = month, .day = day, .hour = hour, .minute = minute, .second = second});
}

const char* const kLongTitle =
    "The Very Long Artist Name Featuring Another Artist - An Extremely Long Title (Radio Edit)";

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

TEST_F(TemplateExpanderTest, DatePicturesTimesExactTokensAndOneClockReading) {
  clock.now = At(2026, 12, 5, 14, 5, 9);
  EXPECT_EQ(Expand<PsTemplateExpander>("%Date%|%Time1%%Time2%"), "05-12-26|14:05:0914:05");
  EXPECT_EQ(Expand<PsTemplateExpander>("%date% %DAY% %Time% %Temp"), "%date% %DAY% %Time% %Temp");
  // Were the clock read by each formatter, midnight would fall between the date and the times.
  clock.now = At(2026, 12, 5, 23, 59, 59);
  EXPECT_EQ(Expand<RtTemplateExpander>("%Time2% %Date% %Time1%"), "23:59 05-12-2026 23:59:59");
  EXPECT_EQ(Expand<RtTemplateExpander>("%Time2% %Date% %Time1%"), "00:00 06-12-2026 00:00:00");
  for (const auto& [code, day] : {std::pair{"00", "s:Sun"}, {"01", "s:Mon"}})
    EXPECT_EQ(Select(code), Log{day});
  EXPECT_EQ(Select("07"), Log{});
}

// A title too long for the RT gives way to the template's own text; no title known yet holds a
// template that shows one. Values are text: a token inside a title, a temperature or a day name
// stays as it is.
TEST_F(TemplateExpanderTest, ALongTitleIsShortenedAndInsertedValuesAreNeverReadAgain) {
  clock.now = At(2026, 12, 5, 9, 33, 0);
  const std::string title = kLongTitle;
  const auto rt = [&](const char* text, int lineLength, int missing = 0,
                      const std::vector<std::string>& values = {"21", kLongTitle, "Sat"}) {
    return Run<RtTemplateExpander>({D::Str(text), D(), D::Str(values[0]), D::Str(values[1]),
                                    D::Str(values[2]), D::Int(lineLength), D::Int(missing)},
                                   1);
  };
  const std::string shown = "s:Now on air: The Very Long Artist Name Featuring Anoth... (09:33)";
  EXPECT_EQ(rt("Now on air: %NPFile% (%Time2%)  ", 66), Log{shown + "  "});
  EXPECT_EQ(rt("%NPFile%", 34), Log{"s:" + title.substr(0, 29) + "..."});
  EXPECT_EQ(rt("%NPFile% %Temp%", 0), Log{"s:" + title + " 21"}) << "no width, no cut";
  EXPECT_EQ(rt("Now: %NPFile%", 66, 1), Log{});
  EXPECT_EQ(rt("Now: %Temp%", 66, 1), Log{"s:Now: 21"});
  EXPECT_EQ(rt("%NPFile%|%Temp%|%Day%", 66, 0, {"%Time1%", "%Day% %Date% 100%", "%NPFile%"}),
            Log{"s:%Day% %Date% 100%|%Time1%|%NPFile%"});
}

}  // namespace
