#include "encoder/rt_panel.h"

#include "encoder/wiring.h"

namespace hi {

namespace {
struct Model {
  int limit;
  const char* warning;
  int width;
};
constexpr Model kModels[3] = {
    {65, "Max 64 symbols!", 64}, {33, "Max 32 symbols!", 32}, {36, "Max 35 symbols!", 35}};
}  // namespace

RtPanel::RtPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 305, 20);
  send.setBounds(243, 168, 70, 20);
  send.setCaption("Send RT");
  warning.setBounds(25, 165, 161, 27);
  warning.setCaption("Max 64 symbols!");
  warning.setVisible(false);

  byType.setCount(3);
  for (size_t k = 0; k < 3; ++k) {
    // A model change rebuilds the field and the warning at once, so a line never carries the
    // width of the model chosen before.
    typeHubs[k].setOutCount(4);
    limits[k].data = TData::Int(kModels[k].limit);
    warnings[k].data = TData::Str(kModels[k].warning);
    widths[k].data = TData::Int(kModels[k].width);
  }
  rebuild.setOutCount(2);
  StoredSetting(setting, "RDS Settings", "RT", THIini::Text);
  changed.setOutCount(3);
  padded.str2 = std::string(64, ' ');
  cut.position = 1;
  tooLong.type = THIIf_else::GreaterEqual;
  formatter.mask = "RT%1%2";
  formatter.setDataCount(2);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIini::doRead>(Load, setting);
  work<&THIIndexToChanel::doEvent>(DeviceType, byType);

  for (uint16_t k = 0; k < 3; ++k) {
    link<&THIHub::doEvent>(byType.onEvent[k], typeHubs[k]);
    link<&THIDoData::doData>(typeHubs[k].onEvent[0], limits[k]);
    link<&THIDoData::doData>(typeHubs[k].onEvent[1], warnings[k]);
    link<&THIDoData::doData>(typeHubs[k].onEvent[2], widths[k]);
    link<&THIHub::doEvent>(typeHubs[k].onEvent[3], rebuild);
    link<&THIMemory::doValue>(limits[k].onEventData, limit);
    link<&THILabel::doText>(warnings[k].onEventData, warning);
    link<&THIMemory::doValue>(widths[k].onEventData, width);
  }
  link<&THIDoData::doData>(rebuild.onEvent[0], refill);
  link<&THIDoData::doData>(rebuild.onEvent[1], recheck);
  link<&THIMemory::Value>(refill.Data, textMemory);
  link<&THIMemory::Value>(recheck.Data, textMemory);
  link<&THIStrCat::doStrCat>(refill.onEventData, padded);
  link<&THILength::doLength>(recheck.onEventData, length);

  // Text change: the field for the current width, the stored text, then the warning.
  link<&THIEdit::doText>(setting.onRead, text);
  link<&THIHub::doEvent>(text.onChangeText, changed);
  link<&THIMemory::doValue>(changed.onEvent[0], textMemory);
  link<&THIini::doWrite>(changed.onEvent[1], setting);
  link<&THILength::doLength>(changed.onEvent[2], length);
  link<&THIStrCat::doStrCat>(textMemory.onData, padded);
  link<&THICopy::doCopy>(padded.onStrCat, cut);
  link<&THIMemory::Value>(cut.Count, width);
  link<&THIMemory::doValue>(cut.onCopy, field);
  link<&THIIf_else::doCompare>(length.onLength, tooLong);
  link<&THIMemory::Value>(tooLong.Op2, limit);
  link<&THIChanelToIndex::doWork>(tooLong.onFalse, showWarning, 0);
  link<&THIChanelToIndex::doWork>(tooLong.onTrue, showWarning, 1);
  link<&THILabel::doVisible>(showWarning.onIndex, warning);

  link<&THIMemory::Value>(formatter.Str[1], field);
  in(formatter.Str[2], Terminator);
  link<&THIFormatStr::doString>(send.onClick, formatter);
  out(formatter.onFString, RtLine);
}

}  // namespace hi
