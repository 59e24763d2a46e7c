// The "RDS Settings" page: hosts the function selector and the function panels, merges every
// command line they produce, sends the clock time once a minute and drives the EEPROM commands.
#pragma once

#include <array>

#include "elements/clocktime.h"
#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/system.h"
#include "elements/time.h"
#include "encoder/af_panel.h"
#include "encoder/di_panel.h"
#include "encoder/function_selector.h"
#include "encoder/page_ps_panel.h"
#include "encoder/pi_panel.h"
#include "encoder/ps_panel.h"
#include "encoder/pty_panel.h"
#include "encoder/rt_panel.h"
#include "encoder/scrolling_ps_panel.h"
#include "encoder/tp_ta_ms_panel.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

// Inputs: 0 bring to front, 1 load, 2 re-evaluate clock time, 3 set PTY, 4 set TP, 5 set TA,
// 6 toggle TP, 7 toggle TA, 8..14 device-type switches, 15 set MS.
// Outputs: 0 command lines, 1 which flag changed, 2 TP state, 3 TA state, 4 PTY or PI changed,
// 5 EEPROM button pressed, 6 clock-time tick.
// Data inputs: 0 connected flag, 1 line terminator.
// Readables: 0 "Transmit CT", 1..3 TP, TA, MS, 4 PI text, 5 PTY name.
class RdsSettingsPage : public TClassMultiBase {
 public:
  RdsSettingsPage(TOuterSide& owner, ControlParent parent);

  THIPanelRush panel{controlParent()};
  THIImage picture{panel.controlParent()};
  ThiCheckBoxRush transmitCt{panel.controlParent()};
  ThiButtonRush saveEeprom{panel.controlParent()};
  ThiButtonRush readEeprom{panel.controlParent()};

  THIHub commands;
  THIIndexToChanel panelChooser;
  THIHub loadHub;
  THIHub pagedPsSwitch, psSwitch, afSwitch;
  THIIndexToChanel scrollingLimit;

  // Which of TP (0), TA (1), MS (2) changed; the "Transmit CT" box reports 3 itself.
  THIHub tpChanged, taChanged, msChanged;
  THIDoData tpReport, taReport, msReport;

  // "Transmit CT".
  THIini ctSetting;
  THIIf_else ctStored;
  THIDoData checkCt;
  THIHub ctChanged;
  THIIf_else ctChecked;
  THIDoData ctOn, ctOff, ctReport;
  THIMemory ctEnabled;
  THIIf_else ctWanted, connected;
  THITimer ctTimer;

  // One clock-time line per tick: both forms are built, the chosen one is sent when it changed.
  THIHub tick;
  THITime clock;
  THIDateConvertor localTime;
  THIMultiStrPart dateParts;
  ThiInlineCode_19BC8B0 payload;
  THIMultiStrPart payloadParts;
  THIHub buildLines;
  THIFormatStr textForm;
  THIHub byteForm;
  std::array<THIConvertor, 5> bytes;
  std::array<THIStrCat, 6> joined;
  THIGetIndexData chosenForm;
  THIChangeMon lastLine;

  // EEPROM.
  THIHub saveHub, readHub;
  THIFormatStr saveLine, readLine;
  THIDoData eepromDone;

  // The selector and the nine function panels, PI last so that it starts in front.
  THIMultiElement selector{1, 0};
  THIMultiElement scrollingPs{1, 0};
  THIMultiElement pagePs{1, 0};
  THIMultiElement rt{1, 1};
  THIMultiElement pty{2, 1};
  THIMultiElement di{1, 1};
  THIMultiElement flags{4, 1};
  THIMultiElement ps{1, 0};
  THIMultiElement af{1, 0};
  THIMultiElement pi{2, 1};

  FunctionSelector* functions = nullptr;
  ScrollingPsPanel* scrollingPsPanel = nullptr;
  PagePsPanel* pagePsPanel = nullptr;
  RtPanel* rtPanel = nullptr;
  PtyPanel* ptyPanel = nullptr;
  DiPanel* diPanel = nullptr;
  TpTaMsPanel* flagsPanel = nullptr;
  PsPanel* psPanel = nullptr;
  AfPanel* afPanel = nullptr;
  PiPanel* piPanel = nullptr;
};

}  // namespace hi
