#include "elements/clocktime.h"

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;

using ClockTime = ElementTest;

TEST_F(ClockTime, PayloadsOfKnownDatesAndNonsenseInput) {
  ThiInlineCode_19BC8B0 ct;
  Sink(ct.onEvent, "ct");
  // Unlinked inputs take the incoming values in the order year, month, day, hour, minute.
  for (auto date :
       {Chain({TData::Int(2009), TData::Int(1), TData::Int(1), TData::Int(0)}),
        Chain({TData::Int(2026), TData::Int(12), TData::Int(5), TData::Int(13), TData::Int(45)}),
        Chain({TData::Int(2000), TData::Int(2), TData::Int(29), TData::Int(23), TData::Int(59)}),
        Chain({TData::Int(2024), TData::Int(3), TData::Str("01"), TData::Str("16"),
               TData::Str("03")}),
        Chain({TData::Int(1858), TData::Int(11), TData::Int(17)})})
    Call<&ThiInlineCode_19BC8B0::doWork>(ct, date);
  // Values far outside their ranges stay defined and every byte within 0..255.
  Source(ct.Year, TData::Int(2147483647), "y");
  Source(ct.Hour, TData::Int(-1), "h");
  Source(ct.Minute, TData::Int(-2147483647 - 1), "n");
  Call<&ThiInlineCode_19BC8B0::doWork>(ct, Chain({TData::Str("x"), TData::Int(99)}));
  EXPECT_EQ(gLog, (Log{"ct s:1,172,96,0,0", "ct s:1,223,134,219,64", "ct s:1,147,39,126,192",
                       "ct s:1,215,165,0,192", "ct s:0,0,0,0,0", "read y", "read h", "read n",
                       "ct s:3,192,85,240,0"}));
}
