#include "encoder/pty_panel.h"

#include "encoder/resource_texts.h"

namespace hi {

PtyPanel::PtyPanel(TOuterSide& owner, ControlParent parent) : TClassMultiBase(owner, parent, 3, 1) {
  panel.setBounds(134, 10, 325, 200);
  list.setBounds(10, 10, 95, 21);
  list.setItems(PtyNamesText());
  send.setBounds(113, 10, 70, 20);
  send.setCaption("Send PTY");
  setting.fileName = "rds.ini";
  setting.section = "RDS Settings";
  setting.key = "PTY";
  setting.type = 0;
  changed.setOutCount(3);
  changed.inCount = 2;
  select.setOutCount(1);
  select.inCount = 2;
  formatter.mask = "PT%1%2";
  formatter.setDataCount(2);

  outside.setOutCount(2);
  outsideCode.resultType = THIMath::IntegerResult;
  outsideNumber.type = THIIf_else::Equal;
  for (THIIf_else* low : {&outsideLow, &storedLow}) {
    low->type = THIIf_else::GreaterEqual;
    low->op2 = TData::Int(0);
  }
  for (THIIf_else* high : {&outsideHigh, &storedHigh}) {
    high->type = THIIf_else::LessEqual;
    high->op2 = TData::Int(31);
  }
  storedNone.data = TData::Int(0);
  codeKnown.type = THIIf_else::GreaterEqual;
  codeKnown.op2 = TData::Int(0);

  work<&THIPanelRush::doBringToFront>(0, panel);
  work<&THIini::doRead>(1, setting);
  work<&THIHub::doEvent>(2, outside);
  var<&THIComboBox::String>(0, list);

  link<&THIMemory::doValue>(outside.onEvent[0], outsideValue);
  link<&THIMath::doAdd>(outside.onEvent[1], outsideCode);
  link<&THIIf_else::doCompare>(outsideCode.onResult, outsideNumber);
  link<&THIMemory::Value>(outsideNumber.Op1, outsideValue);
  link<&THIIf_else::doCompare>(outsideNumber.onTrue, outsideLow);
  link<&THIIf_else::doCompare>(outsideLow.onTrue, outsideHigh);
  link<&THIHub::doEvent>(outsideHigh.onTrue, select);
  link<&THIIf_else::doCompare>(setting.onRead, storedLow);
  link<&THIIf_else::doCompare>(storedLow.onTrue, storedHigh);
  link<&THIDoData::doData>(storedLow.onFalse, storedNone);
  link<&THIDoData::doData>(storedHigh.onFalse, storedNone);
  link<&THIHub::doEvent>(storedHigh.onTrue, select);
  link<&THIHub::doEvent>(storedNone.onEventData, select);
  link<&THIComboBox::doSelect>(select.onEvent[0], list);

  link<&THIHub::doEvent>(list.onChange, changed);
  link<&THIHub::doEvent>(list.onSelect, changed);
  link<&THIMemory::doValue>(changed.onEvent[0], code);
  link<&THIini::doWrite>(changed.onEvent[1], setting);
  out(changed.onEvent[2], 1);

  link<&THIIf_else::doCompare>(send.onClick, codeKnown);
  link<&THIMemory::Value>(codeKnown.Op1, code);
  link<&THIFormatStr::doString>(codeKnown.onTrue, formatter);
  link<&THIMemory::Value>(formatter.Str[1], code);
  in(formatter.Str[2], 0);
  out(formatter.onFString, 0);
}

}  // namespace hi
