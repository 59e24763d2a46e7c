// What the element tests share: a probe element that logs what reaches it and answers reads, and
// a fixture that calls points the way links do.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace hi::probe {

inline std::vector<std::string> gLog;

// A value as the log shows it: "i:5", "s:ab", "r:4.5", "null"; chains joined by " | ".
inline std::string Show(const TData& d) {
  std::string out;
  for (const TData* p = &d; p; p = p->next.get()) {
    if (!out.empty()) out += " | ";
    switch (p->baseType()) {
      case dtInteger:
        out += "i:" + ToString(*p);
        break;
      case dtString:
        out += "s:" + p->text;
        break;
      case dtReal:
        out += "r:" + ToString(*p);
        break;
      case dtNull:
        out += "null";
        break;
      default:
        out += "t" + std::to_string(p->baseType());
    }
  }
  return out;
}

// Logs what reaches it ("name value"); answers reads with `answer`, logging "read name".
class Probe : public TDebug {
 public:
  explicit Probe(std::string name) : name(std::move(name)) {}
  std::string name;
  TData answer;
  TLink onNext;  // when linked, fired with "name+" after logging, to show cascade order
  void doLog(TData& d, uint16_t) {
    gLog.push_back(name + " " + Show(d));
    if (onNext.linked()) EmitString(onNext, name + "+");
  }
  void Value(TData& d, uint16_t) {
    gLog.push_back("read " + name);
    d = answer;
  }
};

inline TData Chain(std::initializer_list<TData> items) {
  TData head;
  for (const TData& v : items) AppendChain(head, v);
  return head;
}

class ElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoopsLive(true);
    gLog.clear();
  }
  // Calls an input method through a link; returns what the caller's record holds afterwards.
  template <auto M>
  TData Call(MethodOwnerOf<M>& element, TData d = {}, uint16_t index = 0) {
    TLink l;
    link<M>(l, element, index);
    Fire(l, d);
    return d;
  }
  template <auto M>
  TData ReadPoint(MethodOwnerOf<M>& element, uint16_t index = 0) {
    TLink l;
    link<M>(l, element, index);
    return ReadRaw(l);
  }
  using Log = std::vector<std::string>;
};

}  // namespace hi::probe
