// Elements that shape the flow of values: fan-out, memory, constants, routing by index,
// comparison, switching, loops, counters, and building or splitting multi-value chains.
//
// Array points are 0-based: entry i is channel i (`hub.onEvent[0]` is the first output).
// Properties whose setting has effects are set with setters; the rest are plain fields.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/runtime.h"

namespace hi {

// Fires every output in index order, each with its own copy of the value; any number of events
// may lead to it. The one way to fan out.
class THIHub : public TDebug {
 public:
  THIHub() { setOutCount(2); }
  void setOutCount(int n);
  int outCount() const { return static_cast<int>(onEvent.size()); }

  TLinks onEvent;
  void doEvent(TData& data, uint16_t index);
};

class THIMemory : public TDebug {
 public:
  TData value;
  // Also puts the default into `value`, so the memory starts out holding it.
  void setDefault(const TData& d);
  const TData& defaultValue() const { return default_; }

  TLink onData;
  TLink Data;
  void doValue(TData& data, uint16_t index);
  void doClear(TData& data, uint16_t index);
  void Value(TData& data, uint16_t index);

 private:
  TData default_;
};

// Sends its constant (or what `Data` reads); the incoming value is never used.
class THIDoData : public TDebug {
 public:
  TData data;
  TLink onEventData;
  TLink Data;
  void doData(TData& data, uint16_t index);
};

class THIGetData : public TDebug {
 public:
  TLink Data;
  void Value(TData& data, uint16_t index);
};

class THIGetIndexData : public TDebug {
 public:
  THIGetIndexData() { setCount(0); }
  // Sizes `Data` and forgets the selection.
  void setCount(int n);
  int count() const { return static_cast<int>(Data.size()); }
  int32_t index = -1;

  TLink onIndex;
  TLinks Data;
  void doIndex(TData& data, uint16_t index);
  void Value(TData& data, uint16_t index);
};

class THIIndexToChanel : public TDebug {
 public:
  void setCount(int n);
  int count() const { return static_cast<int>(onEvent.size()); }
  TData data;

  TLinks onEvent;
  TLink Data, Index;
  void doEvent(TData& data, uint16_t index);
};

// Each input link carries its channel number as the link index.
class THIChanelToIndex : public TDebug {
 public:
  TData lastValue;
  int32_t count = 2;

  TLink onIndex;
  void doWork(TData& data, uint16_t index);
};

class THIIf_else : public TDebug {
 public:
  enum CompareType : uint8_t {
    Equal = 0,
    Less = 1,  // Op1 below Op2
    Greater = 2,
    LessEqual = 3,
    GreaterEqual = 4,
    NotEqual = 5,
  };
  uint8_t type = Equal;
  TData op1, op2;

  TLink onTrue, onFalse;
  TLink Op2, Op1;
  void doCompare(TData& data, uint16_t index);
};

class THISwitch : public TDebug {
 public:
  uint8_t state = 0;  // 1 on, 0 off
  TData current;
  TData dataOn, dataOff;
  // 0 starts the switch on (holding dataOn), 1 starts it off (holding dataOff); set dataOn and
  // dataOff first.
  void setDefault(int d);

  TLink onOff, onOn, onSwitch;
  TLink DataOff, DataOn;
  void doSwitch(TData& data, uint16_t index);
  void doOn(TData& data, uint16_t index);
  void doOff(TData& data, uint16_t index);
};

class THIFor : public TDebug {
 public:
  int32_t position = 0;
  int32_t start = 0, end = 0, step = 1;
  uint8_t includeEnd = 0;
  uint8_t keepData = 0;

  TLink onEvent, onStop;
  TLink End, Start;
  void doFor(TData& data, uint16_t index);
  void Position(TData& data, uint16_t index);
};

class THICounter : public TDebug {
 public:
  int32_t count = 0;
  int32_t min = 0, max = 0, step = 1;
  uint8_t direction = 0;  // 0 counts up, 1 counts down

  TLink onCounter;
  TLink Min, Max, Step;
  void doNext(TData& data, uint16_t index);
  void doReset(TData& data, uint16_t index);
  void doMax(TData& data, uint16_t index);
  void doMin(TData& data, uint16_t index);
  void doStep(TData& data, uint16_t index);
  void Count(TData& data, uint16_t index);
};

// Splits a text at every delimiter into a chain of strings.
class THIMT_String : public TDebug {
 public:
  // Takes the first character of `text`, or NUL for the empty text.
  void setChar(const std::string& text) { char_ = text.empty() ? '\0' : text[0]; }
  char delimiter() const { return char_; }

  TLink onResult;
  TLink Str;
  void doSplit(TData& data, uint16_t index);

 private:
  char char_ = '\0';
};

// Appends the incoming chain to its own values.
class THIMT_Add : public TDebug {
 public:
  TData data;
  TLink onAdd;
  TLink Data;
  void doAdd(TData& data, uint16_t index);
};

}  // namespace hi
