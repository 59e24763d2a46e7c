// What a headless panel tells the service manager that runs it: ready once the automatic start
// actions have run, a status line whenever what the connection page shows changes (not at every
// line sent), the watchdog's pings from the window thread, and stopping when it closes.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "platform/service_notify.h"
#include "platform/time_host.h"

namespace hi {

class ServiceReport {
 public:
  // Looked at this often; a status reaches the manager at most this late.
  static constexpr uint32_t kCheckMs = 1000;

  // Made right after the window's tree is built, before the start-up actions run.
  explicit ServiceReport(MainWindow& window);

  // "Connected to COM 3, dynamic PS and RT on", the page's warning, or "Not connected".
  std::string status() const;

 private:
  void check();
  bool startActionsDone() const;

  MainWindow& window_;
  platform::ServiceWatchdog watchdog_;
  std::unique_ptr<platform::HostTimer> timer_;
  bool ready_ = false;
  std::string said_;
  QObject quitWatch_;  // the connection to the end of the loop lives as long as this
};

}  // namespace hi
