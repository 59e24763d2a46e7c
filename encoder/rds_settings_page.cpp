#include "encoder/rds_settings_page.h"

namespace hi {

RdsSettingsPage::RdsSettingsPage(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, 16, 6) {
  panel.setBounds(83, 46, 470, 315);
  // The connection page is the one shown at start; this page shows when it is raised.
  panel.setVisible(false);
  picture.setBounds(320, 210, 145, 105);
  picture.setPicture(":/pictures/settings.png");
  transmitCt.setBounds(10, 245, 95, 20);
  transmitCt.setCaption("Transmit CT");
  saveEeprom.setBounds(10, 275, 115, 30);
  saveEeprom.setCaption("Save to EEPROM");
  readEeprom.setBounds(130, 275, 115, 30);
  readEeprom.setCaption("Read from EEPROM");
  readEeprom.setHint("Read and send data from EEPROM");

  commands.setOutCount(1);
  commands.inCount = 12;
  panelChooser.setCount(9);
  loadHub.setOutCount(2);
  pagedPsSwitch.setOutCount(1);
  psSwitch.setOutCount(1);
  afSwitch.setOutCount(1);
  scrollingLimit.setCount(2);

  ctSetting.fileName = "rds.ini";
  ctSetting.section = "RDS Settings";
  ctSetting.key = "CT";
  ctSetting.type = 0;
  ctStored.type = THIIf_else::Equal;
  ctStored.op2 = TData::Int(1);
  checkCt.data = TData::Int(1);
  ctChanged.setOutCount(4);
  ctChecked.type = THIIf_else::Equal;
  ctChecked.op2 = TData::Int(1);
  ctOn.data = TData::Int(1);
  ctOff.data = TData::Int(0);
  ctReport.data = TData::Int(3);
  ctWanted.type = THIIf_else::Equal;
  ctWanted.op2 = TData::Int(1);
  connected.type = THIIf_else::Equal;
  connected.op2 = TData::Int(1);
  ctTimer.setInterval(1000);
  ctTimer.setCount(0);

  tick.setOutCount(2);
  localTime.format = "yyyy;MM;dd;HH;mm;ss";
  dateParts.charText = ";";
  dateParts.setPartCount(6);
  payloadParts.charText = ",";
  payloadParts.setPartCount(5);
  buildLines.setOutCount(3);
  textForm.mask = "TI%1,%2,%3,%4,%5\r\n";
  textForm.setDataCount(5);
  byteForm.setOutCount(6);
  for (THIConvertor& b : bytes) b.mode = THIConvertor::IntToChar;
  joined[0].str1 = "TI";
  joined[5].str2 = "\n";
  chosenForm.setCount(2);

  saveHub.setOutCount(2);
  readHub.setOutCount(2);
  saveLine.mask = "SM%1";
  saveLine.setDataCount(1);
  readLine.mask = "RM%1";
  readLine.setDataCount(1);
  eepromDone.data = TData::Int(0);

  // Container points.
  work<&THIPanelRush::doBringToFront>(0, panel);
  work<&THIHub::doEvent>(1, loadHub);
  work<&THIIf_else::doCompare>(2, ctWanted);
  work<&THIHub::doEvent>(8, pagedPsSwitch);
  work<&THIHub::doEvent>(9, psSwitch);
  work<&THIGetIndexData::doIndex>(10, chosenForm);
  work<&THIIndexToChanel::doEvent>(13, scrollingLimit);
  work<&THIHub::doEvent>(14, afSwitch);
  out(commands.onEvent[0], 0);
  var<&ThiCheckBoxRush::Checked>(0, transmitCt);
  var<&THIMultiElement::Var>(4, pi, 0);

  // Loading: the function panels, then "CT".
  link<&THIMultiElement::doWork>(loadHub.onEvent[0], pi, 1);
  link<&THIini::doRead>(loadHub.onEvent[1], ctSetting);

  // "Transmit CT": stored, remembered and re-evaluated at every change.
  link<&THIIf_else::doCompare>(ctSetting.onRead, ctStored);
  link<&THIDoData::doData>(ctStored.onTrue, checkCt);
  link<&ThiCheckBoxRush::doCheck>(checkCt.onEventData, transmitCt);
  link<&THIHub::doEvent>(transmitCt.onCheck, ctChanged);
  link<&THIini::doWrite>(ctChanged.onEvent[0], ctSetting);
  link<&THIIf_else::doCompare>(ctChanged.onEvent[1], ctChecked);
  link<&ThiCheckBoxRush::Checked>(ctChecked.Op1, transmitCt);
  link<&THIDoData::doData>(ctChecked.onTrue, ctOn);
  link<&THIDoData::doData>(ctChecked.onFalse, ctOff);
  link<&THIMemory::doValue>(ctOn.onEventData, ctEnabled);
  link<&THIMemory::doValue>(ctOff.onEventData, ctEnabled);
  link<&THIDoData::doData>(ctChanged.onEvent[2], ctReport);
  out(ctReport.onEventData, 1);
  link<&THIIf_else::doCompare>(ctChanged.onEvent[3], ctWanted);
  link<&THIMemory::Value>(ctWanted.Op1, ctEnabled);
  link<&THIIf_else::doCompare>(ctWanted.onTrue, connected);
  link<&THITimer::doStop>(ctWanted.onFalse, ctTimer);
  in(connected.Op1, 0);
  link<&THITimer::doStart>(connected.onTrue, ctTimer);
  link<&THITimer::doStop>(connected.onFalse, ctTimer);

  // Each tick: local time → its parts → the five payload numbers → both line forms.
  link<&THIHub::doEvent>(ctTimer.onTimer, tick);
  link<&THIDateConvertor::doConvert>(tick.onEvent[0], localTime);
  out(tick.onEvent[1], 6);
  link<&THITime::Now>(localTime.DateTime, clock);
  link<&THIMultiStrPart::doSplit>(localTime.onResult, dateParts);
  link<&ThiInlineCode_19BC8B0::doWork>(dateParts.onRest, payload);
  link<&THIMultiStrPart::Part>(payload.Year, dateParts, 0);
  link<&THIMultiStrPart::Part>(payload.Month, dateParts, 1);
  link<&THIMultiStrPart::Part>(payload.Day, dateParts, 2);
  link<&THIMultiStrPart::Part>(payload.Hour, dateParts, 3);
  link<&THIMultiStrPart::Part>(payload.Minute, dateParts, 4);
  link<&THIMultiStrPart::doSplit>(payload.onEvent, payloadParts);
  link<&THIHub::doEvent>(payloadParts.onRest, buildLines);
  link<&THIFormatStr::doString>(buildLines.onEvent[0], textForm);
  link<&THIHub::doEvent>(buildLines.onEvent[1], byteForm);
  link<&THIChangeMon::doCheck>(buildLines.onEvent[2], lastLine);
  for (uint16_t i = 0; i < 5; ++i) {
    link<&THIMultiStrPart::Part>(textForm.Str[i + 1u], payloadParts, i);
    link<&THIMultiStrPart::Part>(bytes[i].Data, payloadParts, i);
    link<&THIConvertor::doConvert>(byteForm.onEvent[i], bytes[i]);
    link<&THIStrCat::doStrCat>(bytes[i].onResult, joined[i]);
    if (i > 0) link<&THIStrCat::Result>(joined[i].Str1, joined[i - 1u]);
  }
  link<&THIStrCat::Result>(joined[5].Str1, joined[4]);
  link<&THIStrCat::doStrCat>(byteForm.onEvent[5], joined[5]);
  link<&THIFormatStr::Result>(chosenForm.Data[0], textForm);
  link<&THIStrCat::Result>(chosenForm.Data[1], joined[5]);
  link<&THIGetIndexData::Value>(lastLine.Data, chosenForm);
  link<&THIHub::doEvent>(lastLine.onChange, commands);

  // EEPROM.
  link<&THIHub::doEvent>(saveEeprom.onClick, saveHub);
  link<&THIHub::doEvent>(readEeprom.onClick, readHub);
  in(saveLine.Str[1], 1);
  in(readLine.Str[1], 1);
  link<&THIFormatStr::doString>(saveHub.onEvent[0], saveLine);
  link<&THIFormatStr::doString>(readHub.onEvent[0], readLine);
  link<&THIDoData::doData>(saveHub.onEvent[1], eepromDone);
  link<&THIDoData::doData>(readHub.onEvent[1], eepromDone);
  link<&THIHub::doEvent>(saveLine.onFString, commands);
  link<&THIHub::doEvent>(readLine.onFString, commands);
  out(eepromDone.onEventData, 5);

  // The selector and the function panels.
  link<&THIIndexToChanel::doEvent>(selector.onEvent[0], panelChooser);
  link<&THIMultiElement::doWork>(pagedPsSwitch.onEvent[0], selector, 1);
  link<&THIMultiElement::doWork>(psSwitch.onEvent[0], selector, 2);
  link<&THIMultiElement::doWork>(afSwitch.onEvent[0], selector, 3);
  link<&THIMultiElement::doWork>(panelChooser.onEvent[FunctionSelector::PI], pi, 0);
  link<&THIHub::doEvent>(pi.onEvent[0], commands);
  out(pi.onEvent[1], 4);
  in(pi.Data[0], 1);

  functions = &selector.build<FunctionSelector>(panel.controlParent());
  piPanel = &pi.build<PiPanel>(panel.controlParent());
}

}  // namespace hi
