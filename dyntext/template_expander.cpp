#include "dyntext/template_expander.h"

#include <cstddef>
#include <cstdint>

#include "encoder/wiring.h"

namespace hi {

TemplateExpander::TemplateExpander(TOuterSide& owner, ControlParent parent, const char* datePicture)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  fanOut.setOutCount(5);
  timeShortFormatter.format = "HH:mm";
  dateFormatter.format = datePicture;
  timeLongFormatter.format = "HH:mm:ss";
  const char* const tokens[] = {"%Date%", "%Time2%", "%Time1%", "%Temp%", "%NPFile%", "%Day%"};
  for (size_t i = 0; i < replacers.size(); ++i) replacers[i].find = tokens[i];

  work<&THIHub::doEvent>(Expand, fanOut);
  link<&THIMemory::doValue>(fanOut.onEvent[0], now);
  in(now.Data, LocalTime);
  link<&THIDateConvertor::doConvert>(fanOut.onEvent[1], timeShortFormatter);
  link<&THIDateConvertor::doConvert>(fanOut.onEvent[2], dateFormatter);
  link<&THIDateConvertor::doConvert>(fanOut.onEvent[3], timeLongFormatter);
  link<&THIReplace::doReplace>(fanOut.onEvent[4], replacers[0]);
  link<&THIMemory::Value>(timeShortFormatter.DateTime, now);
  link<&THIMemory::Value>(dateFormatter.DateTime, now);
  link<&THIMemory::Value>(timeLongFormatter.DateTime, now);
  link<&THIMemory::doValue>(timeShortFormatter.onResult, timeShort);
  link<&THIMemory::doValue>(dateFormatter.onResult, date);
  link<&THIMemory::doValue>(timeLongFormatter.onResult, timeLong);

  in(replacers[0].Str, Template);
  link<&THIMemory::Value>(replacers[0].ReplaceBy, date);
  link<&THIMemory::Value>(replacers[1].ReplaceBy, timeShort);
  link<&THIMemory::Value>(replacers[2].ReplaceBy, timeLong);
  in(replacers[3].ReplaceBy, Temperature);
  in(replacers[4].ReplaceBy, NowPlaying);
  in(replacers[5].ReplaceBy, DayName);
  for (size_t i = 0; i + 1 < replacers.size(); ++i)
    link<&THIReplace::doReplace>(replacers[i].onReplace, replacers[i + 1]);
  out(replacers.back().onReplace, Expanded);
}

PsTemplateExpander::PsTemplateExpander(TOuterSide& owner, ControlParent parent)
    : TemplateExpander(owner, parent, "dd-MM-yy") {}

RtTemplateExpander::RtTemplateExpander(TOuterSide& owner, ControlParent parent)
    : TemplateExpander(owner, parent, "dd-MM-yyyy") {}

DayNameSelector::DayNameSelector(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  fanOut.setOutCount(7);
  // Monday first: data input MondayName + i holds the name for code codes[i].
  const char* const codes[] = {"01", "02", "03", "04", "05", "06", "00"};
  for (size_t i = 0; i < comparators.size(); ++i)
    Compare(comparators[i], THIIf_else::Equal, TData::Str(codes[i]));
  collector.setOutCount(1);

  work<&THIHub::doEvent>(Select, fanOut);
  for (size_t i = 0; i < comparators.size(); ++i) {
    const auto channel = static_cast<uint16_t>(i);
    link<&THIIf_else::doCompare>(fanOut.onEvent[i], comparators[i]);
    in(comparators[i].Op1, WeekdayCode);
    link<&THIDoData::doData>(comparators[i].onTrue, emitters[i]);
    in(emitters[i].Data, static_cast<uint16_t>(MondayName + channel));
    link<&THIHub::doEvent>(emitters[i].onEventData, collector, channel);
  }
  out(collector.onEvent[0], DayName);
}

}  // namespace hi
