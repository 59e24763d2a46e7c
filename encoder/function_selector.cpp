#include "encoder/function_selector.h"

namespace hi {

namespace {
struct ItemPlace {
  const char* caption;
  const char* hint;
  int top, width;
};
constexpr ItemPlace kPlaces[FunctionSelector::kItems] = {
    {"PI", "Program Identification", 13, 28},
    {"Scrolling PS", "Scrolling Program Service", 36, 83},
    {"Page PS", "Page Program Service", 59, 63},
    {"RT", "Radio Text", 82, 28},
    {"PTY", "Program Type", 105, 33},
    {"DI", "Decoder Identification", 128, 28},
    {"TP,TA,M/S", "", 151, 73},
    {"PS", "Program Service", 36, 83},
    {"AF", "Alternative Frequencies", 174, 83},
};
}  // namespace

FunctionSelector::FunctionSelector(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(10, 10, 125, 200);
  marker.setBounds(10, 13, 20, 20);
  marker.setPicture(":/pictures/marker.png");
  for (int i = 0; i < kItems; ++i) {
    items[i].setBounds(35, kPlaces[i].top, kPlaces[i].width, 18);
    items[i].setCaption(kPlaces[i].caption);
    if (*kPlaces[i].hint) items[i].setHint(kPlaces[i].hint);
    link<&THIChanelToIndex::doWork>(items[i].onClick, clicked, static_cast<uint16_t>(i));
  }
  clicked.count = kItems;
  choose.setOutCount(2);
  markerTops.setStrings("13\r\n36\r\n59\r\n82\r\n105\r\n128\r\n151\r\n36\r\n174");
  showPagedPs.setOutCount(2);

  work<&THIHub::doEvent>(ShowPagedPs, showPagedPs);
  link<&THILabel::doVisible>(showPagedPs.onEvent[0], items[ScrollingPS]);
  link<&THILabel::doVisible>(showPagedPs.onEvent[1], items[PagePS]);
  work<&THILabel::doVisible>(ShowPs, items[PS]);
  work<&THILabel::doVisible>(ShowAf, items[AF]);

  link<&THIHub::doEvent>(clicked.onIndex, choose);
  out(choose.onEvent[0], Chosen);
  link<&THIStrList::doGetString>(choose.onEvent[1], markerTops);
  link<&THIImage::doPosition>(markerTops.onGetString, marker);
}

}  // namespace hi
