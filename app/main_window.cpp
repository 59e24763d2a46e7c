#include "app/main_window.h"

namespace hi {

namespace {
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
  loadHub.setOutCount(7);
  closeHub.setOutCount(1);
  closing.setOutCount(1);
  closingLine.data = TData::Str("RM\r\n");
  connectionState.setOutCount(3);
  connectedPages.setOutCount(2);
  portPages.setOutCount(2);
  deviceType.setOutCount(3);
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

  // Every line bound for the encoder leaves through the connection page.
  link<&THIHub::doEvent>(rdsSettings.onEvent[0], sendHub);
  link<&THIMultiElement::doWork>(sendHub.onEvent[0], connection, 2);
  link<&THIHub::doEvent>(dynamicText.onEvent[0], dynamicPs);
  link<&THIMultiElement::doWork>(dynamicPs.onEvent[0], composer, 0);
  link<&THIHub::doEvent>(dynamicPs.onEvent[1], sendHub);
  link<&THIHub::doEvent>(dynamicText.onEvent[1], dynamicRt);
  link<&THIMultiElement::doWork>(dynamicRt.onEvent[0], composer, 1);
  link<&THIHub::doEvent>(dynamicRt.onEvent[1], sendHub);
  link<&THIMultiElement::doWork>(composer.onEvent[0], nowSending, 1);
  link<&THIMultiElement::doWork>(composer.onEvent[1], nowSending, 2);

  // Start-up.
  link<&THIHub::doEvent>(form.onCreate, startHub);
  link<&THIMT_String::doSplit>(startHub.onEvent[0], selectStyle[SelectDevice]);
  link<&THIHub::doEvent>(startHub.onEvent[1], loadHub);
  link<&THIMultiElement::doWork>(loadHub.onEvent[0], connection, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[1], connection, 3);
  link<&THIMultiElement::doWork>(loadHub.onEvent[2], connection, 6);
  link<&THIMultiElement::doWork>(loadHub.onEvent[3], rdsSettings, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[5], dynamicText, 1);
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
  link<&THIMultiElement::doWork>(connection.onEvent[3], dynamicText, 5);
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
  rdsSettingsPage = &rdsSettings.build<RdsSettingsPage>(form.controlParent());
  dynamicTextPage = &dynamicText.build<DynamicTextPanel>(form.controlParent());
  displayComposer = &composer.build<LineDisplayComposer>(nullptr);
  nowSendingStrip = &nowSending.build<NowSendingPanel>(form.controlParent());
}

}  // namespace hi
