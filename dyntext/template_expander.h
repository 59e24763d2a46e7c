// Template expansion for the dynamic PS and RT: the six tokens of a template, and the name of
// today's weekday.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "runtime/runtime.h"

namespace hi {

// Fills the six tokens of a template in one scan: an inserted value is never read again, so a
// title holding "%Day%" goes on air as "%Day%". With a line length, a title too long for the
// line is shortened, ending in "...", so that the template's own text still fits (when it fits
// by itself). While no title
// is known yet, a template that shows one gives no text at all: the last line stays on air.
class THITokenFill : public TDebug {
 public:
  enum Token : uint8_t { Date, Time2, Time1, Temp, Title, Day, kTokens };
  static constexpr const char* kNames[kTokens] = {"%Date%", "%Time2%",  "%Time1%",
                                                  "%Temp%", "%NPFile%", "%Day%"};
  TLink onFill;
  TLink Str;
  std::array<TLink, kTokens> Values;
  // The count the line is cut to, its two-letter name included (66 for the 64 characters of an
  // RT); unlinked or below 3, nothing is shortened.
  TLink LineLength;
  // Non-zero while the title's source has given none yet.
  TLink TitleMissing;
  void doFill(TData& data, uint16_t index);

  // `text` with the values in place of the tokens; counts the titles put in.
  static std::string Fill(const std::string& text, const std::array<std::string, kTokens>& values,
                          size_t& titles);
};

// The tokens %Date%, %Time2%, %Time1%, %Temp%, %NPFile% and %Day%, filled in one scan.
class TemplateExpander : public TClassMultiBase {
 public:
  // The value of Expand is ignored.
  enum Input : uint16_t { Expand, kInputs };
  enum Output : uint16_t { Expanded, kOutputs };
  // LocalTime is a real number of days; LineLength and TitleMissing as THITokenFill reads them;
  // the others are texts.
  enum DataInput : uint16_t {
    Template,
    LocalTime,
    Temperature,
    NowPlaying,
    DayName,
    LineLength,
    TitleMissing,
    kDataInputs
  };

  THIHub fanOut;
  // The clock is read once per expansion, so the date and both times always show one instant.
  THIMemory now;
  THIDateConvertor timeShortFormatter, dateFormatter, timeLongFormatter;
  THIMemory timeShort, date, timeLong;
  THITokenFill fill;

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
