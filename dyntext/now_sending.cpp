#include "dyntext/now_sending.h"

#include <QLabel>

namespace hi {

namespace {
constexpr uint32_t kBlue = 0xFF0000;  // blue-green-red

TFontRecord Font(const char* name, uint8_t size, uint32_t color) {
  TFontRecord font;
  font.name = name;
  font.size = size;
  font.color = color;
  return font;
}

// The strip's lines are single lines: what does not fit is cut at the right edge, not wrapped
// out of sight at the last blank that fits.
void SingleLine(THILabel& label) {
  if (auto* widget = qobject_cast<QLabel*>(label.widget())) widget->setWordWrap(false);
}
}  // namespace

LineDisplayComposer::LineDisplayComposer(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, 2, 0) {
  psSplit.charText = "S";
  rtSplit.charText = "T";
  psJoin.str1 = "PS";
  psJoin.delimiter = ": ";

  work<&THIStrPart::doSplit>(0, psSplit);
  link<&THIHub::doEvent>(psSplit.onRight, psField);
  link<&THIStrCatDelim::doStrCatDelim>(psField.onEvent[0], psJoin);
  out(psJoin.onStrCatDelim, 0);
  out(psField.onEvent[1], 3);
  work<&THIStrPart::doSplit>(1, rtSplit);
  out(rtSplit.onRight, 1);
}

NowSendingPanel::NowSendingPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, 7, 0) {
  panel.setBounds(83, 368, 470, 83);
  // DejaVu Sans, which stands in for the Heiti face where that is missing, needs 173 pixels for
  // the title, not 168; a wrapped title would lose its last word.
  title.setBounds(10, 4, 180, 15);
  title.setFont(Font("Adobe Fan Heiti Std B", 10, 0));
  title.setCaption("Now sending dynamic text");
  SingleLine(title);
  psLine.setBounds(10, 24, 448, 27);
  psLine.setFont(Font("LCDDot", 18, kBlue));
  psLine.setCaption("PS: ");
  SingleLine(psLine);
  rtLine.setBounds(10, 53, 458, 27);
  rtLine.setFont(Font("LCDDot", 18, kBlue));
  rtLine.setCaption("RT: ");
  SingleLine(rtLine);

  // "PS: " and the eight PS characters; the terminator falls away.
  psCut.position = 0;
  psCut.count = 13;
  widthSelect.setCount(3);
  widths[0].data = TData::Int(64);
  widths[1].data = TData::Int(32);
  widths[2].data = TData::Int(35);
  rtCut.position = 1;
  newRt.setOutCount(4);
  longText.type = THIIf_else::Greater;
  longText.op2 = TData::Int(kLongRt);
  marquee.setInterval(400);
  step.setOutCount(3);
  counter.min = 0;
  counter.max = 64;
  counter.step = 1;
  marqueeCut.count = 45;
  rtText.str1 = "RT: ";
  rtWindow.mask = "RT: %1";
  rtWindow.setDataCount(1);
  afterColon.charText = ":";
  showLines.setOutCount(2);
  psStopped.setOutCount(2);
  rtStopped.setOutCount(3);
  psEmpty.data = TData::Str("PS: ");
  rtEmpty.data = TData::Str("RT: ");

  work<&THIChangeMon::doCheck>(1, psChange);
  link<&THICopy::doCopy>(psChange.onChange, psCut);
  link<&THILabel::doText>(psCut.onCopy, psLine);

  work<&THIIndexToChanel::doEvent>(4, widthSelect);
  for (size_t i = 0; i < widths.size(); ++i) {
    link<&THIDoData::doData>(widthSelect.onEvent[i], widths[i]);
    link<&THIMemory::doValue>(widths[i].onEventData, width);
  }

  work<&THIChangeMon::doCheck>(2, rtChange);
  link<&THICopy::doCopy>(rtChange.onChange, rtCut);
  link<&THIMemory::Value>(rtCut.Count, width);
  // A stray control character becomes a blank, which the trimming then drops or merges: a line
  // break must not split an LCD line in two.
  link<&THIBlankControls::doBlank>(rtCut.onCopy, blanker);
  link<&THITrim::doTrim>(blanker.onResult, cleaner);
  link<&THIHub::doEvent>(cleaner.onTrim, newRt);
  link<&THILength::doLength>(newRt.onEvent[0], length);
  link<&THIIf_else::doCompare>(length.onLength, longText);
  link<&THITimer::doStart>(longText.onTrue, marquee);
  link<&THITimer::doStop>(longText.onFalse, marquee);
  link<&THICounter::doReset>(newRt.onEvent[1], counter);
  link<&THIStrCat::doStrCat>(newRt.onEvent[2], rtText);
  out(newRt.onEvent[3], 1);
  link<&THIHub::doEvent>(rtText.onStrCat, shown);

  link<&THIHub::doEvent>(marquee.onTimer, step);
  link<&THICounter::doNext>(step.onEvent[0], counter);
  link<&THICopy::doCopy>(step.onEvent[1], marqueeCut);
  link<&THICounter::doMax>(step.onEvent[2], counter);
  link<&THILength::Result>(counter.Max, length);
  link<&THITrim::Result>(marqueeCut.Str, cleaner);
  link<&THICounter::Count>(marqueeCut.Position, counter);
  link<&THIFormatStr::doString>(marqueeCut.onCopy, rtWindow);
  link<&THIHub::doEvent>(rtWindow.onFString, shown);

  link<&THILabel::doText>(shown.onEvent[0], rtLine);
  link<&THIStrPart::doSplit>(shown.onEvent[1], afterColon);
  out(afterColon.onRight, 2);

  work<&THIHub::doEvent>(3, showLines);
  link<&THILabel::doVisible>(showLines.onEvent[0], psLine);
  link<&THILabel::doVisible>(showLines.onEvent[1], rtLine);

  work<&THIHub::doEvent>(5, psStopped);
  link<&THIChangeMon::doClear>(psStopped.onEvent[0], psChange);
  link<&THIDoData::doData>(psStopped.onEvent[1], psEmpty);
  link<&THILabel::doText>(psEmpty.onEventData, psLine);
  work<&THIHub::doEvent>(6, rtStopped);
  link<&THIChangeMon::doClear>(rtStopped.onEvent[0], rtChange);
  link<&THITimer::doStop>(rtStopped.onEvent[1], marquee);
  link<&THIDoData::doData>(rtStopped.onEvent[2], rtEmpty);
  link<&THILabel::doText>(rtEmpty.onEventData, rtLine);
}

}  // namespace hi
