#include "encoder/rds_settings_page.h"

#include "encoder/wiring.h"

namespace hi {

namespace {
constexpr uint16_t kRaise = 0;
constexpr uint16_t kLoad = 1;
constexpr uint16_t kLines = 0;
constexpr uint16_t kTerminator = 0;

template <class P>
constexpr bool ReadsTerminatorFirst() {
  if constexpr (requires { P::Terminator; })
    return P::Terminator == kTerminator;
  else
    return false;
}

// Every panel keeps the points the page wires by number (see encoder/function_panel.h).
template <size_t... F>
constexpr bool PanelsKeepTheirPoints(std::index_sequence<F...>) {
  return ((PanelOf<protocol::Function(F)>::type::BringToFront == kRaise &&
           PanelOf<protocol::Function(F)>::type::Load == kLoad &&
           PanelOf<protocol::Function(F)>::type::Lines == kLines &&
           (protocol::kFunctionRows[F].lineEnd != protocol::LineEnd::Model ||
            ReadsTerminatorFirst<typename PanelOf<protocol::Function(F)>::type>())) &&
          ...);
}
static_assert(PanelsKeepTheirPoints(std::make_index_sequence<protocol::kFunctions>()));
}  // namespace

RdsSettingsPage::RdsSettingsPage(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  placeControls();
  wirePoints();
  wireLoad();
  wireTransmitCt();
  wireClockTime();
  wireEeprom();
  wireFunctionPanels();
  wireFlags();
  buildPanels();
}

void RdsSettingsPage::placeControls() {
  panel.setBounds(83, 46, 470, 315);
  // The connection page is the one shown at start; this page shows when it is raised.
  panel.setVisible(false);
  picture.setBounds(320, 210, 145, 105);
  picture.setPicture(":/pictures/settings.png");
  transmitCt.setBounds(10, 245, 95, 20);
  transmitCt.setCaption("Transmit CT");
  saveEeprom.setBounds(10, 275, 115, 30);
  saveEeprom.setCaption("Save to EEPROM");
  readEeprom.setBounds(130, 275, 140, 30);
  readEeprom.setCaption("Read from EEPROM");
  readEeprom.setHint("Read and send data from EEPROM");
}

void RdsSettingsPage::wirePoints() {
  commands.setOutCount(1);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, loadHub);
  work<&THIIf_else::doCompare>(ConnectedChanged, ctWanted);
  work<&THIMultiElement::doWork>(SetPty, panels[protocol::Pty], PtyPanel::SelectCode);
  work<&THIMultiElement::doWork>(SetTp, panels[protocol::TpTaMs], TpTaMsPanel::SetTp);
  work<&THIMultiElement::doWork>(SetTa, panels[protocol::TpTaMs], TpTaMsPanel::SetTa);
  work<&THIMultiElement::doWork>(ToggleTp, panels[protocol::TpTaMs], TpTaMsPanel::ToggleTp);
  work<&THIMultiElement::doWork>(ToggleTa, panels[protocol::TpTaMs], TpTaMsPanel::ToggleTa);
  work<&THIHub::doEvent>(PagedPsSwitch, pagedPsSwitch);
  work<&THIHub::doEvent>(PsSwitch, psSwitch);
  work<&THIGetIndexData::doIndex>(ClockTimeForm, chosenForm);
  work<&THIMultiElement::doWork>(LaterPagesSwitch, panels[protocol::PagePs],
                                 PagePsPanel::ShowLaterPages);
  work<&THIMultiElement::doWork>(DeviceType, panels[protocol::Rt], RtPanel::DeviceType);
  work<&THIIndexToChanel::doEvent>(ScrollingLimit, scrollingLimit);
  work<&THIHub::doEvent>(AfSwitch, afSwitch);
  work<&THIMultiElement::doWork>(SetMs, panels[protocol::TpTaMs], TpTaMsPanel::SetMs);
  out(commands.onEvent[0], Lines);
  var<&ThiCheckBoxRush::Checked>(TransmitCt, transmitCt);
  var<&THIMultiElement::Var>(TpState, panels[protocol::TpTaMs], TpTaMsPanel::TpState);
  var<&THIMultiElement::Var>(TaState, panels[protocol::TpTaMs], TpTaMsPanel::TaState);
  var<&THIMultiElement::Var>(MsState, panels[protocol::TpTaMs], TpTaMsPanel::MsState);
  var<&THIMultiElement::Var>(PiText, panels[protocol::Pi], PiPanel::PiText);
  var<&THIMultiElement::Var>(PtyName, panels[protocol::Pty], PtyPanel::PtyName);
}

// The function panels, with "CT" before those that load after it.
void RdsSettingsPage::wireLoad() {
  loadHub.setOutCount(protocol::kFunctions + 1);

  uint16_t next = 0;
  for (bool afterClockTime : {false, true}) {
    if (afterClockTime) link<&THIini::doRead>(loadHub.onEvent[next++], ctSetting);
    for (const protocol::FunctionRow& row : protocol::kFunctionRows)
      if (row.loadsAfterClockTime == afterClockTime)
        link<&THIMultiElement::doWork>(loadHub.onEvent[next++], panels[row.id], kLoad);
  }
}

// "Transmit CT": stored, remembered and re-evaluated at every change.
void RdsSettingsPage::wireTransmitCt() {
  StoredSetting(ctSetting, protocol::kRdsSettings, "CT", THIini::Integer);
  IsOne(ctStored);
  checkCt.data = TData::Int(1);
  ctChanged.setOutCount(4);
  IsOne(ctChecked);
  ctOn.data = TData::Int(1);
  ctOff.data = TData::Int(0);
  ctReport.data = TData::Int(3);
  IsOne(ctWanted);
  IsOne(connected);
  ctTimer.setInterval(1000);
  ctTimer.setCount(0);

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
  out(ctReport.onEventData, FlagChanged);
  link<&THIIf_else::doCompare>(ctChanged.onEvent[3], ctWanted);
  link<&THIMemory::Value>(ctWanted.Op1, ctEnabled);
  link<&THIIf_else::doCompare>(ctWanted.onTrue, connected);
  link<&THITimer::doStop>(ctWanted.onFalse, ctTimer);
  in(connected.Op1, ConnectedFlag);
  link<&THITimer::doStart>(connected.onTrue, ctTimer);
  link<&THITimer::doStop>(connected.onFalse, ctTimer);
}

// Each tick: local time → its parts → the five payload numbers → both line forms.
void RdsSettingsPage::wireClockTime() {
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

  link<&THIHub::doEvent>(ctTimer.onTimer, tick);
  link<&THIDateConvertor::doConvert>(tick.onEvent[0], localTime);
  out(tick.onEvent[1], ClockTick);
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
}

void RdsSettingsPage::wireEeprom() {
  saveHub.setOutCount(2);
  readHub.setOutCount(2);
  saveLine.mask = "SM%1";
  saveLine.setDataCount(1);
  readLine.mask = "RM%1";
  readLine.setDataCount(1);
  eepromDone.data = TData::Int(0);

  link<&THIHub::doEvent>(saveEeprom.onClick, saveHub);
  link<&THIHub::doEvent>(readEeprom.onClick, readHub);
  in(saveLine.Str[1], Terminator);
  in(readLine.Str[1], Terminator);
  link<&THIFormatStr::doString>(saveHub.onEvent[0], saveLine);
  link<&THIFormatStr::doString>(readHub.onEvent[0], readLine);
  link<&THIDoData::doData>(saveHub.onEvent[1], eepromDone);
  link<&THIDoData::doData>(readHub.onEvent[1], eepromDone);
  link<&THIHub::doEvent>(saveLine.onFString, commands);
  link<&THIHub::doEvent>(readLine.onFString, commands);
  out(eepromDone.onEventData, EepromPressed);
}

// The selector raises the panel at the position clicked; the model's switches show or hide
// functions on both.
void RdsSettingsPage::wireFunctionPanels() {
  panelChooser.setCount(protocol::kFunctions);
  pagedPsSwitch.setOutCount(3);
  psSwitch.setOutCount(2);
  afSwitch.setOutCount(2);
  scrollingLimit.setCount(2);

  link<&THIIndexToChanel::doEvent>(selector.onEvent[FunctionSelector::Chosen], panelChooser);
  link<&THIMultiElement::doWork>(pagedPsSwitch.onEvent[0], selector, FunctionSelector::ShowPagedPs);
  link<&THIMultiElement::doWork>(pagedPsSwitch.onEvent[1], panels[protocol::ScrollingPs],
                                 ScrollingPsPanel::ShowOrHide);
  link<&THIMultiElement::doWork>(pagedPsSwitch.onEvent[2], panels[protocol::PagePs],
                                 PagePsPanel::ShowOrHide);
  link<&THIMultiElement::doWork>(psSwitch.onEvent[0], selector, FunctionSelector::ShowPs);
  link<&THIMultiElement::doWork>(psSwitch.onEvent[1], panels[protocol::Ps], PsPanel::ShowOrHide);
  link<&THIMultiElement::doWork>(afSwitch.onEvent[0], selector, FunctionSelector::ShowAf);
  link<&THIMultiElement::doWork>(afSwitch.onEvent[1], panels[protocol::Af], AfPanel::ShowOrHide);
  link<&THIMultiElement::doWork>(scrollingLimit.onEvent[0], panels[protocol::ScrollingPs],
                                 ScrollingPsPanel::LongLimit);
  link<&THIMultiElement::doWork>(scrollingLimit.onEvent[1], panels[protocol::ScrollingPs],
                                 ScrollingPsPanel::ShortLimit);

  for (const protocol::FunctionRow& row : protocol::kFunctionRows) {
    THIMultiElement& function = panels[row.id];
    link<&THIMultiElement::doWork>(panelChooser.onEvent[row.id], function, kRaise);
    link<&THIHub::doEvent>(function.onEvent[kLines], commands);
    if (row.lineEnd == protocol::LineEnd::Model) in(function.Data[kTerminator], Terminator);
  }
  out(panels[protocol::Pi].onEvent[PiPanel::TextChanged], PiOrPtyChanged);
  out(panels[protocol::Pty].onEvent[PtyPanel::CodeChanged], PiOrPtyChanged);
}

// TP, TA and MS: their new state, then which of them changed.
void RdsSettingsPage::wireFlags() {
  for (THIHub* hub : {&tpChanged, &taChanged, &msChanged}) hub->setOutCount(2);
  tpReport.data = TData::Int(0);
  taReport.data = TData::Int(1);
  msReport.data = TData::Int(2);

  link<&THIHub::doEvent>(panels[protocol::TpTaMs].onEvent[TpTaMsPanel::TpChanged], tpChanged);
  link<&THIHub::doEvent>(panels[protocol::TpTaMs].onEvent[TpTaMsPanel::TaChanged], taChanged);
  link<&THIHub::doEvent>(panels[protocol::TpTaMs].onEvent[TpTaMsPanel::MsChanged], msChanged);
  out(tpChanged.onEvent[0], TpChanged);
  out(taChanged.onEvent[0], TaChanged);
  link<&THIDoData::doData>(tpChanged.onEvent[1], tpReport);
  link<&THIDoData::doData>(taChanged.onEvent[1], taReport);
  link<&THIDoData::doData>(msChanged.onEvent[1], msReport);
  for (THIDoData* report : {&tpReport, &taReport, &msReport}) out(report->onEventData, FlagChanged);
}

void RdsSettingsPage::buildPanels() {
  functions = &selector.build<FunctionSelector>(panel.controlParent());
  buildFunctionPanels(std::make_index_sequence<protocol::kFunctions>());
}

}  // namespace hi
