// The operator's actions as data: each row does what the operator's clicks do — the same bytes on
// the wire and the same rds.ini — and a value the window warns about sends nothing.
#include <functional>

#include "panel_fixture.h"
#include "remote/operator_actions.h"

namespace apptest {

namespace {

class OperatorActionsTest : public PanelTest {
 protected:
  remote::ActionResult act(const char* name, const std::string& value = "") {
    return remote::RunAction(*main_, name, value);
  }
  std::string iniText() { return platform::ReadWholeFile(ini()).value_or(""); }
};

TEST_F(OperatorActionsTest, EachRowIsTheOperatorsClick) {
  struct Case {
    const char* name;
    std::string value;
    std::function<void()> byClick;
  };
  const std::vector<Case> cases = {
      {"pi", "C0DE",
       [&] {
         typePi("C0DE");
         click(rds().function<protocol::Pi>().send);
       }},
      {"ps", "RADIO 1",
       [&] {
         auto& paged = rds().function<protocol::PagePs>();
         type(paged.pages[0], "RADIO 1");
         for (size_t k = 1; k < paged.pages.size(); ++k) type(paged.pages[k], "");
         click(paged.send);
       }},
      {"rt", "Hello there",
       [&] {
         type(rds().function<protocol::Rt>().text, "Hello there");
         click(rds().function<protocol::Rt>().send);
       }},
      {"pty", "5",
       [&] {
         choose(rds().function<protocol::Pty>().list, 5);
         click(rds().function<protocol::Pty>().send);
       }},
      {"di", "5",
       [&] {
         click(rds().function<protocol::Di>().boxes[hi::DiPanel::Stereo]);
         click(rds().function<protocol::Di>().boxes[hi::DiPanel::Compressed]);
       }},
      {"tp", "1", [&] { click(rds().function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::TP]); }},
      {"ta", "1", [&] { click(rds().function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::TA]); }},
      {"ms", "1", [&] { click(rds().function<protocol::TpTaMs>().boxes[hi::TpTaMsPanel::MS]); }},
      {"af", "100,101,102",
       [&] {
         auto& af = rds().function<protocol::Af>();
         choose(af.number, 2);
         choose(af.local, 100);
         choose(af.afs[0], 101);
         choose(af.afs[1], 102);
         click(af.send);
       }},
      {"ct", "1", [&] { click(rds().transmitCt); }},
      {"dps", "1", [&] { click(dyn().dps); }},
      {"drt", "1", [&] { click(dyn().drt); }},
      {"disconnect", "", [&] { click(connection().disconnect); }},
      {"connect", "", [&] { click(connection().connect); }},
  };
  ASSERT_EQ(cases.size(), remote::kActions.size());

  // The same steps twice from the same start, once clicked and once from the table.
  std::vector<std::string> bytes[2], stored[2];
  for (int byTable = 0; byTable < 2; ++byTable) {
    if (byTable) {
      // A fresh start on a fresh port: the closed program's terminal stays exclusive.
      closeProgram();
      hi::ResetRuntime();
      fs::remove(ini());
      fs::remove(folder_ / "ports" / "com1");
      ports_.erase(1);
      addPort(1);
    }
    useDynamicFiles("PS %Time%", "RT %Time%");
    startConnected(0);
    received(1);
    for (const Case& c : cases) {
      if (byTable)
        EXPECT_TRUE(act(c.name, c.value).done()) << c.name;
      else
        c.byClick();
      time_.advance(600);
      bytes[byTable].push_back(received(1));
      stored[byTable].push_back(iniText());
    }
  }
  for (size_t k = 0; k < cases.size(); ++k) {
    EXPECT_EQ(bytes[1][k], bytes[0][k]) << cases[k].name;
    EXPECT_EQ(stored[1][k], stored[0][k]) << cases[k].name;
  }
  EXPECT_EQ(bytes[1][0], "PI192,222\r\n") << "the PI row's own line";
}

TEST_F(OperatorActionsTest, AWarnedValueSendsNothing) {
  startConnected(0);
  received(1);
  const struct {
    const char* name;
    std::string value;
    const char* warning;
  } bad[] = {
      {"ps", "RADIO ONE", "Max 8 symbols!"},
      {"pi", "C0DG", "Only hex symbols 0-9, A-F!"},
      {"pi", "C0D", "4 hex symbols needed!"},
      {"rt", std::string(65, 'x'), "Max 64 symbols!"},
      {"pty", "32", "PTY 0-31 only"},
      {"af", "1,2,3,4,5,6,7,8", "a local frequency and 1 to 6 AF only"},
  };
  for (const auto& b : bad) {
    const remote::ActionResult r = act(b.name, b.value);
    EXPECT_EQ(r.outcome, remote::ActionResult::Refused) << b.name;
    EXPECT_EQ(r.warning, b.warning) << b.name;
  }
  time_.advance(600);
  EXPECT_EQ(received(1), "");

  EXPECT_EQ(act("nonsense").outcome, remote::ActionResult::Unknown);
  click(connection().disconnect);
  EXPECT_EQ(act("ps", "RADIO").outcome, remote::ActionResult::NotConnected);
}

}  // namespace

}  // namespace apptest
