// Turns the on/off states of Dynamic PS, Dynamic RT, TP and TA into the check marks of their
// tray-menu items.
#pragma once

#include <array>

#include "elements/flow.h"
#include "runtime/runtime.h"

namespace hi {

// Inputs 0..3: the state of Dynamic PS, Dynamic RT, TP, TA. Output 0: the pair (item position,
// 0 or 1) for the menu's check marks.
class TrayMenuChecker : public TClassMultiBase {
 public:
  TrayMenuChecker(TOuterSide& owner, ControlParent parent);

  static constexpr int kItems = 4;
  std::array<THIIf_else, kItems> on;
  std::array<THIDoData, kItems> checked, unchecked;
  std::array<THIMT_Add, kItems> pairs;
};

}  // namespace hi
