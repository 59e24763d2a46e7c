#include "encoder/function_selector.h"

#include <string>

namespace hi {

namespace {
// The marker's tops, one line per item, as its string list holds them.
std::string MarkerTops() {
  std::string tops;
  for (const protocol::FunctionRow& row : protocol::kFunctionRows)
    tops += (tops.empty() ? "" : "\r\n") + std::to_string(row.top);
  return tops;
}
}  // namespace

FunctionSelector::FunctionSelector(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(10, 10, 125, 200);
  marker.setBounds(10, 13, 20, 20);
  marker.setPicture(":/pictures/marker.png");
  for (const protocol::FunctionRow& row : protocol::kFunctionRows) {
    THILabel& item = items[row.id];
    item.setBounds(35, row.top, row.width, 18);
    item.setCaption(row.caption);
    if (*row.hint) item.setHint(row.hint);
    link<&THIChanelToIndex::doWork>(item.onClick, clicked, row.id);
  }
  clicked.count = kItems;
  choose.setOutCount(2);
  markerTops.setStrings(MarkerTops());
  showPagedPs.setOutCount(2);

  work<&THIHub::doEvent>(ShowPagedPs, showPagedPs);
  link<&THILabel::doVisible>(showPagedPs.onEvent[0], items[protocol::ScrollingPs]);
  link<&THILabel::doVisible>(showPagedPs.onEvent[1], items[protocol::PagePs]);
  work<&THILabel::doVisible>(ShowPs, items[protocol::Ps]);
  work<&THILabel::doVisible>(ShowAf, items[protocol::Af]);

  link<&THIHub::doEvent>(clicked.onIndex, choose);
  out(choose.onEvent[0], Chosen);
  link<&THIStrList::doGetString>(choose.onEvent[1], markerTops);
  link<&THIImage::doPosition>(markerTops.onGetString, marker);
}

}  // namespace hi
