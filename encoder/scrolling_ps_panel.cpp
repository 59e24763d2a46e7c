#include "encoder/scrolling_ps_panel.h"

#include <string>

#include "encoder/wiring.h"

namespace hi {

ScrollingPsPanel::ScrollingPsPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  placeControls();
  wirePoints();
  wireText();
  wireLimit();
  wireRollingMode();
  wireLine();
  intervals = &psInterval.build<ScrollingPsInterval>(panel.controlParent());
}

void ScrollingPsPanel::placeControls() {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 305, 20);
  // The rolling-mode line is "PS", a space, the text, a space, seven characters and CR LF:
  // 247 characters keep it within 260 bytes.
  text.setMaxLength(247);
  rolling.setBounds(10, 40, 125, 20);
  rolling.setCaption("Rolling mode");
  send.setBounds(243, 168, 70, 20);
  send.setCaption("Send PS");
  warning.setBounds(20, 165, 161, 27);
}

void ScrollingPsPanel::wirePoints() {
  lines.setOutCount(1);
  load.setOutCount(3);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);
  work<&THIPanelRush::doVisible>(ShowOrHide, panel);
  work<&THIHub::doEvent>(LongLimit, longLimit);
  work<&THIHub::doEvent>(ShortLimit, shortLimit);
  out(lines.onEvent[0], Lines);

  link<&THIini::doRead>(load.onEvent[0], textSetting);
  link<&THIMultiElement::doWork>(load.onEvent[1], psInterval, PsInterval::Load);
  link<&THIini::doRead>(load.onEvent[2], modeSetting);
}

// The head is emptied before it is copied, so the rolled text follows every change of the text,
// the empty text included (a copy of nothing produces nothing).
void ScrollingPsPanel::wireText() {
  textChanged.setOutCount(3);
  newHead.setOutCount(2);
  headCopy.position = 1;
  headCopy.count = 7;
  rolled.mask = "%1 %2";
  rolled.setDataCount(2);
  FunctionSetting(textSetting, protocol::ScrollingPs, THIini::Text);

  link<&THIEdit::doText>(textSetting.onRead, text);
  link<&THIHub::doEvent>(text.onChangeText, textChanged);
  link<&THIHub::doEvent>(textChanged.onEvent[0], newHead);
  link<&THIini::doWrite>(textChanged.onEvent[1], textSetting);
  link<&THILength::doLength>(textChanged.onEvent[2], length);
  link<&THIMemory::doClear>(newHead.onEvent[0], head);
  link<&THICopy::doCopy>(newHead.onEvent[1], headCopy);
  link<&THIMemory::doValue>(headCopy.onCopy, head);
  link<&THIFormatStr::doString>(head.onData, rolled);
  link<&THIEdit::Text>(rolled.Str[1], text);
  link<&THIMemory::Value>(rolled.Str[2], head);
}

// The length check against the model's limit, and the warning that names it.
void ScrollingPsPanel::wireLimit() {
  tooLong.type = THIIf_else::GreaterEqual;
  longLimit.setOutCount(2);
  shortLimit.setOutCount(2);
  longCount.data = TData::Int(57);
  longWarning.data = TData::Str("Max 56 symbols!");
  shortCount.data = TData::Int(25);
  shortWarning.data = TData::Str("Max 24 symbols!");

  link<&THIEdit::Text>(length.Str, text);
  link<&THIIf_else::doCompare>(length.onLength, tooLong);
  link<&THIMemory::Value>(tooLong.Op2, limit);
  link<&THIChanelToIndex::doWork>(tooLong.onFalse, showWarning, 0);
  link<&THIChanelToIndex::doWork>(tooLong.onTrue, showWarning, 1);
  link<&THILabel::doVisible>(showWarning.onIndex, warning);
  link<&THIDoData::doData>(longLimit.onEvent[0], longCount);
  link<&THIDoData::doData>(longLimit.onEvent[1], longWarning);
  link<&THIDoData::doData>(shortLimit.onEvent[0], shortCount);
  link<&THIDoData::doData>(shortLimit.onEvent[1], shortWarning);
  link<&THIMemory::doValue>(longCount.onEventData, limit);
  link<&THIMemory::doValue>(shortCount.onEventData, limit);
  link<&THILabel::doText>(longWarning.onEventData, warning);
  link<&THILabel::doText>(shortWarning.onEventData, warning);
}

// A stored value other than 1 unchecks the box, so the line always carries either the text with
// its padding or the rolled text.
void ScrollingPsPanel::wireRollingMode() {
  modeChanged.setOutCount(2);
  choices.setOutCount(2);
  textChoice.setCount(2);
  paddingChoice.setCount(2);
  sevenSpaces.setDefault(TData::Str(std::string(7, ' ')));
  StoredSetting(modeSetting, protocol::kRdsSettings, "Rolling mode", THIini::Integer);
  IsOne(modeOn);
  modeOff.data = TData::Int(0);

  link<&THIHub::doEvent>(rolling.onCheck, modeChanged);
  link<&THIHub::doEvent>(modeChanged.onEvent[0], choices);
  link<&THIini::doWrite>(modeChanged.onEvent[1], modeSetting);
  link<&THIGetIndexData::doIndex>(choices.onEvent[0], textChoice);
  link<&THIGetIndexData::doIndex>(choices.onEvent[1], paddingChoice);
  link<&THIEdit::Text>(textChoice.Data[0], text);
  link<&THIMemory::Value>(paddingChoice.Data[0], sevenSpaces);
  link<&THIFormatStr::Result>(paddingChoice.Data[1], rolled);
  link<&THIIf_else::doCompare>(modeSetting.onRead, modeOn);
  link<&ThiCheckBoxRush::doCheck>(modeOn.onTrue, rolling);
  link<&THIDoData::doData>(modeOn.onFalse, modeOff);
  link<&ThiCheckBoxRush::doCheck>(modeOff.onEventData, rolling);
}

// The PS line, then the DS line of the step interval.
void ScrollingPsPanel::wireLine() {
  psLine.mask = "PS%1 %2\r\n";
  psLine.setDataCount(2);
  psSent.setOutCount(2);

  link<&THIFormatStr::doString>(send.onClick, psLine);
  link<&THIGetIndexData::Value>(psLine.Str[1], textChoice);
  link<&THIGetIndexData::Value>(psLine.Str[2], paddingChoice);
  link<&THIHub::doEvent>(psLine.onFString, psSent);
  link<&THIHub::doEvent>(psSent.onEvent[0], lines);
  link<&THIMultiElement::doWork>(psSent.onEvent[1], psInterval, PsInterval::PsSent);
  link<&THIHub::doEvent>(psInterval.onEvent[PsInterval::DsLine], lines, 1);
}

}  // namespace hi
