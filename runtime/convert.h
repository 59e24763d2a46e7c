// Conversions between value types, chain helpers and the text helpers the elements share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data.h"

namespace hi {

std::string ToString(const TData& d);
int32_t ToInteger(const TData& d);
double ToReal(const TData& d);
bool ToBool(const TData& d);
int32_t ToIndex(const TData& d);

// The text forms of the conversions, for callers that hold plain values.
std::string RealToString(double r);
int32_t TextToInteger(std::string_view s);
double TextToReal(std::string_view s);
int32_t RoundHalfEven(double r);

// Appends copies of every value of `source` behind the last value of `target`;
// a null `target` takes the first value of `source` in its own place.
void AppendChain(TData& target, const TData& source);
void CopyChain(TData& target, const TData& source);
void FreeChain(TData& record);

// 1-based position of `pattern` in `text` at or after `start`; 0 when absent or empty.
size_t PosFrom(std::string_view pattern, std::string_view text, size_t start = 1);

// Asked for each occurrence with its 1-based position in the text as replaced so far and the
// not yet searched rest of the text, which starts with the occurrence; false leaves it alone.
using ReplacePredicate = std::function<bool(size_t position, std::string_view rest)>;

// Replaces every occurrence from left to right; inserted text is never searched again.
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement, const ReplacePredicate& keep = nullptr);

// The lines of a text: CR LF, a lone CR and a lone LF each end one. A line end at the very end
// opens no further, empty line, so "a\r\n" is one line and "" none; "a\r\n\r\n" is "a" and "".
// The views point into `text`. Where every CR comes before an LF (lists written with CR LF, files
// with LF ends) this is the same as splitting at each LF and dropping the CR before it.
std::vector<std::string_view> SplitLines(std::string_view text);

// Byte-wise comparison folding only a..z to upper case: negative, zero or positive.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace hi
