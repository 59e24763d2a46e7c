#include "encoder/tp_ta_ms_panel.h"

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
// The container inputs that set each flag, and those that toggle TP and TA.
constexpr uint16_t kSetInput[TpTaMsPanel::kFlags] = {2, 3, 6};
constexpr uint16_t kToggleInput[2] = {4, 5};
}  // namespace

TpTaMsPanel::TpTaMsPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, 7, 3) {
  panel.setBounds(134, 10, 325, 200);
  load.setOutCount(kFlags);
  lines.setOutCount(1);
  lines.inCount = kFlags;

  work<&THIPanelRush::doBringToFront>(0, panel);
  work<&THIHub::doEvent>(1, load);
  out(lines.onEvent[0], 0);

  for (uint16_t f = 0; f < kFlags; ++f) {
    boxes[f].setBounds(10, kFlagPlaces[f].top, kFlagPlaces[f].width, 20);
    boxes[f].setCaption(kFlagPlaces[f].caption);
    settings[f].fileName = "rds.ini";
    settings[f].section = "RDS Settings";
    settings[f].key = kFlagPlaces[f].key;
    settings[f].type = 0;
    loadTests[f].type = THIIf_else::Equal;
    loadTests[f].op2 = TData::Int(1);
    setHubs[f].setOutCount(1);
    setHubs[f].inCount = f == MS ? 2 : 3;
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
    out(changeHubs[f].onEvent[2], static_cast<uint16_t>(f + 1));
    link<&ThiCheckBoxRush::Checked>(formatters[f].Str[1], boxes[f]);
    in(formatters[f].Str[2], 0);
    link<&THIHub::doEvent>(formatters[f].onFString, lines);
    var<&ThiCheckBoxRush::Checked>(f, boxes[f]);
  }
  for (uint16_t f = 0; f < 2; ++f) {
    toggleTests[f].type = THIIf_else::Equal;
    toggleTests[f].op2 = TData::Int(0);
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
