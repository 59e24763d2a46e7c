// The radio text panel: the text is sent padded or cut to the width of the encoder model.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "protocol/models.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class RtPanel : public TClassMultiBase {
 public:
  // DeviceType takes the model.
  enum Input : uint16_t { BringToFront, Load, DeviceType, kInputs };
  enum Output : uint16_t { Lines, kOutputs };
  enum DataInput : uint16_t { Terminator, kDataInputs };

  RtPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIEdit text{panel.controlParent()};
  ThiButtonRush send{panel.controlParent()};
  THILabel warning{panel.controlParent()};

  THIMemory textMemory, field, limit, width;

  // Device type: limit, warning text and width, then the field and warning for that width.
  THIIndexToChanel byType;
  std::array<THIHub, protocol::kModels> typeHubs;
  std::array<THIDoData, protocol::kModels> limits, warnings, widths;
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

template <>
struct PanelOf<protocol::Rt> {
  using type = RtPanel;
};

}  // namespace hi
