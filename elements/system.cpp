#include "elements/system.h"

namespace hi {

namespace {

bool SameValue(const TData& a, const TData& b) {
  if (a.baseType() != b.baseType()) return false;
  switch (a.baseType()) {
    case dtNull:
      return true;
    case dtInteger:
      return a.integer == b.integer;
    case dtString:
      return a.text == b.text;
    case dtReal:
      return a.real == b.real;
    default:
      return false;
  }
}

}  // namespace

void THIChangeMon::doCheck(TData& data, uint16_t) {
  TData value = ReadValue(data, Data);
  if (SameValue(value, last_)) {
    data = std::move(value);
    ForwardSame(data, onSame);
  } else {
    last_ = value;
    data = std::move(value);
    ForwardSame(data, onChange);
  }
}

void THIChangeMon::doClear(TData&, uint16_t) { last_ = TData(); }

void THIODialog::doExecute(TData& data, uint16_t) {
  if (!dialog_) dialog_ = platform::FileDialogRequest{title, initialDir, filter, {}};
  dialog_->fileName = ReadString(data, FileName, fileName);
  std::optional<std::string> chosen = platform::DesktopServices().openFile(*dialog_);
  if (chosen) {
    ForwardString(data, onExecute, *chosen);
  } else {
    ForwardNull(data, onCancel);
  }
}

void THIClipboard::doPut(TData& data, uint16_t) {
  platform::DesktopServices().putClipboard(ReadString(data, Text), ansi != 0);
}

void THIWinExec::doShellExec(TData& data, uint16_t) {
  std::string file = ReadString(data, FileName, fileName);
  std::string parameters = ReadString(data, Params, params);
  platform::DesktopServices().shellOpen(file, parameters, showMode);
}

void THIKeyboardLayout::doSetLayout(TData&, uint16_t) {
  platform::DesktopServices().setKeyboardLayout("00000409");
}

void THIWinTools::doTopMost(TData& data, uint16_t) {
  const int32_t window = ReadInteger(data, Handle);
  platform::DesktopServices().setTopMost(window, ToBool(data));
}

void THIMoveWindow::doMove(TData& data, uint16_t) {
  platform::DesktopServices().startWindowMove(ReadInteger(data, Handle));
}

void THIFont::doFont(TData& data, uint16_t) {
  font.size = static_cast<uint8_t>(ReadInteger(data, Size, font.size));
  font.color = static_cast<uint32_t>(ReadInteger(data, Color, static_cast<int32_t>(font.color)));
  font.name = ReadString(data, Name, font.name);
  font.style = static_cast<uint8_t>(ReadInteger(data, Style, font.style));
  font.charset = static_cast<uint8_t>(ReadInteger(data, Charset, font.charset));
  if (dialog) {
    TFontRecord chosen = font;
    if (!platform::DesktopServices().chooseFont(chosen)) return;
    font = chosen;
  }
  EmitFont(onFont, font);
}

void THIApplication::doTitle(TData& data, uint16_t) {
  std::string title = ToString(data);
  platform::Desktop& desktop = platform::DesktopServices();
  if (desktop.hasApplication() && !title.empty()) desktop.setApplicationTitle(title);
}

}  // namespace hi
