#include "app/service_report.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

#include "ui/text.h"

namespace hi {

namespace {
std::string Utf8(const THILabel& label) { return ToQt(label.caption()).toStdString(); }
}  // namespace

ServiceReport::ServiceReport(MainWindow& window) : window_(window) {
  timer_ = platform::Time().createTimer([this] { check(); });
  timer_->start(kCheckMs);
  // Emitted once the loop has ended, before the tree goes.
  if (auto* app = QCoreApplication::instance()) {
    QObject::connect(app, &QCoreApplication::aboutToQuit, &quitWatch_,
                     [] { platform::NotifyServiceManager("STOPPING=1\nSTATUS=Closing"); });
  }
}

std::string ServiceReport::status() const {
  const ConnectionPanel& page = *window_.connectionPage;
  // Failed, waiting for the port, lost or connecting: the page says it best.
  if (page.openFailed.visible()) return Utf8(page.openFailed);
  if (ToInteger(page.connectedFlag.value) == 1) {
    const bool ps = ToInteger(window_.dpsRuns.value) == 1;
    const bool rt = ToInteger(window_.drtRuns.value) == 1;
    return "Connected to COM " + std::to_string(ToInteger(page.portNumber.value)) +
           (ps && rt ? ", dynamic PS and RT on"
            : ps     ? ", dynamic PS on"
            : rt     ? ", dynamic RT on"
                     : "");
  }
  if (page.warning.visible()) return Utf8(page.warning);
  return "Not connected";
}

bool ServiceReport::startActionsDone() const {
  // The start-up check starts them, or never does when it found no port.
  return std::ranges::none_of(window_.settingsPages->startTimers,
                              [](const THITimer& t) { return t.enabled(); });
}

void ServiceReport::check() {
  std::string message = platform::ServiceStatusMessage(status());
  if (message != said_) {
    said_ = std::move(message);
    platform::NotifyServiceManager(said_);
  }
  if (!ready_ && startActionsDone()) {
    ready_ = true;
    platform::NotifyServiceManager("READY=1");
  }
}

}  // namespace hi
