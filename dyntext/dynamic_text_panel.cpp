#include "dyntext/dynamic_text_panel.h"

#include <cstdlib>
#include <string>

#include "encoder/wiring.h"
#include "protocol/models.h"

namespace hi {

namespace {
constexpr const char* kSection = "Dynamic RT and PS";

struct FilePlace {
  const char* label;
  const char* key;
  const char* dialogTitle;
  int top;
};
constexpr FilePlace kFilePlaces[DynamicTextPanel::kFiles] = {
    {"Dynamic PS text file path:", "Dynamic PS", "Select Dynamic PS text file", 35},
    {"Dynamic RT text file path:", "Dynamic RT", "Select Dynamic RT text file", 80},
    {"Temperature text file path:", "Thermometer", "Select Temperature text file", 125},
    {"'Now playing' text file path:", "Scroll", "Select Now Playing text file", 170}};

// The automation's files usually lie beside it, not beside this program.
std::string DialogStartFolder() {
#ifdef _WIN32
  return "C:\\";
#else
  const char* home = std::getenv("HOME");
  return home ? home : "";
#endif
}

// Keys are read in this order at start-up: the RT template first.
constexpr DynamicTextPanel::File kLoadOrder[DynamicTextPanel::kFiles] = {
    DynamicTextPanel::RtTemplate, DynamicTextPanel::PsTemplate, DynamicTextPanel::Temperature,
    DynamicTextPanel::NowPlaying};
}  // namespace

DynamicTextPanel::DynamicTextPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  placeControls();
  wirePoints();
  wireFields();
  wireRefresh();
  wireFiles();
  wireTitleWindow();
  wireModes();
  wireExpansion();
  wirePsLine();
  wireRtLine();
  wireBoxes();
  wireBoxInputs();
  buildChildren();
}

void DynamicTextPanel::placeControls() {
  panel.setBounds(83, 46, 470, 315);
  // The connection page is the one shown at start; this page shows when it is raised.
  panel.setVisible(false);
  dps.setBounds(10, 10, 105, 20);
  dps.setCaption("Enable DPS");
  drt.setBounds(125, 10, 105, 20);
  drt.setCaption("Enable DRT");
  delay.setBounds(320, 15, 65, 25);
  delay.setCaption("");
  for (int k = 0; k < kFiles; ++k) {
    const FilePlace& place = kFilePlaces[k];
    pathLabels[k].setBounds(10, place.top, 200, 17);
    pathLabels[k].setCaption(place.label);
    paths[k].setBounds(9, place.top + 17, 305, 20);
    // A path never goes on air; it may be as long as the system allows.
    paths[k].setMaxLength(4096);
    browse[k].setBounds(322, place.top + 17, 35, 20);
    browse[k].setCaption("...");
  }
  led.setBounds(365, 185, 25, 25);
  scrollMode.setBounds(10, 220, 105, 20);
  scrollMode.setCaption("Scrolling PS");
  pageMode.setBounds(10, 245, 90, 20);
  pageMode.setCaption("Page PS");
  scrollPeriodLabel.setBounds(125, 220, 40, 18);
  scrollPeriod.setBounds(169, 218, 20, 22);
  scrollPeriod.setHint("Change period of Scrolling PS");
  scrollPeriod.setRange(10, 20);
  scrollPeriod.setPosition(10);
  pagePeriodLabel.setBounds(125, 245, 40, 18);
  pagePeriod.setBounds(169, 243, 20, 22);
  pagePeriod.setHint("Change period of Page PS");
  pagePeriod.setRange(4, 20);
  pagePeriod.setPosition(10);
  picture.setBounds(320, 210, 145, 105);
  picture.setPicture(":/pictures/settings.png");
  for (size_t k = 0; k < templateStates.size(); ++k) {
    templateStates[k].setBounds(10, 266 + 16 * static_cast<int>(k), 300, 16);
    templateStates[k].setVisible(false);
  }
  // As wide as the page: the picture gives way to it while it shows.
  sourceState.setBounds(10, 298, 455, 16);
  sourceState.setVisible(false);
}

void DynamicTextPanel::wirePoints() {
  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);
  work<&THIHub::doEvent>(ConnectionState, connected);
  work<&ThiCheckBoxRush::doCheck>(SetDps, dps);
  work<&ThiCheckBoxRush::doCheck>(SetDrt, drt);
  work<&THIHub::doEvent>(UncheckBoth, uncheck);
  work<&THIIf_else::doCompare>(ToggleDps, dpsToggle);
  work<&THIIf_else::doCompare>(ToggleDrt, drtToggle);
  work<&THIHub::doEvent>(SetBoth, setBoth);
  work<&THIIndexToChanel::doEvent>(DeviceType, rtLengths);
}

// The fields, their settings and dialogs, and the two periods and the mode; at start-up the
// stored values, written back.
void DynamicTextPanel::wireFields() {
  for (int k = 0; k < kFiles; ++k) {
    StoredSetting(pathSettings[k], kSection, kFilePlaces[k].key, THIini::Text);
    dialogs[k].title = kFilePlaces[k].dialogTitle;
    dialogs[k].initialDir = DialogStartFolder();
    dialogs[k].filter = "Text files|*.txt|All files|*";
  }
  StoredSetting(scrollSetting, kSection, "Spos", THIini::Text);
  StoredSetting(pageSetting, kSection, "Wpos", THIini::Text);
  StoredSetting(modeSetting, kSection, "Scroll/Page select", THIini::Text);
  load.setOutCount(7);
  Compare(storedMode, THIIf_else::Equal, TData::Str("Page mode"));
  for (THIHub* hub : {&loadedScroll, &loadedPage}) hub->setOutCount(2);
  checkScroll.data = TData::Int(1);
  checkPage.data = TData::Int(1);

  for (uint16_t k = 0; k < kFiles; ++k) {
    link<&THIini::doRead>(load.onEvent[k], pathSettings[kLoadOrder[k]]);
    link<&THIODialog::doExecute>(browse[k].onClick, dialogs[k]);
    if (k == NowPlaying) continue;
    link<&THIEdit::doText>(pathSettings[k].onRead, paths[k]);
    link<&THIini::doWrite>(paths[k].onChangeText, pathSettings[k]);
    link<&THIEdit::doText>(dialogs[k].onExecute, paths[k]);
    link<&THIEdit::Text>(files[k].FileName, paths[k]);
  }
  // The now-playing field may name an address that is listened on: every half-typed address
  // would be opened and complained about, so a typed text waits until the typing is done.
  sourceSettle.setInterval(2000);
  sourceSettle.setCount(1);
  for (THIHub* hub : {&sourceEdited, &sourceLoaded, &sourceChosen, &sourceDone})
    hub->setOutCount(2);
  link<&THIHub::doEvent>(paths[NowPlaying].onChangeText, sourceEdited);
  link<&THIini::doWrite>(sourceEdited.onEvent[0], pathSettings[NowPlaying]);
  link<&THITimer::doStart>(sourceEdited.onEvent[1], sourceSettle);
  link<&THIHub::doEvent>(pathSettings[NowPlaying].onRead, sourceLoaded);
  link<&THIEdit::doText>(sourceLoaded.onEvent[0], paths[NowPlaying]);
  link<&THIHub::doEvent>(sourceLoaded.onEvent[1], sourceDone);
  link<&THIHub::doEvent>(dialogs[NowPlaying].onExecute, sourceChosen);
  link<&THIEdit::doText>(sourceChosen.onEvent[0], paths[NowPlaying]);
  link<&THIHub::doEvent>(sourceChosen.onEvent[1], sourceDone);
  link<&THIHub::doEvent>(paths[NowPlaying].onEnter, sourceDone);
  link<&THIHub::doEvent>(paths[NowPlaying].onLeave, sourceDone);
  link<&THIHub::doEvent>(sourceSettle.onTimer, sourceDone);
  link<&THITimer::doStop>(sourceDone.onEvent[0], sourceSettle);
  link<&THIDoData::doData>(sourceDone.onEvent[1], sourceText);
  link<&THIEdit::Text>(sourceText.Data, paths[NowPlaying]);
  link<&THIStrList::doSource>(sourceText.onEventData, files[NowPlaying]);
  link<&THIini::doRead>(load.onEvent[4], scrollSetting);
  link<&THIini::doRead>(load.onEvent[5], pageSetting);
  link<&THIini::doRead>(load.onEvent[6], modeSetting);
  link<&THIUpDown::doPosition>(scrollSetting.onRead, scrollPeriod);
  link<&THIUpDown::doPosition>(pageSetting.onRead, pagePeriod);
  link<&THIIf_else::doCompare>(modeSetting.onRead, storedMode);
  link<&THIHub::doEvent>(storedMode.onTrue, loadedPage);
  link<&THIHub::doEvent>(storedMode.onFalse, loadedScroll);
  link<&THIDoData::doData>(loadedScroll.onEvent[0], checkScroll);
  link<&THIHub::doEvent>(loadedScroll.onEvent[1], applyScroll);
  link<&THIDoData::doData>(loadedPage.onEvent[0], checkPage);
  link<&THIHub::doEvent>(loadedPage.onEvent[1], applyPage);
  link<&ThiRadioButtonRush::doCheck>(checkScroll.onEventData, scrollMode);
  link<&ThiRadioButtonRush::doCheck>(checkPage.onEventData, pageMode);
}

// Each refresh reads the clock once, so a date and a day name never come from two instants.
// The RT refresh reads the temperature and the title itself when the PS refresh, which reads
// them twice a second, is not running.
void DynamicTextPanel::wireRefresh() {
  psTimer.setInterval(500);
  rtTimer.setInterval(1000);
  weekday.format = "W";
  psTick.setOutCount(4);
  psHub.setOutCount(4);
  rtTick.setOutCount(5);
  IsZero(psIdle);
  rtReadsShared.setOutCount(2);

  link<&THIHub::doEvent>(psTimer.onTimer, psTick);
  link<&THIMemory::doValue>(psTick.onEvent[0], now);
  link<&THIDateConvertor::doConvert>(psTick.onEvent[1], weekday);
  link<&THIStrList::doLoad>(psTick.onEvent[2], files[PsTemplate]);
  link<&THIHub::doEvent>(psTick.onEvent[3], psHub);
  link<&THITime::Now>(now.Data, clock);
  link<&THIMemory::Value>(weekday.DateTime, now);
  link<&THIMemory::doValue>(weekday.onResult, weekdayCode);
  link<&THIStrList::doLoad>(psHub.onEvent[0], files[Temperature]);
  link<&THIStrList::doLoad>(psHub.onEvent[1], files[NowPlaying]);
  link<&THIMultiElement::doWork>(psHub.onEvent[2], psDaySelector, DayNameSelector::Select);
  link<&THIMultiElement::doWork>(psHub.onEvent[3], psExpander, TemplateExpander::Expand);

  link<&THIHub::doEvent>(rtTimer.onTimer, rtTick);
  link<&THIMemory::doValue>(rtTick.onEvent[0], now);
  link<&THIDateConvertor::doConvert>(rtTick.onEvent[1], weekday);
  link<&THIMultiElement::doWork>(rtTick.onEvent[2], rtDaySelector, DayNameSelector::Select);
  link<&THIIf_else::doCompare>(rtTick.onEvent[3], psIdle);
  link<&ThiCheckBoxRush::Checked>(psIdle.Op1, dps);
  link<&THIHub::doEvent>(psIdle.onTrue, rtReadsShared);
  link<&THIStrList::doLoad>(rtReadsShared.onEvent[0], files[Temperature]);
  link<&THIStrList::doLoad>(rtReadsShared.onEvent[1], files[NowPlaying]);
  link<&THIStrList::doLoad>(rtTick.onEvent[4], files[RtTemplate]);
}

// A file's text has no control characters once read: a line break in a title must not end the
// command line it goes into. The PS template loses its automation tags first.
void DynamicTextPanel::wireFiles() {
  for (size_t k = 0; k < templateStates.size(); ++k) {
    files[k].logName = k == PsTemplate ? "dynamic PS file" : "dynamic RT file";
    Compare(templateReadable[k], THIIf_else::Equal, TData::Str(""));
    templateProblem[k].setOutCount(2);
    templateProblemText[k].mask =
        std::string(k == PsTemplate ? "Dynamic PS" : "Dynamic RT") + " file: %1, last line kept";
    templateProblemText[k].setDataCount(1);
    hideTemplateState[k].data = TData::Int(0);
    showTemplateState[k].data = TData::Int(1);
  }
  psText.setOutCount(2);
  files[NowPlaying].acceptsAddress = true;
  files[NowPlaying].logName = "now-playing source";
  Compare(sourceReadable, THIIf_else::Equal, TData::Str(""));
  sourceProblem.setOutCount(2);
  sourceProblemText.mask = "'Now playing' source: %1";
  sourceProblemText.setDataCount(1);
  hideSourceState.data = TData::Int(0);
  showSourceState.data = TData::Int(1);

  for (uint16_t k = 0; k < kFiles; ++k) {
    link<&THIDoData::doData>(files[k].onLoad, fileTexts[k]);
    link<&THIStrList::Text>(fileTexts[k].Data, files[k]);
  }
  for (size_t k = 0; k < templateStates.size(); ++k) {
    link<&THIIf_else::doCompare>(files[k].onProblem, templateReadable[k]);
    link<&THIDoData::doData>(templateReadable[k].onTrue, hideTemplateState[k]);
    link<&THILabel::doVisible>(hideTemplateState[k].onEventData, templateStates[k]);
    link<&THIHub::doEvent>(templateReadable[k].onFalse, templateProblem[k]);
    link<&THIFormatStr::doString>(templateProblem[k].onEvent[0], templateProblemText[k]);
    link<&THILabel::doText>(templateProblemText[k].onFString, templateStates[k]);
    link<&THIDoData::doData>(templateProblem[k].onEvent[1], showTemplateState[k]);
    link<&THILabel::doVisible>(showTemplateState[k].onEventData, templateStates[k]);
  }
  sourceFine.setOutCount(2);
  sourceShown.setOutCount(2);
  showPicture.data = TData::Int(1);
  hidePicture.data = TData::Int(0);
  link<&THIIf_else::doCompare>(files[NowPlaying].onProblem, sourceReadable);
  link<&THIHub::doEvent>(sourceReadable.onTrue, sourceFine);
  link<&THIDoData::doData>(sourceFine.onEvent[0], hideSourceState);
  link<&THIDoData::doData>(sourceFine.onEvent[1], showPicture);
  link<&THILabel::doVisible>(hideSourceState.onEventData, sourceState);
  link<&THIImage::doVisible>(showPicture.onEventData, picture);
  link<&THIHub::doEvent>(sourceReadable.onFalse, sourceProblem);
  link<&THIFormatStr::doString>(sourceProblem.onEvent[0], sourceProblemText);
  link<&THILabel::doText>(sourceProblemText.onFString, sourceState);
  link<&THIHub::doEvent>(sourceProblem.onEvent[1], sourceShown);
  link<&THIDoData::doData>(sourceShown.onEvent[0], hidePicture);
  link<&THIDoData::doData>(sourceShown.onEvent[1], showSourceState);
  link<&THIImage::doVisible>(hidePicture.onEventData, picture);
  link<&THILabel::doVisible>(showSourceState.onEventData, sourceState);
  link<&THIMultiElement::doWork>(fileTexts[PsTemplate].onEventData, tags, TaTpMsTagFilter::Text);
  link<&THIMultiElement::doWork>(tags.onEvent[TaTpMsTagFilter::Untagged], ptyTags,
                                 PtyTagFilter::Text);
  out(tags.onEvent[TaTpMsTagFilter::TaValue], TaTag);
  out(tags.onEvent[TaTpMsTagFilter::TpValue], TpTag);
  out(tags.onEvent[TaTpMsTagFilter::MsValue], MsTag);
  out(ptyTags.onEvent[PtyTagFilter::PtyValue], PtyTag);
  link<&THIHub::doEvent>(ptyTags.onEvent[PtyTagFilter::Untagged], psText);
  link<&THIBlankControls::doBlank>(psText.onEvent[0], blanks[PsTemplate]);
  link<&THIMemory::doValue>(blanks[PsTemplate].onResult, psTemplate);
  link<&THITimeCounter::doStart>(psText.onEvent[1], delayMeter);
  for (File k : {RtTemplate, Temperature, NowPlaying})
    link<&THIBlankControls::doBlank>(fileTexts[k].onEventData, blanks[k]);
  link<&THIMemory::doValue>(blanks[RtTemplate].onResult, rtTemplate);
  link<&THIMultiElement::doWork>(rtTemplate.onData, rtExpander, TemplateExpander::Expand);
  link<&THITrim::doTrim>(blanks[Temperature].onResult, temperatureTrim);
  link<&THIMemory::doValue>(temperatureTrim.onTrim, temperature);
  link<&THITrim::doTrim>(blanks[NowPlaying].onResult, nowPlayingTrim);
  link<&THIChangeMon::doCheck>(nowPlayingTrim.onTrim, titleChange);
}

// The window of the title that the PS shows. A new title is shown from its beginning at the next
// step, not from where the last one had got to (a short title after a long one would leave the
// PS blank for whole periods).
void DynamicTextPanel::wireTitleWindow() {
  windowTimer.setInterval(1500);
  windowStep.setOutCount(6);
  titleChanged.setOutCount(4);
  counter.min = 0;
  counter.max = 64;
  counter.step = 1;
  windowCut.count = 8;

  link<&THIHub::doEvent>(titleChange.onChange, titleChanged);
  link<&THIMemory::doValue>(titleChanged.onEvent[0], nowPlaying);
  link<&THILength::doLength>(titleChanged.onEvent[1], length);
  link<&THICounter::doMax>(titleChanged.onEvent[2], counter);
  link<&THICounter::doReset>(titleChanged.onEvent[3], counter);

  link<&THIHub::doEvent>(windowTimer.onTimer, windowStep);
  link<&THILength::doLength>(windowStep.onEvent[0], length);
  link<&THICounter::doNext>(windowStep.onEvent[1], counter);
  link<&THIMemory::doClear>(windowStep.onEvent[2], window);
  link<&THICopy::doCopy>(windowStep.onEvent[3], windowCut);
  link<&THILED::doSwitch>(windowStep.onEvent[4], led);
  link<&THICounter::doMax>(windowStep.onEvent[5], counter);
  link<&THIMemory::Value>(length.Str, nowPlaying);
  link<&THILength::Result>(counter.Max, length);
  link<&THIMemory::Value>(windowCut.Str, nowPlaying);
  link<&THICounter::Count>(windowCut.Position, counter);
  link<&THIMemory::doValue>(windowCut.onCopy, window);
}

// Modes: chosen by the operator (and stored), or applied by the load. A period is stored and
// shown, and reaches the timer at once when its mode is on.
void DynamicTextPanel::wireModes() {
  for (THIHub* hub : {&applyScroll, &applyPage}) hub->setOutCount(4);
  for (THIHub* hub : {&scrollChosen, &pageChosen}) hub->setOutCount(2);
  for (THIHub* hub : {&scrollMoved, &pageMoved}) hub->setOutCount(3);
  for (THIMath* m : {&scrollInterval, &pageInterval, &scrollSeconds, &pageSeconds})
    m->resultType = THIMath::RealResult;
  scrollInterval.op2 = 100;
  pageInterval.op2 = 500;
  scrollSeconds.op2 = 10;
  pageSeconds.op2 = 2;
  scrollLabelText.str2 = " s";
  pageLabelText.str2 = " s";
  scrollStep.data = TData::Int(1);
  scrollMin.data = TData::Int(0);
  pageStep.data = TData::Int(8);
  pageMin.data = TData::Int(-7);
  scrollName.data = TData::Str("Scroll mode");
  pageName.data = TData::Str("Page mode");
  for (THIIf_else* active : {&scrollActive, &pageActive}) IsOne(*active);

  link<&THIHub::doEvent>(scrollMode.onClick, scrollChosen);
  link<&THIDoData::doData>(scrollChosen.onEvent[0], scrollName);
  link<&THIHub::doEvent>(scrollChosen.onEvent[1], applyScroll);
  link<&THIini::doWrite>(scrollName.onEventData, modeSetting);
  link<&THIHub::doEvent>(pageMode.onClick, pageChosen);
  link<&THIDoData::doData>(pageChosen.onEvent[0], pageName);
  link<&THIHub::doEvent>(pageChosen.onEvent[1], applyPage);
  link<&THIini::doWrite>(pageName.onEventData, modeSetting);
  link<&THIMath::doMul>(applyScroll.onEvent[0], scrollInterval);
  link<&THIDoData::doData>(applyScroll.onEvent[1], scrollStep);
  link<&THIDoData::doData>(applyScroll.onEvent[2], scrollMin);
  link<&THICounter::doReset>(applyScroll.onEvent[3], counter);
  link<&THIMath::doMul>(applyPage.onEvent[0], pageInterval);
  link<&THIDoData::doData>(applyPage.onEvent[1], pageStep);
  link<&THIDoData::doData>(applyPage.onEvent[2], pageMin);
  link<&THICounter::doReset>(applyPage.onEvent[3], counter);
  link<&THIUpDown::Position>(scrollInterval.Op1, scrollPeriod);
  link<&THIUpDown::Position>(pageInterval.Op1, pagePeriod);
  link<&THITimer::doInterval>(scrollInterval.onResult, windowTimer);
  link<&THITimer::doInterval>(pageInterval.onResult, windowTimer);
  link<&THICounter::doStep>(scrollStep.onEventData, counter);
  link<&THICounter::doStep>(pageStep.onEventData, counter);
  link<&THICounter::doMin>(scrollMin.onEventData, counter);
  link<&THICounter::doMin>(pageMin.onEventData, counter);

  link<&THIHub::doEvent>(scrollPeriod.onPosition, scrollMoved);
  link<&THIini::doWrite>(scrollMoved.onEvent[0], scrollSetting);
  link<&THIMath::doDiv>(scrollMoved.onEvent[1], scrollSeconds);
  link<&THIIf_else::doCompare>(scrollMoved.onEvent[2], scrollActive);
  link<&THIStrCat::doStrCat>(scrollSeconds.onResult, scrollLabelText);
  link<&THILabel::doText>(scrollLabelText.onStrCat, scrollPeriodLabel);
  link<&ThiRadioButtonRush::Checked>(scrollActive.Op1, scrollMode);
  link<&THIMath::doMul>(scrollActive.onTrue, scrollInterval);
  link<&THIHub::doEvent>(pagePeriod.onPosition, pageMoved);
  link<&THIini::doWrite>(pageMoved.onEvent[0], pageSetting);
  link<&THIMath::doDiv>(pageMoved.onEvent[1], pageSeconds);
  link<&THIIf_else::doCompare>(pageMoved.onEvent[2], pageActive);
  link<&THIStrCat::doStrCat>(pageSeconds.onResult, pageLabelText);
  link<&THILabel::doText>(pageLabelText.onStrCat, pagePeriodLabel);
  link<&ThiRadioButtonRush::Checked>(pageActive.Op1, pageMode);
  link<&THIMath::doMul>(pageActive.onTrue, pageInterval);
}

// The PS template gets the title's window, the RT template the whole title.
void DynamicTextPanel::wireExpansion() {
  link<&THIMemory::Value>(psDaySelector.Data[DayNameSelector::WeekdayCode], weekdayCode);
  link<&THIMemory::Value>(rtDaySelector.Data[DayNameSelector::WeekdayCode], weekdayCode);
  for (uint16_t d = 0; d < 7; ++d) {
    in(psDaySelector.Data[DayNameSelector::MondayName + d], MondayName + d);
    in(rtDaySelector.Data[DayNameSelector::MondayName + d], MondayName + d);
  }
  link<&THIMemory::doValue>(psDaySelector.onEvent[DayNameSelector::DayName], psDay);
  link<&THIMemory::doValue>(rtDaySelector.onEvent[DayNameSelector::DayName], rtDay);
  link<&THIMemory::Value>(psExpander.Data[TemplateExpander::Template], psTemplate);
  link<&THIMemory::Value>(psExpander.Data[TemplateExpander::LocalTime], now);
  link<&THIMemory::Value>(psExpander.Data[TemplateExpander::Temperature], temperature);
  link<&THIMemory::Value>(psExpander.Data[TemplateExpander::NowPlaying], window);
  link<&THIMemory::Value>(psExpander.Data[TemplateExpander::DayName], psDay);
  link<&THIMemory::Value>(rtExpander.Data[TemplateExpander::Template], rtTemplate);
  link<&THIMemory::Value>(rtExpander.Data[TemplateExpander::LocalTime], now);
  link<&THIMemory::Value>(rtExpander.Data[TemplateExpander::Temperature], temperature);
  link<&THIMemory::Value>(rtExpander.Data[TemplateExpander::NowPlaying], nowPlaying);
  link<&THIMemory::Value>(rtExpander.Data[TemplateExpander::DayName], rtDay);
  // A long title gives way to the RT template's own text; the PS shows the title scrolling.
  link<&THIMemory::Value>(rtExpander.Data[TemplateExpander::LineLength], rtLength);
  for (THIMultiElement* expander : {&psExpander, &rtExpander})
    link<&THIStrList::Waiting>(expander->Data[TemplateExpander::TitleMissing], files[NowPlaying]);
}

// "PS", eight characters, the terminator; handed over only when it changed. A PS of eight blanks
// never goes on air. Until a model is chosen the terminator is empty; a line must still end.
void DynamicTextPanel::wirePsLine() {
  delayText.mask = "Delay: %1ms        ";
  delayText.setDataCount(1);
  psFormat.mask = "PS%1        ";
  psFormat.setDataCount(1);
  psCut.position = 1;
  psCut.count = 10;
  psCutHub.setOutCount(2);
  Compare(psHasText, THIIf_else::NotEqual, TData::Str("PS"));
  Compare(psTerminated, THIIf_else::NotEqual, TData::Str(""));
  psJoinCrLf.str2 = "\r\n";
  psSent.setOutCount(2);

  link<&THIFormatStr::doString>(psExpander.onEvent[TemplateExpander::Expanded], psFormat);
  link<&THICopy::doCopy>(psFormat.onFString, psCut);
  link<&THIHub::doEvent>(psCut.onCopy, psCutHub);
  link<&THITrim::doTrim>(psCutHub.onEvent[0], psTrim);
  link<&THIIf_else::doCompare>(psCutHub.onEvent[1], psHasText);
  link<&THITrim::Result>(psHasText.Op1, psTrim);
  link<&THIIf_else::doCompare>(psHasText.onTrue, psTerminated);
  in(psTerminated.Op1, Terminator);
  link<&THIStrCat::doStrCat>(psTerminated.onTrue, psJoin);
  link<&THIStrCat::doStrCat>(psTerminated.onFalse, psJoinCrLf);
  in(psJoin.Str2, Terminator);
  link<&THIChangeMon::doCheck>(psJoin.onStrCat, lastPs);
  link<&THIChangeMon::doCheck>(psJoinCrLf.onStrCat, lastPs);
  link<&THIHub::doEvent>(lastPs.onChange, psSent);
  out(psSent.onEvent[0], PsLine);
  link<&THITimeCounter::doStop>(psSent.onEvent[1], delayMeter);
  link<&THIFormatStr::doString>(delayMeter.onStop, delayText);
  link<&THILabel::doText>(delayText.onFString, delay);
}

// "RT", the model's width, the terminator; no RT line before the width is known: it would be a
// bare terminator.
void DynamicTextPanel::wireRtLine() {
  rtFormat.mask = "RT%1" + std::string(protocol::WidestRt(), ' ');
  rtFormat.setDataCount(1);
  rtCut.position = 1;
  Compare(rtLengthKnown, THIIf_else::GreaterEqual, TData::Int(0));
  Compare(rtTerminated, THIIf_else::NotEqual, TData::Str(""));
  rtJoinCrLf.str2 = "\r\n";
  rtLengths.setCount(protocol::kModels);
  // The line is cut after "RT" and the model's width.
  static_assert(std::tuple_size_v<decltype(rtLengthValues)> == protocol::kModels);
  for (size_t k = 0; k < protocol::kModels; ++k)
    rtLengthValues[k].data = TData::Int(2 + protocol::kModelRows[k].rtWidth);

  link<&THIFormatStr::doString>(rtExpander.onEvent[TemplateExpander::Expanded], rtFormat);
  link<&THIIf_else::doCompare>(rtFormat.onFString, rtLengthKnown);
  link<&THIMemory::Value>(rtLengthKnown.Op1, rtLength);
  link<&THICopy::doCopy>(rtLengthKnown.onTrue, rtCut);
  link<&THIMemory::Value>(rtCut.Count, rtLength);
  link<&THIIf_else::doCompare>(rtCut.onCopy, rtTerminated);
  in(rtTerminated.Op1, Terminator);
  link<&THIStrCat::doStrCat>(rtTerminated.onTrue, rtJoin);
  link<&THIStrCat::doStrCat>(rtTerminated.onFalse, rtJoinCrLf);
  in(rtJoin.Str2, Terminator);
  link<&THIChangeMon::doCheck>(rtJoin.onStrCat, lastRt);
  link<&THIChangeMon::doCheck>(rtJoinCrLf.onStrCat, lastRt);
  out(lastRt.onChange, RtLine);
  for (uint16_t k = 0; k < protocol::kModels; ++k) {
    link<&THIDoData::doData>(rtLengths.onEvent[k], rtLengthValues[k]);
    link<&THIMemory::doValue>(rtLengthValues[k].onEventData, rtLength);
  }
}

// The boxes: timers, the controls they lock, and the state reported.
void DynamicTextPanel::wireBoxes() {
  for (THIHub* hub : {&dpsChanged, &drtChanged}) hub->setOutCount(2);
  for (THIIf_else* on : {&dpsOn, &drtOn}) IsOne(*on);
  dpsStart.setOutCount(3);
  dpsStop.setOutCount(3);
  drtStart.setOutCount(2);
  drtStop.setOutCount(2);
  dpsLock.data = TData::Int(0);
  drtLock.data = TData::Int(0);
  dpsUnlock.data = TData::Int(1);
  drtUnlock.data = TData::Int(1);
  dpsControls.setOutCount(10);
  drtControls.setOutCount(2);

  link<&THIHub::doEvent>(dps.onCheck, dpsChanged);
  link<&THIIf_else::doCompare>(dpsChanged.onEvent[0], dpsOn);
  out(dpsChanged.onEvent[1], DpsState);
  link<&THIHub::doEvent>(dpsOn.onTrue, dpsStart);
  link<&THIHub::doEvent>(dpsOn.onFalse, dpsStop);
  link<&THITimer::doStart>(dpsStart.onEvent[0], psTimer);
  link<&THITimer::doStart>(dpsStart.onEvent[1], windowTimer);
  link<&THIDoData::doData>(dpsStart.onEvent[2], dpsLock);
  link<&THITimer::doStop>(dpsStop.onEvent[0], psTimer);
  link<&THITimer::doStop>(dpsStop.onEvent[1], windowTimer);
  link<&THIDoData::doData>(dpsStop.onEvent[2], dpsUnlock);
  link<&THIHub::doEvent>(dpsLock.onEventData, dpsControls);
  link<&THIHub::doEvent>(dpsUnlock.onEventData, dpsControls);
  uint16_t control = 0;
  for (File k : {PsTemplate, Temperature, NowPlaying}) {
    link<&THIEdit::doEnabled>(dpsControls.onEvent[control++], paths[k]);
    link<&ThiButtonRush::doEnabled>(dpsControls.onEvent[control++], browse[k]);
  }
  link<&ThiRadioButtonRush::doEnabled>(dpsControls.onEvent[control++], scrollMode);
  link<&ThiRadioButtonRush::doEnabled>(dpsControls.onEvent[control++], pageMode);
  link<&THIUpDown::doEnabled>(dpsControls.onEvent[control++], scrollPeriod);
  link<&THIUpDown::doEnabled>(dpsControls.onEvent[control++], pagePeriod);

  link<&THIHub::doEvent>(drt.onCheck, drtChanged);
  link<&THIIf_else::doCompare>(drtChanged.onEvent[0], drtOn);
  out(drtChanged.onEvent[1], DrtState);
  link<&THIHub::doEvent>(drtOn.onTrue, drtStart);
  link<&THIHub::doEvent>(drtOn.onFalse, drtStop);
  link<&THITimer::doStart>(drtStart.onEvent[0], rtTimer);
  link<&THIDoData::doData>(drtStart.onEvent[1], drtLock);
  link<&THITimer::doStop>(drtStop.onEvent[0], rtTimer);
  link<&THIDoData::doData>(drtStop.onEvent[1], drtUnlock);
  link<&THIHub::doEvent>(drtLock.onEventData, drtControls);
  link<&THIHub::doEvent>(drtUnlock.onEventData, drtControls);
  link<&THIEdit::doEnabled>(drtControls.onEvent[0], paths[RtTemplate]);
  link<&ThiButtonRush::doEnabled>(drtControls.onEvent[1], browse[RtTemplate]);
}

// The inputs that move the boxes. The encoder may have lost what it was sent: after a connect
// and after an EEPROM command the current lines are handed over again.
void DynamicTextPanel::wireBoxInputs() {
  connected.setOutCount(3);
  setBoth.setOutCount(3);
  IsOne(nowConnected);
  forget.setOutCount(2);
  uncheck.setOutCount(2);
  for (THIIf_else* checked : {&dpsChecked, &drtChecked}) IsOne(*checked);
  dpsOff.data = TData::Int(0);
  drtOff.data = TData::Int(0);
  for (THIIf_else* toggle : {&dpsToggle, &drtToggle}) IsZero(*toggle);
  dpsToggleOn.data = TData::Int(1);
  drtToggleOn.data = TData::Int(1);
  dpsToggleOff.data = TData::Int(0);
  drtToggleOff.data = TData::Int(0);

  link<&ThiCheckBoxRush::doEnabled>(connected.onEvent[0], dps);
  link<&ThiCheckBoxRush::doEnabled>(connected.onEvent[1], drt);
  link<&THIIf_else::doCompare>(connected.onEvent[2], nowConnected);
  link<&THIHub::doEvent>(nowConnected.onTrue, forget);
  link<&ThiCheckBoxRush::doCheck>(setBoth.onEvent[0], dps);
  link<&ThiCheckBoxRush::doCheck>(setBoth.onEvent[1], drt);
  link<&THIHub::doEvent>(setBoth.onEvent[2], forget);
  link<&THIChangeMon::doClear>(forget.onEvent[0], lastPs);
  link<&THIChangeMon::doClear>(forget.onEvent[1], lastRt);

  link<&THIIf_else::doCompare>(uncheck.onEvent[0], dpsChecked);
  link<&THIIf_else::doCompare>(uncheck.onEvent[1], drtChecked);
  link<&ThiCheckBoxRush::Checked>(dpsChecked.Op1, dps);
  link<&ThiCheckBoxRush::Checked>(drtChecked.Op1, drt);
  link<&THIDoData::doData>(dpsChecked.onTrue, dpsOff);
  link<&THIDoData::doData>(drtChecked.onTrue, drtOff);
  link<&ThiCheckBoxRush::doCheck>(dpsOff.onEventData, dps);
  link<&ThiCheckBoxRush::doCheck>(drtOff.onEventData, drt);

  link<&ThiCheckBoxRush::Checked>(dpsToggle.Op1, dps);
  link<&ThiCheckBoxRush::Checked>(drtToggle.Op1, drt);
  link<&THIDoData::doData>(dpsToggle.onTrue, dpsToggleOn);
  link<&THIDoData::doData>(dpsToggle.onFalse, dpsToggleOff);
  link<&THIDoData::doData>(drtToggle.onTrue, drtToggleOn);
  link<&THIDoData::doData>(drtToggle.onFalse, drtToggleOff);
  for (THIDoData* value : {&dpsToggleOn, &dpsToggleOff})
    link<&ThiCheckBoxRush::doCheck>(value->onEventData, dps);
  for (THIDoData* value : {&drtToggleOn, &drtToggleOff})
    link<&ThiCheckBoxRush::doCheck>(value->onEventData, drt);
}

void DynamicTextPanel::buildChildren() {
  tags.build<TaTpMsTagFilter>(nullptr);
  ptyTags.build<PtyTagFilter>(nullptr);
  psDaySelector.build<DayNameSelector>(nullptr);
  rtDaySelector.build<DayNameSelector>(nullptr);
  psExpander.build<PsTemplateExpander>(nullptr);
  rtExpander.build<RtTemplateExpander>(nullptr);
}

}  // namespace hi
