// The web console of a running window: publishes what the window shows for the server's threads
// and serves the event log and the metrics. The graph is read on the window thread only, at a
// short timer; the server's threads see the last published copy.
#pragma once

#include <atomic>
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

  // The listen address rds.ini names, empty when the console is off.
  static std::string ConfiguredListen();

 private:
  hi::MainWindow& window_;
  std::string version_;
  std::string problem_;
  mutable std::mutex mutex_;
  std::string status_;
  std::atomic<int> connected_{0}, dps_{0}, drt_{0}, ct_{0}, templateProblems_{0};
  std::unique_ptr<platform::HostTimer> timer_;
  WebServer server_;
};

}  // namespace remote
