// The host on Qt: time, desktop services and the message loop of the program.
//
//   int main(int argc, char** argv) {
//     QApplication app(argc, argv);
//     return ui::RunQtProgram([] { return std::make_unique<MainWindow>(); });
//   }
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "platform/desktop.h"
#include "platform/time_host.h"
#include "runtime/startup.h"

namespace ui {

// Local time from the system clock, a monotonic millisecond tick, and QTimers on the thread
// that creates them (the user-interface thread).
class QtTimeHost : public platform::TimeHost {
 public:
  platform::LocalDateTime now() override;
  uint32_t tickCount() override;
  std::unique_ptr<platform::HostTimer> createTimer(std::function<void()> onTick) override;
  // A QSocketNotifier on the thread that creates it.
  std::unique_ptr<platform::SocketWatch> watchSocket(intptr_t socket,
                                                     std::function<void()> onReadable) override;
};

class QtDesktop : public platform::Desktop {
 public:
  std::optional<std::string> openFile(const platform::FileDialogRequest& request) override;
  void putClipboard(const std::string& text, bool ansi) override;
  void shellOpen(const std::string& file, const std::string& params, int showMode) override;
  // Keyboard layouts belong to the desktop session on Linux: nothing to do.
  void setKeyboardLayout(const std::string& layout) override;
  void setTopMost(int32_t window, bool topMost) override;
  void startWindowMove(int32_t window) override;
  bool chooseFont(hi::TFontRecord& font) override;
  // The main form's title, which is what the task bar shows.
  void setApplicationTitle(const std::string& title) override;
  bool hasApplication() const override;
};

// Runs Qt's event loop until the main form closes (at once when it closed during start-up).
class QtMessageLoop : public hi::MessageLoop {
 public:
  void prepare(hi::TRootContainer&) override;
  int run() override;
};

// "txt|*.txt*|all|*" as Qt's name filters: "txt (*.txt*);;all (*)".
QString QtFileFilter(const std::string& filter);

// Installs the Qt time host and desktop services, runs the program on a QtMessageLoop and
// uninstalls them again. A QApplication must exist.
int RunQtProgram(const std::function<std::unique_ptr<hi::TRootContainer>()>& build);

}  // namespace ui
