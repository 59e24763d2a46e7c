#include "encoder/ps_panel.h"

#include "encoder/wiring.h"

namespace hi {

PsPanel::PsPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 75, 20);
  FunctionSetting(setting, protocol::Ps, THIini::Text);
  changed.setOutCount(2);
  Compare(tooLong, THIIf_else::GreaterEqual, TData::Int(9));
  // The encoder model that takes this line ends it with a line feed of its own.
  formatter.mask = "PS%1\n";
  formatter.setDataCount(1);
  send.setBounds(243, 153, 70, 20);
  send.setCaption("Send PS");
  warning.setBounds(10, 150, 161, 27);
  warning.setCaption("Max 8 symbols!");
  warning.setVisible(false);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIini::doRead>(Load, setting);
  work<&THIPanelRush::doVisible>(ShowOrHide, panel);
  link<&THIEdit::doText>(setting.onRead, text);
  link<&THIHub::doEvent>(text.onChangeText, changed);
  link<&THIini::doWrite>(changed.onEvent[0], setting);
  link<&THILength::doLength>(changed.onEvent[1], length);
  link<&THIEdit::Text>(length.Str, text);
  link<&THIIf_else::doCompare>(length.onLength, tooLong);
  link<&THILength::Result>(tooLong.Op1, length);
  link<&THIChanelToIndex::doWork>(tooLong.onFalse, showWarning, 0);
  link<&THIChanelToIndex::doWork>(tooLong.onTrue, showWarning, 1);
  link<&THILabel::doVisible>(showWarning.onIndex, warning);
  link<&THIEdit::Text>(formatter.Str[1], text);
  link<&THIFormatStr::doString>(send.onClick, formatter);
  out(formatter.onFString, Lines);
}

}  // namespace hi
