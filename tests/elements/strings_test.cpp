#include "elements/strings.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;
using Strings = ElementTest;

TEST_F(Strings, FormatTenPlaceholdersReadInOrder) {
  THIFormatStr fmt;
  fmt.setDataCount(10);
  fmt.mask = "PS%1%2%3%4%5%6%7%8%9%10\r\n";
  for (char c = 'A'; c <= 'J'; ++c) Source(fmt.Str[c - 'A' + 1], D::Str(std::string(1, c)), {c});
  Sink(fmt.onFString, "out");
  EXPECT_EQ(Call<&THIFormatStr::doString>(fmt).text, "PSABCDEFGHIJ\r\n");
  EXPECT_EQ(gLog.front(), "read A");
  EXPECT_EQ(gLog.back(), "out s:PSABCDEFGHIJ\r\n");
  // A placeholder is the whole run of digits behind '%'.
  fmt.mask = "%10|%1|%12|%100|%1x";
  EXPECT_EQ(Call<&THIFormatStr::doString>(fmt).text, "J|A|%12|%100|Ax");
}

TEST_F(Strings, FormatPercentSignsAndValuesAreNotRescanned) {
  THIFormatStr fmt;
  fmt.setDataCount(2);
  auto format = [&](const std::string& mask, TData in) {
    fmt.mask = mask;
    return Call<&THIFormatStr::doString>(fmt, std::move(in)).text;
  };
  EXPECT_EQ(format("%1,%3,%2", Chain({D::Str("a"), D::Str("b")})), "a,%3,b");
  EXPECT_EQ(format("<%1|%2>", D::Str("only")), "<only|>");
  EXPECT_EQ(format("100%% %1", D::Int(5)), "100% 5");
  EXPECT_EQ(format("%%1=%1", D::Str("x")), "%1=x");
  EXPECT_EQ(format("[%1]", D::Str("50%%")), "[50%%]");
  // A value starting with a digit does not hide an earlier placeholder.
  EXPECT_EQ(format("%2%1", Chain({D::Str("0"), D::Str("x")})), "x0");
  EXPECT_EQ(format("%0%01%3%", Chain({D::Str("a"), D::Str("b")})), "%0%01%3%");
}

TEST_F(Strings, SplitAtACharacter) {
  THIStrPart part;
  part.charText = ":";
  Sinks({{&part.onLeft, "left"}, {&part.onRight, "right"}, {&part.onNotFound, "notfound"}});
  for (const char* s : {"no colon", "", "k:v:w"}) Call<&THIStrPart::doSplit>(part, D::Str(s));
  part.mode = THIStrPart::RightFirst;
  Call<&THIStrPart::doSplit>(part, D::Str("k:v"));
  EXPECT_EQ(gLog, (Log{"notfound s:no colon", "left s:k", "right s:v:w", "right s:v", "left s:k"}));

  THIMultiStrPart multi;
  multi.setPartCount(2);
  multi.skip = 1;
  multi.charText = ";";
  Sink(multi.onRest, "rest");
  Call<&THIMultiStrPart::doSplit>(multi, D::Str("a;b;c;d"));
  EXPECT_EQ(ReadPoint<&THIMultiStrPart::Part>(multi, 1).text, "c");
  EXPECT_EQ(gLog.back(), "rest s:d");
  Call<&THIMultiStrPart::doSplit>(multi, D::Str("a;b"));  // runs out of tokens
  EXPECT_EQ(multi.parts, (std::vector<std::string>{"b", ""}));
}

TEST_F(Strings, CopyAndDeleteClampPositions) {
  THICopy copy;
  // A position before the start eats into the count.
  for (auto [s, pos, count, dir, want] : {std::tuple{"abcde", 1, 2, 1, "de"},
                                          {"abcde", -1, 4, 0, "ab"},
                                          {"abcde", 9, 2, 0, ""},
                                          {"abcde", 1, 9, 1, "abcde"},
                                          {"abc", INT32_MAX, INT32_MAX, 1, ""}}) {
    copy.position = pos, copy.count = count, copy.direction = uint8_t(dir);
    EXPECT_EQ(Call<&THICopy::doCopy>(copy, D::Str(s)).text, want) << s << " " << pos;
  }

  THIDelete del;
  Sink(del.onDelete, "out");
  for (auto [pos, n, s] :
       {std::tuple{2, 2, "abcde"}, {2, 99, "abcde"}, {0, 99, "abcde"}, {0, 99, ""}}) {
    del.position = pos, del.count = n;
    Call<&THIDelete::doDelete>(del, D::Str(s));
  }
  EXPECT_EQ(gLog, (Log{"out s:ade", "out s:a", "out s:abcde"}));
}

TEST_F(Strings, ReplaceAsksSkipPerOccurrenceAndTrimFoldsBlanks) {
  THIReplace rep;
  rep.find = "a";
  rep.replaceBy = "aa";
  struct SkipAtTwo : TDebug {
    THIReplace* rep;
    std::vector<int32_t> asked;
    void Value(TData& d, uint16_t) {
      asked.push_back(rep->position);
      d = D::Int(rep->position == 2);
    }
  } skip{.rep = &rep};
  link<&SkipAtTwo::Value>(rep.Skip, skip);
  EXPECT_EQ(Call<&THIReplace::doReplace>(rep, D::Str("banana")).text, "banaanaa");
  EXPECT_EQ(skip.asked, (std::vector<int32_t>{2, 4, 7}));

  THITrim trim;
  EXPECT_EQ(Call<&THITrim::doTrim>(trim, D::Str("  a   b \t\r\n")).text, "a b");
  EXPECT_EQ(Call<&THITrim::doTrim>(trim, D::Str(" \x01 ")).text, "");
}

TEST_F(Strings, BlockFindReportsUnterminatedAndReplaces) {
  THIBlockFind bf;
  bf.startMark = "<";
  bf.endMark = ">";
  Sinks({{&bf.onBlock, "block"}, {&bf.onNotFound, "notfound"}, {&bf.onSearch, "out"}});
  Call<&THIBlockFind::doSearch>(bf, D::Str("x<ab>y<c"));
  EXPECT_EQ(gLog, (Log{"block s:ab", "notfound null", "out s:x<ab>y<c"}));

  gLog.clear();
  bf.replaceMode = 1;
  bf.replaceBy = "<>";  // holds both marks: must not be searched again
  Call<&THIBlockFind::doSearch>(bf, D::Str("<1><22>"));
  bf.includeMarks = 1;
  bf.replaceBy = "#";
  Call<&THIBlockFind::doSearch>(bf, D::Str("a<1>b<2>c"));
  bf.conditional = 1;  // Replace reads 0: the block stays
  Source(bf.Replace, D::Int(0), "decide");
  Call<&THIBlockFind::doSearch>(bf, D::Str("<1>"));
  bf.endMark.clear();
  Call<&THIBlockFind::doSearch>(bf, D::Str("<<"));
  EXPECT_EQ(gLog, (Log{"block s:1", "block s:22", "out s:<<>><<>>", "block s:<1>", "block s:<2>",
                       "out s:a#b#c", "block s:<1>", "read decide", "out s:<1>", "notfound null",
                       "out s:<<"}));
}

TEST_F(Strings, ConvertorModes) {
  THIConvertor conv;
  auto convert = [&](uint8_t mode, TData in) {
    conv.mode = mode;
    return Call<&THIConvertor::doConvert>(conv, std::move(in));
  };
  EXPECT_EQ(convert(THIConvertor::IntToChar, D::Int(0x141)).text, "A");
  EXPECT_EQ(convert(THIConvertor::HexToInt, D::Str("ffZ1")).integer, 255);
  EXPECT_EQ(convert(THIConvertor::HexToInt, D::Str("1FFFFFFFF")).integer, -1);
  EXPECT_EQ(convert(THIConvertor::BinToInt, D::Str("1012")).integer, 5);
}

TEST_F(Strings, StrListSplitsEveryLineBreakAndTakesAnEmptyFileOnlyOnTheSecondRead) {
  THIStrList list;
  list.setStrings("a\r\nb\rc\n\nd\r\n");
  EXPECT_EQ(list.lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(ReadPoint<&THIStrList::Text>(list).text, "a\r\nb\r\nc\r\n\r\nd\r\n");
  list.setStrings("x\r\ny\r\nx");
  EXPECT_EQ(Call<&THIStrList::doGetString>(list, D::Int(2)).text, "x");
  EXPECT_EQ(list.index, 0);  // the first line equal to it
  EXPECT_EQ(Call<&THIStrList::doGetString>(list, D::Int(3)).text, "");
  EXPECT_EQ(list.index, -1);

  namespace fs = std::filesystem;
  list.fileName =
      (fs::temp_directory_path() / ("np_" + std::to_string(reinterpret_cast<uintptr_t>(&list))))
          .string();
  Sink(list.onLoad, "loaded");
  using Lines = std::vector<std::string>;
  auto load = [&](const char* bytes) {
    if (bytes)
      std::ofstream(list.fileName, std::ios::binary | std::ios::trunc) << bytes;
    else
      fs::remove(list.fileName);
    gLog.clear();
    Call<&THIStrList::doLoad>(list);
    return std::pair(list.lines, gLog.size());
  };
  EXPECT_EQ(load("Artist - Title"), std::pair(Lines{"Artist - Title"}, size_t{1}));
  EXPECT_EQ(load(""), std::pair(Lines{"Artist - Title"}, size_t{0}));  // maybe mid-write
  EXPECT_EQ(load(""), std::pair(Lines{}, size_t{1}));                  // really empty
  EXPECT_EQ(load(""), std::pair(Lines{}, size_t{1}));
  EXPECT_EQ(load("Next"), std::pair(Lines{"Next"}, size_t{1}));
  EXPECT_EQ(load(""), std::pair(Lines{"Next"}, size_t{0}));
  EXPECT_EQ(load("Third"), std::pair(Lines{"Third"}, size_t{1}));
  EXPECT_EQ(load(""), std::pair(Lines{"Third"}, size_t{0}));  // one held read does not carry over
  // A missing file is waited out, and starts the wait for a second empty read over.
  EXPECT_EQ(load(nullptr), std::pair(Lines{"Third"}, size_t{0}));
  EXPECT_EQ(load(nullptr), std::pair(Lines{"Third"}, size_t{0}));
  EXPECT_EQ(load(""), std::pair(Lines{"Third"}, size_t{0}));
  EXPECT_EQ(load("Back"), std::pair(Lines{"Back"}, size_t{1}));
  fs::remove(list.fileName);
}
