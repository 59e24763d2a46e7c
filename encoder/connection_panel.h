// The "Select device" page: finds the free COM ports, lets the operator pick the encoder model and
// the port, connects and disconnects, and owns the serial element every command line leaves by.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/serial.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

// Inputs: 0 bring to front, 1 scan, 2 send a line, 3 load, 4 connect, 5 disconnect, 6 check,
// 7 connect and keep trying until the port opens (the automatic connect).
// Outputs: 0 connection state, 1 ports found, 2 connected, 3 disconnected, 4 connected flag,
// 5 port controls enabled, 6..14 device-type switches, 15 a line was written to the port,
// 16 the port was lost while connected (or is not there yet for the automatic connect),
// 17 the lost port is open again, 18 the start-up check is done.
// Readables: 0 connected flag, 1 line terminator.
class ConnectionPanel : public TClassMultiBase {
 public:
  ConnectionPanel(TOuterSide& owner, ControlParent parent);

  static constexpr const char* kDevices =
      "Tessel 10(Stand Alone)\r\nTessel 20(Stand Alone)\r\nTessel 20(Last On)";

  THIPanelRush panel{controlParent()};
  THILabel deviceLabel{panel.controlParent()};
  THIComboBox deviceList{panel.controlParent()};
  THILabel portLabel{panel.controlParent()};
  THIComboBox portList{panel.controlParent()};
  ThiButtonRush connect{panel.controlParent()};
  ThiButtonRush disconnect{panel.controlParent()};
  ThiButtonRush rescan{panel.controlParent()};
  THILabel warning{panel.controlParent()};
  THILabel openFailed{panel.controlParent()};
  THIImage picture1{panel.controlParent()};
  THIImage picture2{panel.controlParent()};

  THICOM scanCom, lineCom;
  THIMemory portNumber, portCount, connectedFlag, terminator;

  // Scan.
  THIHub rescanHub;
  THIFor scanLoop;
  THIGetData loopPosition;
  THIHub probe;
  THIDoData emptyText;
  THIStrCat portName;
  THIHub scanDone;
  THIDoData firstEntry;
  THIDelete selectedNumber;
  // A port the scan was refused for lack of permission is named in the warning.
  THIIf_else denied;
  THIStrCat deniedName;
  THIMemory deniedPort;
  THIDoData noDenied;

  // Check, at start-up and after every Rescan. With no port "Rescan" stays usable, so an adapter
  // plugged in later is found.
  THIHub checkHub;
  THIIf_else noPorts;
  THIDoData one;
  THIDoData showWarning;
  THIHub found, enablePorts;
  THIHub noPortsHub;
  THIIf_else deniedKnown;
  THIFormatStr deniedText;
  THIDoData noFreeText, rescanOn;
  THIIf_else rescanFound;
  THIHub portsBack;
  THIDoData hideWarning;

  // Load and the operator's choices.
  THIini iniPort, iniDevice;
  THIHub loadHub, portLoaded, portChosen, deviceChosen;
  // A stored port the scan did not find stays chosen and shows in the list's empty face.
  THIHub selectStored;
  THIIf_else portTextSet;
  THIDelete stripCom;
  // A stored model outside the list counts as the first, so every line gets a terminator.
  THIIf_else deviceLow, deviceHigh;
  THIDoData firstDevice;

  // Device-type distribution.
  THIIndexToChanel byType;
  THIHub type0, type1, type2;
  THIDoData crlf, lf;
  THIChanelToIndex sw6, sw7, sw8, sw9, sw10, sw11, sw12, sw13, sw14;

  // Connect and disconnect. A connect whose port does not open changes nothing but a warning,
  // unless it is the automatic one: that keeps trying as for a lost port.
  THIHub manualConnect, autoConnect;
  THIMemory keepTrying;
  THIDoData tryOnce, tryOn;
  THIMemory openReason;
  THIIf_else retrying;
  THIHub waitHub;
  THIFormatStr waitText;
  THIHub tryConnect;
  THIIf_else opened;
  THIHub connectHub, disconnectHub;
  std::array<THIDoData, 8> connectValues;
  std::array<THIDoData, 7> disconnectValues;
  THIHub failHub;
  THIFormatStr failText;
  THIDoData showFailure;

  // Only bytes that really reached the port count as a line sent.
  THIIf_else written;

  // A port lost while connected: the page stays connected, shows it, and opens the same port
  // again every retry period until it opens or the operator disconnects.
  static constexpr int32_t kWatchMs = 250;
  static constexpr int32_t kRetryMs = 2000;
  THITimer watch, retry;
  THIHub lostHub, retryHub, backHub;
  THIFormatStr lostText;
  THIDoData showLost, showWaiting, hideLost, hideOnDisconnect;
  THIIf_else reopened;
};

}  // namespace hi
