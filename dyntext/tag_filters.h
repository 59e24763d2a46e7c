// The automation's tags in the dynamic PS template: each filter takes its tags out of the text
// and reports the value they leave their flag at.
//
// A tag runs from its start mark to the first ">" behind it and is removed whole, whatever lies
// between (line breaks included); a start mark with no ">" behind it stays in the text. Within
// one run each flag is reported at most once, with the value the last tag found sets it to, so
// a template that keeps its tags does not switch a flag back and forth at every refresh. The
// values fire before the text.
#pragma once

#include <array>

#include "elements/flow.h"
#include "elements/strings.h"
#include "runtime/runtime.h"

namespace hi {

// The values (integers 0 or 1) fire in the order TA, TP, M/S, then the text without its tags.
// Marks, searched in this order: "<TA1", "<TA0", "<TP1", "<TP0", "<M/S1", "<M/S0"; so with both
// tags of a flag in the text, the flag ends at 0.
class TaTpMsTagFilter : public TClassMultiBase {
 public:
  enum Input : uint16_t { Text, kInputs };
  enum Output : uint16_t { Untagged, TaValue, TpValue, MsValue, kOutputs };

  TaTpMsTagFilter(TOuterSide& owner, ControlParent parent);

  THIHub start;
  // The value each flag ends at in this run; empty while none of its tags was found.
  std::array<THIMemory, 3> found;
  std::array<THIBlockFind, 6> finders;
  std::array<THIDoData, 6> constants;
  THIHub report;
  std::array<THIIf_else, 3> seen;
  std::array<THIDoData, 3> values;
};

// The PTY value (text) fires first, then the text without its tags.
// Marks "<PTY0" .. "<PTY31" are searched in that order, so a tag is taken by the first mark it
// begins with ("<PTY12>" by "<PTY1"); the value is the tag's own text between its first "Y" and
// its ">". With several tags, the one found last wins.
class PtyTagFilter : public TClassMultiBase {
 public:
  enum Input : uint16_t { Text, kInputs };
  enum Output : uint16_t { Untagged, PtyValue, kOutputs };

  PtyTagFilter(TOuterSide& owner, ControlParent parent);

  THIHub start;
  THIMemory found;
  std::array<THIBlockFind, 32> finders;
  THIStrPart afterY, beforeEnd;
  THIHub report;
  THIIf_else seen;
  THIDoData value;
};

}  // namespace hi
