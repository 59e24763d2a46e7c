#include "platform/service_notify.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#ifdef __linux__
#include <systemd/sd-daemon.h>
#endif

namespace platform {

bool ServiceManagerListens() {
#ifdef __linux__
  const char* socket = std::getenv("NOTIFY_SOCKET");
  return socket && *socket;
#else
  return false;
#endif
}

void NotifyServiceManager(const std::string& message) {
#ifdef __linux__
  // Kept in the environment: every later message needs it. A child of ours cannot speak for the
  // service, as the unit takes messages from the main process only.
  (void)sd_notify(0, message.c_str());
#else
  (void)message;
#endif
}

std::string ServiceStatusMessage(std::string_view text) {
  if (text.size() > kMaxServiceStatus) {
    size_t cut = kMaxServiceStatus;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text = text.substr(0, cut);
  }
  std::string message = "STATUS=";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    message += byte < 32 || byte == 127 ? ' ' : c;
  }
  return message;
}

uint32_t ServiceWatchdogMs() {
#ifdef __linux__
  uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) > 0)
    return static_cast<uint32_t>(
        std::clamp<uint64_t>(usec / 1000, 1, std::numeric_limits<uint32_t>::max()));
#endif
  return 0;
}

ServiceWatchdog::ServiceWatchdog() {
  const uint32_t interval = ServiceWatchdogMs();
  if (interval == 0) return;
  pingMs_ = std::max<uint32_t>(interval / 2, 1);
  timer_ = Time().createTimer([] { NotifyServiceManager("WATCHDOG=1"); });
  timer_->start(pingMs_);
}

}  // namespace platform
