// What the element tests share: a probe element that logs what reaches it and answers reads, and
// a fixture that calls points the way links do.
#pragma once

#include <gtest/gtest.h>

#include <deque>
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
    const uint8_t t = p->baseType();
    if (t == dtNull) {
      out += "null";
    } else {
      out += t == dtInteger ? "i:" : t == dtString ? "s:" : t == dtReal ? "r:" : "?:";
      out += ToString(*p);
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
  // A probe that logs what `event` fires, or answers reads of `point` with `value`.
  Probe& Sink(TLink& event, std::string name) {
    Probe& p = probes_.emplace_back(std::move(name));
    link<&Probe::doLog>(event, p);
    return p;
  }
  Probe& Source(TLink& point, TData value, std::string name) {
    Probe& p = probes_.emplace_back(std::move(name));
    p.answer = std::move(value);
    link<&Probe::Value>(point, p);
    return p;
  }
  using Log = std::vector<std::string>;

 private:
  std::deque<Probe> probes_;
};

}  // namespace hi::probe
