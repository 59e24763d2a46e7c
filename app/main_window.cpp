#include "app/main_window.h"

#ifdef RDS_WEB_CONSOLE
#include "remote/web_console.h"
#endif

#include <utility>

#include "encoder/wiring.h"
#include "remote/uecp_input.h"

namespace hi {

namespace {
constexpr const char* kPageCaptions[MainWindow::kPages] = {"Select\r\ndevice", "RDS\r\nSettings",
                                                           "Dynamic\r\nPS and RT",
                                                           "Other\r\nsettings", "Information"};

TFontRecord FormFont() {
  TFontRecord font;
  font.name = "MS Sans Serif";
  font.size = 8;
  return font;
}
}  // namespace

MainWindow::MainWindow() {
  placeControls();
  wireTitleStrip();
  wirePageSwitching();
  wireSendRouting();
  wireStartUp();
  wireClosing();
  wireConnectionState();
  wireFlagsAgain();
  wireDeviceType();
  wireAutomationTags();
  wireAutomaticStart();
  wireInfoWindow();
  wireTray();
  wireTaskbarTitle();
  wireUecp();
  buildPages();
}

MainWindow::~MainWindow() = default;

void MainWindow::wireUecp() {
  uecp = std::make_unique<remote::UecpInput>(*this);
  link<&remote::UecpInput::doListen>(settings.onEvent[SettingsPages::UecpListen], *uecp);
}

void MainWindow::placeControls() {
  form.setBounds(0, 0, 565, 464);
  form.setColor(0xA4A0A0);  // RGB(160, 160, 164)
  form.setCaption("\"Tessel\" Encoder");
  form.setFrameless(true);
  form.setBackground(":/pictures/background.png");
  form.positionPlace = "rds.ini\\General window";
  form.setFont(FormFont());
  titleStrip.setBounds(7, 0, 388, 31);
  titleStrip.setPicture(":/pictures/title.png");
  help.setBounds(463, 3, 32, 27);
  help.setHint("Help");
  help.setPicture(":/pictures/help.png");
  hide.setBounds(497, 3, 32, 27);
  hide.setHint("Hide to tray");
  hide.setPicture(":/pictures/hide.png");
  close.setBounds(530, 3, 32, 27);
  close.setHint("Close");
  close.setPicture(":/pictures/close.png");

  for (int k = 0; k < kPages; ++k) {
    ThiButtonRush& button = pageButtons[k];
    button.setBounds(13, 51 + 55 * k, 75, 55);
    button.setEnabled(k == Information);
    // The pages not in front look unselected from the start, not only after the first click.
    if (k != SelectDevice) button.setStyle(kUnselectedStyle);
  }
  TFontRecord hintFont;
  hintFont.name = "Adobe Fan Heiti Std B";
  hintFont.size = 8;
  for (THIHintManager* manager : {&hints, &moreHints}) {
    manager->setFont(hintFont);
    manager->setColor(0xFFF3E8);  // RGB(232, 243, 255)
    manager->setDelay(500);
    manager->setDisplayTime(5000);
  }
}

// The title strip shows while the window is active and drags it.
void MainWindow::wireTitleStrip() {
  activeOn.data = TData::Int(1);
  activeOff.data = TData::Int(0);

  link<&THIDoData::doData>(form.onActivate, activeOn);
  link<&THIDoData::doData>(form.onDeactivate, activeOff);
  link<&THIImage::doVisible>(activeOn.onEventData, titleStrip);
  link<&THIImage::doVisible>(activeOff.onEventData, titleStrip);
  link<&THIMoveWindow::doMove>(titleStrip.onMouseDown, move);
  link<&THIMainForm::Handle>(move.Handle, form);
}

// The clicked button selected, the others not, then its page raised. A button gets its style as
// a style list split from the text its memory holds.
void MainWindow::wirePageSwitching() {
  for (int k = 0; k < kPages; ++k) {
    selectedStyles[k].setDefault(TData::Str(kSelectedStyle.list()));
    unselectedStyles[k].setDefault(TData::Str(kUnselectedStyle.list()));
    selectStyle[k].setChar(";");
    unselectStyle[k].setChar(";");
    link<&THIMemory::Value>(selectStyle[k].Str, selectedStyles[k]);
    link<&THIMemory::Value>(unselectStyle[k].Str, unselectedStyles[k]);
    link<&ThiButtonRush::doStyle>(selectStyle[k].onResult, pageButtons[k]);
    link<&ThiButtonRush::doStyle>(unselectStyle[k].onResult, pageButtons[k]);
  }
  for (int k = 0; k < kPages; ++k) {
    THIHub& hub = pageClicked[k];
    hub.setOutCount(6);
    link<&THIHub::doEvent>(pageButtons[k].onClick, hub);
    link<&THIMT_String::doSplit>(hub.onEvent[0], selectStyle[k]);
    size_t output = 1;
    for (int other = 0; other < kPages; ++other)
      if (other != k) link<&THIMT_String::doSplit>(hub.onEvent[output++], unselectStyle[other]);
  }
  link<&THIMultiElement::doWork>(pageClicked[SelectDevice].onEvent[5], connection,
                                 ConnectionPanel::BringToFront);
  link<&THIMultiElement::doWork>(pageClicked[RdsSettings].onEvent[5], rdsSettings,
                                 RdsSettingsPage::BringToFront);
  link<&THIMultiElement::doWork>(pageClicked[DynamicText].onEvent[5], dynamicText,
                                 DynamicTextPanel::BringToFront);
  link<&THIMultiElement::doWork>(pageClicked[OtherSettings].onEvent[5], settings,
                                 SettingsPages::BringToFront);
  link<&THIMultiElement::doWork>(pageClicked[Information].onEvent[5], information,
                                 HelpPage::BringToFront);
  link<&THIHub::doEvent>(help.onClick, pageClicked[Information]);
}

// Every line bound for the encoder leaves through the connection page. Dynamic lines go to the
// strip's composer first.
void MainWindow::wireSendRouting() {
  sendHub.setOutCount(2);
  dynamicPs.setOutCount(2);
  dynamicRt.setOutCount(2);
  psTitle.setOutCount(3);

  link<&THIHub::doEvent>(rdsSettings.onEvent[RdsSettingsPage::Lines], sendHub);
  link<&THIMultiElement::doWork>(sendHub.onEvent[0], connection, ConnectionPanel::SendLine);
  uecpHoldsPs.setDefault(TData::Int(0));
  uecpHoldsRt.setDefault(TData::Int(0));
  IsZero(psGate);
  IsZero(rtGate);
  link<&THIIf_else::doCompare>(dynamicText.onEvent[DynamicTextPanel::PsLine], psGate);
  link<&THIMemory::Value>(psGate.Op1, uecpHoldsPs);
  link<&THIHub::doEvent>(psGate.onTrue, dynamicPs);
  link<&THIMultiElement::doWork>(dynamicPs.onEvent[0], composer, LineDisplayComposer::PsLine);
  link<&THIHub::doEvent>(dynamicPs.onEvent[1], sendHub);
  link<&THIIf_else::doCompare>(dynamicText.onEvent[DynamicTextPanel::RtLine], rtGate);
  link<&THIMemory::Value>(rtGate.Op1, uecpHoldsRt);
  link<&THIHub::doEvent>(rtGate.onTrue, dynamicRt);
  link<&THIMultiElement::doWork>(dynamicRt.onEvent[0], composer, LineDisplayComposer::RtLine);
  link<&THIHub::doEvent>(dynamicRt.onEvent[1], sendHub);
  link<&THIHub::doEvent>(composer.onEvent[LineDisplayComposer::PsDisplay], psTitle);
  link<&THIMultiElement::doWork>(psTitle.onEvent[0], nowSending, NowSendingPanel::PsDisplay);
  link<&THIMultiElement::doWork>(composer.onEvent[LineDisplayComposer::RtField], nowSending,
                                 NowSendingPanel::RtField);
}

// The scan, then the loads; the stored settings are loaded before the automatic start actions'
// timers start.
void MainWindow::wireStartUp() {
  startHub.setOutCount(5);
  loadHub.setOutCount(8);

  link<&THIHub::doEvent>(form.onCreate, startHub);
  link<&THIMT_String::doSplit>(startHub.onEvent[0], selectStyle[SelectDevice]);
  link<&THIHub::doEvent>(startHub.onEvent[1], loadHub);
  link<&THIMultiElement::doWork>(loadHub.onEvent[0], connection, ConnectionPanel::Scan);
  link<&THIMultiElement::doWork>(loadHub.onEvent[1], connection, ConnectionPanel::Load);
  link<&THIMultiElement::doWork>(loadHub.onEvent[2], connection, ConnectionPanel::Check);
  link<&THIMultiElement::doWork>(loadHub.onEvent[3], rdsSettings, RdsSettingsPage::Load);
  link<&THIMultiElement::doWork>(loadHub.onEvent[4], settings, SettingsPages::Load);
  link<&THIMultiElement::doWork>(loadHub.onEvent[5], dynamicText, DynamicTextPanel::Load);
  link<&THIMultiElement::doWork>(loadHub.onEvent[6], info, InfoWindow::ApplyTransparency);
  link<&THIHub::doEvent>(loadHub.onEvent[7], infoAfterLoad);
  link<&THIKeyboardLayout::doSetLayout>(startHub.onEvent[2], keyboard);
  link<&THIMultiElement::doWork>(startHub.onEvent[3], trayEnabler, TrayMenuEnabler::StartUp);
  link<&THIMainForm::doFlash>(startHub.onEvent[4], form);
}

// The encoder gets RM as the last line, with CR LF whatever the model.
void MainWindow::wireClosing() {
  closeHub.setOutCount(1);
  closing.setOutCount(1);
  closingLine.data = TData::Str("RM\r\n");

  link<&THIHub::doEvent>(close.onClick, closeHub);
  link<&THIMainForm::doClose>(closeHub.onEvent[0], form);
  link<&THIHub::doEvent>(form.onClose, closing);
  link<&THIDoData::doData>(closing.onEvent[0], closingLine);
  link<&THIHub::doEvent>(closingLine.onEventData, sendHub);
}

// The connection state fans out to the page buttons, the pages, the strip, the tray and the info
// window. A lost port shows as disconnected in the tray and the info window; the page stays
// connected. When it is back the encoder may have restarted: the flags and the dynamic lines go
// out again even if unchanged.
void MainWindow::wireConnectionState() {
  connectionState.setOutCount(3);
  connectedPages.setOutCount(2);
  portPages.setOutCount(2);
  connectedHub.setOutCount(5);
  disconnectedHub.setOutCount(7);
  connectedInfo.data = TData::Int(0);
  disconnectedInfo.data = TData::Int(1);
  portLost.setOutCount(4);
  portBack.setOutCount(6);
  resendDynamic.data = TData::Int(1);

  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::ConnectionState], connectionState);
  link<&THIHub::doEvent>(connectionState.onEvent[0], connectedPages);
  link<&ThiButtonRush::doEnabled>(connectedPages.onEvent[0], pageButtons[RdsSettings]);
  link<&ThiButtonRush::doEnabled>(connectedPages.onEvent[1], pageButtons[DynamicText]);
  link<&THIMultiElement::doWork>(connectionState.onEvent[1], dynamicText,
                                 DynamicTextPanel::ConnectionState);
  link<&THIMultiElement::doWork>(connectionState.onEvent[2], nowSending,
                                 NowSendingPanel::ShowLines);
  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::Connected], connectedHub);
  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::Disconnected], disconnectedHub);
  link<&THIMultiElement::doWork>(connectedHub.onEvent[0], animator, TrayIconAnimator::Connected);
  link<&THIMultiElement::doWork>(connectedHub.onEvent[1], trayEnabler, TrayMenuEnabler::Connected);
  link<&THIDoData::doData>(connectedHub.onEvent[2], connectedInfo);
  // The tray picture follows the connection at once, not only at the next hide into the tray.
  link<&THIMultiElement::doWork>(connectedHub.onEvent[3], animator, TrayIconAnimator::ShowState);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[0], animator,
                                 TrayIconAnimator::Disconnected);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[1], trayEnabler,
                                 TrayMenuEnabler::Disconnected);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[2], dynamicText,
                                 DynamicTextPanel::UncheckBoth);
  link<&THIDoData::doData>(disconnectedHub.onEvent[3], disconnectedInfo);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[4], animator, TrayIconAnimator::ShowState);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[5], nowSending,
                                 NowSendingPanel::PsStopped);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[6], nowSending,
                                 NowSendingPanel::RtStopped);
  link<&THIMultiElement::doWork>(connectedInfo.onEventData, info, InfoWindow::ConnectionState);
  link<&THIMultiElement::doWork>(disconnectedInfo.onEventData, info, InfoWindow::ConnectionState);

  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::PortLost], portLost);
  link<&THIMultiElement::doWork>(portLost.onEvent[0], animator, TrayIconAnimator::Disconnected);
  link<&THIMultiElement::doWork>(portLost.onEvent[1], animator, TrayIconAnimator::ShowState);
  link<&THIDoData::doData>(portLost.onEvent[2], disconnectedInfo);
  link<&THIMultiElement::doWork>(portLost.onEvent[3], nowSending, NowSendingPanel::PortLost);
  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::PortBack], portBack);
  link<&THIMultiElement::doWork>(portBack.onEvent[0], animator, TrayIconAnimator::Connected);
  link<&THIMultiElement::doWork>(portBack.onEvent[1], animator, TrayIconAnimator::ShowState);
  link<&THIDoData::doData>(portBack.onEvent[2], connectedInfo);
  link<&THIMultiElement::doWork>(portBack.onEvent[3], nowSending, NowSendingPanel::PortBack);
  link<&THIHub::doEvent>(portBack.onEvent[4], flagsAgain);
  link<&THIDoData::doData>(portBack.onEvent[5], resendDynamic);
  link<&THIMultiElement::doWork>(resendDynamic.onEventData, dynamicText,
                                 DynamicTextPanel::ConnectionState);

  link<&THIMultiElement::doWork>(connection.onEvent[ConnectionPanel::ConnectedFlagChanged],
                                 rdsSettings, RdsSettingsPage::ConnectedChanged);
  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::PortControlsEnabled], portPages);
  link<&ThiButtonRush::doEnabled>(portPages.onEvent[0], pageButtons[SelectDevice]);
  link<&ThiButtonRush::doEnabled>(portPages.onEvent[1], pageButtons[OtherSettings]);
}

// TP, TA and MS as the panel shows them, in the order of the start-up load. Setting a flag to
// its own state sends its line and leaves rds.ini as it is.
void MainWindow::wireFlagsAgain() {
  flagsAgain.setOutCount(3);
  IsOne(dpsRunning);
  IsOne(drtRunning);
  dpsRuns.setDefault(TData::Int(0));
  drtRuns.setDefault(TData::Int(0));

  const std::pair<RdsSettingsPage::Readable, RdsSettingsPage::Input> flags[] = {
      {RdsSettingsPage::TpState, RdsSettingsPage::SetTp},
      {RdsSettingsPage::TaState, RdsSettingsPage::SetTa},
      {RdsSettingsPage::MsState, RdsSettingsPage::SetMs}};
  for (uint16_t k = 0; k < 3; ++k) {
    link<&THIDoData::doData>(flagsAgain.onEvent[k], flagAgain[k]);
    link<&THIMultiElement::Var>(flagAgain[k].Data, rdsSettings, flags[k].first);
    link<&THIMultiElement::doWork>(flagAgain[k].onEventData, rdsSettings, flags[k].second);
  }
  link<&THIIf_else::doCompare>(connectedHub.onEvent[4], dpsRunning);
  link<&THIMemory::Value>(dpsRunning.Op1, dpsRuns);
  link<&THIHub::doEvent>(dpsRunning.onTrue, flagsAgain);
  link<&THIIf_else::doCompare>(dpsRunning.onFalse, drtRunning);
  link<&THIMemory::Value>(drtRunning.Op1, drtRuns);
  link<&THIHub::doEvent>(drtRunning.onTrue, flagsAgain);
}

// The device-type switches of the connection page, and the model's line terminator.
void MainWindow::wireDeviceType() {
  deviceType.setOutCount(4);

  const std::pair<ConnectionPanel::Output, RdsSettingsPage::Input> switches[] = {
      {ConnectionPanel::LaterPagesSwitch, RdsSettingsPage::LaterPagesSwitch},
      {ConnectionPanel::PagedPsSwitch, RdsSettingsPage::PagedPsSwitch},
      {ConnectionPanel::PsSwitch, RdsSettingsPage::PsSwitch},
      {ConnectionPanel::ClockTimeForm, RdsSettingsPage::ClockTimeForm},
      {ConnectionPanel::ScrollingLimit, RdsSettingsPage::ScrollingLimit},
      {ConnectionPanel::AfSwitch, RdsSettingsPage::AfSwitch}};
  for (const auto& [output, input] : switches)
    link<&THIMultiElement::doWork>(connection.onEvent[output], rdsSettings, input);
  link<&THIHub::doEvent>(connection.onEvent[ConnectionPanel::DeviceType], deviceType);
  link<&THIMultiElement::doWork>(deviceType.onEvent[0], rdsSettings, RdsSettingsPage::DeviceType);
  link<&THIMultiElement::doWork>(deviceType.onEvent[1], dynamicText, DynamicTextPanel::DeviceType);
  link<&THIMultiElement::doWork>(deviceType.onEvent[2], nowSending, NowSendingPanel::RtWidth);
  link<&THIMultiElement::doWork>(deviceType.onEvent[3], lineBreaks, LineBreakSelector::DeviceType);

  link<&THIMultiElement::Var>(rdsSettings.Data[RdsSettingsPage::ConnectedFlag], connection,
                              ConnectionPanel::ConnectedFlag);
  link<&THIMultiElement::Var>(rdsSettings.Data[RdsSettingsPage::Terminator], connection,
                              ConnectionPanel::Terminator);
  link<&THIMultiElement::Var>(dynamicText.Data[DynamicTextPanel::Terminator], connection,
                              ConnectionPanel::Terminator);
}

// The automation's tags move the flags and the programme type of the RDS settings page. A tag
// changes a flag only when it holds another state than the flag has. Either EEPROM command
// stops the dynamic text.
void MainWindow::wireAutomationTags() {
  for (THIIf_else* tag : {&taTag, &tpTag, &msTag}) tag->type = THIIf_else::NotEqual;

  link<&THIIf_else::doCompare>(dynamicText.onEvent[DynamicTextPanel::TaTag], taTag);
  link<&THIIf_else::doCompare>(dynamicText.onEvent[DynamicTextPanel::TpTag], tpTag);
  link<&THIIf_else::doCompare>(dynamicText.onEvent[DynamicTextPanel::MsTag], msTag);
  link<&THIMultiElement::Var>(taTag.Op2, rdsSettings, RdsSettingsPage::TaState);
  link<&THIMultiElement::Var>(tpTag.Op2, rdsSettings, RdsSettingsPage::TpState);
  link<&THIMultiElement::Var>(msTag.Op2, rdsSettings, RdsSettingsPage::MsState);
  link<&THIMultiElement::doWork>(taTag.onTrue, rdsSettings, RdsSettingsPage::SetTa);
  link<&THIMultiElement::doWork>(tpTag.onTrue, rdsSettings, RdsSettingsPage::SetTp);
  link<&THIMultiElement::doWork>(msTag.onTrue, rdsSettings, RdsSettingsPage::SetMs);
  link<&THIMultiElement::doWork>(dynamicText.onEvent[DynamicTextPanel::PtyTag], rdsSettings,
                                 RdsSettingsPage::SetPty);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[RdsSettingsPage::EepromPressed], dynamicText,
                                 DynamicTextPanel::SetBoth);
}

// Two to four seconds after the start-up check. They run also when no port was found: a service
// may start before its USB adapter is there, and its automatic connect waits for the port. The
// day names reach the templates.
void MainWindow::wireAutomaticStart() {
  autoStart.setCount(4);
  autoDps.data = TData::Int(1);
  autoDrt.data = TData::Int(1);

  link<&THIMultiElement::doWork>(connection.onEvent[ConnectionPanel::CheckDone], settings,
                                 SettingsPages::StartTimers);
  link<&THIIndexToChanel::doEvent>(settings.onEvent[SettingsPages::ActionDue], autoStart);
  link<&THIMultiElement::doWork>(autoStart.onEvent[SettingsPages::AutoConnect], connection,
                                 ConnectionPanel::AutoConnect);
  link<&THIDoData::doData>(autoStart.onEvent[SettingsPages::AutoDps], autoDps);
  link<&THIDoData::doData>(autoStart.onEvent[SettingsPages::AutoDrt], autoDrt);
  link<&THITrayIcon::doMinimize>(autoStart.onEvent[SettingsPages::AutoTray], tray);
  link<&THIMultiElement::doWork>(autoDps.onEventData, dynamicText, DynamicTextPanel::SetDps);
  link<&THIMultiElement::doWork>(autoDrt.onEventData, dynamicText, DynamicTextPanel::SetDrt);
  for (uint16_t d = 0; d < 7; ++d)
    link<&THIMultiElement::Var>(dynamicText.Data[DynamicTextPanel::MondayName + d], settings,
                                SettingsPages::MondayName + d);
}

// What the encoder panels hold, shown as stored once everything is loaded.
void MainWindow::wireInfoWindow() {
  infoAfterLoad.setOutCount(5);
  for (int k = 0; k < 4; ++k) infoFlags[k].data = TData::Int(k);

  link<&THIMultiElement::Var>(info.Data[InfoWindow::PiText], rdsSettings, RdsSettingsPage::PiText);
  link<&THIMultiElement::Var>(info.Data[InfoWindow::PtyName], rdsSettings,
                              RdsSettingsPage::PtyName);
  link<&THIMultiElement::Var>(info.Data[InfoWindow::TpState], rdsSettings,
                              RdsSettingsPage::TpState);
  link<&THIMultiElement::Var>(info.Data[InfoWindow::TaState], rdsSettings,
                              RdsSettingsPage::TaState);
  link<&THIMultiElement::Var>(info.Data[InfoWindow::MsState], rdsSettings,
                              RdsSettingsPage::MsState);
  link<&THIMultiElement::Var>(info.Data[InfoWindow::TransmitCt], rdsSettings,
                              RdsSettingsPage::TransmitCt);
  for (uint16_t k = 0; k < 4; ++k) {
    link<&THIDoData::doData>(infoAfterLoad.onEvent[k], infoFlags[k]);
    link<&THIMultiElement::doWork>(infoFlags[k].onEventData, info, InfoWindow::ShowFlag);
  }
  link<&THIMultiElement::doWork>(infoAfterLoad.onEvent[4], info, InfoWindow::RewritePiPty);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[RdsSettingsPage::FlagChanged], info,
                                 InfoWindow::ShowFlag);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[RdsSettingsPage::PiOrPtyChanged], info,
                                 InfoWindow::RewritePiPty);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[RdsSettingsPage::ClockTick], info,
                                 InfoWindow::ClockTime);
  link<&THIMultiElement::doWork>(composer.onEvent[LineDisplayComposer::PsField], info,
                                 InfoWindow::DynamicPs);
  link<&THIMultiElement::doWork>(nowSending.onEvent[NowSendingPanel::RtShown], info,
                                 InfoWindow::DynamicRt);
  link<&THIMultiElement::doWork>(info.onEvent[InfoWindow::ShowPicked], settings,
                                 SettingsPages::ToggleShowInfo);
  link<&THIMultiElement::doWork>(settings.onEvent[SettingsPages::ShowInfoChanged], info,
                                 InfoWindow::ShowChecked);
  link<&THIMultiElement::doWork>(settings.onEvent[SettingsPages::TagSwitchChanged], information,
                                 HelpPage::EnableTags);
}

// Hidden into it, restored from it, its menu and its picture. The menu's items 7..10 raise a page
// and restore the window.
void MainWindow::wireTray() {
  trayMenu.setItems(
      "Show\r\n-\r\nDynamic PS\r\nDynamic RT\r\nTP\r\nTA\r\n-\r\nRDS Settings\r\nDPS and "
      "DRT\r\nOther Settings\r\nInformation\r\n-\r\nClose");
  trayMenu.setFont(FormFont());
  // The items that switch something keep their check marks instead.
  const std::pair<int, const char*> itemPictures[] = {
      {0, ":/pictures/menu_show.png"},    {7, ":/pictures/menu_rds.png"},
      {8, ":/pictures/menu_dynamic.png"}, {9, ":/pictures/menu_settings.png"},
      {10, ":/pictures/menu_info.png"},   {12, ":/pictures/menu_close.png"}};
  for (const auto& [position, picture] : itemPictures) trayMenu.setPicture(position, picture);
  trayItems.setCount(13);
  trayHidden.setOutCount(2);
  restore.setOutCount(2);
  trayClicked.setOutCount(2);
  IsOne(showInfoInTray);
  IsOne(rightClick);
  IsZero(leftClick);
  for (THIHub& hub : trayPages) hub.setOutCount(2);
  dpsState.setOutCount(3);
  drtState.setOutCount(3);
  IsZero(dpsOff);
  IsZero(drtOff);

  link<&THITrayIcon::doMinimize>(hide.onClick, tray);
  link<&THIHub::doEvent>(tray.onHide, trayHidden);
  link<&THIMultiElement::doWork>(trayHidden.onEvent[0], animator, TrayIconAnimator::ShowState);
  link<&THIIf_else::doCompare>(trayHidden.onEvent[1], showInfoInTray);
  link<&THIMultiElement::Var>(showInfoInTray.Op1, settings, SettingsPages::ShowInfo);
  link<&THIMultiElement::doWork>(showInfoInTray.onTrue, info, InfoWindow::Show);
  link<&THIHub::doEvent>(tray.onDblClick, restore);
  link<&THITrayIcon::doRestore>(restore.onEvent[0], tray);
  link<&THIMultiElement::doWork>(restore.onEvent[1], info, InfoWindow::Close);
  link<&THIHub::doEvent>(tray.onClick, trayClicked);
  link<&THIIf_else::doCompare>(trayClicked.onEvent[0], rightClick);
  link<&THIIf_else::doCompare>(trayClicked.onEvent[1], leftClick);
  link<&ThiPopupMenuEx::doPopUp>(rightClick.onTrue, trayMenu);
  link<&THIMultiElement::doWork>(leftClick.onTrue, info, InfoWindow::Show);
  link<&THIIndexToChanel::doEvent>(trayMenu.onClick, trayItems);
  link<&THIHub::doEvent>(trayItems.onEvent[0], restore);
  link<&THIMultiElement::doWork>(trayItems.onEvent[2], dynamicText, DynamicTextPanel::ToggleDps);
  link<&THIMultiElement::doWork>(trayItems.onEvent[3], dynamicText, DynamicTextPanel::ToggleDrt);
  link<&THIMultiElement::doWork>(trayItems.onEvent[4], rdsSettings, RdsSettingsPage::ToggleTp);
  link<&THIMultiElement::doWork>(trayItems.onEvent[5], rdsSettings, RdsSettingsPage::ToggleTa);
  for (uint16_t k = 0; k < 4; ++k) {
    link<&THIHub::doEvent>(trayItems.onEvent[7 + k], trayPages[k]);
    link<&THIHub::doEvent>(trayPages[k].onEvent[0], pageClicked[RdsSettings + k]);
    link<&THIHub::doEvent>(trayPages[k].onEvent[1], restore);
  }
  link<&THIHub::doEvent>(trayItems.onEvent[12], closeHub);

  // The check marks follow Dynamic PS, Dynamic RT, TP and TA; the now-sending strip empties a
  // line that is no longer sent.
  link<&THIHub::doEvent>(dynamicText.onEvent[DynamicTextPanel::DpsState], dpsState);
  link<&THIHub::doEvent>(dynamicText.onEvent[DynamicTextPanel::DrtState], drtState);
  link<&THIMultiElement::doWork>(dpsState.onEvent[0], trayChecker, TrayMenuChecker::DpsState);
  link<&THIMultiElement::doWork>(drtState.onEvent[0], trayChecker, TrayMenuChecker::DrtState);
  link<&THIIf_else::doCompare>(dpsState.onEvent[1], dpsOff);
  link<&THIIf_else::doCompare>(drtState.onEvent[1], drtOff);
  link<&THIMultiElement::doWork>(dpsOff.onTrue, nowSending, NowSendingPanel::PsStopped);
  link<&THIMultiElement::doWork>(drtOff.onTrue, nowSending, NowSendingPanel::RtStopped);
  link<&THIMemory::doValue>(dpsState.onEvent[2], dpsRuns);
  link<&THIMemory::doValue>(drtState.onEvent[2], drtRuns);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[RdsSettingsPage::TpChanged], trayChecker,
                                 TrayMenuChecker::TpState);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[RdsSettingsPage::TaChanged], trayChecker,
                                 TrayMenuChecker::TaState);
  link<&ThiPopupMenuEx::doCheck>(trayChecker.onEvent[TrayMenuChecker::CheckMark], trayMenu);
  link<&ThiPopupMenuEx::doEnabled>(trayEnabler.onEvent[TrayMenuEnabler::Enabled], trayMenu);
  // Only a line that reached the port makes the icon flicker.
  link<&THIMultiElement::doWork>(connection.onEvent[ConnectionPanel::LineWritten], animator,
                                 TrayIconAnimator::LineWritten);
  link<&THITrayIcon::doIcon>(animator.onEvent[TrayIconAnimator::Picture], tray);
}

// The dynamic text while the window has lost the focus, without its line terminator; the
// program's name again when it gains the focus.
void MainWindow::wireTaskbarTitle() {
  focusLost.setDefault(TData::Int(0));
  focusOn.data = TData::Int(1);
  focusOff.data = TData::Int(0);
  defaultTitle.data = TData::Str("\"Tessel\" Encoder");
  focusGained.setOutCount(2);
  for (THIIf_else* test : {&crLfModel, &lfModel, &psChosen, &rtChosen, &psOnTaskbar, &rtOnTaskbar,
                           &psUnfocused, &rtUnfocused})
    IsOne(*test);
  cutCrLf.charText = "\r";
  cutLf.charText = "\n";

  link<&THIDoData::doData>(form.onKillFocus, focusOn);
  link<&THIMemory::doValue>(focusOn.onEventData, focusLost);
  link<&THIHub::doEvent>(form.onSetFocus, focusGained);
  link<&THIDoData::doData>(focusGained.onEvent[0], focusOff);
  link<&THIMemory::doValue>(focusOff.onEventData, focusLost);
  link<&THIDoData::doData>(focusGained.onEvent[1], defaultTitle);
  link<&THIApplication::doTitle>(defaultTitle.onEventData, application);
  link<&THIIf_else::doCompare>(psTitle.onEvent[1], crLfModel);
  link<&THIIf_else::doCompare>(psTitle.onEvent[2], lfModel);
  link<&THIMultiElement::Var>(crLfModel.Op1, lineBreaks, LineBreakSelector::EndsInCrLf);
  link<&THIMultiElement::Var>(lfModel.Op1, lineBreaks, LineBreakSelector::EndsInLf);
  link<&THIStrPart::doSplit>(crLfModel.onTrue, cutCrLf);
  link<&THIStrPart::doSplit>(lfModel.onTrue, cutLf);
  link<&THIIf_else::doCompare>(cutCrLf.onLeft, psChosen);
  link<&THIIf_else::doCompare>(cutLf.onLeft, psChosen);
  link<&THIMultiElement::Var>(psChosen.Op1, settings, SettingsPages::PsChosen);
  link<&THIIf_else::doCompare>(psChosen.onTrue, psOnTaskbar);
  link<&THIMultiElement::Var>(psOnTaskbar.Op1, settings, SettingsPages::ShowOnTaskbar);
  link<&THIIf_else::doCompare>(psOnTaskbar.onTrue, psUnfocused);
  link<&THIMemory::Value>(psUnfocused.Op1, focusLost);
  link<&THIApplication::doTitle>(psUnfocused.onTrue, application);
  link<&THIIf_else::doCompare>(nowSending.onEvent[NowSendingPanel::CleanRt], rtChosen);
  link<&THIMultiElement::Var>(rtChosen.Op1, settings, SettingsPages::RtChosenForTitle);
  link<&THIIf_else::doCompare>(rtChosen.onTrue, rtOnTaskbar);
  link<&THIMultiElement::Var>(rtOnTaskbar.Op1, settings, SettingsPages::ShowOnTaskbar);
  link<&THIIf_else::doCompare>(rtOnTaskbar.onTrue, rtUnfocused);
  link<&THIMemory::Value>(rtUnfocused.Op1, focusLost);
  link<&THIApplication::doTitle>(rtUnfocused.onTrue, application);
}

// The window can go on the screen before its pages are built (the program asks for that). The
// connection page and the strip, which the first picture shows, are then built right after the
// window was put on the screen, and the rest once the window has been painted, in the order the
// tree has always had and before the start-up loads; a part used earlier (the help page, when
// the operator clicks its button) is built at that use.
void MainWindow::buildPages() {
  connection.buildLater<ConnectionPanel>(form.controlParent());
  rdsSettings.buildLater<RdsSettingsPage>(form.controlParent());
  dynamicText.buildLater<DynamicTextPanel>(form.controlParent());
  settings.buildLater<SettingsPages>(form.controlParent());
  information.buildLater<HelpPage>(form.controlParent());
  composer.buildLater<LineDisplayComposer>(nullptr);
  nowSending.buildLater<NowSendingPanel>(form.controlParent());
  info.buildLater<InfoWindow>(nullptr);
  trayChecker.buildLater<TrayMenuChecker>(nullptr);
  trayEnabler.buildLater<TrayMenuEnabler>(nullptr);
  animator.buildLater<TrayIconAnimator>(nullptr);
  lineBreaks.buildLater<LineBreakSelector>(nullptr);
  if (showFirst) {
    form.showBeforeCreate(
        [this] {
          if (whenShown) whenShown();
          buildFirstView();
        },
        [this] { buildHiddenParts(); });
  } else {
    buildFirstView();
    buildHiddenParts();
  }
}

// The window's icon and the page buttons' captions are set with the first picture too: the icon
// reads the picture plug-ins, and the first caption wakes the accessibility bridge, which takes
// longer than putting the window on the screen.
void MainWindow::buildFirstView() {
  form.setIcon(":/pictures/icon.png");
  for (int k = 0; k < kPages; ++k) pageButtons[k].setCaption(kPageCaptions[k]);
  connectionPage = static_cast<ConnectionPanel*>(connection.buildNow());
  nowSendingStrip = static_cast<NowSendingPanel*>(nowSending.buildNow());
}

void MainWindow::buildHiddenParts() {
  rdsSettingsPage = static_cast<RdsSettingsPage*>(rdsSettings.buildNow());
  dynamicTextPage = static_cast<DynamicTextPanel*>(dynamicText.buildNow());
  settingsPages = static_cast<SettingsPages*>(settings.buildNow());
  helpPage = static_cast<HelpPage*>(information.buildNow());
  displayComposer = static_cast<LineDisplayComposer*>(composer.buildNow());
  infoWindow = static_cast<InfoWindow*>(info.buildNow());
  for (THIMultiElement* helper : {&trayChecker, &trayEnabler, &animator, &lineBreaks})
    helper->buildNow();
  startWebConsole();
}

void MainWindow::startWebConsole() {
#ifdef RDS_WEB_CONSOLE
  const std::string listen = webListen.empty() ? remote::WebConsole::ConfiguredListen() : webListen;
  if (!listen.empty()) webConsole = std::make_unique<remote::WebConsole>(*this, listen, version);
#endif
}

}  // namespace hi
