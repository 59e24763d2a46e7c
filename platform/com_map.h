// Which device is "COM n". With a "ports" folder beside rds.ini its com<n> links are the whole
// map (so tests and demos never touch the machine's real ports); otherwise COM 1-8 are
// /dev/ttyS0-7, COM 9-16 /dev/ttyUSB0-7 and COM 17-24 /dev/ttyACM0-7. On Windows COM n is the
// system's own port of that number.
#pragma once

#include <string>

namespace platform {

// The folder of com<n> links: "ports" in the settings folder.
std::string ComPortsFolder();

// The device path of COM n; empty when the map has no such port. Numbers below 1 never exist.
std::string ComDevicePath(int number);

// Whether COM n exists and could be opened exclusively at this moment.
bool ComPortCanOpen(int number);

}  // namespace platform
