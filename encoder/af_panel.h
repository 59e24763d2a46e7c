// The AF function panel: the number of alternative frequencies, the transmitter's own frequency
// and up to six alternatives, each chosen from the FM band, sent as AF codes in one line.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Enables the frequency lists that the AF number uses.
class AfEnabler : public TClassMultiBase {
 public:
  enum Input : uint16_t { AfNumber, kInputs };
  // Each enables (1) or disables (0) its lists.
  enum Output : uint16_t { LocalAndAf1, Af2, Af3, Af4, Af5, Af6, kOutputs };

  AfEnabler(TOuterSide& owner, ControlParent parent);

  THIMemory number;
  THIHub compare;
  std::array<THIIf_else, kOutputs> enough;
  std::array<THIChanelToIndex, kOutputs> enabled;
};

// Turns the AF number into what the AF line carries.
class AfCountCoder : public TClassMultiBase {
 public:
  // Input N tells that N AFs were chosen.
  enum Input : uint16_t { NoAfs, SixAfs = NoAfs + 6, kInputs };
  enum Output : uint16_t {
    DisabledText,  // the text "0"
    CountCode,     // 225 + N
    LineCarries,   // which of the two the line carries, 0 or 1
    kOutputs
  };

  AfCountCoder(TOuterSide& owner, ControlParent parent);

  std::array<THIHub, kInputs> inputs;
  std::array<THIDoData, kInputs> codes;
  THIChanelToIndex choice;
};

class AfPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t { BringToFront, Load, ShowOrHide, kInputs };
  enum Output : uint16_t { Lines, kOutputs };

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
  THIMultiElement countCoder{AfCountCoder::kOutputs, 0};

  // The frequency lists in the order of their settings: Local, AF 1..6.
  THIComboBox& frequencyList(int k) { return k == 0 ? local : afs[static_cast<size_t>(k - 1)]; }

 private:
  void placeControls();
  void wirePoints();
  void wireNumber();
  void wireFrequencies();
  void wireLine();
};

template <>
struct PanelOf<protocol::Af> {
  using type = AfPanel;
};

}  // namespace hi
