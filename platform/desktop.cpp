#include "platform/desktop.h"

namespace platform {

namespace {
// A host without a desktop: dialogs are cancelled, everything else is silently skipped.
class NoDesktop : public Desktop {
 public:
  std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
  void putClipboard(const std::string&, bool) override {}
  void shellOpen(const std::string&, const std::string&, int) override {}
  void setKeyboardLayout(const std::string&) override {}
  void setTopMost(int32_t, bool) override {}
  void startWindowMove(int32_t) override {}
  bool chooseFont(hi::TFontRecord&) override { return false; }
  void setApplicationTitle(const std::string&) override {}
  bool hasApplication() const override { return false; }
};

Desktop* gDesktop = nullptr;
}  // namespace

Desktop& DesktopServices() {
  static NoDesktop none;
  return gDesktop ? *gDesktop : none;
}

void SetDesktopServices(Desktop* desktop) { gDesktop = desktop; }

}  // namespace platform
