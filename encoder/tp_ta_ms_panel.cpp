#include "encoder/tp_ta_ms_panel.h"

#include "encoder/wiring.h"

namespace hi {

namespace {
struct FlagPlace {
  const char* caption;
  int top, width;
  const char* key;
  const char* mask;
};
constexpr FlagPlace kFlagPlaces[TpTaMsPanel::kFlags] = {
    {"Traffic Program", 10, 140, "TP", "TP%1%2"},
    {"Traffic Announcement", 30, 185, "TA", "TA%1%2"},
    {"Music/Speech", 50, 130, "M/S", "MS%1%2"}};
// The container points of each flag; only TP and TA have a toggle.
constexpr TpTaMsPanel::Input kSetInput[TpTaMsPanel::kFlags] = {
    TpTaMsPanel::SetTp, TpTaMsPanel::SetTa, TpTaMsPanel::SetMs};
constexpr TpTaMsPanel::Input kToggleInput[2] = {TpTaMsPanel::ToggleTp, TpTaMsPanel::ToggleTa};
constexpr TpTaMsPanel::Output kChangedOutput[TpTaMsPanel::kFlags] = {
    TpTaMsPanel::TpChanged, TpTaMsPanel::TaChanged, TpTaMsPanel::MsChanged};
constexpr TpTaMsPanel::Readable kStateReadable[TpTaMsPanel::kFlags] = {
    TpTaMsPanel::TpState, TpTaMsPanel::TaState, TpTaMsPanel::MsState};
}  // namespace

TpTaMsPanel::TpTaMsPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  panel.setBounds(134, 10, 325, 200);
  load.setOutCount(kFlags);
  lines.setOutCount(1);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);
  out(lines.onEvent[0], Lines);

  for (uint16_t f = 0; f < kFlags; ++f) {
    boxes[f].setBounds(10, kFlagPlaces[f].top, kFlagPlaces[f].width, 20);
    boxes[f].setCaption(kFlagPlaces[f].caption);
    StoredSetting(settings[f], protocol::kRdsSettings, kFlagPlaces[f].key, THIini::Integer);
    IsOne(loadTests[f]);
    setHubs[f].setOutCount(1);
    changeHubs[f].setOutCount(3);
    formatters[f].mask = kFlagPlaces[f].mask;
    formatters[f].setDataCount(2);

    link<&THIini::doRead>(load.onEvent[f], settings[f]);
    link<&THIIf_else::doCompare>(settings[f].onRead, loadTests[f]);
    link<&THIHub::doEvent>(loadTests[f].onTrue, setHubs[f]);
    work<&THIHub::doEvent>(kSetInput[f], setHubs[f]);
    link<&ThiCheckBoxRush::doCheck>(setHubs[f].onEvent[0], boxes[f]);
    // Every change, also to the state the box already has, is stored, sent and reported.
    link<&THIHub::doEvent>(boxes[f].onCheck, changeHubs[f]);
    link<&THIini::doWrite>(changeHubs[f].onEvent[0], settings[f]);
    link<&THIFormatStr::doString>(changeHubs[f].onEvent[1], formatters[f]);
    out(changeHubs[f].onEvent[2], kChangedOutput[f]);
    link<&ThiCheckBoxRush::Checked>(formatters[f].Str[1], boxes[f]);
    in(formatters[f].Str[2], Terminator);
    link<&THIHub::doEvent>(formatters[f].onFString, lines);
    var<&ThiCheckBoxRush::Checked>(kStateReadable[f], boxes[f]);
  }
  for (uint16_t f = 0; f < 2; ++f) {
    IsZero(toggleTests[f]);
    toggleOn[f].data = TData::Int(1);
    toggleOff[f].data = TData::Int(0);
    work<&THIIf_else::doCompare>(kToggleInput[f], toggleTests[f]);
    link<&ThiCheckBoxRush::Checked>(toggleTests[f].Op1, boxes[f]);
    link<&THIDoData::doData>(toggleTests[f].onTrue, toggleOn[f]);
    link<&THIDoData::doData>(toggleTests[f].onFalse, toggleOff[f]);
    link<&THIHub::doEvent>(toggleOn[f].onEventData, setHubs[f]);
    link<&THIHub::doEvent>(toggleOff[f].onEventData, setHubs[f]);
  }
}

}  // namespace hi
