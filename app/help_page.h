// The "Information" panel: the template tokens and automation tags with one-line explanations;
// a click on a token puts it on the clipboard. Three picture buttons open an e-mail and two web
// pages.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "elements/flow.h"
#include "elements/system.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

class HelpPage : public TClassMultiBase {
 public:
  // EnableTags enables (1) or greys out (0) the automation rows.
  enum Input : uint16_t { BringToFront, EnableTags, kInputs };

  HelpPage(TOuterSide& owner, ControlParent parent);

  static constexpr int kTokens = 13;
  // The rows from here on describe the automation's tags.
  static constexpr int kFirstTag = 6;

  THIPanelRush panel{controlParent()};
  std::array<THILabel, kTokens> tokens = Controls<THILabel, kTokens>(panel.controlParent());
  std::array<THILabel, kTokens> explanations = Controls<THILabel, kTokens>(panel.controlParent());
  THIImgBtn mail{panel.controlParent()};
  THIImgBtn web{panel.controlParent()};
  THIImgBtn web2{panel.controlParent()};

  THIHub enableTags;
  std::array<THIDoData, kTokens> copies;
  THIClipboard clipboard;
  THIWinExec open;
};

}  // namespace hi
