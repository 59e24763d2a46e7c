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
  loadHub.setOutCount(10);
  pagedPsSwitch.setOutCount(3);
  psSwitch.setOutCount(2);
  afSwitch.setOutCount(2);
  scrollingLimit.setCount(2);
  for (THIHub* hub : {&tpChanged, &taChanged, &msChanged}) hub->setOutCount(2);
  tpReport.data = TData::Int(0);
  taReport.data = TData::Int(1);
  msReport.data = TData::Int(2);

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
  work<&THIMultiElement::doWork>(3, pty, 2);
  work<&THIMultiElement::doWork>(4, flags, 2);
  work<&THIMultiElement::doWork>(5, flags, 3);
  work<&THIMultiElement::doWork>(6, flags, 4);
  work<&THIMultiElement::doWork>(7, flags, 5);
  work<&THIHub::doEvent>(8, pagedPsSwitch);
  work<&THIHub::doEvent>(9, psSwitch);
  work<&THIGetIndexData::doIndex>(10, chosenForm);
  work<&THIMultiElement::doWork>(11, pagePs, 3);
  work<&THIMultiElement::doWork>(12, rt, 2);
  work<&THIIndexToChanel::doEvent>(13, scrollingLimit);
  work<&THIHub::doEvent>(14, afSwitch);
  work<&THIMultiElement::doWork>(15, flags, 6);
  out(commands.onEvent[0], 0);
  var<&ThiCheckBoxRush::Checked>(0, transmitCt);
  var<&THIMultiElement::Var>(1, flags, 0);
  var<&THIMultiElement::Var>(2, flags, 1);
  var<&THIMultiElement::Var>(3, flags, 2);
  var<&THIMultiElement::Var>(4, pi, 0);
  var<&THIMultiElement::Var>(5, pty, 0);

  // Loading: the function panels, then "CT", then PS and AF.
  link<&THIMultiElement::doWork>(loadHub.onEvent[0], pi, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[1], scrollingPs, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[2], pagePs, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[3], rt, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[4], pty, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[5], di, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[6], flags, 1);
  link<&THIini::doRead>(loadHub.onEvent[7], ctSetting);
  link<&THIMultiElement::doWork>(loadHub.onEvent[8], ps, 1);
  link<&THIMultiElement::doWork>(loadHub.onEvent[9], af, 1);

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
  link<&THIMultiElement::doWork>(pagedPsSwitch.onEvent[1], scrollingPs, 2);
  link<&THIMultiElement::doWork>(pagedPsSwitch.onEvent[2], pagePs, 2);
  link<&THIMultiElement::doWork>(psSwitch.onEvent[0], selector, 2);
  link<&THIMultiElement::doWork>(psSwitch.onEvent[1], ps, 2);
  link<&THIMultiElement::doWork>(afSwitch.onEvent[0], selector, 3);
  link<&THIMultiElement::doWork>(afSwitch.onEvent[1], af, 2);
  link<&THIMultiElement::doWork>(scrollingLimit.onEvent[0], scrollingPs, 3);
  link<&THIMultiElement::doWork>(scrollingLimit.onEvent[1], scrollingPs, 4);

  THIMultiElement* byPosition[FunctionSelector::kItems] = {&pi, &scrollingPs, &pagePs, &rt, &pty,
                                                           &di, &flags,       &ps,     &af};
  for (uint16_t k = 0; k < FunctionSelector::kItems; ++k) {
    link<&THIMultiElement::doWork>(panelChooser.onEvent[k], *byPosition[k], 0);
    link<&THIHub::doEvent>(byPosition[k]->onEvent[0], commands);
  }
  for (THIMultiElement* panel : {&pi, &rt, &pty, &di, &flags}) in(panel->Data[0], 1);
  out(pi.onEvent[1], 4);
  out(pty.onEvent[1], 4);

  // TP, TA and MS: their new state, then which of them changed.
  link<&THIHub::doEvent>(flags.onEvent[1], tpChanged);
  link<&THIHub::doEvent>(flags.onEvent[2], taChanged);
  link<&THIHub::doEvent>(flags.onEvent[3], msChanged);
  out(tpChanged.onEvent[0], 2);
  out(taChanged.onEvent[0], 3);
  link<&THIDoData::doData>(tpChanged.onEvent[1], tpReport);
  link<&THIDoData::doData>(taChanged.onEvent[1], taReport);
  link<&THIDoData::doData>(msChanged.onEvent[1], msReport);
  for (THIDoData* report : {&tpReport, &taReport, &msReport}) out(report->onEventData, 1);

  functions = &selector.build<FunctionSelector>(panel.controlParent());
  scrollingPsPanel = &scrollingPs.build<ScrollingPsPanel>(panel.controlParent());
  pagePsPanel = &pagePs.build<PagePsPanel>(panel.controlParent());
  rtPanel = &rt.build<RtPanel>(panel.controlParent());
  ptyPanel = &pty.build<PtyPanel>(panel.controlParent());
  diPanel = &di.build<DiPanel>(panel.controlParent());
  flagsPanel = &flags.build<TpTaMsPanel>(panel.controlParent());
  psPanel = &ps.build<PsPanel>(panel.controlParent());
  afPanel = &af.build<AfPanel>(panel.controlParent());
  piPanel = &pi.build<PiPanel>(panel.controlParent());
}

}  // namespace hi
