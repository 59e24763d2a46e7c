// The desktop services the system elements reach: dialogs, clipboard, shell, keyboard layout,
// window z-order and dragging, and the application's title. The window layer installs its
// implementation; without one, DesktopServices() answers with a host that does nothing and
// whose dialogs are cancelled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/data.h"

namespace platform {

struct FileDialogRequest {
  std::string title;
  std::string initialDir;
  std::string filter;    // description|pattern pairs, for example "txt|*.txt*"
  std::string fileName;  // preselected
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Shows the open-file dialog modally; the chosen full path, or nothing when cancelled.
  virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
  // Puts text on the clipboard: 8-bit text as it stands, or converted to Unicode.
  virtual void putClipboard(const std::string& text, bool ansi) = 0;
  // Opens a document, program or address with the host's handler for "open".
  virtual void shellOpen(const std::string& file, const std::string& params, int showMode) = 0;
  // Activates the keyboard layout with the given identifier ("00000409": US English).
  virtual void setKeyboardLayout(const std::string& layout) = 0;
  // Window handles are the values the visual elements hand out through their Handle point.
  virtual void setTopMost(int32_t window, bool topMost) = 0;
  virtual void startWindowMove(int32_t window) = 0;
  // Shows the font dialog initialised with `font`; true with the chosen font on OK.
  virtual bool chooseFont(hi::TFontRecord& font) = 0;
  // The application window's caption (the task-bar text).
  virtual void setApplicationTitle(const std::string& title) = 0;
  // Whether the application object exists (the first form element creates it).
  virtual bool hasApplication() const = 0;
};

Desktop& DesktopServices();
void SetDesktopServices(Desktop* desktop);

}  // namespace platform
