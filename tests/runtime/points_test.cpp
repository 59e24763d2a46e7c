#include <gtest/gtest.h>

#include "runtime/runtime.h"

using namespace hi;

namespace {

std::vector<std::string> gLog;

// Records what reaches it; fires and forwards on demand; answers reads with `fixed`.
struct Probe : TDebug {
  explicit Probe(std::string n = "") : name(std::move(n)) {}
  std::string name, fixed;
  TLink onOut, onSecond;
  bool answerNoData = false;
  void doRecord(TData& d, uint16_t) { gLog.push_back(name + ":" + ToString(d)); }
  // Fires onOut with "emitted", then forwards "forwarded" to onSecond.
  void doEmitThenForward(TData& d, uint16_t) {
    EmitString(onOut, "emitted");
    ForwardString(d, onSecond, "forwarded");
  }
  void Value(TData& d, uint16_t) {
    if (answerNoData)
      d.type = dtNoData;
    else
      d = TData::Str(fixed);
  }
};

TData Chain(std::initializer_list<const char*> items) {
  TData head;
  for (const char* s : items) AppendChain(head, TData::Str(s));
  return head;
}

}  // namespace

TEST(Firing, ForwardRunsAfterTheWholeEmittedCascadeAndInertLoopsDoNothing) {
  gLog.clear();
  Probe source("src"), first("first"), second("second"), deeper("deep"), last("last");
  TLink start, point;
  link<&Probe::doEmitThenForward>(start, source);
  link<&Probe::doEmitThenForward>(source.onOut, first);  // first emits into deeper, forwards on
  link<&Probe::doRecord>(first.onOut, deeper);
  link<&Probe::doRecord>(first.onSecond, second);
  link<&Probe::doRecord>(source.onSecond, last);
  link<&Probe::Value>(point, source);
  source.fixed = "answer";

  TData d = TData::Str("x");
  Fire(start, d);
  EXPECT_EQ(ReadString(d, point), "");
  EXPECT_EQ(ReadInteger(d, point, 7), 0);
  EXPECT_TRUE(gLog.empty());

  SetLoopsLive(true);
  Fire(start, d);
  EXPECT_EQ(gLog, (std::vector<std::string>{"deep:emitted", "second:forwarded", "last:forwarded"}));
  // The caller's record holds the forwarded value afterwards.
  EXPECT_EQ(d.text, "forwarded");
  EXPECT_EQ(d.type & dtForward, 0);
  EXPECT_EQ(ReadString(d, point), "answer");
}

TEST(Reading, DefaultRuleOrder) {
  SetLoopsLive(true);
  Probe source;
  TLink unlinked;

  TData nine = TData::Int(9);
  EXPECT_EQ(ReadInteger(nine, unlinked, 5), 5);  // a set default wins
  EXPECT_EQ(nine.integer, 9);                    // and the incoming value is left alone
  EXPECT_EQ(ReadInteger(nine, unlinked, 0), 9);  // an unset default takes the incoming value
  EXPECT_TRUE(nine.isNull());

  // A linked point wins over default and incoming value; a no-data answer counts as unlinked.
  TLink point;
  link<&Probe::Value>(point, source);
  source.fixed = "42";
  TData in = TData::Str("in");
  EXPECT_EQ(ReadInteger(in, point, 5), 42);
  EXPECT_EQ(in.text, "in");
  source.answerNoData = true;
  EXPECT_EQ(ReadInteger(in, point, 5), 5);
  EXPECT_EQ(ReadString(in, point), "in");
  EXPECT_TRUE(in.isNull());

  // ReadChain takes a chain whole and leaves the record null.
  TData whole = Chain({"a", "b", "c"});
  TData taken = ReadChain(whole, unlinked);
  EXPECT_EQ(taken.chainLength(), 3u);
  EXPECT_TRUE(whole.isNull());
  EXPECT_EQ(whole.next, nullptr);
}

TEST(Chains, CopiesAreDeepAndNeverRecurse) {
  TData a = Chain({"x", "y"});
  TData b = a;
  b.next->text = "changed";
  EXPECT_EQ(a.next->text, "y");
  a = *a.next;  // assigning a record a member of its own chain
  EXPECT_EQ(a.text, "y");
  EXPECT_EQ(a.chainLength(), 1u);

  TData longChain = TData::Int(0);
  TData* tail = &longChain;
  for (int i = 1; i < 200000; ++i) {
    tail->next = std::make_unique<TData>(TData::Int(i));
    tail = tail->next.get();
  }
  TData copy = longChain;  // neither copying nor freeing may recurse per value
  EXPECT_EQ(copy.chainLength(), 200000u);
}

// A second link on one point would silently drop the first; a channel outside an array point
// would write past it. Both stop the program while it is wired.
TEST(WiringDeathTest, ASecondLinkOrAChannelOutsideThePointStopsTheWiring) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Probe source("src"), first("first"), second("second");
  link<&Probe::doRecord>(source.onOut, first);
  EXPECT_DEATH_IF_SUPPORTED(link<&Probe::doRecord>(source.onOut, second), "linked twice");
  TLinks outputs(2);
  link<&Probe::doRecord>(outputs[1], second);
  EXPECT_DEATH_IF_SUPPORTED(link<&Probe::doRecord>(outputs[2], second), "out of range");
  EXPECT_DEATH_IF_SUPPORTED(outputs.at(5), "out of range");
}
