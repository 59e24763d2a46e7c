#include "runtime/convert.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace hi {

std::string RealToString(double r) {
  if (std::isnan(r)) return "NAN";
  if (std::isinf(r)) return r < 0 ? "-INF" : "INF";
  if (r == 0.0) return "0";
  // 15 significant digits in scientific form, then placed around the decimal point.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(r));
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = r < 0 ? "-" : "";
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const size_t intDigits = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= intDigits) {
    out += digits;
    out.append(intDigits - digits.size(), '0');
  } else {
    out += digits.substr(0, intDigits);
    out += '.';
    out += digits.substr(intDigits);
  }
  return out;
}

int32_t TextToInteger(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    i = 1;
  }
  uint32_t value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    value = value * 10u + static_cast<uint32_t>(s[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

double TextToReal(std::string_view s) {
  // A decimal number: an optional minus sign, digits with a full stop, optionally an exponent.
  // Words such as "inf" or "nan" are not numbers here.
  const size_t digitsAt = !s.empty() && s[0] == '-' ? 1 : 0;
  const auto isDigit = [&](size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
  if (!isDigit(digitsAt) && !(digitsAt < s.size() && s[digitsAt] == '.' && isDigit(digitsAt + 1)))
    return 0.0;
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || !std::isfinite(value)) return 0.0;
  return value;
}

int32_t RoundHalfEven(double r) {
  if (!std::isfinite(r)) return 0;
  double rounded = std::nearbyint(r);  // the default rounding mode: ties to even
  double wrapped = std::fmod(rounded, 4294967296.0);
  if (wrapped < 0) wrapped += 4294967296.0;
  return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
}

std::string ToString(const TData& d) {
  switch (d.baseType()) {
    case dtInteger:
      return std::to_string(d.integer);
    case dtString:
      return d.text;
    case dtReal:
      return RealToString(d.real);
    default:
      return {};
  }
}

int32_t ToInteger(const TData& d) {
  switch (d.baseType()) {
    case dtInteger:
      return d.integer;
    case dtString:
      return TextToInteger(d.text);
    case dtReal:
      return RoundHalfEven(d.real);
    default:
      return 0;
  }
}

double ToReal(const TData& d) {
  switch (d.baseType()) {
    case dtInteger:
      return d.integer;
    case dtString:
      return TextToReal(d.text);
    case dtReal:
      return d.real;
    default:
      return 0.0;
  }
}

bool ToBool(const TData& d) { return !(d.baseType() == dtInteger && d.integer == 0); }

int32_t ToIndex(const TData& d) {
  switch (d.baseType()) {
    case dtInteger:
      return d.integer;
    case dtReal:
      return RoundHalfEven(d.real);
    case dtString: {
      int32_t n = TextToInteger(d.text);
      if (n != 0) return n;
      return !d.text.empty() && d.text[0] == '0' ? 0 : -1;
    }
    default:
      return -1;
  }
}

void AppendChain(TData& target, const TData& source) {
  const TData* from = &source;
  if (target.isNull()) {
    target = source.first();
    target.forward = nullptr;
    from = source.next.get();
  }
  TData* tail = &target;
  while (tail->next) tail = tail->next.get();
  for (; from; from = from->next.get()) {
    tail->next = std::make_unique<TData>(from->first());
    tail = tail->next.get();
  }
}

void CopyChain(TData& target, const TData& source) { target = source; }

void FreeChain(TData& record) {
  while (record.next) record.next = std::move(record.next->next);
}

size_t PosFrom(std::string_view pattern, std::string_view text, size_t start) {
  if (pattern.empty()) return 0;
  if (start < 1) start = 1;
  if (start > text.size()) return 0;
  size_t at = text.find(pattern, start - 1);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement, const ReplacePredicate& keep) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t at = text.find(pattern, pos);
    if (at == std::string_view::npos) break;
    if (keep && !keep(out.size() + (at - pos) + 1, text.substr(at))) {
      out.append(text.substr(pos, at + 1 - pos));
      pos = at + 1;
      continue;
    }
    out.append(text.substr(pos, at - pos));
    out.append(replacement);
    pos = at + pattern.size();
  }
  out.append(text.substr(std::min(pos, text.size())));
  return out;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  auto fold = [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? u - 32 : u;
  };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int diff = static_cast<int>(fold(a[i])) - static_cast<int>(fold(b[i]));
    if (diff != 0) return diff;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace hi
