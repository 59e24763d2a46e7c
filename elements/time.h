// Time elements: a message-loop timer, the local clock, date and time pictures, and a stopwatch.
//
// The date-time real counts days since 30 December 1899 (day 0) in its whole part, the host's
// usual numbering; the fraction is the time of day (milliseconds since midnight / 86400000).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/time_host.h"
#include "runtime/runtime.h"

namespace hi {

// Days from 30 December 1899 to 1 January 1970.
constexpr double kDateTimeEpochOffset = 25569.0;

double ToDateTime(const platform::LocalDateTime& t);
// The local date and time of a date-time real; false when it is not a number or lies before
// the year 100 or beyond day 202751590.
bool FromDateTime(double dateTime, platform::LocalDateTime& t);
// The host's date picture (d, dd, ddd, dddd, M..MMMM, y, yy, yyyy) and time picture (h, hh, H,
// HH, m, mm, s, ss, t, tt) letters; text in single quotes stays as it is. The date pass keeps
// the quotes (and quotes the names it inserts) for the time pass that follows it.
std::string FormatDatePicture(const std::string& picture, const platform::LocalDateTime& t);
std::string FormatTimePicture(const std::string& picture, const platform::LocalDateTime& t);

// Ticks through the time host's timers, which run from the message loop.
class THITimer : public TDebug {
 public:
  THITimer();
  ~THITimer();
  THITimer(const THITimer&) = delete;
  THITimer& operator=(const THITimer&) = delete;

  uint8_t queueTicks = 0;  // 1: a tick that arrives during a running tick's work is kept

  TLink onTimer;
  TLink onStop;

  void doStart(TData& data, uint16_t index);
  void doStop(TData& data, uint16_t index);
  void doInterval(TData& data, uint16_t index);

  // Milliseconds; an enabled timer restarts its period from now.
  void setInterval(int32_t ms);
  void setEnable(bool enable);
  // Sets Count and the remaining ticks.
  void setCount(int32_t count);

  int32_t interval() const { return interval_; }
  bool enabled() const { return timer_->active(); }
  int32_t count() const { return count_; }

 private:
  void tick();
  void stop();

  int32_t nesting_ = 0;
  std::unique_ptr<platform::HostTimer> timer_;
  int32_t remaining_ = 0;
  int32_t count_ = 0;
  int32_t interval_ = 1000;
};

class THITime : public TDebug {
 public:
  std::string format;

  // format with Y, M, W, D, h, m, s replaced by the local year, month, day of week (0 Sunday),
  // day, hour, minute and second, each at least two digits.
  void TimeText(TData& data, uint16_t index);
  // The local date and time as a date-time real.
  void Now(TData& data, uint16_t index);
};

class THITimeCounter : public TDebug {
 public:
  TLink onStop;
  TLink onStart;

  void doStart(TData& data, uint16_t index);
  void doStop(TData& data, uint16_t index);

 private:
  uint32_t start_ = 0;
};

class THIDateConvertor : public TDebug {
 public:
  std::string format;

  TLink DateTime;
  TLink onResult;

  void doConvert(TData& data, uint16_t index);

  const TData& result() const { return result_; }
  double lastValue() const { return last_; }

 private:
  TData result_;
  double last_ = 0.0;
};

}  // namespace hi
