#include "encoder/rt_panel.h"

#include <string>

#include "encoder/wiring.h"

namespace hi {

namespace {
// The warning at the width of a model; a text is too long from one character over it.
std::string Warning(int width) { return "Max " + std::to_string(width) + " symbols!"; }
}  // namespace

RtPanel::RtPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 305, 20);
  send.setBounds(243, 168, 70, 20);
  send.setCaption("Send RT");
  warning.setBounds(25, 165, 161, 27);
  warning.setCaption(Warning(protocol::Row(protocol::Tessel10).rtWidth));
  warning.setVisible(false);

  byType.setCount(protocol::kModels);
  for (size_t k = 0; k < protocol::kModels; ++k) {
    // A model change rebuilds the field and the warning at once, so a line never carries the
    // width of the model chosen before.
    typeHubs[k].setOutCount(4);
    const int width = protocol::kModelRows[k].rtWidth;
    limits[k].data = TData::Int(width + 1);
    warnings[k].data = TData::Str(Warning(width));
    widths[k].data = TData::Int(width);
  }
  rebuild.setOutCount(2);
  FunctionSetting(setting, protocol::Rt, THIini::Text);
  changed.setOutCount(3);
  padded.str2 = std::string(protocol::WidestRt(), ' ');
  cut.position = 1;
  tooLong.type = THIIf_else::GreaterEqual;
  formatter.mask = "RT%1%2";
  formatter.setDataCount(2);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIini::doRead>(Load, setting);
  work<&THIIndexToChanel::doEvent>(DeviceType, byType);

  for (uint16_t k = 0; k < protocol::kModels; ++k) {
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
  out(formatter.onFString, Lines);
}

}  // namespace hi
