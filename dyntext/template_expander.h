// Template expansion for the dynamic PS and RT: the six tokens of a template, and the name of
// today's weekday.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "runtime/runtime.h"

namespace hi {

// Input 0: expand now (the value is ignored). Output 0: the expanded text.
// Data inputs: 0 template, 1 local date and time (real, days), 2 temperature text,
// 3 now-playing text, 4 day name.
// Tokens are replaced in the order %Date%, %Time2%, %Time1%, %Temp%, %NPFile%, %Day%; a value is
// searched only by the replacers after its own.
class TemplateExpander : public TClassMultiBase {
 public:
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

// Input 0: select now (the value is ignored). Output 0: the name of today's weekday, nothing for
// a code it does not know.
// Data inputs: 0 the weekday code "00" (Sunday) .. "06" (Saturday), 1..7 the names for Monday ..
// Sunday.
class DayNameSelector : public TClassMultiBase {
 public:
  DayNameSelector(TOuterSide& owner, ControlParent parent);

  THIHub fanOut;
  std::array<THIIf_else, 7> comparators;
  std::array<THIDoData, 7> emitters;
  THIHub collector;
};

}  // namespace hi
