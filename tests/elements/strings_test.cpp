#include "elements/strings.h"

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
