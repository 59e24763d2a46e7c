// The Page PS function panel: ten eight-character pages that the encoder shows in turn, sent in
// one PS line and followed by the page-change interval.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "encoder/function_panel.h"
#include "encoder/ps_interval.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

class PagePsPanel : public TClassMultiBase {
 public:
  // ShowLaterPages shows or hides pages 7..10.
  enum Input : uint16_t { BringToFront, Load, ShowOrHide, ShowLaterPages, kInputs };
  // The PS line, then the DS line 300 ms later.
  enum Output : uint16_t { Lines, kOutputs };

  static constexpr int kPages = 10;

  PagePsPanel(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  std::array<THILabel, kPages> labels = Controls<THILabel, kPages>(panel.controlParent());
  std::array<THIEdit, kPages> pages = Controls<THIEdit, kPages>(panel.controlParent());
  ThiButtonRush send{panel.controlParent()};
  THILabel warning{panel.controlParent()};

  // Each page: its eight-character value, its setting and its length check.
  std::array<THIHub, kPages> pageChanged;
  std::array<THIStrCat, kPages> padded;
  std::array<THICopy, kPages> cut;
  std::array<THIMemory, kPages> values;
  std::array<THIini, kPages> pageSettings;
  std::array<THILength, kPages> lengths;
  std::array<THIHub, kPages> lengthChecks;
  std::array<THIIf_else, kPages> empty, tooLong;
  THIChanelToIndex showWarning;

  THIHub load;

  THIFormatStr psLine;
  THIHub psSent;

  THIHub lines;
  THIHub laterPages;

  THIMultiElement psInterval{PsInterval::kOutputs, 0};

  PsInterval* intervals = nullptr;

 private:
  void placeControls();
  void wirePoints();
  void wirePages();
  void wireLine();
};

template <>
struct PanelOf<protocol::PagePs> {
  using type = PagePsPanel;
};

}  // namespace hi
