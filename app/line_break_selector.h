// Which line terminator the chosen encoder model uses, as two flags for cutting display texts.
#pragma once

#include <array>

#include "elements/flow.h"
#include "protocol/models.h"
#include "runtime/runtime.h"

namespace hi {

class LineBreakSelector : public TClassMultiBase {
 public:
  enum Input : uint16_t { DeviceType, kInputs };
  // Whether the model ends its lines in CR LF, or in LF alone.
  enum Readable : uint16_t { EndsInCrLf, EndsInLf, kReadables };

  LineBreakSelector(TOuterSide& owner, ControlParent parent);

  THIIndexToChanel byType;
  std::array<THIHub, protocol::kModels> types;
  THIDoData crLfOn, crLfOff, lfOn, lfOff;
  THIMemory crLf, lf;
};

}  // namespace hi
