#include "elements/time.h"

#include <cmath>

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;

class TimeTest : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    platform::SetTimeHost(&host);
    host.setLocalTime(2027, 2, 1, 9, 5, 3);
  }
  void TearDown() override { platform::SetTimeHost(nullptr); }
  platform::VirtualTimeHost host;
};

TEST_F(TimeTest, TimerCountStopsAfterExactlyThatManyTicksAndRestartRearms) {
  THITimer timer;
  Sinks({{&timer.onTimer, "tick"}, {&timer.onStop, "stop"}});
  timer.setInterval(100);
  timer.setCount(1);
  Call<&THITimer::doStart>(timer);
  host.advance(1000);
  EXPECT_EQ(gLog, (Log{"tick null", "stop null"}));

  // A running timer started again counts from the beginning.
  gLog.clear();
  timer.setCount(3);
  Call<&THITimer::doStart>(timer);
  host.advance(200);
  Call<&THITimer::doStart>(timer);
  host.advance(1000);
  EXPECT_EQ(gLog.size(), 6u);

  // Count 0 runs until stopped; a new interval keeps it running.
  gLog.clear();
  timer.setCount(0);
  Call<&THITimer::doStart>(timer);
  host.advance(250);
  Call<&THITimer::doInterval>(timer, D::Str("1000"));
  host.advance(1000);
  Call<&THITimer::doStop>(timer);
  host.advance(5000);
  EXPECT_EQ(gLog, (Log{"tick null", "tick null", "tick null", "stop null"}));

  // Enabled at build time it runs without doStart; stopped from its own tick it ends at once.
  THITimer other;
  other.setEnable(true);
  link<&THITimer::doStop>(other.onTimer, other);
  Sink(other.onStop, "other stop");
  host.advance(3000);
  EXPECT_EQ(gLog.back(), "other stop null");
}

TEST_F(TimeTest, TimeTextAndDatePictures) {
  THITime time;
  time.format = "Y;M;D;h;m;s W, Now: 24/7!";
  EXPECT_EQ(ReadPoint<&THITime::TimeText>(time).text, "2027;02;01;09;05;03 01, Now: 24/7!");
  // Day 0 is 30 December 1899.
  EXPECT_NEAR(ReadPoint<&THITime::Now>(time).real, 46419 + (9 * 3600 + 5 * 60 + 3) / 86400.0, 1e-9);

  THIDateConvertor convertor;
  link<&THITime::Now>(convertor.DateTime, time);
  Sink(convertor.onResult, "date");
  for (const char* picture :
       {"yyyy;MM;dd;HH;mm;ss", "dd-MM-yy W", "dddd d MMMM 'at' h:mm tt ''s''"}) {
    convertor.format = picture;
    Call<&THIDateConvertor::doConvert>(convertor);
  }
  // Values that are no date give nothing.
  THIDateConvertor plain;
  Sink(plain.onResult, "plain");
  plain.format = "yyyy-MM-dd HH:mm:ss";
  for (double d : {202751589.5, std::nan(""), -1e300, 0.75})
    Call<&THIDateConvertor::doConvert>(plain, D::Real(d));
  EXPECT_EQ(gLog, (Log{"date s:2027;02;01;09;05;03", "date s:01-02-27 01",
                       "date s:Monday 1 February at 9:05 AM '3'", "plain s:1899-12-30 18:00:00"}));
}
