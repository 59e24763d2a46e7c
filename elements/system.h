// Elements that reach the host: file dialog, clipboard, shell, keyboard layout, window z-order
// and dragging, fonts, the application title, and a change detector. Every host call goes
// through platform::DesktopServices().
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/desktop.h"
#include "runtime/runtime.h"

namespace hi {

// Lets a value through on onChange only when it differs from the previous one.
class THIChangeMon : public TDebug {
 public:
  TLink Data;
  TLink onChange;
  TLink onSame;

  void doCheck(TData& data, uint16_t index);
  // Forgets the last value, as at creation: the next value other than null is a change.
  void doClear(TData& data, uint16_t index);

 private:
  TData last_;
};

class THIODialog : public TDebug {
 public:
  std::string initialDir;
  std::string filter;  // description|pattern pairs
  std::string title;
  std::string fileName;
  uint8_t mode = 0;

  TLink FileName;
  TLink onExecute;
  TLink onCancel;

  void doExecute(TData& data, uint16_t index);

 private:
  // Made on first use with the title, folder and filter of that moment.
  std::optional<platform::FileDialogRequest> dialog_;
};

class THIClipboard : public TDebug {
 public:
  uint8_t ansi = 0;  // 1: 8-bit text; 0: converted to Unicode

  TLink Text;

  void doPut(TData& data, uint16_t index);
};

class THIWinExec : public TDebug {
 public:
  std::string fileName;
  std::string params;
  int32_t showMode = 1;

  TLink Params;
  TLink FileName;

  void doShellExec(TData& data, uint16_t index);
};

class THIKeyboardLayout : public TDebug {
 public:
  // Switches the input to US English.
  void doSetLayout(TData& data, uint16_t index);
};

class THIWinTools : public TDebug {
 public:
  TLink Handle;
  // Topmost when the incoming value is true (everything but the integer 0).
  void doTopMost(TData& data, uint16_t index);
};

class THIMoveWindow : public TDebug {
 public:
  TLink Handle;
  // Starts dragging the window as if by its caption.
  void doMove(TData& data, uint16_t index);
};

class THIFont : public TDebug {
 public:
  TFontRecord font;
  uint8_t dialog = 0;  // 1: the font dialog is shown first

  TLink Name;
  TLink Color;
  TLink Size;
  TLink Style;
  TLink Charset;
  TLink onFont;

  void doFont(TData& data, uint16_t index);
};

class THIApplication : public TDebug {
 public:
  // Sets the task-bar text; an empty text leaves it as it is.
  void doTitle(TData& data, uint16_t index);
};

}  // namespace hi
