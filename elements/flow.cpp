#include "elements/flow.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace hi {

namespace {
size_t Size(int n) { return static_cast<size_t>(std::max(n, 0)); }

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }
}  // namespace

void THIHub::setOutCount(int n) { onEvent.resize(Size(n)); }

void THIHub::doEvent(TData& d, uint16_t) {
  for (const TLink& out : onEvent) Emit(out, d);
}

void THIMemory::setDefault(const TData& d) {
  default_ = d;
  value = d;
}

void THIMemory::doValue(TData& d, uint16_t) {
  value = ReadValue(d, Data);
  ForwardCopy(d, onData, value);
}

void THIMemory::doClear(TData& d, uint16_t) {
  value = default_;
  ForwardCopy(d, onData, value);
}

void THIMemory::Value(TData& d, uint16_t) { d = value; }

void THIDoData::doData(TData& d, uint16_t) {
  d = TData();
  TData v = ReadValue(d, Data, &data);
  ForwardCopy(d, onEventData, v);
}

void THIGetData::Value(TData& d, uint16_t) { d = ReadRaw(Data); }

void THIGetIndexData::setCount(int n) {
  Data.assign(Size(n), TLink());
  index = -1;
}

void THIGetIndexData::doIndex(TData& d, uint16_t) {
  const int32_t n = ToInteger(d);
  index = n >= 0 && n < count() ? n : -1;
  ForwardInt(d, onIndex, n);
}

void THIGetIndexData::Value(TData& d, uint16_t) {
  if (index < 0 || index >= count()) {
    d = TData();
    return;
  }
  d = ReadRaw(Data[static_cast<size_t>(index)]);
}

void THIIndexToChanel::setCount(int n) { onEvent.resize(Size(n)); }

void THIIndexToChanel::doEvent(TData& d, uint16_t) {
  const int32_t i = ReadInteger(d, Index, 0);
  TData v = ReadValue(d, Data, &data);
  d = std::move(v);
  if (i >= 0 && i < count()) ForwardSame(d, onEvent[static_cast<size_t>(i)]);
}

void THIChanelToIndex::doWork(TData& d, uint16_t index) {
  lastValue = d;
  ForwardInt(d, onIndex, index);
}

namespace {
template <class T>
bool Holds(uint8_t type, const T& a, const T& b) {
  switch (type) {
    case THIIf_else::Equal:
      return a == b;
    case THIIf_else::Less:
      return a < b;
    case THIIf_else::Greater:
      return a > b;
    case THIIf_else::LessEqual:
      return a <= b;
    case THIIf_else::GreaterEqual:
      return a >= b;
    case THIIf_else::NotEqual:
      return a != b;
    default:
      return false;
  }
}

bool Compare(uint8_t type, const TData& a, const TData& b) {
  switch (a.baseType()) {
    case dtNull:
      return b.isNull();
    case dtInteger:
      return Holds(type, a.integer, ToInteger(b));
    case dtString:
      if (type == THIIf_else::Equal) return a.text == ToString(b);
      if (type == THIIf_else::NotEqual) return a.text != ToString(b);
      return Holds(type, CompareNoCase(a.text, ToString(b)), 0);
    case dtReal:
      return Holds(type, a.real, ToReal(b));
    default:
      return false;
  }
}
}  // namespace

void THIIf_else::doCompare(TData& d, uint16_t) {
  TData incoming = d;
  TData a = ReadValue(d, Op1, &op1);
  TData b = ReadValue(d, Op2, &op2);
  ForwardCopy(d, Compare(type, a, b) ? onTrue : onFalse, incoming);
}

void THISwitch::setDefault(int d) {
  if (d == 0) {
    state = 1;
    current = dataOn;
  } else if (d == 1) {
    state = 0;
    current = dataOff;
  }
}

void THISwitch::doSwitch(TData& d, uint16_t) {
  state = static_cast<uint8_t>(1 - state);
  const bool on = state == 1;
  current = on ? ReadValue(d, DataOn, &dataOn) : ReadValue(d, DataOff, &dataOff);
  // Kept aside: the onSwitch cascade may switch again and change `current`.
  TData sent = current;
  Emit(onSwitch, sent);
  ForwardCopy(d, on ? onOn : onOff, sent);
}

void THISwitch::doOn(TData& d, uint16_t index) {
  if (state == 0) doSwitch(d, index);
}

void THISwitch::doOff(TData& d, uint16_t index) {
  if (state == 1) doSwitch(d, index);
}

void THIFor::doFor(TData& d, uint16_t) {
  if (!keepData) d = TData();
  position = ReadInteger(d, Start, start);
  int64_t e = ReadInteger(d, End, end);
  // 64-bit steps: a loop that runs up to the edge of the integer range must still end.
  int64_t p = position;
  if (step > 0) {
    if (!includeEnd) --e;
    while (p <= e) {
      EmitInt(onEvent, position);
      p += step;
      position = Wrap(p);
    }
  } else if (step < 0) {
    if (!includeEnd) ++e;
    while (p >= e) {
      EmitInt(onEvent, position);
      p += step;
      position = Wrap(p);
    }
  }
  ForwardInt(d, onStop, position);
}

void THIFor::Position(TData& d, uint16_t) { d = TData::Int(position); }

void THICounter::doNext(TData& d, uint16_t) {
  if (direction == 0) {
    const int64_t next = int64_t{count} + step;
    count = next > max ? min : Wrap(next);
  } else {
    const int64_t next = int64_t{count} - step;
    count = next < min ? max : Wrap(next);
  }
  ForwardInt(d, onCounter, count);
}

void THICounter::doReset(TData&, uint16_t) { count = direction == 0 ? min : max; }
void THICounter::doMax(TData& d, uint16_t) { max = ReadInteger(d, Max, 0); }
void THICounter::doMin(TData& d, uint16_t) { min = ReadInteger(d, Min, 0); }
void THICounter::doStep(TData& d, uint16_t) { step = ReadInteger(d, Step, 0); }
void THICounter::Count(TData& d, uint16_t) { d = TData::Int(count); }

void THIMT_String::doSplit(TData& d, uint16_t) {
  std::string work = ReadString(d, Str);
  work += char_;
  TData chain;
  TData* tail = nullptr;
  size_t from = 0;
  while (from < work.size()) {
    const size_t at = work.find(char_, from);  // always found: work ends with the delimiter
    TData item = TData::Str(work.substr(from, at - from));
    if (!tail) {
      chain = std::move(item);
      tail = &chain;
    } else {
      tail->next = std::make_unique<TData>(std::move(item));
      tail = tail->next.get();
    }
    from = at + 1;
  }
  EmitRecord(onResult, chain);
}

void THIMT_Add::doAdd(TData& d, uint16_t) {
  TData none;
  TData c = ReadChain(none, Data, &data);
  AppendChain(c, d);
  EmitRecord(onAdd, c);
}

}  // namespace hi
