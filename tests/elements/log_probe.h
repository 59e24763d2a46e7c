// Shared by the element tests: a probe that logs what reaches it and answers reads, and a fixture
// that calls points the way links do.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace hi::probe {

using D = TData;
using Log = std::vector<std::string>;
inline Log gLog;

// "i:5", "s:ab", "r:4.5", "null"; chains joined by " | ".
inline std::string Show(const TData& d) {
  std::string out;
  for (const TData* p = &d; p; p = p->next.get()) {
    const uint8_t t = p->baseType();
    const char* tag = t == dtInteger ? "i:" : t == dtString ? "s:" : t == dtReal ? "r:" : "?:";
    out += (out.empty() ? "" : " | ") + (t == dtNull ? "null" : tag + ToString(*p));
  }
  return out;
}

// Logs "name value"; answers reads with `answer`, logging "read name".
struct Probe : TDebug {
  explicit Probe(std::string n) : name(std::move(n)) {}
  std::string name;
  TData answer;
  void doLog(TData& d, uint16_t) { gLog.push_back(name + " " + Show(d)); }
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
  // Calls an input through a link; returns what the caller's record holds afterwards.
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
  // Probes logging what events fire, and answering reads of `point` with `value`.
  Probe& Sink(TLink& event, std::string name) {
    Probe& p = probes_.emplace_back(std::move(name));
    link<&Probe::doLog>(event, p);
    return p;
  }
  void Sinks(std::initializer_list<std::pair<TLink*, const char*>> events) {
    for (auto [event, name] : events) Sink(*event, name);
  }
  Probe& Source(TLink& point, TData value, std::string name) {
    Probe& p = probes_.emplace_back(std::move(name));
    p.answer = std::move(value);
    link<&Probe::Value>(point, p);
    return p;
  }

 private:
  std::deque<Probe> probes_;
};

}  // namespace hi::probe
