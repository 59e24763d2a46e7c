#include "app/settings_pages.h"

#include "encoder/wiring.h"
#include "platform/event_log.h"

namespace hi {

namespace {
constexpr const char* kSection = "Other settings";

struct Place {
  const char* caption;
  int left, top, width, height;
};

constexpr Place kPageList[SettingsPages::kPages] = {
    {"Autostart", 30, 10, 105, 20},
    {"Name of days\r\nfor %Day%", 30, 37, 105, 32},
    {"Show info", 30, 77, 105, 20},
    {"Control\r\nPTY,TP,TA\r\nfrom Sundial ", 30, 102, 105, 46},
    {"UECP input", 30, 155, 105, 20}};

struct StartOption {
  const char* caption;
  const char* key;
};
constexpr StartOption kStartOptions[SettingsPages::kStartActions] = {
    {"Auto Connect", "Auto connect"},
    {"Auto Enable Dynamic PS", "Auto on dps"},
    {"Auto Enable Dynamic RT", "Auto on drt"},
    {"Auto to tray", "Auto to tray"}};

struct Day {
  const char* label;
  const char* key;
  int left, top;
};
constexpr Day kDayPlaces[SettingsPages::kDays] = {
    {"Monday:", "Monday", 10, 23},        {"Tuesday:", "Tuesday", 85, 23},
    {"Wednesday:", "Wednesday", 160, 23}, {"Thursday:", "Thursday", 10, 73},
    {"Friday:", "Friday", 86, 73},        {"Saturday:", "Saturday", 161, 73},
    {"Sunday:", "Sunday", 10, 121}};

void IntegerOption(THIini& setting, const char* key) {
  StoredSetting(setting, kSection, key, THIini::Integer);
}
}  // namespace

void THILogLine::doLog(TData&, uint16_t) { platform::LogEvent(text); }

SettingsPages::SettingsPages(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, kReadables) {
  placeControls();
  wirePoints();
  wireLoad();
  wirePageList();
  wireStartOptions();
  wireStartTimers();
  wireDayNames();
  wireInfoOptions();
  wireTagControl();
  wireUecp();
}

void SettingsPages::placeControls() {
  panel.setBounds(83, 46, 470, 315);
  // The connection page is the one shown at start; this page shows when it is raised.
  panel.setVisible(false);
  listPanel.setBounds(10, 10, 140, 200);
  for (int k = 0; k < kPages; ++k) {
    const Place& place = kPageList[k];
    pageList[k].setBounds(place.left, place.top, place.width, place.height);
    pageList[k].setCaption(place.caption);
    pages[k].setBounds(149, 10, 310, 200);
  }
  pageList[InfoPage].setHint("Show info window when minimized to tray");
  marker.setBounds(6, 10, 20, 20);
  marker.setPicture(":/pictures/marker.png");
  // The marker starts at "Autostart", so that page is the one in front.
  for (int k = 1; k < kPages; ++k) pages[k].setVisible(false);

  for (int k = 0; k < kStartActions; ++k) {
    autostart[k].setBounds(10, 10 + 20 * k, 280, 20);
    autostart[k].setCaption(kStartOptions[k].caption);
  }
  // They only count together with "Auto Connect", which starts unticked.
  autostart[AutoDps].setEnabled(false);
  autostart[AutoDrt].setEnabled(false);

  for (int k = 0; k < kDays; ++k) {
    const Day& day = kDayPlaces[k];
    dayLabels[k].setBounds(day.left, day.top - 17, 75, 16);
    dayLabels[k].setCaption(day.label);
    dayNames[k].setBounds(day.left, day.top, 70, 21);
    dayNames[k].setHint("Max 8 symbols!");
  }
  dayWarning.setBounds(10, 160, 150, 17);
  dayWarning.setCaption("Max 8 symbols!");
  dayWarning.setVisible(false);

  showInfo.setBounds(10, 10, 290, 20);
  showInfo.setCaption("Show info window when minimized to tray");
  showTaskbar.setBounds(10, 35, 290, 20);
  showTaskbar.setCaption("Show info on taskbar when minimized");
  showPs.setBounds(25, 58, 200, 20);
  showPs.setCaption("Show Dynamic PS");
  showPs.setVisible(false);
  showRt.setBounds(25, 78, 200, 20);
  showRt.setCaption("Show Dynamic RT");
  showRt.setVisible(false);

  tagControl.setBounds(10, 10, 150, 20);
  tagControl.setCaption("Enable");

  uecpLabel.setBounds(10, 10, 290, 16);
  uecpLabel.setCaption("Listen on (tcp:// or udp://ADDRESS:PORT):");
  uecpListen.setBounds(10, 30, 290, 21);
  uecpListen.setHint("Empty: off. Enter takes the address.");
  uecpState.setBounds(10, 60, 290, 130);
  uecpState.setCaption("UECP input: off");
}

void SettingsPages::wirePoints() {
  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);
  work<&THIHub::doEvent>(StartTimers, startAll);
  work<&THIIf_else::doCompare>(ToggleShowInfo, showInfoTicked);
  out(action.onIndex, ActionDue);
  for (uint16_t k = 0; k < kDays; ++k) var<&THIEdit::Text>(MondayName + k, dayNames[k]);
  var<&ThiCheckBoxRush::Checked>(ShowInfo, showInfo);
  var<&ThiCheckBoxRush::Checked>(ShowOnTaskbar, showTaskbar);
  var<&ThiRadioButtonRush::Checked>(RtChosen, showRt);
  var<&ThiRadioButtonRush::Checked>(PsChosen, showPs);
  var<&ThiRadioButtonRush::Checked>(RtChosenForTitle, showRt);
}

// Page by page.
void SettingsPages::wireLoad() {
  for (int k = 0; k < kStartActions; ++k) IntegerOption(autoSettings[k], kStartOptions[k].key);
  for (int k = 0; k < kDays; ++k)
    StoredSetting(daySettings[k], "Day of week", kDayPlaces[k].key, THIini::Text);
  IntegerOption(showInfoSetting, "Show info window");
  IntegerOption(showTaskbarSetting, "Show info taskbar");
  StoredSetting(infoTaskbarSetting, kSection, "Info taskbar", THIini::Text);
  IntegerOption(tagSetting, "TA,TP,PTY");
  IntegerOption(tagControlSetting, "TA,TP,PTY control");
  StoredSetting(uecpSetting, "UECP", "Listen", THIini::Text);
  load.setOutCount(kStartActions + kDays + 3 + 2 + 1);

  uint16_t step = 0;
  for (THIini& setting : autoSettings) link<&THIini::doRead>(load.onEvent[step++], setting);
  for (THIini& setting : daySettings) link<&THIini::doRead>(load.onEvent[step++], setting);
  link<&THIini::doRead>(load.onEvent[step++], showInfoSetting);
  link<&THIini::doRead>(load.onEvent[step++], showTaskbarSetting);
  link<&THIini::doRead>(load.onEvent[step++], infoTaskbarSetting);
  link<&THIini::doRead>(load.onEvent[step++], tagSetting);
  link<&THIini::doRead>(load.onEvent[step++], tagControlSetting);
  link<&THIini::doRead>(load.onEvent[step++], uecpSetting);
}

void SettingsPages::wirePageList() {
  pageClicked.count = kPages;
  pageChosen.setOutCount(2);
  pageRouter.setCount(kPages);
  markerPositions.setStrings("10\r\n37\r\n77\r\n102\r\n155");

  for (uint16_t k = 0; k < kPages; ++k) {
    link<&THIChanelToIndex::doWork>(pageList[k].onClick, pageClicked, k);
    link<&THIPanelRush::doBringToFront>(pageRouter.onEvent[k], pages[k]);
  }
  link<&THIHub::doEvent>(pageClicked.onIndex, pageChosen);
  link<&THIIndexToChanel::doEvent>(pageChosen.onEvent[0], pageRouter);
  link<&THIStrList::doGetString>(pageChosen.onEvent[1], markerPositions);
  link<&THIWin::doPosition>(markerPositions.onGetString, marker);
}

// A box shows what is stored, and the two "Auto Enable" boxes only stay ticked together with
// "Auto Connect".
void SettingsPages::wireStartOptions() {
  connectChanged.setOutCount(4);
  IsZero(connectOff);
  enableOff.setOutCount(2);

  for (uint16_t k = 0; k < kStartActions; ++k) {
    IsOne(autoStored[k]);
    link<&THIIf_else::doCompare>(autoSettings[k].onRead, autoStored[k]);
    if (k == AutoDps || k == AutoDrt) {
      IsOne(enableAllowed[k]);
      link<&THIIf_else::doCompare>(autoStored[k].onTrue, enableAllowed[k]);
      link<&ThiCheckBoxRush::Checked>(enableAllowed[k].Op1, autostart[AutoConnect]);
      link<&ThiCheckBoxRush::doCheck>(enableAllowed[k].onTrue, autostart[k]);
      // Hand-written keys are changed here; the station learns which and why.
      enableRefusedHub[k].setOutCount(2);
      enableRefusedLog[k].text = std::string("rds.ini: \"") + kStartOptions[k].key +
                                 "=1\" under [Other settings] is set to 0: it needs \"Auto "
                                 "connect=1\" (write both to start the dynamic " +
                                 (k == AutoDps ? "PS" : "RT") + " with the connection)";
      enableRefused[k].data = TData::Int(0);
      link<&THIHub::doEvent>(enableAllowed[k].onFalse, enableRefusedHub[k]);
      link<&THILogLine::doLog>(enableRefusedHub[k].onEvent[0], enableRefusedLog[k]);
      link<&THIDoData::doData>(enableRefusedHub[k].onEvent[1], enableRefused[k]);
      link<&ThiCheckBoxRush::doCheck>(enableRefused[k].onEventData, autostart[k]);
    } else {
      link<&ThiCheckBoxRush::doCheck>(autoStored[k].onTrue, autostart[k]);
    }
    if (k != AutoConnect) link<&THIini::doWrite>(autostart[k].onCheck, autoSettings[k]);
  }
  link<&THIHub::doEvent>(autostart[AutoConnect].onCheck, connectChanged);
  link<&THIini::doWrite>(connectChanged.onEvent[0], autoSettings[AutoConnect]);
  link<&THIIf_else::doCompare>(connectChanged.onEvent[1], connectOff);
  link<&THIHub::doEvent>(connectOff.onTrue, enableOff);
  link<&ThiCheckBoxRush::doCheck>(enableOff.onEvent[0], autostart[AutoDps]);
  link<&ThiCheckBoxRush::doCheck>(enableOff.onEvent[1], autostart[AutoDrt]);
  link<&THIWin::doEnabled>(connectChanged.onEvent[2], autostart[AutoDps]);
  link<&THIWin::doEnabled>(connectChanged.onEvent[3], autostart[AutoDrt]);
}

// Each action asks its box when its time is up, so a box unticked meanwhile does nothing.
void SettingsPages::wireStartTimers() {
  startAll.setOutCount(3);
  for (size_t k = 0; k < startTimers.size(); ++k) {
    startTimers[k].setInterval(1000);
    startTimers[k].setCount(static_cast<int32_t>(k) + 2);
  }
  dynamicTimeUp.setOutCount(2);
  action.count = kStartActions;

  for (uint16_t k = 0; k < kStartActions; ++k) {
    IsOne(autoWanted[k]);
    link<&ThiCheckBoxRush::Checked>(autoWanted[k].Op1, autostart[k]);
    link<&THIChanelToIndex::doWork>(autoWanted[k].onTrue, action, k);
  }
  for (size_t k = 0; k < startTimers.size(); ++k)
    link<&THITimer::doStart>(startAll.onEvent[k], startTimers[k]);
  link<&THIIf_else::doCompare>(startTimers[0].onStop, autoWanted[AutoConnect]);
  link<&THIHub::doEvent>(startTimers[1].onStop, dynamicTimeUp);
  link<&THIIf_else::doCompare>(dynamicTimeUp.onEvent[0], autoWanted[AutoDps]);
  link<&THIIf_else::doCompare>(dynamicTimeUp.onEvent[1], autoWanted[AutoDrt]);
  link<&THIIf_else::doCompare>(startTimers[2].onStop, autoWanted[AutoTray]);
}

// Stored whatever their length; the warning only shows.
void SettingsPages::wireDayNames() {
  for (THIHub& hub : dayChanged) hub.setOutCount(2);
  Compare(dayTooLong, THIIf_else::GreaterEqual, TData::Int(9));

  for (uint16_t k = 0; k < kDays; ++k) {
    link<&THIEdit::doText>(daySettings[k].onRead, dayNames[k]);
    link<&THIHub::doEvent>(dayNames[k].onChangeText, dayChanged[k]);
    link<&THIini::doWrite>(dayChanged[k].onEvent[0], daySettings[k]);
    link<&THILength::doLength>(dayChanged[k].onEvent[1], dayLength);
  }
  link<&THIIf_else::doCompare>(dayLength.onLength, dayTooLong);
  link<&THIChanelToIndex::doWork>(dayTooLong.onFalse, showDayWarning, 0);
  link<&THIChanelToIndex::doWork>(dayTooLong.onTrue, showDayWarning, 1);
  link<&THIWin::doVisible>(showDayWarning.onIndex, dayWarning);
}

void SettingsPages::wireInfoOptions() {
  IsOne(showInfoStored);
  IsOne(showTaskbarStored);
  Compare(rtStored, THIIf_else::Equal, TData::Str("DRT"));
  showInfoChanged.setOutCount(2);
  showTaskbarChanged.setOutCount(3);
  IsOne(showInfoTicked);
  showInfoOn.data = TData::Int(1);
  showInfoOff.data = TData::Int(0);
  psChosen.setOutCount(3);
  rtChosen.setOutCount(3);
  psName.data = TData::Str("DPS");
  rtName.data = TData::Str("DRT");
  checkPs.data = TData::Int(1);
  checkRt.data = TData::Int(1);
  uncheckPs.data = TData::Int(0);
  uncheckRt.data = TData::Int(0);

  link<&THIIf_else::doCompare>(showInfoSetting.onRead, showInfoStored);
  link<&ThiCheckBoxRush::doCheck>(showInfoStored.onTrue, showInfo);
  link<&THIHub::doEvent>(showInfo.onCheck, showInfoChanged);
  link<&THIini::doWrite>(showInfoChanged.onEvent[0], showInfoSetting);
  out(showInfoChanged.onEvent[1], ShowInfoChanged);
  link<&ThiCheckBoxRush::Checked>(showInfoTicked.Op1, showInfo);
  link<&THIDoData::doData>(showInfoTicked.onTrue, showInfoOff);
  link<&THIDoData::doData>(showInfoTicked.onFalse, showInfoOn);
  link<&ThiCheckBoxRush::doCheck>(showInfoOn.onEventData, showInfo);
  link<&ThiCheckBoxRush::doCheck>(showInfoOff.onEventData, showInfo);

  link<&THIIf_else::doCompare>(showTaskbarSetting.onRead, showTaskbarStored);
  link<&ThiCheckBoxRush::doCheck>(showTaskbarStored.onTrue, showTaskbar);
  link<&THIHub::doEvent>(showTaskbar.onCheck, showTaskbarChanged);
  link<&THIini::doWrite>(showTaskbarChanged.onEvent[0], showTaskbarSetting);
  link<&THIWin::doVisible>(showTaskbarChanged.onEvent[1], showPs);
  link<&THIWin::doVisible>(showTaskbarChanged.onEvent[2], showRt);

  link<&THIIf_else::doCompare>(infoTaskbarSetting.onRead, rtStored);
  link<&THIHub::doEvent>(rtStored.onTrue, rtChosen);
  link<&THIHub::doEvent>(rtStored.onFalse, psChosen);
  link<&THIHub::doEvent>(showPs.onClick, psChosen);
  link<&THIHub::doEvent>(showRt.onClick, rtChosen);
  link<&THIDoData::doData>(psChosen.onEvent[0], checkPs);
  link<&THIDoData::doData>(psChosen.onEvent[1], uncheckRt);
  link<&THIDoData::doData>(psChosen.onEvent[2], psName);
  link<&THIDoData::doData>(rtChosen.onEvent[0], checkRt);
  link<&THIDoData::doData>(rtChosen.onEvent[1], uncheckPs);
  link<&THIDoData::doData>(rtChosen.onEvent[2], rtName);
  link<&ThiRadioButtonRush::doCheck>(checkPs.onEventData, showPs);
  link<&ThiRadioButtonRush::doCheck>(uncheckPs.onEventData, showPs);
  link<&ThiRadioButtonRush::doCheck>(checkRt.onEventData, showRt);
  link<&ThiRadioButtonRush::doCheck>(uncheckRt.onEventData, showRt);
  link<&THIini::doWrite>(psName.onEventData, infoTaskbarSetting);
  link<&THIini::doWrite>(rtName.onEventData, infoTaskbarSetting);
}

void SettingsPages::wireTagControl() {
  IsOne(tagControlStored);
  tagChanged.setOutCount(4);

  out(tagSetting.onRead, TagSwitch);
  link<&THIIf_else::doCompare>(tagControlSetting.onRead, tagControlStored);
  link<&ThiCheckBoxRush::doCheck>(tagControlStored.onTrue, tagControl);
  link<&THIHub::doEvent>(tagControl.onCheck, tagChanged);
  link<&THIini::doWrite>(tagChanged.onEvent[0], tagSetting);
  out(tagChanged.onEvent[1], TagSwitch);
  link<&THIini::doWrite>(tagChanged.onEvent[2], tagControlSetting);
  out(tagChanged.onEvent[3], TagSwitchChanged);
}

// The address is stored as it is typed and taken at the load, at Enter and when the field is
// left.
void SettingsPages::wireUecp() {
  uecpLoaded.setOutCount(2);
  uecpDone.setOutCount(1);
  link<&THIHub::doEvent>(uecpSetting.onRead, uecpLoaded);
  link<&THIEdit::doText>(uecpLoaded.onEvent[0], uecpListen);
  link<&THIHub::doEvent>(uecpLoaded.onEvent[1], uecpDone);
  link<&THIini::doWrite>(uecpListen.onChangeText, uecpSetting);
  link<&THIHub::doEvent>(uecpListen.onEnter, uecpDone);
  link<&THIHub::doEvent>(uecpListen.onLeave, uecpDone);
  out(uecpDone.onEvent[0], UecpListen);
}

}  // namespace hi
