// The web console of the real window over loopback HTTP: what it shows, what it refuses and how
// it bounds a client. The window runs on the virtual time host; the server's own threads keep
// real time, so the time limits below are short.
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "http_exchange.h"
#include "panel_fixture.h"
#include "remote/web_console.h"
#include "remote/web_server.h"

namespace apptest {
namespace {

using webtest::Exchange;
using webtest::Get;
using webtest::Post;
using webtest::Status;

class WebConsoleTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    hi::MainWindow::webListen = "127.0.0.1:0";
  }
  void TearDown() override {
    PanelTest::TearDown();
    hi::MainWindow::webListen.clear();
  }
  uint16_t port() { return main_->webConsole->port(); }
};

TEST_F(WebConsoleTest, StatusLogAndMetricsFollowTheWindow) {
  startConnected();
  ASSERT_TRUE(main_->webConsole && main_->webConsole->listening()) << main_->webConsole->problem();
  typePi("7C6F");
  click(rds().function<protocol::Pi>().send);
  received(1);
  time_.advance(remote::WebConsole::kPublishMs);

  const std::string status = Get(port(), "/api/v1/status");
  EXPECT_EQ(Status(status), 200) << status;
  EXPECT_NE(status.find("\"version\":1"), std::string::npos);
  EXPECT_NE(status.find("\"connected\":true"), std::string::npos) << status;
  EXPECT_NE(status.find("\"pi\":\"7C6F\""), std::string::npos) << status;

  const std::string log = Get(port(), "/api/v1/log?since=0");
  EXPECT_NE(log.find("sent PI124,111\\\\r\\\\n"), std::string::npos) << log;

  const std::string page = Get(port(), "/");
  EXPECT_EQ(Status(page), 200);
  EXPECT_NE(page.find("/api/v1/status"), std::string::npos);

  const std::string metrics = Get(port(), "/metrics");
  ASSERT_EQ(Status(metrics), 200) << metrics;
  EXPECT_NE(metrics.find("rdspanel_encoder_connected 1"), std::string::npos) << metrics;
  EXPECT_NE(metrics.find("rdspanel_command_lines_total{command=\"PI\"}"), std::string::npos);
  // The monitoring's own checker reads the real output, when it is installed.
  if (std::system("promtool --version >/dev/null 2>&1") == 0) {
    const std::string file = path("metrics.txt");
    writeFile("metrics.txt", metrics.substr(metrics.find("\r\n\r\n") + 4));
    EXPECT_EQ(std::system(("promtool check metrics < " + file).c_str()), 0) << metrics;
  }

  // A restart gets the same port at once, though the connections just served linger.
  hi::MainWindow::webListen = "127.0.0.1:" + std::to_string(port());
  closeProgram();
  start();
  EXPECT_TRUE(main_->webConsole->listening()) << main_->webConsole->problem();
}

TEST_F(WebConsoleTest, RefusesWhatAnotherSiteOrAPathCouldAskFor) {
  start();
  ASSERT_TRUE(main_->webConsole && main_->webConsole->listening());
  const uint16_t p = port();
  // DNS rebinding: a name that is not this server's.
  EXPECT_EQ(Status(Get(p, "/api/v1/status", "attacker.example:" + std::to_string(p))), 421);
  const std::string json = "Content-Type: application/json\r\n";
  EXPECT_EQ(Status(Post(p, "/api/v1/send/pi", json + "Origin: http://attacker.example\r\n",
                        "{\"value\":\"1234\"}")),
            403);
  EXPECT_EQ(Status(Post(p, "/api/v1/send/pi", json + "Sec-Fetch-Site: cross-site\r\n", "{}")), 403);
  EXPECT_EQ(Status(Post(p, "/api/v1/send/pi", "Content-Type: text/plain\r\n", "{}")), 415);
  EXPECT_EQ(Status(Post(p, "/api/v1/send/pi", "Content-Type: application/x-www-form-urlencoded\r\n",
                        "value=1")),
            415);
  writeSetting("Web", "Listen", "127.0.0.1:0");
  for (const char* path : {"/../rds.ini", "/%2e%2e/rds.ini", "/rds.ini", "/api/v1/../../rds.ini"}) {
    const std::string answer = Get(p, path);
    EXPECT_EQ(Status(answer), 404) << path;
    EXPECT_EQ(answer.find("[Web]"), std::string::npos) << path;
  }
}

TEST_F(WebConsoleTest, APortInUseIsShownAndTheWindowRunsOn) {
  nettest::Peer holder(true);
  ASSERT_TRUE(holder.bind(0) && holder.listen());
  hi::MainWindow::webListen = "127.0.0.1:" + std::to_string(holder.port());
  logFrom();
  start();
  const std::string log = logged();
  ASSERT_TRUE(main_->webConsole);
  EXPECT_FALSE(main_->webConsole->listening());
  EXPECT_NE(log.find("web console not started on " + hi::MainWindow::webListen + ": port " +
                     std::to_string(holder.port()) + " in use"),
            std::string::npos)
      << log;
  // Listening for the whole network needs a password the console does not have.
  hi::MainWindow::webListen = "0.0.0.0:0";
  closeProgram();
  start();
  EXPECT_FALSE(main_->webConsole->listening());
  EXPECT_NE(main_->webConsole->problem().find("reachable from other computers"), std::string::npos);
}

// The server alone, with short limits: oversize requests, a slow client and a crowd.
TEST(WebServerBounds, OversizeSlowAndTooManyClientsAreCutOff) {
  remote::WebLimits limits;
  limits.requestMs = 400;
  limits.keepAliveMs = 400;
  limits.connections = 3;
  remote::WebServer server({[] { return std::string("{}"); }, nullptr, nullptr, nullptr}, limits);
  ASSERT_EQ(server.start("127.0.0.1", 0), "");
  const uint16_t p = server.port();
  const std::string host = "Host: 127.0.0.1:" + std::to_string(p) + "\r\n";

  EXPECT_EQ(Status(Exchange(p, "GET /api/v1/status HTTP/1.1\r\n" + host +
                                   "X-Pad: " + std::string(9000, 'a') + "\r\n\r\n")),
            431);
  // Many small headers add up as one long one does.
  std::string many;
  for (int k = 0; k < 600; ++k) many += "X-" + std::to_string(k) + ": abcdefghij\r\n";
  EXPECT_EQ(Status(Exchange(p, "GET /api/v1/status HTTP/1.1\r\n" + host + many + "\r\n")), 431);
  EXPECT_EQ(Status(Post(p, "/api/v1/send/ps", "Content-Type: application/json\r\n",
                        std::string(20000, ' '))),
            413);

  // A client that sends its head a byte at a time is closed at the deadline; another is served
  // meanwhile.
  nettest::Peer slow(true);
  ASSERT_TRUE(slow.connect(p));
  const auto began = std::chrono::steady_clock::now();
  auto trickle = std::async(std::launch::async, [&slow] {
    const std::string head = "GET /api/v1/status HTTP/1.1\r\nX-Slow: ";
    for (size_t k = 0; k < 200; ++k) {
      if (!slow.write(std::string(1, k < head.size() ? head[k] : 'x'))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  EXPECT_EQ(Status(Get(p, "/api/v1/status")), 200);
  EXPECT_TRUE(slow.closedByPeer(3000));
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2000));
  trickle.wait();

  // Connections beyond the limit are turned away at once.
  std::vector<std::unique_ptr<nettest::Peer>> idle;
  for (size_t k = 0; k < limits.connections; ++k) {
    idle.push_back(std::make_unique<nettest::Peer>(true));
    ASSERT_TRUE(idle.back()->connect(p) && idle.back()->write("G"));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Status(Get(p, "/api/v1/status")), 503);
  server.stop();
}

}  // namespace
}  // namespace apptest
