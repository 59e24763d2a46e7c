// The "Other settings" panel: a page list on the left and five pages on the right — the
// automatic start actions, the names of the days for "%Day%", the info-window options, the
// switch for automation commands and the UECP input. Every control writes its key of rds.ini at
// once.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "elements/flow.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

// Writes its text to the event log.
class THILogLine : public TDebug {
 public:
  std::string text;
  void doLog(TData& data, uint16_t index);
};

class SettingsPages : public TClassMultiBase {
 public:
  // StartTimers starts the timers of the automatic start actions; ToggleShowInfo toggles "Show
  // info window when minimized to tray".
  enum Input : uint16_t { BringToFront, Load, StartTimers, ToggleShowInfo, kInputs };
  enum Output : uint16_t {
    ActionDue,  // the StartAction whose time has come
    ShowInfoChanged,
    TagSwitch,  // the automation switch, when loaded and when changed
    TagSwitchChanged,
    UecpListen,  // the UECP input's address, when loaded and when edited
    kOutputs
  };
  enum Readable : uint16_t {
    MondayName,  // the names of the days for "%Day%", Monday to Sunday
    SundayName = MondayName + 6,
    ShowInfo,          // "Show info window when minimized to tray"
    ShowOnTaskbar,     // "Show info on taskbar when minimized"
    RtChosen,          // "Show Dynamic RT" chosen
    PsChosen,          // "Show Dynamic PS" chosen
    RtChosenForTitle,  // the same as RtChosen
    kReadables
  };

  SettingsPages(TOuterSide& owner, ControlParent parent);

  enum Page { StartPage, DayPage, InfoPage, TagPage, UecpPage, kPages };
  enum StartAction { AutoConnect, AutoDps, AutoDrt, AutoTray, kStartActions };
  static constexpr int kDays = 7;

  THIPanelRush panel{controlParent()};
  THIPanelRush listPanel{panel.controlParent()};
  std::array<THILabel, kPages> pageList = Controls<THILabel, kPages>(listPanel.controlParent());
  THIImage marker{listPanel.controlParent()};
  std::array<THIPanelRush, kPages> pages = Controls<THIPanelRush, kPages>(panel.controlParent());

  // Automatic start actions.
  std::array<ThiCheckBoxRush, kStartActions> autostart =
      Controls<ThiCheckBoxRush, kStartActions>(pages[StartPage].controlParent());

  // Day names.
  std::array<THILabel, kDays> dayLabels = Controls<THILabel, kDays>(pages[DayPage].controlParent());
  std::array<THIEdit, kDays> dayNames = Controls<THIEdit, kDays>(pages[DayPage].controlParent());
  THILabel dayWarning{pages[DayPage].controlParent()};

  // Info-window options.
  ThiCheckBoxRush showInfo{pages[InfoPage].controlParent()};
  ThiCheckBoxRush showTaskbar{pages[InfoPage].controlParent()};
  ThiRadioButtonRush showPs{pages[InfoPage].controlParent()};
  ThiRadioButtonRush showRt{pages[InfoPage].controlParent()};

  // Automation commands.
  ThiCheckBoxRush tagControl{pages[TagPage].controlParent()};

  // UECP input: where it listens, and what it does.
  THILabel uecpLabel{pages[UecpPage].controlParent()};
  THIEdit uecpListen{pages[UecpPage].controlParent()};
  THILabel uecpState{pages[UecpPage].controlParent()};

  THIHub load;

  // The page list.
  THIChanelToIndex pageClicked;
  THIHub pageChosen;
  THIIndexToChanel pageRouter;
  THIStrList markerPositions;

  // Automatic start actions.
  std::array<THIini, kStartActions> autoSettings;
  std::array<THIIf_else, kStartActions> autoStored;
  // A stored auto-enable option counts only together with Auto Connect, as the boxes show it.
  std::array<THIIf_else, kStartActions> enableAllowed;
  std::array<THIHub, kStartActions> enableRefusedHub;
  std::array<THILogLine, kStartActions> enableRefusedLog;
  std::array<THIDoData, kStartActions> enableRefused;
  THIHub connectChanged;
  THIIf_else connectOff;
  THIHub enableOff;
  THIHub startAll;
  // Fire after 2, 3 and 4 seconds.
  std::array<THITimer, 3> startTimers;
  THIHub dynamicTimeUp;
  std::array<THIIf_else, kStartActions> autoWanted;
  THIChanelToIndex action;

  // Day names.
  std::array<THIini, kDays> daySettings;
  std::array<THIHub, kDays> dayChanged;
  THILength dayLength;
  THIIf_else dayTooLong;
  THIChanelToIndex showDayWarning;

  // Info-window options.
  THIini showInfoSetting, showTaskbarSetting, infoTaskbarSetting;
  THIIf_else showInfoStored, showTaskbarStored, rtStored;
  THIHub showInfoChanged, showTaskbarChanged;
  THIIf_else showInfoTicked;
  THIDoData showInfoOn, showInfoOff;
  THIHub psChosen, rtChosen;
  THIDoData psName, rtName, checkPs, checkRt, uncheckPs, uncheckRt;

  // Automation commands.
  THIini tagSetting, tagControlSetting;
  THIIf_else tagControlStored;
  THIHub tagChanged;

  THIini uecpSetting;
  THIHub uecpLoaded, uecpDone;

 private:
  void placeControls();
  void wirePoints();
  void wireLoad();
  void wirePageList();
  void wireStartOptions();
  void wireStartTimers();
  void wireDayNames();
  void wireInfoOptions();
  void wireTagControl();
  void wireUecp();
};

}  // namespace hi
