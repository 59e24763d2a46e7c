// The window with its web console on a free loopback port, for tests that talk to it over HTTP.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <string>

#include "panel_fixture.h"
#include "remote/web_console.h"

namespace apptest {

class WebPanelTest : public PanelTest {
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
  // The answer to a request that waits for the window: sent from another thread while this one
  // takes the queued sends, as the console's timer would.
  std::string windowAnswering(const std::function<std::string()>& request) {
    auto answer = std::async(std::launch::async, request);
    while (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
      main_->webConsole->runQueued();
    return answer.get();
  }
};

}  // namespace apptest
