// The programme type panel: a name chosen from the 32 of the standard, sent as its code.
#pragma once

#include "elements/flow.h"
#include "elements/math.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Inputs: 0 bring to front, 1 load, 2 select the code given from outside.
// Outputs: 0 the PT line, 1 the code after every change of the selection.
// Data input 0: line terminator. Readable 0: the selected name.
class PtyPanel : public TClassMultiBase {
 public:
  PtyPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIComboBox list{panel.controlParent()};
  ThiButtonRush send{panel.controlParent()};
  THIini setting;
  THIHub changed;
  THIHub select;
  THIMemory code;
  THIFormatStr formatter;

  // Only codes 0..31 reach the list: one from outside is dropped (so is a text that is not a
  // plain number, such as an automation tag "<PTY5 x>"), a stored one reads as 0.
  THIHub outside;
  THIMemory outsideValue;
  THIMath outsideCode;
  THIIf_else outsideNumber, outsideLow, outsideHigh;
  THIIf_else storedLow, storedHigh;
  THIDoData storedNone;
  // No line before a code was chosen or loaded.
  THIIf_else codeKnown;
};

}  // namespace hi
