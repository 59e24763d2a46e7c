// The settings file element and the window-position store of the form elements.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/runtime.h"

namespace hi {

// The full path of a settings file name: the folder macros %windir%, %tmpdir% and %sysdir% are
// expanded, and a bare name (no drive colon, no separator) lies in the program's folder.
// Backslashes count as separators and become "/". On Windows the macros name the host's own
// folders; elsewhere %windir% is /etc/ and %sysdir% /usr/lib/.
std::string ResolveIniPath(const std::string& name);

// While one lives, THIini writes are not stored: a value a remote source puts on air changes
// with every title and is not the operator's setting. Reads are unchanged.
class HeldSettingWrites {
 public:
  HeldSettingWrites() { ++open_; }
  ~HeldSettingWrites() { --open_; }
  HeldSettingWrites(const HeldSettingWrites&) = delete;
  HeldSettingWrites& operator=(const HeldSettingWrites&) = delete;
  HeldSettingWrites(HeldSettingWrites&&) = delete;
  HeldSettingWrites& operator=(HeldSettingWrites&&) = delete;

  static bool Active() { return open_ > 0; }

 private:
  static inline int open_ = 0;
};

// Reads or writes one value of an INI file; nothing is cached between operations.
class THIini : public TDebug {
 public:
  std::string fileName;
  std::string section;
  std::string key;
  // How the value is stored and read.
  enum Type : uint8_t { Integer = 0, Text = 1 };
  uint8_t type = Integer;

  TLink FileName;
  TLink Section;
  TLink Key;
  TLink Value;
  TLink onRead;

  void doRead(TData& data, uint16_t index);
  void doWrite(TData& data, uint16_t index);

 private:
  struct Target {
    std::string path;
    std::string section;
  };
  Target open(TData& data);
};

struct WindowPosition {
  int left = 0, top = 0, width = 0, height = 0;
};

// place: "rds.ini\General window" style, the file in the program's folder and the section after
// the backslash. Empty (or without ".ini\") → false, nothing read. Each of Left, Top, Width and
// Height is read with the current value as default.
bool LoadWindowPosition(const std::string& place, WindowPosition& pos);
void SaveWindowPosition(const std::string& place, const WindowPosition& pos);

}  // namespace hi
