// The simple PS function panel: the station name as typed, sent in one line.
#pragma once

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class PsPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t { BringToFront, Load, ShowOrHide, kInputs };
  enum Output : uint16_t { Lines, kOutputs };

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

template <>
struct PanelOf<protocol::Ps> {
  using type = PsPanel;
};

}  // namespace hi
