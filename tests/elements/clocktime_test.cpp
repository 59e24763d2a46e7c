#include "elements/clocktime.h"

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;
using ClockTime = ElementTest;

TEST_F(ClockTime, PayloadsOfKnownDatesAndNonsenseInput) {
  ThiInlineCode_19BC8B0 ct;
  Sink(ct.onEvent, "ct");
  // Unlinked inputs take the incoming values in the order year, month, day, hour, minute.
  for (auto date : {Chain({D::Int(2009), D::Int(1), D::Int(1), D::Int(0)}),
                    Chain({D::Int(2026), D::Int(12), D::Int(5), D::Int(13), D::Int(45)}),
                    Chain({D::Int(2000), D::Int(2), D::Int(29), D::Int(23), D::Int(59)}),
                    Chain({D::Int(2024), D::Int(3), D::Str("01"), D::Str("16"), D::Str("03")}),
                    Chain({D::Int(1858), D::Int(11), D::Int(17)})})
    Call<&ThiInlineCode_19BC8B0::doWork>(ct, date);
  // Values far outside their ranges stay defined and every byte within 0..255.
  Source(ct.Year, D::Int(2147483647), "y");
  Source(ct.Hour, D::Int(-1), "h");
  Source(ct.Minute, D::Int(-2147483647 - 1), "n");
  Call<&ThiInlineCode_19BC8B0::doWork>(ct, Chain({D::Str("x"), D::Int(99)}));
  EXPECT_EQ(gLog, (Log{"ct s:1,172,96,0,0", "ct s:1,223,134,219,64", "ct s:1,147,39,126,192",
                       "ct s:1,215,165,0,192", "ct s:0,0,0,0,0", "read y", "read h", "read n",
                       "ct s:3,192,85,240,0"}));
}
