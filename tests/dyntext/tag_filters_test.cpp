#include "dyntext/tag_filters.h"

#include "elements/log_probe.h"

using namespace hi;
using namespace hi::probe;

namespace {

class TagFilterTest : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    Sinks({{&flags.onEvent[1], "TA"},
           {&flags.onEvent[2], "TP"},
           {&flags.onEvent[3], "MS"},
           {&pty.onEvent[1], "PTY"},
           {&pty.onEvent[0], "text"}});
    // In series, as the dynamic-text page runs them.
    link<&THIMultiElement::doWork>(flags.onEvent[0], pty, 0);
    flags.build<TaTpMsTagFilter>(nullptr);
    pty.build<PtyTagFilter>(nullptr);
  }
  Log Filter(const std::string& text) {
    gLog.clear();
    Call<&THIMultiElement::doWork>(flags, D::Str(text));
    return gLog;
  }
  THIMultiElement flags{4, 0};
  THIMultiElement pty{2, 0};
};

// Each flag reports its final value once: the 0 tags are searched last, so a flag given both ends
// at 0 whatever the order. A PTY reports the last found: "<PTY12>" is taken by the "<PTY1" mark
// before "<PTY5" takes its own tag. A tag split over two lines goes with the line break.
TEST_F(TagFilterTest, TagsAreRemovedAndEachValueIsReportedOnce) {
  const std::pair<std::string, Log> cases[] = {
      {"<TA1>news<TA0>", {"TA i:0", "text s:news"}},
      {"<TP1><TP1>", {"TP i:1", "text s:"}},
      {"a<M/S1 on>b<M/S0>c<M/S1>", {"MS i:0", "text s:abc"}},
      {"<M/S1><TP0><TA1>x", {"TA i:1", "TP i:0", "MS i:1", "text s:x"}},
      {"<PTY5><PTY12>", {"PTY s:5", "text s:"}},
      {"<PTY12><PTY10>", {"PTY s:10", "text s:"}},
      {"<PTY5 x>", {"PTY s:5 x", "text s:"}},
      {"<TA1><PTY3>FM", {"TA i:1", "PTY s:3", "text s:FM"}},
      {"<ta1><tp1><m/s1><pty5><TA><PTY>", {"text s:<ta1><tp1><m/s1><pty5><TA><PTY>"}},
      {"ON AIR<M/S1", {"text s:ON AIR<M/S1"}},
      {"x<PTY7\r\n", {"text s:x<PTY7\r\n"}},
      {"a>b<TP1", {"text s:a>b<TP1"}},  // a ">" before the mark does not end it
      {"RADIO<TA1\r\n>\r\nX", {"TA i:1", "text s:RADIO\r\nX"}},
      {"A<PTY2\r\n4>B", {"PTY s:2\r\n4", "text s:AB"}}};
  for (const auto& [text, log] : cases) EXPECT_EQ(Filter(text), log) << text;
}

}  // namespace
