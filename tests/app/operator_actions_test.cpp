// The operator's actions as data: each row does what the operator's clicks do — the same bytes on
// the wire and the same rds.ini, whether run here or sent from the web console — and a value the
// window warns about sends nothing.
#include <functional>

#include "http_exchange.h"
#include "remote/operator_actions.h"
#include "remote/web_server.h"
#include "web_panel_fixture.h"

namespace apptest {

namespace {

class OperatorActionsTest : public WebPanelTest {
 protected:
  remote::ActionResult act(const char* name, const std::string& value = "") {
    return remote::RunAction(*main_, name, value);
  }
  // The action as the page sends it.
  std::string web(const std::string& name, const std::string& json) {
    return windowAnswering([p = port(), name, json] {
      return webtest::Post(p, "/api/v1/send/" + name, "Content-Type: application/json\r\n", json);
    });
  }
  // Flags as JSON's true, numbers as numbers, texts as strings.
  static std::string Json(const std::string& name, const std::string& value) {
    if (name == "pty" || name == "di") return "{\"value\": " + value + "}";
    if (value == "1") return "{\"value\": true}";
    return value.empty() ? "{}" : "{\"value\":" + remote::JsonQuote(value) + "}";
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

  // The same steps three times from the same start: clicked, from the table, from the web.
  enum Way { ByClick, ByTable, ByWeb, kWays };
  std::vector<std::string> bytes[kWays], stored[kWays];
  for (int way = ByClick; way < kWays; ++way) {
    if (way != ByClick) {
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
      if (way == ByTable) {
        EXPECT_TRUE(act(c.name, c.value).done()) << c.name;
      } else if (way == ByWeb) {
        const std::string answer = web(c.name, Json(c.name, c.value));
        EXPECT_EQ(webtest::Body(answer), "{\"ok\":true}\n") << c.name << answer;
      } else {
        c.byClick();
      }
      time_.advance(600);
      bytes[way].push_back(received(1));
      stored[way].push_back(iniText());
    }
  }
  for (int way = ByTable; way < kWays; ++way) {
    for (size_t k = 0; k < cases.size(); ++k) {
      EXPECT_EQ(bytes[way][k], bytes[ByClick][k]) << cases[k].name << " way " << way;
      EXPECT_EQ(stored[way][k], stored[ByClick][k]) << cases[k].name << " way " << way;
    }
  }
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
    const std::string answer = web(b.name, "{\"value\":" + remote::JsonQuote(b.value) + "}");
    EXPECT_EQ(webtest::Status(answer), 422) << b.name;
    EXPECT_EQ(webtest::Body(answer), "{\"error\":" + remote::JsonQuote(b.warning) + "}\n");
  }
  EXPECT_EQ(webtest::Status(web("ps", "{\"value\":\"RADIO\"")), 400);
  EXPECT_EQ(webtest::Status(web("ps", "{\"text\":\"RADIO\"}")), 400);
  EXPECT_EQ(webtest::Status(web("nonsense", "{}")), 404);
  time_.advance(600);
  EXPECT_EQ(received(1), "");

  // Line breaks and an escape in a web value end no line early: only whole lines reach the port.
  ASSERT_EQ(webtest::Status(web("rt", R"({"value":"A\r\nPS EVIL\r\n\u001b[2J"})")), 200);
  time_.advance(600);
  const std::string wire = received(1);
  EXPECT_EQ(wire.find('\x1b'), std::string::npos) << wire;
  EXPECT_EQ(wire.find("\r\n"), wire.size() - 2) << wire;

  EXPECT_EQ(act("nonsense").outcome, remote::ActionResult::Unknown);
  click(connection().disconnect);
  EXPECT_EQ(act("ps", "RADIO").outcome, remote::ActionResult::NotConnected);
  const std::string answer = web("ps", R"({"value":"RADIO"})");
  EXPECT_EQ(webtest::Status(answer), 409);
  EXPECT_EQ(webtest::Body(answer), "{\"error\":\"RDS Encoder not connected!\"}\n");
  time_.advance(600);
  EXPECT_EQ(received(1), "");
}

}  // namespace

}  // namespace apptest
