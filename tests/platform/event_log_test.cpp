#include "platform/event_log.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/time_host.h"

using namespace platform;

namespace {
std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string out;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
  return out;
}
}  // namespace

TEST(EventLog, OffUntilGivenAStreamThenOneStampedLinePerEvent) {
  VirtualTimeHost time;
  time.setLocalTime(2024, 3, 9, 7, 5, 4, 21);
  SetTimeHost(&time);
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);

  LogEvent("before");
  EXPECT_FALSE(EventLogOn());
  SetEventLog(file);
  LogEvent("sent " + EscapeBytes("RTA\\B\tC\xE9\x01\x7F\r\n"));
  time.advance(1001);
  LogEvent("port lost");
  SetEventLog(nullptr);
  LogEvent("after");

  EXPECT_EQ(Contents(file),
            "2024-03-09 07:05:04.021 sent RTA\\\\B\\tC\\xE9\\x01\\x7F\\r\\n\n"
            "2024-03-09 07:05:05.022 port lost\n");
  std::fclose(file);
  SetTimeHost(nullptr);
}
