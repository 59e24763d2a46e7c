// The Scrolling PS function panel: one longer text that the encoder moves through the PS field,
// either with a gap or rolling on without one, followed by the step interval.
#pragma once

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "encoder/ps_interval.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class ScrollingPsPanel : public TClassMultiBase {
 public:
  // The limits are 56 (long) and 24 (short) characters.
  enum Input : uint16_t { BringToFront, Load, ShowOrHide, LongLimit, ShortLimit, kInputs };
  // The PS line, then the DS line 300 ms later.
  enum Output : uint16_t { Lines, kOutputs };

  ScrollingPsPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIEdit text{panel.controlParent()};
  ThiCheckBoxRush rolling{panel.controlParent()};
  ThiButtonRush send{panel.controlParent()};
  THILabel warning{panel.controlParent()};

  // The text: its rolled form (the text, a space, its first seven characters), its setting and
  // its length check against the model's limit.
  THIHub textChanged;
  THIHub newHead;
  THICopy headCopy;
  THIMemory head;
  THIFormatStr rolled;
  THIini textSetting;
  THILength length;
  THIIf_else tooLong;
  THIChanelToIndex showWarning;
  THIMemory limit;
  THIHub longLimit, shortLimit;
  THIDoData longCount, longWarning, shortCount, shortWarning;

  // Rolling mode: which text and which padding the PS line carries.
  THIHub modeChanged;
  THIHub choices;
  THIGetIndexData textChoice, paddingChoice;
  THIMemory sevenSpaces;
  THIini modeSetting;
  THIIf_else modeOn;
  THIDoData modeOff;

  THIFormatStr psLine;
  THIHub psSent;

  THIHub lines;
  THIHub load;

  THIMultiElement psInterval{PsInterval::kOutputs, 0};

  PsInterval* intervals = nullptr;

 private:
  void placeControls();
  void wirePoints();
  void wireText();
  void wireLimit();
  void wireRollingMode();
  void wireLine();
};

template <>
struct PanelOf<protocol::ScrollingPs> {
  using type = ScrollingPsPanel;
};

}  // namespace hi
