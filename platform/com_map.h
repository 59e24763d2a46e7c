// Which device is "COM n". With a "ports" folder beside rds.ini its com<n> links are the whole
// map (so tests and demos never touch the machine's real ports); otherwise COM 1-8 are
// /dev/ttyS0-7, COM 9-16 /dev/ttyUSB0-7 and COM 17-24 /dev/ttyACM0-7. On Windows COM n is the
// system's own port of that number.
//
// A number named in the "Network ports" section of rds.ini is a network port instead, whatever
// the rest of the map says:
//
//   [Network ports]
//   COM5=tcp://10.0.0.7:4001        the encoder's bytes as they are (a raw device server)
//   COM6=rfc2217://10.0.0.8:2217    Telnet with the COM-port option, which carries the settings
#pragma once

#include <string>

#include "platform/net.h"

namespace platform {

inline constexpr const char* kNetworkPortsSection = "Network ports";

// The folder of com<n> links: "ports" in the settings folder.
std::string ComPortsFolder();

// What "COM n" stands for.
struct ComTarget {
  enum class Kind { None, Device, Network, Malformed };
  Kind kind = Kind::None;
  std::string device;  // Device: the path to open
  Endpoint endpoint;   // Network: scheme "tcp" or "rfc2217"
  std::string text;    // Network and Malformed: the address as rds.ini has it
  // Malformed: what is wrong with it; None: why the device is not there, when that is known
  // ("/dev/serial/by-id/usb-... does not exist").
  std::string problem;
};
ComTarget LookUpComPort(int number);

// The device path of COM n; empty when the map has no such device (a network port included).
// Numbers below 1 never exist.
std::string ComDevicePath(int number);

// Whether COM n exists and could be opened exclusively at this moment. A network port counts as
// there without being connected.
bool ComPortCanOpen(int number);

}  // namespace platform
