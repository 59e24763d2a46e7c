#include <gtest/gtest.h>

#include "runtime/convert.h"

using namespace hi;

TEST(Convert, ToStringOfReals) {
  for (double zero : {0.0, -0.0}) EXPECT_EQ(ToString(TData::Real(zero)), "0");
  EXPECT_EQ(ToString(TData::Real(0.001)), "0.001");
  EXPECT_EQ(ToString(TData::Real(-0.25)), "-0.25");
  EXPECT_EQ(ToString(TData::Real(1e20)), "100000000000000000000");
  EXPECT_EQ(ToString(TData::Real(0.1 + 0.2)), "0.3");
  EXPECT_EQ(ToString(TData::Real(1.0 / 3.0)), "0.333333333333333");
  EXPECT_EQ(ToString(TData::Real(123456.789)), "123456.789");
  EXPECT_EQ(ToString(TData::Real(9.9999999999999999)), "10");
  EXPECT_EQ(ToString(TData::NoData()), "");
}

TEST(Convert, ToIntegerOfTextsAndReals) {
  for (const char* none : {" 12", "abc", ""}) EXPECT_EQ(ToInteger(TData::Str(none)), 0) << none;
  EXPECT_EQ(ToInteger(TData::Str("-12x")), -12);
  EXPECT_EQ(ToInteger(TData::Str("+7")), 7);
  EXPECT_EQ(ToInteger(TData::Str("4294967297")), 1);  // wraps modulo 2^32
  EXPECT_EQ(ToInteger(TData::Str("2147483648")), INT32_MIN);
  // Reals round half to even.
  EXPECT_EQ(ToInteger(TData::Real(2.5)), 2);
  EXPECT_EQ(ToInteger(TData::Real(3.5)), 4);
  EXPECT_EQ(ToInteger(TData::Real(-2.5)), -2);
  EXPECT_EQ(ToInteger(TData::Real(2.51)), 3);
}

TEST(Convert, ToRealToBoolToIndex) {
  EXPECT_DOUBLE_EQ(ToReal(TData::Str("12.75")), 12.75);
  EXPECT_DOUBLE_EQ(ToReal(TData::Str(".5")), 0.5);
  for (const char* none : {"x", "inf", "-nan", "1e999"})
    EXPECT_DOUBLE_EQ(ToReal(TData::Str(none)), 0.0) << none;

  for (const TData& d : {TData::Str("0"), TData::Str(""), TData(), TData::Int(-1)})
    EXPECT_TRUE(ToBool(d));
  EXPECT_FALSE(ToBool(TData::Int(0)));

  EXPECT_EQ(ToIndex(TData::Str("3")), 3);
  EXPECT_EQ(ToIndex(TData::Str("00x")), 0);
  for (const TData& d : {TData::Str("x"), TData::Str(""), TData()}) EXPECT_EQ(ToIndex(d), -1);
  EXPECT_EQ(ToIndex(TData::Real(1.5)), 2);
}

TEST(TextHelpers, ReplaceAllNeverRescansInsertedText) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  // The predicate sees positions in the text as replaced so far, and may skip an occurrence.
  std::vector<size_t> asked;
  auto result = ReplaceAll("%1 %10 %1", "%1", "VALUE", [&](size_t pos, std::string_view rest) {
    asked.push_back(pos);
    return !(rest.size() > 2 && rest[2] >= '0' && rest[2] <= '9');
  });
  EXPECT_EQ(result, "VALUE %10 VALUE");
  EXPECT_EQ(asked, (std::vector<size_t>{1, 7, 11}));
}
