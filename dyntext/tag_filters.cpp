#include "dyntext/tag_filters.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "encoder/wiring.h"

namespace hi {

namespace {
void RemoveBlocks(THIBlockFind& finder, std::string startMark) {
  finder.startMark = std::move(startMark);
  finder.endMark = ">";
  finder.includeMarks = 1;
  finder.replaceMode = 1;
}
}  // namespace

TaTpMsTagFilter::TaTpMsTagFilter(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  start.setOutCount(4);
  const char* const marks[] = {"<TA1", "<TA0", "<TP1", "<TP0", "<M/S1", "<M/S0"};
  for (size_t i = 0; i < finders.size(); ++i) {
    RemoveBlocks(finders[i], marks[i]);
    constants[i].data = TData::Int(i % 2 == 0 ? 1 : 0);
  }
  report.setOutCount(4);
  // Every flag value is at least 0; a memory that found nothing holds null, which is not.
  for (THIIf_else& s : seen) Compare(s, THIIf_else::GreaterEqual, TData::Int(0));

  work<&THIHub::doEvent>(Text, start);
  for (size_t f = 0; f < found.size(); ++f) link<&THIMemory::doClear>(start.onEvent[f], found[f]);
  link<&THIBlockFind::doSearch>(start.onEvent[3], finders[0]);
  for (size_t i = 0; i < finders.size(); ++i) {
    if (i + 1 < finders.size()) link<&THIBlockFind::doSearch>(finders[i].onSearch, finders[i + 1]);
    link<&THIDoData::doData>(finders[i].onBlock, constants[i]);
    link<&THIMemory::doValue>(constants[i].onEventData, found[i / 2]);
  }
  link<&THIHub::doEvent>(finders.back().onSearch, report);
  const Output flagValues[] = {TaValue, TpValue, MsValue};
  for (size_t f = 0; f < found.size(); ++f) {
    link<&THIIf_else::doCompare>(report.onEvent[f], seen[f]);
    link<&THIMemory::Value>(seen[f].Op1, found[f]);
    link<&THIDoData::doData>(seen[f].onTrue, values[f]);
    link<&THIMemory::Value>(values[f].Data, found[f]);
    out(values[f].onEventData, flagValues[f]);
  }
  out(report.onEvent[3], Untagged);
}

PtyTagFilter::PtyTagFilter(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  start.setOutCount(2);
  for (size_t i = 0; i < finders.size(); ++i) RemoveBlocks(finders[i], "<PTY" + std::to_string(i));
  afterY.charText = "Y";
  beforeEnd.charText = ">";
  report.setOutCount(2);
  // A reported value is never empty (it begins with the mark's digit); nothing found is null.
  Compare(seen, THIIf_else::GreaterEqual, TData::Str(""));

  work<&THIHub::doEvent>(Text, start);
  link<&THIMemory::doClear>(start.onEvent[0], found);
  link<&THIBlockFind::doSearch>(start.onEvent[1], finders[0]);
  for (size_t i = 0; i < finders.size(); ++i) {
    if (i + 1 < finders.size()) link<&THIBlockFind::doSearch>(finders[i].onSearch, finders[i + 1]);
    link<&THIStrPart::doSplit>(finders[i].onBlock, afterY);
  }
  link<&THIStrPart::doSplit>(afterY.onRight, beforeEnd);
  link<&THIMemory::doValue>(beforeEnd.onLeft, found);
  link<&THIHub::doEvent>(finders.back().onSearch, report);
  link<&THIIf_else::doCompare>(report.onEvent[0], seen);
  link<&THIMemory::Value>(seen.Op1, found);
  link<&THIDoData::doData>(seen.onTrue, value);
  link<&THIMemory::Value>(value.Data, found);
  out(value.onEventData, PtyValue);
  out(report.onEvent[1], Untagged);
}

}  // namespace hi
