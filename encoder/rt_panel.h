// The radio text panel: the text is sent padded or cut to the width of the encoder model.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Inputs: 0 bring to front, 1 load, 2 device type (0, 1 or 2). Output 0: the RT line.
// Data input 0: line terminator.
class RtPanel : public TClassMultiBase {
 public:
  RtPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIEdit text{panel.controlParent()};
  ThiButtonRush send{panel.controlParent()};
  THILabel warning{panel.controlParent()};

  THIMemory textMemory, field, limit, width;

  // Device type: limit, warning text and width, then the field and warning for that width.
  THIIndexToChanel byType;
  std::array<THIHub, 3> typeHubs;
  std::array<THIDoData, 3> limits, warnings, widths;
  THIHub rebuild;
  THIDoData refill, recheck;

  THIini setting;
  THIHub changed;
  THIStrCat padded;
  THICopy cut;
  THILength length;
  THIIf_else tooLong;
  THIChanelToIndex showWarning;
  THIFormatStr formatter;
};

}  // namespace hi
