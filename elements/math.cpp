#include "elements/math.h"

#include <numbers>

namespace hi {

void THIMath::setDefault(double r) {
  default_ = r;
  result = r;
  error = 0;
}

void THIMath::setAngleMode(int mode) { angleFactor_ = mode == 1 ? std::numbers::pi / 180.0 : 1.0; }

void THIMath::doOperation(TData& d, uint16_t) { run(d, operation); }

void THIMath::run(TData& d, uint8_t op) {
  const double a = ReadReal(d, Op1, op1);
  const double b = ReadReal(d, Op2, op2);
  switch (op) {
    case Add:
      result = b + a;
      break;
    case Sub:
      result = a - b;
      break;
    case Mul:
      result = a * b;
      break;
    case Div:
      if (b == 0.0) {
        error = 1;
        result = default_;
        EmitNull(onError);
        return;
      }
      result = a / b;
      break;
    default:
      return;
  }
  error = 0;
  Emit(onResult, resultValue());
}

TData THIMath::resultValue() const {
  if (resultType == RealResult) return TData::Real(result);
  return TData::Int(RoundHalfEven(result));
}

void THIMath::Result(TData& d, uint16_t) { d = error ? TData() : resultValue(); }

}  // namespace hi
