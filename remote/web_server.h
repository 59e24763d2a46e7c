// The web console's HTTP server: the page, the status and log for scripts and the metrics for
// the monitoring. It runs on threads of its own and never touches the program's graph: what it
// serves comes from the backend's calls, which must be safe to call from any thread.
//
// Every request is bounded: the request line and headers, the body, the number of connections
// and the time a client may take; a slow client holds one connection thread, never the others
// nor the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "remote/web_sessions.h"

namespace remote {

struct WebReply {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;  // beyond the usual ones
};

struct WebBackend {
  std::function<std::string()> status;             // the status as JSON
  std::function<std::string(uint64_t since)> log;  // the event log's last lines as JSON
  std::function<std::string()> metrics;            // Prometheus text
  // A send by its name with its JSON body; may wait for the window, within a deadline.
  std::function<WebReply(const std::string& name, const std::string& body)> send;
  // Set when the console has a password: whether this (UTF-8) password is it. Then every page
  // but the login asks for a session, and every change also for the session's CSRF token.
  std::function<bool(const std::string& password)> checkPassword;
};

struct WebLimits {
  size_t head = size_t{8} * 1024;  // request line and headers
  size_t body = size_t{16} * 1024;
  size_t connections = 32;
  // A request must arrive whole within this from its first byte, and an idle connection is
  // closed after it.
  int requestMs = 10000;
  int keepAliveMs = 5000;
  WebSessions::Limits logins;
};

class WebServer {
 public:
  explicit WebServer(WebBackend backend, WebLimits limits = {});
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Listens on host:port (a numeric address); port 0 takes a free one. Empty on success, else
  // why not in an operator's words.
  std::string start(const std::string& host, uint16_t port);
  void stop();
  // The address the operator's browser reaches the console at when that is not the listening one,
  // as behind a reverse proxy ("https://rds.example.org"); its host is then taken as this
  // server's. False for anything but an http or https address without a path.
  bool setPublicAddress(const std::string& address);
  [[nodiscard]] uint16_t port() const { return port_; }
  [[nodiscard]] bool running() const { return thread_.joinable(); }

  // The answer to one request, without the socket: routing and the checks every request passes.
  // `header` gives a request header's value, empty when missing.
  WebReply answer(const std::string& method, const std::string& path, const std::string& query,
                  const std::function<std::string(const char*)>& header,
                  const std::string& body) const;

 private:
  class Http;
  using Header = std::function<std::string(const char*)>;
  [[nodiscard]] bool hostAllowed(const std::string& host) const;
  // Why a request may not change anything (status 0 when it may).
  [[nodiscard]] WebReply refusal(const std::string& method, const std::string& path,
                                 const Header& header) const;
  // Why a request may not read the console (status 0 when it may): no session, no password.
  [[nodiscard]] WebReply unauthorized(const Header& header) const;
  [[nodiscard]] std::string sessionToken(const Header& header) const;
  [[nodiscard]] std::string cookieName() const;
  [[nodiscard]] WebReply login(const std::string& body) const;
  [[nodiscard]] WebReply sessionState(const Header& header) const;

  WebBackend backend_;
  WebLimits limits_;
  std::string host_;
  uint16_t port_ = 0;
  std::string publicHost_;
  bool loopback_ = true;
  bool wildcard_ = false;
  std::unique_ptr<WebSessions> sessions_;  // with a password only
  std::unique_ptr<Http> http_;
  std::thread thread_;
  // Set by the server's thread when its loop has ended.
  std::atomic<bool> ended_{false};
};

// A listen address "host:port" ("[::1]:8080" for IPv6) as its parts; false when malformed.
bool ParseListenAddress(const std::string& text, std::string& host, uint16_t& port);

}  // namespace remote

namespace remote {

// The text as a JSON string with its quotes; bytes that are not UTF-8 are taken as Windows-1252.
std::string JsonQuote(std::string_view text);

}  // namespace remote
