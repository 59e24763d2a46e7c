#include "elements/time.h"

#include <cmath>
#include <string_view>
#include <utility>

namespace hi {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kFirstDay = -657434.0;  // 1 January 100
constexpr double kLastDay = 202751590.0;

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string TwoDigits(int n) {
  return n >= 0 && n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

// Walks a picture: a run of one of `letters` is handed to `field` with its length, everything
// else is copied. Quoted text is copied without its quotes ('' is one quote), or with them when
// a later pass is still to read the result.
template <class Field>
std::string Picture(const std::string& picture, const char* letters, bool keepQuotes, Field field) {
  std::string out;
  for (size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      size_t close = picture.find('\'', i + 1);
      size_t end = close == std::string::npos ? picture.size() : close + 1;
      if (keepQuotes) {
        out.append(picture, i, end - i);
      } else if (close == i + 1) {
        out += '\'';
      } else {
        out.append(picture, i + 1, (close == std::string::npos ? picture.size() : close) - i - 1);
      }
      i = end;
      continue;
    }
    if (std::string_view(letters).find(c) == std::string_view::npos) {
      out += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    out += field(c, run);
    i += run;
  }
  return out;
}

// A day or month name, quoted so that the time pass leaves its letters alone.
std::string Name(const char* name, size_t run) {
  std::string text = run == 3 ? std::string(name, 3) : std::string(name);
  return "'" + text + "'";
}

}  // namespace

double ToDateTime(const platform::LocalDateTime& t) {
  return static_cast<double>(platform::ToEpochMs(t)) / kMsPerDay + kDateTimeEpochOffset;
}

bool FromDateTime(double dateTime, platform::LocalDateTime& t) {
  if (!std::isfinite(dateTime) || dateTime < kFirstDay || dateTime > kLastDay) return false;
  t = platform::FromEpochMs(std::llround((dateTime - kDateTimeEpochOffset) * kMsPerDay));
  return true;
}

std::string FormatDatePicture(const std::string& picture, const platform::LocalDateTime& t) {
  return Picture(picture, "dMyW", true, [&](char c, size_t run) -> std::string {
    switch (c) {
      case 'W':
        // Not a picture letter of the host: the day of the week as THITime writes it, so that
        // a weekday can come from the same clock reading as the date.
        return TwoDigits(t.dayOfWeek % 7);
      case 'd':
        if (run >= 3) return Name(kDayNames[t.dayOfWeek % 7], run);
        return run == 2 ? TwoDigits(t.day) : std::to_string(t.day);
      case 'M':
        if (run >= 3) return Name(kMonthNames[(t.month + 11) % 12], run);
        return run == 2 ? TwoDigits(t.month) : std::to_string(t.month);
      default:
        if (run >= 3) return std::to_string(t.year);
        return run == 2 ? TwoDigits(t.year % 100) : std::to_string(t.year % 100);
    }
  });
}

std::string FormatTimePicture(const std::string& picture, const platform::LocalDateTime& t) {
  return Picture(picture, "hHmst", false, [&](char c, size_t run) -> std::string {
    int value = 0;
    switch (c) {
      case 'h':
        value = t.hour % 12 == 0 ? 12 : t.hour % 12;
        break;
      case 'H':
        value = t.hour;
        break;
      case 'm':
        value = t.minute;
        break;
      case 's':
        value = t.second;
        break;
      default:
        return std::string(t.hour < 12 ? "AM" : "PM").substr(0, run >= 2 ? 2 : 1);
    }
    return run >= 2 ? TwoDigits(value) : std::to_string(value);
  });
}

THITimer::THITimer() : timer_(platform::Time().createTimer([this] { tick(); })) {}

THITimer::~THITimer() = default;

void THITimer::setInterval(int32_t ms) {
  // Like the host's window timers: below 10 ms counts as 10, a negative period as the longest.
  interval_ = ms;
  uint32_t period = ms < 0 ? 0x7FFFFFFFu : static_cast<uint32_t>(ms < 10 ? 10 : ms);
  timer_->setInterval(period);
}

void THITimer::setEnable(bool enable) {
  if (!enable) {
    timer_->stop();
  } else {
    uint32_t period =
        interval_ < 0 ? 0x7FFFFFFFu : static_cast<uint32_t>(interval_ < 10 ? 10 : interval_);
    timer_->start(period);
  }
}

void THITimer::setCount(int32_t count) {
  count_ = count;
  remaining_ = count;
}

void THITimer::doStart(TData&, uint16_t) {
  remaining_ = count_;
  setEnable(true);
}

void THITimer::doStop(TData&, uint16_t) { stop(); }

void THITimer::doInterval(TData& data, uint16_t) { setInterval(ToInteger(data)); }

void THITimer::stop() {
  timer_->stop();
  EmitNull(onStop);
}

void THITimer::tick() {
  ++nesting_;
  if (nesting_ > 1) {
    if (queueTicks == 0) --nesting_;
    return;
  }
  do {
    if (remaining_ >= 0) --remaining_;
    const bool last = remaining_ == 0;
    EmitNull(onTimer);
    if (last) {
      nesting_ = 0;
      stop();
    }
    if (nesting_ > 0) --nesting_;
  } while (nesting_ != 0);
}

void THITime::TimeText(TData& data, uint16_t) {
  platform::LocalDateTime t = platform::Time().now();
  std::string text = format;
  const std::pair<const char*, int> fields[] = {{"Y", t.year},  {"M", t.month}, {"W", t.dayOfWeek},
                                                {"D", t.day},   {"h", t.hour},  {"m", t.minute},
                                                {"s", t.second}};
  for (const auto& [letter, value] : fields) text = ReplaceAll(text, letter, TwoDigits(value));
  data = TData::Str(std::move(text));
}

void THITime::Now(TData& data, uint16_t) { data = TData::Real(ToDateTime(platform::Time().now())); }

void THITimeCounter::doStart(TData& data, uint16_t) {
  start_ = platform::Time().tickCount();
  ForwardSame(data, onStart);
}

void THITimeCounter::doStop(TData& data, uint16_t) {
  ForwardInt(data, onStop, static_cast<int32_t>(platform::Time().tickCount() - start_));
}

void THIDateConvertor::doConvert(TData& data, uint16_t) {
  double d = ReadReal(data, DateTime, 0.0);
  last_ = d;
  platform::LocalDateTime t;
  // Beyond the host's range (or not a number at all) nothing is produced.
  if (d > 202751589.0 || !FromDateTime(d, t)) return;
  std::string text = FormatTimePicture(FormatDatePicture(format, t), t);
  result_ = TData::Str(text);
  ForwardCopy(data, onResult, result_);
}

}  // namespace hi
