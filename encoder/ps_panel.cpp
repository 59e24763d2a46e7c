#include "encoder/ps_panel.h"

namespace hi {

PsPanel::PsPanel(TOuterSide& owner, ControlParent parent) : TClassMultiBase(owner, parent, 3, 0) {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 75, 20);
  setting.fileName = "rds.ini";
  setting.section = "RDS Settings";
  setting.key = "PS";
  setting.type = 1;
  changed.setOutCount(2);
  tooLong.type = THIIf_else::GreaterEqual;
  tooLong.op2 = TData::Int(9);
  // The encoder model that takes this line ends it with a line feed of its own.
  formatter.mask = "PS%1\n";
  formatter.setDataCount(1);
  send.setBounds(243, 153, 70, 20);
  send.setCaption("Send PS");
  warning.setBounds(10, 150, 161, 27);
  warning.setCaption("Max 8 symbols!");
  warning.setVisible(false);

  work<&THIPanelRush::doBringToFront>(0, panel);
  work<&THIini::doRead>(1, setting);
  work<&THIPanelRush::doVisible>(2, panel);
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
  out(formatter.onFString, 0);
}

}  // namespace hi
