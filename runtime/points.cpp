#include "runtime/points.h"

#include <utility>

#include "runtime/convert.h"

namespace hi {

namespace {
bool gLive = false;

// Step 1 of the default rule: the answer of a linked point, unless it has no data.
bool ReadLinked(const TLink& point, TData& answer) {
  if (!point.linked()) return false;
  Read(point, answer);
  return answer.baseType() != dtNoData;
}

// A string answer hands over its text instead of copying it.
std::string TakeString(TData& d) {
  return d.baseType() == dtString ? std::move(d.text) : ToString(d);
}

// Takes the first value of the incoming record and moves its chain up by one.
TData Pop(TData& incoming) {
  TData value = incoming.first();
  value.type = value.baseType();
  value.forward = nullptr;
  if (incoming.next) {
    std::unique_ptr<TData> rest = std::move(incoming.next);
    incoming = std::move(*rest);
  } else {
    incoming.type = dtNull;
  }
  return value;
}
}  // namespace

TLink MakeLink(uint16_t index, uint32_t traceId, TMethod method, TDebug* target) {
  TLink l;
  l.method = method;
  l.target = target;
  l.index = index;
  l.traceId = traceId;
  return l;
}

void SetLoopsLive(bool live) { gLive = live; }
bool LoopsLive() { return gLive; }

void Fire(const TLink& event, TData& record) {
  const TLink* e = &event;
  while (gLive && e && e->method) {
    e->method(e->target, record, e->index);
    if (!(record.type & dtForward)) break;
    record.type &= static_cast<uint8_t>(~dtForward);
    e = std::exchange(record.forward, nullptr);
  }
}

void Read(const TLink& point, TData& record) {
  if (gLive && point.method) point.method(point.target, record, point.index);
}

void Emit(const TLink& event, const TData& value) {
  if (!gLive || !event.linked()) return;
  TData copy = value;
  Fire(event, copy);
}

void EmitInt(const TLink& event, int32_t n) {
  if (!gLive || !event.linked()) return;
  TData d = TData::Int(n);
  Fire(event, d);
}

void EmitString(const TLink& event, const std::string& s) {
  if (!gLive || !event.linked()) return;
  TData d = TData::Str(s);
  Fire(event, d);
}

void EmitReal(const TLink& event, double r) {
  if (!gLive || !event.linked()) return;
  TData d = TData::Real(r);
  Fire(event, d);
}

void EmitNull(const TLink& event) {
  if (!gLive || !event.linked()) return;
  TData d;
  Fire(event, d);
}

void EmitFont(const TLink& event, const TFontRecord& font) {
  if (!gLive || !event.linked()) return;
  TData d = TData::Font(std::make_shared<TFontRecord>(font));
  Fire(event, d);
}

void EmitRecord(const TLink& event, TData& record) { Fire(event, record); }

void ForwardInt(TData& record, const TLink& event, int32_t n) {
  record = TData::Int(n);
  record.type |= dtForward;
  record.forward = &event;
}

void ForwardString(TData& record, const TLink& event, const std::string& s) {
  record = TData::Str(s);
  record.type |= dtForward;
  record.forward = &event;
}

void ForwardCopy(TData& record, const TLink& event, const TData& source) {
  record = source;
  record.type = static_cast<uint8_t>(record.baseType() | dtForward);
  record.forward = &event;
}

void ForwardSame(TData& record, const TLink& event) {
  record.type = static_cast<uint8_t>(record.baseType() | dtForward);
  record.forward = &event;
}

void ForwardNull(TData& record, const TLink& event) {
  record.type = dtForward;
  record.forward = &event;
}

std::string ReadString(TData& incoming, const TLink& point, const std::string& def) {
  TData answer;
  if (ReadLinked(point, answer)) return TakeString(answer);
  if (!def.empty()) return def;
  if (!incoming.isNull()) {
    TData first = Pop(incoming);
    return TakeString(first);
  }
  return def;
}

int32_t ReadInteger(TData& incoming, const TLink& point, int32_t def) {
  TData answer;
  if (ReadLinked(point, answer)) return ToInteger(answer);
  if (def != 0) return def;
  if (!incoming.isNull()) return ToInteger(Pop(incoming));
  return def;
}

double ReadReal(TData& incoming, const TLink& point, double def) {
  TData answer;
  if (ReadLinked(point, answer)) return ToReal(answer);
  if (def != 0.0) return def;
  if (!incoming.isNull()) return ToReal(Pop(incoming));
  return def;
}

TData ReadValue(TData& incoming, const TLink& point, const TData* def) {
  TData answer;
  if (ReadLinked(point, answer)) {
    answer.next.reset();
    return answer;
  }
  if (def && !def->isNull()) return def->first();
  if (!incoming.isNull()) return Pop(incoming);
  return TData();
}

TData ReadChain(TData& incoming, const TLink& point, const TData* def) {
  TData answer;
  if (ReadLinked(point, answer)) return answer;
  if (def && !def->isNull()) return *def;
  if (!incoming.isNull()) {
    TData chain = std::move(incoming);
    chain.type = chain.baseType();
    chain.forward = nullptr;
    incoming = TData();
    return chain;
  }
  return TData();
}

TData ReadRaw(const TLink& point) {
  if (!point.linked()) return TData::NoData();
  TData d;
  Read(point, d);
  return d;
}

int32_t ReadLinkedInteger(const TLink& point) {
  TData d;
  Read(point, d);
  return ToInteger(d);
}

}  // namespace hi
