// The serial port element: the only element that touches the COM port. It never reads. A COM
// number mapped to a network address is a TCP connection that behaves the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/com_map.h"
#include "platform/net_port.h"
#include "platform/serial.h"
#include "platform/time_host.h"
#include "runtime/runtime.h"

namespace hi {

class THICOM : public TDebug {
 public:
  uint8_t port = 0;  // 0-based: 0 is COM1
  int32_t baud = 9600;
  uint8_t parity = 0;    // position in "NOEMS"
  int32_t timeout = 10;  // milliseconds, for all five port time-outs
  // Whether opening, losing and writing go into the event log; the port scan's probes do not.
  bool logged = true;
  // The port scan's element: a network port counts as there without being connected.
  bool probe = false;
  // How often a pending network open is looked at.
  static constexpr uint32_t kNetPollMs = 20;

  TLink onWrite;  // bytes written, after every write of an open port
  // The open port went away: a write failed or stopped short, or the device hung up. The port
  // is closed by the time this fires, so lines sent meanwhile are dropped.
  TLink onLost;
  // An open failed; the value says why: "no such port", "permission denied", ...
  TLink onError;
  // The outcome of doOpen is known: at its end for a serial port, once connected or failed for
  // a network port. Opened then says which.
  TLink onSettled;
  // A network open has started and its outcome will follow later (onSettled).
  TLink onConnecting;
  TLink Port;  // 1-based port number for doOpen
  TLink Baud;  // baud rate for doOpen

  void doOpen(TData& data, uint16_t index);
  void doClose(TData& data, uint16_t index);
  void doPurge(TData& data, uint16_t index);
  void doSend(TData& data, uint16_t index);
  // Looks for a hang-up without writing; never waits.
  void doCheck(TData& data, uint16_t index);
  // 1 while the port is open and its device is still there, else 0.
  void Opened(TData& data, uint16_t index);
  // 1 when the port last opened is a network port, else 0.
  void Network(TData& data, uint16_t index);

  // "baud=9600 parity=N data=8 stop=1 octs=off" for the given settings.
  static std::string ModeText(int32_t baud, uint8_t parity);

 private:
  void lose();
  // Counted for the monitoring; the port scan's probes are not.
  void opened() const;
  void log(const std::string& event) const;
  // Logs a failed open once per reason and fires onError. `logged` is what the log says
  // instead of the reason, when it knows more.
  void fail(const std::string& reason, const std::string& device = {},
            const std::string& logged = {});
  void openNetwork(const platform::ComTarget& target, int32_t rate);
  // Takes up a pending network open once its outcome is known.
  void pollNetwork();
  void closeAll();

  platform::SerialPort line_;
  platform::NetPort net_;
  std::unique_ptr<platform::HostTimer> netTimer_;
  std::string address_;      // the network address of the port last opened
  std::string netMode_;      // the line settings it was given
  bool network_ = false;     // the port last opened is a network port
  bool probed_ = false;      // a network port the scan found
  std::string name_;         // "port COM n" of the port last opened
  std::string lastFailure_;  // the failed open last logged, until an open succeeds
};

}  // namespace hi
