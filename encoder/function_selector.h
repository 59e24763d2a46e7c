// The column of function names at the left of the RDS settings page; clicking one moves the
// marker beside it and reports its position.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "protocol/functions.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

class FunctionSelector : public TClassMultiBase {
 public:
  // Each input shows its items (value 1) or hides them (0); ShowPagedPs both "Scrolling PS" and
  // "Page PS".
  enum Input : uint16_t { UnusedInput0, ShowPagedPs, ShowPs, ShowAf, kInputs };
  // The position of the item clicked.
  enum Output : uint16_t { Chosen, kOutputs };

  FunctionSelector(TOuterSide& owner, ControlParent parent);

  // One item per send function, at the position of its row.
  static constexpr size_t kItems = protocol::kFunctions;

  THIPanelRush panel{controlParent()};
  THIImage marker{panel.controlParent()};
  std::array<THILabel, kItems> items = Controls<THILabel, kItems>(panel.controlParent());
  THIChanelToIndex clicked;
  THIHub choose;
  THIStrList markerTops;
  THIHub showPagedPs;
};

}  // namespace hi
