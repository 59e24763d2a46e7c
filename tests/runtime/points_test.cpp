#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/runtime.h"

using namespace hi;

namespace {

// Records every call it receives; can fire, forward and read on demand.
class Probe : public TDebug {
 public:
  explicit Probe(std::vector<std::string>* log, std::string name)
      : log_(log), name_(std::move(name)) {}
  TLink onOut, onSecond, In1, In2;
  std::string fixed;
  bool answerNoData = false;

  void doRecord(TData& d, uint16_t index) {
    log_->push_back(name_ + ":" + ToString(d) + (index ? "#" + std::to_string(index) : ""));
  }
  // Fires onOut with "emitted", then forwards "forwarded" to onSecond.
  void doEmitThenForward(TData& d, uint16_t) {
    EmitString(onOut, "emitted");
    ForwardString(d, onSecond, "forwarded");
  }
  void doReadTwo(TData& d, uint16_t) {
    std::string a = ReadString(d, In1);
    std::string b = ReadString(d, In2);
    log_->push_back(a + "|" + b + "|rest=" + ToString(d));
  }
  void Value(TData& d, uint16_t) {
    if (answerNoData) {
      d.type = dtNoData;
    } else {
      d = TData::Str(fixed);
    }
  }

 private:
  std::vector<std::string>* log_;
  std::string name_;
};

TData Chain(std::initializer_list<const char*> items) {
  TData head;
  for (const char* s : items) AppendChain(head, TData::Str(s));
  return head;
}

}  // namespace

TEST(Firing, ForwardRunsAfterTheWholeEmittedCascade) {
  SetLoopsLive(true);
  std::vector<std::string> log;
  Probe source(&log, "src"), first(&log, "first"), second(&log, "second"), deeper(&log, "deep"),
      last(&log, "last");
  TLink start;
  link<&Probe::doEmitThenForward>(start, source);
  link<&Probe::doEmitThenForward>(source.onOut, first);  // first emits into deeper, forwards on
  link<&Probe::doRecord>(first.onOut, deeper);
  link<&Probe::doRecord>(first.onSecond, second);
  link<&Probe::doRecord>(source.onSecond, last);

  TData d = TData::Str("x");
  Fire(start, d);
  EXPECT_EQ(log, (std::vector<std::string>{"deep:emitted", "second:forwarded", "last:forwarded"}));
  // The caller's record holds the forwarded value afterwards.
  EXPECT_EQ(d.baseType(), dtString);
  EXPECT_EQ(d.text, "forwarded");
  EXPECT_EQ(d.type & dtForward, 0);
}

TEST(Firing, InertLoopsFireAndReadNothing) {
  std::vector<std::string> log;
  Probe a(&log, "a"), b(&log, "b");
  b.fixed = "answer";
  TLink ev, point;
  link<&Probe::doRecord>(ev, a);
  link<&Probe::Value>(point, b);
  EmitInt(ev, 1);
  TData in = TData::Str("incoming");
  EXPECT_EQ(ReadString(in, point), "");
  EXPECT_EQ(ReadInteger(in, point, 7), 0);
  EXPECT_TRUE(log.empty());
  SetLoopsLive(true);
  EmitInt(ev, 2);
  EXPECT_EQ(ReadString(in, point), "answer");
  EXPECT_EQ(log, std::vector<std::string>{"a:2"});
}

TEST(Reading, UnlinkedInputsConsumeAnIncomingChainOnePerRead) {
  SetLoopsLive(true);
  std::vector<std::string> log;
  Probe p(&log, "p");
  TLink start;
  link<&Probe::doReadTwo>(start, p);
  TData d = Chain({"one", "two", "three"});
  Fire(start, d);
  EXPECT_EQ(log, std::vector<std::string>{"one|two|rest=three"});
  EXPECT_EQ(d.chainLength(), 1u);
}

TEST(Reading, DefaultRuleOrder) {
  SetLoopsLive(true);
  std::vector<std::string> log;
  Probe reader(&log, "r"), source(&log, "s");
  TLink unlinked;

  TData nine = TData::Int(9);
  EXPECT_EQ(ReadInteger(nine, unlinked, 5), 5);  // a set default wins
  EXPECT_EQ(nine.integer, 9);                    // and the incoming value is left alone
  EXPECT_EQ(ReadInteger(nine, unlinked, 0), 9);  // an unset default takes the incoming value
  EXPECT_TRUE(nine.isNull());

  TData null;
  EXPECT_EQ(ReadString(null, unlinked), "");
  EXPECT_EQ(ReadReal(null, unlinked), 0.0);

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

  // ReadValue cuts the rest of a chain; ReadChain takes it whole and leaves the record null.
  TData chain = Chain({"a", "b"});
  TData v = ReadValue(chain, unlinked);
  EXPECT_EQ(v.text, "a");
  EXPECT_EQ(v.next, nullptr);
  EXPECT_EQ(chain.text, "b");
  TData whole = Chain({"a", "b", "c"});
  TData taken = ReadChain(whole, unlinked);
  EXPECT_EQ(taken.chainLength(), 3u);
  EXPECT_TRUE(whole.isNull());
  EXPECT_EQ(whole.next, nullptr);

  EXPECT_EQ(ReadRaw(unlinked).type, dtNoData);
}

TEST(Chains, CopiesAreDeepAndAppendTakesANullTargetInPlace) {
  TData a = Chain({"x", "y"});
  TData b = a;
  b.next->text = "changed";
  EXPECT_EQ(a.next->text, "y");
  a = *a.next;  // assigning a record a member of its own chain
  EXPECT_EQ(a.text, "y");
  EXPECT_EQ(a.chainLength(), 1u);

  TData target;
  AppendChain(target, Chain({"1", "2"}));
  AppendChain(target, TData::Int(3));
  ASSERT_EQ(target.chainLength(), 3u);
  EXPECT_EQ(target.text, "1");
  EXPECT_EQ(target.next->next->integer, 3);
  FreeChain(target);
  EXPECT_EQ(target.chainLength(), 1u);

  TData longChain = TData::Int(0);
  TData* tail = &longChain;
  for (int i = 1; i < 200000; ++i) {
    tail->next = std::make_unique<TData>(TData::Int(i));
    tail = tail->next.get();
  }
  TData copy = longChain;  // neither copying nor freeing may recurse per value
  EXPECT_EQ(copy.chainLength(), 200000u);
}
