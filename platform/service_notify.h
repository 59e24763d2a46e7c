// Tells the service manager that started the program (systemd, which names its socket in
// NOTIFY_SOCKET) how the service is doing: ready, one line of status, still alive, stopping.
// Nothing is sent on Windows, nor when no manager listens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/time_host.h"

namespace platform {

bool ServiceManagerListens();
// One message, such as "READY=1" or "READY=1\nSTATUS=Connected to COM 3".
void NotifyServiceManager(const std::string& message);
// "STATUS=" and `text` (UTF-8) as one line of at most kMaxServiceStatus bytes: control
// characters become spaces, a longer text is cut at a character's start.
inline constexpr size_t kMaxServiceStatus = 200;
std::string ServiceStatusMessage(std::string_view text);
// The watchdog interval the manager gives this process, in milliseconds; 0 for none.
uint32_t ServiceWatchdogMs();

// Says "WATCHDOG=1" every half watchdog interval from a timer of the time host. The pings come
// from the thread that runs the timers, so they stop when that thread hangs and the manager
// restarts the program. Does nothing when the manager wants no pings.
class ServiceWatchdog {
 public:
  ServiceWatchdog();
  uint32_t pingMs() const { return pingMs_; }

 private:
  uint32_t pingMs_ = 0;
  std::unique_ptr<HostTimer> timer_;
};

}  // namespace platform
