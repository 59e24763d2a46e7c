#include "encoder/connection_panel.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include <QLabel>

#include "encoder/wiring.h"
#include "platform/com_map.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial.h"
#include "ui/text.h"

namespace hi {

namespace {
void SetConstant(THIDoData& d, int32_t value) { d.data = TData::Int(value); }

// Hub output → a constant 0 or 1 → its target: the event that carries the constant.
TLink& Constant(THIHub& hub, size_t output, THIDoData& value, int32_t n) {
  SetConstant(value, n);
  link<&THIDoData::doData>(hub.onEvent[output], value);
  return value.onEventData;
}
}  // namespace

void PortAddress::doShow(TData& data, uint16_t) {
  const int32_t number = ToInteger(data);
  const platform::ComTarget target = platform::LookUpComPort(number);
  const bool network = target.kind == platform::ComTarget::Kind::Network ||
                       target.kind == platform::ComTarget::Kind::Malformed;
  auto* label = qobject_cast<QLabel*>(label_.widget());
  if (label) {
    // Built here, not as a caption: the arrow is not in the program's code page.
    const QString text =
        network ? QString("COM %1 \u2192 %2").arg(number).arg(ToQt(target.text)) : QString();
    label->setText(text);
    label->setToolTip(text);
  }
  label_.setVisible(network);
}

void EventLogLine::doLog(TData& data, uint16_t) { platform::LogEvent(ToString(data)); }

ConnectionPanel::ConnectionPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  placeControls();
  wirePoints();
  wireScan();
  wireCheck();
  wireLoad();
  wireDeviceTypes();
  wireConnect();
  wireDisconnect();
  wireLostPort();
}

void ConnectionPanel::placeControls() {
  panel.setBounds(83, 46, 470, 315);
  deviceLabel.setBounds(10, 9, 64, 16);
  deviceLabel.setCaption("Device:");
  deviceList.setBounds(10, 27, 165, 21);
  std::string devices;
  for (const protocol::ModelRow& row : protocol::kModelRows)
    devices += (devices.empty() ? "" : "\r\n") + std::string(row.name);
  deviceList.setItems(devices);
  deviceList.setEnabled(false);
  portLabel.setBounds(185, 9, 68, 15);
  portLabel.setCaption("COM Port:");
  portList.setBounds(185, 27, 75, 21);
  portList.textMode = true;
  portList.setText("COM-Port");
  portList.setEnabled(false);
  connect.setBounds(10, 57, 75, 21);
  connect.setCaption("Connect");
  connect.setEnabled(false);
  disconnect.setBounds(95, 57, 75, 21);
  disconnect.setCaption("Disconnect");
  disconnect.setEnabled(false);
  rescan.setBounds(180, 57, 80, 21);
  rescan.setCaption("Rescan");
  rescan.setEnabled(false);
  warning.setBounds(50, 255, 236, 32);
  warning.setCaption("Can not find free COM ports!");
  warning.setVisible(false);
  openFailed.setBounds(50, 255, 236, 32);
  openFailed.setVisible(false);
  address.setBounds(270, 30, 195, 16);
  address.setVisible(false);
  picture1.setBounds(320, 210, 145, 105);
  picture1.setPicture(":/pictures/connection1.png");
  picture2.setBounds(320, 210, 145, 105);
  picture2.setPicture(":/pictures/connection2.png");

  // The scan probes every port; only the line port's events are worth a log line.
  scanCom.logged = false;
  scanCom.probe = true;
  for (THICOM* com : {&scanCom, &lineCom}) {
    com->port = 0;
    com->baud = 9600;
    com->parity = 0;
    com->timeout = 10;
  }
}

void ConnectionPanel::wirePoints() {
  Compare(written, THIIf_else::Greater, TData::Int(0));

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIFor::doFor>(Scan, scanLoop);
  work<&THICOM::doSend>(SendLine, lineCom);
  link<&THIIf_else::doCompare>(lineCom.onWrite, written);
  out(written.onTrue, LineWritten);
  work<&THIHub::doEvent>(Load, loadHub);
  work<&THIHub::doEvent>(Connect, manualConnect);
  work<&THIHub::doEvent>(Disconnect, disconnectHub);
  work<&THIHub::doEvent>(Check, checkHub);
  work<&THIHub::doEvent>(AutoConnect, autoConnect);
  var<&THIMemory::Value>(ConnectedFlag, connectedFlag);
  var<&THIMemory::Value>(Terminator, terminator);
}

// Every port that opens now is listed as "COM n"; then the first entry is chosen.
void ConnectionPanel::wireScan() {
  rescanHub.setOutCount(4);
  scanLoop.start = 0;
  scanLoop.end = 25;
  scanLoop.step = 1;
  scanLoop.includeEnd = 1;
  if (scanStoredPortOnly) {
    const std::string stored =
        platform::IniReadString(platform::SettingsFolder() + "rds.ini", kSection, "COM Port");
    const int32_t number = stored.size() > 4 ? ToInteger(TData::Str(stored.substr(4))) : 0;
    // Nothing stored: nothing probed.
    scanLoop.start = number > 0 ? number : 1;
    scanLoop.end = number > 0 ? number : 0;
  }
  probe.setOutCount(3);
  emptyText.data = TData::Str("");
  portName.str1 = "COM ";
  scanDone.setOutCount(3);
  SetConstant(firstEntry, 0);
  selectedNumber.position = 1;
  selectedNumber.count = 4;
  Compare(denied, THIIf_else::Equal, TData::Str("permission denied"));
  deniedName.str1 = "COM ";
  deniedPort.setDefault(TData::Str(""));
  noDenied.data = TData::Str("");

  link<&THIHub::doEvent>(rescan.onClick, rescanHub);
  link<&THIDoData::doData>(rescanHub.onEvent[0], noDenied);
  link<&THIMemory::doValue>(noDenied.onEventData, deniedPort);
  link<&THIComboBox::doClear>(rescanHub.onEvent[1], portList);
  link<&THIFor::doFor>(rescanHub.onEvent[2], scanLoop);
  link<&THIIf_else::doCompare>(rescanHub.onEvent[3], rescanFound);
  link<&THIFor::Position>(loopPosition.Data, scanLoop);
  link<&THIGetData::Value>(scanCom.Port, loopPosition);
  link<&THIHub::doEvent>(scanLoop.onEvent, probe);
  link<&THICOM::doOpen>(probe.onEvent[0], scanCom);
  link<&THIDoData::doData>(probe.onEvent[1], emptyText);
  link<&THICOM::doSend>(emptyText.onEventData, scanCom);
  link<&THICOM::doClose>(probe.onEvent[2], scanCom);
  link<&THIFor::Position>(portName.Str2, scanLoop);
  link<&THIStrCat::doStrCat>(scanCom.onWrite, portName);
  link<&THIComboBox::doAdd>(portName.onStrCat, portList);
  link<&THIIf_else::doCompare>(scanCom.onError, denied);
  link<&THIFor::Position>(deniedName.Str2, scanLoop);
  link<&THIStrCat::doStrCat>(denied.onTrue, deniedName);
  link<&THIMemory::doValue>(deniedName.onStrCat, deniedPort);
  link<&THIHub::doEvent>(scanLoop.onStop, scanDone);
  link<&THIDoData::doData>(scanDone.onEvent[0], firstEntry);
  link<&THIComboBox::doSelect>(firstEntry.onEventData, portList);
  link<&THIComboBox::String>(selectedNumber.Str, portList);
  link<&THIDelete::doDelete>(scanDone.onEvent[1], selectedNumber);
  link<&THIMemory::doValue>(selectedNumber.onDelete, portNumber);
  link<&THIComboBox::Count>(portCount.Data, portList);
  link<&PortAddress::doShow>(portNumber.onData, showAddress);
  link<&THIMemory::doValue>(scanDone.onEvent[2], portCount);
}

// The warning names a port refused for lack of permission, since adding the user to a group is
// then all it takes.
void ConnectionPanel::wireCheck() {
  IsZero(noPorts);
  SetConstant(showWarning, 1);
  SetConstant(one, 1);
  checkHub.setOutCount(2);
  found.setOutCount(2);
  enablePorts.setOutCount(5);
  noPortsHub.setOutCount(3);
  Compare(deniedKnown, THIIf_else::NotEqual, TData::Str(""));
  const std::string advice = platform::DeniedAdvice();
  // "—" in the program's code page.
  deniedText.mask = "%1: permission denied" + (advice.empty() ? "!" : " \x97 " + advice);
  deniedText.setDataCount(1);
  noFreeText.data = TData::Str("Can not find free COM ports!");
  SetConstant(rescanOn, 1);
  IsZero(rescanFound);
  portsBack.setOutCount(2);
  SetConstant(hideWarning, 0);

  link<&THIIf_else::doCompare>(checkHub.onEvent[0], noPorts);
  out(checkHub.onEvent[1], CheckDone);
  link<&THIMemory::Value>(noPorts.Op1, portCount);
  link<&THIHub::doEvent>(noPorts.onTrue, noPortsHub);
  link<&THIIf_else::doCompare>(noPortsHub.onEvent[0], deniedKnown);
  link<&THIMemory::Value>(deniedKnown.Op1, deniedPort);
  link<&THIMemory::Value>(deniedText.Str[1], deniedPort);
  link<&THIFormatStr::doString>(deniedKnown.onTrue, deniedText);
  link<&THILabel::doText>(deniedText.onFString, warning);
  link<&THIDoData::doData>(deniedKnown.onFalse, noFreeText);
  link<&THILabel::doText>(noFreeText.onEventData, warning);
  link<&THIDoData::doData>(noPortsHub.onEvent[1], showWarning);
  link<&THILabel::doVisible>(showWarning.onEventData, warning);
  link<&THIDoData::doData>(noPortsHub.onEvent[2], rescanOn);
  link<&ThiButtonRush::doEnabled>(rescanOn.onEventData, rescan);
  link<&THIDoData::doData>(noPorts.onFalse, one);
  link<&THIHub::doEvent>(one.onEventData, found);
  link<&THIHub::doEvent>(found.onEvent[0], enablePorts);
  out(found.onEvent[1], PortsFound);
  link<&THIMemory::Value>(rescanFound.Op1, portCount);
  link<&THIHub::doEvent>(rescanFound.onTrue, noPortsHub);
  link<&THIHub::doEvent>(rescanFound.onFalse, portsBack);
  link<&THIDoData::doData>(portsBack.onEvent[0], hideWarning);
  link<&THILabel::doVisible>(hideWarning.onEventData, warning);
  link<&THIHub::doEvent>(portsBack.onEvent[1], enablePorts);
  out(enablePorts.onEvent[0], PortControlsEnabled);
  link<&ThiButtonRush::doEnabled>(enablePorts.onEvent[1], rescan);
  link<&ThiButtonRush::doEnabled>(enablePorts.onEvent[2], connect);
  link<&THIComboBox::doEnabled>(enablePorts.onEvent[3], portList);
  link<&THIComboBox::doEnabled>(enablePorts.onEvent[4], deviceList);
}

// The stored port and device, and the operator's choices of them.
void ConnectionPanel::wireLoad() {
  StoredSetting(iniPort, kSection, "COM Port", THIini::Text);
  StoredSetting(iniDevice, kSection, "Device", THIini::Integer);
  Compare(deviceLow, THIIf_else::GreaterEqual, TData::Int(0));
  Compare(deviceHigh, THIIf_else::LessEqual, TData::Int(protocol::kModels - 1));
  firstDevice.data = TData::Int(0);
  loadHub.setOutCount(2);
  portLoaded.setOutCount(3);
  selectStored.setOutCount(2);
  portChosen.setOutCount(2);
  deviceChosen.setOutCount(2);
  Compare(portTextSet, THIIf_else::NotEqual, TData::Str(""));
  stripCom.position = 1;
  stripCom.count = 4;

  link<&THIini::doRead>(loadHub.onEvent[0], iniPort);
  link<&THIini::doRead>(loadHub.onEvent[1], iniDevice);
  link<&THIHub::doEvent>(iniPort.onRead, portLoaded);
  link<&THIIf_else::doCompare>(portLoaded.onEvent[0], portTextSet);
  link<&THIHub::doEvent>(portTextSet.onTrue, selectStored);
  link<&THIComboBox::doSelectString>(selectStored.onEvent[0], portList);
  link<&THIComboBox::doText>(selectStored.onEvent[1], portList);
  link<&THIDelete::doDelete>(portLoaded.onEvent[1], stripCom);
  link<&THIini::doWrite>(portLoaded.onEvent[2], iniPort);
  link<&THIMemory::doValue>(stripCom.onDelete, portNumber);
  link<&THIHub::doEvent>(portList.onChange, portChosen);
  link<&THIDelete::doDelete>(portChosen.onEvent[0], stripCom);
  link<&THIini::doWrite>(portChosen.onEvent[1], iniPort);
  link<&THIIf_else::doCompare>(iniDevice.onRead, deviceLow);
  link<&THIIf_else::doCompare>(deviceLow.onTrue, deviceHigh);
  link<&THIComboBox::doSelect>(deviceHigh.onTrue, deviceList);
  link<&THIDoData::doData>(deviceLow.onFalse, firstDevice);
  link<&THIDoData::doData>(deviceHigh.onFalse, firstDevice);
  link<&THIComboBox::doSelect>(firstDevice.onEventData, deviceList);
  link<&THIIndexToChanel::doEvent>(deviceList.onSelect, byType);
  link<&THIHub::doEvent>(deviceList.onChange, deviceChosen);
  link<&THIini::doWrite>(deviceChosen.onEvent[0], iniDevice);
  link<&THIIndexToChanel::doEvent>(deviceChosen.onEvent[1], byType);
}

// Each switch fires the value of the chosen model, in the same order for every model; a setting
// the model keeps is skipped.
void ConnectionPanel::wireDeviceTypes() {
  byType.setCount(protocol::kModels);
  modelSwitch.count = protocol::kModels;

  const std::pair<THIChanelToIndex*, Output> switches[] = {{&laterPagesSwitch, LaterPagesSwitch},
                                                           {&pagedPsSwitch, PagedPsSwitch},
                                                           {&psSwitch, PsSwitch},
                                                           {&clockTimeFormSwitch, ClockTimeForm},
                                                           {&modelSwitch, DeviceType},
                                                           {&scrollingLimitSwitch, ScrollingLimit},
                                                           {&afSwitch, AfSwitch}};
  for (const auto& [sw, output] : switches) out(sw->onIndex, output);

  for (const protocol::ModelRow& row : protocol::kModelRows) {
    const std::pair<THIChanelToIndex*, int> settings[] = {
        {&laterPagesSwitch, row.laterPages},
        {nullptr, 0},  // the terminator
        {&pagedPsSwitch, protocol::OffersPagedPs(row.id)},
        {&psSwitch, protocol::Offered(row.id, protocol::Ps)},
        {&clockTimeFormSwitch, row.clockTime == protocol::ClockTimeForm::Bytes},
        {&modelSwitch, row.id},
        {&scrollingLimitSwitch, row.scrollingPsLimit},
        {&afSwitch, protocol::Offered(row.id, protocol::Af)}};
    THIHub& hub = modelHubs[row.id];
    hub.setOutCount(
        static_cast<int>(std::count_if(std::begin(settings), std::end(settings),
                                       [](const auto& s) { return s.second != protocol::kKeep; })));
    modelTerminators[row.id].data = TData::Str(row.terminator);

    link<&THIHub::doEvent>(byType.onEvent[row.id], hub);
    link<&THIMemory::doValue>(modelTerminators[row.id].onEventData, terminator);
    uint16_t next = 0;
    for (const auto& [sw, value] : settings) {
      if (value == protocol::kKeep) continue;
      if (sw)
        link<&THIChanelToIndex::doWork>(hub.onEvent[next++], *sw, static_cast<uint16_t>(value));
      else
        link<&THIDoData::doData>(hub.onEvent[next++], modelTerminators[row.id]);
    }
  }
}

// Only a port that really opened makes the panel connected. A connect whose port does not open
// changes nothing but a warning, unless it is the automatic one: the page of a service started
// before its adapter is there is connected and waits for the port as for a lost one.
void ConnectionPanel::wireConnect() {
  manualConnect.setOutCount(2);
  autoConnect.setOutCount(2);
  keepTrying.setDefault(TData::Int(0));
  SetConstant(tryOnce, 0);
  SetConstant(tryOn, 1);
  IsOne(retrying);
  waitHub.setOutCount(8);
  waitText.mask = "Can not open COM %1 (%2), retrying";
  waitText.setDataCount(2);
  SetConstant(showWaiting, 1);
  tryConnect.setOutCount(2);
  openPurpose.setDefault(TData::Int(0));
  SetConstant(purposeConnect, 0);
  SetConstant(purposeRetry, 1);
  IsOne(fromRetry);
  IsOne(opened);
  connectHub.setOutCount(12);
  failHub.setOutCount(3);
  failText.mask = "Can not open COM %1 (%2)!";
  failText.setDataCount(2);
  SetConstant(showFailure, 1);
  SetConstant(connectOn, 1);
  IsZero(byOperator);
  connectingHub.setOutCount(3);
  // "…" in the program's code page.
  connectingText.mask = "Connecting to COM %1 \x85";
  connectingText.setDataCount(1);
  SetConstant(showConnecting, 1);
  SetConstant(connectOff, 0);
  retryNote.mask = "port COM %1: the automatic connect tries again every 2 s";
  retryNote.setDataCount(1);

  link<&THIHub::doEvent>(connect.onClick, manualConnect);
  link<&THIDoData::doData>(manualConnect.onEvent[0], tryOnce);
  link<&THIMemory::doValue>(tryOnce.onEventData, keepTrying);
  link<&THIHub::doEvent>(manualConnect.onEvent[1], tryConnect);
  link<&THIDoData::doData>(autoConnect.onEvent[0], tryOn);
  link<&THIMemory::doValue>(tryOn.onEventData, keepTrying);
  link<&THIHub::doEvent>(autoConnect.onEvent[1], tryConnect);
  link<&THIMemory::doValue>(lineCom.onError, openReason);
  link<&THIMemory::Value>(lineCom.Port, portNumber);
  link<&THIDoData::doData>(tryConnect.onEvent[0], purposeConnect);
  link<&THIMemory::doValue>(purposeConnect.onEventData, openPurpose);
  link<&THICOM::doOpen>(tryConnect.onEvent[1], lineCom);
  link<&THIIf_else::doCompare>(lineCom.onSettled, fromRetry);
  link<&THIMemory::Value>(fromRetry.Op1, openPurpose);
  link<&THIIf_else::doCompare>(fromRetry.onFalse, opened);
  link<&THICOM::Opened>(opened.Op1, lineCom);
  link<&THIHub::doEvent>(opened.onTrue, connectHub);
  out(Constant(connectHub, 0, connectValues[0], 1), ConnectionState);
  link<&ThiButtonRush::doEnabled>(Constant(connectHub, 1, connectValues[1], 0), connect);
  link<&ThiButtonRush::doEnabled>(Constant(connectHub, 2, connectValues[2], 1), disconnect);
  link<&THIMemory::doValue>(Constant(connectHub, 3, connectValues[3], 1), connectedFlag);
  out(connectHub.onEvent[4], Connected);
  link<&THICOM::doPurge>(connectHub.onEvent[5], lineCom);
  link<&ThiButtonRush::doEnabled>(Constant(connectHub, 6, connectValues[4], 0), rescan);
  link<&THIComboBox::doEnabled>(Constant(connectHub, 7, connectValues[5], 0), deviceList);
  link<&THIComboBox::doEnabled>(Constant(connectHub, 8, connectValues[6], 0), portList);
  link<&THILabel::doVisible>(Constant(connectHub, 9, connectValues[7], 0), openFailed);
  link<&THIImage::doBringToFront>(connectHub.onEvent[11], picture1);
  out(connectedFlag.onData, ConnectedFlagChanged);

  link<&THIIf_else::doCompare>(opened.onFalse, retrying);
  link<&THIMemory::Value>(retrying.Op1, keepTrying);
  link<&THIHub::doEvent>(retrying.onFalse, failHub);
  link<&THIHub::doEvent>(retrying.onTrue, waitHub);
  link<&THIHub::doEvent>(waitHub.onEvent[0], connectHub);
  link<&THITimer::doStop>(waitHub.onEvent[1], watch);
  link<&THIMemory::Value>(waitText.Str[1], portNumber);
  link<&THIMemory::Value>(waitText.Str[2], openReason);
  link<&THIFormatStr::doString>(waitHub.onEvent[2], waitText);
  link<&THILabel::doText>(waitText.onFString, openFailed);
  link<&THIDoData::doData>(waitHub.onEvent[3], showWaiting);
  link<&THILabel::doVisible>(showWaiting.onEventData, openFailed);
  link<&THITimer::doStart>(waitHub.onEvent[4], retry);
  link<&THIImage::doBringToFront>(waitHub.onEvent[5], picture2);
  out(waitHub.onEvent[6], PortLost);
  link<&THIMemory::Value>(retryNote.Str[1], portNumber);
  link<&THIFormatStr::doString>(waitHub.onEvent[7], retryNote);
  link<&EventLogLine::doLog>(retryNote.onFString, eventLog);

  link<&THIMemory::Value>(failText.Str[1], portNumber);
  link<&THIMemory::Value>(failText.Str[2], openReason);
  link<&THIFormatStr::doString>(failHub.onEvent[0], failText);
  link<&THILabel::doText>(failText.onFString, openFailed);
  link<&THIDoData::doData>(failHub.onEvent[1], showFailure);
  link<&THILabel::doVisible>(showFailure.onEventData, openFailed);
  link<&THIDoData::doData>(failHub.onEvent[2], connectOn);
  link<&ThiButtonRush::doEnabled>(connectOn.onEventData, connect);

  link<&THIIf_else::doCompare>(lineCom.onConnecting, byOperator);
  link<&THIMemory::Value>(byOperator.Op1, openPurpose);
  link<&THIHub::doEvent>(byOperator.onTrue, connectingHub);
  link<&THIMemory::Value>(connectingText.Str[1], portNumber);
  link<&THIFormatStr::doString>(connectingHub.onEvent[0], connectingText);
  link<&THILabel::doText>(connectingText.onFString, openFailed);
  link<&THIDoData::doData>(connectingHub.onEvent[1], showConnecting);
  link<&THILabel::doVisible>(showConnecting.onEventData, openFailed);
  link<&THIDoData::doData>(connectingHub.onEvent[2], connectOff);
  link<&ThiButtonRush::doEnabled>(connectOff.onEventData, connect);
}

void ConnectionPanel::wireDisconnect() {
  disconnectHub.setOutCount(13);
  SetConstant(hideOnDisconnect, 0);

  link<&THIHub::doEvent>(disconnect.onClick, disconnectHub);
  link<&THICOM::doClose>(disconnectHub.onEvent[0], lineCom);
  out(Constant(disconnectHub, 1, disconnectValues[0], 0), ConnectionState);
  link<&ThiButtonRush::doEnabled>(Constant(disconnectHub, 2, disconnectValues[1], 0), disconnect);
  link<&ThiButtonRush::doEnabled>(Constant(disconnectHub, 3, disconnectValues[2], 1), connect);
  out(disconnectHub.onEvent[4], Disconnected);
  link<&ThiButtonRush::doEnabled>(Constant(disconnectHub, 5, disconnectValues[3], 1), rescan);
  link<&THIMemory::doValue>(Constant(disconnectHub, 6, disconnectValues[4], 0), connectedFlag);
  link<&THIComboBox::doEnabled>(Constant(disconnectHub, 7, disconnectValues[5], 1), deviceList);
  link<&THIComboBox::doEnabled>(Constant(disconnectHub, 8, disconnectValues[6], 1), portList);
  link<&THITimer::doStop>(disconnectHub.onEvent[9], retry);
  link<&THITimer::doStop>(disconnectHub.onEvent[10], watch);
  link<&THIDoData::doData>(disconnectHub.onEvent[11], hideOnDisconnect);
  link<&THILabel::doVisible>(hideOnDisconnect.onEventData, openFailed);
  link<&THIImage::doBringToFront>(disconnectHub.onEvent[12], picture2);
}

// A hang-up shows on the port without a line being written, so it is looked for while
// connected; the look never waits.
void ConnectionPanel::wireLostPort() {
  watch.setInterval(kWatchMs);
  retry.setInterval(kRetryMs);
  lostHub.setOutCount(6);
  lostText.mask = "Connection to COM %1 lost, retrying";
  lostText.setDataCount(1);
  SetConstant(showLost, 1);
  SetConstant(hideLost, 0);
  retryHub.setOutCount(2);
  IsOne(reopened);
  backHub.setOutCount(6);

  link<&THITimer::doStart>(connectHub.onEvent[10], watch);
  link<&THICOM::doCheck>(watch.onTimer, lineCom);
  link<&THIHub::doEvent>(lineCom.onLost, lostHub);
  link<&THITimer::doStop>(lostHub.onEvent[0], watch);
  link<&THIMemory::Value>(lostText.Str[1], portNumber);
  link<&THIFormatStr::doString>(lostHub.onEvent[1], lostText);
  link<&THILabel::doText>(lostText.onFString, openFailed);
  link<&THIDoData::doData>(lostHub.onEvent[2], showLost);
  link<&THILabel::doVisible>(showLost.onEventData, openFailed);
  link<&THITimer::doStart>(lostHub.onEvent[3], retry);
  out(lostHub.onEvent[4], PortLost);
  link<&THIImage::doBringToFront>(lostHub.onEvent[5], picture2);
  link<&THIHub::doEvent>(retry.onTimer, retryHub);
  link<&THIDoData::doData>(retryHub.onEvent[0], purposeRetry);
  link<&THIMemory::doValue>(purposeRetry.onEventData, openPurpose);
  link<&THICOM::doOpen>(retryHub.onEvent[1], lineCom);
  link<&THIIf_else::doCompare>(fromRetry.onTrue, reopened);
  link<&THICOM::Opened>(reopened.Op1, lineCom);
  link<&THIHub::doEvent>(reopened.onTrue, backHub);
  link<&THITimer::doStop>(backHub.onEvent[0], retry);
  link<&THIDoData::doData>(backHub.onEvent[1], hideLost);
  link<&THILabel::doVisible>(hideLost.onEventData, openFailed);
  link<&THICOM::doPurge>(backHub.onEvent[2], lineCom);
  link<&THITimer::doStart>(backHub.onEvent[3], watch);
  out(backHub.onEvent[4], PortBack);
  link<&THIImage::doBringToFront>(backHub.onEvent[5], picture1);
}

}  // namespace hi
