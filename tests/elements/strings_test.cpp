#include "elements/strings.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "log_probe.h"

using namespace hi;

namespace {

using namespace hi::probe;

class Strings : public ElementTest {};

TEST_F(Strings, FormatTenPlaceholdersDoNotTouchEachOther) {
  THIFormatStr fmt;
  fmt.setDataCount(10);
  fmt.mask = "PS%1%2%3%4%5%6%7%8%9%10\r\n";
  Probe pages[11] = {Probe(""),  Probe("A"), Probe("B"), Probe("C"), Probe("D"), Probe("E"),
                     Probe("F"), Probe("G"), Probe("H"), Probe("I"), Probe("J")};
  for (int i = 1; i <= 10; ++i) {
    pages[i].answer = TData::Str(pages[i].name);
    link<&Probe::Value>(fmt.Str[i], pages[i]);
  }
  Probe out("out");
  link<&Probe::doLog>(fmt.onFString, out);
  TData after = Call<&THIFormatStr::doString>(fmt);
  EXPECT_EQ(gLog.back(), "out s:PSABCDEFGHIJ\r\n");
  EXPECT_EQ(gLog.front(), "read A");  // entries are read in order 1..10
  EXPECT_EQ(Show(after), "s:PSABCDEFGHIJ\r\n");
  EXPECT_EQ(Show(ReadPoint<&THIFormatStr::Result>(fmt)), "s:PSABCDEFGHIJ\r\n");
}

TEST_F(Strings, FormatPercentSignsAndValuesAreNotRescanned) {
  THIFormatStr fmt;
  fmt.setDataCount(2);
  auto format = [&](const std::string& mask, TData in) {
    fmt.mask = mask;
    return Call<&THIFormatStr::doString>(fmt, std::move(in)).text;
  };
  // Unlinked entries consume the chain in order, then read empty.
  EXPECT_EQ(format("%1,%3,%2", Chain({TData::Str("a"), TData::Str("b")})), "a,%3,b");
  EXPECT_EQ(format("<%1|%2>", TData::Str("only")), "<only|>");
  EXPECT_EQ(format("100%% %1", TData::Int(5)), "100% 5");
  EXPECT_EQ(format("%%1=%1", TData::Str("x")), "%1=x");
  // A value is substituted by later passes only: "%2" inside %1's value is filled, "%1" is not.
  EXPECT_EQ(format("%1", Chain({TData::Str("%1%2"), TData::Str("B")})), "%1B");
  EXPECT_EQ(format("[%1]", TData::Str("50%%")), "[50%%]");
  EXPECT_EQ(format("%1%", TData::Str("9")), "9%");
  EXPECT_EQ(format("%12", Chain({TData::Str("x"), TData::Str("y")})), "%12");
  EXPECT_EQ(format("%1%2", Chain({TData::Str("%"), TData::Str("2")})), "%2");
}

TEST_F(Strings, ConcatenationReadsInStatedOrder) {
  THIStrCat cat;
  cat.str2 = "        ";
  EXPECT_EQ(Call<&THIStrCat::doStrCat>(cat, TData::Str("ONE")).text, "ONE        ");
  THIStrCatDelim delim;
  EXPECT_EQ(Call<&THIStrCatDelim::doStrCatDelim>(
                delim, Chain({TData::Str("a"), TData::Str("b"), TData::Str(", ")}))
                .text,
            "a, b");
}

TEST_F(Strings, StrPartSplitsOrReportsNotFound) {
  THIStrPart part;
  part.charText = ":";
  Probe l("left"), r("right"), nf("notfound");
  link<&Probe::doLog>(part.onLeft, l);
  link<&Probe::doLog>(part.onRight, r);
  link<&Probe::doLog>(part.onNotFound, nf);
  Call<&THIStrPart::doSplit>(part, TData::Str("no colon"));
  Call<&THIStrPart::doSplit>(part, TData::Str(""));
  Call<&THIStrPart::doSplit>(part, TData::Str("k:v:w"));
  part.mode = THIStrPart::RightFirst;
  Call<&THIStrPart::doSplit>(part, TData::Str("k:v"));
  EXPECT_EQ(gLog, (Log{"notfound s:no colon", "left s:k", "right s:v:w", "right s:v", "left s:k"}));
  EXPECT_EQ(Show(ReadPoint<&THIStrPart::Left>(part)), "s:k");
}

TEST_F(Strings, MultiStrPartSkipsThenFillsParts) {
  THIMultiStrPart part;
  part.setPartCount(2);
  part.skip = 1;
  part.charText = ";";
  Probe rest("rest"), nf("notfound");
  link<&Probe::doLog>(part.onRest, rest);
  link<&Probe::doLog>(part.onNotFound, nf);
  Call<&THIMultiStrPart::doSplit>(part, TData::Str("a;b;c;d"));
  EXPECT_EQ(Show(ReadPoint<&THIMultiStrPart::Part>(part, 1)), "s:c");
  Call<&THIMultiStrPart::doSplit>(part, TData::Str("a;b"));  // runs out of tokens
  EXPECT_EQ(part.parts, (std::vector<std::string>{"b", ""}));
  Call<&THIMultiStrPart::doSplit>(part, TData::Str("abc"));
  EXPECT_EQ(part.parts, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Show(ReadPoint<&THIMultiStrPart::Part>(part, 9)), "s:");
  EXPECT_EQ(gLog, (Log{"rest s:d", "rest s:", "notfound s:abc"}));
}

TEST_F(Strings, CopyAndDeleteClampPositions) {
  THICopy copy;
  auto cut = [&](const char* s, int32_t pos, int32_t count, uint8_t dir) {
    copy.position = pos;
    copy.count = count;
    copy.direction = dir;
    return Call<&THICopy::doCopy>(copy, TData::Str(s)).text;
  };
  EXPECT_EQ(cut("abcde", 1, 2, 1), "de");
  EXPECT_EQ(cut("RADIO", 1, 8, 0), "RADIO");
  EXPECT_EQ(cut("abcde", -1, 4, 0), "ab");  // positions before the start eat into the count
  EXPECT_EQ(cut("abcde", 9, 2, 0), "");
  EXPECT_EQ(cut("abcde", 1, 9, 1), "abcde");  // from the end, past the start
  EXPECT_EQ(cut("abc", INT32_MAX, INT32_MAX, 1), "");

  THIDelete del;
  Probe out("out");
  link<&Probe::doLog>(del.onDelete, out);
  del.position = 2;
  del.count = 2;
  Call<&THIDelete::doDelete>(del, TData::Str("abcde"));
  del.count = 99;
  Call<&THIDelete::doDelete>(del, TData::Str("abcde"));
  del.position = 0;
  Call<&THIDelete::doDelete>(del, TData::Str("abcde"));
  Call<&THIDelete::doDelete>(del, TData::Str(""));
  EXPECT_EQ(gLog, (Log{"out s:ade", "out s:a", "out s:abcde"}));
}

TEST_F(Strings, ReplaceAsksSkipPerOccurrence) {
  THIReplace rep;
  rep.find = "a";
  rep.replaceBy = "aa";
  EXPECT_EQ(Call<&THIReplace::doReplace>(rep, TData::Str("banana")).text, "baanaanaa");

  // Skip the occurrence at position 2 of the text as replaced so far.
  class SkipSecond : public TDebug {
   public:
    THIReplace* rep = nullptr;
    std::vector<int32_t> asked;
    void Value(TData& d, uint16_t) {
      asked.push_back(rep->position);
      d = TData::Int(rep->position == 2);
    }
  } skip;
  skip.rep = &rep;
  link<&SkipSecond::Value>(rep.Skip, skip);
  EXPECT_EQ(Call<&THIReplace::doReplace>(rep, TData::Str("banana")).text, "banaanaa");
  EXPECT_EQ(skip.asked, (std::vector<int32_t>{2, 4, 7}));
  rep.find.clear();
  EXPECT_EQ(Call<&THIReplace::doReplace>(rep, TData::Str("abc")).text, "abc");
}

TEST_F(Strings, TrimAndLength) {
  THITrim trim;
  EXPECT_EQ(Call<&THITrim::doTrim>(trim, TData::Str("  a   b \t\r\n")).text, "a b");
  EXPECT_EQ(Call<&THITrim::doTrim>(trim, TData::Str(" \x01 ")).text, "");
  THILength len;
  Probe out("len");
  link<&Probe::doLog>(len.onLength, out);
  Call<&THILength::doLength>(len, TData::Str(std::string("ab\0c", 4)));
  EXPECT_EQ(gLog, (Log{"len i:4"}));
}

TEST_F(Strings, BlockFindReportsUnterminatedAndReplaces) {
  THIBlockFind bf;
  bf.startMark = "<";
  bf.endMark = ">";
  Probe block("block"), nf("notfound"), out("out");
  link<&Probe::doLog>(bf.onBlock, block);
  link<&Probe::doLog>(bf.onNotFound, nf);
  link<&Probe::doLog>(bf.onSearch, out);
  Call<&THIBlockFind::doSearch>(bf, TData::Str("x<ab>y<c"));
  EXPECT_EQ(gLog, (Log{"block s:ab", "notfound null", "out s:x<ab>y<c"}));

  gLog.clear();
  bf.replaceMode = 1;
  bf.replaceBy = "<>";  // holds both marks: must not be searched again
  Call<&THIBlockFind::doSearch>(bf, TData::Str("<1><22>"));
  bf.includeMarks = 1;
  bf.replaceBy = "#";
  Call<&THIBlockFind::doSearch>(bf, TData::Str("a<1>b<2>c"));
  EXPECT_EQ(gLog, (Log{"block s:1", "block s:22", "out s:<<>><<>>", "block s:<1>", "block s:<2>",
                       "out s:a#b#c"}));

  // Conditional: only blocks for which Replace reads non-zero are replaced.
  gLog.clear();
  bf.conditional = 1;
  Probe decide("decide");
  decide.answer = TData::Int(0);
  link<&Probe::Value>(bf.Replace, decide);
  Call<&THIBlockFind::doSearch>(bf, TData::Str("<1>"));
  EXPECT_EQ(gLog, (Log{"block s:<1>", "read decide", "out s:<1>"}));

  gLog.clear();
  bf.endMark.clear();  // an empty mark never matches: no endless search
  Call<&THIBlockFind::doSearch>(bf, TData::Str("<<"));
  EXPECT_EQ(gLog, (Log{"notfound null", "out s:<<"}));
}

TEST_F(Strings, ConvertorModes) {
  THIConvertor conv;
  auto convert = [&](uint8_t mode, TData in) {
    conv.mode = mode;
    return Call<&THIConvertor::doConvert>(conv, std::move(in));
  };
  EXPECT_EQ(convert(THIConvertor::IntToChar, TData::Int(0x141)).text, "A");
  EXPECT_EQ(convert(THIConvertor::HexToInt, TData::Str("7C6F")).integer, 31855);
  EXPECT_EQ(convert(THIConvertor::HexToInt, TData::Str("ffZ1")).integer, 255);
  EXPECT_EQ(convert(THIConvertor::HexToInt, TData::Str("")).integer, 0);
  EXPECT_EQ(convert(THIConvertor::HexToInt, TData::Str("1FFFFFFFF")).integer, -1);  // mod 2^32
  EXPECT_EQ(convert(THIConvertor::BinToInt, TData::Str("1012")).integer, 5);
}

TEST_F(Strings, StrListSplitsEveryLineBreakAndLoadsFiles) {
  THIStrList list;
  list.setStrings("a\r\nb\rc\n\nd\r\n");
  EXPECT_EQ(list.lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(ReadPoint<&THIStrList::Text>(list).text, "a\r\nb\r\nc\r\n\r\nd\r\n");

  Probe out("line");
  link<&Probe::doLog>(list.onGetString, out);
  list.setStrings("x\r\ny\r\nx");
  Call<&THIStrList::doGetString>(list, TData::Int(2));
  EXPECT_EQ(list.index, 0);  // the first line equal to it
  Call<&THIStrList::doGetString>(list, TData::Int(3));
  EXPECT_EQ(list.index, -1);
  EXPECT_EQ(gLog, (Log{"line s:x", "line s:"}));

  namespace fs = std::filesystem;
  const fs::path file =
      fs::temp_directory_path() / ("strlist_" + std::to_string(reinterpret_cast<uintptr_t>(&list)));
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF"
                                           "caf\xC3\xA9\nzwei";
  Probe loaded("loaded");
  link<&Probe::doLog>(list.onLoad, loaded);
  list.fileName = file.string();
  Call<&THIStrList::doLoad>(list);
  EXPECT_EQ(list.lines, (std::vector<std::string>{"caf\xE9", "zwei"}));
  fs::remove(file);
  Call<&THIStrList::doLoad>(list);                     // missing file: list kept, nothing fires
  list.fileName = fs::temp_directory_path().string();  // a folder
  Call<&THIStrList::doLoad>(list);
  EXPECT_EQ(list.lines.size(), 2u);
  EXPECT_EQ(gLog.back(), "loaded null");
  EXPECT_EQ(gLog.size(), 3u);
}

}  // namespace
