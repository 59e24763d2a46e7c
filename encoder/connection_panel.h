// The "Select device" page: finds the free COM ports, lets the operator pick the encoder model and
// the port, connects and disconnects, and owns the serial element every command line leaves by.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/serial.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/time.h"
#include "protocol/models.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

// Shows where a COM number mapped to a network address leads, and nothing for any other port.
class PortAddress : public TDebug {
 public:
  explicit PortAddress(THILabel& label) : label_(label) {}
  // The port number arrives with the call.
  void doShow(TData& data, uint16_t index);

 private:
  THILabel& label_;
};

// Writes its value to the program's event log.
class EventLogLine : public TDebug {
 public:
  void doLog(TData& data, uint16_t index);
};

class ConnectionPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t {
    BringToFront,
    Scan,
    SendLine,
    Load,
    Connect,
    Disconnect,
    Check,
    // Connects and keeps trying until the port opens.
    AutoConnect,
    kInputs
  };
  // The device-type switches (LaterPagesSwitch to AfSwitch) fire the value of the chosen model.
  enum Output : uint16_t {
    ConnectionState,  // 1 connected, 0 disconnected
    PortsFound,       // at the check
    Connected,
    Disconnected,
    ConnectedFlagChanged,
    PortControlsEnabled,
    LaterPagesSwitch,  // pages 7..10 of the Page PS panel
    PagedPsSwitch,     // the Scrolling PS and Page PS functions
    PsSwitch,          // the PS function
    ClockTimeForm,     // 0 text form, 1 byte form
    DeviceType,        // 0, 1 or 2
    ScrollingLimit,    // 0 the long limit, 1 the short one
    AfSwitch,          // the AF function
    LineWritten,       // a line reached the port
    // The port was lost while connected, or is not there yet for the automatic connect.
    PortLost,
    PortBack,   // the lost port is open again
    CheckDone,  // the start-up check is done
    kOutputs
  };
  enum Readable : uint16_t { ConnectedFlag, Terminator, kReadables };

  ConnectionPanel(TOuterSide& owner, ControlParent parent);

  // A service probes only the port it is set to: any other may belong to another program.
  static inline bool scanStoredPortOnly = false;

  static constexpr const char* kSection = "Select device";

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
  THILabel address{panel.controlParent()};
  THIImage picture1{panel.controlParent()};
  THIImage picture2{panel.controlParent()};

  THICOM scanCom, lineCom;
  THIMemory portNumber, portCount, connectedFlag, terminator;
  PortAddress showAddress{address};

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

  // Device-type distribution: the chosen model's row sets the terminator and the switches.
  THIIndexToChanel byType;
  std::array<THIHub, protocol::kModels> modelHubs;
  std::array<THIDoData, protocol::kModels> modelTerminators;
  THIChanelToIndex laterPagesSwitch, pagedPsSwitch, psSwitch, clockTimeFormSwitch, modelSwitch,
      scrollingLimitSwitch, afSwitch;

  // Connect and disconnect.
  THIHub manualConnect, autoConnect;
  THIMemory keepTrying;
  THIDoData tryOnce, tryOn;
  THIMemory openReason;
  THIIf_else retrying;
  THIHub waitHub;
  THIFormatStr waitText;
  THIHub tryConnect;
  // A network port answers after the open has returned: its outcome goes to the connect or to
  // the retry, whichever opened it.
  THIMemory openPurpose;
  THIDoData purposeConnect, purposeRetry;
  THIIf_else fromRetry;
  THIIf_else opened;
  THIHub connectHub, disconnectHub;
  std::array<THIDoData, 8> connectValues;
  std::array<THIDoData, 7> disconnectValues;
  // A failure says why: in use, refused, no answer, a bad address in rds.ini.
  THIHub failHub;
  THIFormatStr failText;
  THIDoData showFailure, connectOn;
  // A network port connecting in the background shows it, and Connect waits for the outcome.
  THIIf_else byOperator;
  THIHub connectingHub;
  THIFormatStr connectingText;
  THIDoData showConnecting, connectOff;
  // The automatic connect's first failure tells the log that it keeps trying.
  THIFormatStr retryNote;
  EventLogLine eventLog;

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

 private:
  void placeControls();
  void wirePoints();
  void wireScan();
  void wireCheck();
  void wireLoad();
  void wireDeviceTypes();
  void wireConnect();
  void wireDisconnect();
  void wireLostPort();
};

}  // namespace hi
