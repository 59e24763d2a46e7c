#include "remote/uecp_input.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/main_window.h"
#include "elements/settings.h"
#include "platform/event_log.h"
#include "platform/ini_file.h"
#include "protocol/models.h"
#include "remote/operator_actions.h"

namespace remote {

namespace {

constexpr uint32_t kShowEveryMs = 1000;

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

int Stored(const hi::THIini& setting) {
  return platform::IniReadInt(hi::ResolveIniPath(setting.fileName), setting.section, setting.key,
                              0);
}

std::string StoredText(const hi::THIini& setting) {
  return platform::IniReadString(hi::ResolveIniPath(setting.fileName), setting.section, setting.key,
                                 "");
}

int StoredKey(const char* key, int fallback, int low, int high) {
  const int v =
      platform::IniReadInt(hi::ResolveIniPath("rds.ini"), UecpInput::kSection, key, fallback);
  return std::clamp(v, low, high);
}

void FireInput(hi::THIMultiElement& child, uint16_t index, hi::TData value = {}) {
  hi::TLink in;
  hi::link<&hi::THIMultiElement::doWork>(in, child, index);
  hi::Fire(in, value);
}

const char* StateName(UecpInput::State s) {
  switch (s) {
    case UecpInput::State::Off:
      return "off";
    case UecpInput::State::Problem:
      return "not listening";
    case UecpInput::State::Waiting:
      return "waiting for a frame";
    case UecpInput::State::Active:
      return "on air";
    case UecpInput::State::Fallback:
      return "quiet, the panel's own values on air";
  }
  return "";
}

}  // namespace

UecpInput::UecpInput(hi::MainWindow& window)
    : window_(window),
      listener_({[this](const uecp::Frame& f) { return take(f); },
                 [this](uint16_t address) { return uecp::AddressedTo(address, site_, encoder_); }}),
      fallbackTimer_(platform::Time().createTimer([this] { fallBack(); })),
      showTimer_(platform::Time().createTimer([this] { showState(); })) {}

UecpInput::~UecpInput() = default;

void UecpInput::doListen(hi::TData& data, uint16_t) {
  std::string address = hi::ToString(data);
  const auto blank = [](unsigned char c) { return c <= ' '; };
  while (!address.empty() && blank(address.back())) address.pop_back();
  address.erase(address.begin(), std::find_if_not(address.begin(), address.end(), blank));

  site_ = static_cast<uint16_t>(StoredKey("Site address", 0, 0, 1023));
  encoder_ = static_cast<uint8_t>(StoredKey("Encoder address", 0, 0, 63));
  psn_ = static_cast<uint8_t>(StoredKey("Programme service", 0, 0, 255));
  // At most a week: a longer quiet is no fallback an operator means.
  fallbackMinutes_ = static_cast<uint32_t>(StoredKey("Fallback after", 0, 0, 7 * 24 * 60));
  if (state_ == State::Active && fallbackMinutes_ == 0) fallbackTimer_->stop();

  if (listener_.isOpen() && address == listener_.address()) return;
  if (state_ == State::Active) fallBack();
  listener_.close();
  fallbackTimer_->stop();
  problem_.clear();
  if (address.empty()) {
    if (state_ != State::Off) platform::LogEvent("UECP input off");
    setState(State::Off);
    showTimer_->stop();
    return;
  }
  if (!listener_.open(address, problem_)) {
    platform::LogEvent("UECP input " + platform::EscapeBytes(address) + ": " + problem_ +
                       "; the program runs on without it");
    problem_ = platform::EscapeBytes(address) + ": " + problem_;
    setState(State::Problem);
    showTimer_->stop();
    return;
  }
  counts_ = {};
  unusedLogged_ = {};
  platform::LogEvent("UECP input listening on " + platform::EscapeBytes(address));
  if (listener_.beyondLoopback()) {
    platform::LogEvent("UECP input " + platform::EscapeBytes(address) +
                       " listens beyond this computer: anybody who can reach it can change "
                       "what goes on air");
  }
  setState(State::Waiting);
  showTimer_->start(kShowEveryMs);
}

std::optional<uecp::Ack> UecpInput::take(const uecp::Frame& frame) {
  if (!uecp::AddressedTo(frame.address, site_, encoder_)) {
    ++counts_.wrongAddress;
    return std::nullopt;
  }
  if (state_ != State::Active) {
    platform::LogEvent(state_ == State::Fallback ? "UECP source on air again"
                                                 : "UECP source on air");
    setState(State::Active);
  }
  if (fallbackMinutes_ > 0) fallbackTimer_->start(fallbackMinutes_ * 60000u);
  const uecp::Message message = uecp::ParseMessage(frame.message);
  uecp::Ack answer = uecp::Ack::Ok;
  for (const uecp::Element& e : message.elements) {
    const uecp::Ack code = apply(e);
    if (answer == uecp::Ack::Ok) answer = code;
  }
  return answer;
}

uecp::Ack UecpInput::apply(const uecp::Element& e) {
  using uecp::Ack;
  using uecp::Kind;
  if (e.kind == Kind::Unsupported) {
    ++counts_.unsupported;
    noteOnce(e.mec, "UECP element 0x" + Hex(e.mec, 2) + " not supported");
    return Ack::UnknownMessage;
  }
  if (e.status != Ack::Ok) {
    ++counts_.refused;
    return e.status;
  }
  if (e.addressed) {
    // The current data set or all of them, and this programme service; anything else is for
    // another encoder configuration and changes nothing here.
    if (e.dsn != 0 && e.dsn != 0xFF) {
      ++counts_.otherSet;
      return e.dsn == 0xFE ? Ack::Ok : Ack::DsnError;
    }
    if (e.psn != psn_) {
      ++counts_.otherSet;
      return Ack::PsnError;
    }
  }
  const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  bool onAir = true;
  switch (e.kind) {
    case Kind::Pi:
      onAir = act("pi", Hex(e.pi, 4));
      break;
    case Kind::Ps:
      onAir = act("ps", e.text);
      break;
    case Kind::TaTp:
      onAir = act("tp", flag(e.tp)) && act("ta", flag(e.ta));
      break;
    case Kind::Di:
      onAir = act("di", std::to_string(e.di));
      break;
    case Kind::Ms:
      onAir = act("ms", flag(e.music));
      break;
    case Kind::Pty:
      onAir = act("pty", std::to_string(e.pty));
      break;
    case Kind::Rt: {
      // A source repeats its text; only a new text, or the same with the A/B flag changed, is
      // a new radio text.
      const std::string text = e.rtClear ? std::string() : e.text;
      if (rtKnown_ && text == rtText_ && e.ab == rtAb_) return Ack::Ok;
      onAir = act("rt", text);
      if (onAir) {
        rtKnown_ = true;
        rtText_ = text;
        rtAb_ = e.ab;
      }
      break;
    }
    case Kind::Af: {
      // Method A as the panel sends it: the count, the local frequency and one to six AFs.
      std::string list;
      for (size_t k = 1; k < e.af.size(); ++k) {
        if (e.af[k] == 205) continue;
        if (e.af[k] > 204) {
          ++counts_.refused;
          return Ack::NotAcceptable;
        }
        list += (list.empty() ? "" : ",") + std::to_string(e.af[k]);
      }
      onAir = act("af", list);
      break;
    }
    case Kind::CtOnOff:
      onAir = act("ct", flag(e.ctOn));
      break;
    case Kind::Clock:
      noteOnce(e.mec,
               "UECP clock not forwarded: the panel sends the computer's clock time (logged once)");
      return Ack::Ok;
    case Kind::Unsupported:
      break;
  }
  return onAir ? Ack::Ok : Ack::OutOfRange;
}

bool UecpInput::act(const char* name, const std::string& value) {
  ActionResult result;
  {
    hi::HeldSettingWrites held;
    result = RunAction(window_, name, value);
  }
  switch (result.outcome) {
    case ActionResult::Done:
      ++counts_.applied;
      lastElement_ = name;
      set_.insert(name);
      if (lastElement_ == "ps") window_.uecpHoldsPs.value = hi::TData::Int(1);
      if (lastElement_ == "rt") window_.uecpHoldsRt.value = hi::TData::Int(1);
      return true;
    case ActionResult::NotConnected:
      ++counts_.notConnected;
      return false;
    default:
      ++counts_.refused;
      return false;
  }
}

// The panel's own values for what the source set: the stored ones, or the dynamic lines.
void UecpInput::fallBack() {
  fallbackTimer_->stop();
  if (state_ != State::Active) return;
  setState(State::Fallback);
  platform::LogEvent("UECP source quiet for " + std::to_string(fallbackMinutes_) +
                     " min: the panel's own values are on air again");
  window_.uecpHoldsPs.value = hi::TData::Int(0);
  window_.uecpHoldsRt.value = hi::TData::Int(0);
  hi::RdsSettingsPage& page = *window_.rdsSettingsPage;
  const bool dps = hi::ToInteger(window_.dpsRuns.value) == 1;
  const bool drt = hi::ToInteger(window_.drtRuns.value) == 1;
  const auto reload = [&](protocol::Function f, hi::ThiButtonRush& send) {
    FireInput(page.panels[f], 1);  // every function panel's Load
    send.press();
  };
  const auto has = [&](const char* name) { return set_.count(name) != 0; };
  const auto again = [&](const char* name, int stored) {
    RunAction(window_, name, stored == 1 ? "1" : "0");
  };
  if (has("pi")) reload(protocol::Pi, page.function<protocol::Pi>().send);
  // A PS never stored stays as the source left it: an empty one is no PS line.
  if (has("ps") && !dps) {
    const int model = window_.connectionPage->deviceList.selected();
    if (model >= 0 && model < protocol::kModels &&
        protocol::Offered(protocol::Model(model), protocol::Ps)) {
      auto& ps = page.function<protocol::Ps>();
      if (!StoredText(ps.setting).empty()) reload(protocol::Ps, ps.send);
    } else {
      auto& paged = page.function<protocol::PagePs>();
      const bool any = std::any_of(paged.pageSettings.begin(), paged.pageSettings.end(),
                                   [](const hi::THIini& s) { return !StoredText(s).empty(); });
      if (any) reload(protocol::PagePs, paged.send);
    }
  }
  if (has("rt") && !drt) reload(protocol::Rt, page.function<protocol::Rt>().send);
  if (has("pty")) reload(protocol::Pty, page.function<protocol::Pty>().send);
  if (has("di")) {
    auto& di = page.function<protocol::Di>();
    const int bits = (Stored(di.settings[hi::DiPanel::Stereo]) == 1 ? 1 : 0) |
                     (Stored(di.settings[hi::DiPanel::ArtificialHead]) == 1 ? 2 : 0) |
                     (Stored(di.settings[hi::DiPanel::Compressed]) == 1 ? 4 : 0) |
                     (Stored(di.settings[hi::DiPanel::DynamicPty]) == 1 ? 8 : 0);
    RunAction(window_, "di", std::to_string(bits));
  }
  auto& flags = page.function<protocol::TpTaMs>();
  if (has("tp")) again("tp", Stored(flags.settings[hi::TpTaMsPanel::TP]));
  if (has("ta")) again("ta", Stored(flags.settings[hi::TpTaMsPanel::TA]));
  if (has("ms")) again("ms", Stored(flags.settings[hi::TpTaMsPanel::MS]));
  if (has("af")) reload(protocol::Af, page.function<protocol::Af>().send);
  if (has("ct")) again("ct", Stored(page.ctSetting));
  // The engines send their lines again even if unchanged, as when a lost port is back.
  if ((has("ps") && dps) || (has("rt") && drt))
    FireInput(window_.dynamicText, hi::DynamicTextPanel::ConnectionState, hi::TData::Int(1));
  set_.clear();
  rtKnown_ = false;
}

void UecpInput::setState(State state) {
  state_ = state;
  showState();
}

void UecpInput::noteOnce(uint8_t code, const std::string& text) {
  if (logged_[code]) return;
  logged_[code] = true;
  platform::LogEvent(text);
}

std::string UecpInput::stateLine() const {
  if (state_ == State::Off) return "UECP input: off";
  if (state_ == State::Problem) return "UECP input: " + problem_;
  const uecp::Listener::Counts& c = listener_.counts();
  std::string line = "UECP " + platform::EscapeBytes(listener_.address()) + ": " +
                     StateName(state_) + "; frames taken: " + std::to_string(c.frames);
  std::string dropped;
  const auto add = [&](uint64_t n, const char* why) {
    if (n == 0) return;
    dropped += (dropped.empty() ? "" : ", ") + std::to_string(n) + " " + why;
  };
  for (size_t r = 0; r < uecp::kDropReasons; ++r)
    add(c.dropped[r], uecp::DropName(static_cast<uecp::Drop>(r)));
  add(counts_.wrongAddress, "for another address");
  add(counts_.otherSet, "for another data set");
  add(counts_.refused, "refused");
  add(counts_.unsupported, "not supported");
  add(counts_.notConnected, "while not connected");
  if (!dropped.empty()) line += "; not used: " + dropped;
  if (!lastElement_.empty()) {
    std::string name = lastElement_;
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    line += "; last applied: " + name;
  }
  return line;
}

// The page shows the line at most once a second, and the log says when the state changed.
void UecpInput::showState() {
  if (state_ == State::Active || state_ == State::Fallback || state_ == State::Waiting) {
    const uecp::Listener::Counts& c = listener_.counts();
    std::array<uint64_t, uecp::kDropReasons + 5> unused{};
    for (size_t r = 0; r < uecp::kDropReasons; ++r) unused[r] = c.dropped[r];
    const uint64_t more[] = {counts_.wrongAddress, counts_.otherSet, counts_.refused,
                             counts_.unsupported, counts_.notConnected};
    const char* why[] = {"for another address", "for another data set or programme service",
                         "refused by the panel", "not supported", "while not connected"};
    for (size_t k = 0; k < 5; ++k) unused[uecp::kDropReasons + k] = more[k];
    for (size_t k = 0; k < unused.size(); ++k) {
      if (unused[k] == 0 || unusedLogged_[k]) continue;
      unusedLogged_[k] = true;
      const std::string reason = k < uecp::kDropReasons ? uecp::DropName(static_cast<uecp::Drop>(k))
                                                        : why[k - uecp::kDropReasons];
      platform::LogEvent("UECP input " + platform::EscapeBytes(listener_.address()) +
                         ": frames or elements not used: " + reason + " (logged once)");
    }
  }
  const std::string line = stateLine();
  if (line == shown_) return;
  shown_ = line;
  if (window_.settingsPages) window_.settingsPages->uecpState.setCaption(line);
}

}  // namespace remote
