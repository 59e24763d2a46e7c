// The interval list of the PS panels and the DS line that follows each of their PS lines.
#pragma once

#include "elements/flow.h"
#include "elements/math.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// The interval is the list position + 2 (half seconds); no selection means no interval.
// The list is placed on the parent the panel passes.
class PsInterval : public TClassMultiBase {
 public:
  // Load reads the stored interval; PsSent tells that a PS line was sent.
  enum Input : uint16_t { Load, PsSent, kInputs };
  enum Output : uint16_t { DsLine, kOutputs };

  PsInterval(TOuterSide& owner, ControlParent parent, const char* key, const char* dsMask);

  THIComboBox list{controlParent()};
  THIIf_else chosen;
  THIMath toValue;
  THIHub changed;
  THIMemory value;
  THIini setting;
  THIMath toPosition;

  // DS lines owed to PS lines already sent, one per timer run.
  THIMemory pending;
  THIMath addPending, removePending;
  THIHub owed;
  THIIf_else firstOwed, stillOwed;
  THITimer timer;
  THIHub due;
  THIIf_else known;
  THIFormatStr dsLine;
};

// Page PS: the page-change interval, step 8.
class PagePsInterval : public PsInterval {
 public:
  PagePsInterval(TOuterSide& owner, ControlParent parent)
      : PsInterval(owner, parent, "PPS change int", "DS%1,8\r\n") {}
};

// Scrolling PS: the step interval, step 1.
class ScrollingPsInterval : public PsInterval {
 public:
  ScrollingPsInterval(TOuterSide& owner, ControlParent parent)
      : PsInterval(owner, parent, "SPS change int", "DS%1,1\r\n") {}
};

}  // namespace hi
