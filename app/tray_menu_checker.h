// Turns the on/off states of Dynamic PS, Dynamic RT, TP and TA into the check marks of their
// tray-menu items.
#pragma once

#include <array>

#include "elements/flow.h"
#include "runtime/runtime.h"

namespace hi {

class TrayMenuChecker : public TClassMultiBase {
 public:
  // The on (1) or off (0) state of each item.
  enum Input : uint16_t { DpsState, DrtState, TpState, TaState, kInputs };
  // The pair (item position, 0 or 1) for the menu's check marks.
  enum Output : uint16_t { CheckMark, kOutputs };

  TrayMenuChecker(TOuterSide& owner, ControlParent parent);

  static constexpr int kItems = kInputs;
  std::array<THIIf_else, kItems> on;
  std::array<THIDoData, kItems> checked, unchecked;
  std::array<THIMT_Add, kItems> pairs;
};

}  // namespace hi
