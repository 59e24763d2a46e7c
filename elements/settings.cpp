#include "elements/settings.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/codepage.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"

namespace hi {

namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || (folder.back() != '/' && folder.back() != '\\')) folder += '/';
  return folder;
}

#ifdef _WIN32

// One of the host's folder queries (GetWindowsDirectoryA and its kind), which report the length
// they need when the buffer is too small.
template <typename Query>
std::string HostFolder(Query query) {
  std::string folder(MAX_PATH, '\0');
  UINT n = query(folder.data(), static_cast<UINT>(folder.size()));
  if (n >= folder.size()) {
    folder.resize(n);
    n = query(folder.data(), static_cast<UINT>(folder.size()));
  }
  if (n == 0 || n >= folder.size()) return {};
  folder.resize(n);
  return WithSeparator(folder);
}

std::string WindowsFolder() { return HostFolder(GetWindowsDirectoryA); }
std::string SystemFolder() { return HostFolder(GetSystemDirectoryA); }
std::string TempFolder() {
  return HostFolder([](char* buffer, UINT size) { return GetTempPathA(size, buffer); });
}

#else

// The Windows and system folders have no POSIX equivalent; the nearest are the machine-wide
// configuration and library folders.
std::string WindowsFolder() { return "/etc/"; }
std::string SystemFolder() { return "/usr/lib/"; }
std::string TempFolder() {
  std::error_code ec;
  std::string folder = std::filesystem::temp_directory_path(ec).string();
  return WithSeparator(ec || folder.empty() ? "/tmp" : folder);
}

#endif

std::string Backslashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// The file and section of a window-position place, split at the first ".ini\".
std::optional<std::pair<std::string, std::string>> SplitPlace(const std::string& place) {
  static const std::string kMark = ".ini\\";
  size_t at = place.find(kMark);
  if (place.empty() || at == std::string::npos) return std::nullopt;
  std::string file = platform::SettingsFolder() + Backslashes(place.substr(0, at + 4));
  return std::make_pair(file, place.substr(at + kMark.size()));
}

// A failed write has no event to fire; the log at least tells an operator which setting did not
// stick (a read-only folder, a full disk).
void LogFailedWrite(const std::string& path, std::string_view section, std::string_view keys) {
  platform::LogEvent("settings not stored: " + platform::EscapeBytes(path) + " [" +
                     platform::EscapeBytes(section) + "] " + platform::EscapeBytes(keys));
}

}  // namespace

std::string ResolveIniPath(const std::string& name) {
  std::string path = ReplaceAll(name, "%windir%", WindowsFolder());
  path = ReplaceAll(path, "%tmpdir%", TempFolder());
  path = ReplaceAll(path, "%sysdir%", SystemFolder());
  path = Backslashes(path);
  if (path.find_first_of(":/") == std::string::npos) path = platform::SettingsFolder() + path;
  return path;
}

THIini::Target THIini::open(TData& data) {
  Target target;
  target.path = ResolveIniPath(ReadString(data, FileName, fileName));
  target.section = ReadString(data, Section, section);
  return target;
}

void THIini::doRead(TData& data, uint16_t) {
  Target target = open(data);
  std::string name = ReadString(data, Key, key);
  if (type == 1) {
    // A stored text may end up in a command line; a control character in it must not.
    ForwardString(
        data, onRead,
        platform::BlankControls(platform::IniReadString(target.path, target.section, name)));
  } else {
    ForwardInt(data, onRead, platform::IniReadInt(target.path, target.section, name, 0));
  }
}

void THIini::doWrite(TData& data, uint16_t) {
  Target target = open(data);
  std::string value =
      type == 1 ? ReadString(data, Value) : std::to_string(ReadInteger(data, Value));
  std::string name = ReadString(data, Key, key);
  if (HeldSettingWrites::Active()) return;
  if (!platform::IniWriteString(target.path, target.section, name, value))
    LogFailedWrite(target.path, target.section, name);
}

bool LoadWindowPosition(const std::string& place, WindowPosition& pos) {
  auto split = SplitPlace(place);
  if (!split) return false;
  const auto& [file, section] = *split;
  pos.left = platform::IniReadInt(file, section, "Left", pos.left);
  pos.top = platform::IniReadInt(file, section, "Top", pos.top);
  pos.width = platform::IniReadInt(file, section, "Width", pos.width);
  pos.height = platform::IniReadInt(file, section, "Height", pos.height);
  return true;
}

void SaveWindowPosition(const std::string& place, const WindowPosition& pos) {
  auto split = SplitPlace(place);
  if (!split) return;
  const auto& [file, section] = *split;
  if (!platform::IniWriteEntries(file, section,
                                 {{"Left", std::to_string(pos.left)},
                                  {"Top", std::to_string(pos.top)},
                                  {"Width", std::to_string(pos.width)},
                                  {"Height", std::to_string(pos.height)}}))
    LogFailedWrite(file, section, "Left, Top, Width, Height");
}

}  // namespace hi
