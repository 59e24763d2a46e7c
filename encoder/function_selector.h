// The column of function names at the left of the RDS settings page; clicking one moves the
// marker beside it and reports its position.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

// Inputs: 1 show Scrolling PS and Page PS, 2 show PS, 3 show AF. Output 0: the position clicked.
class FunctionSelector : public TClassMultiBase {
 public:
  FunctionSelector(TOuterSide& owner, ControlParent parent);

  enum Item { PI, ScrollingPS, PagePS, RT, PTY, DI, TpTaMs, PS, AF, kItems };

  THIPanelRush panel{controlParent()};
  THIImage marker{panel.controlParent()};
  std::array<THILabel, kItems> items = Controls<THILabel, kItems>(panel.controlParent());
  THIChanelToIndex clicked;
  THIHub choose;
  THIStrList markerTops;
  THIHub showPagedPs;
};

}  // namespace hi
