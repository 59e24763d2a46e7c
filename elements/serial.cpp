#include "elements/serial.h"

#include "platform/com_map.h"
#include "platform/event_log.h"

namespace hi {

std::string THICOM::ModeText(int32_t baud, uint8_t parity) {
  static constexpr char kParity[] = "NOEMS";
  // An unknown parity gives a letter the mode text rejects, so the port stays closed.
  const char letter = parity < 5 ? kParity[parity] : '?';
  return "baud=" + std::to_string(baud) + " parity=" + letter + " data=8 stop=1 octs=off";
}

void THICOM::log(const std::string& event) const {
  if (logged) platform::LogEvent(event);
}

void THICOM::doOpen(TData& data, uint16_t) {
  line_.close();
  const int32_t number = ReadInteger(data, Port, port + 1);
  const int32_t rate = ReadInteger(data, Baud, baud);
  const std::string device = platform::ComDevicePath(number);
  name_ = "port COM " + std::to_string(number);
  if (device.empty()) {
    fail("no such port");
    return;
  }
  if (!line_.open(device)) {
    fail(platform::OpenFailureText(line_.openFailure()), device);
    return;
  }
  const uint32_t ms = timeout > 0 ? static_cast<uint32_t>(timeout) : 0;
  const std::string mode = ModeText(rate, parity);
  if (!line_.applyMode(mode) || !line_.setTimeouts({ms, ms, ms, ms, ms})) {
    line_.close();
    fail("the port refused " + mode, device);
    return;
  }
  lastFailure_.clear();
  log(name_ + " opened: " + device + ", " + mode);
}

void THICOM::fail(const std::string& reason, const std::string& device) {
  const std::string event =
      name_ + " could not be opened: " + (device.empty() ? "" : device + ": ") + reason;
  // A port retried every few seconds through a long outage would fill the journal with the
  // same line; it is logged when it first happens and again only once something changed.
  if (event != lastFailure_) {
    lastFailure_ = event;
    log(event);
  }
  EmitString(onError, reason);
}

void THICOM::doClose(TData&, uint16_t) {
  line_.close();
  lastFailure_.clear();
}

void THICOM::doPurge(TData&, uint16_t) {
  // Nothing reads the port, so bytes a failed purge leaves behind do no harm; a port that is
  // gone shows at the next write or check.
  if (line_.isOpen()) (void)line_.purgeReceive();
}

void THICOM::doSend(TData& data, uint16_t) {
  const std::string text = ToString(data);
  if (!line_.isOpen()) return;
  const long written = line_.write(text);
  // Closed before anyone hears of it, so a line sent from the events below cannot reach a dead
  // port.
  const bool lost = written < static_cast<long>(text.size());
  // The scan probes a port with an empty write: no line, nothing to log.
  if (logged && platform::EventLogOn() && !text.empty()) {
    platform::LogEvent(lost ? "sent " + std::to_string(written > 0 ? written : 0) + " of " +
                                  std::to_string(text.size()) +
                                  " bytes: " + platform::EscapeBytes(text)
                            : "sent " + platform::EscapeBytes(text));
  }
  if (lost) line_.close();
  EmitInt(onWrite, written > 0 ? static_cast<int32_t>(written) : 0);
  if (lost) {
    log(name_ + " lost");
    EmitNull(onLost);
  }
}

void THICOM::doCheck(TData&, uint16_t) {
  if (line_.isOpen() && !line_.usable()) lose();
}

void THICOM::lose() {
  // Closing at once also frees the device name, so a USB adapter plugged in again gets the same
  // one instead of the next.
  line_.close();
  log(name_ + " lost");
  EmitNull(onLost);
}

void THICOM::Opened(TData& data, uint16_t) { data = TData::Int(line_.usable() ? 1 : 0); }

}  // namespace hi
