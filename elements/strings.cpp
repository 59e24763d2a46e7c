#include "elements/strings.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "platform/codepage.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/net.h"
#include "platform/now_playing.h"

namespace hi {

namespace {
size_t Size(int n) { return static_cast<size_t>(std::max(n, 0)); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Positions in the text helpers are 1-based; 64 bits keep sums of extreme inputs exact.
std::string CopyOut(const std::string& s, int64_t p, int64_t n) {
  if (n <= 0 || p < 1 || p > static_cast<int64_t>(s.size())) return {};
  return s.substr(static_cast<size_t>(p - 1), static_cast<size_t>(n));
}
}  // namespace

void THIFormatStr::setDataCount(int n) { Str.resize(Size(n) + 1); }

void THIFormatStr::doString(TData& d, uint16_t) {
  // Every value is read before the mask is filled, so the chain's values go to %1, %2, ... in
  // order whether or not the mask uses them.
  values_.resize(Str.size());
  for (size_t i = 1; i < Str.size(); ++i) values_[i] = ReadString(d, Str[i]);
  // One scan of the mask: an inserted value is never searched for placeholders, so a "%2" in
  // an operator's text cannot pull in another value or a line terminator.
  result.clear();
  const size_t count = Str.empty() ? 0 : Str.size() - 1;
  size_t i = 0;
  while (i < mask.size()) {
    const size_t at = mask.find('%', i);
    if (at == std::string::npos) {
      result.append(mask, i, std::string::npos);
      break;
    }
    result.append(mask, i, at - i);
    if (at + 1 < mask.size() && mask[at + 1] == '%') {
      result += '%';
      i = at + 2;
      continue;
    }
    size_t end = at + 1;
    size_t n = 0;
    while (end < mask.size() && IsDigit(mask[end])) {
      if (n <= count) n = n * 10 + static_cast<size_t>(mask[end] - '0');
      ++end;
    }
    if (end > at + 1 && mask[at + 1] != '0' && n <= count)
      result += values_[n];
    else
      result.append(mask, at, end - at);
    i = end;
  }
  ForwardString(d, onFString, result);
}

void THIFormatStr::Result(TData& d, uint16_t) { d = TData::Str(result); }

void THIStrCat::doStrCat(TData& d, uint16_t) {
  std::string a = ReadString(d, Str1, str1);
  std::string b = ReadString(d, Str2, str2);
  result = a + b;
  ForwardString(d, onStrCat, result);
}

void THIStrCat::Result(TData& d, uint16_t) { d = TData::Str(result); }

void THIStrCatDelim::doStrCatDelim(TData& d, uint16_t) {
  std::string a = ReadString(d, Str1, str1);
  std::string b = ReadString(d, Str2, str2);
  std::string delim = ReadString(d, Delimiter, delimiter);
  result = a + delim + b;
  ForwardString(d, onStrCatDelim, result);
}

void THIStrCatDelim::Result(TData& d, uint16_t) { d = TData::Str(result); }

void THIStrPart::doSplit(TData& d, uint16_t) {
  left.clear();
  rest = ReadString(d, Str);
  if (charText.empty() || rest.empty()) return;
  if (rest.find(charText) == std::string::npos) {
    ForwardString(d, onNotFound, rest);
    return;
  }
  const size_t at = rest.find(charText[0]);
  left = rest.substr(0, at);
  rest.erase(0, at + 1);
  if (mode == LeftFirst) {
    EmitString(onLeft, left);
    ForwardString(d, onRight, rest);
  } else {
    EmitString(onRight, rest);
    ForwardString(d, onLeft, left);
  }
}

void THIStrPart::Left(TData& d, uint16_t) { d = TData::Str(left); }

void THIMultiStrPart::setPartCount(int n) { parts.assign(Size(n), std::string()); }

void THIMultiStrPart::doSplit(TData& d, uint16_t) {
  for (std::string& p : parts) p.clear();
  std::string s = ReadString(d, Str);
  if (charText.empty() || s.find(charText[0]) == std::string::npos) {
    ForwardString(d, onNotFound, s);
    return;
  }
  const char delim = charText[0];
  size_t pos = 0;  // what is left of s starts here
  auto cut = [&]() {
    const size_t at = s.find(delim, pos);
    std::string token = s.substr(std::min(pos, s.size()), at == std::string::npos ? at : at - pos);
    pos = at == std::string::npos ? s.size() : at + 1;
    return token;
  };
  for (int32_t i = 0; i < skip && pos < s.size(); ++i) cut();
  for (std::string& p : parts) p = cut();
  ForwardString(d, onRest, s.substr(pos));
}

void THIMultiStrPart::Part(TData& d, uint16_t index) {
  d = TData::Str(index < parts.size() ? parts[index] : std::string());
}

void THICopy::doCopy(TData& d, uint16_t) {
  const std::string s = ReadString(d, Str);
  if (s.empty()) return;
  int64_t p = ReadInteger(d, Position, position);
  int64_t n = ReadInteger(d, Count, count);
  if (direction == 1) p = static_cast<int64_t>(s.size()) - n - p + 2;
  if (p < 1) {
    n += p - 1;
    p = 1;
  }
  ForwardString(d, onCopy, CopyOut(s, p, n));
}

void THIDelete::doDelete(TData& d, uint16_t) {
  std::string s = ReadString(d, Str);
  if (s.empty()) return;
  int64_t p = ReadInteger(d, Position, position);
  const int64_t n = ReadInteger(d, Count, count);
  if (direction == 1) p = static_cast<int64_t>(s.size()) - n - p + 2;
  if (n > 0 && p >= 1 && p <= static_cast<int64_t>(s.size()))
    s.erase(static_cast<size_t>(p - 1), static_cast<size_t>(n));
  EmitString(onDelete, s);
}

void THIReplace::doReplace(TData& d, uint16_t) {
  result = ReadString(d, Str);
  const std::string f = ReadString(d, Find, find);
  const std::string r = ReadString(d, ReplaceBy, replaceBy);
  if (!result.empty()) {
    result = ReplaceAll(result, f, r, [this](size_t at, std::string_view) {
      position = static_cast<int32_t>(at);
      return ReadLinkedInteger(Skip) == 0;
    });
  }
  ForwardString(d, onReplace, result);
}

void THITrim::doTrim(TData& d, uint16_t) {
  const std::string t = ReadString(d, Text);
  auto blank = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
  };
  size_t from = 0, to = t.size();
  while (from < to && blank(t[from])) ++from;
  while (to > from && blank(t[to - 1])) --to;
  result.clear();
  for (size_t i = from; i < to; ++i)
    if (!(t[i] == ' ' && !result.empty() && result.back() == ' ')) result += t[i];
  ForwardString(d, onTrim, result);
}

void THITrim::Result(TData& d, uint16_t) { d = TData::Str(result); }

void THIBlankControls::doBlank(TData& d, uint16_t) {
  result = platform::BlankControls(ReadString(d, Text));
  ForwardString(d, onResult, result);
}

void THIBlankControls::Result(TData& d, uint16_t) { d = TData::Str(result); }

void THILength::doLength(TData& d, uint16_t) {
  result = static_cast<int32_t>(ReadString(d, Str).size());
  EmitInt(onLength, result);
}

void THILength::Result(TData& d, uint16_t) { d = TData::Int(result); }

void THIStrCheck::doCheck(TData& d, uint16_t) {
  const std::string text = ReadString(d, Text);
  const auto size = static_cast<int64_t>(text.size());
  Verdict verdict = Fits;
  if (size > length) {
    verdict = TooLong;
  } else if (std::any_of(text.begin(), text.end(), [this](char c) {
               const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               return charset.find(lower) == std::string::npos;
             })) {
    verdict = ForeignCharacter;
  } else if (size < length) {
    verdict = TooShort;
  }
  ForwardInt(d, onResult, verdict);
}

void THIBlockFind::doSearch(TData& d, uint16_t) {
  std::string t = ReadString(d, Text);
  size_t p = PosFrom(startMark, t);
  size_t e = 0;
  while (p > 0) {
    const size_t inner = p + startMark.size();  // first character inside the block
    e = PosFrom(endMark, t, inner);
    if (e == 0) break;
    const size_t blockEnd = e + endMark.size();  // first character behind the end mark
    if (includeMarks)
      EmitString(onBlock, t.substr(p - 1, blockEnd - p));
    else
      EmitString(onBlock, t.substr(inner - 1, e - inner));
    if (replaceMode == 0) {
      e = blockEnd;
    } else if (!conditional || ReadLinkedInteger(Replace) != 0) {
      const size_t from = includeMarks ? p : inner;
      const size_t to = includeMarks ? blockEnd : e;
      t.replace(from - 1, to - from, replaceBy);
      e = from + replaceBy.size();
    }
    p = PosFrom(startMark, t, e);
  }
  if (e == 0) EmitNull(onNotFound);
  ForwardString(d, onSearch, t);
}

void THIConvertor::doConvert(TData& d, uint16_t) {
  if (mode == IntToChar) {
    const int32_t n = ReadInteger(d, Data);
    ForwardString(d, onResult, std::string(1, static_cast<char>(n & 0xFF)));
    return;
  }
  if (mode != HexToInt && mode != BinToInt) return;
  const std::string s = ReadString(d, Data);
  const uint32_t base = mode == HexToInt ? 16 : 2;
  uint32_t value = 0;
  for (char c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    uint32_t digit = 0;
    if (IsDigit(c))
      digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else
      break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  ForwardInt(d, onResult, static_cast<int32_t>(value));
}

THIStrList::THIStrList() = default;
THIStrList::~THIStrList() = default;

void THIStrList::setStrings(const std::string& text) {
  lines.clear();
  for (std::string_view line : SplitLines(text)) lines.emplace_back(line);
}

namespace {

// "udp:/127.0.0.1:5005" or "TCP:127.0.0.1:5005": meant as an address, written wrong.
bool StartsLikeAddress(const std::string& name) {
  if (name.size() < 4 || name[3] != ':') return false;
  std::string scheme = name.substr(0, 3);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme == "udp" || scheme == "tcp";
}

constexpr const char* kNoTitleYet = "no title received yet";

}  // namespace

void THIStrList::doLoad(TData& d, uint16_t) {
  const std::string f = ReadString(d, FileName, fileName);
  if (acceptsAddress && (platform::LooksLikeEndpoint(f) || StartsLikeAddress(f))) {
    loadReceived(d, f);
    return;
  }
  listener_.reset();
  waiting_ = false;
  if (f.empty()) return;
  std::optional<std::string> content = platform::ReadTextFile(f);
  // A file that changed during the read, or was missing, shows a writer at work: the empty read
  // before it proves nothing, and the next empty one is held again.
  if (!content) {
    emptyReadHeld = false;
    // A file that is there and readable was only being written.
    const std::string why = platform::TextFileProblem(f);
    if (!why.empty()) reportProblem(f, why);
    return;
  }
  reportProblem(f, "");
  if (content->empty() && !lines.empty() && !emptyReadHeld) {
    emptyReadHeld = true;
    return;
  }
  emptyReadHeld = false;
  setStrings(*content);
  ForwardNull(d, onLoad);
}

std::string THIStrList::StoredTitlePath() {
  return platform::SettingsFolder() + "/rds-last-title.txt";
}

// A port that could not be had is tried again at each load, as a missing file is looked for.
void THIStrList::loadReceived(TData& d, const std::string& address) {
  const std::string& f = address;
  if (!listener_ || listener_->address() != address) {
    listener_ = std::make_unique<platform::NowPlayingListener>();
    std::string why;
    if (!platform::LooksLikeEndpoint(address)) {
      why = "malformed address, write " + f.substr(0, 3) + "://ADDRESS:PORT";
    } else if (listener_->open(address, why)) {
      why.clear();
    }
    if (!why.empty()) {
      listener_.reset();
      waiting_ = false;
      reportProblem(address, why);
      return;
    }
    // The log says so instead of "can be read again".
    if (!logName.empty())
      platform::LogEvent(logName + " listening on " + platform::EscapeBytes(address));
    forgetProblem();
    // The title on air before a restart stays until the automation sends the next one.
    std::optional<std::string> stored = platform::ReadWholeFile(StoredTitlePath(), 4096);
    storedTitle_ = stored.value_or("");
    if (!storedTitle_.empty()) {
      waiting_ = false;
      setStrings(*stored);
      ForwardNull(d, onLoad);
    } else {
      waiting_ = true;
      reportProblem(address, kNoTitleYet);
    }
  }
  std::optional<std::string> title = listener_->poll();
  if (!title) return;
  takeTitle(d, *title);
}

void THIStrList::takeTitle(TData& d, const std::string& title) {
  emptyReadHeld = false;
  if (waiting_) {
    waiting_ = false;
    forgetProblem();
  }
  setStrings(title);
  if (title != storedTitle_) {
    storedTitle_ = title;
    if (!platform::WriteFileAtomically(StoredTitlePath(), title) && !logName.empty())
      platform::LogEvent(logName + ": the last title could not be kept in " + StoredTitlePath());
  }
  ForwardNull(d, onLoad);
}

void THIStrList::doSource(TData& d, uint16_t) {
  const std::string name = ToString(d);
  fileName = name;
  if (listener_ && listener_->address() != name) {
    listener_.reset();
    waiting_ = false;
  }
  forgetProblem();
}

void THIStrList::Waiting(TData& d, uint16_t) { d = TData::Int(waiting_ ? 1 : 0); }

void THIStrList::forgetProblem() {
  if (problem.empty()) return;
  problem.clear();
  EmitString(onProblem, "");
}

void THIStrList::reportProblem(const std::string& path, const std::string& now) {
  if (now == problem) return;
  problem = now;
  if (!logName.empty()) {
    platform::LogEvent(logName + " " + platform::EscapeBytes(path) +
                       (now.empty()          ? " can be read again"
                        : now == kNoTitleYet ? ": " + now
                                             : " cannot be read: " + now));
  }
  EmitString(onProblem, now);
}

void THIStrList::doGetString(TData& d, uint16_t) {
  const int32_t i = ReadInteger(d, Index);
  current = i >= 0 && static_cast<size_t>(i) < lines.size() ? lines[static_cast<size_t>(i)]
                                                            : std::string();
  auto found = std::find(lines.begin(), lines.end(), current);
  index = found == lines.end() ? -1 : static_cast<int32_t>(found - lines.begin());
  ForwardString(d, onGetString, current);
}

void THIStrList::Text(TData& d, uint16_t) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  d = TData::Str(std::move(text));
}

}  // namespace hi
