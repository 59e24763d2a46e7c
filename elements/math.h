// One arithmetic operation on two real operands, handed on as an integer or a real.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace hi {

class THIMath : public TDebug {
 public:
  enum Operation : uint8_t { Add = 0, Sub = 1, Mul = 2, Div = 3 };
  enum ResultType : uint8_t { IntegerResult = 0, RealResult = 1 };

  uint8_t error = 0;  // set by a division by zero
  double result = 0.0;
  // The result after a division by zero; setting it also sets the result and clears the error.
  void setDefault(double r);
  double defaultValue() const { return default_; }
  // 0 radians (factor 1), 1 degrees (factor pi/180); the four operations ignore it.
  void setAngleMode(int mode);
  double angleFactor() const { return angleFactor_; }
  uint8_t operation = Add;
  double op1 = 0.0, op2 = 0.0;
  uint8_t resultType = IntegerResult;

  TLink onResult, onError;
  TLink Op1, Op2;
  // Runs the instance's operation.
  void doOperation(TData& data, uint16_t index);
  // The same with a fixed operation, whatever `operation` holds.
  void doAdd(TData& data, uint16_t) { run(data, Add); }
  void doSub(TData& data, uint16_t) { run(data, Sub); }
  void doMul(TData& data, uint16_t) { run(data, Mul); }
  void doDiv(TData& data, uint16_t) { run(data, Div); }
  void Result(TData& data, uint16_t index);

 private:
  void run(TData& data, uint8_t op);
  TData resultValue() const;
  double default_ = 0.0;
  double angleFactor_ = 1.0;
};

}  // namespace hi
