// Which line terminator the chosen encoder model uses, as two flags for cutting display texts.
#pragma once

#include <array>

#include "elements/flow.h"
#include "runtime/runtime.h"

namespace hi {

// Input 0: the device type. Readables: 0 the model ends its lines in CR LF, 1 in LF alone.
class LineBreakSelector : public TClassMultiBase {
 public:
  LineBreakSelector(TOuterSide& owner, ControlParent parent);

  THIIndexToChanel byType;
  std::array<THIHub, 3> types;
  THIDoData crLfOn, crLfOff, lfOn, lfOff;
  THIMemory crLf, lf;
};

}  // namespace hi
