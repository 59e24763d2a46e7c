#include "app/line_break_selector.h"

#include <string_view>

namespace hi {

LineBreakSelector::LineBreakSelector(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  byType.setCount(protocol::kModels);
  for (THIHub& hub : types) hub.setOutCount(2);
  crLfOn.data = TData::Int(1);
  crLfOff.data = TData::Int(0);
  lfOn.data = TData::Int(1);
  lfOff.data = TData::Int(0);

  work<&THIIndexToChanel::doEvent>(DeviceType, byType);
  var<&THIMemory::Value>(EndsInCrLf, crLf);
  var<&THIMemory::Value>(EndsInLf, lf);
  for (uint16_t k = 0; k < protocol::kModels; ++k) {
    link<&THIHub::doEvent>(byType.onEvent[k], types[k]);
    const bool lineFeed = std::string_view(protocol::kModelRows[k].terminator) == "\n";
    link<&THIDoData::doData>(types[k].onEvent[0], lineFeed ? crLfOff : crLfOn);
    link<&THIDoData::doData>(types[k].onEvent[1], lineFeed ? lfOn : lfOff);
  }
  link<&THIMemory::doValue>(crLfOn.onEventData, crLf);
  link<&THIMemory::doValue>(crLfOff.onEventData, crLf);
  link<&THIMemory::doValue>(lfOn.onEventData, lf);
  link<&THIMemory::doValue>(lfOff.onEventData, lf);
}

}  // namespace hi
