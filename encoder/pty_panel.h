// The programme type panel: a name chosen from the 32 of the standard, sent as its code.
#pragma once

#include "elements/flow.h"
#include "elements/math.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class PtyPanel : public TClassMultiBase {
 public:
  // SelectCode selects the code given from outside.
  enum Input : uint16_t { BringToFront, Load, SelectCode, kInputs };
  // CodeChanged fires the code after every change of the selection.
  enum Output : uint16_t { Lines, CodeChanged, kOutputs };
  enum DataInput : uint16_t { Terminator, kDataInputs };
  // The selected name.
  enum Readable : uint16_t { PtyName, kReadables };

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
  // plain number, such as an automation tag "<PTY5 x>"), a stored one reads as 0. Leading zeros
  // are a number still: automation writes "<PTY05>".
  THIHub outside;
  THIMemory outsideValue;
  THIStrCheck outsideDigits;
  THIIf_else digitsFit, digitsShort;
  THIDoData outsideNumber;
  THIMath outsideCode;
  THIIf_else outsideLow, outsideHigh;
  THIIf_else storedLow, storedHigh;
  THIDoData storedNone;
  // No line before a code was chosen or loaded.
  THIIf_else codeKnown;
};

template <>
struct PanelOf<protocol::Pty> {
  using type = PtyPanel;
};

}  // namespace hi
