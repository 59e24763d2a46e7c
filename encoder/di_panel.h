// The decoder identification panel: four flags, sent together as one number at every change.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class DiPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t { BringToFront, Load, kInputs };
  enum Output : uint16_t { Lines, kOutputs };
  enum DataInput : uint16_t { Terminator, kDataInputs };

  DiPanel(TOuterSide& owner, ControlParent parent);

  // The flags in the order of their boxes on the panel.
  enum Flag { Stereo, Compressed, ArtificialHead, DynamicPty, kFlags };

  THIPanelRush panel{controlParent()};
  std::array<ThiCheckBoxRush, kFlags> boxes =
      Controls<ThiCheckBoxRush, kFlags>(panel.controlParent());
  std::array<THIini, kFlags> settings;
  THIHub load;
  std::array<THIMemory, kFlags> loaded;
  std::array<THIIf_else, kFlags> loadTests;
  std::array<THIHub, kFlags> boxHubs;
  std::array<THIMemory, kFlags> states;
  THIHub build;
  THIStrCat highPair, lowPair, allDigits;
  THIConvertor converter;
  THIMemory value;
  THIFormatStr formatter;
};

template <>
struct PanelOf<protocol::Di> {
  using type = DiPanel;
};

}  // namespace hi
