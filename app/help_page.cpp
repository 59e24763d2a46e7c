#include "app/help_page.h"

namespace hi {

namespace {
struct Row {
  const char* token;
  const char* explanation;
  int top;
};

// The tags are written as the tag filters take them out of the dynamic PS text.
constexpr Row kRows[HelpPage::kTokens] = {
    {"%Time1%", "Time in PS(RT) (hour:minute:seconds)", 8},
    {"%Time2%", "Time in PS(RT) (hour:minute)", 25},
    {"%Date%", "Date in PS(RT)", 42},
    {"%Day%", "Day of the week in PS(RT)", 59},
    {"%Temp%", "Temperature in PS(RT)", 76},
    {"%NPFile%", "Name of track in PS(RT): file, udp:// or tcp:// address", 93},
    {"<TA1>", "On TA from Sundial", 110},
    {"<TA0>", "Off TA from Sundial", 127},
    {"<TP1>", "On TP from Sundial", 144},
    {"<TP0>", "Off TP from Sundial", 161},
    {"<M/S1>", "Music (M/S on) from Sundial", 178},
    {"<M/S0>", "Speech (M/S off) from Sundial", 195},
    {"<PTYn>",
     "Change PTY from Sundial, n = 0..31. For example:\r\n<PTY1> = News, <PTY2> = Affairs", 212}};
constexpr int kPtyRow = HelpPage::kTokens - 1;
constexpr int kNowPlayingRow = 5;
// "<PTYn>" itself is no tag and would go on air as text; a real one is copied instead.
constexpr const char* kPtyExample = "<PTY1>";

struct Link {
  const char* picture;
  const char* target;
  const char* hint;
  int left;
};
constexpr Link kLinks[3] = {
    {":/pictures/mail.png", "mailto:", "Write an e-mail", 5},
    {":/pictures/web.png", "https://www.rds.org.uk/", "RDS Forum: www.rds.org.uk", 70},
    {":/pictures/web2.png", "https://en.wikipedia.org/wiki/Radio_Data_System",
     "Radio Data System at Wikipedia", 135}};
}  // namespace

HelpPage::HelpPage(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(83, 46, 470, 315);
  // The connection page is the one shown at start; this page shows when it is raised.
  panel.setVisible(false);
  for (int k = 0; k < kTokens; ++k) {
    const Row& row = kRows[k];
    tokens[k].setBounds(11, row.top, 70, 17);
    tokens[k].setCaption(row.token);
    tokens[k].setHint("Copy");
    explanations[k].setBounds(90, row.top, 370, k == kPtyRow ? 32 : 17);
    explanations[k].setCaption(row.explanation);
  }
  explanations[kNowPlayingRow].setHint(
      "The 'Now playing' field takes a text file, or an address the automation sends each title "
      "to: udp://127.0.0.1:5005 (one datagram per title) or tcp://127.0.0.1:5005 (one line per "
      "title). 127.0.0.1 listens on this computer only; write 0.0.0.0 or a network address of "
      "this computer to take titles from others.");
  // Until the automation switch says otherwise, as its box starts unticked.
  for (int k = kFirstTag; k < kTokens; ++k) tokens[k].setEnabled(false);
  THIImgBtn* buttons[3] = {&mail, &web, &web2};
  for (int k = 0; k < 3; ++k) {
    buttons[k]->setBounds(kLinks[k].left, 246, 64, 64);
    buttons[k]->setPicture(kLinks[k].picture);
    buttons[k]->setHint(kLinks[k].hint);
    buttons[k]->data = TData::Str(kLinks[k].target);
  }

  enableTags.setOutCount(kTokens - kFirstTag);
  copies[kPtyRow].data = TData::Str(kPtyExample);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(EnableTags, enableTags);
  for (uint16_t k = kFirstTag; k < kTokens; ++k)
    link<&THIWin::doEnabled>(enableTags.onEvent[k - kFirstTag], tokens[k]);
  for (uint16_t k = 0; k < kTokens; ++k) {
    link<&THIDoData::doData>(tokens[k].onClick, copies[k]);
    if (k != kPtyRow) link<&THILabel::Text>(copies[k].Data, tokens[k]);
    link<&THIClipboard::doPut>(copies[k].onEventData, clipboard);
  }
  for (THIImgBtn* button : buttons) link<&THIWinExec::doShellExec>(button->onClick, open);
}

}  // namespace hi
