#include "dyntext/now_sending.h"

#include <QLabel>

#include "encoder/wiring.h"
#include "protocol/models.h"

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
    : TClassMultiBase(owner, parent, kInputs, 0) {
  psSplit.charText = "S";
  rtSplit.charText = "T";
  psJoin.str1 = "PS";
  psJoin.delimiter = ": ";

  work<&THIStrPart::doSplit>(PsLine, psSplit);
  link<&THIHub::doEvent>(psSplit.onRight, psField);
  link<&THIStrCatDelim::doStrCatDelim>(psField.onEvent[0], psJoin);
  out(psJoin.onStrCatDelim, PsDisplay);
  out(psField.onEvent[1], PsField);
  work<&THIStrPart::doSplit>(RtLine, rtSplit);
  out(rtSplit.onRight, RtField);
}

NowSendingPanel::NowSendingPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  placeControls();
  wirePsLine();
  wireRtLine();
  wireMarquee();
  wireShowAndStop();
}

void NowSendingPanel::placeControls() {
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
}

void NowSendingPanel::wirePsLine() {
  // "PS: " and the eight PS characters; the terminator falls away.
  psCut.position = 0;
  psCut.count = 13;

  reaching.setDefault(TData::Int(1));
  IsOne(psReaching);
  work<&THIIf_else::doCompare>(PsDisplay, psReaching);
  link<&THIMemory::Value>(psReaching.Op1, reaching);
  link<&THIChangeMon::doCheck>(psReaching.onTrue, psChange);
  link<&THICopy::doCopy>(psChange.onChange, psCut);
  link<&THILabel::doText>(psCut.onCopy, psLine);
}

// The RT cut to the model's width and cleaned; a long one starts the marquee.
void NowSendingPanel::wireRtLine() {
  widthSelect.setCount(protocol::kModels);
  for (size_t m = 0; m < widths.size(); ++m)
    widths[m].data = TData::Int(protocol::kModelRows.at(m).rtWidth);
  rtCut.position = 1;
  newRt.setOutCount(4);
  Compare(longText, THIIf_else::Greater, TData::Int(kLongRt));
  rtText.str1 = "RT: ";

  work<&THIIndexToChanel::doEvent>(RtWidth, widthSelect);
  for (size_t i = 0; i < widths.size(); ++i) {
    link<&THIDoData::doData>(widthSelect.onEvent[i], widths[i]);
    link<&THIMemory::doValue>(widths[i].onEventData, width);
  }

  IsOne(rtReaching);
  work<&THIIf_else::doCompare>(RtField, rtReaching);
  link<&THIMemory::Value>(rtReaching.Op1, reaching);
  link<&THIChangeMon::doCheck>(rtReaching.onTrue, rtChange);
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
  out(newRt.onEvent[3], CleanRt);
  link<&THIHub::doEvent>(rtText.onStrCat, shown);
}

// A long RT moves through its line one character a step, 45 characters at a time.
void NowSendingPanel::wireMarquee() {
  marquee.setInterval(400);
  step.setOutCount(3);
  counter.min = 0;
  counter.max = 64;
  counter.step = 1;
  marqueeCut.count = 45;
  rtWindow.mask = "RT: %1";
  rtWindow.setDataCount(1);
  afterColon.charText = ":";

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
  out(afterColon.onRight, RtShown);
}

void NowSendingPanel::wireShowAndStop() {
  showLines.setOutCount(3);
  psStopped.setOutCount(2);
  rtStopped.setOutCount(3);
  psEmpty.data = TData::Str("PS: ");
  rtEmpty.data = TData::Str("RT: ");

  work<&THIHub::doEvent>(ShowLines, showLines);
  link<&THILabel::doVisible>(showLines.onEvent[0], psLine);
  link<&THILabel::doVisible>(showLines.onEvent[1], rtLine);
  IsOne(linesShown);
  link<&THIIf_else::doCompare>(showLines.onEvent[2], linesShown);
  link<&THIDoData::doData>(linesShown.onTrue, backState);

  work<&THIHub::doEvent>(PsStopped, psStopped);
  link<&THIChangeMon::doClear>(psStopped.onEvent[0], psChange);
  link<&THIDoData::doData>(psStopped.onEvent[1], psEmpty);
  link<&THILabel::doText>(psEmpty.onEventData, psLine);
  work<&THIHub::doEvent>(RtStopped, rtStopped);
  link<&THIChangeMon::doClear>(rtStopped.onEvent[0], rtChange);
  link<&THITimer::doStop>(rtStopped.onEvent[1], marquee);
  link<&THIDoData::doData>(rtStopped.onEvent[2], rtEmpty);
  link<&THILabel::doText>(rtEmpty.onEventData, rtLine);

  portLost.setOutCount(3);
  lostState.data = TData::Int(0);
  backState.data = TData::Int(1);
  work<&THIHub::doEvent>(PortLost, portLost);
  link<&THIDoData::doData>(portLost.onEvent[0], lostState);
  link<&THIMemory::doValue>(lostState.onEventData, reaching);
  link<&THIHub::doEvent>(portLost.onEvent[1], psStopped);
  link<&THIHub::doEvent>(portLost.onEvent[2], rtStopped);
  work<&THIDoData::doData>(PortBack, backState);
  link<&THIMemory::doValue>(backState.onEventData, reaching);
}

}  // namespace hi
