// The traffic programme, traffic announcement and music/speech switches, each sent at once.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class TpTaMsPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t { BringToFront, Load, SetTp, SetTa, ToggleTp, ToggleTa, SetMs, kInputs };
  // Lines carries the TP, TA and MS lines; the others the new state of their flag.
  enum Output : uint16_t { Lines, TpChanged, TaChanged, MsChanged, kOutputs };
  enum DataInput : uint16_t { Terminator, kDataInputs };
  enum Readable : uint16_t { TpState, TaState, MsState, kReadables };

  TpTaMsPanel(TOuterSide& owner, ControlParent parent);

  enum Flag { TP, TA, MS, kFlags };

  THIPanelRush panel{controlParent()};
  std::array<ThiCheckBoxRush, kFlags> boxes =
      Controls<ThiCheckBoxRush, kFlags>(panel.controlParent());
  std::array<THIini, kFlags> settings;
  std::array<THIIf_else, kFlags> loadTests;
  std::array<THIHub, kFlags> setHubs;
  std::array<THIHub, kFlags> changeHubs;
  std::array<THIFormatStr, kFlags> formatters;
  // Only TP and TA have a toggle.
  std::array<THIIf_else, 2> toggleTests;
  std::array<THIDoData, 2> toggleOn, toggleOff;
  THIHub load;
  THIHub lines;
};

template <>
struct PanelOf<protocol::TpTaMs> {
  using type = TpTaMsPanel;
};

}  // namespace hi
