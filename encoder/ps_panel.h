// The simple PS function panel: the station name as typed, sent in one line.
#pragma once

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Inputs: 0 bring to front, 1 load, 2 show or hide. Output 0: the PS line.
class PsPanel : public TClassMultiBase {
 public:
  PsPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIEdit text{panel.controlParent()};
  THIini setting;
  THIHub changed;
  THILength length;
  THIIf_else tooLong;
  THIChanelToIndex showWarning;
  THIFormatStr formatter;
  ThiButtonRush send{panel.controlParent()};
  THILabel warning{panel.controlParent()};
};

}  // namespace hi
