#include "elements/clocktime.h"

#include "platform/time_host.h"

namespace hi {

std::string ClockTimePayload(int32_t year, int32_t month, int32_t day, int32_t hour,
                             int32_t minute) {
  // A date out of range counts on from its year and month, as DaysFromCivil does; the 32-bit
  // masks keep every byte in 0..255.
  const auto mjd = static_cast<uint32_t>(platform::ModifiedJulianDay(year, month, day));
  const auto h = static_cast<uint32_t>(hour);
  const auto n = static_cast<uint32_t>(minute);
  const uint32_t bytes[] = {
      (mjd >> 15) & 3,
      (mjd >> 7) & 255,
      ((mjd & 127) << 1) | ((h >> 4) & 1),
      ((h & 15) << 4) | ((n >> 2) & 15),
      (n & 3) << 6,
  };
  std::string text;
  for (uint32_t b : bytes) {
    if (!text.empty()) text += ',';
    text += std::to_string(b);
  }
  return text;
}

void ThiInlineCode_19BC8B0::doWork(TData& data, uint16_t) {
  const int32_t year = ReadInteger(data, Year);
  const int32_t month = ReadInteger(data, Month);
  const int32_t day = ReadInteger(data, Day);
  const int32_t hour = ReadInteger(data, Hour);
  const int32_t minute = ReadInteger(data, Minute);
  EmitString(onEvent, ClockTimePayload(year, month, day, hour, minute));
}

}  // namespace hi
