#include "dyntext/template_expander.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "encoder/wiring.h"

namespace hi {

std::string THITokenFill::Fill(const std::string& text,
                               const std::array<std::string, kTokens>& values, size_t& titles) {
  std::string out;
  out.reserve(text.size());
  titles = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t mark = text.find('%', at);
    out.append(text, at, mark == std::string::npos ? std::string::npos : mark - at);
    if (mark == std::string::npos) break;
    const std::string_view rest = std::string_view(text).substr(mark);
    size_t token = 0;
    while (token < kTokens &&
           rest.substr(0, std::string_view(kNames[token]).size()) != kNames[token])
      ++token;
    if (token == kTokens) {
      out += '%';
      at = mark + 1;
      continue;
    }
    out += values[token];
    if (token == Title) ++titles;
    at = mark + std::string_view(kNames[token]).size();
  }
  return out;
}

void THITokenFill::doFill(TData& data, uint16_t) {
  const std::string text = ReadString(data, Str);
  std::array<std::string, kTokens> values;
  for (size_t k = 0; k < kTokens; ++k) values[k] = ReadString(data, Values[k]);
  size_t titles = 0;
  std::string out = Fill(text, values, titles);
  if (titles > 0 && ReadLinkedInteger(TitleMissing) != 0) return;
  const int32_t lineLength = ReadLinkedInteger(LineLength);
  // Blanks at the end of the text are the padding's business, not the template's own text.
  const size_t used = out.find_last_not_of(' ') + 1;
  std::string& title = values[Title];
  const size_t width = lineLength > 2 ? static_cast<size_t>(lineLength - 2) : 0;
  // A template whose own text does not fit is cut as it is: no title would make it fit.
  const size_t own = used - std::min(used, titles * title.size());
  if (width > 0 && titles > 0 && used > width && own < width) {
    const size_t over = used - width;
    const size_t cut = (over + titles - 1) / titles;
    const size_t keep = title.size() > cut ? title.size() - cut : 0;
    if (keep > 3) {
      title.resize(keep - 3);
      title.resize(title.find_last_not_of(' ') + 1);
      title += "...";
    } else {
      title.resize(keep);
    }
    out = Fill(text, values, titles);
  }
  ForwardString(data, onFill, out);
}

TemplateExpander::TemplateExpander(TOuterSide& owner, ControlParent parent, const char* datePicture)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  fanOut.setOutCount(5);
  timeShortFormatter.format = "HH:mm";
  dateFormatter.format = datePicture;
  timeLongFormatter.format = "HH:mm:ss";
  work<&THIHub::doEvent>(Expand, fanOut);
  link<&THIMemory::doValue>(fanOut.onEvent[0], now);
  in(now.Data, LocalTime);
  link<&THIDateConvertor::doConvert>(fanOut.onEvent[1], timeShortFormatter);
  link<&THIDateConvertor::doConvert>(fanOut.onEvent[2], dateFormatter);
  link<&THIDateConvertor::doConvert>(fanOut.onEvent[3], timeLongFormatter);
  link<&THITokenFill::doFill>(fanOut.onEvent[4], fill);
  link<&THIMemory::Value>(timeShortFormatter.DateTime, now);
  link<&THIMemory::Value>(dateFormatter.DateTime, now);
  link<&THIMemory::Value>(timeLongFormatter.DateTime, now);
  link<&THIMemory::doValue>(timeShortFormatter.onResult, timeShort);
  link<&THIMemory::doValue>(dateFormatter.onResult, date);
  link<&THIMemory::doValue>(timeLongFormatter.onResult, timeLong);

  in(fill.Str, Template);
  link<&THIMemory::Value>(fill.Values[THITokenFill::Date], date);
  link<&THIMemory::Value>(fill.Values[THITokenFill::Time2], timeShort);
  link<&THIMemory::Value>(fill.Values[THITokenFill::Time1], timeLong);
  in(fill.Values[THITokenFill::Temp], Temperature);
  in(fill.Values[THITokenFill::Title], NowPlaying);
  in(fill.Values[THITokenFill::Day], DayName);
  in(fill.LineLength, LineLength);
  in(fill.TitleMissing, TitleMissing);
  out(fill.onFill, Expanded);
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
