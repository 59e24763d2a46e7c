// The dynamic PS template on its way to the PS: the automation's tags come out, the tokens are
// filled in, and whatever the files hold, each step gives one text and sane tag values.
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "dyntext/tag_filters.h"
#include "dyntext/template_expander.h"
#include "elements/time.h"
#include "fuzz_support.h"

namespace {

using hi::TData;

// One log for every output, so the order of the events can be checked.
struct Event {
  int output;
  TData value;
};
std::vector<Event> gEvents;

struct Tap : hi::TDebug {
  int output = 0;
  void doRecord(TData& data, uint16_t) { gEvents.push_back({output, data}); }
};

enum Output { kText, kTa, kTp, kMs, kPty, kExpanded };

class Graph {
 public:
  Graph() {
    hi::SetLoopsLive(true);
    for (int k = 0; k < 6; ++k) taps_[static_cast<size_t>(k)].output = k;
    hi::link<&hi::THIMultiElement::doWork>(flags_.onEvent[0], pty_, 0);
    for (int k = 1; k <= 3; ++k) hi::link<&Tap::doRecord>(flags_.onEvent[k], taps_[k]);
    hi::link<&Tap::doRecord>(pty_.onEvent[0], taps_[kText]);
    hi::link<&Tap::doRecord>(pty_.onEvent[1], taps_[kPty]);
    flags_.build<hi::TaTpMsTagFilter>(nullptr);
    pty_.build<hi::PtyTagFilter>(nullptr);
    for (hi::THIMultiElement* expander : {&ps_, &rt_}) {
      hi::link<&Tap::doRecord>(expander->onEvent[0], taps_[kExpanded]);
      for (uint16_t k = 0; k < 5; ++k)
        hi::link<&fuzz::Source::Value>(expander->Data[k], inputs_[k]);
    }
    ps_.build<hi::PsTemplateExpander>(nullptr);
    rt_.build<hi::RtTemplateExpander>(nullptr);
  }

  std::vector<Event> filter(const std::string& text) {
    gEvents.clear();
    hi::TLink in;
    hi::link<&hi::THIMultiElement::doWork>(in, flags_, 0);
    TData record = TData::Str(text);
    hi::Fire(in, record);
    return gEvents;
  }

  // The one text the expander emits.
  std::string expand(bool rt, const std::string& text) {
    gEvents.clear();
    inputs_[0].answer = TData::Str(text);
    hi::TLink in;
    hi::link<&hi::THIMultiElement::doWork>(in, rt ? rt_ : ps_, 0);
    TData record = TData::Str("ignored");
    hi::Fire(in, record);
    fuzz::Check(gEvents.size() == 1 && gEvents[0].output == kExpanded,
                "one expansion gives exactly one text", text);
    return hi::ToString(gEvents[0].value);
  }

  void setInputs(double now, const std::string& temperature, const std::string& nowPlaying,
                 const std::string& day) {
    inputs_[1].answer = TData::Real(now);
    inputs_[2].answer = TData::Str(temperature);
    inputs_[3].answer = TData::Str(nowPlaying);
    inputs_[4].answer = TData::Str(day);
  }

 private:
  std::array<Tap, 6> taps_;
  std::array<fuzz::Source, 5> inputs_;
  hi::THIMultiElement flags_{4, 0}, pty_{2, 0};
  hi::THIMultiElement ps_{1, 5}, rt_{1, 5};
};

// Every occurrence of `token`, left to right, the search resuming behind the inserted value.
// Left to right, the first token that starts at a place is filled; what is put in is not read.
std::string FillOnce(const std::string& text,
                     const std::vector<std::pair<const char*, const std::string*>>& tokens) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    bool filled = false;
    for (const auto& [token, value] : tokens) {
      if (text.compare(at, std::strlen(token), token) == 0) {
        out += *value;
        at += std::strlen(token);
        filled = true;
        break;
      }
    }
    if (!filled) out += text[at++];
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "dd-MM-yy", "HH:mm:ss" and the like: digits where the picture has letters.
bool Matches(const std::string& text, const char* picture) {
  if (text.size() != std::strlen(picture)) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool letter = (picture[i] | 0x20) >= 'a' && (picture[i] | 0x20) <= 'z';
    if (letter ? !IsDigit(text[i]) : text[i] != picture[i]) return false;
  }
  return true;
}

void CheckTags(const std::string& text, const std::vector<Event>& events) {
  int seen[6] = {};
  bool textDone = false;
  for (const Event& e : events) {
    fuzz::Check(!textDone, "the tag values fire before the text", text);
    fuzz::Check(++seen[e.output] == 1, "each output fires at most once per run", text);
    if (e.output == kText) textDone = true;
    if (e.output >= kTa && e.output <= kMs) {
      fuzz::Check(
          e.value.baseType() == hi::dtInteger && (e.value.integer == 0 || e.value.integer == 1),
          "a flag tag gives 0 or 1", text);
    }
    if (e.output == kPty) {
      const std::string v = hi::ToString(e.value);
      fuzz::Check(!v.empty() && IsDigit(v[0]), "a PTY tag value starts with its digit", text);
    }
  }
  fuzz::Check(seen[kText] == 1, "the filters pass on exactly one text", text);
  const std::string out = hi::ToString(events.back().value);
  fuzz::Check(out.size() <= text.size(), "taking tags out never adds text", out);
  if (text.find('<') == std::string::npos)
    fuzz::Check(events.size() == 1 && out == text, "a text without tags passes unchanged", out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Graph graph;
  // Two bytes of time (a few years either side of now, to the second) and which expander.
  uint32_t seconds = 0;
  bool rt = false;
  if (size >= 3) {
    seconds = (uint32_t{data[0]} << 16 | uint32_t{data[1]} << 8 | data[2]) * 61u;
    rt = data[2] & 1;
    data += 3;
    size -= 3;
  }
  const std::vector<std::string> parts = fuzz::Parts(data, size, 4);
  const std::string &text = parts[0], &temperature = parts[1], &nowPlaying = parts[2],
                    &day = parts[3];

  const std::vector<Event> events = graph.filter(text);
  CheckTags(text, events);
  const std::string filtered = hi::ToString(events.back().value);

  const double now = hi::ToDateTime(platform::LocalDateTime{.year = 2020}) + seconds / 86400.0;
  graph.setInputs(now, {}, {}, {});
  const std::string date = graph.expand(rt, "%Date%");
  const std::string timeShort = graph.expand(rt, "%Time2%");
  const std::string timeLong = graph.expand(rt, "%Time1%");
  fuzz::Check(Matches(date, rt ? "dd-MM-yyyy" : "dd-MM-yy"), "the date has its picture", date);
  fuzz::Check(Matches(timeShort, "HH:mm"), "the short time is HH:mm", timeShort);
  fuzz::Check(Matches(timeLong, "HH:mm:ss"), "the long time is HH:mm:ss", timeLong);
  fuzz::Check(timeLong.compare(0, 5, timeShort) == 0, "both times show one instant", timeLong);

  graph.setInputs(now, temperature, nowPlaying, day);
  const std::string expected = FillOnce(filtered, {{"%Date%", &date},
                                                   {"%Time2%", &timeShort},
                                                   {"%Time1%", &timeLong},
                                                   {"%Temp%", &temperature},
                                                   {"%NPFile%", &nowPlaying},
                                                   {"%Day%", &day}});
  const std::string expanded = graph.expand(rt, filtered);
  fuzz::Check(expanded == expected, "every token filled in one scan, values never read again",
              expanded);
  return 0;
}
