// The traffic programme, traffic announcement and music/speech switches, each sent at once.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Inputs: 0 bring to front, 1 load, 2 set TP, 3 set TA, 4 toggle TP, 5 toggle TA, 6 set MS.
// Outputs: 0 the TP, TA and MS lines, 1..3 the new state of TP, TA, MS.
// Data input 0: line terminator. Readables 0..2: the states of TP, TA, MS.
class TpTaMsPanel : public TClassMultiBase {
 public:
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

}  // namespace hi
