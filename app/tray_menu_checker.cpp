#include "app/tray_menu_checker.h"

#include "encoder/wiring.h"

namespace hi {

TrayMenuChecker::TrayMenuChecker(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  for (uint16_t k = 0; k < kItems; ++k) {
    IsOne(on[k]);
    checked[k].data = TData::Int(1);
    unchecked[k].data = TData::Int(0);
    pairs[k].data = TData::Int(2 + k);  // the items Dynamic PS, Dynamic RT, TP, TA

    work<&THIIf_else::doCompare>(k, on[k]);
    link<&THIDoData::doData>(on[k].onTrue, checked[k]);
    link<&THIDoData::doData>(on[k].onFalse, unchecked[k]);
    link<&THIMT_Add::doAdd>(checked[k].onEventData, pairs[k]);
    link<&THIMT_Add::doAdd>(unchecked[k].onEventData, pairs[k]);
    out(pairs[k].onAdd, CheckMark);
  }
}

}  // namespace hi
