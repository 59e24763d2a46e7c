#include "encoder/page_ps_panel.h"

#include <string>

namespace hi {

namespace {
struct PagePlace {
  int labelLeft, labelTop, labelWidth, labelHeight;
  int editLeft, editTop;
};
constexpr PagePlace kPlaces[PagePsPanel::kPages] = {
    {10, 10, 18, 18, 30, 10},    {10, 35, 17, 24, 30, 35},   {10, 60, 17, 24, 30, 60},
    {10, 85, 17, 24, 30, 85},    {10, 110, 17, 24, 30, 110}, {124, 10, 18, 18, 145, 10},
    {124, 35, 17, 24, 145, 35},  {124, 60, 17, 24, 145, 60}, {124, 85, 17, 24, 145, 85},
    {115, 110, 27, 24, 145, 110}};
constexpr int kFirstLaterPage = 6;
constexpr const char* kIntervals =
    "1 sec\r\n1,5 sec\r\n2 sec\r\n2,5 sec\r\n3 sec\r\n3,5 sec\r\n4 sec\r\n4,5 sec\r\n5 sec";
}  // namespace

PagePsPanel::PagePsPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, 4, 0) {
  panel.setBounds(134, 10, 325, 200);
  for (size_t i = 0; i < kPages; ++i) {
    const PagePlace& at = kPlaces[i];
    const std::string number = std::to_string(i + 1);
    labels[i].setBounds(at.labelLeft, at.labelTop, at.labelWidth, at.labelHeight);
    labels[i].setCaption(number + ":");
    pages[i].setBounds(at.editLeft, at.editTop, 75, 20);
    pages[i].setText(number);
  }
  interval.setBounds(243, 138, 70, 21);
  interval.setItems(kIntervals);
  send.setBounds(243, 168, 70, 20);
  send.setCaption("Send PS");
  warning.setBounds(25, 165, 161, 27);
  warning.setCaption("Max 8 symbols!");

  for (size_t i = 0; i < kPages; ++i) {
    pageChanged[i].setOutCount(3);
    padded[i].str2 = std::string(8, ' ');
    cut[i].position = 1;
    cut[i].count = 8;
    pageSettings[i].fileName = "rds.ini";
    pageSettings[i].section = "RDS Settings";
    pageSettings[i].key = "Page PS" + std::to_string(i + 1);
    pageSettings[i].type = 1;
    lengthChecks[i].setOutCount(2);
    empty[i].type = THIIf_else::Equal;
    empty[i].op2 = TData::Int(0);
    tooLong[i].type = THIIf_else::GreaterEqual;
    tooLong[i].op2 = TData::Int(9);
  }
  load.setOutCount(kPages + 1);

  intervalChosen.type = THIIf_else::GreaterEqual;
  intervalChosen.op2 = TData::Int(0);
  toValue.op2 = 2;
  intervalChanged.setOutCount(2);
  intervalSetting.fileName = "rds.ini";
  intervalSetting.section = "RDS Settings";
  intervalSetting.key = "PPS change int";
  intervalSetting.type = 0;
  toPosition.op2 = 2;

  psLine.mask = "PS%1%2%3%4%5%6%7%8%9%10\r\n";
  psLine.setDataCount(kPages);
  psSent.setOutCount(2);
  pendingDs.setDefault(TData::Int(0));
  addPending.op2 = 1;
  removePending.op2 = 1;
  dsOwed.setOutCount(2);
  firstOwed.type = THIIf_else::Equal;
  firstOwed.op2 = TData::Int(1);
  stillOwed.type = THIIf_else::GreaterEqual;
  stillOwed.op2 = TData::Int(1);
  dsTimer.setInterval(300);
  dsTimer.setCount(1);
  dsDue.setOutCount(2);
  intervalKnown.type = THIIf_else::GreaterEqual;
  intervalKnown.op2 = TData::Int(2);
  dsLine.mask = "DS%1,8\r\n";
  dsLine.setDataCount(1);
  lines.setOutCount(1);
  lines.inCount = 2;
  laterPages.setOutCount(2 * (kPages - kFirstLaterPage));

  work<&THIPanelRush::doBringToFront>(0, panel);
  work<&THIHub::doEvent>(1, load);
  work<&THIPanelRush::doVisible>(2, panel);
  work<&THIHub::doEvent>(3, laterPages);
  out(lines.onEvent[0], 0);

  // A page's value is its text padded and cut to eight characters; an empty page has none.
  for (uint16_t i = 0; i < kPages; ++i) {
    link<&THIHub::doEvent>(pages[i].onChangeText, pageChanged[i]);
    link<&THIStrCat::doStrCat>(pageChanged[i].onEvent[0], padded[i]);
    link<&THIini::doWrite>(pageChanged[i].onEvent[1], pageSettings[i]);
    link<&THILength::doLength>(pageChanged[i].onEvent[2], lengths[i]);
    link<&THICopy::doCopy>(padded[i].onStrCat, cut[i]);
    link<&THIMemory::doValue>(cut[i].onCopy, values[i]);
    link<&THIEdit::doText>(pageSettings[i].onRead, pages[i]);
    link<&THIEdit::Text>(lengths[i].Str, pages[i]);
    link<&THIHub::doEvent>(lengths[i].onLength, lengthChecks[i]);
    link<&THIIf_else::doCompare>(lengthChecks[i].onEvent[0], empty[i]);
    link<&THIIf_else::doCompare>(lengthChecks[i].onEvent[1], tooLong[i]);
    link<&THIMemory::doClear>(empty[i].onTrue, values[i]);
    link<&THIChanelToIndex::doWork>(tooLong[i].onFalse, showWarning, 0);
    link<&THIChanelToIndex::doWork>(tooLong[i].onTrue, showWarning, 1);
    link<&THIMemory::Value>(psLine.Str[i + 1u], values[i]);
    link<&THIini::doRead>(load.onEvent[i], pageSettings[i]);
  }
  link<&THILabel::doVisible>(showWarning.onIndex, warning);
  link<&THIini::doRead>(load.onEvent[kPages], intervalSetting);
  for (uint16_t k = 0; k < kPages - kFirstLaterPage; ++k) {
    link<&THIEdit::doVisible>(laterPages.onEvent[k], pages[kFirstLaterPage + k]);
    link<&THILabel::doVisible>(laterPages.onEvent[kPages - kFirstLaterPage + k],
                               labels[kFirstLaterPage + k]);
  }

  // The list reports -1 for a stored interval it does not hold: that leaves no interval rather
  // than one the encoder does not take, and nothing is written back.
  link<&THIIf_else::doCompare>(interval.onChange, intervalChosen);
  link<&THIIf_else::doCompare>(interval.onSelect, intervalChosen);
  link<&THIMath::doAdd>(intervalChosen.onTrue, toValue);
  link<&THIMemory::doClear>(intervalChosen.onFalse, intervalValue);
  link<&THIHub::doEvent>(toValue.onResult, intervalChanged);
  link<&THIMemory::doValue>(intervalChanged.onEvent[0], intervalValue);
  link<&THIini::doWrite>(intervalChanged.onEvent[1], intervalSetting);
  link<&THIMath::doSub>(intervalSetting.onRead, toPosition);
  link<&THIComboBox::doSelect>(toPosition.onResult, interval);

  link<&THIFormatStr::doString>(send.onClick, psLine);
  link<&THIHub::doEvent>(psLine.onFString, psSent);
  link<&THIHub::doEvent>(psSent.onEvent[0], lines);
  link<&THIHub::doEvent>(psSent.onEvent[1], dsOwed);

  // Every PS line is owed its DS line. The one-shot timer starts with the first one owed and
  // starts again after each tick while more are owed, so quick clicks neither lose a DS line nor
  // send one sooner than 300 ms after its PS line.
  link<&THIMath::doAdd>(dsOwed.onEvent[0], addPending);
  link<&THIMemory::Value>(addPending.Op1, pendingDs);
  link<&THIMemory::doValue>(addPending.onResult, pendingDs);
  link<&THIIf_else::doCompare>(dsOwed.onEvent[1], firstOwed);
  link<&THIMemory::Value>(firstOwed.Op1, pendingDs);
  link<&THITimer::doStart>(firstOwed.onTrue, dsTimer);
  link<&THIHub::doEvent>(dsTimer.onTimer, dsDue);
  link<&THIIf_else::doCompare>(dsDue.onEvent[0], intervalKnown);
  link<&THIMemory::Value>(intervalKnown.Op1, intervalValue);
  link<&THIFormatStr::doString>(intervalKnown.onTrue, dsLine);
  link<&THIMemory::Value>(dsLine.Str[1], intervalValue);
  link<&THIHub::doEvent>(dsLine.onFString, lines);
  link<&THIMath::doSub>(dsDue.onEvent[1], removePending);
  link<&THIMemory::Value>(removePending.Op1, pendingDs);
  link<&THIMemory::doValue>(removePending.onResult, pendingDs);
  link<&THIIf_else::doCompare>(dsTimer.onStop, stillOwed);
  link<&THIMemory::Value>(stillOwed.Op1, pendingDs);
  link<&THITimer::doStart>(stillOwed.onTrue, dsTimer);
}

}  // namespace hi
