// The root of the container tree: the main form, its page buttons, the pages, and the routing of
// every command line to the connection page's serial element.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/help_page.h"
#include "app/info_window.h"
#include "app/line_break_selector.h"
#include "app/settings_pages.h"
#include "app/tray_icon_animator.h"
#include "app/tray_menu_checker.h"
#include "app/tray_menu_enabler.h"
#include "dyntext/dynamic_text_panel.h"
#include "dyntext/now_sending.h"
#include "elements/flow.h"
#include "elements/strings.h"
#include "elements/system.h"
#include "encoder/connection_panel.h"
#include "encoder/rds_settings_page.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"
#include "ui/form.h"
#include "ui/hints.h"
#include "ui/tray.h"

namespace remote {
class UecpInput;
class WebConsole;
}  // namespace remote

namespace hi {

class MainWindow : public TRootContainer {
 public:
  MainWindow();
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  MainWindow(MainWindow&&) = delete;
  MainWindow& operator=(MainWindow&&) = delete;

  // The window goes on the screen before its pages are built and before the start-up loads; the
  // program sets this, the tests build and load everything at once. `whenShown` runs right after
  // the window was put on the screen, before anything of the first picture is built.
  static inline bool showFirst = false;
  static inline std::function<void()> whenShown;
  // Where the web console listens ("127.0.0.1:8080"); empty: as rds.ini's [Web] Listen says, and
  // off when that is empty too. `version` is what it reports.
  static inline std::string webListen;
  static inline std::string version = "unknown";

  enum Page { SelectDevice, RdsSettings, DynamicText, OtherSettings, Information, kPages };
  // The looks of a page button; its memories hold them as style lists.
  static constexpr ThiButtonRush::Style kSelectedStyle = {
      .firstColor = 0xFFC222,  // RGB(34, 194, 255)
      .secondColor = 0xFF0000};
  static constexpr ThiButtonRush::Style kUnselectedStyle = {
      .firstColor = 0xC0C0C0,  // RGB(192, 192, 192)
      .secondColor = 0x000000};

  THIMainForm form;
  THIImage titleStrip{form.controlParent()};
  THIImgBtn help{form.controlParent()};
  THIImgBtn hide{form.controlParent()};
  THIImgBtn close{form.controlParent()};
  std::array<ThiButtonRush, kPages> pageButtons =
      Controls<ThiButtonRush, kPages>(form.controlParent());
  std::array<THIMemory, kPages> selectedStyles, unselectedStyles;
  std::array<THIMT_String, kPages> selectStyle, unselectStyle;
  std::array<THIHub, kPages> pageClicked;

  THIHintManager hints, moreHints;
  THIDoData activeOn, activeOff;
  THIMoveWindow move;

  THIHub sendHub;
  THIHub startHub, loadHub;
  THIKeyboardLayout keyboard;
  THIHub closeHub, closing;
  THIDoData closingLine;

  THIHub connectionState, connectedPages, portPages, deviceType;

  // Dynamic lines go to the strip's composer first, then to the port. A tag changes a flag only
  // when it holds another state than the flag has.
  THIHub dynamicPs, dynamicRt;
  // While a UECP source has set PS or RT (1), the dynamic engine's lines for it are held back.
  THIMemory uecpHoldsPs, uecpHoldsRt;
  THIIf_else psGate, rtGate;
  THIIf_else taTag, tpTag, msTag;

  // Tray icon and menu. The menu's items 7..10 raise a page and restore the window.
  THITrayIcon tray{form};
  ThiPopupMenuEx trayMenu;
  THIIndexToChanel trayItems;
  THIHub trayHidden, restore, trayClicked;
  THIIf_else showInfoInTray, rightClick, leftClick;
  std::array<THIHub, 4> trayPages;
  THIHub connectedHub, disconnectedHub;
  THIDoData connectedInfo, disconnectedInfo;
  // A lost port shows as disconnected in the tray and the info window; the page stays connected.
  THIHub portLost, portBack;
  THIDoData resendDynamic;
  // An encoder that restarted has lost the flags the panel shows: they go out again when a lost
  // port is back, and at a connect while a dynamic engine runs.
  THIHub flagsAgain;
  std::array<THIDoData, 3> flagAgain;
  THIMemory dpsRuns, drtRuns;
  THIIf_else dpsRunning, drtRunning;
  // The now-sending strip empties a line that is no longer sent.
  THIHub dpsState, drtState;
  THIIf_else dpsOff, drtOff;

  // Automatic start actions; the day names and the info window after the load.
  THIIndexToChanel autoStart;
  THIDoData autoDps, autoDrt;
  THIHub infoAfterLoad;
  std::array<THIDoData, 4> infoFlags;

  // The taskbar title: the dynamic text while the window has lost the focus.
  THIApplication application;
  THIMemory focusLost;
  THIDoData focusOn, focusOff, defaultTitle;
  THIHub focusGained, psTitle;
  THIIf_else crLfModel, lfModel;
  THIStrPart cutCrLf, cutLf;
  THIIf_else psChosen, rtChosen, psOnTaskbar, rtOnTaskbar, psUnfocused, rtUnfocused;

  THIMultiElement connection{ConnectionPanel::kOutputs, 0};
  THIMultiElement rdsSettings{RdsSettingsPage::kOutputs, RdsSettingsPage::kDataInputs};
  THIMultiElement dynamicText{DynamicTextPanel::kOutputs, DynamicTextPanel::kDataInputs};
  THIMultiElement settings{SettingsPages::kOutputs, 0};
  // The "Information" page (help and tags); `info` below is the small window shown from the tray.
  THIMultiElement information{0, 0};
  THIMultiElement composer{LineDisplayComposer::kOutputs, 0};
  THIMultiElement nowSending{NowSendingPanel::kOutputs, 0};
  THIMultiElement info{InfoWindow::kOutputs, InfoWindow::kDataInputs};
  THIMultiElement trayChecker{TrayMenuChecker::kOutputs, 0};
  THIMultiElement trayEnabler{TrayMenuEnabler::kOutputs, 0};
  THIMultiElement animator{TrayIconAnimator::kOutputs, 0};
  THIMultiElement lineBreaks{0, 0};

  ConnectionPanel* connectionPage = nullptr;
  RdsSettingsPage* rdsSettingsPage = nullptr;
  DynamicTextPanel* dynamicTextPage = nullptr;
  SettingsPages* settingsPages = nullptr;
  HelpPage* helpPage = nullptr;
  InfoWindow* infoWindow = nullptr;
  LineDisplayComposer* displayComposer = nullptr;
  NowSendingPanel* nowSendingStrip = nullptr;

  // Built with the pages; listens once the settings pages have loaded its address.
  std::unique_ptr<remote::UecpInput> uecp;
  // Last, so that it stops before anything it reads goes away.
  std::unique_ptr<remote::WebConsole> webConsole;

 private:
  void placeControls();
  void wireTitleStrip();
  void wirePageSwitching();
  void wireSendRouting();
  void wireStartUp();
  void wireClosing();
  void wireConnectionState();
  void wireFlagsAgain();
  void wireDeviceType();
  void wireAutomationTags();
  void wireAutomaticStart();
  void wireInfoWindow();
  void wireTray();
  void wireTaskbarTitle();
  void wireUecp();
  void buildPages();
  void buildFirstView();
  void buildHiddenParts();
  void startWebConsole();
};

}  // namespace hi
