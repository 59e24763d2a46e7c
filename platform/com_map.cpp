#include "platform/com_map.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/serial.h"

namespace platform {

std::string ComPortsFolder() { return SettingsFolder() + "ports"; }

std::string ComDevicePath(int number) {
  if (number < 1) return {};
#ifdef _WIN32
  return "\\\\.\\Com" + std::to_string(number);
#else
  std::error_code ec;
  const std::string folder = ComPortsFolder();
  if (std::filesystem::is_directory(folder, ec)) {
    std::string link = folder + "/com" + std::to_string(number);
    // A link whose device has gone away is a port that does not exist.
    return std::filesystem::exists(link, ec) ? link : std::string();
  }
  static const char* const kFamilies[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
  if (number > 24) return {};
  return kFamilies[(number - 1) / 8] + std::to_string((number - 1) % 8);
#endif
}

bool ComPortCanOpen(int number) {
  std::string device = ComDevicePath(number);
  if (device.empty()) return false;
  SerialPort port;
  return port.open(device);
}

}  // namespace platform
