// The web console of a running window: publishes what the window shows for the server's threads
// and serves the event log and the metrics. The graph is read on the window thread only, at a
// short timer; the server's threads see the last published copy.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/time_host.h"
#include "remote/web_server.h"

namespace hi {
class MainWindow;
}

namespace remote {

class WebConsole {
 public:
  static constexpr uint32_t kPublishMs = 250;
  // The window takes queued sends at this period; a send it has not taken within kSendWaitMs is
  // dropped unsent and answered 503.
  static constexpr uint32_t kQueueMs = 20;
  static constexpr int kSendWaitMs = 5000;

  // Starts listening on `listen` ("127.0.0.1:8080"); problem() says why not when it could not.
  WebConsole(hi::MainWindow& window, const std::string& listen, std::string version,
             WebLimits limits = {});
  ~WebConsole();
  WebConsole(const WebConsole&) = delete;
  WebConsole& operator=(const WebConsole&) = delete;
  WebConsole(WebConsole&&) = delete;
  WebConsole& operator=(WebConsole&&) = delete;

  [[nodiscard]] const std::string& problem() const { return problem_; }
  [[nodiscard]] uint16_t port() const { return server_.port(); }
  [[nodiscard]] bool listening() const { return server_.running(); }

  // Reads the window now and publishes it; the timer does this every kPublishMs.
  void publish();
  [[nodiscard]] std::string status() const;
  [[nodiscard]] std::string metrics() const;

  // A send from the web, from any thread: decoded there, run on the window's thread as the
  // operator's action, and answered once the window has run it.
  WebReply send(const std::string& name, const std::string& body);
  // Runs the queued sends; on the window's thread (the timer calls it every kQueueMs).
  void runQueued();

  // The listen address rds.ini names, empty when the console is off.
  static std::string ConfiguredListen();
  // The stored password key, empty when the console has no password.
  static std::string ConfiguredPassword();

 private:
  struct Pending;
  WebReply act(const std::string& name, const std::string& value);

  hi::MainWindow& window_;
  std::string version_;
  std::string password_;
  std::string problem_;
  mutable std::mutex mutex_;
  std::string status_;
  std::atomic<int> connected_{0}, dps_{0}, drt_{0}, ct_{0}, templateProblems_{0};
  std::unique_ptr<platform::HostTimer> timer_, queueTimer_;
  std::mutex queueMutex_;
  std::condition_variable answered_;
  std::deque<std::shared_ptr<Pending>> queue_;
  bool closing_ = false;
  WebServer server_;
};

}  // namespace remote
