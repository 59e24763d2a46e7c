#include "runtime/data.h"

#include <cstdio>
#include <cstdlib>

namespace hi {

void WiringError(const char* what) {
  std::fprintf(stderr, "wiring error: %s\n", what);
  std::abort();
}

namespace {
void CopyValue(TData& to, const TData& from) {
  to.type = from.type;
  to.integer = from.integer;
  to.text = from.text;
  to.real = from.real;
  to.font = from.font;
  to.object = from.object;
  to.forward = from.forward;
}
}  // namespace

TData::TData(const TData& other) { *this = other; }

TData& TData::operator=(const TData& other) {
  if (this == &other) return *this;
  TData copy;  // built aside so that assigning a record its own chain member is safe
  CopyValue(copy, other);
  TData* tail = &copy;
  for (const TData* p = other.next.get(); p; p = p->next.get()) {
    tail->next = std::make_unique<TData>();
    tail = tail->next.get();
    CopyValue(*tail, *p);
  }
  *this = std::move(copy);
  return *this;
}

TData& TData::operator=(TData&& other) noexcept {
  if (this == &other) return *this;
  std::unique_ptr<TData> oldChain = std::move(next);
  type = other.type;
  integer = other.integer;
  text = std::move(other.text);
  real = other.real;
  font = std::move(other.font);
  object = std::move(other.object);
  forward = other.forward;
  next = std::move(other.next);
  // oldChain may own `other`; it is released only now.
  while (oldChain) oldChain = std::move(oldChain->next);
  return *this;
}

TData::~TData() {
  // Long chains are released one by one instead of by recursion.
  while (next) next = std::move(next->next);
}

TData TData::Int(int32_t n) {
  TData d;
  d.type = dtInteger;
  d.integer = n;
  return d;
}

TData TData::Str(std::string s) {
  TData d;
  d.type = dtString;
  d.text = std::move(s);
  return d;
}

TData TData::Real(double r) {
  TData d;
  d.type = dtReal;
  d.real = r;
  return d;
}

TData TData::Font(std::shared_ptr<const TFontRecord> f) {
  TData d;
  d.type = dtFont;
  d.font = std::move(f);
  return d;
}

TData TData::NoData() {
  TData d;
  d.type = dtNoData;
  return d;
}

size_t TData::chainLength() const {
  size_t n = 1;
  for (const TData* p = next.get(); p; p = p->next.get()) ++n;
  return n;
}

TData TData::first() const {
  TData d;
  CopyValue(d, *this);
  return d;
}

}  // namespace hi
