// The small floating window that shows, in LCD lettering, what the encoder is being sent while
// the main window sits in the tray: PI and PTY, the TP, TA and M/S flags, the clock-time state
// and the dynamic PS and RT.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/system.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/tray.h"

namespace hi {

class InfoWindow : public TClassMultiBase {
 public:
  enum Input : uint16_t {
    Show,  // topmost, in front
    ApplyTransparency,
    ShowChecked,  // the check mark of "Show", 1 checked
    Close,        // hides the window
    RewritePiPty,
    ShowFlag,  // 0..3: shows or hides TP, TA, M/S or CT by its data input
    DynamicPs,
    ConnectionState,  // 0 connected, 1 not connected
    UnusedInput8,
    ClockTime,  // "CT: hh:mm" from the local time
    DynamicRt,
    kInputs
  };
  // "Show" was picked in the menu.
  enum Output : uint16_t { ShowPicked, kOutputs };
  enum DataInput : uint16_t { PiText, PtyName, TpState, TaState, MsState, TransmitCt, kDataInputs };

  InfoWindow(TOuterSide& owner, ControlParent parent);

  THIMainForm form;
  THILabel piPty{form.controlParent()};
  THILabel notConnected{form.controlParent()};
  THILabel tp{form.controlParent()};
  THILabel ta{form.controlParent()};
  THILabel ms{form.controlParent()};
  THILabel ct{form.controlParent()};
  THILabel psTitle{form.controlParent()};
  THILabel ps{form.controlParent()};
  THILabel rtTitle{form.controlParent()};
  THILabel rt{form.controlParent()};

  // Show.
  THIHub show;
  THIDoData topMostOn;
  THIWinTools topMost;

  // PI/PTY line.
  THIFormatStr piPtyText;
  THIBlankControls piPtyClean;

  // Flags: each shows its label when its data input equals 1.
  THIIndexToChanel flagRouter;
  std::array<THIIf_else, 4> flagSet;
  std::array<THIChanelToIndex, 4> flagShown;

  // PS and RT.
  THIReplace psCrToLf;
  THIStrPart psCut;
  THIBlankControls psClean;
  THIBlankControls rtClean;

  // Connection state.
  THIIndexToChanel connectionRouter;
  THIHub connected, disconnected;
  THIFont connectedFont, disconnectedFont;
  THIHub statusFont;
  THIDoData linesOn, linesOff, bannerOff, bannerOn;
  THIHub lines;

  // Clock time.
  THITime clock;
  THIFormatStr ctText;

  // Transparency.
  THIini transparentOn, transparentOff;
  THIHub loadTransparency;
  THIIf_else onSet, offSet;
  THIHub onApplied, offApplied;
  THIDoData translucent, opaque;
  THIChanelToIndex onState, offState;
  THIHub storeOn, storeOff;

  // Menu.
  ThiPopupMenuEx menu;
  THIIndexToChanel menuItems;
  THIHub enable, disable;
  THIDoData enableOff, enableOn, disableOn, disableOff;
  THIIf_else showSet;
  THIChanelToIndex showState;
  THIMT_Add showMark, enableMark, disableMark;

  // Mouse.
  THIIndexToChanel mouseDown;
  THIMoveWindow move;
  THIIf_else leftDouble;

 private:
  void placeControls();
  void wireShow();
  void wirePiPty();
  void wireFlags();
  void wireDynamicText();
  void wireConnectionState();
  void wireClockTime();
  void wireTransparency();
  void wireMenu();
  void wireMouse();
};

}  // namespace hi
