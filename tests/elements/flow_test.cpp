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
