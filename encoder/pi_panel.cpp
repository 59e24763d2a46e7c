#include "encoder/pi_panel.h"

#include <cstdint>

namespace hi {

PiFormatter::PiFormatter(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, 3, 0) {
  settings.fileName = "rds.ini";
  settings.section = "RDS Settings";
  settings.key = "PI";
  settings.type = 1;
  newText.setOutCount(4);
  cutEnd.position = 1;
  cutEnd.count = 2;
  cutEnd.direction = 1;
  cutStart.position = 1;
  cutStart.count = 2;
  hexHigh.mode = THIConvertor::HexToInt;
  hexLow.mode = THIConvertor::HexToInt;
  known.type = THIIf_else::GreaterEqual;
  known.op2 = TData::Int(INT32_MIN);
  formatter.mask = "PI%1,%2%3";
  formatter.setDataCount(3);

  work<&THIini::doRead>(0, settings);
  out(settings.onRead, 0);
  work<&THIHub::doEvent>(1, newText);
  link<&THIDelete::doDelete>(newText.onEvent[0], cutEnd);
  link<&THIDelete::doDelete>(newText.onEvent[1], cutStart);
  link<&THIini::doWrite>(newText.onEvent[2], settings);
  out(newText.onEvent[3], 1);
  link<&THIConvertor::doConvert>(cutEnd.onDelete, hexHigh);
  link<&THIConvertor::doConvert>(cutStart.onDelete, hexLow);
  link<&THIMemory::doValue>(hexHigh.onResult, high);
  link<&THIMemory::doValue>(hexLow.onResult, low);
  link<&THIMemory::Value>(formatter.Str[1], high);
  link<&THIMemory::Value>(formatter.Str[2], low);
  in(formatter.Str[3], 0);
  work<&THIIf_else::doCompare>(2, known);
  link<&THIMemory::Value>(known.Op1, high);
  link<&THIFormatStr::doString>(known.onTrue, formatter);
  out(formatter.onFString, 2);
}

PiPanel::PiPanel(TOuterSide& owner, ControlParent parent) : TClassMultiBase(owner, parent, 2, 1) {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 55, 20);
  text.setText("7C6F");
  send.setBounds(73, 10, 70, 20);
  send.setCaption("Send PI");
  warning.setBounds(10, 150, 161, 27);
  warning.setCaption("Max 4 hex symbols!");
  warning.setVisible(false);
  newText.setOutCount(2);
  tooLong.type = THIIf_else::GreaterEqual;
  tooLong.op2 = TData::Int(5);

  work<&THIPanelRush::doBringToFront>(0, panel);
  work<&THIMultiElement::doWork>(1, pi, 0);
  var<&THIEdit::Text>(0, text);
  link<&THIHub::doEvent>(text.onChangeText, newText);
  link<&THIMultiElement::doWork>(newText.onEvent[0], pi, 1);
  out(newText.onEvent[1], 1);
  link<&THIEdit::doText>(pi.onEvent[0], text);
  link<&THILength::doLength>(pi.onEvent[1], length);
  link<&THIIf_else::doCompare>(length.onLength, tooLong);
  link<&THIChanelToIndex::doWork>(tooLong.onFalse, showWarning, 0);
  link<&THIChanelToIndex::doWork>(tooLong.onTrue, showWarning, 1);
  link<&THILabel::doVisible>(showWarning.onIndex, warning);
  link<&THIMultiElement::doWork>(send.onClick, pi, 2);
  out(pi.onEvent[2], 0);
  in(pi.Data[0], 0);

  formatter = &pi.build<PiFormatter>(nullptr);
}

}  // namespace hi
