#include "platform/time_host.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace platform {

int64_t DaysFromCivil(int year, int month, int day) {
  // Counted from March, so that a leap day ends its year; months beyond the year move it.
  const int64_t fromMarch = static_cast<int64_t>(month) - 3;
  const int64_t yearsOver = fromMarch >= 0 ? fromMarch / 12 : (fromMarch - 11) / 12;
  const int64_t y = year + yearsOver;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = fromMarch - 12 * yearsOver;
  const int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int64_t ToEpochMs(const LocalDateTime& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day);
  return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + int64_t{t.second} * 1000 + t.millisecond;
}

LocalDateTime FromEpochMs(int64_t ms) {
  constexpr int64_t kDay = 86400000;
  int64_t days = ms >= 0 ? ms / kDay : -((-ms + kDay - 1) / kDay);
  int64_t rest = ms - days * kDay;
  LocalDateTime t;
  CivilFromDays(days, t.year, t.month, t.day);
  t.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  t.hour = static_cast<int>(rest / 3600000);
  t.minute = static_cast<int>(rest / 60000 % 60);
  t.second = static_cast<int>(rest / 1000 % 60);
  t.millisecond = static_cast<int>(rest % 1000);
  return t;
}

namespace {
SystemTimeHost& DefaultHost() {
  static SystemTimeHost host;
  return host;
}
TimeHost* gHost = nullptr;
}  // namespace

TimeHost& Time() { return gHost ? *gHost : DefaultHost(); }
void SetTimeHost(TimeHost* host) { gHost = host; }

struct ScheduledTimeHost::Entry {
  std::function<void()> onTick;
  uint64_t order = 0;
  uint32_t interval = 0;
  int64_t due = 0;
  bool active = false;
  bool running = false;
};

class ScheduledTimeHost::Timer : public HostTimer {
 public:
  Timer(ScheduledTimeHost& host, Entry* entry) : host_(host), entry_(entry) {}
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer() override {
    auto& list = host_.timers_;
    list.erase(std::remove(list.begin(), list.end(), entry_), list.end());
    delete entry_;
  }
  void start(uint32_t intervalMs) override {
    entry_->interval = std::max<uint32_t>(intervalMs, 1);
    entry_->due = host_.clockMs() + entry_->interval;
    entry_->active = true;
  }
  void stop() override { entry_->active = false; }
  void setInterval(uint32_t intervalMs) override {
    if (entry_->active) {
      start(intervalMs);
    } else {
      entry_->interval = std::max<uint32_t>(intervalMs, 1);
    }
  }
  bool active() const override { return entry_->active; }

 private:
  ScheduledTimeHost& host_;
  Entry* entry_;
};

ScheduledTimeHost::ScheduledTimeHost() = default;

ScheduledTimeHost::~ScheduledTimeHost() {
  // Timers outliving their host are left alone; their entries are owned by the timers.
  timers_.clear();
  watches_.clear();
}

std::unique_ptr<HostTimer> ScheduledTimeHost::createTimer(std::function<void()> onTick) {
  auto* entry = new Entry;
  entry->onTick = std::move(onTick);
  entry->order = created_++;
  timers_.push_back(entry);
  return std::make_unique<Timer>(*this, entry);
}

void ScheduledTimeHost::fireDue(int64_t until) {
  for (;;) {
    Entry* next = nullptr;
    for (Entry* e : timers_) {
      if (!e->active || e->running || e->due > until) continue;
      if (!next || e->due < next->due || (e->due == next->due && e->order < next->order)) next = e;
    }
    if (!next) return;
    if (next->due > clockMs()) setClock(next->due);
    // The next period counts from this due time, as a periodic timer keeps its rhythm.
    next->due += next->interval;
    if (next->due <= clockMs()) next->due = clockMs() + next->interval;
    const uint64_t order = next->order;
    next->running = true;
    next->onTick();
    // The handler may have destroyed its own timer.
    for (Entry* e : timers_)
      if (e->order == order) e->running = false;
  }
}

struct ScheduledTimeHost::Watched {
  intptr_t socket = -1;
  std::function<void()> onReadable;
  uint64_t order = 0;
};

class ScheduledTimeHost::Watch : public SocketWatch {
 public:
  Watch(ScheduledTimeHost& host, Watched* watched) : host_(host), watched_(watched) {}
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;
  ~Watch() override {
    auto& list = host_.watches_;
    list.erase(std::remove(list.begin(), list.end(), watched_), list.end());
    delete watched_;
  }

 private:
  ScheduledTimeHost& host_;
  Watched* watched_;
};

std::unique_ptr<SocketWatch> ScheduledTimeHost::watchSocket(intptr_t socket,
                                                            std::function<void()> onReadable) {
  auto* watched = new Watched{socket, std::move(onReadable), created_++};
  watches_.push_back(watched);
  return std::make_unique<Watch>(*this, watched);
}

void ScheduledTimeHost::deliverSocketEvents() {
  if (watches_.empty()) return;
  std::vector<uint64_t> ready;
#ifdef _WIN32
  // Winsock's select takes at most FD_SETSIZE sockets at once.
  for (size_t first = 0; first < watches_.size(); first += FD_SETSIZE) {
    fd_set readable;
    FD_ZERO(&readable);
    const size_t end = std::min<size_t>(watches_.size(), first + FD_SETSIZE);
    for (size_t i = first; i < end; ++i)
      FD_SET(static_cast<SOCKET>(watches_[i]->socket), &readable);
    timeval none{0, 0};
    if (select(0, &readable, nullptr, nullptr, &none) <= 0) continue;
    for (size_t i = first; i < end; ++i)
      if (FD_ISSET(static_cast<SOCKET>(watches_[i]->socket), &readable))
        ready.push_back(watches_[i]->order);
  }
#else
  std::vector<pollfd> fds;
  for (const Watched* w : watches_) fds.push_back(pollfd{static_cast<int>(w->socket), POLLIN, 0});
  if (::poll(fds.data(), fds.size(), 0) <= 0) return;
  for (size_t i = 0; i < fds.size(); ++i)
    if (fds[i].revents != 0) ready.push_back(watches_[i]->order);
#endif
  // A callback may end its own watch or others.
  for (const uint64_t order : ready) {
    const auto found = std::find_if(watches_.begin(), watches_.end(),
                                    [order](const Watched* w) { return w->order == order; });
    if (found == watches_.end()) continue;
    const std::function<void()> call = (*found)->onReadable;
    call();
  }
}

VirtualTimeHost::VirtualTimeHost() { setLocalTime(2000, 1, 1, 0, 0, 0); }

void VirtualTimeHost::setLocalTime(const LocalDateTime& t) { localBase_ = ToEpochMs(t) - clock_; }

void VirtualTimeHost::setLocalTime(int year, int month, int day, int hour, int minute, int second,
                                   int ms) {
  LocalDateTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  t.millisecond = ms;
  setLocalTime(t);
}

void VirtualTimeHost::advance(uint32_t ms) {
  deliverSocketEvents();
  const int64_t until = clock_ + ms;
  fireDue(until);
  if (clock_ < until) clock_ = until;
}

LocalDateTime VirtualTimeHost::now() { return FromEpochMs(localBase_ + clock_); }

uint32_t VirtualTimeHost::tickCount() { return static_cast<uint32_t>(clock_); }

LocalDateTime SystemTimeHost::now() {
  const auto wall = std::chrono::system_clock::now();
  const std::time_t secs = std::chrono::system_clock::to_time_t(wall);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &secs);
#else
  localtime_r(&secs, &local);
#endif
  LocalDateTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.dayOfWeek = local.tm_wday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count() %
      1000);
  return t;
}

int64_t SystemTimeHost::clockMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t SystemTimeHost::tickCount() { return static_cast<uint32_t>(clockMs()); }

void SystemTimeHost::runDue() {
  deliverSocketEvents();
  fireDue(clockMs());
}

}  // namespace platform
