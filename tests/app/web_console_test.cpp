// The web console of the real window over loopback HTTP: what it shows, what it refuses and how
// it bounds a client. The window runs on the virtual time host; the server's own threads keep
// real time, so the time limits below are short.
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <thread>

#include "http_exchange.h"
#include "remote/web_password.h"
#include "remote/web_server.h"
#include "web_panel_fixture.h"

namespace apptest {
namespace {

using webtest::Exchange;
using webtest::Get;
using webtest::Post;
using webtest::Status;

using WebConsoleTest = WebPanelTest;

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
  // A password rds.ini holds but rdspanel never wrote opens nothing, on any address.
  writeSetting("Web", "Password", "pbkdf2-sha256$1$00$00");
  hi::MainWindow::webListen = "127.0.0.1:0";
  closeProgram();
  start();
  EXPECT_FALSE(main_->webConsole->listening());
  EXPECT_NE(main_->webConsole->problem().find("set it again"), std::string::npos);
}

// With a password the console listens on every address, asks for the password whatever name it
// is reached by, and a send after logging in reaches the encoder as a click's would.
TEST_F(WebConsoleTest, APasswordGuardsTheConsoleOnEveryAddress) {
  writeSetting("Web", "Password", remote::HashWebPassword("on air", 1000));
  hi::MainWindow::webListen = "0.0.0.0:0";
  startConnected();
  ASSERT_TRUE(main_->webConsole->listening()) << main_->webConsole->problem();
  const uint16_t p = port();
  const std::string lan = "Host: 192.0.2.7:" + std::to_string(p) + "\r\n";
  const auto request = [&](const std::string& method, const std::string& path,
                           const std::string& headers, const std::string& body = "") {
    return Exchange(p, method + " " + path + " HTTP/1.1\r\n" + lan + headers +
                           "Content-Type: application/json\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  };
  EXPECT_EQ(Status(request("GET", "/api/v1/status", "")), 401);
  EXPECT_EQ(Status(request("GET", "/", "")), 200);
  EXPECT_EQ(Status(request("POST", "/api/v1/login", "", "{\"password\":\"on aIr\"}")), 401);
  const std::string login = request("POST", "/api/v1/login", "", "{\"password\":\"on air\"}");
  ASSERT_EQ(Status(login), 200) << login;
  const std::string cookieLine = login.substr(login.find("Set-Cookie: ") + 12);
  const std::string cookie = cookieLine.substr(0, cookieLine.find(';'));
  EXPECT_EQ(cookie.rfind("rdspanel_session_" + std::to_string(p) + "=", 0), 0u) << login;
  EXPECT_NE(cookieLine.find("HttpOnly; SameSite=Strict"), std::string::npos) << login;
  const std::string csrf =
      webtest::Body(login).substr(webtest::Body(login).find("csrf\":\"") + 7, 64);
  const std::string session = "Cookie: " + cookie + "\r\n";
  EXPECT_EQ(Status(request("GET", "/api/v1/status", session)), 200);

  const std::string ps = "{\"value\":\"NEWS\"}";
  EXPECT_EQ(Status(request("POST", "/api/v1/send/ps", session, ps)), 403);  // no token
  EXPECT_EQ(Status(request("POST", "/api/v1/send/ps", "X-CSRF-Token: " + csrf + "\r\n", ps)),
            401);  // no session
  const std::string both = session + "X-CSRF-Token: " + csrf + "\r\n";
  EXPECT_EQ(Status(request("POST", "/api/v1/send/ps", both + "Origin: http://192.0.2.9\r\n", ps)),
            403);
  EXPECT_TRUE(received(1).empty());
  const std::string sent =
      windowAnswering([&] { return request("POST", "/api/v1/send/ps", both, ps); });
  EXPECT_EQ(Status(sent), 200) << sent;
  EXPECT_EQ(received(1), "PSNEWS    \r\n");

  EXPECT_EQ(Status(request("POST", "/api/v1/logout", both, "{}")), 200);
  EXPECT_EQ(Status(request("POST", "/api/v1/send/ps", both, ps)), 401);
  EXPECT_EQ(Status(request("GET", "/api/v1/status", session)), 401);
  EXPECT_TRUE(received(1).empty());
}

// Guessing costs the console nothing: past a short burst every login is refused unchecked, the
// right one too, until the credit grows back; the console serves on meanwhile.
TEST(WebServerLogin, AThousandWrongPasswordsAreRateLimited) {
  std::atomic<int64_t> now{0};
  std::atomic<int> checked{0};
  remote::WebLimits limits;
  limits.logins.clockMs = [&now] { return now.load(); };
  const auto check = [&checked](const std::string& password) {
    ++checked;
    return password == "right";
  };
  remote::WebServer server({[] { return std::string("{}"); }, nullptr, nullptr, nullptr, check},
                           limits);
  ASSERT_EQ(server.start("127.0.0.1", 0), "");
  const uint16_t p = server.port();
  const std::string json = "Content-Type: application/json\r\n";
  std::map<int, int> answers;
  for (int k = 0; k < 1000; ++k)
    ++answers[Status(
        Post(p, "/api/v1/login", json, "{\"password\":\"guess" + std::to_string(k) + "\"}"))];
  EXPECT_EQ(checked.load(), limits.logins.burst);
  EXPECT_EQ(answers[401], limits.logins.burst);
  EXPECT_EQ(answers[429], 1000 - limits.logins.burst);
  // The monitoring's credentials with each request (":right" in base64).
  const auto scrape = [p] {
    return Exchange(p, "GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(p) +
                           "\r\nAuthorization: Basic OnJpZ2h0\r\n\r\n");
  };
  const std::string limited = scrape();
  EXPECT_EQ(Status(limited), 429);
  EXPECT_NE(limited.find("Retry-After: 3"), std::string::npos) << limited;
  EXPECT_EQ(Status(Get(p, "/")), 200);

  now = limits.logins.refillMs;
  EXPECT_EQ(Status(scrape()), 200);
  EXPECT_EQ(Status(scrape()), 200);
  EXPECT_EQ(checked.load(), limits.logins.burst + 1);  // the same credentials are checked once
  EXPECT_EQ(Status(Post(p, "/api/v1/login", json, "{\"password\":\"right\"}")), 200);
  server.stop();
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
