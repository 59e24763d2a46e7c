#include "remote/web_console.h"

#include <chrono>

#include "app/main_window.h"
#include "platform/codepage.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/metrics.h"
#include "protocol/models.h"
#include "remote/operator_actions.h"
#include "remote/web_password.h"
#include "remote/web_send.h"

namespace remote {

namespace {

constexpr int kStatusVersion = 1;
constexpr size_t kLogLines = 50;

// Text from the graph is in the program's code page.
std::string Quote(const std::string& cp1252) { return JsonQuote(platform::Cp1252ToUtf8(cp1252)); }
const char* Bool(bool on) { return on ? "true" : "false"; }

// The strip's line without the caption it starts with ("PS: ").
std::string StripLine(const hi::THILabel& label) {
  std::string text = label.caption();
  if (text.size() >= 4 && text.compare(2, 2, ": ") == 0) text.erase(0, 4);
  return text;
}

std::string Shown(const hi::THILabel& label) { return label.visible() ? label.caption() : ""; }

std::string Selected(hi::THIComboBox& list) {
  hi::TData value;
  list.String(value, 0);
  return hi::ToString(value);
}

int32_t Readable(hi::THIMultiElement& container, uint16_t index) {
  hi::TLink point;
  hi::link<&hi::THIMultiElement::Var>(point, container, index);
  hi::TData none;
  return hi::ReadInteger(none, point);
}

std::string ReadableText(hi::THIMultiElement& container, uint16_t index) {
  hi::TLink point;
  hi::link<&hi::THIMultiElement::Var>(point, container, index);
  hi::TData none;
  return hi::ReadString(none, point);
}

std::string LogJson(uint64_t since) {
  std::string out = "{\"version\":" + std::to_string(kStatusVersion) + ",\"lines\":[";
  uint64_t last = since;
  bool first = true;
  for (const platform::LoggedLine& line : platform::RecentEvents(since, kLogLines)) {
    out += first ? "" : ",";
    first = false;
    out += "{\"n\":" + std::to_string(line.number) + ",\"text\":" + JsonQuote(line.text) + "}";
    last = line.number;
  }
  return out + "],\"next\":" + std::to_string(last) + "}\n";
}

}  // namespace

std::string WebConsole::ConfiguredListen() {
  return platform::IniReadString(platform::SettingsFolder() + "rds.ini", "Web", "Listen", "");
}

std::string WebConsole::ConfiguredPassword() {
  return platform::IniReadString(platform::SettingsFolder() + "rds.ini", "Web", "Password", "");
}

namespace {

// The server's side of the password: a check against the stored key, or none without one.
std::function<bool(const std::string&)> PasswordCheck(const std::string& stored) {
  if (stored.empty()) return nullptr;
  return [stored](const std::string& password) { return CheckWebPassword(stored, password); };
}

}  // namespace

WebConsole::WebConsole(hi::MainWindow& window, const std::string& listen, std::string version,
                       WebLimits limits)
    : window_(window),
      version_(std::move(version)),
      password_(ConfiguredPassword()),
      server_(
          {[this] { return status(); }, LogJson, [this] { return metrics(); },
           [this](const std::string& name, const std::string& body) { return send(name, body); },
           PasswordCheck(password_)},
          std::move(limits)) {
  platform::metrics::Get();  // the start time
  platform::KeepRecentEvents(true);
  std::string host;
  uint16_t port = 0;
  bool beyond = false;
  if (!ParseListenAddress(listen, host, port)) {
    problem_ = "web console not started: \"" + listen +
               "\" is no address to listen on (write it as 127.0.0.1:8080)";
  } else if (!password_.empty() && !WellFormedPasswordHash(password_)) {
    // Never open because a hand edit broke the password.
    problem_ =
        "web console not started: the Password under [Web] in rds.ini is not one "
        "rdspanel wrote; set it again with rdspanel --set-web-password";
  } else if (const std::string address = platform::IniReadString(
                 platform::SettingsFolder() + "rds.ini", "Web", "Public address", "");
             !server_.setPublicAddress(address)) {
    problem_ = "web console not started: the Public address under [Web] in rds.ini, \"" + address +
               "\", is not an address such as https://rds.example.org";
  } else {
    std::string unusedProblem;
    const auto addresses = platform::ResolveEndpoint({"http", host, port}, true, unusedProblem);
    beyond = !addresses.empty() && !platform::IsLoopback(addresses.front());
    if (beyond && password_.empty()) {
      // Without a password anyone on the network could drive the encoder.
      problem_ = "web console not started: " + listen +
                 " is reachable from other computers, and the console has no password; set one "
                 "with rdspanel --set-web-password, or listen on 127.0.0.1";
    } else if (const std::string why = server_.start(host, port); !why.empty()) {
      problem_ = "web console not started on " + listen + ": " + why;
    }
  }
  if (!problem_.empty()) {
    platform::LogEvent(problem_);
    return;
  }
  platform::LogEvent(
      "web console on http://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host) +
      ":" + std::to_string(server_.port()) + "/" + (password_.empty() ? "" : ", with a password"));
  if (beyond) {
    platform::LogEvent("the web console listens beyond this computer, on " + listen +
                       ": its password crosses the network as plain text unless a reverse proxy "
                       "with TLS is in front");
  }
  publish();
  timer_ = platform::Time().createTimer([this] { publish(); });
  timer_->start(kPublishMs);
  queueTimer_ = platform::Time().createTimer([this] { runQueued(); });
  queueTimer_->start(kQueueMs);
}

WebConsole::~WebConsole() {
  timer_.reset();
  queueTimer_.reset();
  {
    // A send still waiting for the window is answered now, unsent, so the server can stop.
    std::lock_guard lock(queueMutex_);
    closing_ = true;
    queue_.clear();
  }
  answered_.notify_all();
  server_.stop();
}

struct WebConsole::Pending {
  std::string name, value;
  bool done = false;
  WebReply reply;
};

WebReply WebConsole::send(const std::string& name, const std::string& body) {
  auto pending = std::make_shared<Pending>();
  pending->name = name;
  std::string problem;
  if (!DecodeSendBody(body, pending->value, problem))
    return {400, "application/json", "{\"error\":" + JsonQuote(problem) + "}\n"};
  std::unique_lock lock(queueMutex_);
  if (closing_) return {503, "application/json", "{\"error\":\"the program is closing\"}\n"};
  queue_.push_back(pending);
  const bool answered = answered_.wait_for(lock, std::chrono::milliseconds(kSendWaitMs),
                                           [&] { return pending->done || closing_; });
  if (answered && pending->done) return pending->reply;
  // Not taken in time (or the program closes): it must never run later, unasked.
  std::erase(queue_, pending);
  return {503, "application/json",
          "{\"error\":\"the window did not take the send in time; nothing was sent\"}\n"};
}

void WebConsole::runQueued() {
  for (;;) {
    std::shared_ptr<Pending> next;
    {
      std::lock_guard lock(queueMutex_);
      if (queue_.empty()) return;
      next = queue_.front();
      queue_.pop_front();
    }
    WebReply reply = act(next->name, next->value);
    // The page reads the state the send left, never an older one.
    publish();
    {
      std::lock_guard lock(queueMutex_);
      next->reply = std::move(reply);
      next->done = true;
    }
    answered_.notify_all();
  }
}

WebReply WebConsole::act(const std::string& name, const std::string& value) {
  const auto error = [](int status, const std::string& text) {
    return WebReply{status, "application/json", "{\"error\":" + Quote(text) + "}\n"};
  };
  const ActionResult result = RunAction(window_, name, value);
  switch (result.outcome) {
    case ActionResult::Done:
      break;
    case ActionResult::Refused:
      return error(422, result.warning);
    case ActionResult::NotConnected:
      return error(409, window_.infoWindow->notConnected.caption());
    case ActionResult::Unknown:
      return error(404, "no such send: " + name);
  }
  // A connect the window could not make is no success: the page shows the window's own reason.
  // One still under way (a network port) is accepted; the status tells how it ends.
  hi::ConnectionPanel& c = *window_.connectionPage;
  if (name == "connect" && Readable(window_.connection, hi::ConnectionPanel::ConnectedFlag) != 1) {
    if (!c.connect.enabled() && !Shown(c.openFailed).empty())
      return {202, "application/json",
              "{\"ok\":true,\"state\":" + Quote(Shown(c.openFailed)) + "}\n"};
    const std::string why = !Shown(c.openFailed).empty() ? Shown(c.openFailed)
                            : !Shown(c.warning).empty()
                                ? Shown(c.warning)
                                : window_.infoWindow->notConnected.caption();
    return error(409, why);
  }
  return {200, "application/json", "{\"ok\":true}\n"};
}

void WebConsole::publish() {
  hi::MainWindow& w = window_;
  hi::ConnectionPanel& c = *w.connectionPage;
  hi::RdsSettingsPage& rds = *w.rdsSettingsPage;
  hi::DynamicTextPanel& dyn = *w.dynamicTextPage;
  const bool connected = Readable(w.connection, hi::ConnectionPanel::ConnectedFlag) == 1;
  const bool ct = Readable(w.rdsSettings, hi::RdsSettingsPage::TransmitCt) == 1;
  const bool dps = dyn.dps.checked(), drt = dyn.drt.checked();
  int problems = 0;
  std::string templates = "[";
  for (size_t k = 0; k < dyn.templateStates.size(); ++k) {
    const std::string text = Shown(dyn.templateStates[k]);
    problems += text.empty() ? 0 : 1;
    templates += (k ? "," : "") + Quote(text);
  }
  templates += "]";

  auto& pty = rds.function<protocol::Pty>();
  auto& di = rds.function<protocol::Di>();
  auto& af = rds.function<protocol::Af>();
  std::string diJson = "{";
  static constexpr const char* kDi[] = {"stereo", "compressed", "artificialHead", "dynamicPty"};
  for (size_t k = 0; k < di.boxes.size(); ++k)
    diJson += std::string(k ? "," : "") + "\"" + kDi[k] + "\":" + Bool(di.boxes[k].checked());
  diJson += "}";
  std::string afJson = "{\"count\":" + Quote(Selected(af.number)) + ",\"frequencies\":[";
  for (int k = 0; k <= static_cast<int>(af.afs.size()); ++k)
    afJson += (k ? "," : "") + Quote(Selected(af.frequencyList(k)));
  afJson += "]}";

  // The static PS as the operator last typed it: the PS panel's, or the Page PS panel's first page
  // where the model has no PS panel.
  const int model = c.deviceList.selected();
  const bool psPanel = model >= 0 && model < protocol::kModels &&
                       protocol::Offered(protocol::Model(model), protocol::Ps);
  const std::string psText = psPanel ? rds.function<protocol::Ps>().text.text()
                                     : rds.function<protocol::PagePs>().pages[0].text();

  std::string s;
  s.reserve(2048);
  s += "{\"version\":" + std::to_string(kStatusVersion) + ",\"program\":" + Quote(version_);
  s += ",\"connection\":{\"connected\":" + std::string(Bool(connected)) +
       ",\"model\":" + Quote(Selected(c.deviceList)) + ",\"port\":" + Quote(Selected(c.portList)) +
       ",\"address\":" + Quote(Shown(c.address)) + ",\"failed\":" + Quote(Shown(c.openFailed)) +
       ",\"warning\":" + Quote(Shown(c.warning)) + "}";
  s += ",\"onAir\":{\"ps\":" + Quote(StripLine(w.nowSendingStrip->psLine)) +
       ",\"psText\":" + Quote(psText) + ",\"rt\":" + Quote(StripLine(w.nowSendingStrip->rtLine)) +
       ",\"rtText\":" + Quote(rds.function<protocol::Rt>().text.text()) +
       ",\"pi\":" + Quote(ReadableText(w.rdsSettings, hi::RdsSettingsPage::PiText)) +
       ",\"pty\":" + std::to_string(pty.list.selected()) +
       ",\"ptyName\":" + Quote(ReadableText(w.rdsSettings, hi::RdsSettingsPage::PtyName)) +
       ",\"di\":" + diJson +
       ",\"tp\":" + Bool(Readable(w.rdsSettings, hi::RdsSettingsPage::TpState) == 1) +
       ",\"ta\":" + Bool(Readable(w.rdsSettings, hi::RdsSettingsPage::TaState) == 1) +
       ",\"ms\":" + Bool(Readable(w.rdsSettings, hi::RdsSettingsPage::MsState) == 1) +
       ",\"af\":" + afJson + ",\"ct\":" + Bool(ct) + "}";
  s += ",\"dynamic\":{\"ps\":" + std::string(Bool(dps)) + ",\"rt\":" + Bool(drt) +
       ",\"psTemplate\":" + Quote(dyn.paths[0].text()) +
       ",\"rtTemplate\":" + Quote(dyn.paths[1].text()) +
       ",\"nowPlaying\":" + Quote(dyn.paths[hi::DynamicTextPanel::NowPlaying].text()) +
       ",\"templateProblems\":" + templates +
       ",\"nowPlayingProblem\":" + Quote(Shown(dyn.sourceState)) + "}}\n";
  connected_ = connected ? 1 : 0;
  dps_ = dps ? 1 : 0;
  drt_ = drt ? 1 : 0;
  ct_ = ct ? 1 : 0;
  templateProblems_ = problems;
  std::lock_guard lock(mutex_);
  status_ = std::move(s);
}

std::string WebConsole::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::string WebConsole::metrics() const {
  const platform::metrics::Counters& m = platform::metrics::Get();
  std::string out;
  const auto metric = [&out](const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  };
  const auto value = [&out](const std::string& sample, auto v) {
    out += sample + " " + std::to_string(v) + "\n";
  };
  metric("rdspanel_info", "gauge", "The program's version.");
  value("rdspanel_info{version=\"" + version_ + "\"}", 1);
  metric("rdspanel_start_time_seconds", "gauge", "When the program started, Unix time.");
  value("rdspanel_start_time_seconds", m.startUnixMs.load() / 1000);
  metric("rdspanel_encoder_connected", "gauge", "1 while the encoder's port is connected.");
  value("rdspanel_encoder_connected", connected_.load());
  metric("rdspanel_port_reconnects_total", "counter", "Opens of the port after it was lost.");
  value("rdspanel_port_reconnects_total", m.reconnects.load());
  metric("rdspanel_port_lost_total", "counter", "Times the open port went away.");
  value("rdspanel_port_lost_total", m.portLosses.load());
  metric("rdspanel_command_lines_total", "counter", "Command lines written whole, by command.");
  for (size_t k = 0; k < m.commands.size(); ++k)
    value(std::string("rdspanel_command_lines_total{command=\"") +
              (k < protocol::kCommands ? protocol::kCommandRows[k].code : "other") + "\"}",
          m.commands[k].lines.load());
  metric("rdspanel_command_bytes_total", "counter", "Bytes of those lines, by command.");
  for (size_t k = 0; k < m.commands.size(); ++k)
    value(std::string("rdspanel_command_bytes_total{command=\"") +
              (k < protocol::kCommands ? protocol::kCommandRows[k].code : "other") + "\"}",
          m.commands[k].bytes.load());
  metric("rdspanel_last_write_time_seconds", "gauge",
         "When a line last reached the port whole, Unix time; 0 before the first.");
  value("rdspanel_last_write_time_seconds", m.lastWriteUnixMs.load() / 1000);
  metric("rdspanel_now_playing_titles_total", "counter",
         "Now-playing titles received over the network.");
  value("rdspanel_now_playing_titles_total", m.titlesReceived.load());
  metric("rdspanel_template_problems", "gauge",
         "Dynamic PS and RT templates that cannot be read now.");
  value("rdspanel_template_problems", templateProblems_.load());
  metric("rdspanel_dynamic_engine_on", "gauge", "1 while the dynamic PS or RT engine runs.");
  value("rdspanel_dynamic_engine_on{engine=\"ps\"}", dps_.load());
  value("rdspanel_dynamic_engine_on{engine=\"rt\"}", drt_.load());
  metric("rdspanel_clock_time_on", "gauge", "1 while \"Transmit CT\" is checked.");
  value("rdspanel_clock_time_on", ct_.load());
  return out;
}

}  // namespace remote
