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

TEST_F(TagFilterTest, FlagTagsAreRemovedAndEachFlagReportsItsFinalValueOnce) {
  // Both tags of a flag: the 0 tags are searched last, so the flag ends at 0 whatever the order.
  EXPECT_EQ(Filter("<TA1>news<TA0>"), (Log{"TA i:0", "text s:news"}));
  EXPECT_EQ(Filter("<TP1><TP1>"), (Log{"TP i:1", "text s:"}));
  EXPECT_EQ(Filter("a<M/S1 on>b<M/S0>c<M/S1>"), (Log{"MS i:0", "text s:abc"}));
  EXPECT_EQ(Filter("<M/S1><TP0><TA1>x"), (Log{"TA i:1", "TP i:0", "MS i:1", "text s:x"}));
}

TEST_F(TagFilterTest, PtyTagsReportTheLastFoundValueOnce) {
  // "<PTY12>" is taken by the "<PTY1" mark, before "<PTY5" takes its own tag.
  EXPECT_EQ(Filter("<PTY5><PTY12>"), (Log{"PTY s:5", "text s:"}));
  EXPECT_EQ(Filter("<PTY12><PTY10>"), (Log{"PTY s:10", "text s:"}));
  EXPECT_EQ(Filter("<PTY5 x>"), (Log{"PTY s:5 x", "text s:"}));
  EXPECT_EQ(Filter("<TA1><PTY3>FM"), (Log{"TA i:1", "PTY s:3", "text s:FM"}));
}

TEST_F(TagFilterTest, WhatIsNotATagStaysAndASplitTagTakesTheLineBreak) {
  EXPECT_EQ(Filter("<ta1><tp1><m/s1><pty5><TA><PTY>"),
            (Log{"text s:<ta1><tp1><m/s1><pty5><TA><PTY>"}));
  EXPECT_EQ(Filter("ON AIR<M/S1"), (Log{"text s:ON AIR<M/S1"}));
  EXPECT_EQ(Filter("x<PTY7\r\n"), (Log{"text s:x<PTY7\r\n"}));
  // A ">" before the mark does not end it.
  EXPECT_EQ(Filter("a>b<TP1"), (Log{"text s:a>b<TP1"}));
  // A tag split over two lines goes with the line break.
  EXPECT_EQ(Filter("RADIO<TA1\r\n>\r\nX"), (Log{"TA i:1", "text s:RADIO\r\nX"}));
  EXPECT_EQ(Filter("A<PTY2\r\n4>B"), (Log{"PTY s:2\r\n4", "text s:AB"}));
}

}  // namespace
