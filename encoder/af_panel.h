// The AF function panel: the number of alternative frequencies, the transmitter's own frequency
// and up to six alternatives, each chosen from the FM band, sent as AF codes in one line.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Enables the frequency lists that the AF number uses.
// Input 0: the AF number. Output 0: Local and AF 1 enabled (1) or not (0); outputs 1..5: AF 2..6.
class AfEnabler : public TClassMultiBase {
 public:
  static constexpr int kOutputs = 6;

  AfEnabler(TOuterSide& owner, ControlParent parent);

  THIMemory number;
  THIHub compare;
  std::array<THIIf_else, kOutputs> enough;
  std::array<THIChanelToIndex, kOutputs> enabled;
};

// Turns the AF number into what the AF line carries.
// Input N (0..6): N AFs chosen. Output 0: the text "0" (AF disabled); output 1: the count code
// 225 + N; output 2: which of the two the line carries (0 or 1).
class AfCountCoder : public TClassMultiBase {
 public:
  static constexpr int kInputs = 7;

  AfCountCoder(TOuterSide& owner, ControlParent parent);

  std::array<THIHub, kInputs> inputs;
  std::array<THIDoData, kInputs> codes;
  THIChanelToIndex choice;
};

// Inputs: 0 bring to front, 1 load, 2 show or hide. Output 0: the AF line.
class AfPanel : public TClassMultiBase {
 public:
  static constexpr int kAfs = 6;
  // Local and AF 1..6.
  static constexpr int kFrequencies = kAfs + 1;
  // The entry "No AF", also the AF filler code.
  static constexpr int kNoAf = 205;

  AfPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THILabel numberLabel{panel.controlParent()};
  THIComboBox number{panel.controlParent()};
  THILabel localLabel{panel.controlParent()};
  THIComboBox local{panel.controlParent()};
  std::array<THILabel, kAfs> afLabels = Controls<THILabel, kAfs>(panel.controlParent());
  std::array<THIComboBox, kAfs> afs = Controls<THIComboBox, kAfs>(panel.controlParent());
  ThiButtonRush send{panel.controlParent()};

  THIini numberSetting;
  std::array<THIini, kFrequencies> frequencySettings;  // Local, AF 1..6
  THIHub load;

  // A list that reports no selection is set to "Disable AF" or "No AF" instead.
  THIIf_else numberInList;
  THIDoData noNumber;
  std::array<THIIf_else, kFrequencies> frequencyInList;
  std::array<THIDoData, kFrequencies> noFrequency;

  THIHub numberChanged;
  THIHub firstEnabled;
  THIIndexToChanel countRouter;
  std::array<THIHub, kFrequencies> frequencyChanged;
  std::array<THIMemory, kFrequencies> frequencies;

  THIMemory disabledText, countCode;
  THIHub rebuild;
  THIFormatStr list;
  THIMemory listText;
  THIGetIndexData choice;
  THIMemory chosen;
  THIIf_else anyChosen;
  THIFormatStr afLine;

  THIMultiElement enabler{AfEnabler::kOutputs, 0};
  THIMultiElement countCoder{3, 0};

  // The frequency lists in the order of their settings: Local, AF 1..6.
  THIComboBox& frequencyList(int k) { return k == 0 ? local : afs[static_cast<size_t>(k - 1)]; }
};

}  // namespace hi
