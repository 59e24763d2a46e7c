// The "RDS Settings" page: hosts the function selector and the function panels, merges every
// command line they produce, sends the clock time once a minute and drives the EEPROM commands.
#pragma once

#include <array>
#include <utility>

#include "elements/clocktime.h"
#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/system.h"
#include "elements/time.h"
#include "encoder/af_panel.h"
#include "encoder/di_panel.h"
#include "encoder/function_panel.h"
#include "encoder/function_selector.h"
#include "encoder/page_ps_panel.h"
#include "encoder/pi_panel.h"
#include "encoder/ps_panel.h"
#include "encoder/pty_panel.h"
#include "encoder/rt_panel.h"
#include "encoder/scrolling_ps_panel.h"
#include "encoder/tp_ta_ms_panel.h"
#include "protocol/functions.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

class RdsSettingsPage : public TClassMultiBase {
 public:
  // PagedPsSwitch to AfSwitch take the device-type switches of the connection page.
  enum Input : uint16_t {
    BringToFront,
    Load,
    ConnectedChanged,  // re-evaluates the clock time
    SetPty,
    SetTp,
    SetTa,
    ToggleTp,
    ToggleTa,
    PagedPsSwitch,
    PsSwitch,
    ClockTimeForm,
    LaterPagesSwitch,
    DeviceType,
    ScrollingLimit,
    AfSwitch,
    SetMs,
    kInputs
  };
  enum Output : uint16_t {
    Lines,        // every command line of the page
    FlagChanged,  // 0 TP, 1 TA, 2 MS, 3 "Transmit CT"
    TpChanged,    // the new state
    TaChanged,
    PiOrPtyChanged,
    EepromPressed,
    ClockTick,
    kOutputs
  };
  enum DataInput : uint16_t { ConnectedFlag, Terminator, kDataInputs };
  enum Readable : uint16_t { TransmitCt, TpState, TaState, MsState, PiText, PtyName, kReadables };

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

  // The selector and one panel per send function, at the position of its row.
  THIMultiElement selector{FunctionSelector::kOutputs, 0};
  std::array<THIMultiElement, protocol::kFunctions> panels =
      FunctionOuters(std::make_index_sequence<protocol::kFunctions>());

  FunctionSelector* functions = nullptr;

  // The panel of a function, once built.
  template <protocol::Function F>
  typename PanelOf<F>::type& function() const {
    return *static_cast<typename PanelOf<F>::type*>(panels[F].child());
  }

 private:
  void placeControls();
  void wirePoints();
  void wireLoad();
  void wireTransmitCt();
  void wireClockTime();
  void wireEeprom();
  void wireFunctionPanels();
  void wireFlags();
  void buildPanels();

  template <size_t... F>
  static std::array<THIMultiElement, sizeof...(F)> FunctionOuters(std::index_sequence<F...>) {
    return {THIMultiElement(PanelOf<protocol::Function(F)>::type::kOutputs,
                            DataInputsOf<typename PanelOf<protocol::Function(F)>::type>())...};
  }
  template <class P>
  static constexpr int DataInputsOf() {
    if constexpr (requires { P::kDataInputs; })
      return P::kDataInputs;
    else
      return 0;
  }
  template <protocol::Function F>
  void buildPanel() {
    panels[F].build<typename PanelOf<F>::type>(panel.controlParent());
  }
  // The panel in front is built last.
  template <size_t... F>
  void buildFunctionPanels(std::index_sequence<F...>) {
    ((protocol::kFunctionRows[F].startsInFront ? void() : buildPanel<protocol::Function(F)>()),
     ...);
    ((protocol::kFunctionRows[F].startsInFront ? buildPanel<protocol::Function(F)>() : void()),
     ...);
  }
};

}  // namespace hi
