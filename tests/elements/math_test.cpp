#include "elements/math.h"

#include "log_probe.h"

using namespace hi;

namespace {

using namespace hi::probe;

class Math : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    Sink(math.onResult, "result");
    Sink(math.onError, "error");
  }
  THIMath math;
};

TEST_F(Math, UnlinkedOperandsTakeTheIncomingValueOnlyWhenTheirPropertyIsZero) {
  math.operation = THIMath::Sub;
  math.op2 = 2.0;
  Call<&THIMath::doOperation>(math, TData::Int(10));
  Call<&THIMath::doOperation>(math, TData::Int(0));
  Call<&THIMath::doOperation>(math, Chain({TData::Str("1.5"), TData::Str("9")}));  // Op2 wins
  math.op2 = 0.0;
  TData left = Call<&THIMath::doOperation>(math, Chain({TData::Int(9), TData::Int(4)}));
  EXPECT_EQ(gLog, (Log{"result i:8", "result i:-2", "result i:0", "result i:5"}));
  EXPECT_TRUE(left.isNull());  // both values consumed, nothing forwarded
}

TEST_F(Math, DivisionRoundsHalfToEvenAndReportsZeroDivisor) {
  math.operation = THIMath::Div;
  math.setDefault(-1.0);
  Call<&THIMath::doOperation>(math, Chain({TData::Int(7), TData::Int(2)}));
  Call<&THIMath::doOperation>(math, Chain({TData::Int(5), TData::Int(2)}));
  EXPECT_EQ(Show(ReadPoint<&THIMath::Result>(math)), "i:2");

  Probe& zero = Source(math.Op2, TData::Int(0), "zero");
  Call<&THIMath::doOperation>(math, TData::Int(5));
  EXPECT_EQ(math.error, 1);
  EXPECT_EQ(math.result, -1.0);
  EXPECT_TRUE(ReadPoint<&THIMath::Result>(math).isNull());
  EXPECT_EQ(gLog, (Log{"result i:4", "result i:2", "read zero", "error null"}));

  // The next successful operation clears the error.
  zero.answer = TData::Real(0.5);
  Call<&THIMath::doOperation>(math, TData::Int(1));
  EXPECT_EQ(Show(ReadPoint<&THIMath::Result>(math)), "i:2");
}

TEST_F(Math, RealResultsAndFixedOperationPoints) {
  math.resultType = THIMath::RealResult;
  math.operation = THIMath::Div;  // the fixed points ignore it
  math.op1 = 1.5;
  math.op2 = 3.0;
  Call<&THIMath::doMul>(math);
  Call<&THIMath::doAdd>(math);
  math.resultType = THIMath::IntegerResult;
  math.op1 = 4294967303.0;  // beyond 32 bits: 2^32 + 6.5 rounds to even and wraps
  math.op2 = 0.5;
  Call<&THIMath::doSub>(math);
  EXPECT_EQ(gLog, (Log{"result r:4.5", "result r:4.5", "result i:6"}));
}

}  // namespace
