// The clock-time payload of RDS group 4A: a date and a time of day as five byte values.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/runtime.h"

namespace hi {

// "b1,b2,b3,b4,b5": MJD, hour and minute packed as group 4A carries them, local offset 0.
std::string ClockTimePayload(int32_t year, int32_t month, int32_t day, int32_t hour,
                             int32_t minute);

// The clock-time payload: reads the date and time parts and fires ClockTimePayload of them. The
// name is the inline-code block's identifier in the original graph, kept so both compare.
class ThiInlineCode_19BC8B0 : public TDebug {
 public:
  TLink Year;
  TLink Month;
  TLink Day;
  TLink Hour;
  TLink Minute;
  TLink onEvent;

  void doWork(TData& data, uint16_t index);
};

}  // namespace hi
