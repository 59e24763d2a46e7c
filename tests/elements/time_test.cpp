#include "elements/time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace hi;

namespace time_test {

class Log : public TDebug {
 public:
  std::vector<std::string> entries;
  std::string name;
  void doTimer(TData&, uint16_t) { entries.push_back("timer"); }
  void doStop(TData&, uint16_t) { entries.push_back("stop"); }
  void doRecord(TData& d, uint16_t) { entries.push_back(ToString(d)); }
};

class TimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoopsLive(true);
    platform::SetTimeHost(&host);
    host.setLocalTime(2027, 2, 1, 9, 5, 3);
  }
  void TearDown() override { platform::SetTimeHost(nullptr); }
  template <auto M, class E>
  TData call(E& element, TData data = TData()) {
    TLink l;
    link<M>(l, element);
    Fire(l, data);
    return data;
  }
  platform::VirtualTimeHost host;
  Log log;
};

}  // namespace time_test

using namespace time_test;

TEST_F(TimeTest, TimerCountStopsAfterExactlyThatManyTicksAndRestartRearms) {
  THITimer timer;
  link<&Log::doTimer>(timer.onTimer, log);
  link<&Log::doStop>(timer.onStop, log);
  timer.setInterval(100);
  timer.setCount(1);
  call<&THITimer::doStart>(timer);
  host.advance(1000);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"timer", "stop"}));
  EXPECT_FALSE(timer.enabled());

  // A running timer started again counts from the beginning.
  log.entries.clear();
  timer.setCount(3);
  call<&THITimer::doStart>(timer);
  host.advance(200);
  call<&THITimer::doStart>(timer);
  host.advance(1000);
  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"timer", "timer", "timer", "timer", "timer", "stop"}));

  // Count 0 runs until stopped; the interval changes without stopping it.
  log.entries.clear();
  timer.setCount(0);
  call<&THITimer::doStart>(timer);
  host.advance(250);
  call<&THITimer::doInterval>(timer, TData::Str("1000"));
  EXPECT_TRUE(timer.enabled());
  host.advance(999);
  EXPECT_EQ(log.entries.size(), 2u);
  host.advance(1);
  call<&THITimer::doStop>(timer);
  host.advance(5000);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"timer", "timer", "timer", "stop"}));
}

TEST_F(TimeTest, TimerEnabledAtBuildTimeAndStoppedFromItsOwnTick) {
  THITimer timer;
  timer.setEnable(true);
  link<&Log::doTimer>(timer.onTimer, log);
  host.advance(3000);
  EXPECT_EQ(log.entries.size(), 3u);

  // A handler that stops the timer ends the ticking at once.
  THITimer other;
  Log stopper;
  link<&THITimer::doStop>(other.onTimer, other);
  link<&Log::doStop>(other.onStop, stopper);
  other.setInterval(0);  // the shortest period of the host
  call<&THITimer::doStart>(other);
  host.advance(100);
  EXPECT_EQ(stopper.entries, (std::vector<std::string>{"stop"}));
}

TEST_F(TimeTest, TimeTextReplacesEachLetterWithTwoDigits) {
  THITime time;
  time.format = "Y;M;D;h;m;s W";
  TData text;
  time.TimeText(text, 0);
  EXPECT_EQ(text.text, "2027;02;01;09;05;03 01");  // 1 February 2027 is a Monday
  time.format = "Now: 24/7!";
  time.TimeText(text, 0);
  EXPECT_EQ(text.text, "Now: 24/7!");
  host.setLocalTime(2026, 12, 25, 23, 59, 59);
  time.format = "hh";
  time.TimeText(text, 0);
  EXPECT_EQ(text.text, "2323");
}

TEST_F(TimeTest, DateConvertorFormatsNowWithDateAndTimePictures) {
  THITime time;
  THIDateConvertor convertor;
  link<&THITime::Now>(convertor.DateTime, time);
  link<&Log::doRecord>(convertor.onResult, log);
  for (const char* picture : {"yyyy;MM;dd;HH;mm;ss", "HH:mm", "dd-MM-yyyy", "dd-MM-yy",
                              "dddd d MMMM 'at' h:mm tt, ddd MMM y ''s''"}) {
    convertor.format = picture;
    call<&THIDateConvertor::doConvert>(convertor);
  }
  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"2027;02;01;09;05;03", "09:05", "01-02-2027", "01-02-27",
                                      "Monday 1 February at 9:05 AM, Mon Feb 27 '3'"}));

  // Day 0 is 30 December 1899; the fraction is the time of day.
  TData now;
  time.Now(now, 0);
  EXPECT_NEAR(now.real, 46419.0 + (9 * 3600 + 5 * 60 + 3) / 86400.0, 1e-9);
  log.entries.clear();
  THIDateConvertor plain;
  link<&Log::doRecord>(plain.onResult, log);
  plain.format = "yyyy-MM-dd HH:mm:ss";
  const double bad[] = {202751589.5, std::nan(""), -1e300, std::numeric_limits<double>::infinity()};
  for (double d : bad) call<&THIDateConvertor::doConvert>(plain, TData::Real(d));
  EXPECT_TRUE(log.entries.empty());
  EXPECT_EQ(plain.lastValue(), std::numeric_limits<double>::infinity());
  call<&THIDateConvertor::doConvert>(plain, TData::Real(0.75));
  EXPECT_EQ(log.entries, (std::vector<std::string>{"1899-12-30 18:00:00"}));
  EXPECT_EQ(plain.result().text, "1899-12-30 18:00:00");
}

TEST_F(TimeTest, TimeCounterMeasuresModuloTheTickRange) {
  THITimeCounter counter;
  link<&Log::doRecord>(counter.onStop, log);
  link<&Log::doRecord>(counter.onStart, log);
  host.advance(1234);
  call<&THITimeCounter::doStop>(counter);
  host.advance(0xFFFFFFFFu - 1234 - 10);
  call<&THITimeCounter::doStart>(counter, TData::Str("passed on"));
  host.advance(30);
  call<&THITimeCounter::doStop>(counter);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"1234", "passed on", "30"}));
}
