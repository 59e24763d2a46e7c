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
class LineDisplayComposer : public TClassMultiBase {
 public:
  enum Input : uint16_t { PsLine, RtLine, kInputs };
  // The fields keep their terminators; PsDisplay is "PS: " and the PS field.
  enum Output : uint16_t { PsDisplay, RtField, UnusedOutput2, PsField, kOutputs };

  LineDisplayComposer(TOuterSide& owner, ControlParent parent);

  THIStrPart psSplit, rtSplit;
  THIHub psField;
  THIStrCatDelim psJoin;
};

class NowSendingPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t {
    UnusedInput0,
    PsDisplay,
    RtField,
    ShowLines,  // 1 shows both LCD lines, 0 hides them
    RtWidth,    // by model: its radio-text width
    PsStopped,  // nothing is sent as PS any more
    RtStopped,
    // The port is lost: both lines empty, and what the engines make meanwhile never reaches the
    // encoder, so it is not shown until PortBack or a connect (ShowLines 1).
    PortLost,
    PortBack,
    kInputs
  };
  enum Output : uint16_t {
    UnusedOutput0,
    CleanRt,  // the cleaned RT text at every new RT
    // What the RT line shows after its first ":", at every new RT and every marquee step.
    RtShown,
    kOutputs
  };

  NowSendingPanel(TOuterSide& owner, ControlParent parent);

  // An RT longer than this runs as a marquee.
  static constexpr int kLongRt = 27;

  THIPanelRush panel{controlParent()};
  THILabel title{panel.controlParent()};
  THILabel psLine{panel.controlParent()};
  THILabel rtLine{panel.controlParent()};

  // 1 while the lines reach the encoder.
  THIMemory reaching;
  THIIf_else psReaching, rtReaching;
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
  THIIf_else linesShown;

  // The strip shows only what is being sent: a line no longer sent is emptied.
  THIHub psStopped, rtStopped;
  THIDoData psEmpty, rtEmpty;
  THIHub portLost;
  THIDoData lostState, backState;

 private:
  void placeControls();
  void wirePsLine();
  void wireRtLine();
  void wireMarquee();
  void wireShowAndStop();
};

}  // namespace hi
