#include "elements/flow.h"

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;
using Flow = ElementTest;

TEST_F(Flow, HubFiresOutputsInOrderEachWithItsOwnCopy) {
  THIHub hub;
  hub.setOutCount(3);
  Sinks({{&hub.onEvent[0], "a"}, {&hub.onEvent[1], "b"}, {&hub.onEvent[2], "c"}});
  // A consumer popping its value must not starve the next output.
  Call<&THIHub::doEvent>(hub, Chain({D::Str("x"), D::Str("y")}), 1);
  EXPECT_EQ(gLog, (Log{"a s:x | s:y", "b s:x | s:y", "c s:x | s:y"}));
}

TEST_F(Flow, MemoryTakesOneValueAndClearsToItsDefault) {
  THIMemory mem;
  mem.setDefault(D::Int(7));
  Sink(mem.onData, "mem");
  Call<&THIMemory::doValue>(mem, Chain({D::Str("a"), D::Str("b")}));  // first value only
  Call<&THIMemory::doClear>(mem, D::Str("ignored"));
  Source(mem.Data, D::Real(1.5), "src");
  Call<&THIMemory::doValue>(mem, D::Str("ignored"));
  EXPECT_EQ(gLog, (Log{"mem s:a", "mem i:7", "read src", "mem r:1.5"}));
}

TEST_F(Flow, IndexedReadsAndRouting) {
  THIGetIndexData gid;
  gid.setCount(4);
  Source(gid.Data[2], D::Str("v2"), "src");
  Sink(gid.onIndex, "idx");
  Call<&THIGetIndexData::doIndex>(gid, D::Int(2));
  EXPECT_EQ(Show(ReadPoint<&THIGetIndexData::Value>(gid)), "s:v2");
  Call<&THIGetIndexData::doIndex>(gid, D::Int(7));  // out of range: no value, 7 still sent
  EXPECT_TRUE(ReadPoint<&THIGetIndexData::Value>(gid).isNull());
  EXPECT_EQ(gLog, (Log{"idx i:2", "read src", "idx i:7"}));

  THIIndexToChanel itc;
  itc.setCount(2);
  THIChanelToIndex cti;
  for (uint16_t i : {0, 1}) link<&THIChanelToIndex::doWork>(itc.onEvent[i], cti, i);
  Sink(cti.onIndex, "chan");
  gLog.clear();
  // Index is read before Data, so an incoming chain gives the index first; 2 and -1 go nowhere.
  for (int32_t i : {1, 2, -1})
    Call<&THIIndexToChanel::doEvent>(itc, Chain({D::Int(i), D::Str("p" + std::to_string(i))}));
  EXPECT_EQ(Show(cti.lastValue), "s:p1");
  EXPECT_EQ(gLog, (Log{"chan i:1"}));
}

TEST_F(Flow, IfElseComparesInTheTypeOfOp1) {
  THIIf_else cmp;
  Sinks({{&cmp.onTrue, "true"}, {&cmp.onFalse, "false"}});
  auto holds = [&](uint8_t type, TData a, TData b) {
    cmp.type = type, cmp.op1 = std::move(a), cmp.op2 = std::move(b);
    gLog.clear();
    Call<&THIIf_else::doCompare>(cmp);
    return gLog == Log{"true null"};
  };
  using C = THIIf_else;
  EXPECT_FALSE(holds(C::Equal, D::Str("ab"), D::Str("AB")));     // exact
  EXPECT_TRUE(holds(C::LessEqual, D::Str("ab"), D::Str("AB")));  // case folded
  EXPECT_TRUE(holds(C::Less, D::Str("abc"), D::Str("ABD")));
  EXPECT_TRUE(holds(C::Equal, D::Str("12"), D::Int(12)));
  EXPECT_TRUE(holds(C::Greater, D::Int(10), D::Str("9x")));
  EXPECT_TRUE(holds(C::Equal, D::Int(4), D::Real(3.5)));
  EXPECT_TRUE(holds(C::GreaterEqual, D::Real(2.5), D::Str("2.5")));
  EXPECT_FALSE(holds(9, D::Int(1), D::Int(1)));
  for (uint8_t t = C::Equal; t <= C::NotEqual; ++t) {
    EXPECT_TRUE(holds(t, D(), D())) << int{t};
    EXPECT_FALSE(holds(t, D(), D::Int(0))) << int{t};
  }
  // Unset operands take the chain, Op1 first; the chain travels on unchanged.
  holds(C::Less, D(), D());
  Call<&THIIf_else::doCompare>(cmp, Chain({D::Int(2), D::Int(1)}));
  EXPECT_EQ(gLog.back(), "false i:2 | i:1");
}

TEST_F(Flow, SwitchFiresSwitchThenOnOrOff) {
  THISwitch sw;
  sw.dataOn = D::Str("ON");
  sw.dataOff = D::Str("OFF");
  Sinks({{&sw.onOn, "on"}, {&sw.onOff, "off"}, {&sw.onSwitch, "switch"}});
  Call<&THISwitch::doOff>(sw);  // already off
  Call<&THISwitch::doOn>(sw);
  Call<&THISwitch::doOn>(sw);  // already on
  Call<&THISwitch::doSwitch>(sw);
  EXPECT_EQ(gLog, (Log{"switch s:ON", "on s:ON", "switch s:OFF", "off s:OFF"}));
}

TEST_F(Flow, ForLoopsBothWaysAndEndsAtTheIntegerLimit) {
  THIFor loop;
  Sinks({{&loop.onEvent, "ev"}, {&loop.onStop, "stop"}});
  auto run = [&](int32_t start, int32_t end, int32_t step, uint8_t includeEnd, TData in = {}) {
    loop.start = start, loop.end = end, loop.step = step, loop.includeEnd = includeEnd;
    Call<&THIFor::doFor>(loop, std::move(in));
  };
  run(0, 3, 1, 0, D::Int(99));  // the incoming value must not become Start
  run(0, 3, 1, 1);
  run(3, 0, -2, 0);
  EXPECT_EQ(gLog, (Log{"ev i:0", "ev i:1", "ev i:2", "stop i:3", "ev i:0", "ev i:1", "ev i:2",
                       "ev i:3", "stop i:4", "ev i:3", "ev i:1", "stop i:-1"}));
  gLog.clear();
  run(INT32_MAX - 1, INT32_MAX, 1, 1);
  EXPECT_EQ(gLog.size(), 3u);
}

TEST_F(Flow, CounterWrapsToTheOppositeBound) {
  THICounter c;
  c.max = c.count = 2;
  Sink(c.onCounter, "n");
  Call<&THICounter::doNext>(c);
  Call<&THICounter::doNext>(c);
  c.direction = 1;
  c.step = 2;
  Call<&THICounter::doNext>(c);  // 1 - 2 is below Min: jumps to Max
  EXPECT_EQ(gLog, (Log{"n i:0", "n i:1", "n i:2"}));
  Call<&THICounter::doMin>(c, D::Str("-3"));
  c.direction = 0;
  c.max = c.count = INT32_MAX;
  c.step = 1;
  Call<&THICounter::doNext>(c);  // no overflow: past Max, so Min
  EXPECT_EQ(c.count, -3);
}

TEST_F(Flow, ChainsAreSplitAndAppended) {
  THIMT_String split;
  split.setChar(";x");
  Sink(split.onResult, "split");
  for (const char* s : {"a;;b", "plain", "", "a;"}) Call<&THIMT_String::doSplit>(split, D::Str(s));
  THIMT_Add add;
  Sink(add.onAdd, "add");
  add.data = Chain({D::Int(1), D::Int(2)});
  TData after = Call<&THIMT_Add::doAdd>(add, Chain({D::Str("x"), D::Str("y")}));
  EXPECT_EQ(Show(after), "s:x | s:y");  // the caller's chain is left alone
  EXPECT_EQ(gLog, (Log{"split s:a | s: | s:b", "split s:plain",
                       "split s:", "split s:a | s:", "add i:1 | i:2 | s:x | s:y"}));
}
