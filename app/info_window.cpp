#include "app/info_window.h"

#include <QLabel>

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
    : TClassMultiBase(owner, parent, 11, 0) {
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

  show.setOutCount(2);
  topMostOn.data = TData::Int(1);

  piPtyText.mask = "PI: %1   PTY: %2";
  piPtyText.setDataCount(2);

  flagRouter.setCount(4);
  for (THIIf_else& flag : flagSet) flag.op2 = TData::Int(1);

  // The PS arrives with the line terminator of the model, CR LF or LF.
  psCrToLf.find = "\r";
  psCrToLf.replaceBy = "\n";
  psCut.charText = "\n";

  connectionRouter.setCount(2);
  connected.setOutCount(3);
  disconnected.setOutCount(3);
  connectedFont.font = Lcd(kBlue);
  disconnectedFont.font = idle;
  statusFont.setOutCount(6);
  linesOn.data = TData::Int(1);
  linesOff.data = TData::Int(0);
  bannerOff.data = TData::Int(0);
  bannerOn.data = TData::Int(1);
  lines.setOutCount(3);

  clock.format = "h:m";
  ctText.mask = "CT: %1";
  ctText.setDataCount(1);

  for (THIini* key : {&transparentOn, &transparentOff}) {
    key->fileName = "rds.ini";
    key->section = "Other settings";
  }
  transparentOn.key = "Transparent on";
  transparentOff.key = "Transparent off";
  loadTransparency.setOutCount(2);
  onSet.op2 = TData::Int(1);
  offSet.op2 = TData::Int(1);
  onApplied.setOutCount(2);
  offApplied.setOutCount(2);
  translucent.data = TData::Int(210);
  opaque.data = TData::Int(255);
  storeOn.setOutCount(2);
  storeOff.setOutCount(2);

  menu.setItems("Show\r\nTransparent\r\n(\r\nEnable\r\nDisable\r\n)\r\n-\r\nClose");
  menuItems.setCount(6);
  enable.setOutCount(2);
  disable.setOutCount(2);
  enableOff.data = TData::Int(0);
  enableOn.data = TData::Int(1);
  disableOn.data = TData::Int(0);
  disableOff.data = TData::Int(1);
  showSet.op2 = TData::Int(1);
  showMark.data = TData::Int(0);
  enableMark.data = TData::Int(2);
  disableMark.data = TData::Int(3);

  mouseDown.setCount(2);
  leftDouble.op2 = TData::Int(0);

  work<&THIHub::doEvent>(0, show);
  link<&THIDoData::doData>(show.onEvent[0], topMostOn);
  link<&THIWinTools::doTopMost>(topMostOn.onEventData, topMost);
  link<&THIWin::Handle>(topMost.Handle, form);
  link<&THIWin::doBringToFront>(show.onEvent[1], form);

  work<&THIHub::doEvent>(1, loadTransparency);
  work<&THIIf_else::doCompare>(2, showSet);
  work<&THIMainForm::doClose>(3, form);

  work<&THIFormatStr::doString>(4, piPtyText);
  in(piPtyText.Str[1], 0);
  in(piPtyText.Str[2], 1);
  link<&THIBlankControls::doBlank>(piPtyText.onFString, piPtyClean);
  link<&THILabel::doText>(piPtyClean.onResult, piPty);

  work<&THIIndexToChanel::doEvent>(5, flagRouter);
  THILabel* const flagLabels[] = {&tp, &ta, &ms, &ct};
  for (uint16_t i = 0; i < flagSet.size(); ++i) {
    link<&THIIf_else::doCompare>(flagRouter.onEvent[i], flagSet[i]);
    in(flagSet[i].Op1, static_cast<uint16_t>(2 + i));
    link<&THIChanelToIndex::doWork>(flagSet[i].onFalse, flagShown[i], 0);
    link<&THIChanelToIndex::doWork>(flagSet[i].onTrue, flagShown[i], 1);
    link<&THIWin::doVisible>(flagShown[i].onIndex, *flagLabels[i]);
  }

  work<&THIReplace::doReplace>(6, psCrToLf);
  link<&THIStrPart::doSplit>(psCrToLf.onReplace, psCut);
  link<&THIBlankControls::doBlank>(psCut.onLeft, psClean);
  link<&THIBlankControls::doBlank>(psCut.onNotFound, psClean);
  link<&THILabel::doText>(psClean.onResult, ps);

  work<&THIIndexToChanel::doEvent>(7, connectionRouter);
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

  work<&THIFormatStr::doString>(9, ctText);
  link<&THITime::TimeText>(ctText.Str[1], clock);
  link<&THILabel::doText>(ctText.onFString, ct);

  work<&THIBlankControls::doBlank>(10, rtClean);
  link<&THILabel::doText>(rtClean.onResult, rt);

  // "Transparent on" then "Transparent off": both stored as 1 ends opaque.
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

  link<&THIIndexToChanel::doEvent>(menu.onClick, menuItems);
  out(menuItems.onEvent[0], 0);
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

  // A label passes on the presses it has no use for, so the form's points also serve every
  // label: linking the labels as well would start each drag, and open each menu, twice.
  link<&THIIndexToChanel::doEvent>(form.onMouseDown, mouseDown);
  link<&THIMoveWindow::doMove>(mouseDown.onEvent[0], move);
  link<&THIWin::Handle>(move.Handle, form);
  link<&ThiPopupMenuEx::doPopUp>(mouseDown.onEvent[1], menu);
  link<&THIIf_else::doCompare>(form.onDblClick, leftDouble);
  link<&THIMainForm::doClose>(leftDouble.onTrue, form);
}

}  // namespace hi
