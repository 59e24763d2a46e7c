#include "app/main_window.h"

namespace hi {

namespace {
// A style text as the page buttons' styles are kept: 21 values separated by ";".
ThiButtonRush::Style ParseStyle(const std::string& text) {
  ThiButtonRush::Style style;
  style.fill(-1);
  size_t from = 0;
  for (int32_t& value : style) {
    const size_t end = text.find(';', from);
    if (from < text.size()) value = ToInteger(TData::Str(text.substr(from, end - from)));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  return style;
}

constexpr const char* kPageCaptions[MainWindow::kPages] = {"Select\r\ndevice", "RDS\r\nSettings",
                                                           "Dynamic\r\nPS and RT",
                                                           "Other\r\nsettings", "Information"};
}  // namespace

MainWindow::MainWindow() {
  form.setBounds(0, 0, 565, 464);
  form.setColor(0xA4A0A0);  // RGB(160, 160, 164)
  form.setCaption("\"Tessel\" Encoder");
  form.setFrameless(true);
  form.setIcon(":/pictures/icon.png");
  form.setBackground(":/pictures/background.png");
  form.positionPlace = "rds.ini\\General window";
  TFontRecord font;
  font.name = "MS Sans Serif";
  font.size = 8;
  form.setFont(font);
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
    button.setCaption(kPageCaptions[k]);
    button.setEnabled(k == Information);
    // The pages not in front look unselected from the start, not only after the first click.
    if (k != SelectDevice) button.setStyle(ParseStyle(kUnselectedStyle));
    selectedStyles[k].setDefault(TData::Str(kSelectedStyle));
    unselectedStyles[k].setDefault(TData::Str(kUnselectedStyle));
    selectStyle[k].setChar(";");
    unselectStyle[k].setChar(";");
    link<&THIMemory::Value>(selectStyle[k].Str, selectedStyles[k]);
    link<&THIMemory::Value>(unselectStyle[k].Str, unselectedStyles[k]);
    link<&ThiButtonRush::doStyle>(selectStyle[k].onResult, button);
    link<&ThiButtonRush::doStyle>(unselectStyle[k].onResult, button);
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
  activeOn.data = TData::Int(1);
  activeOff.data = TData::Int(0);
  sendHub.setOutCount(2);
  sendHub.inCount = 5;
  startHub.setOutCount(5);
  loadHub.setOutCount(8);
  closeHub.setOutCount(1);
  closing.setOutCount(1);
  closingLine.data = TData::Str("RM\r\n");
  connectionState.setOutCount(3);
  connectedPages.setOutCount(2);
  portPages.setOutCount(2);
  deviceType.setOutCount(4);
  trayMenu.setItems(
      "Show\r\n-\r\nDynamic PS\r\nDynamic RT\r\nTP\r\nTA\r\n-\r\nRDS Settings\r\nDPS and "
      "DRT\r\nOther Settings\r\nInformation\r\n-\r\nClose");
  trayMenu.setFont(font);
  trayItems.setCount(13);
  trayHidden.setOutCount(2);
  restore.setOutCount(2);
  trayClicked.setOutCount(2);
  for (THIIf_else* test : {&showInfoInTray, &rightClick}) {
    test->type = THIIf_else::Equal;
    test->op2 = TData::Int(1);
  }
  leftClick.type = THIIf_else::Equal;
  leftClick.op2 = TData::Int(0);
  for (THIHub& hub : trayPages) hub.setOutCount(2);
  connectedHub.setOutCount(4);
  disconnectedHub.setOutCount(7);
  connectedInfo.data = TData::Int(0);
  disconnectedInfo.data = TData::Int(1);
  portLost.setOutCount(5);
  dpsState.setOutCount(2);
  drtState.setOutCount(2);
  for (THIIf_else* off : {&dpsOff, &drtOff}) {
    off->type = THIIf_else::Equal;
    off->op2 = TData::Int(0);
  }
  portBack.setOutCount(4);
  resendDynamic.data = TData::Int(1);
  autoStart.setCount(4);
  autoDps.data = TData::Int(1);
  autoDrt.data = TData::Int(1);
  infoAfterLoad.setOutCount(5);
  for (int k = 0; k < 4; ++k) infoFlags[k].data = TData::Int(k);
  focusLost.setDefault(TData::Int(0));
  focusOn.data = TData::Int(1);
  focusOff.data = TData::Int(0);
  defaultTitle.data = TData::Str("\"Tessel\" Encoder");
  focusGained.setOutCount(2);
  psTitle.setOutCount(3);
  for (THIIf_else* test : {&crLfModel, &lfModel, &psChosen, &rtChosen, &psOnTaskbar, &rtOnTaskbar,
                           &psUnfocused, &rtUnfocused}) {
    test->type = THIIf_else::Equal;
    test->op2 = TData::Int(1);
  }
  cutCrLf.charText = "\r";
  cutLf.charText = "\n";
  dynamicPs.setOutCount(2);
  dynamicRt.setOutCount(2);
  for (THIIf_else* tag : {&taTag, &tpTag, &msTag}) tag->type = THIIf_else::NotEqual;

  // The title strip shows while the window is active and drags it.
  link<&THIDoData::doData>(form.onActivate, activeOn);
  link<&THIDoData::doData>(form.onDeactivate, activeOff);
  link<&THIImage::doVisible>(activeOn.onEventData, titleStrip);
  link<&THIImage::doVisible>(activeOff.onEventData, titleStrip);
  link<&THIMoveWindow::doMove>(titleStrip.onMouseDown, move);
  link<&THIMainForm::Handle>(move.Handle, form);

  // Page switching: the clicked button selected, the others not, then its page raised.
  for (int k = 0; k < kPages; ++k) {
    THIHub& hub = pageClicked[k];
    hub.setOutCount(6);
    link<&THIHub::doEvent>(pageButtons[k].onClick, hub);
    link<&THIMT_String::doSplit>(hub.onEvent[0], selectStyle[k]);
    size_t output = 1;
    for (int other = 0; other < kPages; ++other)
      if (other != k) link<&THIMT_String::doSplit>(hub.onEvent[output++], unselectStyle[other]);
  }
  link<&THIMultiElement::doWork>(pageClicked[SelectDevice].onEvent[5], connection, 0);
  link<&THIMultiElement::doWork>(pageClicked[RdsSettings].onEvent[5], rdsSettings, 0);
  link<&THIMultiElement::doWork>(pageClicked[DynamicText].onEvent[5], dynamicText, 0);
  link<&THIMultiElement::doWork>(pageClicked[OtherSettings].onEvent[5], settings, 0);
  link<&THIMultiElement::doWork>(pageClicked[Information].onEvent[5], information, 0);
  link<&THIHub::doEvent>(help.onClick, pageClicked[Information]);

  // Every line bound for the encoder leaves through the connection page.
  link<&THIHub::doEvent>(rdsSettings.onEvent[0], sendHub);
  link<&THIMultiElement::doWork>(sendHub.onEvent[0], connection, 2);
  link<&THIHub::doEvent>(dynamicText.onEvent[0], dynamicPs);
  link<&THIMultiElement::doWork>(dynamicPs.onEvent[0], composer, 0);
  link<&THIHub::doEvent>(dynamicPs.onEvent[1], sendHub);
  link<&THIHub::doEvent>(dynamicText.onEvent[1], dynamicRt);
  link<&THIMultiElement::doWork>(dynamicRt.onEvent[0], composer, 1);
  link<&THIHub::doEvent>(dynamicRt.onEvent[1], sendHub);
  link<&THIHub::doEvent>(composer.onEvent[0], psTitle);
  link<&THIMultiElement::doWork>(psTitle.onEvent[0], nowSending, 1);
  link<&THIMultiElement::doWork>(composer.onEvent[1], nowSending, 2);

  // Start-up.
  link<&THIHub::doEvent>(form.onCreate, startHub);
  link<&THIMT_String::doSplit>(startHub.onEvent[0], selectStyle[SelectDevice]);
  link<&THIHub::doEvent>(startHub.onEvent[1], loadHub);
  link<&THIMultiElement::doWork>(loadHub.onEvent[0], connection, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[1], connection, 3);
  link<&THIMultiElement::doWork>(loadHub.onEvent[2], connection, 6);
  link<&THIMultiElement::doWork>(loadHub.onEvent[3], rdsSettings, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[4], settings, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[5], dynamicText, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[6], info, 1);
  link<&THIHub::doEvent>(loadHub.onEvent[7], infoAfterLoad);
  link<&THIMultiElement::doWork>(startHub.onEvent[3], trayEnabler, 2);
  link<&THIKeyboardLayout::doSetLayout>(startHub.onEvent[2], keyboard);
  link<&THIMainForm::doFlash>(startHub.onEvent[4], form);

  // Closing: the encoder gets RM as the last line, with CR LF whatever the model.
  link<&THIHub::doEvent>(close.onClick, closeHub);
  link<&THIMainForm::doClose>(closeHub.onEvent[0], form);
  link<&THIHub::doEvent>(form.onClose, closing);
  link<&THIDoData::doData>(closing.onEvent[0], closingLine);
  link<&THIHub::doEvent>(closingLine.onEventData, sendHub);

  // The connection state fans out to the page buttons and the RDS settings page.
  link<&THIHub::doEvent>(connection.onEvent[0], connectionState);
  link<&THIHub::doEvent>(connectionState.onEvent[0], connectedPages);
  link<&ThiButtonRush::doEnabled>(connectedPages.onEvent[0], pageButtons[RdsSettings]);
  link<&ThiButtonRush::doEnabled>(connectedPages.onEvent[1], pageButtons[DynamicText]);
  link<&THIMultiElement::doWork>(connectionState.onEvent[1], dynamicText, 2);
  link<&THIMultiElement::doWork>(connectionState.onEvent[2], nowSending, 3);
  link<&THIHub::doEvent>(connection.onEvent[2], connectedHub);
  link<&THIHub::doEvent>(connection.onEvent[3], disconnectedHub);
  link<&THIMultiElement::doWork>(connectedHub.onEvent[0], animator, 2);
  link<&THIMultiElement::doWork>(connectedHub.onEvent[1], trayEnabler, 1);
  link<&THIDoData::doData>(connectedHub.onEvent[2], connectedInfo);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[0], animator, 3);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[1], trayEnabler, 0);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[2], dynamicText, 5);
  link<&THIDoData::doData>(disconnectedHub.onEvent[3], disconnectedInfo);
  // The tray picture follows the connection at once, not only at the next hide into the tray.
  link<&THIMultiElement::doWork>(connectedHub.onEvent[3], animator, 1);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[4], animator, 1);
  link<&THIMultiElement::doWork>(connectedInfo.onEventData, info, 7);
  link<&THIMultiElement::doWork>(disconnectedInfo.onEventData, info, 7);
  link<&THIHub::doEvent>(connection.onEvent[16], portLost);
  link<&THIMultiElement::doWork>(portLost.onEvent[0], animator, 3);
  link<&THIMultiElement::doWork>(portLost.onEvent[1], animator, 1);
  link<&THIDoData::doData>(portLost.onEvent[2], disconnectedInfo);
  link<&THIMultiElement::doWork>(portLost.onEvent[3], nowSending, 5);
  link<&THIMultiElement::doWork>(portLost.onEvent[4], nowSending, 6);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[5], nowSending, 5);
  link<&THIMultiElement::doWork>(disconnectedHub.onEvent[6], nowSending, 6);
  // The encoder may have restarted: the dynamic lines go out again even if unchanged.
  link<&THIHub::doEvent>(connection.onEvent[17], portBack);
  link<&THIMultiElement::doWork>(portBack.onEvent[0], animator, 2);
  link<&THIMultiElement::doWork>(portBack.onEvent[1], animator, 1);
  link<&THIDoData::doData>(portBack.onEvent[2], connectedInfo);
  link<&THIDoData::doData>(portBack.onEvent[3], resendDynamic);
  link<&THIMultiElement::doWork>(resendDynamic.onEventData, dynamicText, 2);
  link<&THIMultiElement::doWork>(connection.onEvent[4], rdsSettings, 2);
  link<&THIHub::doEvent>(connection.onEvent[5], portPages);
  link<&ThiButtonRush::doEnabled>(portPages.onEvent[0], pageButtons[SelectDevice]);
  link<&ThiButtonRush::doEnabled>(portPages.onEvent[1], pageButtons[OtherSettings]);
  link<&THIMultiElement::doWork>(connection.onEvent[6], rdsSettings, 11);
  link<&THIMultiElement::doWork>(connection.onEvent[7], rdsSettings, 8);
  link<&THIMultiElement::doWork>(connection.onEvent[8], rdsSettings, 9);
  link<&THIMultiElement::doWork>(connection.onEvent[9], rdsSettings, 10);
  link<&THIHub::doEvent>(connection.onEvent[10], deviceType);
  link<&THIMultiElement::doWork>(deviceType.onEvent[0], rdsSettings, 12);
  link<&THIMultiElement::doWork>(deviceType.onEvent[1], dynamicText, 10);
  link<&THIMultiElement::doWork>(deviceType.onEvent[2], nowSending, 4);
  link<&THIMultiElement::doWork>(deviceType.onEvent[3], lineBreaks, 0);
  link<&THIMultiElement::doWork>(connection.onEvent[11], rdsSettings, 13);
  link<&THIMultiElement::doWork>(connection.onEvent[14], rdsSettings, 14);
  link<&THIMultiElement::Var>(rdsSettings.Data[0], connection, 0);
  link<&THIMultiElement::Var>(rdsSettings.Data[1], connection, 1);
  link<&THIMultiElement::Var>(dynamicText.Data[7], connection, 1);

  // The automation's tags move the flags and the programme type of the RDS settings page.
  link<&THIIf_else::doCompare>(dynamicText.onEvent[7], taTag);
  link<&THIIf_else::doCompare>(dynamicText.onEvent[8], tpTag);
  link<&THIIf_else::doCompare>(dynamicText.onEvent[9], msTag);
  link<&THIMultiElement::Var>(taTag.Op2, rdsSettings, 2);
  link<&THIMultiElement::Var>(tpTag.Op2, rdsSettings, 1);
  link<&THIMultiElement::Var>(msTag.Op2, rdsSettings, 3);
  link<&THIMultiElement::doWork>(taTag.onTrue, rdsSettings, 5);
  link<&THIMultiElement::doWork>(tpTag.onTrue, rdsSettings, 4);
  link<&THIMultiElement::doWork>(msTag.onTrue, rdsSettings, 15);
  link<&THIMultiElement::doWork>(dynamicText.onEvent[10], rdsSettings, 3);
  // Either EEPROM command stops the dynamic text.
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[5], dynamicText, 9);

  connectionPage = &connection.build<ConnectionPanel>(form.controlParent());
  // Automatic start actions, two to four seconds after the start-up check. They run also when no
  // port was found: a service may start before its USB adapter is there, and its automatic
  // connect waits for the port.
  link<&THIMultiElement::doWork>(connection.onEvent[18], settings, 2);
  link<&THIIndexToChanel::doEvent>(settings.onEvent[0], autoStart);
  link<&THIMultiElement::doWork>(autoStart.onEvent[0], connection, 7);
  link<&THIDoData::doData>(autoStart.onEvent[1], autoDps);
  link<&THIDoData::doData>(autoStart.onEvent[2], autoDrt);
  link<&THITrayIcon::doMinimize>(autoStart.onEvent[3], tray);
  link<&THIMultiElement::doWork>(autoDps.onEventData, dynamicText, 3);
  link<&THIMultiElement::doWork>(autoDrt.onEventData, dynamicText, 4);
  for (uint16_t d = 0; d < 7; ++d) link<&THIMultiElement::Var>(dynamicText.Data[d], settings, d);

  // The info window: what the encoder panels hold, shown as stored once everything is loaded.
  link<&THIMultiElement::Var>(info.Data[0], rdsSettings, 4);
  link<&THIMultiElement::Var>(info.Data[1], rdsSettings, 5);
  link<&THIMultiElement::Var>(info.Data[2], rdsSettings, 1);
  link<&THIMultiElement::Var>(info.Data[3], rdsSettings, 2);
  link<&THIMultiElement::Var>(info.Data[4], rdsSettings, 3);
  link<&THIMultiElement::Var>(info.Data[5], rdsSettings, 0);
  for (uint16_t k = 0; k < 4; ++k) {
    link<&THIDoData::doData>(infoAfterLoad.onEvent[k], infoFlags[k]);
    link<&THIMultiElement::doWork>(infoFlags[k].onEventData, info, 5);
  }
  link<&THIMultiElement::doWork>(infoAfterLoad.onEvent[4], info, 4);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[1], info, 5);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[4], info, 4);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[6], info, 9);
  link<&THIMultiElement::doWork>(composer.onEvent[3], info, 6);
  link<&THIMultiElement::doWork>(nowSending.onEvent[2], info, 10);
  link<&THIMultiElement::doWork>(info.onEvent[0], settings, 3);
  link<&THIMultiElement::doWork>(settings.onEvent[1], info, 2);
  link<&THIMultiElement::doWork>(settings.onEvent[3], information, 1);

  // The tray: hidden into it, restored from it, its menu and its picture.
  link<&THITrayIcon::doMinimize>(hide.onClick, tray);
  link<&THIHub::doEvent>(tray.onHide, trayHidden);
  link<&THIMultiElement::doWork>(trayHidden.onEvent[0], animator, 1);
  link<&THIIf_else::doCompare>(trayHidden.onEvent[1], showInfoInTray);
  link<&THIMultiElement::Var>(showInfoInTray.Op1, settings, 7);
  link<&THIMultiElement::doWork>(showInfoInTray.onTrue, info, 0);
  link<&THIHub::doEvent>(tray.onDblClick, restore);
  link<&THITrayIcon::doRestore>(restore.onEvent[0], tray);
  link<&THIMultiElement::doWork>(restore.onEvent[1], info, 3);
  link<&THIHub::doEvent>(tray.onClick, trayClicked);
  link<&THIIf_else::doCompare>(trayClicked.onEvent[0], rightClick);
  link<&THIIf_else::doCompare>(trayClicked.onEvent[1], leftClick);
  link<&ThiPopupMenuEx::doPopUp>(rightClick.onTrue, trayMenu);
  link<&THIMultiElement::doWork>(leftClick.onTrue, info, 0);
  link<&THIIndexToChanel::doEvent>(trayMenu.onClick, trayItems);
  link<&THIHub::doEvent>(trayItems.onEvent[0], restore);
  link<&THIMultiElement::doWork>(trayItems.onEvent[2], dynamicText, 6);
  link<&THIMultiElement::doWork>(trayItems.onEvent[3], dynamicText, 7);
  link<&THIMultiElement::doWork>(trayItems.onEvent[4], rdsSettings, 6);
  link<&THIMultiElement::doWork>(trayItems.onEvent[5], rdsSettings, 7);
  for (uint16_t k = 0; k < 4; ++k) {
    link<&THIHub::doEvent>(trayItems.onEvent[7 + k], trayPages[k]);
    link<&THIHub::doEvent>(trayPages[k].onEvent[0], pageClicked[RdsSettings + k]);
    link<&THIHub::doEvent>(trayPages[k].onEvent[1], restore);
  }
  link<&THIHub::doEvent>(trayItems.onEvent[12], closeHub);
  link<&THIHub::doEvent>(dynamicText.onEvent[2], dpsState);
  link<&THIHub::doEvent>(dynamicText.onEvent[3], drtState);
  link<&THIMultiElement::doWork>(dpsState.onEvent[0], trayChecker, 0);
  link<&THIMultiElement::doWork>(drtState.onEvent[0], trayChecker, 1);
  link<&THIIf_else::doCompare>(dpsState.onEvent[1], dpsOff);
  link<&THIIf_else::doCompare>(drtState.onEvent[1], drtOff);
  link<&THIMultiElement::doWork>(dpsOff.onTrue, nowSending, 5);
  link<&THIMultiElement::doWork>(drtOff.onTrue, nowSending, 6);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[2], trayChecker, 2);
  link<&THIMultiElement::doWork>(rdsSettings.onEvent[3], trayChecker, 3);
  link<&ThiPopupMenuEx::doCheck>(trayChecker.onEvent[0], trayMenu);
  link<&ThiPopupMenuEx::doEnabled>(trayEnabler.onEvent[0], trayMenu);
  // Only a line that reached the port makes the icon flicker.
  link<&THIMultiElement::doWork>(connection.onEvent[15], animator, 0);
  link<&THITrayIcon::doIcon>(animator.onEvent[0], tray);

  // The taskbar title.
  link<&THIDoData::doData>(form.onKillFocus, focusOn);
  link<&THIMemory::doValue>(focusOn.onEventData, focusLost);
  link<&THIHub::doEvent>(form.onSetFocus, focusGained);
  link<&THIDoData::doData>(focusGained.onEvent[0], focusOff);
  link<&THIMemory::doValue>(focusOff.onEventData, focusLost);
  link<&THIDoData::doData>(focusGained.onEvent[1], defaultTitle);
  link<&THIApplication::doTitle>(defaultTitle.onEventData, application);
  link<&THIIf_else::doCompare>(psTitle.onEvent[1], crLfModel);
  link<&THIIf_else::doCompare>(psTitle.onEvent[2], lfModel);
  link<&THIMultiElement::Var>(crLfModel.Op1, lineBreaks, 0);
  link<&THIMultiElement::Var>(lfModel.Op1, lineBreaks, 1);
  link<&THIStrPart::doSplit>(crLfModel.onTrue, cutCrLf);
  link<&THIStrPart::doSplit>(lfModel.onTrue, cutLf);
  link<&THIIf_else::doCompare>(cutCrLf.onLeft, psChosen);
  link<&THIIf_else::doCompare>(cutLf.onLeft, psChosen);
  link<&THIMultiElement::Var>(psChosen.Op1, settings, 10);
  link<&THIIf_else::doCompare>(psChosen.onTrue, psOnTaskbar);
  link<&THIMultiElement::Var>(psOnTaskbar.Op1, settings, 8);
  link<&THIIf_else::doCompare>(psOnTaskbar.onTrue, psUnfocused);
  link<&THIMemory::Value>(psUnfocused.Op1, focusLost);
  link<&THIApplication::doTitle>(psUnfocused.onTrue, application);
  link<&THIIf_else::doCompare>(nowSending.onEvent[1], rtChosen);
  link<&THIMultiElement::Var>(rtChosen.Op1, settings, 11);
  link<&THIIf_else::doCompare>(rtChosen.onTrue, rtOnTaskbar);
  link<&THIMultiElement::Var>(rtOnTaskbar.Op1, settings, 8);
  link<&THIIf_else::doCompare>(rtOnTaskbar.onTrue, rtUnfocused);
  link<&THIMemory::Value>(rtUnfocused.Op1, focusLost);
  link<&THIApplication::doTitle>(rtUnfocused.onTrue, application);

  rdsSettingsPage = &rdsSettings.build<RdsSettingsPage>(form.controlParent());
  dynamicTextPage = &dynamicText.build<DynamicTextPanel>(form.controlParent());
  settingsPages = &settings.build<SettingsPages>(form.controlParent());
  helpPage = &information.build<HelpPage>(form.controlParent());
  displayComposer = &composer.build<LineDisplayComposer>(nullptr);
  nowSendingStrip = &nowSending.build<NowSendingPanel>(form.controlParent());
  infoWindow = &info.build<InfoWindow>(nullptr);
  trayChecker.build<TrayMenuChecker>(nullptr);
  trayEnabler.build<TrayMenuEnabler>(nullptr);
  animator.build<TrayIconAnimator>(nullptr);
  lineBreaks.build<LineBreakSelector>(nullptr);
}

}  // namespace hi
