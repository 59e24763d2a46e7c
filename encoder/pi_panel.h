// The PI function panel: the operator types the programme identification as four hex digits and
// sends it as two decimal byte values.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Converts and stores the PI text and formats the PI line.
class PiFormatter : public TClassMultiBase {
 public:
  enum Input : uint16_t { Load, NewText, Format, kInputs };
  // TextStored carries the THIStrCheck verdict of the text.
  enum Output : uint16_t { LoadedText, TextStored, PiLine, kOutputs };
  enum DataInput : uint16_t { Terminator, kDataInputs };

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

class PiPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t { BringToFront, Load, kInputs };
  enum Output : uint16_t { Lines, TextChanged, kOutputs };
  enum DataInput : uint16_t { Terminator, kDataInputs };
  // The PI text as typed.
  enum Readable : uint16_t { PiText, kReadables };

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
  THIMultiElement pi{PiFormatter::kOutputs, PiFormatter::kDataInputs};

  PiFormatter* formatter = nullptr;
};

template <>
struct PanelOf<protocol::Pi> {
  using type = PiPanel;
};

}  // namespace hi
