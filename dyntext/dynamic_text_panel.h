// The "Dynamic PS and RT" page: reads the automation's text files on timers, takes the automation
// tags out of the PS template, expands the template tokens and hands over a PS or RT line
// whenever it differs from the last one handed over.
#pragma once

#include <array>

#include "dyntext/tag_filters.h"
#include "dyntext/template_expander.h"
#include "elements/flow.h"
#include "elements/math.h"
#include "elements/settings.h"
#include "elements/strings.h"
#include "elements/system.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/extras.h"

namespace hi {

class DynamicTextPanel : public TClassMultiBase {
 public:
  enum Input : uint16_t {
    BringToFront,
    Load,
    ConnectionState,  // 1 connected, 0 not; enables both boxes
    SetDps,
    SetDrt,
    UncheckBoth,
    ToggleDps,
    ToggleDrt,
    UnusedInput8,
    SetBoth,
    DeviceType,  // the RT length of the model
    kInputs
  };
  // TaTag to PtyTag carry what the automation's tags in the PS template set.
  enum Output : uint16_t {
    PsLine,
    RtLine,
    DpsState,  // on (1) or off (0)
    DrtState,
    UnusedOutput4,
    UnusedOutput5,
    UnusedOutput6,
    TaTag,
    TpTag,
    MsTag,
    PtyTag,
    kOutputs
  };
  // The names of the days for "%Day%", Monday to Sunday, then the line terminator.
  enum DataInput : uint16_t { MondayName, SundayName = MondayName + 6, Terminator, kDataInputs };

  DynamicTextPanel(TOuterSide& owner, ControlParent parent);

  // The four files, in the order of their fields on the page.
  enum File { PsTemplate, RtTemplate, Temperature, NowPlaying, kFiles };

  THIPanelRush panel{controlParent()};
  ThiCheckBoxRush dps{panel.controlParent()};
  ThiCheckBoxRush drt{panel.controlParent()};
  THILabel delay{panel.controlParent()};
  std::array<THILabel, kFiles> pathLabels = Controls<THILabel, kFiles>(panel.controlParent());
  std::array<THIEdit, kFiles> paths = Controls<THIEdit, kFiles>(panel.controlParent());
  std::array<ThiButtonRush, kFiles> browse = Controls<ThiButtonRush, kFiles>(panel.controlParent());
  THILED led{panel.controlParent()};
  ThiRadioButtonRush scrollMode{panel.controlParent()};
  ThiRadioButtonRush pageMode{panel.controlParent()};
  THILabel scrollPeriodLabel{panel.controlParent()};
  THIUpDown scrollPeriod{panel.controlParent()};
  THILabel pagePeriodLabel{panel.controlParent()};
  THIUpDown pagePeriod{panel.controlParent()};
  THIImage picture{panel.controlParent()};
  // A template that cannot be read keeps the last line on air and says why here.
  std::array<THILabel, 2> templateStates = Controls<THILabel, 2>(panel.controlParent());
  // So does a now-playing source that cannot be read or listened on.
  THILabel sourceState{panel.controlParent()};

  // Settings and file dialogs.
  std::array<THIini, kFiles> pathSettings;
  THIini scrollSetting, pageSetting, modeSetting;
  std::array<THIODialog, kFiles> dialogs;
  THIHub load;

  // Timers and the one clock reading of each refresh.
  THITimer psTimer, rtTimer, windowTimer;
  THITime clock;
  THIMemory now;
  THIDateConvertor weekday;
  THIMemory weekdayCode;
  THIHub psTick, psHub, rtTick;
  THIIf_else psIdle;
  THIHub rtReadsShared;

  // The files.
  std::array<THIStrList, kFiles> files;
  std::array<THIDoData, kFiles> fileTexts;
  std::array<THIBlankControls, kFiles> blanks;
  THIHub psText;
  THIMemory psTemplate, rtTemplate;
  THITrim temperatureTrim, nowPlayingTrim;
  THIMemory temperature, nowPlaying;
  THIChangeMon titleChange;
  THITimeCounter delayMeter;
  THIFormatStr delayText;
  std::array<THIIf_else, 2> templateReadable;
  std::array<THIHub, 2> templateProblem;
  std::array<THIFormatStr, 2> templateProblemText;
  std::array<THIDoData, 2> hideTemplateState, showTemplateState;
  // A typed source is taken into use when the typing is done: Enter, leaving the field, or two
  // seconds without a change. A loaded or chosen one at once.
  THIHub sourceEdited, sourceLoaded, sourceChosen, sourceDone;
  THITimer sourceSettle;
  THIDoData sourceText;
  THIIf_else sourceReadable;
  THIHub sourceProblem;
  THIFormatStr sourceProblemText;
  THIDoData hideSourceState, showSourceState;
  THIHub sourceFine, sourceShown;
  THIDoData showPicture, hidePicture;

  // The now-playing window.
  THIHub windowStep, titleChanged;
  THILength length;
  THICounter counter;
  THIMemory window;
  THICopy windowCut;
  THIHub applyScroll, applyPage, scrollChosen, pageChosen;
  THIMath scrollInterval, pageInterval, scrollSeconds, pageSeconds;
  THIStrCat scrollLabelText, pageLabelText;
  THIDoData scrollStep, scrollMin, pageStep, pageMin;
  THIDoData scrollName, pageName;
  THIHub scrollMoved, pageMoved;
  THIIf_else scrollActive, pageActive, storedMode;
  THIHub loadedScroll, loadedPage;
  THIDoData checkScroll, checkPage;

  // The lines.
  THIMemory psDay, rtDay;
  THIFormatStr psFormat, rtFormat;
  THICopy psCut, rtCut;
  // A PS of eight blanks never goes on air: before the first title is cut, or a blank page.
  THIHub psCutHub;
  THITrim psTrim;
  THIIf_else psHasText;
  THIIf_else rtLengthKnown;
  THIIf_else psTerminated, rtTerminated;
  THIStrCat psJoin, psJoinCrLf, rtJoin, rtJoinCrLf;
  THIChangeMon lastPs, lastRt;
  THIHub psSent;
  THIIndexToChanel rtLengths;
  std::array<THIDoData, 3> rtLengthValues;
  THIMemory rtLength;

  // The two boxes and the inputs that move them.
  THIHub dpsChanged, drtChanged;
  THIIf_else dpsOn, drtOn;
  THIHub dpsStart, dpsStop, drtStart, drtStop;
  THIDoData dpsLock, dpsUnlock, drtLock, drtUnlock;
  THIHub dpsControls, drtControls;
  THIHub connected, setBoth;
  THIIf_else nowConnected;
  THIHub forget, uncheck;
  THIIf_else dpsChecked, drtChecked;
  THIDoData dpsOff, drtOff;
  THIIf_else dpsToggle, drtToggle;
  THIDoData dpsToggleOn, dpsToggleOff, drtToggleOn, drtToggleOff;

  THIMultiElement tags{TaTpMsTagFilter::kOutputs, 0};
  THIMultiElement ptyTags{PtyTagFilter::kOutputs, 0};
  THIMultiElement psDaySelector{DayNameSelector::kOutputs, DayNameSelector::kDataInputs};
  THIMultiElement rtDaySelector{DayNameSelector::kOutputs, DayNameSelector::kDataInputs};
  THIMultiElement psExpander{TemplateExpander::kOutputs, TemplateExpander::kDataInputs};
  THIMultiElement rtExpander{TemplateExpander::kOutputs, TemplateExpander::kDataInputs};

 private:
  void placeControls();
  void wirePoints();
  void wireFields();
  void wireRefresh();
  void wireFiles();
  void wireTitleWindow();
  void wireModes();
  void wireExpansion();
  void wirePsLine();
  void wireRtLine();
  void wireBoxes();
  void wireBoxInputs();
  void buildChildren();
};

}  // namespace hi
