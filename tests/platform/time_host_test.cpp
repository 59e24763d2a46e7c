#include <gtest/gtest.h>

#include <tuple>

#include "platform/time_host.h"

using namespace platform;

TEST(VirtualTime, InterleavedTimersFireInTimeOrderAndCount) {
  VirtualTimeHost host;
  std::vector<std::string> log;
  auto fast = host.createTimer([&] { log.push_back("300@" + std::to_string(host.tickCount())); });
  auto slow = host.createTimer([&] { log.push_back("500@" + std::to_string(host.tickCount())); });
  fast->start(300);
  slow->start(500);
  host.advance(1000);
  EXPECT_EQ(log,
            (std::vector<std::string>{"300@300", "500@500", "300@600", "300@900", "500@1000"}));
  EXPECT_EQ(host.tickCount(), 1000u);

  // Stopping inside a tick stops; a one-shot restarts itself from its own tick.
  log.clear();
  fast->stop();
  int shots = 0;
  std::unique_ptr<HostTimer> once;
  once = host.createTimer([&] {
    ++shots;
    once->stop();
  });
  once->start(100);
  host.advance(1000);
  EXPECT_EQ(shots, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"500@1500", "500@2000"}));
}

TEST(VirtualTime, NoNestedTickAndIntervalChange) {
  VirtualTimeHost host;
  int ticks = 0, depth = 0, maxDepth = 0;
  std::unique_ptr<HostTimer> t;
  t = host.createTimer([&] {
    ++ticks;
    maxDepth = std::max(maxDepth, ++depth);
    if (ticks == 1) host.advance(500);  // a handler that runs long: no tick of its own inside
    --depth;
  });
  t->start(100);
  host.advance(100);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(host.tickCount(), 600u);
  host.advance(0);  // the periods missed meanwhile come as one late tick
  EXPECT_EQ(ticks, 2);
  host.advance(99);
  EXPECT_EQ(ticks, 2);
  host.advance(1);
  EXPECT_EQ(ticks, 3);
  t->setInterval(1000);  // restarts the period from now
  host.advance(999);
  EXPECT_EQ(ticks, 3);
  host.advance(1);
  EXPECT_EQ(ticks, 4);
}

TEST(Calendar, MonthsAndDaysBeyondTheirRangesCarryOverLeapYearsIncluded) {
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(ModifiedJulianDay(1858, 11, 17), 0);
  using Date = std::tuple<int, int, int>;
  const std::pair<Date, Date> cases[] = {
      {{2023, 13, 1}, {2024, 1, 1}},  {{2024, 15, 1}, {2025, 3, 1}},
      {{2024, 25, 1}, {2026, 1, 1}},  {{2024, 0, 31}, {2023, 12, 31}},
      {{2024, -11, 1}, {2023, 1, 1}}, {{2024, -12, 1}, {2022, 12, 1}},
      {{2024, 2, 30}, {2024, 3, 1}},  {{2023, 2, 29}, {2023, 3, 1}},
      {{2100, 2, 29}, {2100, 3, 1}},  {{2000, 2, 29}, {2000, 2, 29}},
      {{2024, 3, 0}, {2024, 2, 29}},  {{2024, 1, 366}, {2024, 12, 31}},
      {{2023, 1, 366}, {2024, 1, 1}}, {{1900, 3, -59}, {1899, 12, 31}},
  };
  for (const auto& [in, out] : cases) {
    Date got;
    CivilFromDays(std::apply(DaysFromCivil, in), std::get<0>(got), std::get<1>(got),
                  std::get<2>(got));
    EXPECT_EQ(got, out) << std::get<0>(in) << "-" << std::get<1>(in) << "-" << std::get<2>(in);
  }
  for (int64_t days = -800000; days < 800000; days += 97) {
    int y, m, d;
    CivilFromDays(days, y, m, d);
    ASSERT_EQ(DaysFromCivil(y, m, d), days);
    ASSERT_TRUE(m >= 1 && m <= 12 && d >= 1 && d <= 31) << days;
  }
}
