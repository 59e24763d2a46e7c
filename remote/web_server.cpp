#include "remote/web_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>

#include "platform/codepage.h"
#include "platform/net.h"
#include "remote/web_send.h"

namespace remote {

extern const char* const kWebPage;

namespace {

using Clock = std::chrono::steady_clock;
using platform::SocketHandle;

int64_t MsUntil(Clock::time_point deadline) {
  return std::max<int64_t>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

WebReply Error(int status, const std::string& text) {
  return {status, "application/json", "{\"error\":" + JsonQuote(text) + "}\n", {}};
}

WebReply TooManyWrongPasswords(int retryAfterSeconds) {
  WebReply limited = Error(
      429, "too many wrong passwords; try again in " + std::to_string(retryAfterSeconds) + " s");
  limited.headers.emplace_back("Retry-After", std::to_string(retryAfterSeconds));
  return limited;
}

// One connection as the library's stream. The request's head is read first, whole and bounded,
// then served from memory; the body and the answer go straight through the socket, all of it
// within the request's deadline.
class BoundedStream : public httplib::Stream {
 public:
  BoundedStream(SocketHandle socket, const WebLimits& limits) : socket_(socket), limits_(limits) {}

  enum class Head { Whole, TooLong, Gone };

  // Waits for the next request to begin: true when its first byte is there.
  bool awaitRequest(int ms) {
    if (!buffer_.empty()) return true;
    return platform::net::Wait(socket_, false, ms) && fill(1) > 0;
  }

  Head readHead() {
    deadline_ = Clock::now() + std::chrono::milliseconds(limits_.requestMs);
    bodyLeft_ = limits_.body;
    size_t scanned = 0;
    for (;;) {
      const size_t end = buffer_.find("\r\n\r\n", scanned > 3 ? scanned - 3 : 0);
      if (end != std::string::npos) {
        if (end + 4 > limits_.head) return Head::TooLong;
        headLeft_ = end + 4;
        return Head::Whole;
      }
      scanned = buffer_.size();
      if (scanned > limits_.head) return Head::TooLong;
      if (!platform::net::Wait(socket_, false, MsUntil(deadline_)) || fill(limits_.head + 4) <= 0)
        return Head::Gone;
    }
  }

  bool writeAll(std::string_view text) {
    while (!text.empty()) {
      const ssize_t n = write(text.data(), text.size());
      if (n <= 0) return false;
      text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  bool is_readable() const override {
    return !buffer_.empty() || platform::net::Wait(socket_, false, MsUntil(deadline_));
  }
  bool is_writable() const override {
    return platform::net::Wait(socket_, true, std::min<int64_t>(MsUntil(deadline_) + 1000, 5000));
  }

  ssize_t read(char* ptr, size_t size) override {
    if (!buffer_.empty()) {
      // The head first; beyond it what the buffer holds counts against the body's share.
      size_t n = std::min(size, buffer_.size());
      if (headLeft_ > 0) {
        n = std::min(n, headLeft_);
        headLeft_ -= n;
      } else {
        n = std::min(n, bodyLeft_);
        bodyLeft_ -= n;
        if (n == 0) return -1;
      }
      std::copy_n(buffer_.data(), n, ptr);
      buffer_.erase(0, n);
      return static_cast<ssize_t>(n);
    }
    if (bodyLeft_ == 0 || !platform::net::Wait(socket_, false, MsUntil(deadline_))) return -1;
    const long n = platform::net::Receive(socket_, ptr, std::min(size, bodyLeft_));
    if (n > 0) bodyLeft_ -= static_cast<size_t>(n);
    return n > 0 ? n : -1;
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    return platform::net::Send(socket_, ptr, size);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip.clear();
    port = 0;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip.clear();
    port = 0;
  }
  socket_t socket() const override { return static_cast<socket_t>(socket_); }

 private:
  long fill(size_t most) {
    char chunk[2048];
    const long n = platform::net::Receive(socket_, chunk, std::min(sizeof chunk, most));
    if (n > 0) buffer_.append(chunk, static_cast<size_t>(n));
    return n;
  }

  SocketHandle socket_;
  const WebLimits& limits_;
  std::string buffer_;
  size_t headLeft_ = 0;
  size_t bodyLeft_ = 0;
  Clock::time_point deadline_ = Clock::now();
};

// The listening socket's options, for the probe and the library alike. A port given back a moment
// ago (its connections in TIME_WAIT) is had again at once, so a restarted service gets it; the
// library's own choice on Linux, SO_REUSEPORT, would let another program listen on the port too.
void ListenOptions(socket_t socket) {
  const auto handle = static_cast<SocketHandle>(socket);
#ifdef _WIN32
  platform::net::SetOption(handle, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
#else
  platform::net::SetOption(handle, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
}

}  // namespace

// The library's server with connections of our own making: bounded in number, in size and in
// time, and cut short when the server stops.
class WebServer::Http : public httplib::Server {
 public:
  explicit Http(const WebLimits& limits) : limits_(limits) {
    new_task_queue = [this] { return new Queue(*this); };
  }

  // The connection ends after the answer to the request at hand.
  static void closeAfterThisRequest() { tClose = true; }

  void stopAll() {
    stop();
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const SocketHandle s : open_) platform::net::ShutdownBoth(s);
  }

 private:
  // One thread per connection up to the limit; a connection beyond it is turned away at once.
  class Queue : public httplib::TaskQueue {
   public:
    explicit Queue(Http& http) : http_(http), pool_(http.limits_.connections) {}
    void enqueue(std::function<void()> fn) override {
      if (http_.busy_.load() >= http_.limits_.connections) {
        tRefuse = true;
        fn();
        tRefuse = false;
        return;
      }
      ++http_.busy_;
      pool_.enqueue([this, fn = std::move(fn)] {
        fn();
        --http_.busy_;
      });
    }
    void shutdown() override { pool_.shutdown(); }

   private:
    Http& http_;
    httplib::ThreadPool pool_;
  };

  bool process_and_close_socket(socket_t raw) override {
    const auto socket = static_cast<SocketHandle>(raw);
    bool admitted = false;
    if (!tRefuse) {
      std::lock_guard lock(mutex_);
      admitted = !stopping_;
      if (admitted) open_.insert(socket);
    }
    if (admitted) serve(socket);
    {
      std::lock_guard lock(mutex_);
      open_.erase(socket);
    }
    if (!admitted) {
      static constexpr char kBusy[] =
          "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      (void)platform::net::Send(socket, kBusy, sizeof kBusy - 1);
    }
    platform::net::ShutdownBoth(socket);
    platform::CloseSocket(socket);
    return admitted;
  }

  void serve(SocketHandle socket) {
    BoundedStream stream(socket, limits_);
    static constexpr size_t kRequestsPerConnection = 100;
    for (size_t n = 0; n < kRequestsPerConnection; ++n) {
      if (!stream.awaitRequest(n == 0 ? limits_.requestMs : limits_.keepAliveMs)) return;
      const BoundedStream::Head head = stream.readHead();
      if (head == BoundedStream::Head::TooLong) {
        (void)stream.writeAll(
            "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\n"
            "Connection: close\r\n\r\n");
        return;
      }
      if (head != BoundedStream::Head::Whole) return;
      bool closed = false;
      tClose = false;
      if (!process_request(stream, n + 1 == kRequestsPerConnection, closed, nullptr) || closed ||
          tClose)
        return;
    }
  }

  static inline thread_local bool tRefuse = false;
  static inline thread_local bool tClose = false;
  const WebLimits& limits_;
  std::atomic<size_t> busy_{0};
  std::mutex mutex_;
  std::set<SocketHandle> open_;
  bool stopping_ = false;
};

WebServer::WebServer(WebBackend backend, WebLimits limits)
    : backend_(std::move(backend)), limits_(std::move(limits)) {
  if (backend_.checkPassword)
    sessions_ = std::make_unique<WebSessions>(backend_.checkPassword, limits_.logins);
}

WebServer::~WebServer() { stop(); }

std::string WebServer::start(const std::string& host, uint16_t port) {
  stop();
  if (!platform::NetStartup()) return "the socket layer did not start";
  std::string problem;
  const auto addresses = platform::ResolveEndpoint({"http", host, port}, true, problem);
  if (addresses.empty()) return problem;
  // The library says only that it failed; a socket of our own says why.
  {
    const SocketHandle probe = platform::net::NewSocket(addresses.front().family, true);
    if (probe == platform::kNoSocket) return "no socket";
    ListenOptions(static_cast<socket_t>(probe));
    bool bound = platform::net::Bind(probe, addresses.front());
    const int error = bound ? 0 : platform::LastSocketError();
    platform::CloseSocket(probe);
    if (!bound) {
      if (error == platform::net::kAddressInUse) return "port " + std::to_string(port) + " in use";
      if (error == platform::net::kAddressNotHere)
        return host + " is not an address of this computer";
      return platform::SocketErrorText(error);
    }
  }
  http_ = std::make_unique<Http>(limits_);
  http_->set_socket_options(ListenOptions);
  http_->set_payload_max_length(limits_.body);
  http_->set_read_timeout(std::chrono::milliseconds(limits_.requestMs));
  http_->set_write_timeout(std::chrono::seconds(5));
  http_->set_keep_alive_timeout(std::max(1, limits_.keepAliveMs / 1000));
  const auto reply = [](const WebReply& r, httplib::Response& res) {
    res.status = r.status;
    res.set_content(r.body, r.contentType.c_str());
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : r.headers) res.set_header(name.c_str(), value);
  };
  const auto headerOf = [](const httplib::Request& req) {
    return [&req](const char* name) { return req.get_header_value(name); };
  };
  http_->set_pre_routing_handler(
      [this, reply, headerOf](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "POST") {
          // Refused before its body is read; the body left unread ends the connection.
          const WebReply refused = refusal(req.method, req.path, headerOf(req));
          if (refused.status == 0) return httplib::Server::HandlerResponse::Unhandled;
          reply(refused, res);
          Http::closeAfterThisRequest();
          return httplib::Server::HandlerResponse::Handled;
        }
        reply(answer(req.method, req.path, req.get_param_value("since"), headerOf(req), {}), res);
        return httplib::Server::HandlerResponse::Handled;
      });
  http_->Post(R"(/api/v1/(send/[a-z]{1,16}|login|logout))",
              [this, reply, headerOf](const httplib::Request& req, httplib::Response& res) {
                reply(answer(req.method, req.path, {}, headerOf(req), req.body), res);
              });
  const int bound =
      port == 0 ? http_->bind_to_any_port(host) : (http_->bind_to_port(host, port) ? port : -1);
  if (bound <= 0) {
    http_.reset();
    return "cannot listen on " + host + ":" + std::to_string(port);
  }
  host_ = host;
  port_ = static_cast<uint16_t>(bound);
  loopback_ = platform::IsLoopback(addresses.front());
  wildcard_ = host == "0.0.0.0" || host == "::";
  ended_ = false;
  thread_ = std::thread([this] {
    http_->listen_after_bind();
    ended_ = true;
  });
  return {};
}

void WebServer::stop() {
  if (!http_) return;
  // The library's stop does nothing before its loop has begun, and the loop would then run on:
  // wait for it to begin (the thread was started when the port was bound).
  while (!ended_ && !http_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  http_->stopAll();
  if (thread_.joinable()) thread_.join();
  http_.reset();
}

bool WebServer::hostAllowed(const std::string& hostHeader) const {
  const std::string host = Lower(hostHeader);
  if (host.empty()) return false;
  const std::string port = ":" + std::to_string(port_);
  const bool v6 = host_.find(':') != std::string::npos;
  if (host == (v6 ? "[" + Lower(host_) + "]" : Lower(host_)) + port) return true;
  if (!publicHost_.empty() && host == publicHost_) return true;
  // On every address of the computer, the names it goes by are not known here; the password
  // (which another site's page never has) guards the console instead.
  if (wildcard_ && sessions_) return true;
  return loopback_ &&
         (host == "localhost" + port || host == "127.0.0.1" + port || host == "[::1]" + port);
}

bool WebServer::setPublicAddress(const std::string& address) {
  publicHost_.clear();
  if (address.empty()) return true;
  std::string rest = Lower(address);
  if (rest.rfind("https://", 0) == 0) {
    rest.erase(0, 8);
  } else if (rest.rfind("http://", 0) == 0) {
    rest.erase(0, 7);
  } else {
    return false;
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (rest.empty() || rest.find_first_of("/?#@ \t") != std::string::npos) return false;
  publicHost_ = rest;
  return true;
}

WebReply WebServer::answer(const std::string& method, const std::string& path,
                           const std::string& query, const Header& header,
                           const std::string& body) const {
  // A page elsewhere that makes the browser ask under another name (DNS rebinding).
  if (!hostAllowed(header("Host"))) return Error(421, "this server is not " + header("Host"));
  if (method == "GET" || method == "HEAD") {
    if (path == "/") return {200, "text/html; charset=utf-8", kWebPage, {}};
    if (path == "/api/v1/session") return sessionState(header);
    if (WebReply refused = unauthorized(header); refused.status != 0) return refused;
    if (path == "/api/v1/status" && backend_.status)
      return {200, "application/json", backend_.status(), {}};
    if (path == "/api/v1/log" && backend_.log) {
      uint64_t since = 0;
      for (const char c : query) {
        if (c < '0' || c > '9' || since > UINT64_MAX / 10 - 10)
          return Error(400, "since is a number");
        since = since * 10 + static_cast<uint64_t>(c - '0');
      }
      return {200, "application/json", backend_.log(since), {}};
    }
    if (path == "/metrics" && backend_.metrics)
      return {200, "text/plain; version=0.0.4; charset=utf-8", backend_.metrics(), {}};
    return Error(404, "no such page");
  }
  if (WebReply refused = refusal(method, path, header); refused.status != 0) return refused;
  if (path == "/api/v1/login") return login(body);
  if (path == "/api/v1/logout") {
    if (sessions_) sessions_->logout(sessionToken(header));
    return {200,
            "application/json",
            "{\"ok\":true}\n",
            {{"Set-Cookie", cookieName() + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0"}}};
  }
  if (path.rfind("/api/v1/send/", 0) == 0 && backend_.send)
    return backend_.send(path.substr(13), body);
  return Error(404, "no such send");
}

WebReply WebServer::refusal(const std::string& method, const std::string& path,
                            const Header& header) const {
  if (!hostAllowed(header("Host"))) return Error(421, "this server is not " + header("Host"));
  if (method != "POST") return Error(405, "not allowed");
  // Another site's page in the operator's browser may not drive the panel.
  // The console's own page posts to the host it was loaded from.
  const std::string origin = Lower(header("Origin"));
  const std::string host = Lower(header("Host"));
  if (!origin.empty() ? origin != "http://" + host && origin != "https://" + host
                      : (!header("Sec-Fetch-Site").empty() &&
                         Lower(header("Sec-Fetch-Site")) != "same-origin" &&
                         Lower(header("Sec-Fetch-Site")) != "none"))
    return Error(403, "not from this console's page");
  // No form or plain-text "simple request" a page elsewhere could post without asking.
  const std::string type = Lower(header("Content-Type"));
  if (type.substr(0, type.find(';')) != "application/json")
    return Error(415, "the body must be application/json");
  if (path == "/api/v1/login") {
    if (!sessions_) return Error(404, "the console has no password to log in with");
    return {0, {}, {}, {}};
  }
  if (sessions_) {
    // A session, and the token only this console's page was given with it: a browser sends the
    // cookie along with any request, the token only when the page adds it.
    const std::string csrf = sessions_->csrf(sessionToken(header));
    if (csrf.empty()) return Error(401, "log in first");
    if (!ConstantTimeEqual(csrf, header("X-CSRF-Token")))
      return Error(403, "the request lacks this session's CSRF token");
  }
  return {0, {}, {}, {}};
}

WebReply WebServer::unauthorized(const Header& header) const {
  if (!sessions_ || !sessions_->csrf(sessionToken(header)).empty()) return {0, {}, {}, {}};
  // Scripts and the monitoring may give the password with every request instead.
  const std::string authorization = header("Authorization");
  if (authorization.empty()) return Error(401, "log in first");
  const WebSessions::Login login = sessions_->basic(authorization);
  if (login.outcome == WebSessions::Outcome::Ok) return {0, {}, {}, {}};
  if (login.outcome == WebSessions::Outcome::Limited)
    return TooManyWrongPasswords(login.retryAfterSeconds);
  return Error(401, "wrong password");
}

// Each console has its own cookie: a browser keeps cookies by host name, not by port.
std::string WebServer::cookieName() const { return "rdspanel_session_" + std::to_string(port_); }

std::string WebServer::sessionToken(const Header& header) const {
  const std::string cookies = header("Cookie");
  const std::string name = cookieName() + "=";
  for (size_t at = 0; at < cookies.size();) {
    while (at < cookies.size() && (cookies[at] == ' ' || cookies[at] == ';')) ++at;
    const size_t end = std::min(cookies.find(';', at), cookies.size());
    if (cookies.compare(at, name.size(), name) == 0)
      return cookies.substr(at + name.size(), end - at - name.size());
    at = end;
  }
  return {};
}

WebReply WebServer::login(const std::string& body) const {
  std::string password, problem;
  if (!DecodePasswordBody(body, password, problem)) return Error(400, problem);
  const WebSessions::Login login = sessions_->login(password);
  switch (login.outcome) {
    case WebSessions::Outcome::Ok:
      return {200,
              "application/json",
              "{\"ok\":true,\"csrf\":" + JsonQuote(login.csrf) + "}\n",
              {{"Set-Cookie",
                cookieName() + "=" + login.token + "; Path=/; HttpOnly; SameSite=Strict"}}};
    case WebSessions::Outcome::Wrong:
      return Error(401, "wrong password");
    case WebSessions::Outcome::Limited:
      return TooManyWrongPasswords(login.retryAfterSeconds);
    case WebSessions::Outcome::Failed:
      break;
  }
  return Error(500, "no session could be made");
}

WebReply WebServer::sessionState(const Header& header) const {
  if (!sessions_) return {200, "application/json", "{\"password\":false}\n", {}};
  const std::string csrf = sessions_->csrf(sessionToken(header));
  if (csrf.empty())
    return {200, "application/json", "{\"password\":true,\"loggedIn\":false}\n", {}};
  return {200,
          "application/json",
          "{\"password\":true,\"loggedIn\":true,\"csrf\":" + JsonQuote(csrf) + "}\n",
          {}};
}

bool ParseListenAddress(const std::string& text, std::string& host, uint16_t& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string h = text.substr(0, colon);
  if (h.front() == '[') {
    if (h.size() < 3 || h.back() != ']') return false;
    h = h.substr(1, h.size() - 2);
  } else if (h.find(':') != std::string::npos) {
    return false;
  }
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long n = std::stoul(digits);
  if (n > 65535 || !platform::IsNumericHost(h)) return false;
  host = h;
  port = static_cast<uint16_t>(n);
  return true;
}

std::string JsonQuote(std::string_view text) {
  const std::string utf8 =
      platform::IsValidUtf8(text) ? std::string(text) : platform::Cp1252ToUtf8(text);
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace remote
