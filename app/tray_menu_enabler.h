// Enables the four encoder items of the tray menu while connected and greys them out otherwise.
#pragma once

#include <array>

#include "elements/flow.h"
#include "runtime/runtime.h"

namespace hi {

class TrayMenuEnabler : public TClassMultiBase {
 public:
  enum Input : uint16_t { Disconnected, Connected, StartUp, kInputs };
  // The pairs (item position, 0 or 1) for the menu's enable method, for the items 2, 3, 4 and 5
  // in that order.
  enum Output : uint16_t { Enabled, kOutputs };

  TrayMenuEnabler(TOuterSide& owner, ControlParent parent);

  static constexpr int kItems = 4;
  THIDoData on, off;
  THIHub items;
  std::array<THIMT_Add, kItems> pairs;
};

}  // namespace hi
