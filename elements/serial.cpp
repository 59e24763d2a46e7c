#include "elements/serial.h"

#include "platform/com_map.h"
#include "platform/event_log.h"
#include "platform/metrics.h"

namespace hi {

std::string THICOM::ModeText(int32_t baud, uint8_t parity) {
  static constexpr char kParity[] = "NOEMS";
  // An unknown parity gives a letter the mode text rejects, so the port stays closed.
  const char letter = parity < 5 ? kParity[parity] : '?';
  return "baud=" + std::to_string(baud) + " parity=" + letter + " data=8 stop=1 octs=off";
}

namespace {

// The flow-control setting is always off and means nothing to whoever reads the log; the port,
// its device and the line settings are what an engineer needs.
std::string LoggedSettings(const std::string& mode) {
  const std::string::size_type at = mode.find(" octs=");
  return at == std::string::npos ? mode : mode.substr(0, at);
}

}  // namespace

void THICOM::opened() const {
  if (logged && !probe) platform::metrics::CountPortOpened();
}

void THICOM::log(const std::string& event) const {
  if (logged) platform::LogEvent(event);
}

void THICOM::doOpen(TData& data, uint16_t) {
  closeAll();
  const int32_t number = ReadInteger(data, Port, port + 1);
  const int32_t rate = ReadInteger(data, Baud, baud);
  const platform::ComTarget target = platform::LookUpComPort(number);
  name_ = "port COM " + std::to_string(number);
  network_ = target.kind == platform::ComTarget::Kind::Network ||
             target.kind == platform::ComTarget::Kind::Malformed;
  address_ = target.text;
  if (network_ && probe) {
    // Connecting here would hold up the scan for every server that is down.
    probed_ = true;
    EmitNull(onSettled);
    return;
  }
  if (target.kind == platform::ComTarget::Kind::Malformed) {
    fail("bad address in rds.ini [" + std::string(platform::kNetworkPortsSection) +
             "]: " + target.problem,
         target.text);
  } else if (target.kind == platform::ComTarget::Kind::Network) {
    openNetwork(target, rate);
    return;
  } else if (target.kind == platform::ComTarget::Kind::None) {
    fail("no such port", {}, target.problem);
  } else if (probe) {
    // Only whether it opens: a port another program uses keeps its settings and modem lines.
    if (!line_.openToProbe(target.device))
      fail(platform::OpenFailureText(line_.openFailure()), target.device);
  } else if (!line_.open(target.device)) {
    fail(platform::OpenFailureText(line_.openFailure()), target.device);
  } else {
    const uint32_t ms = timeout > 0 ? static_cast<uint32_t>(timeout) : 0;
    const std::string mode = ModeText(rate, parity);
    if (!line_.applyMode(mode) || !line_.setTimeouts({ms, ms, ms, ms, ms})) {
      line_.close();
      fail("the port refused " + mode, target.device);
    } else {
      lastFailure_.clear();
      opened();
      log(name_ + " opened: " + target.device + ", " + LoggedSettings(mode));
    }
  }
  EmitNull(onSettled);
}

void THICOM::openNetwork(const platform::ComTarget& target, int32_t rate) {
  const std::string mode = ModeText(rate, parity);
  platform::SerialMode settings;
  if (!platform::ApplyModeText(mode, settings)) {
    fail("the port refused " + mode, target.text);
    EmitNull(onSettled);
    return;
  }
  netMode_ = mode;
  // Once per series of tries: a port retried every few seconds would fill the journal.
  if (lastFailure_.rfind(name_ + " ", 0) != 0)
    log("Connecting to " + name_.substr(5) + " \xE2\x80\xA6 (" + target.text + ")");
  net_.open(target.endpoint, target.endpoint.scheme == "rfc2217", settings);
  if (!netTimer_) netTimer_ = platform::Time().createTimer([this] { pollNetwork(); });
  netTimer_->start(kNetPollMs);
  EmitNull(onConnecting);
}

void THICOM::pollNetwork() {
  const platform::NetPort::State state = net_.poll();
  if (state == platform::NetPort::State::Connecting) return;
  netTimer_->stop();
  if (state == platform::NetPort::State::Open) {
    const uint32_t ms = timeout > 0 ? static_cast<uint32_t>(timeout) : 0;
    net_.setTimeouts({ms, ms, ms, ms, ms});
    lastFailure_.clear();
    opened();
    const std::string settings = net_.serverSettings();
    log(name_ + " opened: " + address_ + ", " + LoggedSettings(netMode_) +
        (settings.empty() ? "" : ", the device server set " + settings));
  } else {
    fail(net_.problem(), address_);
  }
  EmitNull(onSettled);
}

void THICOM::closeAll() {
  line_.close();
  net_.close();
  if (netTimer_) netTimer_->stop();
  probed_ = false;
}

void THICOM::fail(const std::string& reason, const std::string& device, const std::string& logged) {
  const std::string event = name_ +
                            " could not be opened: " + (device.empty() ? "" : device + ": ") +
                            (logged.empty() ? reason : logged);
  // A port retried every few seconds through a long outage would fill the journal with the
  // same line; it is logged when it first happens and again only once something changed.
  if (event != lastFailure_) {
    lastFailure_ = event;
    log(event);
  }
  EmitString(onError, reason);
}

void THICOM::doClose(TData&, uint16_t) {
  closeAll();
  lastFailure_.clear();
}

void THICOM::doPurge(TData&, uint16_t) {
  // Nothing reads the port, so bytes a failed purge leaves behind do no harm; a port that is
  // gone shows at the next write or check.
  if (line_.isOpen()) (void)line_.purgeReceive();
  if (net_.isOpen()) net_.purgeReceive();
}

void THICOM::doSend(TData& data, uint16_t) {
  const std::string text = ToString(data);
  // A probe writes nothing: an open port answers as a zero-length write would.
  if (probe) {
    if (probed_ || line_.isOpen()) EmitInt(onWrite, 0);
    return;
  }
  // A network port still connecting is closed for the lines sent meanwhile.
  if (!line_.isOpen() && !net_.isOpen()) return;
  const long written = net_.isOpen() ? net_.write(text) : line_.write(text);
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
  if (lost) closeAll();
  if (!lost && logged && !text.empty()) platform::metrics::CountLine(text);
  EmitInt(onWrite, written > 0 ? static_cast<int32_t>(written) : 0);
  if (lost) {
    if (logged) platform::metrics::CountPortLost();
    log(name_ + " lost");
    EmitNull(onLost);
  }
}

void THICOM::doCheck(TData&, uint16_t) {
  if ((line_.isOpen() && !line_.usable()) || (net_.isOpen() && !net_.exchangeAndCheck())) lose();
}

void THICOM::lose() {
  // Closing at once also frees the device name, so a USB adapter plugged in again gets the same
  // one instead of the next.
  closeAll();
  if (logged && !probe) platform::metrics::CountPortLost();
  log(name_ + " lost");
  EmitNull(onLost);
}

void THICOM::Opened(TData& data, uint16_t) {
  data = TData::Int(line_.usable() || net_.exchangeAndCheck() ? 1 : 0);
}

void THICOM::Network(TData& data, uint16_t) { data = TData::Int(network_ ? 1 : 0); }

}  // namespace hi
