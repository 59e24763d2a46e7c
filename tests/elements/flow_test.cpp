#include "elements/flow.h"

#include <string>
#include <vector>

#include "log_probe.h"

using namespace hi;

namespace {

using namespace hi::probe;

class Flow : public ElementTest {};

TEST_F(Flow, HubFiresOutputsInOrderEachCascadeComplete) {
  THIHub hub;
  hub.setOutCount(3);
  Probe a("a"), b("b"), c("c"), deep("deep");
  link<&Probe::doLog>(hub.onEvent[0], a);
  link<&Probe::doLog>(hub.onEvent[1], b);
  link<&Probe::doLog>(hub.onEvent[2], c);
  link<&Probe::doLog>(a.onNext, deep);
  // Each output gets its own copy: a consumer popping its value must not starve the next.
  TData got = Call<&THIHub::doEvent>(hub, Chain({TData::Str("x"), TData::Str("y")}), 1);
  EXPECT_EQ(gLog, (Log{"a s:x | s:y", "deep s:a+", "b s:x | s:y", "c s:x | s:y"}));
  EXPECT_EQ(Show(got), "s:x | s:y");
}

TEST_F(Flow, MemoryStoresForwardsClearsToDefault) {
  THIMemory mem;
  mem.setDefault(TData::Int(7));
  EXPECT_EQ(Show(ReadPoint<&THIMemory::Value>(mem)), "i:7");
  Probe out("out");
  link<&Probe::doLog>(mem.onData, out);

  // Unlinked Data takes only the first value of the chain.
  Call<&THIMemory::doValue>(mem, Chain({TData::Str("a"), TData::Str("b")}));
  EXPECT_EQ(Show(mem.value), "s:a");
  Call<&THIMemory::doClear>(mem, TData::Str("ignored"));
  EXPECT_EQ(Show(mem.value), "i:7");

  Probe src("src");
  src.answer = TData::Real(1.5);
  link<&Probe::Value>(mem.Data, src);
  Call<&THIMemory::doValue>(mem, TData::Str("ignored"));
  EXPECT_EQ(Show(mem.value), "r:1.5");
  EXPECT_EQ(gLog, (Log{"out s:a", "out i:7", "read src", "out r:1.5"}));
}

TEST_F(Flow, DoDataNeverUsesTheIncomingValue) {
  THIDoData dd;
  Probe out("out");
  link<&Probe::doLog>(dd.onEventData, out);
  Call<&THIDoData::doData>(dd, TData::Str("incoming"));
  dd.data = TData::Int(3);
  Call<&THIDoData::doData>(dd, TData::Str("incoming"));
  EXPECT_EQ(gLog, (Log{"out null", "out i:3"}));
}

TEST_F(Flow, GetIndexDataSelectsOnlyInRange) {
  THIGetIndexData gid;
  gid.setCount(4);
  Probe src("src"), out("out");
  src.answer = TData::Str("v2");
  link<&Probe::Value>(gid.Data[2], src);
  link<&Probe::doLog>(gid.onIndex, out);

  EXPECT_EQ(ReadPoint<&THIGetIndexData::Value>(gid).baseType(), dtNull);  // nothing chosen yet
  Call<&THIGetIndexData::doIndex>(gid, TData::Int(2));
  EXPECT_EQ(Show(ReadPoint<&THIGetIndexData::Value>(gid)), "s:v2");
  Call<&THIGetIndexData::doIndex>(gid, TData::Int(7));
  EXPECT_EQ(gid.index, -1);
  EXPECT_EQ(ReadPoint<&THIGetIndexData::Value>(gid).baseType(), dtNull);
  Call<&THIGetIndexData::doIndex>(gid, TData::Int(1));  // unlinked entry: no data
  EXPECT_EQ(ReadPoint<&THIGetIndexData::Value>(gid).baseType(), dtNoData);
  EXPECT_EQ(gLog, (Log{"out i:2", "read src", "out i:7", "out i:1"}));

  THIGetData gd;
  EXPECT_EQ(ReadPoint<&THIGetData::Value>(gd).baseType(), dtNoData);
}

TEST_F(Flow, IndexToChanelAndBack) {
  THIIndexToChanel itc;
  itc.setCount(2);
  THIChanelToIndex cti;
  Probe out("idx");
  // Channel k of the router reaches input k of the collector.
  link<&THIChanelToIndex::doWork>(itc.onEvent[0], cti, 0);
  link<&THIChanelToIndex::doWork>(itc.onEvent[1], cti, 1);
  link<&Probe::doLog>(cti.onIndex, out);

  // Index is read first: with both inputs unlinked the chain gives index, then value.
  Call<&THIIndexToChanel::doEvent>(itc, Chain({TData::Int(1), TData::Str("payload")}));
  EXPECT_EQ(Show(cti.lastValue), "s:payload");
  Call<&THIIndexToChanel::doEvent>(itc, Chain({TData::Int(2), TData::Str("lost")}));
  Call<&THIIndexToChanel::doEvent>(itc, Chain({TData::Int(-1), TData::Str("lost")}));
  itc.data = TData::Str("fixed");
  Call<&THIIndexToChanel::doEvent>(itc, TData::Int(0));
  EXPECT_EQ(Show(cti.lastValue), "s:fixed");
  EXPECT_EQ(gLog, (Log{"idx i:1", "idx i:0"}));
}

TEST_F(Flow, IfElseComparesInTheTypeOfOp1) {
  THIIf_else cmp;
  Probe yes("true"), no("false");
  link<&Probe::doLog>(cmp.onTrue, yes);
  link<&Probe::doLog>(cmp.onFalse, no);
  auto verdict = [&](uint8_t type, TData a, TData b) {
    cmp.type = type;
    cmp.op1 = std::move(a);
    cmp.op2 = std::move(b);
    gLog.clear();
    Call<&THIIf_else::doCompare>(cmp);  // null incoming: unset operands stay null
    EXPECT_EQ(gLog.size(), 1u);
    return gLog.at(0) == "true null";
  };
  using C = THIIf_else;
  // Texts: equality is exact, ordering ignores the case of a..z.
  EXPECT_FALSE(verdict(C::Equal, TData::Str("ab"), TData::Str("AB")));
  EXPECT_TRUE(verdict(C::LessEqual, TData::Str("ab"), TData::Str("AB")));
  EXPECT_TRUE(verdict(C::GreaterEqual, TData::Str("ab"), TData::Str("AB")));
  EXPECT_TRUE(verdict(C::Less, TData::Str("abc"), TData::Str("ABD")));
  EXPECT_TRUE(verdict(C::Equal, TData::Str("12"), TData::Int(12)));
  // Integers compare signed against the integer value of Op2.
  EXPECT_TRUE(verdict(C::Greater, TData::Int(10), TData::Str("9x")));
  EXPECT_TRUE(verdict(C::Less, TData::Int(-1), TData::Int(0)));
  EXPECT_TRUE(verdict(C::Equal, TData::Int(4), TData::Real(3.5)));  // 3.5 rounds to 4
  EXPECT_TRUE(verdict(C::GreaterEqual, TData::Real(2.5), TData::Str("2.5")));
  EXPECT_FALSE(verdict(C::NotEqual, TData::Real(2.5), TData::Real(2.5)));
  // Null against null holds for every type, against anything else never.
  for (uint8_t t = 0; t <= 5; ++t) {
    EXPECT_TRUE(verdict(t, TData(), TData())) << int{t};
    EXPECT_FALSE(verdict(t, TData(), TData::Int(0))) << int{t};
  }
  EXPECT_TRUE(verdict(C::Equal, TData::Int(1), TData::Int(1)));
  EXPECT_FALSE(verdict(9, TData::Int(1), TData::Int(1)));  // unknown type
}

TEST_F(Flow, IfElseReadsOp1ThenOp2AndForwardsTheValueAsItCame) {
  THIIf_else cmp;
  cmp.type = THIIf_else::Less;
  Probe yes("true"), no("false");
  link<&Probe::doLog>(cmp.onTrue, yes);
  link<&Probe::doLog>(cmp.onFalse, no);
  Call<&THIIf_else::doCompare>(cmp, Chain({TData::Int(1), TData::Int(2)}));
  Call<&THIIf_else::doCompare>(cmp, Chain({TData::Int(2), TData::Int(1)}));
  EXPECT_EQ(gLog, (Log{"true i:1 | i:2", "false i:2 | i:1"}));
}

TEST_F(Flow, SwitchTogglesAndFiresSwitchBeforeOnOrOff) {
  THISwitch sw;
  sw.dataOn = TData::Str("ON");
  sw.dataOff = TData::Str("OFF");
  Probe on("on"), off("off"), any("switch");
  link<&Probe::doLog>(sw.onOn, on);
  link<&Probe::doLog>(sw.onOff, off);
  link<&Probe::doLog>(sw.onSwitch, any);

  Call<&THISwitch::doOff>(sw);  // already off: nothing
  EXPECT_TRUE(gLog.empty());
  Call<&THISwitch::doOn>(sw);
  Call<&THISwitch::doOn>(sw);  // already on
  Call<&THISwitch::doSwitch>(sw);
  EXPECT_EQ(gLog, (Log{"switch s:ON", "on s:ON", "switch s:OFF", "off s:OFF"}));

  THISwitch startsOn;
  startsOn.dataOn = TData::Int(1);
  startsOn.setDefault(0);
  EXPECT_EQ(startsOn.state, 1);
  EXPECT_EQ(Show(startsOn.current), "i:1");
}

TEST_F(Flow, ForCountsBothWaysAndStopsPastTheEnd) {
  THIFor loop;
  Probe ev("ev"), stop("stop");
  link<&Probe::doLog>(loop.onEvent, ev);
  link<&Probe::doLog>(loop.onStop, stop);
  loop.end = 3;
  Call<&THIFor::doFor>(loop, TData::Int(99));  // the incoming value must not become Start
  loop.includeEnd = 1;
  Call<&THIFor::doFor>(loop);
  EXPECT_EQ(gLog, (Log{"ev i:0", "ev i:1", "ev i:2", "stop i:3", "ev i:0", "ev i:1", "ev i:2",
                       "ev i:3", "stop i:4"}));
  gLog.clear();
  loop.start = 3;
  loop.end = 0;
  loop.step = -2;
  loop.includeEnd = 0;
  Call<&THIFor::doFor>(loop);
  loop.step = 0;
  Call<&THIFor::doFor>(loop);
  EXPECT_EQ(gLog, (Log{"ev i:3", "ev i:1", "stop i:-1", "stop i:3"}));

  // A loop up to the largest integer ends instead of wrapping around forever.
  gLog.clear();
  loop.start = INT32_MAX - 1;
  loop.end = INT32_MAX;
  loop.step = 1;
  loop.includeEnd = 1;
  Call<&THIFor::doFor>(loop);
  EXPECT_EQ(gLog.size(), 3u);
  EXPECT_EQ(gLog.back(), "stop i:" + std::to_string(INT32_MIN));
}

TEST_F(Flow, CounterWrapsToTheOppositeBound) {
  THICounter c;
  c.max = 2;
  c.count = 2;
  Probe out("n");
  link<&Probe::doLog>(c.onCounter, out);
  Call<&THICounter::doNext>(c);
  Call<&THICounter::doNext>(c);
  c.direction = 1;
  c.step = 2;
  Call<&THICounter::doNext>(c);  // 1 - 2 < 0: jumps to Max
  Call<&THICounter::doReset>(c);
  EXPECT_EQ(c.count, 2);
  Call<&THICounter::doMax>(c, TData::Str("5"));
  Call<&THICounter::doMin>(c, TData::Int(-3));
  EXPECT_EQ(c.max, 5);
  EXPECT_EQ(c.min, -3);
  EXPECT_EQ(gLog, (Log{"n i:0", "n i:1", "n i:2"}));

  // Near the integer limit the sum does not overflow: it is past Max, so it wraps to Min.
  c.direction = 0;
  c.max = INT32_MAX;
  c.count = INT32_MAX;
  c.step = 1;
  Call<&THICounter::doNext>(c);
  EXPECT_EQ(c.count, -3);
}

TEST_F(Flow, MtStringSplitsIntoAChainAndMtAddAppends) {
  THIMT_String split;
  split.setChar(";x");
  Probe out("out");
  link<&Probe::doLog>(split.onResult, out);
  Call<&THIMT_String::doSplit>(split, TData::Str("a;;b"));
  Call<&THIMT_String::doSplit>(split, TData::Str("plain"));
  Call<&THIMT_String::doSplit>(split, TData::Str(""));
  Call<&THIMT_String::doSplit>(split, TData::Str("a;"));
  EXPECT_EQ(gLog, (Log{"out s:a | s: | s:b", "out s:plain", "out s:", "out s:a | s:"}));

  gLog.clear();
  THIMT_Add add;
  link<&Probe::doLog>(add.onAdd, out);
  add.data = Chain({TData::Int(1), TData::Int(2)});
  TData incoming = Chain({TData::Str("x"), TData::Str("y")});
  TData after = Call<&THIMT_Add::doAdd>(add, incoming);
  add.data = TData();
  Call<&THIMT_Add::doAdd>(add, TData::Str("only"));
  EXPECT_EQ(gLog, (Log{"out i:1 | i:2 | s:x | s:y", "out s:only"}));
  EXPECT_EQ(Show(after), "s:x | s:y");  // the caller's chain is left alone
}

}  // namespace
