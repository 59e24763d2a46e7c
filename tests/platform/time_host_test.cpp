#include <gtest/gtest.h>

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
