#include "encoder/pi_panel.h"

#include "encoder/wiring.h"

namespace hi {

PiFormatter::PiFormatter(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  FunctionSetting(settings, protocol::Pi, THIini::Text);
  newText.setOutCount(5);
  cutEnd.position = 1;
  cutEnd.count = 2;
  cutEnd.direction = 1;
  cutStart.position = 1;
  cutStart.count = 2;
  hexHigh.mode = THIConvertor::HexToInt;
  hexLow.mode = THIConvertor::HexToInt;
  check.charset = "0123456789abcdef";
  check.length = 4;
  checked.setOutCount(2);
  verdict.setDefault(TData::Int(THIStrCheck::TooShort));
  Compare(valid, THIIf_else::Equal, TData::Int(THIStrCheck::Fits));
  formatter.mask = "PI%1,%2%3";
  formatter.setDataCount(3);

  work<&THIini::doRead>(Load, settings);
  out(settings.onRead, LoadedText);
  work<&THIHub::doEvent>(NewText, newText);
  link<&THIDelete::doDelete>(newText.onEvent[0], cutEnd);
  link<&THIDelete::doDelete>(newText.onEvent[1], cutStart);
  link<&THIini::doWrite>(newText.onEvent[2], settings);
  link<&THIStrCheck::doCheck>(newText.onEvent[3], check);
  link<&THIHub::doEvent>(check.onResult, checked);
  link<&THIMemory::doValue>(checked.onEvent[0], verdict);
  out(checked.onEvent[1], TextStored);
  link<&THIConvertor::doConvert>(cutEnd.onDelete, hexHigh);
  link<&THIConvertor::doConvert>(cutStart.onDelete, hexLow);
  link<&THIMemory::doValue>(hexHigh.onResult, high);
  link<&THIMemory::doValue>(hexLow.onResult, low);
  link<&THIMemory::Value>(formatter.Str[1], high);
  link<&THIMemory::Value>(formatter.Str[2], low);
  in(formatter.Str[3], Terminator);
  work<&THIIf_else::doCompare>(Format, valid);
  link<&THIMemory::Value>(valid.Op1, verdict);
  link<&THIFormatStr::doString>(valid.onTrue, formatter);
  out(formatter.onFString, PiLine);
}

PiPanel::PiPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  panel.setBounds(134, 10, 325, 200);
  text.setBounds(10, 10, 55, 20);
  text.setText("7C6F");
  send.setBounds(73, 10, 70, 20);
  send.setCaption("Send PI");
  warning.setBounds(10, 150, 161, 27);
  warning.setCaption("Max 4 hex symbols!");
  warning.setVisible(false);
  newText.setOutCount(2);
  Compare(fits, THIIf_else::Equal, TData::Int(THIStrCheck::Fits));
  hideWarning.data = TData::Int(0);
  showWarning.data = TData::Int(1);
  warn.setOutCount(2);
  warningKind.setCount(4);
  warningTexts[THIStrCheck::TooLong].data = TData::Str("Max 4 hex symbols!");
  warningTexts[THIStrCheck::TooShort].data = TData::Str("4 hex symbols needed!");
  warningTexts[THIStrCheck::ForeignCharacter].data = TData::Str("Only hex symbols 0-9, A-F!");

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIMultiElement::doWork>(Load, pi, PiFormatter::Load);
  var<&THIEdit::Text>(PiText, text);
  link<&THIHub::doEvent>(text.onChangeText, newText);
  link<&THIMultiElement::doWork>(newText.onEvent[0], pi, PiFormatter::NewText);
  out(newText.onEvent[1], TextChanged);
  link<&THIEdit::doText>(pi.onEvent[PiFormatter::LoadedText], text);
  link<&THIIf_else::doCompare>(pi.onEvent[PiFormatter::TextStored], fits);
  link<&THIDoData::doData>(fits.onTrue, hideWarning);
  link<&THILabel::doVisible>(hideWarning.onEventData, warning);
  link<&THIHub::doEvent>(fits.onFalse, warn);
  link<&THIIndexToChanel::doEvent>(warn.onEvent[0], warningKind);
  for (uint16_t kind :
       {THIStrCheck::TooLong, THIStrCheck::TooShort, THIStrCheck::ForeignCharacter}) {
    link<&THIDoData::doData>(warningKind.onEvent[kind], warningTexts[kind]);
    link<&THILabel::doText>(warningTexts[kind].onEventData, warning);
  }
  link<&THIDoData::doData>(warn.onEvent[1], showWarning);
  link<&THILabel::doVisible>(showWarning.onEventData, warning);
  link<&THIMultiElement::doWork>(send.onClick, pi, PiFormatter::Format);
  out(pi.onEvent[PiFormatter::PiLine], Lines);
  in(pi.Data[PiFormatter::Terminator], Terminator);

  formatter = &pi.build<PiFormatter>(nullptr);
}

}  // namespace hi
