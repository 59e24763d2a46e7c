// The PI function panel: the operator types the programme identification as four hex digits and
// sends it as two decimal byte values.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Converts and stores the PI text and formats the PI line.
// Inputs: 0 load, 1 new text, 2 format. Outputs: 0 loaded text, 1 text stored (value: its
// THIStrCheck verdict), 2 the line. Data input 0: line terminator.
class PiFormatter : public TClassMultiBase {
 public:
  PiFormatter(TOuterSide& owner, ControlParent parent);

  THIini settings;
  THIHub newText;
  THIDelete cutEnd, cutStart;
  THIConvertor hexHigh, hexLow;
  THIMemory high, low;
  // Only exactly four hex digits go on air: any other text would give receivers a wrong PI.
  THIStrCheck check;
  THIHub checked;
  THIMemory verdict;
  THIIf_else valid;
  THIFormatStr formatter;
};

// Inputs: 0 bring to front, 1 load. Outputs: 0 the PI line, 1 the text changed.
// Data input 0: line terminator. Readable 0: the PI text as typed.
class PiPanel : public TClassMultiBase {
 public:
  PiPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIEdit text{panel.controlParent()};
  ThiButtonRush send{panel.controlParent()};
  THILabel warning{panel.controlParent()};
  THIHub newText;
  THIIf_else fits;
  THIDoData hideWarning, showWarning;
  THIHub warn;
  THIIndexToChanel warningKind;
  std::array<THIDoData, 4> warningTexts;
  THIMultiElement pi{3, 1};

  PiFormatter* formatter = nullptr;
};

}  // namespace hi
