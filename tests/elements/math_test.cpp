#include "elements/math.h"

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;

class Math : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    Sinks({{&math.onResult, "result"}, {&math.onError, "error"}});
  }
  THIMath math;
};

TEST_F(Math, OperandsTakeTheIncomingValueOnlyWhenZeroAndFixedPointsIgnoreOperation) {
  math.operation = THIMath::Sub;
  math.op2 = 2.0;
  for (const TData& in : {D::Int(10), D::Int(0), Chain({D::Str("1.5"), D::Str("9")})})  // Op2 wins
    Call<&THIMath::doOperation>(math, in);
  math.op2 = 0.0;
  TData left = Call<&THIMath::doOperation>(math, Chain({D::Int(9), D::Int(4)}));
  EXPECT_TRUE(left.isNull());  // both values consumed, nothing forwarded

  math.resultType = THIMath::RealResult;
  math.operation = THIMath::Div;
  math.op1 = 1.5;
  math.op2 = 3.0;
  Call<&THIMath::doMul>(math);
  Call<&THIMath::doAdd>(math);
  math.resultType = THIMath::IntegerResult;
  math.op1 = 4294967303.0;  // beyond 32 bits: 2^32 + 6.5 rounds to even and wraps
  math.op2 = 0.5;
  Call<&THIMath::doSub>(math);
  EXPECT_EQ(gLog, (Log{"result i:8", "result i:-2", "result i:0", "result i:5", "result r:4.5",
                       "result r:4.5", "result i:6"}));
}
