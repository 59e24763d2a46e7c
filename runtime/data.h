// The value record that travels over every link, and the link record itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hi {

class TDebug;
struct TData;

// An input method or a readable: (element, record, link index).
using TMethod = void (*)(TDebug*, TData&, uint16_t);

struct TLink {
  TMethod method = nullptr;
  TDebug* target = nullptr;
  uint16_t index = 0;
  uint32_t traceId = 0;
  bool linked() const { return method != nullptr; }
};

// Stops the program at a wiring mistake, which would otherwise drop or misroute values without a
// trace. Wiring happens while a container is built, so the mistake shows at the first start.
[[noreturn]] void WiringError(const char* what);

// An array point: one link per channel, sized when its element is built. A channel outside it is
// a wiring mistake, never a write past its end.
class TLinks {
 public:
  TLinks() = default;
  explicit TLinks(size_t count) : links_(count) {}
  TLink& operator[](size_t i) { return links_[checked(i)]; }
  const TLink& operator[](size_t i) const { return links_[checked(i)]; }
  TLink& at(size_t i) { return links_[checked(i)]; }
  size_t size() const { return links_.size(); }
  bool empty() const { return links_.empty(); }
  void resize(size_t count) { links_.resize(count); }
  void assign(size_t count, const TLink& l) { links_.assign(count, l); }
  auto begin() { return links_.begin(); }
  auto end() { return links_.end(); }
  auto begin() const { return links_.begin(); }
  auto end() const { return links_.end(); }

 private:
  size_t checked(size_t i) const {
    if (i >= links_.size()) WiringError("a point index is out of range");
    return i;
  }
  std::vector<TLink> links_;
};

enum TDataType : uint8_t {
  dtNull = 0,
  dtInteger = 1,
  dtString = 2,
  dtIcon = 6,
  dtReal = 7,
  dtBitmap = 11,
  dtObject = 13,
  dtFont = 15,
  dtNoData = 21,
  dtForward = 128,
};

// The payload of a font value (type 15).
struct TFontRecord {
  std::string name;
  uint8_t size = 8;    // points
  uint8_t style = 0;   // bit 0 bold, bit 1 italic, bit 2 underline, bit 3 strike-out
  uint32_t color = 0;  // blue-green-red in the low three bytes
  uint8_t charset = 1;
  bool operator==(const TFontRecord&) const = default;
};

// One value, owning the rest of its multi-value chain: copying a record copies the chain.
struct TData {
  uint8_t type = dtNull;
  int32_t integer = 0;
  std::string text;
  double real = 0.0;
  std::shared_ptr<const TFontRecord> font;  // type 15
  std::shared_ptr<void> object;             // types 6, 11, 13: a host object
  const TLink* forward = nullptr;
  std::unique_ptr<TData> next;

  TData() = default;
  TData(const TData& other);
  TData(TData&& other) noexcept = default;
  TData& operator=(const TData& other);
  TData& operator=(TData&& other) noexcept;
  ~TData();

  static TData Int(int32_t n);
  static TData Str(std::string s);
  static TData Real(double r);
  static TData Font(std::shared_ptr<const TFontRecord> f);
  static TData NoData();

  uint8_t baseType() const { return type & 0x7F; }
  bool isNull() const { return baseType() == dtNull; }
  // Number of values in the chain, this one included.
  size_t chainLength() const;
  // Copy of this value alone, without the rest of the chain.
  TData first() const;
};

}  // namespace hi
