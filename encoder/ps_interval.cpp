#include "encoder/ps_interval.h"

#include "encoder/wiring.h"

namespace hi {

PsInterval::PsInterval(TOuterSide& owner, ControlParent parent, const char* key, const char* dsMask)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  list.setBounds(243, 138, 70, 21);
  list.setItems(
      "1 sec\r\n1,5 sec\r\n2 sec\r\n2,5 sec\r\n3 sec\r\n3,5 sec\r\n4 sec\r\n4,5 sec\r\n5 sec");
  Compare(chosen, THIIf_else::GreaterEqual, TData::Int(0));
  toValue.op2 = 2;
  changed.setOutCount(2);
  StoredSetting(setting, protocol::kRdsSettings, key, THIini::Integer);
  toPosition.op2 = 2;
  pending.setDefault(TData::Int(0));
  addPending.op2 = 1;
  removePending.op2 = 1;
  owed.setOutCount(2);
  IsOne(firstOwed);
  Compare(stillOwed, THIIf_else::GreaterEqual, TData::Int(1));
  timer.setInterval(300);
  timer.setCount(1);
  due.setOutCount(2);
  Compare(known, THIIf_else::GreaterEqual, TData::Int(2));
  dsLine.mask = dsMask;
  dsLine.setDataCount(1);

  work<&THIini::doRead>(Load, setting);
  work<&THIHub::doEvent>(PsSent, owed);
  out(dsLine.onFString, DsLine);

  // The list reports -1 for a stored interval it does not hold: that leaves no interval rather
  // than one the encoder does not take, and nothing is written back.
  link<&THIIf_else::doCompare>(list.onChange, chosen);
  link<&THIIf_else::doCompare>(list.onSelect, chosen);
  link<&THIMath::doAdd>(chosen.onTrue, toValue);
  link<&THIMemory::doClear>(chosen.onFalse, value);
  link<&THIHub::doEvent>(toValue.onResult, changed);
  link<&THIMemory::doValue>(changed.onEvent[0], value);
  link<&THIini::doWrite>(changed.onEvent[1], setting);
  link<&THIMath::doSub>(setting.onRead, toPosition);
  link<&THIComboBox::doSelect>(toPosition.onResult, list);

  // Every PS line is owed its DS line. The one-shot timer starts with the first one owed and
  // starts again after each tick while more are owed, so quick clicks neither lose a DS line nor
  // send one sooner than 300 ms after its PS line.
  link<&THIMath::doAdd>(owed.onEvent[0], addPending);
  link<&THIMemory::Value>(addPending.Op1, pending);
  link<&THIMemory::doValue>(addPending.onResult, pending);
  link<&THIIf_else::doCompare>(owed.onEvent[1], firstOwed);
  link<&THIMemory::Value>(firstOwed.Op1, pending);
  link<&THITimer::doStart>(firstOwed.onTrue, timer);
  link<&THIHub::doEvent>(timer.onTimer, due);
  link<&THIIf_else::doCompare>(due.onEvent[0], known);
  link<&THIMemory::Value>(known.Op1, value);
  link<&THIFormatStr::doString>(known.onTrue, dsLine);
  link<&THIMemory::Value>(dsLine.Str[1], value);
  link<&THIMath::doSub>(due.onEvent[1], removePending);
  link<&THIMemory::Value>(removePending.Op1, pending);
  link<&THIMemory::doValue>(removePending.onResult, pending);
  link<&THIIf_else::doCompare>(timer.onStop, stillOwed);
  link<&THIMemory::Value>(stillOwed.Op1, pending);
  link<&THITimer::doStart>(stillOwed.onTrue, timer);
}

}  // namespace hi
