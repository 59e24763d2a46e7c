// All time goes through the time host: local date and time, a millisecond tick count and timers.
// The program installs the window layer's host; tests install VirtualTimeHost and move the clock
// by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

struct LocalDateTime {
  int year = 2000;
  int month = 1;      // 1..12
  int day = 1;        // 1..31
  int dayOfWeek = 6;  // 0 Sunday .. 6 Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Days since 1970-01-01 of a civil date, and back. A month outside 1..12 counts on from the
// year's January (13 is the next January, 0 the December before) and a day outside the month
// from its first, so any three numbers name a day.
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);
// RDS clock time counts Modified Julian Days, from 17 November 1858; 1970-01-01 is day 40587.
inline constexpr int64_t kUnixEpochMjd = 40587;
inline int64_t ModifiedJulianDay(int year, int month, int day) {
  return DaysFromCivil(year, month, day) + kUnixEpochMjd;
}
// Milliseconds since 1970-01-01 00:00 of a local date and time, and back (day of week filled).
int64_t ToEpochMs(const LocalDateTime& t);
LocalDateTime FromEpochMs(int64_t ms);

// A periodic timer: after start(interval) it ticks every interval milliseconds until stopped.
class HostTimer {
 public:
  virtual ~HostTimer() = default;
  virtual void start(uint32_t intervalMs) = 0;
  virtual void stop() = 0;
  // Changes the interval; an active timer restarts its period from now.
  virtual void setInterval(uint32_t intervalMs) = 0;
  virtual bool active() const = 0;
};

// While it lives, its callback runs on the window's thread whenever its socket has something to
// read: a datagram, bytes, a connection or the end of one. The callback may destroy the watch.
class SocketWatch {
 public:
  virtual ~SocketWatch() = default;
};

class TimeHost {
 public:
  virtual ~TimeHost() = default;
  virtual LocalDateTime now() = 0;
  // Milliseconds from an arbitrary origin, wrapping at 2^32.
  virtual uint32_t tickCount() = 0;
  // The tick callback never runs nested inside itself.
  virtual std::unique_ptr<HostTimer> createTimer(std::function<void()> onTick) = 0;
  // `socket` is a platform::SocketHandle. Null from a host that cannot watch sockets: the owner
  // then reads only at its own timers.
  virtual std::unique_ptr<SocketWatch> watchSocket(intptr_t socket,
                                                   std::function<void()> onReadable) = 0;
};

// The process-wide host. Until one is installed, a SystemTimeHost serves.
TimeHost& Time();
void SetTimeHost(TimeHost* host);

// Timers kept in a list and fired by hand against a millisecond clock; the base of the virtual
// host and of the system host for programs without a window loop.
class ScheduledTimeHost : public TimeHost {
 public:
  ScheduledTimeHost();
  ~ScheduledTimeHost() override;
  // The timers point at their host's list.
  ScheduledTimeHost(const ScheduledTimeHost&) = delete;
  ScheduledTimeHost& operator=(const ScheduledTimeHost&) = delete;
  std::unique_ptr<HostTimer> createTimer(std::function<void()> onTick) override;
  std::unique_ptr<SocketWatch> watchSocket(intptr_t socket,
                                           std::function<void()> onReadable) override;
  // Calls the watch of every socket that has something to read now, once each, in the order the
  // watches were made; waits for nothing.
  void deliverSocketEvents();

 protected:
  // Fires every timer due at or before `until` in time order (ties in creation order), moving
  // the clock through `setClock` to each due time first.
  void fireDue(int64_t until);
  virtual int64_t clockMs() const = 0;
  virtual void setClock(int64_t ms) = 0;

 private:
  struct Entry;
  class Timer;
  struct Watched;
  class Watch;
  std::vector<Entry*> timers_;
  std::vector<Watched*> watches_;
  uint64_t created_ = 0;
};

class VirtualTimeHost : public ScheduledTimeHost {
 public:
  VirtualTimeHost();
  void setLocalTime(const LocalDateTime& t);
  void setLocalTime(int year, int month, int day, int hour, int minute, int second, int ms = 0);
  // Delivers the socket events of this moment, then moves the clock forward, firing every timer
  // that falls due on the way.
  void advance(uint32_t ms);
  LocalDateTime now() override;
  uint32_t tickCount() override;

 protected:
  int64_t clockMs() const override { return clock_; }
  void setClock(int64_t ms) override { clock_ = ms; }

 private:
  int64_t clock_ = 0;      // milliseconds since the host was made
  int64_t localBase_ = 0;  // local epoch milliseconds at clock_ 0
};

// The machine's clock; socket events and timers are delivered from runDue().
class SystemTimeHost : public ScheduledTimeHost {
 public:
  LocalDateTime now() override;
  uint32_t tickCount() override;
  void runDue();

 protected:
  int64_t clockMs() const override;
  void setClock(int64_t) override {}
};

}  // namespace platform
