#include "remote/operator_actions.h"

#include <charconv>
#include <optional>
#include <vector>

#include "app/main_window.h"
#include "protocol/models.h"

namespace remote {

namespace {

using hi::MainWindow;

ActionResult Done() { return {}; }
ActionResult Refused(std::string warning) { return {ActionResult::Refused, std::move(warning)}; }

bool Connected(MainWindow& w) { return hi::ToInteger(w.connectionPage->connectedFlag.value) == 1; }

std::optional<int> Number(std::string_view text, int low, int high) {
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < low || n > high)
    return std::nullopt;
  return n;
}

std::optional<bool> Flag(std::string_view text) {
  const std::optional<int> n = Number(text, 0, 1);
  if (!n) return std::nullopt;
  return *n == 1;
}

// The field's text as if typed; the warning the field shows then refuses it, else the button is
// clicked.
ActionResult TypeAndSend(hi::THIEdit& field, hi::THILabel& warning, hi::ThiButtonRush& send,
                         std::string_view text) {
  hi::TData value = hi::TData::Str(std::string(text));
  field.doText(value, 0);
  if (warning.visible()) return Refused(warning.caption());
  send.press();
  return Done();
}

protocol::Model ChosenModel(MainWindow& w) {
  const int m = w.connectionPage->deviceList.selected();
  return m >= 0 && m < protocol::kModels ? protocol::Model(m) : protocol::Tessel10;
}

// One static name: the PS panel where the model has it, else the first page of the Page PS
// panel with the other pages emptied.
ActionResult Ps(MainWindow& w, std::string_view text) {
  hi::RdsSettingsPage& page = *w.rdsSettingsPage;
  if (protocol::Offered(ChosenModel(w), protocol::Ps)) {
    auto& ps = page.function<protocol::Ps>();
    return TypeAndSend(ps.text, ps.warning, ps.send, text);
  }
  auto& paged = page.function<protocol::PagePs>();
  hi::TData first = hi::TData::Str(std::string(text));
  paged.pages[0].doText(first, 0);
  if (paged.warning.visible()) return Refused(paged.warning.caption());
  for (size_t k = 1; k < paged.pages.size(); ++k) {
    hi::TData empty = hi::TData::Str("");
    paged.pages[k].doText(empty, 0);
  }
  paged.send.press();
  return Done();
}

ActionResult Rt(MainWindow& w, std::string_view text) {
  auto& rt = w.rdsSettingsPage->function<protocol::Rt>();
  return TypeAndSend(rt.text, rt.warning, rt.send, text);
}

ActionResult Pi(MainWindow& w, std::string_view text) {
  auto& pi = w.rdsSettingsPage->function<protocol::Pi>();
  return TypeAndSend(pi.text, pi.warning, pi.send, text);
}

ActionResult Pty(MainWindow& w, std::string_view value) {
  auto& pty = w.rdsSettingsPage->function<protocol::Pty>();
  const std::optional<int> code = Number(value, 0, 31);
  if (!code || !pty.list.choose(*code)) return Refused("PTY 0-31 only");
  pty.send.press();
  return Done();
}

ActionResult Box(hi::ThiCheckBoxRush& box, std::string_view value) {
  const std::optional<bool> on = Flag(value);
  if (!on) return Refused("1 or 0 only");
  if (!box.clickTo(*on)) return Refused("not available now");
  return Done();
}

ActionResult Tp(MainWindow& w, std::string_view v) {
  return Box(w.rdsSettingsPage->function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::TP], v);
}
ActionResult Ta(MainWindow& w, std::string_view v) {
  return Box(w.rdsSettingsPage->function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::TA], v);
}
ActionResult Ms(MainWindow& w, std::string_view v) {
  return Box(w.rdsSettingsPage->function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::MS], v);
}
ActionResult Ct(MainWindow& w, std::string_view v) { return Box(w.rdsSettingsPage->transmitCt, v); }
ActionResult Dps(MainWindow& w, std::string_view v) { return Box(w.dynamicTextPage->dps, v); }
ActionResult Drt(MainWindow& w, std::string_view v) { return Box(w.dynamicTextPage->drt, v); }

// The four flags as one number: bit 0 stereo, 1 artificial head, 2 compressed, 3 dynamic PTY.
// Each box that changes is clicked; when none does, the first is clicked to its own state, so
// the line goes out all the same.
ActionResult Di(MainWindow& w, std::string_view value) {
  auto& di = w.rdsSettingsPage->function<protocol::Di>();
  const std::optional<int> bits = Number(value, 0, 15);
  if (!bits) return Refused("DI 0-15 only");
  constexpr hi::DiPanel::Flag kBit[] = {hi::DiPanel::Stereo, hi::DiPanel::ArtificialHead,
                                        hi::DiPanel::Compressed, hi::DiPanel::DynamicPty};
  bool clicked = false;
  for (int b = 0; b < 4; ++b) {
    hi::ThiCheckBoxRush& box = di.boxes[kBit[b]];
    const bool on = (*bits >> b) & 1;
    if (box.checked() == on) continue;
    if (!box.clickTo(on)) return Refused("not available now");
    clicked = true;
  }
  if (!clicked && !di.boxes[kBit[0]].clickTo(*bits & 1)) return Refused("not available now");
  return Done();
}

// "LOCAL,AF1,...,AFn" as positions of the frequency lists (the AF codes), n from 1 to 6; empty
// disables AF.
ActionResult Af(MainWindow& w, std::string_view value) {
  auto& af = w.rdsSettingsPage->function<protocol::Af>();
  std::vector<int> codes;
  while (!value.empty()) {
    const size_t comma = value.find(',');
    const std::optional<int> code = Number(value.substr(0, comma), 0, hi::AfPanel::kNoAf);
    if (!code || codes.size() == hi::AfPanel::kFrequencies)
      return Refused("a local frequency and 1 to 6 AF only");
    codes.push_back(*code);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  if (codes.size() == 1) return Refused("a local frequency and 1 to 6 AF only");
  const int afs = codes.empty() ? 0 : static_cast<int>(codes.size()) - 1;
  if (!af.number.choose(afs)) return Refused("not available now");
  for (size_t k = 0; k < codes.size(); ++k)
    if (!af.frequencyList(static_cast<int>(k)).choose(codes[k]))
      return Refused("not available now");
  af.send.press();
  return Done();
}

ActionResult Connect(MainWindow& w, std::string_view) {
  w.connectionPage->connect.press();
  return Done();
}
ActionResult Disconnect(MainWindow& w, std::string_view) {
  w.connectionPage->disconnect.press();
  return Done();
}

}  // namespace

const std::array<ActionRow, 14> kActions = {{
    {"ps", "text, up to 8 characters", Ps},
    {"rt", "text, up to the model's radio text length", Rt},
    {"pi", "4 hex digits", Pi},
    {"pty", "0-31", Pty},
    {"di", "0-15: 1 stereo, 2 artificial head, 4 compressed, 8 dynamic PTY", Di},
    {"tp", "1 or 0", Tp},
    {"ta", "1 or 0", Ta},
    {"ms", "1 music, 0 speech", Ms},
    {"af", "LOCAL,AF1,...,AFn as AF codes, n 1-6; empty disables AF", Af},
    {"ct", "1 or 0", Ct},
    {"dps", "1 or 0", Dps},
    {"drt", "1 or 0", Drt},
    {"connect", "", Connect},
    {"disconnect", "", Disconnect},
}};

ActionResult RunAction(MainWindow& window, std::string_view name, std::string_view value) {
  for (const ActionRow& row : kActions) {
    if (name != row.name) continue;
    const bool needsConnection = name != "connect" && name != "disconnect";
    if (needsConnection && !Connected(window)) return {ActionResult::NotConnected, {}};
    return row.run(window, value);
  }
  return {ActionResult::Unknown, {}};
}

}  // namespace remote
