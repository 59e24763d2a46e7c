#include "encoder/pty_panel.h"

#include "encoder/resource_texts.h"
#include "encoder/wiring.h"

namespace hi {

PtyPanel::PtyPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  panel.setBounds(134, 10, 325, 200);
  list.setBounds(10, 10, 95, 21);
  list.setItems(PtyNamesText());
  send.setBounds(113, 10, 70, 20);
  send.setCaption("Send PTY");
  FunctionSetting(setting, protocol::Pty, THIini::Integer);
  changed.setOutCount(3);
  select.setOutCount(1);
  formatter.mask = "PT%1%2";
  formatter.setDataCount(2);

  outside.setOutCount(2);
  outsideDigits.charset = "0123456789";
  outsideDigits.length = 9;  // any code with its leading zeros, and never beyond an int32
  Compare(digitsFit, THIIf_else::Equal, TData::Int(THIStrCheck::Fits));
  Compare(digitsShort, THIIf_else::Equal, TData::Int(THIStrCheck::TooShort));
  outsideCode.resultType = THIMath::IntegerResult;
  for (THIIf_else* low : {&outsideLow, &storedLow})
    Compare(*low, THIIf_else::GreaterEqual, TData::Int(0));
  for (THIIf_else* high : {&outsideHigh, &storedHigh})
    Compare(*high, THIIf_else::LessEqual, TData::Int(31));
  storedNone.data = TData::Int(0);
  Compare(codeKnown, THIIf_else::GreaterEqual, TData::Int(0));

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIini::doRead>(Load, setting);
  work<&THIHub::doEvent>(SelectCode, outside);
  var<&THIComboBox::String>(PtyName, list);

  link<&THIMemory::doValue>(outside.onEvent[0], outsideValue);
  link<&THIStrCheck::doCheck>(outside.onEvent[1], outsideDigits);
  link<&THIMemory::Value>(outsideDigits.Text, outsideValue);
  link<&THIIf_else::doCompare>(outsideDigits.onResult, digitsFit);
  link<&THIIf_else::doCompare>(digitsFit.onFalse, digitsShort);
  link<&THIDoData::doData>(digitsFit.onTrue, outsideNumber);
  link<&THIDoData::doData>(digitsShort.onTrue, outsideNumber);
  link<&THIMemory::Value>(outsideNumber.Data, outsideValue);
  link<&THIMath::doAdd>(outsideNumber.onEventData, outsideCode);
  link<&THIIf_else::doCompare>(outsideCode.onResult, outsideLow);
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
  out(changed.onEvent[2], CodeChanged);

  link<&THIIf_else::doCompare>(send.onClick, codeKnown);
  link<&THIMemory::Value>(codeKnown.Op1, code);
  link<&THIFormatStr::doString>(codeKnown.onTrue, formatter);
  link<&THIMemory::Value>(formatter.Str[1], code);
  in(formatter.Str[2], Terminator);
  out(formatter.onFString, Lines);
}

}  // namespace hi
