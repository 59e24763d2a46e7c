#include "elements/clocktime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hi;

namespace clocktime_test {

class Payloads : public TDebug {
 public:
  std::vector<std::string> got;
  TData answer;
  void doRecord(TData& d, uint16_t) { got.push_back(ToString(d)); }
  void Value(TData& d, uint16_t) { d = answer; }
};

TData Chain(std::initializer_list<int> items) {
  TData head;
  for (int n : items) AppendChain(head, TData::Int(n));
  return head;
}

}  // namespace clocktime_test

using namespace clocktime_test;

TEST(ClockTime, PayloadsOfKnownDates) {
  SetLoopsLive(true);
  ThiInlineCode_19BC8B0 ct;
  Payloads out;
  link<&Payloads::doRecord>(ct.onEvent, out);
  // Unlinked inputs take the incoming values in the order year, month, day, hour, minute.
  for (TData date :
       {Chain({2009, 1, 1, 0, 0}), Chain({2026, 12, 5, 13, 45}), Chain({2000, 2, 29, 23, 59}),
        Chain({2024, 3, 1, 16, 3}), Chain({1858, 11, 17, 0, 0})})
    ct.doWork(date, 0);
  EXPECT_EQ(out.got,
            (std::vector<std::string>{"1,172,96,0,0", "1,223,134,219,64", "1,147,39,126,192",
                                      "1,215,165,0,192", "0,0,0,0,0"}));
  EXPECT_EQ(ModifiedJulianDay(2026, 12, 5), 61379);
  EXPECT_EQ(ModifiedJulianDay(2009, 1, 1), 54832);
}

TEST(ClockTime, TextInputsAndNonsenseStayWithinBytes) {
  SetLoopsLive(true);
  ThiInlineCode_19BC8B0 ct;
  Payloads out, year, month, day, hour, minute;
  link<&Payloads::doRecord>(ct.onEvent, out);
  year.answer = TData::Str("2026");
  month.answer = TData::Str("12");
  day.answer = TData::Str("05");
  hour.answer = TData::Str("13");
  minute.answer = TData::Str("45");
  link<&Payloads::Value>(ct.Year, year);
  link<&Payloads::Value>(ct.Month, month);
  link<&Payloads::Value>(ct.Day, day);
  link<&Payloads::Value>(ct.Hour, hour);
  link<&Payloads::Value>(ct.Minute, minute);
  TData none;
  ct.doWork(none, 0);
  EXPECT_EQ(out.got.back(), "1,223,134,219,64");

  // Values far outside their ranges are used as they are, without overflow.
  year.answer = TData::Int(2147483647);
  month.answer = TData::Str("x");
  hour.answer = TData::Int(-1);
  minute.answer = TData::Int(-2147483647 - 1);
  ct.doWork(none, 0);
  std::string payload = out.got.back();
  int fields = 0;
  for (size_t start = 0; start != std::string::npos; ++fields) {
    size_t comma = payload.find(',', start);
    int value = std::stoi(payload.substr(start, comma - start));
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 255);
    start = comma == std::string::npos ? comma : comma + 1;
  }
  EXPECT_EQ(fields, 5);
}
