// Elements, links between their points, and the firing and read loops.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data.h"

namespace hi {

// The base of every element.
class TDebug {};

namespace detail {
template <class M>
struct MethodOwner;
template <class C>
struct MethodOwner<void (C::*)(TData&, uint16_t)> {
  using type = C;
};

template <auto M>
void Call(TDebug* target, TData& data, uint16_t index) {
  using C = typename MethodOwner<decltype(M)>::type;
  (static_cast<C*>(target)->*M)(data, index);
}
}  // namespace detail

template <auto M>
using MethodOwnerOf = typename detail::MethodOwner<decltype(M)>::type;

TLink MakeLink(uint16_t index, uint32_t traceId, TMethod method, TDebug* target);

// The point `M` of `target` as a plain function pointer: `Method<&THIHub::doEvent>()`.
template <auto M>
constexpr TMethod Method() {
  return &detail::Call<M>;
}

// Links an event (or data input) to the input method (or readable) `M` of `target`:
//   link<&THIFormatStr::doString>(button.onClick, formatter);
//   link<&THIMemory::Value>(formatter.Str[0], memory);
// A point takes one link: a second one would silently replace the first, so it is a wiring
// error (a hub is the way to fan out).
template <auto M>
void link(TLink& from, MethodOwnerOf<M>& target, uint16_t index = 0) {
  if (from.linked()) WiringError("a point is linked twice");
  from = MakeLink(index, 0, Method<M>(), &target);
}

// The process-wide switch between the inert loops (building, closing) and the live ones.
void SetLoopsLive(bool live);
bool LoopsLive();

// The firing loop: calls the event's method, then follows forwarded values.
void Fire(const TLink& event, TData& record);
// The read loop: fills `record` from the point, untouched when unlinked or inert.
void Read(const TLink& point, TData& record);

void Emit(const TLink& event, const TData& value);
void EmitInt(const TLink& event, int32_t n);
void EmitString(const TLink& event, const std::string& s);
void EmitReal(const TLink& event, double r);
void EmitNull(const TLink& event);
void EmitFont(const TLink& event, const TFontRecord& font);
void EmitRecord(const TLink& event, TData& record);

void ForwardInt(TData& record, const TLink& event, int32_t n);
void ForwardString(TData& record, const TLink& event, const std::string& s);
void ForwardCopy(TData& record, const TLink& event, const TData& source);
void ForwardSame(TData& record, const TLink& event);
void ForwardNull(TData& record, const TLink& event);

// Reads with the default rule: a linked point that answers wins; else a set default;
// else the incoming record's first value, which is popped from it.
std::string ReadString(TData& incoming, const TLink& point, const std::string& def = {});
int32_t ReadInteger(TData& incoming, const TLink& point, int32_t def = 0);
double ReadReal(TData& incoming, const TLink& point, double def = 0.0);
TData ReadValue(TData& incoming, const TLink& point, const TData* def = nullptr);
TData ReadChain(TData& incoming, const TLink& point, const TData* def = nullptr);
TData ReadRaw(const TLink& point);
int32_t ReadLinkedInteger(const TLink& point);

}  // namespace hi
