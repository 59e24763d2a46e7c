#include "encoder/page_ps_panel.h"

#include <string>

#include "encoder/wiring.h"

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
}  // namespace

PagePsPanel::PagePsPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  placeControls();
  wirePoints();
  wirePages();
  wireLine();
  intervals = &psInterval.build<PagePsInterval>(panel.controlParent());
}

void PagePsPanel::placeControls() {
  panel.setBounds(134, 10, 325, 200);
  for (size_t i = 0; i < kPages; ++i) {
    const PagePlace& at = kPlaces[i];
    const std::string number = std::to_string(i + 1);
    labels[i].setBounds(at.labelLeft, at.labelTop, at.labelWidth, at.labelHeight);
    labels[i].setCaption(number + ":");
    pages[i].setBounds(at.editLeft, at.editTop, 75, 20);
    pages[i].setText(number);
  }
  send.setBounds(243, 168, 70, 20);
  send.setCaption("Send PS");
  warning.setBounds(25, 165, 161, 27);
  warning.setCaption("Max 8 symbols!");
}

void PagePsPanel::wirePoints() {
  load.setOutCount(kPages + 1);
  lines.setOutCount(1);
  laterPages.setOutCount(2 * (kPages - kFirstLaterPage));

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);
  work<&THIPanelRush::doVisible>(ShowOrHide, panel);
  work<&THIHub::doEvent>(ShowLaterPages, laterPages);
  out(lines.onEvent[0], Lines);

  for (uint16_t i = 0; i < kPages; ++i) link<&THIini::doRead>(load.onEvent[i], pageSettings[i]);
  link<&THIMultiElement::doWork>(load.onEvent[kPages], psInterval, PsInterval::Load);
  for (uint16_t k = 0; k < kPages - kFirstLaterPage; ++k) {
    link<&THIEdit::doVisible>(laterPages.onEvent[k], pages[kFirstLaterPage + k]);
    link<&THILabel::doVisible>(laterPages.onEvent[kPages - kFirstLaterPage + k],
                               labels[kFirstLaterPage + k]);
  }
}

// A page's value is its text padded and cut to eight characters; an empty page has none.
void PagePsPanel::wirePages() {
  for (size_t i = 0; i < kPages; ++i) {
    pageChanged[i].setOutCount(3);
    padded[i].str2 = std::string(8, ' ');
    cut[i].position = 1;
    cut[i].count = 8;
    StoredSetting(pageSettings[i], protocol::kRdsSettings, "Page PS" + std::to_string(i + 1),
                  THIini::Text);
    lengthChecks[i].setOutCount(2);
    IsZero(empty[i]);
    Compare(tooLong[i], THIIf_else::GreaterEqual, TData::Int(9));
  }

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
  }
  link<&THILabel::doVisible>(showWarning.onIndex, warning);
}

// The ten values in one PS line, then the DS line of the page-change interval.
void PagePsPanel::wireLine() {
  psLine.mask = "PS%1%2%3%4%5%6%7%8%9%10\r\n";
  psLine.setDataCount(kPages);
  psSent.setOutCount(2);

  for (uint16_t i = 0; i < kPages; ++i) link<&THIMemory::Value>(psLine.Str[i + 1u], values[i]);
  link<&THIFormatStr::doString>(send.onClick, psLine);
  link<&THIHub::doEvent>(psLine.onFString, psSent);
  link<&THIHub::doEvent>(psSent.onEvent[0], lines);
  link<&THIMultiElement::doWork>(psSent.onEvent[1], psInterval, PsInterval::PsSent);
  link<&THIHub::doEvent>(psInterval.onEvent[PsInterval::DsLine], lines, 1);
}

}  // namespace hi
