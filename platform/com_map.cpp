#include "platform/com_map.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial.h"

namespace platform {

std::string ComPortsFolder() { return SettingsFolder() + "ports"; }

namespace {

// The entry's value, or the empty text when there is none.
std::string NetworkEntry(int number) {
  return IniReadString(SettingsFolder() + "rds.ini", kNetworkPortsSection,
                       "COM" + std::to_string(number));
}

// `missing` says why, when COM n is a link whose device is not there.
std::string DevicePath(int number, std::string* missing = nullptr) {
#ifdef _WIN32
  (void)missing;
  return "\\\\.\\Com" + std::to_string(number);
#else
  std::error_code ec;
  const std::string folder = ComPortsFolder();
  if (std::filesystem::is_directory(folder, ec)) {
    std::string link = folder + "/com" + std::to_string(number);
    if (std::filesystem::exists(link, ec)) return link;
    // A link whose device has gone away is a port that does not exist.
    if (missing && std::filesystem::is_symlink(link, ec)) {
      const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
      if (!ec) *missing = target.string() + " does not exist";
    }
    return {};
  }
  static const char* const kFamilies[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
  if (number > 24) return {};
  return kFamilies[(number - 1) / 8] + std::to_string((number - 1) % 8);
#endif
}

}  // namespace

ComTarget LookUpComPort(int number) {
  ComTarget target;
  if (number < 1) return target;
  target.text = NetworkEntry(number);
  if (!target.text.empty()) {
    Endpoint endpoint;
    if (!ParseEndpoint(target.text, endpoint, target.problem)) {
      target.kind = ComTarget::Kind::Malformed;
    } else if (endpoint.scheme != "tcp" && endpoint.scheme != "rfc2217") {
      target.kind = ComTarget::Kind::Malformed;
      target.problem = "unknown scheme " + endpoint.scheme + ": (tcp or rfc2217)";
    } else {
      target.kind = ComTarget::Kind::Network;
      target.endpoint = endpoint;
    }
    return target;
  }
  target.device = DevicePath(number, &target.problem);
  if (!target.device.empty()) target.kind = ComTarget::Kind::Device;
  return target;
}

std::string ComDevicePath(int number) {
  if (number < 1 || !NetworkEntry(number).empty()) return {};
  return DevicePath(number);
}

bool ComPortCanOpen(int number) {
  const ComTarget target = LookUpComPort(number);
  if (target.kind == ComTarget::Kind::Network || target.kind == ComTarget::Kind::Malformed)
    return true;
  if (target.kind != ComTarget::Kind::Device) return false;
  SerialPort port;
  return port.openToProbe(target.device);
}

}  // namespace platform
