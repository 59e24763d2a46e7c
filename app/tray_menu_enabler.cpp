#include "app/tray_menu_enabler.h"

namespace hi {

TrayMenuEnabler::TrayMenuEnabler(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  on.data = TData::Int(1);
  off.data = TData::Int(0);
  items.setOutCount(kItems);

  work<&THIDoData::doData>(Disconnected, off);
  work<&THIDoData::doData>(Connected, on);
  work<&THIDoData::doData>(StartUp, off);
  link<&THIHub::doEvent>(on.onEventData, items);
  link<&THIHub::doEvent>(off.onEventData, items);
  for (uint16_t k = 0; k < kItems; ++k) {
    pairs[k].data = TData::Int(2 + k);  // Dynamic PS, Dynamic RT, TP, TA
    link<&THIMT_Add::doAdd>(items.onEvent[k], pairs[k]);
    out(pairs[k].onAdd, Enabled);
  }
}

}  // namespace hi
