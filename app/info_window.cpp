#include "app/info_window.h"

#include <QLabel>

#include "encoder/wiring.h"

namespace hi {

namespace {
// Colours are blue-green-red.
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kGrey = 0x808080;
constexpr uint32_t kRed = 0x0000FF;

TFontRecord Lcd(uint32_t color) {
  TFontRecord font;
  font.name = "LCDDot";
  font.size = 18;
  font.color = color;
  return font;
}

void Place(THILabel& label, int left, int top, int width, int height, const char* text,
           const TFontRecord& font) {
  label.setBounds(left, top, width, height);
  label.setFont(font);
  label.setCaption(text);
  // What does not fit is cut at the right edge, not wrapped out of sight below the line.
  if (auto* widget = qobject_cast<QLabel*>(label.widget())) widget->setWordWrap(false);
}
}  // namespace

InfoWindow::InfoWindow(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  placeControls();
  wireShow();
  wirePiPty();
  wireFlags();
  wireDynamicText();
  wireConnectionState();
  wireClockTime();
  wireTransparency();
  wireMenu();
  wireMouse();
}

void InfoWindow::placeControls() {
  form.setBounds(35, 105, 550, 143);
  form.positionPlace = "rds.ini\\Info window";
  form.setFrameless(true);
  form.setToolWindow(true);
  form.setStayOnTop(true);
  form.setVisible(false);

  // The program starts without a connection: the not-connected look from the first show, so the
  // PI/PTY line never lies over the banner that shares its place.
  const TFontRecord idle = Lcd(kGrey);
  Place(piPty, 25, 20, 382, 27, "", Lcd(kBlue));
  piPty.setVisible(false);
  Place(notConnected, 25, 20, 383, 31, "RDS Encoder not connected!", Lcd(kRed));
  Place(tp, 25, 47, 35, 27, "TP", idle);
  Place(ta, 75, 47, 35, 27, "TA", idle);
  Place(ms, 130, 47, 55, 27, "M/S", idle);
  Place(ct, 195, 47, 140, 27, "CT: ", idle);
  Place(psTitle, 25, 75, 60, 27, "DPS:", idle);
  Place(ps, 90, 75, 315, 27, " ", Lcd(kBlue));
  ps.setVisible(false);
  Place(rtTitle, 25, 102, 61, 27, "DRT:", idle);
  Place(rt, 90, 102, 441, 27, "", Lcd(kBlue));
  rt.setVisible(false);
}

void InfoWindow::wireShow() {
  show.setOutCount(2);
  topMostOn.data = TData::Int(1);

  work<&THIHub::doEvent>(Show, show);
  link<&THIDoData::doData>(show.onEvent[0], topMostOn);
  link<&THIWinTools::doTopMost>(topMostOn.onEventData, topMost);
  link<&THIWin::Handle>(topMost.Handle, form);
  link<&THIWin::doBringToFront>(show.onEvent[1], form);
  work<&THIMainForm::doClose>(Close, form);
}

void InfoWindow::wirePiPty() {
  piPtyText.mask = "PI: %1   PTY: %2";
  piPtyText.setDataCount(2);

  work<&THIFormatStr::doString>(RewritePiPty, piPtyText);
  in(piPtyText.Str[1], PiText);
  in(piPtyText.Str[2], PtyName);
  link<&THIBlankControls::doBlank>(piPtyText.onFString, piPtyClean);
  link<&THILabel::doText>(piPtyClean.onResult, piPty);
}

void InfoWindow::wireFlags() {
  flagRouter.setCount(4);
  for (THIIf_else& flag : flagSet) IsOne(flag);

  work<&THIIndexToChanel::doEvent>(ShowFlag, flagRouter);
  THILabel* const flagLabels[] = {&tp, &ta, &ms, &ct};
  const DataInput flagStates[] = {TpState, TaState, MsState, TransmitCt};
  for (uint16_t i = 0; i < static_cast<uint16_t>(flagSet.size()); ++i) {
    link<&THIIf_else::doCompare>(flagRouter.onEvent[i], flagSet[i]);
    in(flagSet[i].Op1, flagStates[i]);
    link<&THIChanelToIndex::doWork>(flagSet[i].onFalse, flagShown[i], 0);
    link<&THIChanelToIndex::doWork>(flagSet[i].onTrue, flagShown[i], 1);
    link<&THIWin::doVisible>(flagShown[i].onIndex, *flagLabels[i]);
  }
}

// The PS arrives with the line terminator of the model, CR LF or LF.
void InfoWindow::wireDynamicText() {
  psCrToLf.find = "\r";
  psCrToLf.replaceBy = "\n";
  psCut.charText = "\n";

  work<&THIReplace::doReplace>(DynamicPs, psCrToLf);
  link<&THIStrPart::doSplit>(psCrToLf.onReplace, psCut);
  link<&THIBlankControls::doBlank>(psCut.onLeft, psClean);
  link<&THIBlankControls::doBlank>(psCut.onNotFound, psClean);
  link<&THILabel::doText>(psClean.onResult, ps);

  work<&THIBlankControls::doBlank>(DynamicRt, rtClean);
  link<&THILabel::doText>(rtClean.onResult, rt);
}

void InfoWindow::wireConnectionState() {
  connectionRouter.setCount(2);
  connected.setOutCount(3);
  disconnected.setOutCount(3);
  connectedFont.font = Lcd(kBlue);
  disconnectedFont.font = Lcd(kGrey);
  statusFont.setOutCount(6);
  linesOn.data = TData::Int(1);
  linesOff.data = TData::Int(0);
  bannerOff.data = TData::Int(0);
  bannerOn.data = TData::Int(1);
  lines.setOutCount(3);

  work<&THIIndexToChanel::doEvent>(ConnectionState, connectionRouter);
  link<&THIHub::doEvent>(connectionRouter.onEvent[0], connected);
  link<&THIHub::doEvent>(connectionRouter.onEvent[1], disconnected);
  link<&THIFont::doFont>(connected.onEvent[0], connectedFont);
  link<&THIDoData::doData>(connected.onEvent[1], linesOn);
  link<&THIDoData::doData>(connected.onEvent[2], bannerOff);
  link<&THIFont::doFont>(disconnected.onEvent[0], disconnectedFont);
  link<&THIDoData::doData>(disconnected.onEvent[1], linesOff);
  link<&THIDoData::doData>(disconnected.onEvent[2], bannerOn);
  link<&THIHub::doEvent>(connectedFont.onFont, statusFont);
  link<&THIHub::doEvent>(disconnectedFont.onFont, statusFont);
  THILabel* const status[] = {&tp, &ta, &ms, &ct, &psTitle, &rtTitle};
  for (uint16_t i = 0; i < 6; ++i) link<&THIWin::doFont>(statusFont.onEvent[i], *status[i]);
  link<&THIHub::doEvent>(linesOn.onEventData, lines);
  link<&THIHub::doEvent>(linesOff.onEventData, lines);
  link<&THIWin::doVisible>(lines.onEvent[0], piPty);
  link<&THIWin::doVisible>(lines.onEvent[1], ps);
  link<&THIWin::doVisible>(lines.onEvent[2], rt);
  link<&THIWin::doVisible>(bannerOff.onEventData, notConnected);
  link<&THIWin::doVisible>(bannerOn.onEventData, notConnected);
}

void InfoWindow::wireClockTime() {
  clock.format = "h:m";
  ctText.mask = "CT: %1";
  ctText.setDataCount(1);

  work<&THIFormatStr::doString>(ClockTime, ctText);
  link<&THITime::TimeText>(ctText.Str[1], clock);
  link<&THILabel::doText>(ctText.onFString, ct);
}

// "Transparent on" then "Transparent off": both stored as 1 ends opaque.
void InfoWindow::wireTransparency() {
  StoredSetting(transparentOn, "Other settings", "Transparent on", THIini::Integer);
  StoredSetting(transparentOff, "Other settings", "Transparent off", THIini::Integer);
  loadTransparency.setOutCount(2);
  IsOne(onSet);
  IsOne(offSet);
  onApplied.setOutCount(2);
  offApplied.setOutCount(2);
  translucent.data = TData::Int(210);
  opaque.data = TData::Int(255);
  storeOn.setOutCount(2);
  storeOff.setOutCount(2);

  work<&THIHub::doEvent>(ApplyTransparency, loadTransparency);
  link<&THIini::doRead>(loadTransparency.onEvent[0], transparentOn);
  link<&THIini::doRead>(loadTransparency.onEvent[1], transparentOff);
  link<&THIIf_else::doCompare>(transparentOn.onRead, onSet);
  link<&THIIf_else::doCompare>(transparentOff.onRead, offSet);
  link<&THIHub::doEvent>(onSet.onTrue, onApplied);
  link<&THIChanelToIndex::doWork>(onSet.onFalse, onState, 0);
  link<&THIDoData::doData>(onApplied.onEvent[0], translucent);
  link<&THIChanelToIndex::doWork>(onApplied.onEvent[1], onState, 1);
  link<&THIHub::doEvent>(offSet.onTrue, offApplied);
  link<&THIChanelToIndex::doWork>(offSet.onFalse, offState, 0);
  link<&THIDoData::doData>(offApplied.onEvent[0], opaque);
  link<&THIChanelToIndex::doWork>(offApplied.onEvent[1], offState, 1);
  link<&THIMainForm::doOpacity>(translucent.onEventData, form);
  link<&THIMainForm::doOpacity>(opaque.onEventData, form);
  link<&THIMT_Add::doAdd>(onState.onIndex, enableMark);
  link<&THIMT_Add::doAdd>(offState.onIndex, disableMark);
  link<&THIini::doWrite>(storeOn.onEvent[0], transparentOn);
  link<&THIIf_else::doCompare>(storeOn.onEvent[1], onSet);
  link<&THIini::doWrite>(storeOff.onEvent[0], transparentOff);
  link<&THIIf_else::doCompare>(storeOff.onEvent[1], offSet);
}

// "Show", the transparency's "Enable" and "Disable" with their check marks, and "Close".
void InfoWindow::wireMenu() {
  menu.setItems("Show\r\nTransparent\r\n(\r\nEnable\r\nDisable\r\n)\r\n-\r\nClose");
  menuItems.setCount(6);
  enable.setOutCount(2);
  disable.setOutCount(2);
  enableOff.data = TData::Int(0);
  enableOn.data = TData::Int(1);
  disableOn.data = TData::Int(0);
  disableOff.data = TData::Int(1);
  IsOne(showSet);
  showMark.data = TData::Int(0);
  enableMark.data = TData::Int(2);
  disableMark.data = TData::Int(3);

  work<&THIIf_else::doCompare>(ShowChecked, showSet);
  link<&THIIndexToChanel::doEvent>(menu.onClick, menuItems);
  out(menuItems.onEvent[0], ShowPicked);
  link<&THIHub::doEvent>(menuItems.onEvent[2], enable);
  link<&THIHub::doEvent>(menuItems.onEvent[3], disable);
  link<&THIMainForm::doClose>(menuItems.onEvent[5], form);
  link<&THIDoData::doData>(enable.onEvent[0], enableOff);
  link<&THIDoData::doData>(enable.onEvent[1], enableOn);
  link<&THIHub::doEvent>(enableOff.onEventData, storeOff);
  link<&THIHub::doEvent>(enableOn.onEventData, storeOn);
  link<&THIDoData::doData>(disable.onEvent[0], disableOn);
  link<&THIDoData::doData>(disable.onEvent[1], disableOff);
  link<&THIHub::doEvent>(disableOn.onEventData, storeOn);
  link<&THIHub::doEvent>(disableOff.onEventData, storeOff);
  link<&THIChanelToIndex::doWork>(showSet.onFalse, showState, 0);
  link<&THIChanelToIndex::doWork>(showSet.onTrue, showState, 1);
  link<&THIMT_Add::doAdd>(showState.onIndex, showMark);
  link<&ThiPopupMenuEx::doCheck>(showMark.onAdd, menu);
  link<&ThiPopupMenuEx::doCheck>(enableMark.onAdd, menu);
  link<&ThiPopupMenuEx::doCheck>(disableMark.onAdd, menu);
}

// A label passes on the presses it has no use for, so the form's points also serve every label:
// linking the labels as well would start each drag, and open each menu, twice.
void InfoWindow::wireMouse() {
  mouseDown.setCount(2);
  IsZero(leftDouble);

  link<&THIIndexToChanel::doEvent>(form.onMouseDown, mouseDown);
  link<&THIMoveWindow::doMove>(mouseDown.onEvent[0], move);
  link<&THIWin::Handle>(move.Handle, form);
  link<&ThiPopupMenuEx::doPopUp>(mouseDown.onEvent[1], menu);
  link<&THIIf_else::doCompare>(form.onDblClick, leftDouble);
  link<&THIMainForm::doClose>(leftDouble.onTrue, form);
}

}  // namespace hi
