// The "Now sending dynamic text" strip: the PS and RT lines the dynamic-text engine last handed
// to the encoder, in LCD-style lettering, with a long RT running through its line as a marquee.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "elements/system.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/controls.h"

namespace hi {

// Turns command lines into display texts.
// Inputs: 0 a PS line, 1 an RT line. Outputs: 0 "PS: " and the PS field with its terminator,
// 1 the RT field with its terminator, 3 the PS field with its terminator (2 is unused).
class LineDisplayComposer : public TClassMultiBase {
 public:
  LineDisplayComposer(TOuterSide& owner, ControlParent parent);

  THIStrPart psSplit, rtSplit;
  THIHub psField;
  THIStrCatDelim psJoin;
};

// Inputs: 1 a PS display text, 2 an RT field text, 3 show (1) or hide (0) both LCD lines,
// 4 the RT display width by index (0: 64, 1: 32, 2: 35 characters), 5 nothing is sent as PS any
// more, 6 nothing is sent as RT any more.
// Outputs: 1 the cleaned RT text at every new RT, 2 what the RT line shows after its first ":",
// at every new RT and every marquee step.
class NowSendingPanel : public TClassMultiBase {
 public:
  NowSendingPanel(TOuterSide& owner, ControlParent parent);

  // An RT longer than this runs as a marquee.
  static constexpr int kLongRt = 27;

  THIPanelRush panel{controlParent()};
  THILabel title{panel.controlParent()};
  THILabel psLine{panel.controlParent()};
  THILabel rtLine{panel.controlParent()};

  THIChangeMon psChange;
  THICopy psCut;

  THIIndexToChanel widthSelect;
  std::array<THIDoData, 3> widths;
  THIMemory width;

  THIChangeMon rtChange;
  THICopy rtCut;
  THIBlankControls blanker;
  THITrim cleaner;
  THIHub newRt;
  THILength length;
  THIIf_else longText;

  THITimer marquee;
  THIHub step;
  THICounter counter;
  THICopy marqueeCut;

  THIStrCat rtText;
  THIFormatStr rtWindow;
  THIHub shown;
  THIStrPart afterColon;

  THIHub showLines;

  // The strip shows only what is being sent: a line no longer sent is emptied.
  THIHub psStopped, rtStopped;
  THIDoData psEmpty, rtEmpty;
};

}  // namespace hi
