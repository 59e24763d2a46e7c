// Template expansion for the dynamic PS and RT: the six tokens of a template, and the name of
// today's weekday.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "runtime/runtime.h"

namespace hi {

// Tokens are replaced in the order %Date%, %Time2%, %Time1%, %Temp%, %NPFile%, %Day%; a value is
// searched only by the replacers after its own.
class TemplateExpander : public TClassMultiBase {
 public:
  // The value of Expand is ignored.
  enum Input : uint16_t { Expand, kInputs };
  enum Output : uint16_t { Expanded, kOutputs };
  // LocalTime is a real number of days; the others are texts.
  enum DataInput : uint16_t { Template, LocalTime, Temperature, NowPlaying, DayName, kDataInputs };

  THIHub fanOut;
  // The clock is read once per expansion, so the date and both times always show one instant.
  THIMemory now;
  THIDateConvertor timeShortFormatter, dateFormatter, timeLongFormatter;
  THIMemory timeShort, date, timeLong;
  std::array<THIReplace, 6> replacers;

 protected:
  TemplateExpander(TOuterSide& owner, ControlParent parent, const char* datePicture);
};

// The PS date is 8 characters ("dd-MM-yy").
class PsTemplateExpander : public TemplateExpander {
 public:
  PsTemplateExpander(TOuterSide& owner, ControlParent parent);
};

// The RT date is 10 characters ("dd-MM-yyyy").
class RtTemplateExpander : public TemplateExpander {
 public:
  RtTemplateExpander(TOuterSide& owner, ControlParent parent);
};

// The name of today's weekday; nothing for a code it does not know.
class DayNameSelector : public TClassMultiBase {
 public:
  // The value of Select is ignored.
  enum Input : uint16_t { Select, kInputs };
  enum Output : uint16_t { DayName, kOutputs };
  // The weekday code is "00" (Sunday) .. "06" (Saturday).
  enum DataInput : uint16_t { WeekdayCode, MondayName, SundayName = MondayName + 6, kDataInputs };

  DayNameSelector(TOuterSide& owner, ControlParent parent);

  THIHub fanOut;
  std::array<THIIf_else, 7> comparators;
  std::array<THIDoData, 7> emitters;
  THIHub collector;
};

}  // namespace hi
